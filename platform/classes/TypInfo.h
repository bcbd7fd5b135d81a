#pragma once
// Published properties: run-time type information that lets property storage list an object's
// properties by name and read or write them without knowing its class, and a registry of
// component classes by name.
//
// Classes publish their properties once, usually from a static initialiser or the start of the
// program, base class first or not (the chain is resolved at look-up):
//
//   using P = Prop<TFoo>;
//   RegisterClassProps<TFoo, TComponent>({
//       P::Int("Width", &TFoo::Width, &TFoo::SetWidth),
//       P::Enum("Align", &TFoo::Align, &TFoo::SetAlign, {"alNone", "alTop", "alBottom"}),
//       P::Class("Lines", &TFoo::Lines, &TFoo::SetLines),
//       P::Method("OnClick"),
//   });
//
// Accessors are member functions or callables taking (TFoo*) and (TFoo*, value); a null setter
// makes the property read-only. The base named must itself be registered (TObject and TPersistent
// are the roots; TComponent publishes Name and Tag; TCollection, TCollectionItem and TStrings are
// registered with nothing of their own). An object's list is that of the nearest
// registered class of its dynamic type: base properties first, each class in declaration order;
// a class that publishes a name again replaces the base's property in its place.
#include "platform/classes/Component.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"

#include <QChar>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <type_traits>
#include <typeindex>
#include <vector>

// The kinds of the class library. QString is the one text type, so strings are always tkString
// and characters tkChar; the wide and long kinds exist for code that names them.
enum TTypeKind {
    tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
    tkWChar, tkLString, tkWString, tkVariant
};
using TTypeKinds = unsigned;  // a set of TTypeKind
constexpr TTypeKinds TypeKinds(std::initializer_list<TTypeKind> kinds) {
    TTypeKinds s = 0;
    for (TTypeKind k : kinds) s |= 1u << k;
    return s;
}
inline constexpr TTypeKinds tkAny = (1u << (tkVariant + 1)) - 1;
inline constexpr TTypeKinds tkMethods = 1u << tkMethod;
inline constexpr TTypeKinds tkProperties = tkAny & ~tkMethods;

// Decides the precision with which a float property is stored.
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

struct TTypeInfo {
    TTypeKind Kind = tkUnknown;
    QString Name;                 // "Integer", "TAlign", "TStrings", "set of TPlacementOption"...
    QStringList EnumNames;        // enumerations: the name of each value from MinValue
    int MinValue = 0;
    int MaxValue = 0;
    TFloatType FloatType = ftDouble;
    const TTypeInfo* CompType = nullptr;  // sets: the element enumeration
    std::function<bool(const TObject*)> IsInstance;  // classes: whether an object is of the declared class
    bool IsComponent = false;     // classes: the declared class is a component (a reference, stored by name)
};

// "" for a value outside the enumeration.
QString GetEnumName(const TTypeInfo* typeInfo, int value);
// The first value whose name equals `name` ignoring case, from the lowest; -1 when none.
int GetEnumValue(const TTypeInfo* typeInfo, const QString& name);
// Element names of the members, lowest bit first, separated by ","; "[...]" with brackets.
QString SetToString(const TTypeInfo* setType, int value, bool brackets = false);
// The reverse; blanks and brackets are allowed; an unknown name raises EPropertyError.
int StringToSet(const TTypeInfo* setType, const QString& text);

// Boolean is the enumeration False, True.
const TTypeInfo* BooleanTypeInfo();
// The enumeration type of E, registered on first use with its names (later names are ignored).
template <class E> const TTypeInfo* RegisterEnumType(const QStringList& names);
// The registered enumeration type of E, or null.
template <class E> const TTypeInfo* EnumTypeInfo();
// The set type whose elements are those of `elementType` (values 0 to 31).
const TTypeInfo* SetTypeInfo(const TTypeInfo* elementType);

class TPropInfo {
public:
    QString Name;
    const TTypeInfo* PropType = nullptr;
    QString ClassName;  // the class that published it

    TTypeKind Kind() const { return PropType ? PropType->Kind : tkUnknown; }
    bool IsWritable() const { return bool(SetOrd || SetFloat || SetStr || SetObj || SetVar); }

