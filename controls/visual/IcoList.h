#pragma once
// A list of icons that owns private copies of them, tells of every change, and streams itself as
// a count followed by each icon's file bytes with their length (0 for an empty entry).
#include "platform/classes/Filer.h"
#include "platform/graphics/Graphics.h"

#include <memory>
#include <vector>

class TIconList : public TPersistent {
public:
    TIconList();
    ~TIconList() override;
    TIconList(const TIconList&) = delete;
    TIconList& operator=(const TIconList&) = delete;

    // The "Icons" binary property, written when the list is not empty.
    virtual void DefineProperties(TFiler* filer);
    void Assign(TPersistent* source) override;

    virtual TIcon* Get(int index) const;
    TIcon* Icons(int index) const { return Get(index); }
    TIcon* operator[](int index) const { return Get(index); }
    virtual int GetCount() const;
    int Count() const { return GetCount(); }
    // Index == Count appends; the entry takes a copy of icon (none leaves it an empty icon).
    virtual void Put(int index, TIcon* icon);
    // Appends a copy of icon (none: an empty entry); returns its index.
    virtual int Add(TIcon* icon);
    // An icon of the program's resources (see Resources.h), appended or inserted.
    virtual void AddFromResource(const QString& resName);
    virtual void InsertFromResource(int index, const QString& resName);
    virtual void Clear();
    virtual void Delete(int index);
    virtual void Exchange(int index1, int index2);
    // Index of that very icon object, -1 when absent.
    virtual int IndexOf(TIcon* icon) const;
    virtual void Insert(int index, TIcon* icon);
    virtual void Move(int curIndex, int newIndex);
    // Damaged data raises EReadError; the list is then empty.
    virtual void LoadFromStream(TStream* stream);
    virtual void SaveToStream(TStream* stream);

    void BeginUpdate();
    void EndUpdate();

    TNotifyEvent OnChange;

protected:
    virtual void Changed();

private:
    void CheckIndex(int index) const;
    void IconChanged(TObject* sender);
    void Attach(TIcon* icon);
    void ReadData(TStream* stream);
    void WriteData(TStream* stream);

    std::vector<std::unique_ptr<TIcon>> FList;  // entries may be null
    int FUpdateCount = 0;
};
