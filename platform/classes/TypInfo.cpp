#include "platform/classes/TypInfo.h"
#include "platform/classes/Collections.h"
#include "platform/classes/Strings.h"

#include <QHash>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace platform::classes {
namespace {

struct ClassEntry {
    std::type_index Type;
    std::type_index Base;
    QString ClassName;
    QString BaseName;
    std::function<bool(const TObject*)> IsInstance;
    std::vector<const TPropInfo*> Own;
    // Resolved on first look-up: the whole list with the bases' properties.
    bool Resolved = false;
    int Depth = 0;
    std::vector<const TPropInfo*> All;
};

struct Registry {
    std::recursive_mutex Mutex;
    // Records and types are never freed, so pointers handed out stay valid for the whole run.
    std::vector<std::unique_ptr<TPropInfo>> Props;
    std::vector<std::unique_ptr<TTypeInfo>> Types;
    std::unordered_map<std::type_index, std::unique_ptr<ClassEntry>> Classes;
    std::unordered_map<std::type_index, const ClassEntry*> NearestCache;
    std::unordered_map<std::type_index, const TTypeInfo*> Enums;
    std::map<const TTypeInfo*, const TTypeInfo*> Sets;
    std::map<std::pair<int, QString>, const TTypeInfo*> Named;
    std::unordered_map<std::type_index, const TTypeInfo*> ClassTypes;
    std::vector<std::unique_ptr<TComponentClass>> ComponentClasses;
    QHash<QString, const TComponentClass*> ComponentByName;  // upper-case name

    const TTypeInfo* AddType(TTypeInfo t) {
        Types.push_back(std::make_unique<TTypeInfo>(std::move(t)));
        return Types.back().get();
    }
};

Registry& Reg() {
    static Registry r;
    return r;
}

bool IsRoot(std::type_index t) { return t == std::type_index(typeid(TObject)) || t == std::type_index(typeid(TPersistent)); }

// Caller holds the mutex.
void Resolve(Registry& r, ClassEntry& e, int guard = 0) {
    if (e.Resolved) return;
    if (guard > 64) throw EPropertyError(QStringLiteral("Published classes form a cycle at %1").arg(e.ClassName));
    std::vector<const TPropInfo*> all;
    int depth = 0;
    if (!IsRoot(e.Base)) {
        auto it = r.Classes.find(e.Base);
        if (it == r.Classes.end())
            throw EPropertyError(QStringLiteral("%1 names %2 as its published base, which is not registered")
                                     .arg(e.ClassName, e.BaseName));
        Resolve(r, *it->second, guard + 1);
        all = it->second->All;
        depth = it->second->Depth + 1;
    }
    for (const TPropInfo* p : e.Own) {
        bool replaced = false;
        for (auto& q : all)
            if (q->Name.compare(p->Name, Qt::CaseInsensitive) == 0) {
                q = p;
                replaced = true;
                break;
            }
        if (!replaced) all.push_back(p);
    }
    e.All = std::move(all);
    e.Depth = depth;
    e.Resolved = true;
}

void EnsureBuiltins();

// The nearest registered class of the object's dynamic type, or null.
const ClassEntry* Nearest(const TObject* obj) {
    EnsureBuiltins();
    Registry& r = Reg();
    std::lock_guard lock(r.Mutex);
    const std::type_index t(typeid(*obj));
    if (auto c = r.NearestCache.find(t); c != r.NearestCache.end()) return c->second;
    ClassEntry* best = nullptr;
    if (auto exact = r.Classes.find(t); exact != r.Classes.end()) {
        best = exact->second.get();
        Resolve(r, *best);
    } else {
        for (auto& [type, entry] : r.Classes) {
            if (!entry->IsInstance(obj)) continue;
            Resolve(r, *entry);
            if (!best || entry->Depth > best->Depth) best = entry.get();
        }
    }
    r.NearestCache[t] = best;
    return best;
}

void EnsureBuiltins() {
    static std::once_flag once;
    std::call_once(once, [] {
        using P = Prop<TComponent>;
        RegisterClassProps<TComponent, TPersistent>({
            P::Str(QStringLiteral("Name"), &TComponent::Name, &TComponent::SetName),
            P::Int(QStringLiteral("Tag"), &TComponent::Tag, &TComponent::SetTag),
        });
        // Bases that publish nothing themselves but that published classes derive from.
        RegisterClassProps<TCollection, TPersistent>({});
        RegisterClassProps<TCollectionItem, TPersistent>({});
        RegisterClassProps<TStrings, TPersistent>({});
    });
}

const TPropInfo* Need(const TObject* instance, const QString& propName) {
    const TPropInfo* p = GetPropInfo(instance, propName);
    if (!p) throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(propName));
    return p;
}