    // Type-erased accessors; only those of the property's kind are set.
    std::function<int(TObject*)> GetOrd;
    std::function<void(TObject*, int)> SetOrd;
    std::function<double(TObject*)> GetFloat;
    std::function<void(TObject*, double)> SetFloat;
    std::function<QString(TObject*)> GetStr;
    std::function<void(TObject*, const QString&)> SetStr;
    std::function<TObject*(TObject*)> GetObj;
    std::function<void(TObject*, TObject*)> SetObj;
    std::function<Variant(TObject*)> GetVar;
    std::function<void(TObject*, const Variant&)> SetVar;
};

using TPropList = std::vector<const TPropInfo*>;

// Properties of the object's class whose kind is in `kinds`, in the order described above.
TPropList GetPropList(const TObject* instance, TTypeKinds kinds = tkAny);
// By name, ignoring case; null when there is none.
const TPropInfo* GetPropInfo(const TObject* instance, const QString& propName, TTypeKinds kinds = tkAny);
bool IsPublishedProp(const TObject* instance, const QString& propName);
TTypeKind PropType(const TObject* instance, const QString& propName);  // raises EPropertyError when absent

// Getters and setters. A property of another kind raises EPropertyError ("Invalid property type"),
// as does writing a read-only property or naming a property that does not exist.
int GetOrdProp(TObject* instance, const TPropInfo* propInfo);  // integer, char, enumeration, set
void SetOrdProp(TObject* instance, const TPropInfo* propInfo, int value);
double GetFloatProp(TObject* instance, const TPropInfo* propInfo);
void SetFloatProp(TObject* instance, const TPropInfo* propInfo, double value);
QString GetStrProp(TObject* instance, const TPropInfo* propInfo);
void SetStrProp(TObject* instance, const TPropInfo* propInfo, const QString& value);
TObject* GetObjectProp(TObject* instance, const TPropInfo* propInfo);
// An object that is not of the property's class raises EPropertyError; null is allowed.
void SetObjectProp(TObject* instance, const TPropInfo* propInfo, TObject* value);
Variant GetVariantProp(TObject* instance, const TPropInfo* propInfo);
void SetVariantProp(TObject* instance, const TPropInfo* propInfo, const Variant& value);
QString GetEnumProp(TObject* instance, const TPropInfo* propInfo);
// An unknown name raises EPropertyError.
void SetEnumProp(TObject* instance, const TPropInfo* propInfo, const QString& value);
QString GetSetProp(TObject* instance, const TPropInfo* propInfo, bool brackets = false);
void SetSetProp(TObject* instance, const TPropInfo* propInfo, const QString& value);

int GetOrdProp(TObject* instance, const QString& propName);
void SetOrdProp(TObject* instance, const QString& propName, int value);
double GetFloatProp(TObject* instance, const QString& propName);
void SetFloatProp(TObject* instance, const QString& propName, double value);
QString GetStrProp(TObject* instance, const QString& propName);
void SetStrProp(TObject* instance, const QString& propName, const QString& value);
TObject* GetObjectProp(TObject* instance, const QString& propName);
void SetObjectProp(TObject* instance, const QString& propName, TObject* value);
Variant GetVariantProp(TObject* instance, const QString& propName);
void SetVariantProp(TObject* instance, const QString& propName, const Variant& value);
QString GetEnumProp(TObject* instance, const QString& propName);
void SetEnumProp(TObject* instance, const QString& propName, const QString& value);
QString GetSetProp(TObject* instance, const QString& propName, bool brackets = false);
void SetSetProp(TObject* instance, const QString& propName, const QString& value);

namespace platform::classes {

const TTypeInfo* EnumTypeFor(std::type_index type, const QString& typeName, const QStringList& names);
const TTypeInfo* FindEnumType(std::type_index type);
const TTypeInfo* SimpleTypeInfo(TTypeKind kind, TFloatType floatType = ftDouble);
const TTypeInfo* NamedTypeInfo(TTypeKind kind, const QString& name, TFloatType floatType = ftDouble);
const TTypeInfo* ClassTypeFor(std::type_index type, const QString& name, std::function<bool(const TObject*)> isInstance,
                              bool isComponent);
void RegisterClassPropsImpl(std::type_index type, std::type_index base, const QString& className, const QString& baseName,
                            std::function<bool(const TObject*)> isInstance, std::vector<TPropInfo> props);
[[noreturn]] void ReadOnlyError(const QString& propName);

template <class T> struct FloatTypeOf { static constexpr TFloatType value = ftDouble; };
template <> struct FloatTypeOf<float> { static constexpr TFloatType value = ftSingle; };
template <> struct FloatTypeOf<long double> { static constexpr TFloatType value = ftExtended; };
template <> struct FloatTypeOf<Currency> { static constexpr TFloatType value = ftCurr; };

}  // namespace platform::classes

