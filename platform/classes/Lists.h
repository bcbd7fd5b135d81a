#pragma once
// TList: an ordered list of untyped pointers (objects the list does not own).
#include "platform/rtl/Object.h"

#include <QString>
#include <functional>
#include <vector>

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Compares two items: negative, zero or positive.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

class TList : public TObject {
public:
    TList() = default;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;
    ~TList() override;

    int Count() const { return int(FItems.size()); }
    // Growing fills with nulls; raises EListError "List count out of bounds (%d)" below 0.
    void SetCount(int newCount);
    int Capacity() const { return int(FItems.capacity()); }
    // Raises EListError "List capacity out of bounds (%d)" below the count.
    void SetCapacity(int newCapacity);

    void* Items(int index) const;
    void* operator[](int index) const { return Items(index); }
    void Put(int index, void* item);
    template <class T> T* ItemAs(int index) const { return static_cast<T*>(Items(index)); }

    int Add(void* item);
    void Insert(int index, void* item);
    void Delete(int index);
    // Index the item had, or -1.
    int Remove(void* item);
    // Takes the item out without the "deleted" notification; null when absent.
    void* Extract(void* item);
    int IndexOf(void* item) const;
    void Exchange(int index1, int index2);
    void Move(int curIndex, int newIndex);
    virtual void Clear();
    // Removes the null entries.
    void Pack();
    void Sort(const TListSortCompare& compare);
    void* First() const { return Items(0); }
    void* Last() const { return Items(Count() - 1); }

protected:
    // Tells a derived list of each item put in and taken out.
    virtual void Notify(void* item, TListNotification action);
    [[noreturn]] static void Error(const char* fmt, int data);

private:
    void CheckIndex(int index) const;
    std::vector<void*> FItems;
};
