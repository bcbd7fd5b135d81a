#pragma once
// String lists: TStrings (the abstract list every "Lines"/"Items" property exposes) and
// TStringList, the list that stores its lines with an optional object attached to each.
//
// Line breaks: Text() ends every line with LineBreak(), "\r\n" by default as the class library
// wrote it, so texts and files produced here read the same as the old program's; SetText()
// accepts CR, LF and CR LF. A list can be given another break ("\n") with SetLineBreak.
// Files are written as UTF-8 without a byte-order mark; reading strips a UTF-8 mark and reads
// a file that is not valid UTF-8 as Latin-1.
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <functional>
#include <vector>

class TStream;

namespace platform::classes {
// Bytes of a text file as text: UTF-8 (mark stripped) when valid, else Latin-1.
QString DecodeText(const QByteArray& bytes);
// Locale-aware comparison of a Spanish workstation ("ñ" between "n" and "o").
int CompareText(const QString& a, const QString& b);  // case-insensitive
int CompareStr(const QString& a, const QString& b);   // case-sensitive

// Runs `body` between target->BeginUpdate() and target->EndUpdate(), also when it throws.
template <class T, class F>
void InUpdate(T* target, F&& body) {
    target->BeginUpdate();
    try {
        body();
    } catch (...) {
        target->EndUpdate();
        throw;
    }
    target->EndUpdate();
}
}  // namespace platform::classes

class TStrings : public TPersistent {
public:
    TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;
    ~TStrings() override = default;

    virtual int Count() const = 0;
    QString Strings(int index) const { return Get(index); }
    QString operator[](int index) const { return Get(index); }
    void SetString(int index, const QString& s) { Put(index, s); }
    TObject* Objects(int index) const { return GetObject(index); }
    virtual void PutObject(int index, TObject* object);

    virtual int Add(const QString& s);
    virtual int AddObject(const QString& s, TObject* object);
    void Append(const QString& s) { Add(s); }
    virtual void AddStrings(const TStrings* strings);
    virtual void Insert(int index, const QString& s) = 0;
    virtual void InsertObject(int index, const QString& s, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int index1, int index2);
    virtual void Move(int curIndex, int newIndex);

    virtual int IndexOf(const QString& s) const;
    int IndexOfName(const QString& name) const;
    int IndexOfObject(const TObject* object) const;
    bool Equals(const TStrings* strings) const;

    // "name=value" lines.
    QString Names(int index) const;
    QString Values(const QString& name) const;
    // An empty value deletes the line; a new name is added at the end.
    void SetValue(const QString& name, const QString& value);
    QString ValueFromIndex(int index) const;

    QString Text() const;
    virtual void SetText(const QString& text);
    QString LineBreak() const { return FLineBreak; }
    void SetLineBreak(const QString& lineBreak) { FLineBreak = lineBreak; }

    // Items with blanks, control characters, the delimiter or the quote are quoted (quotes
    // doubled); parsing splits at the delimiter and at blanks outside quotes.
    QString CommaText() const;
    void SetCommaText(const QString& text);
    QString DelimitedText() const;
    void SetDelimitedText(const QString& text);
    QChar Delimiter() const { return FDelimiter; }
    void SetDelimiter(QChar c) { FDelimiter = c; }
    QChar QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar c) { FQuoteChar = c; }

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    virtual void LoadFromFile(const QString& fileName);
    virtual void SaveToFile(const QString& fileName) const;
    virtual void LoadFromStream(TStream* stream);
    virtual void SaveToStream(TStream* stream) const;

    void Assign(TPersistent* source) override;

protected:
    virtual QString Get(int index) const = 0;
    virtual TObject* GetObject(int index) const;
    virtual void Put(int index, const QString& s);
    // Called when the outer BeginUpdate starts (true) and the outer EndUpdate ends (false).
    virtual void SetUpdateState(bool updating);
    virtual int CompareStrings(const QString& s1, const QString& s2) const;
    [[noreturn]] void Error(const QString& fmt, int data) const;

private:
    QString JoinDelimited(QChar delimiter, QChar quoteChar) const;
    void ParseDelimited(const QString& text, QChar delimiter, QChar quoteChar);
    int FUpdateCount = 0;
    QString FLineBreak = QStringLiteral("\r\n");
    QChar FDelimiter = QLatin1Char(',');
    QChar FQuoteChar = QLatin1Char('"');
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// Compares the lines at two indexes: negative, zero or positive.
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

class TStringList : public TStrings {
public:
    TStringList() = default;
    ~TStringList() override;

    int Count() const override { return int(FItems.size()); }
    int Add(const QString& s) override;
    int AddObject(const QString& s, TObject* object) override;
    void AddStrings(const TStrings* strings) override;
    void Insert(int index, const QString& s) override;
    void InsertObject(int index, const QString& s, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;
    void Exchange(int index1, int index2) override;
    // Raises on a sorted list, before anything moves.
    void Move(int curIndex, int newIndex) override;
    void PutObject(int index, TObject* object) override;
    int IndexOf(const QString& s) const override;

    // Binary search of a sorted list: true when found; index = where it is or would go.
    virtual bool Find(const QString& s, int& index) const;
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates value) { FDuplicates = value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value);
    // The list frees the objects of its items when they are deleted, replaced or cleared.
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool value) { FOwnsObjects = value; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    QString Get(int index) const override;
    TObject* GetObject(int index) const override;
    void Put(int index, const QString& s) override;
    void SetUpdateState(bool updating) override;
    int CompareStrings(const QString& s1, const QString& s2) const override;
    virtual void Changed();
    virtual void Changing();
    // Every line added or inserted goes through here.
    virtual void InsertItem(int index, const QString& s, TObject* object);

private:
    struct Item {
        QString S;
        TObject* Obj = nullptr;
    };
    void CheckIndex(int index) const;

    std::vector<Item> FItems;
    bool FSorted = false;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
    TDuplicates FDuplicates = dupIgnore;
};
