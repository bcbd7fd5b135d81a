#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace {
QString Lines(const TStrings& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) out << list[i];
    return out.join(QLatin1Char('|'));
}

struct TTag : TObject {
    explicit TTag(int v) : Value(v) {}
    int Value;
};

// Counts the list's change events.
struct TCounter {
    int Changing = 0;
    int Changed = 0;
    void OnChanging(TObject*) { ++Changing; }
    void OnChange(TObject*) { ++Changed; }
};
}  // namespace

TEST(StringList, SortedListInsertsInOrderAndFindsByBinarySearch) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"pera", "Manzana", "uva", "ñandú", "nuez", "oliva"}) list.Add(QString::fromUtf8(s));
    // Spanish order: "ñ" after "n" and before "o", case ignored.
    EXPECT_EQ(Lines(list), QString::fromUtf8("Manzana|nuez|ñandú|oliva|pera|uva"));
    int index = -1;
    EXPECT_TRUE(list.Find(QStringLiteral("MANZANA"), index));
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(list.Find(QStringLiteral("naranja"), index));
    EXPECT_EQ(index, 1);  // where it would go
    EXPECT_EQ(list.IndexOf(QStringLiteral("UVA")), 5);
    EXPECT_EQ(list.IndexOf(QStringLiteral("kiwi")), -1);
    try {
        list.Insert(0, QStringLiteral("a"));
        FAIL() << "insert into a sorted list";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Operation not allowed on sorted string list"));
    }
    EXPECT_THROW(list.SetString(0, QStringLiteral("b")), EStringListError);
    EXPECT_EQ(list.Count(), 6);
}

TEST(StringList, DuplicatesModesOfSortedList) {
    TStringList ignore;
    ignore.SetSorted(true);
    EXPECT_EQ(ignore.Add(QStringLiteral("b")), 0);
    EXPECT_EQ(ignore.Add(QStringLiteral("a")), 0);
    EXPECT_EQ(ignore.Add(QStringLiteral("B")), 1);  // the existing "b"
    EXPECT_EQ(Lines(ignore), QStringLiteral("a|b"));

    TStringList accept;
    accept.SetSorted(true);
    accept.SetDuplicates(dupAccept);
    TTag first(1), second(2);
    accept.AddObject(QStringLiteral("x"), &first);
    accept.AddObject(QStringLiteral("X"), &second);
    accept.Add(QStringLiteral("a"));
    EXPECT_EQ(Lines(accept), QStringLiteral("a|x|X"));
    EXPECT_EQ(accept.IndexOf(QStringLiteral("x")), 1);

    TStringList error;
    error.SetSorted(true);
    error.SetDuplicates(dupError);
    error.Add(QStringLiteral("uno"));
    try {
        error.Add(QStringLiteral("UNO"));
        FAIL() << "duplicate accepted";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("String list does not allow duplicates"));
    }
    EXPECT_EQ(error.Count(), 1);

    // An unsorted list keeps every line whatever the mode.
    TStringList unsorted;
    unsorted.SetDuplicates(dupError);
    unsorted.Add(QStringLiteral("a"));
    unsorted.Add(QStringLiteral("a"));
    EXPECT_EQ(unsorted.Count(), 2);
}

// Many lines given at once to a sorted list end as adding them one by one leaves them: equal
// lines (the case differs) after those already there and in the order given, or only the first.
TEST(StringList, SortedListTakesManyLinesAsOneByOne) {
    std::mt19937 random(11);
    const QStringList words{QStringLiteral("núñez"), QStringLiteral("Núñez"), QStringLiteral("nunez"), QStringLiteral("ortiz"),
                            QStringLiteral("Ortiz"), QStringLiteral("álvarez"), QStringLiteral("alvarez"), QStringLiteral("b")};
    std::vector<std::unique_ptr<TTag>> tags;
    TStringList given;
    for (int i = 0; i < 400; ++i) {
        tags.push_back(std::make_unique<TTag>(i));
        given.AddObject(words[int(random() % words.size())] + QString::number(random() % 5), tags.back().get());
    }
    for (TDuplicates mode : {dupAccept, dupIgnore}) {
        TStringList oneByOne, atOnce;
        TCounter counter;
        for (TStringList* list : {&oneByOne, &atOnce}) {
            list->SetSorted(true);
            list->SetDuplicates(mode);
            for (int i = 0; i < 40; ++i) list->AddObject(given[i], given.Objects(i));
        }
        for (int i = 0; i < given.Count(); ++i) oneByOne.AddObject(given[i], given.Objects(i));
        atOnce.OnChanging = TNotifyEvent(&counter, &TCounter::OnChanging);
        atOnce.OnChange = TNotifyEvent(&counter, &TCounter::OnChange);
        atOnce.AddStrings(&given);
        ASSERT_EQ(Lines(atOnce), Lines(oneByOne));
        for (int i = 0; i < atOnce.Count(); ++i) EXPECT_EQ(atOnce.Objects(i), oneByOne.Objects(i)) << i;
        EXPECT_EQ(counter.Changing, 1);
        EXPECT_EQ(counter.Changed, 1);
    }
}

