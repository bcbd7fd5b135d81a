// Texts as the file stores them (UTF-8) order exactly as the same texts in memory, and lookups
// read their row without moving or notifying the table they read from.
#include "Support.h"
#include "platform/db/Collation.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

using namespace dbtest;

namespace {

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

TEST(StoredTextOrder, Utf8ComparesAsUtf16) {
    const QStringList texts = {QString(),
                               QStringLiteral("a"),
                               QStringLiteral("A"),
                               QStringLiteral("á"),
                               QStringLiteral("Á"),
                               QStringLiteral("n"),
                               QStringLiteral("ñ"),
                               QStringLiteral("Ñ"),
                               QStringLiteral("o"),
                               QStringLiteral("Núñez"),
                               QStringLiteral("NUÑEZ"),
                               QStringLiteral("Nuñez "),
                               QStringLiteral("Peña"),
                               QStringLiteral("Pena"),
                               QStringLiteral("Péna"),
                               QStringLiteral("Ávila,Íñigo"),
                               QStringLiteral("Çé"),
                               QStringLiteral("€ 10"),
                               QStringLiteral("東京"),
                               QStringLiteral("ok ") + QString::fromUcs4(U"\U0001F600"),
                               QStringLiteral("ok ") + QString::fromUcs4(U"\U0001F601"),
                               QStringLiteral("zz")};
    for (const QString& a : texts)
        for (const QString& b : texts) {
            const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
            for (bool ci : {false, true}) {
                const int wide = ci ? platform::db::SpanishCompareCI(a, b) : platform::db::SpanishCompare(a, b);
                const int narrow = platform::db::SpanishCompareUtf8(ua.constData(), int(ua.size()), ub.constData(),
                                                                    int(ub.size()), ci);
                EXPECT_EQ(Sign(narrow), Sign(wide)) << qPrintable(a) << " / " << qPrintable(b) << " ci=" << ci;
            }
        }
    // Malformed bytes (a damaged file) still give a stable order instead of reading past the text.
    const char bad[] = "Pe\xC3";
    const char good[] = "Pe\xC3\xB1";
    EXPECT_EQ(platform::db::SpanishCompareUtf8(bad, 3, bad, 3, false), 0);
    EXPECT_NE(platform::db::SpanishCompareUtf8(bad, 3, good, 4, false), 0);
}

// Keys of a table share long starts ("2024", "0000123", "Peña ..."): texts that differ only
// late, in case, in an accent or in length order as the texts in memory do.
// The file's collators open from locale ids; the server's collations are made from the tags.
TEST(StoredTextOrder, TheLocaleIdsAreTheServerTags) {
    using namespace platform::db;
    for (auto [tag, id] : {std::pair{SpanishOrderTag, SpanishOrderLocale}, {SpanishLettersTag, SpanishLettersLocale}}) {
        char fromTag[ULOC_FULLNAME_CAPACITY] = {};
        UErrorCode e = U_ZERO_ERROR;
        uloc_forLanguageTag(tag, fromTag, sizeof fromTag, nullptr, &e);
        ASSERT_FALSE(U_FAILURE(e)) << tag;
        EXPECT_STREQ(fromTag, id);
    }
    // Capitals first in the full order; case and accents ignored in the letters' order.
    EXPECT_LT(SpanishCompare(QStringLiteral("Peña"), QStringLiteral("peña")), 0);
    EXPECT_EQ(SpanishCompareCI(QStringLiteral("PEÑA"), QStringLiteral("peña")), 0);
    EXPECT_LT(SpanishCompareCI(QStringLiteral("Núñez"), QStringLiteral("nuo")), 0);
}

TEST(StoredTextOrder, TextsWithACommonStartCompareAsUtf16) {
    const QStringList pieces = {QStringLiteral("0"), QStringLiteral("9"), QStringLiteral("a"), QStringLiteral("A"),
                                QStringLiteral("z"), QStringLiteral(" "), QStringLiteral("-"), QStringLiteral("n"),
                                QStringLiteral("ñ"), QStringLiteral("Ñ"), QStringLiteral("é"), QStringLiteral("E"),
                                QStringLiteral("€"), QString::fromUcs4(U"\U0001F600")};
    const QStringList starts = {QString(), QStringLiteral("2024"), QStringLiteral("0000123"), QStringLiteral("Peña "),
                                QStringLiteral("PEÑA ")};
    std::mt19937 rng(5);
    auto text = [&] {
        QString s = starts[int(rng() % starts.size())];
        for (int k = int(rng() % 4); k > 0; --k) s += pieces[int(rng() % pieces.size())];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const QString a = text();
        // Half of the pairs share the first text's start and then part ways.
        QString start = a.left(int(rng() % (a.size() + 1)));
        if (!start.isEmpty() && start.back().isHighSurrogate()) start.chop(1);  // whole characters only
        QString end = text();
        end = end.right(int(rng() % 3));
        if (!end.isEmpty() && end.front().isLowSurrogate()) end.remove(0, 1);
        const QString b = round % 2 ? text() : start + end;
        const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
        for (bool ci : {false, true}) {
            const int wide = ci ? platform::db::SpanishCompareCI(a, b) : platform::db::SpanishCompare(a, b);
            const int narrow =
                platform::db::SpanishCompareUtf8(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()), ci);
            ASSERT_EQ(Sign(narrow), Sign(wide)) << qPrintable(a) << " / " << qPrintable(b) << " ci=" << ci;
        }
    }
    // Damaged bytes after a common start still read as the full decoder reads them.
    for (const char* tail : {"\x80", "\xC3", "\xC3(", "\xE2\x82", "\xF0\x9F\x98", "\xFF"}) {
        const QByteArray a = QByteArray("0000123") + tail, b = QByteArray("0000123") + "\xC3\xB1";
        for (bool ci : {false, true}) {
            const QString wa = QString::fromUtf8(a), wb = QString::fromUtf8(b);
            const int wide = ci ? platform::db::SpanishCompareCI(wa, wb) : platform::db::SpanishCompare(wa, wb);
            EXPECT_EQ(Sign(platform::db::SpanishCompareUtf8(a.constData(), int(a.size()), b.constData(), int(b.size()), ci)),
                      Sign(wide))
                << tail;
            EXPECT_EQ(platform::db::SpanishCompareUtf8(a.constData(), int(a.size()), a.constData(), int(a.size()), ci), 0);
        }
    }
}

