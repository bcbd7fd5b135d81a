#include "controls/visual/PropsStorage.h"

#include "controls/visual/StrHelpers.h"
#include "platform/classes/Collections.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace {

controls::visual::TOwnerLookup& OwnerLookup() {
    static controls::visual::TOwnerLookup lookup;
    return lookup;
}

bool IsTextKind(TTypeKind kind) { return kind == tkString || kind == tkLString || kind == tkWString || kind == tkWChar; }

int FloatPrecision(TFloatType type) {
    switch (type) {
    case ftSingle: return 7;
    case ftDouble: return 15;
    case ftExtended:
    case ftComp: return 18;
    case ftCurr: return 19;
    }
    return 15;
}

// A property of a component class holds a reference, stored by the component's name.
bool IsComponentReference(const TPropInfo* propInfo) { return propInfo->PropType && propInfo->PropType->IsComponent; }

int ClampCount(int count) { return std::clamp(count, 0, TPropsStorage::MaxStoredItems); }

// Swaps the object, prefix and section for a nested store and puts them back on leaving.
class NestedScope {
public:
    NestedScope(TPropsStorage& s, TObject* object, const QString& prefix, const QString& section)
        : S(s), OldObject(s.AObject()), OldPrefix(s.Prefix()), OldSection(s.Section()) {
        S.SetAObject(object);
        S.SetPrefix(prefix);
        S.SetSection(section);
    }
    ~NestedScope() {
        S.SetAObject(OldObject);
        S.SetPrefix(OldPrefix);
        S.SetSection(OldSection);
    }
    NestedScope(const NestedScope&) = delete;
    NestedScope& operator=(const NestedScope&) = delete;

private:
    TPropsStorage& S;
    TObject* OldObject;
    QString OldPrefix;
    QString OldSection;
};

// "Component.Property", both parts trimmed and not empty.
bool SplitLine(const QString& line, QString& component, QString& property) {
    const qsizetype dot = line.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    component = Trim(line.left(dot));
    property = Trim(line.mid(dot + 1));
    return !component.isEmpty() && !property.isEmpty();
}

}  // namespace

namespace controls::visual {
void SetStoredOwnerLookup(TOwnerLookup lookup) { OwnerLookup() = std::move(lookup); }
}  // namespace controls::visual

// ---- TPropInfoList ----

TPropInfoList::TPropInfoList(TObject* object, TTypeKinds filter) {
    if (object)
        FList = GetPropList(object, filter);
}

const TPropInfo* TPropInfoList::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FList[size_t(index)];
}

const TPropInfo* TPropInfoList::Find(const QString& name) const {
    for (const TPropInfo* p : FList)
        if (p->Name.compare(name, Qt::CaseInsensitive) == 0)
            return p;
    return nullptr;
}

// ---- TPropsStorage: the store ----

QString TPropsStorage::ReadString(const QString& section, const QString& item, const QString& defaultValue) {
    return OnReadString ? OnReadString(section, item, defaultValue) : QString();
}

void TPropsStorage::WriteString(const QString& section, const QString& item, const QString& value) {
    if (OnWriteString)
        OnWriteString(section, item, value);
}

void TPropsStorage::EraseSection(const QString& section) {
    if (OnEraseSection)
        OnEraseSection(section);
}

QString TPropsStorage::GetItemName(const QString& propName) { return FPrefix + propName; }

std::unique_ptr<TPropInfoList> TPropsStorage::CreateInfoList(TComponent* component, TTypeKinds filter) {
    return std::make_unique<TPropInfoList>(component, filter);
}

// ---- lists of stored properties ----

// Each line "Component.Property" of the list that names an existing property of a component of
// the root is handed to `action` with the key prefix set to the component's name.
void TPropsStorage::ForEachStoredProp(TComponent* root, TStrings* storedList,
                                      const std::function<void(const TPropInfo*)>& action) {
    if (!storedList)
        return;
    FRoot = root;
    for (int i = 0; i < storedList->Count(); ++i) {
        QString compName, propName;
        if (!SplitLine(storedList->Strings(i), compName, propName))
            continue;
        auto* component = dynamic_cast<TComponent*>(storedList->Objects(i));
        if (!component && root)
            component = root->FindComponent(compName);
        if (!component)
            continue;
        const auto props = CreateInfoList(component, tkStoredProps);
        const TPropInfo* info = props->Find(propName);
        if (!info)
            continue;
        NestedScope scope(*this, component, component->Name() + QLatin1Char('_'), FSection);
        action(info);
    }
}

void TPropsStorage::StoreObjectsProps(TComponent* root, TStrings* storedList) {
    ForEachStoredProp(root, storedList, [this](const TPropInfo* info) { StoreProperty(info); });
}

