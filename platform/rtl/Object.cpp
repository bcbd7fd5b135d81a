#include "platform/rtl/Object.h"
#include "platform/rtl/Exceptions.h"

#include <cxxabi.h>
#include <cstdlib>
#include <memory>

namespace platform::rtl {
QString DemangledClassName(const std::type_info& info) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(info.name(), nullptr, nullptr, &status), std::free);
    QString s = (status == 0 && name) ? QString::fromLatin1(name.get()) : QString::fromLatin1(info.name());
    int colon = s.lastIndexOf(QLatin1String("::"));
    if (colon >= 0) s = s.mid(colon + 2);
    return s;
}
}  // namespace platform::rtl

void TPersistent::Assign(TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* source) {
    QString sourceName = source ? source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(sourceName, ClassName()));
}

QString TPersistent::GetNamePath() const { return ClassName(); }