// Keys of blanks, digits and letters (accented or not) are ordered without asking the collator:
// the order must still be the collator's, with classes of characters, accents, case and length
// mixed, and a character that bonds with the one before it (a combining tilde on "n") or that
// weighs otherwise ("ª", "ß") must not be missed.
TEST(StoredTextOrder, PlainKeysOrderAsTheCollatorDoes) {
    auto open = [](const char* tag) {
        char id[ULOC_FULLNAME_CAPACITY] = {};
        UErrorCode e = U_ZERO_ERROR;
        uloc_forLanguageTag(tag, id, sizeof id, nullptr, &e);
        e = U_ZERO_ERROR;
        UCollator* c = ucol_open(id, &e);
        EXPECT_FALSE(U_FAILURE(e)) << tag;
        return c;
    };
    UCollator* full = open(platform::db::SpanishOrderTag);
    UCollator* letters = open(platform::db::SpanishLettersTag);
    ASSERT_TRUE(full && letters);
    auto u = [](const QString& s) { return reinterpret_cast<const UChar*>(s.constData()); };
    const QString plain = QStringLiteral(" 019aAbBnNoOzZáÁéñÑüÜçÿ");
    const QStringList other = {QStringLiteral("-"), QStringLiteral("."), QStringLiteral("ª"), QStringLiteral("ß"), QStringLiteral("·"), QStringLiteral("/"), QStringLiteral("\t"),
                               QStringLiteral("Æ"), QStringLiteral("ø"), QString(QChar(0x303)), QString(QChar(0x301)),
                               QStringLiteral("_"), QString(QChar(0xAD)), QString(QChar(0x1)), QStringLiteral("€")};
    std::mt19937 rng(17);
    auto text = [&](int most) {
        QString s;
        for (int k = int(rng() % (most + 1)); k > 0; --k)
            s += rng() % 12 ? QString(plain[int(rng() % plain.size())]) : other[int(rng() % other.size())];
        return s;
    };
    for (int round = 0; round < 40000; ++round) {
        const QString a = text(6);
        // Most pairs share a start, as neighbouring keys of an index do.
        const QString b = round % 4 ? a.left(int(rng() % (a.size() + 1))) + text(3) : text(6);
        int wanted = Sign(ucol_strcoll(full, u(a), int(a.size()), u(b), int(b.size())));
        if (wanted == 0) wanted = Sign(u_strCompare(u(a), int(a.size()), u(b), int(b.size()), true));
        const int wantedCI = Sign(ucol_strcoll(letters, u(a), int(a.size()), u(b), int(b.size())));
        const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
        ASSERT_EQ(Sign(platform::db::SpanishCompare(a, b)), wanted) << qPrintable(a) << " / " << qPrintable(b);
        ASSERT_EQ(Sign(platform::db::SpanishCompareCI(a, b)), wantedCI) << qPrintable(a) << " / " << qPrintable(b);
        ASSERT_EQ(Sign(platform::db::SpanishCompareUtf8(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()), false)),
                  wanted)
            << qPrintable(a) << " / " << qPrintable(b);
        ASSERT_EQ(Sign(platform::db::SpanishCompareUtf8(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()), true)),
                  wantedCI)
            << qPrintable(a) << " / " << qPrintable(b);
    }
    ucol_close(full);
    ucol_close(letters);
}

