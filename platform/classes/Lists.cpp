#include "platform/classes/Lists.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>

TList::~TList() = default;

void TList::Error(const char* fmt, int data) { throw EListError(QString::fromLatin1(fmt).arg(data)); }

void TList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) Error("List index out of bounds (%1)", index);
}

void TList::Notify(void*, TListNotification) {}

void TList::SetCount(int newCount) {
    if (newCount < 0) Error("List count out of bounds (%1)", newCount);
    if (newCount > Count()) {
        FItems.resize(newCount, nullptr);
    } else {
        while (Count() > newCount) Delete(Count() - 1);
    }
}

void TList::SetCapacity(int newCapacity) {
    if (newCapacity < Count()) Error("List capacity out of bounds (%1)", newCapacity);
    if (newCapacity > Capacity())
        FItems.reserve(newCapacity);
    else {
        std::vector<void*> copy;
        copy.reserve(newCapacity);
        copy.assign(FItems.begin(), FItems.end());
        FItems.swap(copy);
    }
}

void* TList::Items(int index) const {
    CheckIndex(index);
    return FItems[index];
}

void TList::Put(int index, void* item) {
    CheckIndex(index);
    void* old = FItems[index];
    if (old == item) return;
    FItems[index] = item;
    if (old) Notify(old, lnDeleted);
    if (item) Notify(item, lnAdded);
}

int TList::Add(void* item) {
    FItems.push_back(item);
    if (item) Notify(item, lnAdded);
    return Count() - 1;
}

void TList::Insert(int index, void* item) {
    if (index < 0 || index > Count()) Error("List index out of bounds (%1)", index);
    FItems.insert(FItems.begin() + index, item);
    if (item) Notify(item, lnAdded);
}

void TList::Delete(int index) {
    CheckIndex(index);
    void* item = FItems[index];
    FItems.erase(FItems.begin() + index);
    if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
    int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

void* TList::Extract(void* item) {
    int index = IndexOf(item);
    if (index < 0) return nullptr;
    FItems.erase(FItems.begin() + index);
    Notify(item, lnExtracted);
    return item;
}

int TList::IndexOf(void* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(FItems[index1], FItems[index2]);
}

void TList::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    void* item = FItems[curIndex];
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, item);
}

void TList::Clear() {
    // Items leave one by one so a derived list hears of each.
    while (Count() > 0) Delete(Count() - 1);
    FItems.shrink_to_fit();
}

void TList::Pack() {
    FItems.erase(std::remove(FItems.begin(), FItems.end(), nullptr), FItems.end());
}

void TList::Sort(const TListSortCompare& compare) {
    std::stable_sort(FItems.begin(), FItems.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}
