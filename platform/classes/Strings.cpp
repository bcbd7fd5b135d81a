#include "platform/classes/Strings.h"
#include "platform/classes/PlainOrder.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Exceptions.h"

#include <QCollator>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>
#include <iterator>
#include <numeric>

namespace platform::classes {

QString DecodeText(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) view = view.sliced(3);
    // One mark is the file's; any further one is text and stays, so the text reads back the same.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(view);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(view.data(), view.size());
}

namespace {
const QCollator& Collator(bool caseSensitive) {
    static thread_local QCollator sensitive = [] {
        QCollator c(QLocale(QLocale::Spanish, QLocale::Spain));
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    static thread_local QCollator insensitive = [] {
        QCollator c(QLocale(QLocale::Spanish, QLocale::Spain));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return caseSensitive ? sensitive : insensitive;
}

int Compare(const QString& a, const QString& b, bool caseSensitive) {
    // Most lines are codes, years and plain names, whose order needs no collator (opening one
    // loads the language's collation data).
    const int plain = PlainCompare(reinterpret_cast<const char16_t*>(a.constData()), int(a.size()),
                                   reinterpret_cast<const char16_t*>(b.constData()), int(b.size()),
                                   caseSensitive ? TPlainTies::AskCollator : TPlainTies::CaseIgnored);
    if (plain != kAskCollator) return plain;
    int r = Collator(caseSensitive).compare(a, b);
    if (r != 0) return r;
    // The collation may take different texts as equal (ignorable characters); those stay distinct.
    if (caseSensitive) return QString::compare(a, b, Qt::CaseSensitive);
    return QString::compare(a, b, Qt::CaseInsensitive);
}
}  // namespace

int CompareText(const QString& a, const QString& b) { return Compare(a, b, false); }
int CompareStr(const QString& a, const QString& b) { return Compare(a, b, true); }

}  // namespace platform::classes

using platform::classes::CompareStr;
using platform::classes::CompareText;
using platform::classes::InUpdate;

// ---- TStrings ----

void TStrings::Error(const QString& fmt, int data) const { throw EStringListError(fmt.arg(data)); }

TObject* TStrings::GetObject(int) const { return nullptr; }
void TStrings::PutObject(int, TObject*) {}

void TStrings::Put(int index, const QString& s) {
    TObject* obj = GetObject(index);
    Delete(index);
    InsertObject(index, s, obj);
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const QString& s1, const QString& s2) const { return CompareText(s1, s2); }

int TStrings::Add(const QString& s) {
    int result = Count();
    Insert(result, s);
    return result;
}

int TStrings::AddObject(const QString& s, TObject* object) {
    int result = Add(s);
    PutObject(result, object);
    return result;
}

void TStrings::AddStrings(const TStrings* strings) {
    if (!strings) return;
    InUpdate(this, [&] {
        for (int i = 0; i < strings->Count(); ++i) AddObject(strings->Get(i), strings->GetObject(i));
    });
}

void TStrings::InsertObject(int index, const QString& s, TObject* object) {
    Insert(index, s);
    PutObject(index, object);
}

void TStrings::Exchange(int index1, int index2) {
    InUpdate(this, [&] {
        QString s = Get(index1);
        TObject* o = GetObject(index1);
        Put(index1, Get(index2));
        PutObject(index1, GetObject(index2));
        Put(index2, s);
        PutObject(index2, o);
    });
}

void TStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    // Checked before the line is taken out, so a bad target loses nothing.
    if (newIndex < 0 || newIndex >= Count()) Error(QStringLiteral("List index out of bounds (%1)"), newIndex);
    InUpdate(this, [&] {
        QString s = Get(curIndex);
        TObject* o = GetObject(curIndex);
        Delete(curIndex);
        InsertObject(newIndex, s, o);
    });
}