TEST(StoredTextOrder, LookupOfACalculatedFieldLeavesTheTableAlone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CreateSchema(dir.path());
    TComponent owner(nullptr);
    TTable* t = NewTable(&owner, dir.path(), QStringLiteral("CLIENTES"));
    for (const char* f : {"CLIENTE", "NOMBRE", "APELLIDOS"}) {
        TField* fd = QByteArray(f) == "CLIENTE" ? static_cast<TField*>(new TIntegerField(&owner))
                                                : static_cast<TField*>(new TStringField(&owner));
        fd->SetFieldName(QString::fromLatin1(f));
        if (auto* s = dynamic_cast<TStringField*>(fd)) s->SetSize(40);
        fd->SetDataSet(t);
    }
    auto* nom = new TStringField(&owner);
    nom->SetFieldName(QStringLiteral("NOMCLI"));
    nom->SetFieldKind(fkCalculated);
    nom->SetSize(90);
    nom->SetDataSet(t);
    t->OnCalcFields = [](TDataSet* ds) {
        ds->FieldByName(QStringLiteral("NOMCLI"))->SetAsString(ds->FieldByName(QStringLiteral("APELLIDOS"))->AsString() + QStringLiteral(", ") +
                                                               ds->FieldByName(QStringLiteral("NOMBRE"))->AsString());
    };
    t->Open();
    int code = 1;
    for (const char* n : {"Ana|Peña", "Íñigo|Ávila", "Eva|Soto"}) {
        const QStringList p = QString::fromUtf8(n).split(QLatin1Char('|'));
        t->Append();
        t->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(code++);
        t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(p[0]);
        t->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(p[1]);
        t->Post();
    }
    t->First();
    TDataSource src(nullptr);
    src.SetDataSet(t);
    int changes = 0, scrolls = 0;
    src.OnDataChange = [&](TObject*, TField*) { ++changes; };
    t->AfterScroll = [&](TDataSet*) { ++scrolls; };
    EXPECT_EQ(t->Lookup(QStringLiteral("CLIENTE"), Variant(2), QStringLiteral("NOMCLI")).AsString(), QStringLiteral("Ávila, Íñigo"));
    EXPECT_EQ(t->Lookup(QStringLiteral("APELLIDOS"), Variant(QStringLiteral("Soto")), QStringLiteral("CLIENTE;NOMCLI")).AsArray().at(1).AsString(),
              QStringLiteral("Soto, Eva"));
    EXPECT_TRUE(t->Lookup(QStringLiteral("CLIENTE"), Variant(9), QStringLiteral("NOMCLI")).IsNull());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(scrolls, 0);
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 1);
    EXPECT_EQ(nom->AsString(), QStringLiteral("Peña, Ana"));
    // Within a range the lookup sees only the range's rows, as a search would.
    t->SetRange({Variant(1)}, {Variant(2)});
    EXPECT_TRUE(t->Lookup(QStringLiteral("CLIENTE"), Variant(3), QStringLiteral("NOMCLI")).IsNull());
    EXPECT_EQ(t->Lookup(QStringLiteral("CLIENTE"), Variant(1), QStringLiteral("NOMCLI")).AsString(), QStringLiteral("Peña, Ana"));
}

}  // namespace