TEST(StringList, CaseSensitiveFlagChangesSearchAndOrder) {
    TStringList list;
    list.Add(QStringLiteral("Alfa"));
    list.Add(QStringLiteral("alfa"));
    EXPECT_EQ(list.IndexOf(QStringLiteral("ALFA")), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf(QStringLiteral("ALFA")), -1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("alfa")), 1);
    list.SetSorted(true);
    list.SetDuplicates(dupError);
    EXPECT_NO_THROW(list.Add(QStringLiteral("ALFA")));
    EXPECT_EQ(list.Count(), 3);
}

TEST(StringList, ObjectsFollowTheirStringsWhenSortingExchangingAndMoving) {
    TTag a(1), b(2), c(3);
    TStringList list;
    list.AddObject(QStringLiteral("c"), &c);
    list.AddObject(QStringLiteral("a"), &a);
    list.AddObject(QStringLiteral("b"), &b);
    list.Sort();
    EXPECT_EQ(Lines(list), QStringLiteral("a|b|c"));
    EXPECT_EQ(list.Objects(0), &a);
    EXPECT_EQ(list.Objects(2), &c);
    EXPECT_EQ(list.IndexOfObject(&b), 1);

    list.Exchange(0, 2);
    EXPECT_EQ(Lines(list), QStringLiteral("c|b|a"));
    EXPECT_EQ(list.Objects(0), &c);
    list.Move(0, 2);
    EXPECT_EQ(Lines(list), QStringLiteral("b|a|c"));
    EXPECT_EQ(list.Objects(2), &c);
    EXPECT_EQ(list.Objects(0), &b);

    list.SetSorted(true);  // sorting on switch
    EXPECT_EQ(Lines(list), QStringLiteral("a|b|c"));
    EXPECT_EQ(list.Objects(1), &b);

    TStringList custom;
    custom.Add(QStringLiteral("ccc"));
    custom.Add(QStringLiteral("a"));
    custom.Add(QStringLiteral("bb"));
    custom.CustomSort([](TStringList* l, int i, int j) { return l->Strings(j).size() - l->Strings(i).size(); });
    EXPECT_EQ(Lines(custom), QStringLiteral("ccc|bb|a"));
}