void Check(const TObject* instance, const TPropInfo* p, TTypeKinds kinds) {
    if (!instance || !p) throw EPropertyError(QStringLiteral("Invalid property type"));
    if (!(kinds & (1u << p->Kind()))) throw EPropertyError(QStringLiteral("Invalid property type: %1").arg(p->Name));
}

constexpr TTypeKinds OrdinalKinds = TypeKinds({tkInteger, tkChar, tkWChar, tkEnumeration, tkSet});
constexpr TTypeKinds StringKinds = TypeKinds({tkString, tkLString, tkWString});

const TTypeInfo* SetElements(const TTypeInfo* setType) {
    if (!setType) return nullptr;
    return setType->Kind == tkSet ? setType->CompType : setType;
}

}  // namespace

const TTypeInfo* EnumTypeFor(std::type_index type, const QString& typeName, const QStringList& names) {
    Registry& r = Reg();
    std::lock_guard lock(r.Mutex);
    if (auto it = r.Enums.find(type); it != r.Enums.end()) return it->second;
    TTypeInfo t;
    t.Kind = tkEnumeration;
    t.Name = typeName;
    t.EnumNames = names;
    t.MinValue = 0;
    t.MaxValue = int(names.size()) - 1;
    const TTypeInfo* p = r.AddType(std::move(t));
    r.Enums[type] = p;
    return p;
}

const TTypeInfo* FindEnumType(std::type_index type) {
    Registry& r = Reg();
    std::lock_guard lock(r.Mutex);
    auto it = r.Enums.find(type);
    return it == r.Enums.end() ? nullptr : it->second;
}

const TTypeInfo* NamedTypeInfo(TTypeKind kind, const QString& name, TFloatType floatType) {
    Registry& r = Reg();
    std::lock_guard lock(r.Mutex);
    auto key = std::make_pair(int(kind), name);
    if (auto it = r.Named.find(key); it != r.Named.end()) return it->second;
    TTypeInfo t;
    t.Kind = kind;
    t.Name = name;
    t.FloatType = floatType;
    const TTypeInfo* p = r.AddType(std::move(t));
    r.Named[key] = p;
    return p;
}

const TTypeInfo* SimpleTypeInfo(TTypeKind kind, TFloatType floatType) {
    switch (kind) {
    case tkInteger: return NamedTypeInfo(kind, QStringLiteral("Integer"));
    case tkChar: return NamedTypeInfo(kind, QStringLiteral("Char"));
    case tkString: return NamedTypeInfo(kind, QStringLiteral("string"));
    case tkVariant: return NamedTypeInfo(kind, QStringLiteral("Variant"));
    case tkFloat: {
        static const char* const names[] = {"Single", "Double", "Extended", "Comp", "Currency"};
        return NamedTypeInfo(kind, QString::fromLatin1(names[floatType]), floatType);
    }
    default: return NamedTypeInfo(kind, QString());
    }
}

