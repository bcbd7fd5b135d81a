#pragma once
// Published properties of components written as text values into a section/key store and read
// back. The store is reached only through three callbacks, so ini files and the registry share
// this code.
#include "platform/classes/TypInfo.h"

#include <QString>
#include <functional>
#include <memory>

class TStrings;
class TCollection;

// The published properties of one object whose kinds are in a filter set.
class TPropInfoList : public TObject {
public:
    TPropInfoList(TObject* object, TTypeKinds filter);
    int Count() const { return int(FList.size()); }
    const TPropInfo* Items(int index) const;
    // Ignoring case, the first match; null when there is none.
    const TPropInfo* Find(const QString& name) const;

private:
    TPropList FList;
};

using TReadStrEvent = std::function<QString(const QString& section, const QString& key, const QString& defaultValue)>;
using TWriteStrEvent = std::function<void(const QString& section, const QString& key, const QString& value)>;
using TEraseSectEvent = std::function<void(const QString& section)>;

// The kinds of property that are stored; events and unknown kinds are left out.
inline constexpr TTypeKinds tkStoredProps =
    TypeKinds({tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkWChar, tkLString, tkWString,
               tkVariant});

class TPropsStorage : public TObject {
public:
    TPropsStorage() = default;

    TObject* AObject() const { return FObject; }
    void SetAObject(TObject* value) { FObject = value; }
    TComponent* Root() const { return FRoot; }
    void SetRoot(TComponent* value) { FRoot = value; }
    QString Prefix() const { return FPrefix; }
    void SetPrefix(const QString& value) { FPrefix = value; }
    QString Section() const { return FSection; }
    void SetSection(const QString& value) { FSection = value; }

    TReadStrEvent OnReadString;
    TWriteStrEvent OnWriteString;
    TEraseSectEvent OnEraseSection;

    // Each line "Component.Property" of the list: the property is written under the key
    // "Component_Property" of Section (lists and collections in sections of their own).
    void StoreObjectsProps(TComponent* root, TStrings* storedList);
    void LoadObjectsProps(TComponent* root, TStrings* storedList);
    // One property of AObject. Loading never raises: a value that cannot be converted leaves the
    // property as it was.
    void StoreProperty(const TPropInfo* propInfo);
    void LoadProperty(const TPropInfo* propInfo);

    virtual QString ReadString(const QString& section, const QString& item, const QString& defaultValue);
    virtual void WriteString(const QString& section, const QString& item, const QString& value);
    virtual void EraseSection(const QString& section);
    virtual QString GetItemName(const QString& propName);
    virtual std::unique_ptr<TPropInfoList> CreateInfoList(TComponent* component, TTypeKinds filter);

    // A damaged store may hold any "Count": lists and collections read no more items than this.
    static constexpr int MaxStoredItems = 10000;

private:
    void ForEachStoredProp(TComponent* root, TStrings* storedList,
                           const std::function<void(const TPropInfo*)>& action);
    QString ValueText(const TPropInfo* propInfo);
    void ApplyText(const TPropInfo* propInfo, const QString& text);
    void StoreStrings(const TPropInfo* propInfo, TStrings* list);
    void LoadStrings(const TPropInfo* propInfo, TStrings* list);
    void StoreCollection(const TPropInfo* propInfo, TCollection* collection);
    void LoadCollection(const TPropInfo* propInfo, TCollection* collection);
    void StoreAllProps(TObject* object, const QString& prefix);
    void LoadAllProps(TObject* object, const QString& prefix);
    QString ComponentText(TComponent* component) const;
    void LoadComponent(const TPropInfo* propInfo, const QString& text);

    TObject* FObject = nullptr;
    TComponent* FRoot = nullptr;
    QString FPrefix;
    QString FSection;
};

namespace controls::visual {
// Finds a form or data module by name (ignoring case) for references to components of other
// forms: the forms layer installs the search over the screen's forms, then its data modules.
using TOwnerLookup = std::function<TComponent*(const QString& name)>;
void SetStoredOwnerLookup(TOwnerLookup lookup);
}  // namespace controls::visual