TEST(StringList, IndexErrorsNameTheIndex) {
    TStringList list;
    list.Add(QStringLiteral("uno"));
    auto message = [&](auto&& f) {
        try {
            f();
        } catch (const EStringListError& e) {
            return e.Message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(message([&] { (void)list[1]; }), QStringLiteral("List index out of bounds (1)"));
    EXPECT_EQ(message([&] { list.Delete(-1); }), QStringLiteral("List index out of bounds (-1)"));
    EXPECT_EQ(message([&] { list.Insert(3, QString()); }), QStringLiteral("List index out of bounds (3)"));
    EXPECT_EQ(message([&] { list.Objects(5); }), QStringLiteral("List index out of bounds (5)"));
    EXPECT_EQ(message([&] { list.Exchange(0, 1); }), QStringLiteral("List index out of bounds (1)"));
    EXPECT_THROW(list.Move(0, 4), EListError);
    EXPECT_EQ(list.Count(), 1);  // the failed move lost nothing
    EXPECT_NO_THROW(list.Insert(1, QStringLiteral("dos")));  // at the end is allowed

    // A sorted list refuses moves before taking the line out.
    list.SetSorted(true);
    EXPECT_THROW(list.Move(0, 1), EStringListError);
    EXPECT_EQ(Lines(list), QStringLiteral("dos|uno"));
    list.SetValue(QStringLiteral("clave"), QStringLiteral("v"));
    EXPECT_EQ(Lines(list), QStringLiteral("clave=v|dos|uno"));
}

TEST(StringList, NamesAndValues) {
    TStringList list;
    list.Add(QStringLiteral("Nombre=Ana"));
    list.Add(QStringLiteral("sin igual"));
    list.Add(QStringLiteral("Ruta=C=D"));
    EXPECT_EQ(list.Values(QStringLiteral("nombre")), QStringLiteral("Ana"));
    EXPECT_EQ(list.Values(QStringLiteral("ruta")), QStringLiteral("C=D"));
    EXPECT_EQ(list.Values(QStringLiteral("falta")), QString());
    EXPECT_EQ(list.Names(0), QStringLiteral("Nombre"));
    EXPECT_EQ(list.Names(1), QString());
    EXPECT_EQ(list.ValueFromIndex(1), QString());
    EXPECT_EQ(list.ValueFromIndex(2), QStringLiteral("C=D"));
    EXPECT_EQ(list.IndexOfName(QStringLiteral("RUTA")), 2);

    list.SetValue(QStringLiteral("NOMBRE"), QString::fromUtf8("Begoña"));
    EXPECT_EQ(list[0], QString::fromUtf8("NOMBRE=Begoña"));
    list.SetValue(QStringLiteral("Nuevo"), QStringLiteral("1"));
    EXPECT_EQ(list[3], QStringLiteral("Nuevo=1"));
    list.SetValue(QStringLiteral("ruta"), QString());  // empty deletes the line
    EXPECT_EQ(list.IndexOfName(QStringLiteral("Ruta")), -1);
    EXPECT_EQ(list.Count(), 3);
    list.SetValue(QStringLiteral("nada"), QString());  // nothing to delete
    EXPECT_EQ(list.Count(), 3);
}

TEST(StringList, CommaTextQuotesAndRoundTrips) {
    TStringList list;
    list.Add(QStringLiteral("simple"));
    list.Add(QStringLiteral("con blanco"));
    list.Add(QStringLiteral("a,b"));
    list.Add(QStringLiteral("dice \"hola\""));
    list.Add(QString::fromUtf8("año"));
    list.Add(QString());
    list.Add(QStringLiteral("fin"));
    const QString text = list.CommaText();
    EXPECT_EQ(text, QString::fromUtf8("simple,\"con blanco\",\"a,b\",\"dice \"\"hola\"\"\",año,,fin"));

    TStringList back;
    back.SetCommaText(text);
    EXPECT_TRUE(back.Equals(&list)) << Lines(back).toStdString();

    // Blanks outside quotes separate items; a trailing comma gives an empty last item.
    back.SetCommaText(QStringLiteral("  uno dos, \"tres cuatro\" ,"));
    EXPECT_EQ(Lines(back), QStringLiteral("uno|dos|tres cuatro|"));
    back.SetCommaText(QString());
    EXPECT_EQ(back.Count(), 0);

    TStringList single;
    single.Add(QString());
    EXPECT_EQ(single.CommaText(), QStringLiteral("\"\""));
    back.SetCommaText(single.CommaText());
    EXPECT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0], QString());

    TStringList semis;
    semis.SetDelimiter(QLatin1Char(';'));
    semis.SetDelimitedText(QStringLiteral("a;\"b;c\";d,e"));
    EXPECT_EQ(Lines(semis), QStringLiteral("a|b;c|d,e"));
    EXPECT_EQ(semis.DelimitedText(), QStringLiteral("a;\"b;c\";d,e"));
}

TEST(StringList, TextSplitsEveryLineBreakAndEndsLinesWithCrLf) {
    TStringList list;
    list.SetText(QStringLiteral("uno\r\ndos\nres\rcuatro\r\n\r\nseis"));
    EXPECT_EQ(Lines(list), QStringLiteral("uno|dos|res|cuatro||seis"));
    list.SetText(QStringLiteral("a\nb\n"));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Text(), QStringLiteral("a\r\nb\r\n"));
    list.SetLineBreak(QStringLiteral("\n"));
    EXPECT_EQ(list.Text(), QStringLiteral("a\nb\n"));
}

TEST(StringList, ChangeEventsFireOnceAroundNestedUpdates) {
    TCounter counter;
    TStringList list;
    list.OnChange = TNotifyEvent(&counter, &TCounter::OnChange);
    list.OnChanging = TNotifyEvent(&counter, &TCounter::OnChanging);

    list.Add(QStringLiteral("a"));
    EXPECT_EQ(counter.Changing, 1);
    EXPECT_EQ(counter.Changed, 1);

    list.BeginUpdate();
    EXPECT_EQ(counter.Changing, 2);
    list.BeginUpdate();
    list.Add(QStringLiteral("b"));
    list.Delete(0);
    list.SetText(QStringLiteral("x\ny\nz"));
    list.EndUpdate();
    EXPECT_EQ(counter.Changed, 1);  // still inside the outer update
    list.EndUpdate();
    EXPECT_EQ(counter.Changing, 2);
    EXPECT_EQ(counter.Changed, 2);
    EXPECT_EQ(Lines(list), QStringLiteral("x|y|z"));

    // An extra EndUpdate does nothing.
    list.EndUpdate();
    EXPECT_EQ(counter.Changed, 2);

    // SetText on its own is one change.
    list.SetText(QStringLiteral("p\nq"));
    EXPECT_EQ(counter.Changed, 3);
    // Clearing an empty list is no change.
    TStringList empty;
    TCounter quiet;
    empty.OnChange = TNotifyEvent(&quiet, &TCounter::OnChange);
    empty.Clear();
    EXPECT_EQ(quiet.Changed, 0);
}