const TTypeInfo* ClassTypeFor(std::type_index type, const QString& name, std::function<bool(const TObject*)> isInstance,
                              bool isComponent) {
    Registry& r = Reg();
    std::lock_guard lock(r.Mutex);
    if (auto it = r.ClassTypes.find(type); it != r.ClassTypes.end()) return it->second;
    TTypeInfo t;
    t.Kind = tkClass;
    t.Name = name;
    t.IsInstance = std::move(isInstance);
    t.IsComponent = isComponent;
    const TTypeInfo* p = r.AddType(std::move(t));
    r.ClassTypes[type] = p;
    return p;
}

void RegisterClassPropsImpl(std::type_index type, std::type_index base, const QString& className, const QString& baseName,
                            std::function<bool(const TObject*)> isInstance, std::vector<TPropInfo> props) {
    Registry& r = Reg();
    std::lock_guard lock(r.Mutex);
    auto entry = std::make_unique<ClassEntry>(ClassEntry{type, base, className, baseName, std::move(isInstance), {}, false, 0, {}});
    for (TPropInfo& p : props) {
        r.Props.push_back(std::make_unique<TPropInfo>(std::move(p)));
        entry->Own.push_back(r.Props.back().get());
    }
    r.Classes[type] = std::move(entry);
    // Lists of derived classes include ours: resolve everything again.
    for (auto& [t, e] : r.Classes) e->Resolved = false;
    r.NearestCache.clear();
}

void RegisterClassImpl(const QString& name, std::type_index type, std::function<TComponent*(TComponent*)> create) {
    Registry& r = Reg();
    std::lock_guard lock(r.Mutex);
    const QString key = name.toUpper();
    if (const TComponentClass* old = r.ComponentByName.value(key)) {
        if (old->Type() == type) return;
        throw EFilerError(QStringLiteral("A class named %1 already exists").arg(name));
    }
    r.ComponentClasses.push_back(std::make_unique<TComponentClass>(name, type, std::move(create)));
    r.ComponentByName.insert(key, r.ComponentClasses.back().get());
}

[[noreturn]] void ReadOnlyError(const QString& propName) {
    throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(propName));
}

}  // namespace platform::classes

using namespace platform::classes;

const TTypeInfo* BooleanTypeInfo() {
    static const TTypeInfo* t = EnumTypeFor(typeid(bool), QStringLiteral("Boolean"), {QStringLiteral("False"), QStringLiteral("True")});
    return t;
}

const TTypeInfo* SetTypeInfo(const TTypeInfo* elementType) {
    Registry& r = Reg();
    std::lock_guard lock(r.Mutex);
    if (auto it = r.Sets.find(elementType); it != r.Sets.end()) return it->second;
    TTypeInfo t;
    t.Kind = tkSet;
    t.Name = QStringLiteral("set of ") + (elementType ? elementType->Name : QString());
    t.CompType = elementType;
    const TTypeInfo* p = r.AddType(std::move(t));
    r.Sets[elementType] = p;
    return p;
}

QString GetEnumName(const TTypeInfo* typeInfo, int value) {
    if (!typeInfo || typeInfo->Kind != tkEnumeration) return QString();
    if (value < typeInfo->MinValue || value > typeInfo->MaxValue) return QString();
    return typeInfo->EnumNames.value(value - typeInfo->MinValue);
}

int GetEnumValue(const TTypeInfo* typeInfo, const QString& name) {
    if (!typeInfo || typeInfo->Kind != tkEnumeration) return -1;
    for (int i = 0; i < typeInfo->EnumNames.size(); ++i)
        if (typeInfo->EnumNames[i].compare(name, Qt::CaseInsensitive) == 0) return typeInfo->MinValue + i;
    return -1;
}

QString SetToString(const TTypeInfo* setType, int value, bool brackets) {
    const TTypeInfo* elements = SetElements(setType);
    QStringList names;
    for (int i = 0; i < 32; ++i) {
        if (!(quint32(value) & (1u << i))) continue;
        QString n = GetEnumName(elements, i);
        if (!n.isEmpty()) names << n;
    }
    QString s = names.join(QLatin1Char(','));
    return brackets ? QLatin1Char('[') + s + QLatin1Char(']') : s;
}

