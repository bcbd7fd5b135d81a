#pragma once
// Collections: a list of items of one class that the collection creates and owns.
#include "platform/rtl/Object.h"

#include <QString>
#include <functional>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
public:
    // Joins `collection` (at its end) when one is given.
    explicit TCollectionItem(TCollection* collection);
    // Leaves its collection.
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return FCollection; }
    // Moves the item to another collection (or out of any, with null; the caller then owns it).
    virtual void SetCollection(TCollection* value);
    // Unique in its collection, never reused.
    int ID() const { return FID; }
    int Index() const;
    // Moves the item within its collection; EListError for an index out of range.
    virtual void SetIndex(int value);
    virtual QString DisplayName() const;
    virtual void SetDisplayName(const QString& value);

    TPersistent* GetOwner() const override;
    QString GetNamePath() const override;

protected:
    // Tells the collection: this item changed, or (allItems) the whole collection did.
    virtual void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
public:
    // Makes a new item that joins the given collection (the "item class").
    using ItemFactory = std::function<TCollectionItem*(TCollection*)>;
    template <class TItem>
    static ItemFactory Make() {
        return [](TCollection* c) -> TCollectionItem* { return new TItem(c); };
    }

    explicit TCollection(ItemFactory itemClass, TPersistent* owner = nullptr);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    int Count() const { return int(FItems.size()); }
    TCollectionItem* Items(int index) const;
    template <class TItem> TItem* ItemsAs(int index) const { return static_cast<TItem*>(Items(index)); }
    TCollectionItem* Add();
    template <class TItem> TItem* AddAs() { return static_cast<TItem*>(Add()); }
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    TCollectionItem* FindItemID(int id) const;

    // Item change notices (Update) wait until the outer EndUpdate, which sends one.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    TPersistent* Owner() const { return FOwner; }
    TPersistent* GetOwner() const override { return FOwner; }
    // Copies the items: clears, then adds one item per source item and assigns it.
    void Assign(TPersistent* source) override;

protected:
    // A changed item, or null when the whole collection changed.
    virtual void Update(TCollectionItem* item);
    virtual void Notify(TCollectionItem* item, TCollectionNotification action);
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void MoveItem(int curIndex, int newIndex);

    ItemFactory FItemClass;
    TPersistent* FOwner = nullptr;
    std::vector<TCollectionItem*> FItems;
    int FUpdateCount = 0;
    int FNextID = 0;
};