TEST(StringList, AssignCopiesLinesAndObjectsAndRefusesOtherClasses) {
    TTag t(7);
    TStringList source;
    source.AddObject(QStringLiteral("uno"), &t);
    source.Add(QStringLiteral("dos"));
    TStringList dest;
    dest.Add(QStringLiteral("viejo"));
    TCounter counter;
    dest.OnChange = TNotifyEvent(&counter, &TCounter::OnChange);
    dest.Assign(&source);
    EXPECT_EQ(Lines(dest), QStringLiteral("uno|dos"));
    EXPECT_EQ(dest.Objects(0), &t);
    EXPECT_EQ(counter.Changed, 1);

    dest.AddStrings(&source);
    EXPECT_EQ(Lines(dest), QStringLiteral("uno|dos|uno|dos"));
    EXPECT_FALSE(dest.Equals(&source));

    TPersistent other;
    EXPECT_THROW(dest.Assign(&other), EConvertError);
    EXPECT_EQ(dest.Count(), 4);
}

TEST(StringList, FilesKeepSpanishTextAndReadLatin1) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lista.txt"));
    TStringList list;
    list.Add(QString::fromUtf8("Peña"));
    list.Add(QString::fromUtf8("ÁÉÍÓÚ ü €"));
    list.SaveToFile(path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Pe\xc3\xb1" "a\r\n\xc3\x81\xc3\x89\xc3\x8d\xc3\x93\xc3\x9a \xc3\xbc \xe2\x82\xac\r\n"));
    f.close();

    TStringList back;
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Equals(&list));

    // A file from an older workstation: Latin-1, not valid UTF-8.
    QFile old(dir.filePath(QStringLiteral("viejo.txt")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("Nu\xf1" "ez\r\nCami\xf3n");
    old.close();
    back.LoadFromFile(old.fileName());
    EXPECT_EQ(Lines(back), QString::fromUtf8("Nuñez|Camión"));

    EXPECT_THROW(back.LoadFromFile(dir.filePath(QStringLiteral("falta.txt"))), EFOpenError);
    EXPECT_EQ(back.Count(), 2);  // a failed load keeps the lines
}

namespace {

// Lines of blanks, digits and letters are ordered without the collator where their letters
// differ; the order must be the collator's all the same, with accents and case, and with other
// characters (a combining tilde that bonds with an "n", "ª", punctuation, ignorable ones)
// before, at and after the first difference.
TEST(StringOrder, PlainLinesOrderAsTheCollatorDoes) {
    QCollator sensitive(QLocale(QLocale::Spanish, QLocale::Spain)), insensitive(sensitive.locale());
    sensitive.setCaseSensitivity(Qt::CaseSensitive);
    insensitive.setCaseSensitivity(Qt::CaseInsensitive);
    auto sign = [](int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
    auto wanted = [&](const QCollator& c, const QString& a, const QString& b, Qt::CaseSensitivity cs) {
        const int r = sign(c.compare(a, b));
        return r ? r : sign(QString::compare(a, b, cs));
    };
    const QString plain = QStringLiteral(" 0129aAbBnNoOzZáÁéñÑüç");
    const QStringList other = {QStringLiteral("-"), QStringLiteral("."), QStringLiteral("ª"), QStringLiteral("ß"), QStringLiteral("·"), QStringLiteral("/"), QStringLiteral("Æ"), QStringLiteral("€"),
                               QString(QChar(0x303)), QString(QChar(0x301)), QString(QChar(0xAD)), QString(QChar(0x1))};
    std::mt19937 rng(23);
    auto text = [&](int most) {
        QString s;
        for (int k = int(rng() % (most + 1)); k > 0; --k)
            s += rng() % 10 ? QString(plain[int(rng() % plain.size())]) : other[int(rng() % other.size())];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const QString a = text(6);
        const QString b = round % 4 ? a.left(int(rng() % (a.size() + 1))) + text(3) : text(6);
        ASSERT_EQ(sign(platform::classes::CompareStr(a, b)), wanted(sensitive, a, b, Qt::CaseSensitive)) << qPrintable(a + " / " + b);
        ASSERT_EQ(sign(platform::classes::CompareText(a, b)), wanted(insensitive, a, b, Qt::CaseInsensitive)) << qPrintable(a + " / " + b);
    }
}

}  // namespace
