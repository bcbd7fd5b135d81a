#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"

#include <typeinfo>

Exception::Exception(const QString& msg, int helpContext)
    : FMessage(msg), FUtf8(msg.toUtf8()), FHelpContext(helpContext) {}

Exception::~Exception() = default;

QString Exception::ClassName() const { return platform::rtl::DemangledClassName(typeid(*this)); }

EDBEngineError::EDBEngineError(int errorCode, const QString& msg, int nativeError) : EDatabaseError(msg) {
    AddError(errorCode, msg, nativeError);
}

const TDBError& EDBEngineError::Errors(int index) const {
    if (index < 0 || index >= ErrorCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FErrors[size_t(index)];
}

void EDBEngineError::AddError(int errorCode, const QString& msg, int nativeError) {
    TDBError e;
    e.ErrorCode = errorCode;
    e.Message = msg;
    e.NativeError = nativeError;
    FErrors.push_back(e);
}

void Abort() { throw EAbort(QStringLiteral("Operation aborted")); }