int StringToSet(const TTypeInfo* setType, const QString& text) {
    const TTypeInfo* elements = SetElements(setType);
    quint32 result = 0;
    QString word;
    auto flush = [&] {
        if (word.isEmpty()) return;
        int v = GetEnumValue(elements, word);
        if (v < 0 || v > 31) throw EPropertyError(QStringLiteral("Invalid property element: %1").arg(word));
        result |= 1u << v;
        word.clear();
    };
    for (QChar c : text) {
        if (c == QLatin1Char(',') || c == QLatin1Char('[') || c == QLatin1Char(']') || c.isSpace()) flush();
        else word += c;
    }
    flush();
    return int(result);
}

TPropList GetPropList(const TObject* instance, TTypeKinds kinds) {
    TPropList list;
    if (!instance) return list;
    EnsureBuiltins();
    // One lock over the look-up and the copy, so a registration meanwhile cannot mix lists.
    std::lock_guard lock(Reg().Mutex);
    const ClassEntry* e = Nearest(instance);
    if (!e) return list;
    for (const TPropInfo* p : e->All)
        if (kinds & (1u << p->Kind())) list.push_back(p);
    return list;
}

const TPropInfo* GetPropInfo(const TObject* instance, const QString& propName, TTypeKinds kinds) {
    for (const TPropInfo* p : GetPropList(instance, kinds))
        if (p->Name.compare(propName, Qt::CaseInsensitive) == 0) return p;
    return nullptr;
}

bool IsPublishedProp(const TObject* instance, const QString& propName) { return GetPropInfo(instance, propName) != nullptr; }

TTypeKind PropType(const TObject* instance, const QString& propName) { return Need(instance, propName)->Kind(); }

int GetOrdProp(TObject* instance, const TPropInfo* propInfo) {
    Check(instance, propInfo, OrdinalKinds);
    return propInfo->GetOrd(instance);
}

void SetOrdProp(TObject* instance, const TPropInfo* propInfo, int value) {
    Check(instance, propInfo, OrdinalKinds);
    if (!propInfo->SetOrd) ReadOnlyError(propInfo->Name);
    const TTypeInfo* t = propInfo->PropType;
    if (t->Kind == tkEnumeration && (value < t->MinValue || value > t->MaxValue))
        throw EPropertyError(QStringLiteral("Invalid property value"));
    propInfo->SetOrd(instance, value);
}

double GetFloatProp(TObject* instance, const TPropInfo* propInfo) {
    Check(instance, propInfo, TypeKinds({tkFloat}));
    return propInfo->GetFloat(instance);
}

void SetFloatProp(TObject* instance, const TPropInfo* propInfo, double value) {
    Check(instance, propInfo, TypeKinds({tkFloat}));
    if (!propInfo->SetFloat) ReadOnlyError(propInfo->Name);
    propInfo->SetFloat(instance, value);
}

QString GetStrProp(TObject* instance, const TPropInfo* propInfo) {
    Check(instance, propInfo, StringKinds);
    return propInfo->GetStr(instance);
}

void SetStrProp(TObject* instance, const TPropInfo* propInfo, const QString& value) {
    Check(instance, propInfo, StringKinds);
    if (!propInfo->SetStr) ReadOnlyError(propInfo->Name);
    propInfo->SetStr(instance, value);
}

TObject* GetObjectProp(TObject* instance, const TPropInfo* propInfo) {
    Check(instance, propInfo, TypeKinds({tkClass}));
    return propInfo->GetObj(instance);
}

void SetObjectProp(TObject* instance, const TPropInfo* propInfo, TObject* value) {
    Check(instance, propInfo, TypeKinds({tkClass}));
    if (!propInfo->SetObj) ReadOnlyError(propInfo->Name);
    if (value && !propInfo->PropType->IsInstance(value))
        throw EPropertyError(QStringLiteral("Invalid property value"));
    propInfo->SetObj(instance, value);
}

