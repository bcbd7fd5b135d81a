// Texts as the file stores them (UTF-8) order exactly as the same texts in memory, and lookups
// read their row without moving or notifying the table they read from.
#include "Support.h"
#include "platform/db/Collation.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

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