template <class E> const TTypeInfo* RegisterEnumType(const QStringList& names) {
    static_assert(std::is_enum_v<E>, "an enumeration type");
    return platform::classes::EnumTypeFor(typeid(E), platform::rtl::DemangledClassName(typeid(E)), names);
}

template <class E> const TTypeInfo* EnumTypeInfo() { return platform::classes::FindEnumType(typeid(E)); }

// Builders of the property records of class C.
template <class C>
struct Prop {
    static C* Self(TObject* o) {
        C* c = dynamic_cast<C*>(o);
        if (!c) throw EPropertyError(QStringLiteral("Invalid property type"));
        return c;
    }
    template <class G> using ValueOf = std::decay_t<std::invoke_result_t<G, C*>>;

    template <class G, class S>
    static TPropInfo Int(const QString& name, G get, S set) {
        return Ordinal(name, platform::classes::SimpleTypeInfo(tkInteger), get, set);
    }
    template <class G, class S>
    static TPropInfo Char(const QString& name, G get, S set) {
        TPropInfo p = Base(name, platform::classes::SimpleTypeInfo(tkChar));
        p.GetOrd = [get](TObject* o) { return int(QChar(std::invoke(get, Self(o))).unicode()); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetOrd = [set](TObject* o, int v) { std::invoke(set, Self(o), QChar(char16_t(v))); };
        return p;
    }
    template <class G, class S>
    static TPropInfo Bool(const QString& name, G get, S set) {
        return Ordinal(name, BooleanTypeInfo(), get, set);
    }
    // The enumeration E (the getter's type) with its value names from 0.
    template <class G, class S>
    static TPropInfo Enum(const QString& name, G get, S set, std::initializer_list<const char*> names) {
        QStringList list;
        for (const char* n : names) list << QString::fromUtf8(n);
        return Ordinal(name, RegisterEnumType<ValueOf<G>>(list), get, set);
    }
    template <class G, class S>
    static TPropInfo Enum(const QString& name, G get, S set, const TTypeInfo* enumType) {
        return Ordinal(name, enumType, get, set);
    }
    // A set held as a bit mask (an integer or enumeration type): bit i is element i.
    template <class G, class S>
    static TPropInfo Set(const QString& name, G get, S set, const TTypeInfo* elementType) {
        return Ordinal(name, SetTypeInfo(elementType), get, set);
    }
    // float, double, long double, Currency or TDateTime; the float type follows the C++ type.
    template <class G, class S>
    static TPropInfo Float(const QString& name, G get, S set) {
        using R = ValueOf<G>;
        const TTypeInfo* t = std::is_same_v<R, TDateTime>
                                 ? platform::classes::NamedTypeInfo(tkFloat, QStringLiteral("TDateTime"))
                                 : platform::classes::SimpleTypeInfo(tkFloat, platform::classes::FloatTypeOf<R>::value);
        return Float(name, get, set, t);
    }
    // With an explicit float type (ftComp for a 64-bit integer kept as a float...).
    template <class G, class S>
    static TPropInfo Float(const QString& name, G get, S set, TFloatType floatType) {
        return Float(name, get, set, platform::classes::SimpleTypeInfo(tkFloat, floatType));
    }
    template <class G, class S>
    static TPropInfo Str(const QString& name, G get, S set) {
        TPropInfo p = Base(name, platform::classes::SimpleTypeInfo(tkString));
        p.GetStr = [get](TObject* o) { return QString(std::invoke(get, Self(o))); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetStr = [set](TObject* o, const QString& v) { std::invoke(set, Self(o), v); };
        return p;
    }
    // An object property; the getter's pointer type is the declared class.
    template <class G, class S>
    static TPropInfo Class(const QString& name, G get, S set) {
        using T = std::remove_pointer_t<ValueOf<G>>;
        static_assert(std::is_base_of_v<TObject, T>, "a pointer to a TObject descendant");
        TPropInfo p = Base(name, platform::classes::ClassTypeFor(typeid(T), platform::rtl::DemangledClassName(typeid(T)),
                                                                   [](const TObject* x) { return dynamic_cast<const T*>(x) != nullptr; },
                                                                   std::is_base_of_v<TComponent, T>));
        p.GetObj = [get](TObject* o) -> TObject* { return std::invoke(get, Self(o)); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetObj = [set](TObject* o, TObject* v) { std::invoke(set, Self(o), dynamic_cast<T*>(v)); };
        return p;
    }
    // An event: listed so storage can skip it; no accessors.
    static TPropInfo Method(const QString& name, const QString& typeName = QStringLiteral("TNotifyEvent")) {
        return Base(name, platform::classes::NamedTypeInfo(tkMethod, typeName));
    }
    template <class G, class S>
    static TPropInfo Var(const QString& name, G get, S set) {
        TPropInfo p = Base(name, platform::classes::SimpleTypeInfo(tkVariant));
        p.GetVar = [get](TObject* o) { return Variant(std::invoke(get, Self(o))); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetVar = [set](TObject* o, const Variant& v) { std::invoke(set, Self(o), v); };
        return p;
    }

private:
    static TPropInfo Base(const QString& name, const TTypeInfo* type) {
        TPropInfo p;
        p.Name = name;
        p.PropType = type;
        p.ClassName = platform::rtl::DemangledClassName(typeid(C));
        return p;
    }
    template <class G, class S>
    static TPropInfo Ordinal(const QString& name, const TTypeInfo* type, G get, S set) {
        using R = ValueOf<G>;
        static_assert(std::is_integral_v<R> || std::is_enum_v<R>, "an integer, boolean or enumeration value");
        TPropInfo p = Base(name, type);
        p.GetOrd = [get](TObject* o) { return int(std::invoke(get, Self(o))); };
        if constexpr (!std::is_null_pointer_v<S>) {
            if constexpr (std::is_same_v<R, bool>)
                p.SetOrd = [set](TObject* o, int v) { std::invoke(set, Self(o), v != 0); };
            else
                p.SetOrd = [set](TObject* o, int v) { std::invoke(set, Self(o), static_cast<R>(v)); };
        }
        return p;
    }
    template <class G, class S>
    static TPropInfo Float(const QString& name, G get, S set, const TTypeInfo* type) {
        using R = ValueOf<G>;
        TPropInfo p = Base(name, type);
        p.GetFloat = [get](TObject* o) { return static_cast<double>(std::invoke(get, Self(o))); };
        if constexpr (!std::is_null_pointer_v<S>)
            p.SetFloat = [set](TObject* o, double v) { std::invoke(set, Self(o), R(v)); };
        return p;
    }
};

// Publishes the properties of C, whose published base is Base.
template <class C, class Base>
void RegisterClassProps(std::vector<TPropInfo> props) {
    static_assert(std::is_base_of_v<Base, C> && std::is_base_of_v<TObject, Base>, "Base must be a base of C");
    platform::classes::RegisterClassPropsImpl(typeid(C), typeid(Base), platform::rtl::DemangledClassName(typeid(C)),
                                              platform::rtl::DemangledClassName(typeid(Base)),
                                              [](const TObject* o) { return dynamic_cast<const C*>(o) != nullptr; },
                                              std::move(props));
}

// ---- Component classes by name ----

ZB_EXCEPTION(EClassNotFound, EFilerError)

class TComponentClass {
public:
    TComponentClass(QString name, std::type_index type, std::function<TComponent*(TComponent*)> create)
        : FName(std::move(name)), FType(type), FCreate(std::move(create)) {}
    const QString& ClassName() const { return FName; }
    std::type_index Type() const { return FType; }
    // A new component of this class owned by `owner`.
    TComponent* Create(TComponent* owner) const { return FCreate(owner); }

private:
    QString FName;
    std::type_index FType;
    std::function<TComponent*(TComponent*)> FCreate;
};

namespace platform::classes {
void RegisterClassImpl(const QString& name, std::type_index type, std::function<TComponent*(TComponent*)> create);
}

// Registers T (a component constructible from its owner) under its class name.
template <class T>
void RegisterClass() {
    static_assert(std::is_base_of_v<TComponent, T>, "a component class");
    platform::classes::RegisterClassImpl(platform::rtl::DemangledClassName(typeid(T)), typeid(T),
                                         [](TComponent* owner) -> TComponent* { return new T(owner); });
}
template <class... T>
void RegisterClasses() { (RegisterClass<T>(), ...); }

// By class name, ignoring case; null when not registered.
const TComponentClass* GetClass(const QString& className);
// As GetClass, but raises EClassNotFound ("Class TFoo not found").
const TComponentClass* FindClass(const QString& className);