void TPropsStorage::LoadObjectsProps(TComponent* root, TStrings* storedList) {
    ForEachStoredProp(root, storedList, [this](const TPropInfo* info) { LoadProperty(info); });
}

// ---- one property ----

void TPropsStorage::StoreProperty(const TPropInfo* propInfo) {
    if (!propInfo || !FObject || !(tkStoredProps & (1u << propInfo->Kind())))
        return;
    const QString text = ValueText(propInfo);
    if (text.isEmpty() && !IsTextKind(propInfo->Kind()))
        return;
    WriteString(FSection, GetItemName(propInfo->Name), Trim(text));
}

void TPropsStorage::LoadProperty(const TPropInfo* propInfo) {
    if (!propInfo || !FObject || !(tkStoredProps & (1u << propInfo->Kind())))
        return;
    try {
        if (propInfo->Kind() == tkClass) {
            TObject* value = GetObjectProp(FObject, propInfo);
            if (IsComponentReference(propInfo))
                LoadComponent(propInfo, Trim(ReadString(FSection, GetItemName(propInfo->Name),
                                                         ComponentText(dynamic_cast<TComponent*>(value)))));
            else if (auto* list = dynamic_cast<TStrings*>(value))
                LoadStrings(propInfo, list);
            else if (auto* collection = dynamic_cast<TCollection*>(value))
                LoadCollection(propInfo, collection);
            else if (dynamic_cast<TPersistent*>(value))
                LoadAllProps(value, GetItemName(propInfo->Name));
            return;
        }
        const QString current = ValueText(propInfo);
        QString text;
        if (!current.isEmpty() || IsTextKind(propInfo->Kind()))
            text = Trim(ReadString(FSection, GetItemName(propInfo->Name), current));
        ApplyText(propInfo, text);
    } catch (const Exception&) {
        // A value the property does not take: it keeps its own, the others still load.
    }
}

