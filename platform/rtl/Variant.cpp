#include "platform/rtl/Variant.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>

TVarType Variant::VarType() const {
    switch (FValue.index()) {
        case 0: return TVarType::varEmpty;
        case 1: return TVarType::varNull;
        case 2: return TVarType::varInteger;
        case 3: return TVarType::varDouble;
        case 4: return TVarType::varCurrency;
        case 5: return TVarType::varString;
        case 6: return TVarType::varBoolean;
        case 7: return TVarType::varDate;
        default: return TVarType::varArray;
    }
}

QString Variant::TypeName() const {
    static const char* names[] = {"Empty", "Null", "Integer", "Double", "Currency", "String", "Boolean", "Date", "Array"};
    return QString::fromLatin1(names[FValue.index()]);
}

void Variant::ConvertError(const char* target) const {
    throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                            .arg(TypeName(), QString::fromLatin1(target)));
}

namespace {
// Numbers in text are read as StrToFloat reads them: the decimal separator of the settings.
bool textToDouble(const QString& s, double& out) { return TryStrToFloat(Trim(s), out); }
}  // namespace

qint64 Variant::AsInt64() const {
    switch (FValue.index()) {
        case 0: case 1: return 0;
        case 2: return std::get<qint64>(FValue);
        case 3: return qint64(std::nearbyint(std::get<double>(FValue)));
        case 4: return qint64(std::nearbyint(std::get<Currency>(FValue).ToDouble()));
        case 5: {
            qint64 v;
            if (TryStrToInt64(Trim(std::get<QString>(FValue)), v)) return v;
            double d;
            if (textToDouble(std::get<QString>(FValue), d)) return qint64(std::nearbyint(d));
            ConvertError("Integer");
        }
        case 6: return std::get<bool>(FValue) ? -1 : 0;
        case 7: return qint64(std::trunc(std::get<TDateTime>(FValue).Val));
        default: ConvertError("Integer");
    }
}

double Variant::AsFloat() const {
    switch (FValue.index()) {
        case 0: case 1: return 0.0;
        case 2: return double(std::get<qint64>(FValue));
        case 3: return std::get<double>(FValue);
        case 4: return std::get<Currency>(FValue).ToDouble();
        case 5: {
            double d;
            if (textToDouble(std::get<QString>(FValue), d)) return d;
            ConvertError("Double");
        }
        case 6: return std::get<bool>(FValue) ? -1.0 : 0.0;
        case 7: return std::get<TDateTime>(FValue).Val;
        default: ConvertError("Double");
    }
}

Currency Variant::AsCurrency() const {
    if (FValue.index() == 4) return std::get<Currency>(FValue);
    return Currency(AsFloat());
}

QString Variant::AsString() const {
    switch (FValue.index()) {
        case 0: case 1: return QString();
        case 2: return QString::number(std::get<qint64>(FValue));
        case 3: return FloatToStr(std::get<double>(FValue));
        case 4: return CurrToStr(std::get<Currency>(FValue));
        case 5: return std::get<QString>(FValue);
        case 6: return std::get<bool>(FValue) ? QStringLiteral("True") : QStringLiteral("False");
        case 7: {
            // A bare time shows as a time; otherwise the date, with the time when there is one.
            const TDateTime d = std::get<TDateTime>(FValue);
            if (std::trunc(d.Val) == 0 && d.Val != 0) return TimeToStr(d);
            return DateTimeToStr(d);
        }
        default: ConvertError("String");
    }
}

bool Variant::AsBoolean() const {
    switch (FValue.index()) {
        case 0: case 1: return false;
        case 5: {
            QString s = std::get<QString>(FValue).trimmed();
            if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
            if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
            double d;
            if (textToDouble(s, d)) return d != 0.0;
            ConvertError("Boolean");
        }
        case 6: return std::get<bool>(FValue);
        default: return AsFloat() != 0.0;
    }
}

TDateTime Variant::AsDateTime() const {
    if (FValue.index() == 7) return std::get<TDateTime>(FValue);
    if (FValue.index() == 5) {
        TDateTime d;
        if (TryStrToDateTime(Trim(std::get<QString>(FValue)), d)) return d;
        ConvertError("Date");
    }
    return TDateTime(AsFloat());
}

const std::vector<Variant>& Variant::AsArray() const {
    if (!IsArray()) ConvertError("Array");
    return std::get<std::vector<Variant>>(FValue);
}

bool Variant::operator==(const Variant& other) const {
    if (FValue.index() == other.FValue.index()) return FValue == other.FValue;
    if (IsNullOrEmpty() || other.IsNullOrEmpty()) return IsNullOrEmpty() && other.IsNullOrEmpty();
    if (FValue.index() == 5 || other.FValue.index() == 5) return AsString() == other.AsString();
    return AsFloat() == other.AsFloat();
}

Variant VarArrayOf(const std::vector<Variant>& values) { return Variant(values); }
