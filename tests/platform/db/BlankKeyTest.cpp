// An empty text searched for: the rows whose text is blank, whether our writes left it null or
// plain SQL left it empty, on both engines.
#include "Support.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dbtest;

namespace {


}  // namespace

TEST(BlankKeyTest, AnEmptyTextFindsTheRowsWhoseTextIsNullOrEmpty) {
    QTemporaryDir dir;
    CreateSchema(dir.path());
    TComponent owner(nullptr);
    TTable* t = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
    t->Open();
    AddCase(t, QStringLiteral("2024"), QStringLiteral("1"));  // no subject: stored null
    AddCase(t, QStringLiteral("2024"), QStringLiteral("2"));
    AddCase(t, QStringLiteral("2024"), QStringLiteral("3"));
    NewQuery(&owner, dir.path(), QStringLiteral("UPDATE EXPED SET ASUNTO = '' WHERE NUMERO = '2'"))->ExecSQL();
    NewQuery(&owner, dir.path(), QStringLiteral("UPDATE EXPED SET ASUNTO = 'Desahucio' WHERE NUMERO = '3'"))->ExecSQL();
    t->Refresh();

    // The null row and the empty one, searched alone or with another key, with either blank.
    for (const QString& blank : {QString(), QStringLiteral("")}) {
        for (const char* numero : {"1", "2"}) {
            EXPECT_TRUE(t->Locate(QStringLiteral("ASUNTO;NUMERO"), VarArrayOf({Variant(blank), Variant(QString::fromLatin1(numero))}), 0))
                << numero;
            EXPECT_TRUE(t->Locate(QStringLiteral("NUMERO;ASUNTO"), VarArrayOf({Variant(QString::fromLatin1(numero)), Variant(blank)}),
                                  loCaseInsensitive))
                << numero;
        }
        ASSERT_TRUE(t->Locate(QStringLiteral("ASUNTO"), Variant(blank), 0));
        EXPECT_EQ(t->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("1"));
        EXPECT_FALSE(t->Locate(QStringLiteral("ASUNTO;NUMERO"), VarArrayOf({Variant(blank), Variant(QStringLiteral("3"))}), 0));
    }
    EXPECT_EQ(t->Lookup(QStringLiteral("ASUNTO"), Variant(QStringLiteral("")), QStringLiteral("NUMERO")).AsString(), QStringLiteral("1"));
}