Variant GetVariantProp(TObject* instance, const TPropInfo* propInfo) {
    Check(instance, propInfo, TypeKinds({tkVariant}));
    return propInfo->GetVar(instance);
}

void SetVariantProp(TObject* instance, const TPropInfo* propInfo, const Variant& value) {
    Check(instance, propInfo, TypeKinds({tkVariant}));
    if (!propInfo->SetVar) ReadOnlyError(propInfo->Name);
    propInfo->SetVar(instance, value);
}

QString GetEnumProp(TObject* instance, const TPropInfo* propInfo) {
    Check(instance, propInfo, TypeKinds({tkEnumeration}));
    return GetEnumName(propInfo->PropType, propInfo->GetOrd(instance));
}

void SetEnumProp(TObject* instance, const TPropInfo* propInfo, const QString& value) {
    Check(instance, propInfo, TypeKinds({tkEnumeration}));
    int v = GetEnumValue(propInfo->PropType, value);
    if (v < 0) throw EPropertyError(QStringLiteral("Invalid property element: %1").arg(value));
    SetOrdProp(instance, propInfo, v);
}

QString GetSetProp(TObject* instance, const TPropInfo* propInfo, bool brackets) {
    Check(instance, propInfo, TypeKinds({tkSet}));
    return SetToString(propInfo->PropType, propInfo->GetOrd(instance), brackets);
}

void SetSetProp(TObject* instance, const TPropInfo* propInfo, const QString& value) {
    Check(instance, propInfo, TypeKinds({tkSet}));
    SetOrdProp(instance, propInfo, StringToSet(propInfo->PropType, value));
}

int GetOrdProp(TObject* instance, const QString& propName) { return GetOrdProp(instance, Need(instance, propName)); }
void SetOrdProp(TObject* instance, const QString& propName, int value) { SetOrdProp(instance, Need(instance, propName), value); }
double GetFloatProp(TObject* instance, const QString& propName) { return GetFloatProp(instance, Need(instance, propName)); }
void SetFloatProp(TObject* instance, const QString& propName, double value) { SetFloatProp(instance, Need(instance, propName), value); }
QString GetStrProp(TObject* instance, const QString& propName) { return GetStrProp(instance, Need(instance, propName)); }
void SetStrProp(TObject* instance, const QString& propName, const QString& value) { SetStrProp(instance, Need(instance, propName), value); }
TObject* GetObjectProp(TObject* instance, const QString& propName) { return GetObjectProp(instance, Need(instance, propName)); }
void SetObjectProp(TObject* instance, const QString& propName, TObject* value) { SetObjectProp(instance, Need(instance, propName), value); }
Variant GetVariantProp(TObject* instance, const QString& propName) { return GetVariantProp(instance, Need(instance, propName)); }
void SetVariantProp(TObject* instance, const QString& propName, const Variant& value) { SetVariantProp(instance, Need(instance, propName), value); }
QString GetEnumProp(TObject* instance, const QString& propName) { return GetEnumProp(instance, Need(instance, propName)); }
void SetEnumProp(TObject* instance, const QString& propName, const QString& value) { SetEnumProp(instance, Need(instance, propName), value); }
QString GetSetProp(TObject* instance, const QString& propName, bool brackets) { return GetSetProp(instance, Need(instance, propName), brackets); }
void SetSetProp(TObject* instance, const QString& propName, const QString& value) { SetSetProp(instance, Need(instance, propName), value); }

const TComponentClass* GetClass(const QString& className) {
    Registry& r = Reg();
    std::lock_guard lock(r.Mutex);
    return r.ComponentByName.value(className.toUpper());
}

const TComponentClass* FindClass(const QString& className) {
    const TComponentClass* c = GetClass(className);
    if (!c) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(className));
    return c;
}
