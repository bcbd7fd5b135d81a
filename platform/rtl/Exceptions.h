#pragma once
// The exception family the application code raises and catches.
#include <QString>
#include <QByteArray>
#include <exception>
#include <vector>

class Exception : public std::exception {
public:
    explicit Exception(const QString& msg = QString(), int helpContext = 0);
    ~Exception() override;
    const QString& Message() const { return FMessage; }
    int HelpContext() const { return FHelpContext; }
    const char* what() const noexcept override { return FUtf8.constData(); }
    // Name of the dynamic class, as the error box and logs show it ("EConvertError").
    QString ClassName() const;

private:
    QString FMessage;
    QByteArray FUtf8;
    int FHelpContext = 0;
};

#define ZB_EXCEPTION(Name, Base)                                           \
    class Name : public Base {                                             \
    public:                                                                \
        explicit Name(const QString& msg = QString(), int helpContext = 0) \
            : Base(msg, helpContext) {}                                    \
    };

// Silent: handlers that see it show nothing.
ZB_EXCEPTION(EAbort, Exception)
ZB_EXCEPTION(EConvertError, Exception)
ZB_EXCEPTION(ERangeError, Exception)
ZB_EXCEPTION(EIntError, Exception)
ZB_EXCEPTION(EDivByZero, EIntError)
ZB_EXCEPTION(EMathError, Exception)
ZB_EXCEPTION(EZeroDivide, EMathError)
ZB_EXCEPTION(EOverflow, EMathError)
ZB_EXCEPTION(EInvalidOperation, Exception)
ZB_EXCEPTION(EInvalidPointer, Exception)
ZB_EXCEPTION(EInvalidCast, Exception)
ZB_EXCEPTION(EListError, Exception)
ZB_EXCEPTION(EStringListError, EListError)
ZB_EXCEPTION(EComponentError, Exception)
ZB_EXCEPTION(EPropertyError, Exception)
ZB_EXCEPTION(EVariantError, Exception)
ZB_EXCEPTION(EInOutError, Exception)
ZB_EXCEPTION(EStreamError, Exception)
ZB_EXCEPTION(EFilerError, EStreamError)
ZB_EXCEPTION(EReadError, EFilerError)
ZB_EXCEPTION(EWriteError, EFilerError)
ZB_EXCEPTION(EFOpenError, EStreamError)
ZB_EXCEPTION(EFCreateError, EStreamError)
ZB_EXCEPTION(EOutOfResources, Exception)
ZB_EXCEPTION(EOutOfMemory, Exception)
ZB_EXCEPTION(EInvalidGraphic, Exception)
ZB_EXCEPTION(EInvalidGraphicOperation, Exception)
ZB_EXCEPTION(EThread, Exception)
ZB_EXCEPTION(ERegistryException, Exception)
ZB_EXCEPTION(EPrinter, Exception)
ZB_EXCEPTION(EDatabaseError, Exception)

// One entry of an engine error: the numeric code and the engine's text.
struct TDBError {
    int ErrorCode = 0;
    QString Message;
    int Category() const { return (ErrorCode >> 8) & 0xFF; }
    int SubCode() const { return ErrorCode & 0xFF; }
    int NativeError = 0;
};

class EDBEngineError : public EDatabaseError {
public:
    EDBEngineError(int errorCode, const QString& msg, int nativeError = 0);
    int ErrorCount() const { return int(FErrors.size()); }
    const TDBError& Errors(int index) const;
    void AddError(int errorCode, const QString& msg, int nativeError = 0);

private:
    std::vector<TDBError> FErrors;
};

// Raises the silent EAbort.
[[noreturn]] void Abort();
