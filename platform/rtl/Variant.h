#pragma once
// A null-aware value as fields and lookups hand it around.
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"

#include <QString>
#include <variant>
#include <vector>

enum class TVarType { varEmpty, varNull, varInteger, varDouble, varCurrency, varString, varBoolean, varDate, varArray };

class Variant {
public:
    Variant() = default;  // unassigned (empty)
    Variant(int v) : FValue(qint64(v)) {}
    Variant(qint64 v) : FValue(v) {}
    Variant(double v) : FValue(v) {}
    Variant(Currency v) : FValue(v) {}
    Variant(const QString& v) : FValue(v) {}
    Variant(const char* v) : FValue(QString::fromUtf8(v)) {}
    Variant(bool v) : FValue(v) {}
    Variant(TDateTime v) : FValue(v) {}
    Variant(const std::vector<Variant>& arr) : FValue(arr) {}

    static Variant Null() { Variant v; v.FValue = NullTag{}; return v; }

    TVarType VarType() const;
    bool IsNull() const { return std::holds_alternative<NullTag>(FValue); }
    bool IsEmpty() const { return std::holds_alternative<EmptyTag>(FValue); }
    bool IsNullOrEmpty() const { return IsNull() || IsEmpty(); }
    bool IsArray() const { return std::holds_alternative<std::vector<Variant>>(FValue); }

    // Conversions follow the class library: null/empty read as 0, "" or false; a text that is
    // no number raises EVariantError ("Could not convert variant of type (String) into type (Double)").
    qint64 AsInt64() const;
    int AsInteger() const { return int(AsInt64()); }
    double AsFloat() const;
    Currency AsCurrency() const;
    QString AsString() const;
    bool AsBoolean() const;
    TDateTime AsDateTime() const;
    const std::vector<Variant>& AsArray() const;

    // Equality as lookups compare keys: same kind of value and equal; strings compare exactly.
    bool operator==(const Variant& other) const;
    bool operator!=(const Variant& other) const { return !(*this == other); }

private:
    struct NullTag { bool operator==(const NullTag&) const { return true; } };
    struct EmptyTag { bool operator==(const EmptyTag&) const { return true; } };
    std::variant<EmptyTag, NullTag, qint64, double, Currency, QString, bool, TDateTime, std::vector<Variant>> FValue;
    QString TypeName() const;
    [[noreturn]] void ConvertError(const char* target) const;
};

inline Variant Null() { return Variant::Null(); }
inline Variant Unassigned() { return Variant(); }
inline bool VarIsNull(const Variant& v) { return v.IsNullOrEmpty(); }
Variant VarArrayOf(const std::vector<Variant>& values);
