#include "platform/classes/Collections.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <memory>

using platform::classes::InUpdate;

namespace {
[[noreturn]] void IndexError(int index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}
}  // namespace

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() {
    if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* value) {
    if (value == FCollection) return;
    if (FCollection) FCollection->RemoveItem(this);
    if (value) value->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!FCollection) return -1;
    auto& items = FCollection->FItems;
    return int(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int value) {
    int cur = Index();
    if (cur >= 0 && cur != value) {
        FCollection->MoveItem(cur, value);
        Changed(true);
    }
}

QString TCollectionItem::DisplayName() const { return ClassName(); }
void TCollectionItem::SetDisplayName(const QString&) { Changed(false); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

QString TCollectionItem::GetNamePath() const {
    if (!FCollection) return ClassName();
    return QStringLiteral("%1[%2]").arg(FCollection->GetNamePath()).arg(Index());
}

void TCollectionItem::Changed(bool allItems) {
    if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

// ---- TCollection ----

TCollection::TCollection(ItemFactory itemClass, TPersistent* owner)
    : FItemClass(std::move(itemClass)), FOwner(owner) {}

TCollection::~TCollection() {
    FUpdateCount = 1;  // no notices while dying
    while (!FItems.empty()) {
        std::unique_ptr<TCollectionItem> item(FItems.back());
        RemoveItem(item.get());
    }
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
    return FItems[index];
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = FItemClass(this);
    // A factory that did not join the item to this collection: join it here.
    if (item->Collection() != this) item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    if (index < 0 || index > Count()) IndexError(index);
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) {
    TCollectionItem* item = Items(index);
    Notify(item, cnDeleting);
    std::unique_ptr<TCollectionItem> owned(item);  // its destructor leaves the collection
}

void TCollection::Clear() {
    if (FItems.empty()) return;
    InUpdate(this, [&] {
        while (!FItems.empty()) Delete(Count() - 1);
    });
}

TCollectionItem* TCollection::FindItemID(int id) const {
    for (TCollectionItem* item : FItems)
        if (item->FID == id) return item;
    return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
    if (FUpdateCount <= 0) return;
    --FUpdateCount;
    Changed();
}

void TCollection::Changed() {
    if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}
void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TCollection*>(source)) {
        if (other == this) return;
        InUpdate(this, [&] {
            Clear();
            for (TCollectionItem* item : other->FItems) Add()->Assign(item);
        });
        return;
    }
    TPersistent::Assign(source);
}

void TCollection::InsertItem(TCollectionItem* item) {
    FItems.push_back(item);
    item->FCollection = this;
    item->FID = FNextID++;
    Notify(item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end()) return;
    FItems.erase(it);
    item->FCollection = nullptr;
    Changed();
}

void TCollection::MoveItem(int curIndex, int newIndex) {
    if (newIndex < 0 || newIndex >= Count()) IndexError(newIndex);
    TCollectionItem* item = FItems[curIndex];
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, item);
}