int TStrings::IndexOf(const QString& s) const {
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), s) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const QString& name) const {
    for (int i = 0; i < Count(); ++i) {
        QString s = Get(i);
        int p = s.indexOf(QLatin1Char('='));
        if (p >= 0 && CompareStrings(s.left(p), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

bool TStrings::Equals(const TStrings* strings) const {
    if (!strings || strings->Count() != Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != strings->Get(i)) return false;
    return true;
}

QString TStrings::Names(int index) const {
    QString s = Get(index);
    int p = s.indexOf(QLatin1Char('='));
    return p >= 0 ? s.left(p) : QString();
}

QString TStrings::Values(const QString& name) const {
    int i = IndexOfName(name);
    return i >= 0 ? ValueFromIndex(i) : QString();
}

QString TStrings::ValueFromIndex(int index) const {
    QString s = Get(index);
    int p = s.indexOf(QLatin1Char('='));
    return p >= 0 ? s.mid(p + 1) : QString();
}

void TStrings::SetValue(const QString& name, const QString& value) {
    int i = IndexOfName(name);
    if (!value.isEmpty()) {
        const QString line = name + QLatin1Char('=') + value;
        if (i < 0)
            Add(line);
        else
            Put(i, line);
    } else if (i >= 0) {
        Delete(i);
    }
}

QString TStrings::Text() const {
    QString result;
    for (int i = 0; i < Count(); ++i) {
        result += Get(i);
        result += FLineBreak;
    }
    return result;
}

void TStrings::SetText(const QString& text) {
    InUpdate(this, [&] {
        Clear();
        const int n = text.size();
        int start = 0;
        while (start < n) {
            int p = start;
            while (p < n && text[p] != QLatin1Char('\r') && text[p] != QLatin1Char('\n')) ++p;
            Add(text.mid(start, p - start));
            if (p < n && text[p] == QLatin1Char('\r')) ++p;
            if (p < n && text[p] == QLatin1Char('\n')) ++p;
            start = p;
        }
    });
}

QString TStrings::CommaText() const { return JoinDelimited(QLatin1Char(','), QLatin1Char('"')); }

void TStrings::SetCommaText(const QString& text) { ParseDelimited(text, QLatin1Char(','), QLatin1Char('"')); }

QString TStrings::DelimitedText() const { return JoinDelimited(FDelimiter, FQuoteChar); }

QString TStrings::JoinDelimited(QChar delimiter, QChar quoteChar) const {
    QString result;
    int n = Count();
    if (n == 1 && Get(0).isEmpty()) return QString(quoteChar) + quoteChar;
    for (int i = 0; i < n; ++i) {
        QString s = Get(i);
        bool quote = false;
        for (QChar c : s)
            if (c.unicode() <= ' ' || c == delimiter || c == quoteChar) {
                quote = true;
                break;
            }
        if (quote) {
            QString doubled = s;
            doubled.replace(quoteChar, QString(quoteChar) + quoteChar);
            s = quoteChar + doubled + quoteChar;
        }
        if (i > 0) result += delimiter;
        result += s;
    }
    return result;
}

void TStrings::SetDelimitedText(const QString& text) { ParseDelimited(text, FDelimiter, FQuoteChar); }

void TStrings::ParseDelimited(const QString& text, QChar delimiter, QChar quoteChar) {
    auto blank = [](QChar c) { return c.unicode() >= 1 && c.unicode() <= ' '; };
    InUpdate(this, [&] {
        Clear();
        const int n = text.size();
        int p = 0;
        while (p < n && blank(text[p])) ++p;
        while (p < n) {
            QString s;
            if (text[p] == quoteChar) {
                ++p;
                while (p < n) {
                    if (text[p] == quoteChar) {
                        if (p + 1 < n && text[p + 1] == quoteChar) {
                            s += quoteChar;
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    s += text[p++];
                }
            } else {
                int start = p;
                while (p < n && text[p].unicode() > ' ' && text[p] != delimiter) ++p;
                s = text.mid(start, p - start);
            }
            Add(s);
            while (p < n && blank(text[p])) ++p;
            if (p < n && text[p] == delimiter) {
                if (p + 1 == n) Add(QString());
                do {
                    ++p;
                } while (p < n && blank(text[p]));
            }
        }
    });
}

void TStrings::BeginUpdate() {
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    if (FUpdateCount <= 0) return;
    --FUpdateCount;
    if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::LoadFromFile(const QString& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TStrings::SaveToFile(const QString& fileName) const {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

void TStrings::LoadFromStream(TStream* stream) {
    qint64 size = stream->Size() - stream->Position();
    QByteArray bytes;
    if (size > 0) {
        bytes.resize(size);
        stream->ReadBuffer(bytes.data(), size);
    }
    SetText(platform::classes::DecodeText(bytes));
}

void TStrings::SaveToStream(TStream* stream) const {
    QByteArray bytes = Text().toUtf8();
    stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TStrings::Assign(TPersistent* source) {
    if (auto* strings = dynamic_cast<TStrings*>(source)) {
        if (strings == this) return;
        InUpdate(this, [&] {
            Clear();
            AddStrings(strings);
        });
        return;
    }
    TPersistent::Assign(source);
}

// ---- TStringList ----

namespace {
const char* const SListIndexError = "List index out of bounds (%1)";
const char* const SSortedListError = "Operation not allowed on sorted string list";
const char* const SDuplicateString = "String list does not allow duplicates";
}  // namespace

TStringList::~TStringList() {
    if (FOwnsObjects)
        for (Item& i : FItems) delete i.Obj;
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) Error(QString::fromLatin1(SListIndexError), index);
}

QString TStringList::Get(int index) const {
    CheckIndex(index);
    return FItems[index].S;
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index);
    return FItems[index].Obj;
}

void TStringList::Changed() {
    if (UpdateCount() == 0) OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const QString& s1, const QString& s2) const {
    return FCaseSensitive ? CompareStr(s1, s2) : CompareText(s1, s2);
}

int TStringList::Add(const QString& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const QString& s, TObject* object) {
    int index;
    if (!FSorted) {
        index = Count();
    } else if (Find(s, index)) {
        switch (FDuplicates) {
        case dupIgnore: return index;
        case dupError: throw EStringListError(QString::fromLatin1(SDuplicateString));
        case dupAccept:
            // Equal lines keep the order they were added in.
            while (index < Count() && CompareStrings(FItems[index].S, s) == 0) ++index;
            break;
        }
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::AddStrings(const TStrings* strings) {
    if (!FSorted || !strings || strings == this || FDuplicates == dupError) {
        TStrings::AddStrings(strings);
        return;
    }
    // Into a sorted list, each line added on its own moved every line after it: many lines are
    // sorted apart and merged once. Stable, so equal lines end as added one by one: after the ones
    // already there, in the order given; with dupIgnore only the first of them stays.
    InUpdate(this, [&] {
        std::vector<Item> added;
        added.reserve(size_t(strings->Count()));
        for (int i = 0; i < strings->Count(); ++i) added.push_back(Item{strings->Strings(i), strings->Objects(i)});
        auto less = [this](const Item& a, const Item& b) { return CompareStrings(a.S, b.S) < 0; };
        std::stable_sort(added.begin(), added.end(), less);
        if (FDuplicates == dupIgnore) {
            std::vector<Item> kept;
            kept.reserve(added.size());
            int at;
            for (Item& item : added)
                if ((kept.empty() || CompareStrings(kept.back().S, item.S) != 0) && !Find(item.S, at))
                    kept.push_back(std::move(item));
            added = std::move(kept);
        }
        std::vector<Item> merged;
        merged.reserve(FItems.size() + added.size());
        std::merge(std::make_move_iterator(FItems.begin()), std::make_move_iterator(FItems.end()),
                   std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()),
                   std::back_inserter(merged), less);
        FItems = std::move(merged);
    });
}

void TStringList::Insert(int index, const QString& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const QString& s, TObject* object) {
    if (FSorted) throw EStringListError(QString::fromLatin1(SSortedListError));
    if (index < 0 || index > Count()) Error(QString::fromLatin1(SListIndexError), index);
    InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const QString& s, TObject* object) {
    Changing();
    FItems.insert(FItems.begin() + index, Item{s, object});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    TObject* obj = FItems[index].Obj;
    FItems.erase(FItems.begin() + index);
    if (FOwnsObjects) delete obj;
    Changed();
}

void TStringList::Clear() {
    if (FItems.empty()) return;
    Changing();
    std::vector<Item> old;
    old.swap(FItems);
    if (FOwnsObjects)
        for (Item& i : old) delete i.Obj;
    Changed();
}

void TStringList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(FItems[index1], FItems[index2]);
    Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    if (FSorted) throw EStringListError(QString::fromLatin1(SSortedListError));
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    Changing();
    Item item = std::move(FItems[curIndex]);
    FItems.erase(FItems.begin() + curIndex);
    FItems.insert(FItems.begin() + newIndex, std::move(item));
    Changed();
}

void TStringList::Put(int index, const QString& s) {
    if (FSorted) throw EStringListError(QString::fromLatin1(SSortedListError));
    CheckIndex(index);
    Changing();
    FItems[index].S = s;
    Changed();
}

void TStringList::PutObject(int index, TObject* object) {
    CheckIndex(index);
    Changing();
    TObject* old = FItems[index].Obj;
    FItems[index].Obj = object;
    if (FOwnsObjects && old != object) delete old;
    Changed();
}

int TStringList::IndexOf(const QString& s) const {
    if (!FSorted) return TStrings::IndexOf(s);
    int index;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(const QString& s, int& index) const {
    // First of the equal lines, so duplicates accepted are all found from there.
    int lo = 0, hi = Count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (CompareStrings(FItems[mid].S, s) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    index = lo;
    return lo < Count() && CompareStrings(FItems[lo].S, s) == 0;
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, int a, int b) {
        return list->CompareStrings(list->FItems[a].S, list->FItems[b].S);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (Count() <= 1) return;
    Changing();
    // Sort a permutation so the comparison sees the list unchanged while it runs.
    std::vector<int> order(FItems.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(FItems.size());
    for (int i : order) sorted.push_back(std::move(FItems[i]));
    FItems = std::move(sorted);
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (FSorted == value) return;
    if (value) Sort();
    FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (FCaseSensitive == value) return;
    FCaseSensitive = value;
    if (FSorted) Sort();
}