// The text of the current value; lists, collections and nested objects write their own keys.
QString TPropsStorage::ValueText(const TPropInfo* propInfo) {
    const TTypeInfo* type = propInfo->PropType;
    switch (propInfo->Kind()) {
    case tkInteger:
        return QString::number(GetOrdProp(FObject, propInfo));
    case tkChar:
    case tkWChar:
        return QString(QChar(char16_t(GetOrdProp(FObject, propInfo))));
    case tkEnumeration:
        return GetEnumName(type, GetOrdProp(FObject, propInfo));
    case tkFloat: {
        QString s = FloatToStrF(GetFloatProp(FObject, propInfo), ffGeneral, FloatPrecision(type->FloatType), 0);
        return s.replace(FormatSettings.DecimalSeparator, QLatin1Char('.'));
    }
    case tkString:
    case tkLString:
    case tkWString:
        return GetStrProp(FObject, propInfo);
    case tkSet: {
        const unsigned bits = unsigned(GetOrdProp(FObject, propInfo));
        QStringList names;
        for (int i = 0; i < 32; ++i)
            if (bits & (1u << i))
                names << GetEnumName(type->CompType, i);
        return QLatin1Char('[') + names.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    case tkVariant:
        return GetVariantProp(FObject, propInfo).AsString();
    case tkClass: {
        TObject* value = GetObjectProp(FObject, propInfo);
        if (IsComponentReference(propInfo))
            return ComponentText(dynamic_cast<TComponent*>(value));
        if (auto* list = dynamic_cast<TStrings*>(value))
            StoreStrings(propInfo, list);
        else if (auto* collection = dynamic_cast<TCollection*>(value))
            StoreCollection(propInfo, collection);
        else if (dynamic_cast<TPersistent*>(value))
            StoreAllProps(value, GetItemName(propInfo->Name));
        return QString();
    }
    default:
        return QString();
    }
}

void TPropsStorage::ApplyText(const TPropInfo* propInfo, const QString& text) {
    const TTypeInfo* type = propInfo->PropType;
    switch (propInfo->Kind()) {
    case tkInteger:
        SetOrdProp(FObject, propInfo, StrToIntDef(text, 0));
        break;
    case tkChar:
    case tkWChar:
        if (!text.isEmpty())
            SetOrdProp(FObject, propInfo, text.at(0).unicode());
        break;
    case tkEnumeration: {
        const int value = GetEnumValue(type, text);
        if (value >= 0)
            SetOrdProp(FObject, propInfo, value);
        break;
    }
    case tkFloat: {
        QString s = text;
        s.replace(QLatin1Char('.'), FormatSettings.DecimalSeparator);
        SetFloatProp(FObject, propInfo, StrToFloat(s));
        break;
    }
    case tkString:
    case tkLString:
    case tkWString:
        SetStrProp(FObject, propInfo, text);
        break;
    case tkSet: {
        const TCharSet delims(" ,[]");
        unsigned bits = 0;
        const int words = WordCount(text, delims);
        for (int i = 1; i <= words; ++i) {
            const int element = GetEnumValue(type->CompType, ExtractWord(i, text, delims));
            if (element >= 0 && element <= 31)
                bits |= 1u << element;
        }
        SetOrdProp(FObject, propInfo, int(bits));
        break;
    }
    case tkVariant:
        SetVariantProp(FObject, propInfo, Variant(text));
        break;
    default:
        break;
    }
}

// ---- lists and collections ----

void TPropsStorage::StoreStrings(const TPropInfo* propInfo, TStrings* list) {
    const QString section = FSection + QLatin1Char('.') + GetItemName(propInfo->Name);
    EraseSection(section);
    if (list->Count() == 0)
        return;
    WriteString(section, QStringLiteral("Count"), QString::number(list->Count()));
    for (int i = 0; i < list->Count(); ++i)
        WriteString(section, QStringLiteral("Item%1").arg(i), list->Strings(i));
}

void TPropsStorage::LoadStrings(const TPropInfo* propInfo, TStrings* list) {
    const QString section = FSection + QLatin1Char('.') + GetItemName(propInfo->Name);
    const int count = ClampCount(StrToIntDef(ReadString(section, QStringLiteral("Count"), QStringLiteral("0")), 0));
    if (count <= 0)
        return;
    TStringList lines;
    for (int i = 0; i < count; ++i)
        lines.Add(ReadString(section, QStringLiteral("Item%1").arg(i), QString()));
    list->Assign(&lines);
}

void TPropsStorage::StoreCollection(const TPropInfo* propInfo, TCollection* collection) {
    const QString section = FSection + QLatin1Char('.') + GetItemName(propInfo->Name);
    WriteString(section, QStringLiteral("Count"), QString::number(collection->Count()));
    NestedScope scope(*this, FObject, FPrefix, section);
    for (int i = 0; i < collection->Count(); ++i)
        StoreAllProps(collection->Items(i), QStringLiteral("Item%1_").arg(i));
}

void TPropsStorage::LoadCollection(const TPropInfo* propInfo, TCollection* collection) {
    const QString section = FSection + QLatin1Char('.') + GetItemName(propInfo->Name);
    const int count = ClampCount(
        StrToIntDef(ReadString(section, QStringLiteral("Count"), QString::number(collection->Count())),
                    collection->Count()));
    NestedScope scope(*this, FObject, FPrefix, section);
    collection->BeginUpdate();
    try {
        if (count != collection->Count()) {
            collection->Clear();
            for (int i = 0; i < count; ++i)
                collection->Add();
        }
        for (int i = 0; i < collection->Count(); ++i)
            LoadAllProps(collection->Items(i), QStringLiteral("Item%1_").arg(i));
    } catch (...) {
        collection->EndUpdate();
        throw;
    }
    collection->EndUpdate();
}

void TPropsStorage::StoreAllProps(TObject* object, const QString& prefix) {
    NestedScope scope(*this, object, prefix, FSection);
    for (const TPropInfo* p : GetPropList(object, tkStoredProps))
        StoreProperty(p);
}

void TPropsStorage::LoadAllProps(TObject* object, const QString& prefix) {
    NestedScope scope(*this, object, prefix, FSection);
    for (const TPropInfo* p : GetPropList(object, tkStoredProps))
        LoadProperty(p);
}

// ---- component references ----

QString TPropsStorage::ComponentText(TComponent* component) const {
    if (!component)
        return QStringLiteral("(null)");
    TComponent* owner = component->Owner();
    if (owner == FRoot || !owner)
        return component->Name();
    QString ownerName = owner->Name();
    if (ownerName.isEmpty()) {
        ownerName = owner->ClassName();
        if (ownerName.startsWith(QLatin1Char('T')))
            ownerName.remove(0, 1);
    }
    return ownerName + QLatin1Char('.') + component->Name();
}

void TPropsStorage::LoadComponent(const TPropInfo* propInfo, const QString& text) {
    if (text.compare(QLatin1String("(null)"), Qt::CaseInsensitive) == 0) {
        SetObjectProp(FObject, propInfo, nullptr);
        return;
    }
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        SetObjectProp(FObject, propInfo, FRoot ? FRoot->FindComponent(text) : nullptr);
        return;
    }
    const QString ownerName = text.left(dot);
    TComponent* owner = nullptr;
    if (FRoot && FRoot->Name().compare(ownerName, Qt::CaseInsensitive) == 0)
        owner = FRoot;
    else if (OwnerLookup())
        owner = OwnerLookup()(ownerName);
    if (!owner)
        return;
    SetObjectProp(FObject, propInfo, owner->FindComponent(text.mid(dot + 1)));
}
