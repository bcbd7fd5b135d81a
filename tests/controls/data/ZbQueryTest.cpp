// Macro queries: finding macros, expanding them once, literals, escapes and pattern edits.
#include "controls/data/ZbQuery.h"
#include "platform/db/Driver.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ZbQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        auto conn = platform::db::OpenSqlite(dir.path());
        platform::db::TTableDesc d;
        d.Name = QStringLiteral("PERSONAS");
        d.Columns = {{QStringLiteral("CODIGO"), platform::db::TColumnType::Integer, 0, false},
                     {QStringLiteral("NOMBRE"), platform::db::TColumnType::Text, 20, false}};
        conn->CreateTable(d);
        conn->Insert(d.Name, {QStringLiteral("CODIGO"), QStringLiteral("NOMBRE")}, {QVariant(1), QVariant(QStringLiteral("Zoilo"))});
        conn->Insert(d.Name, {QStringLiteral("CODIGO"), QStringLiteral("NOMBRE")}, {QVariant(2), QVariant(QStringLiteral("Ana"))});
        conn->Insert(d.Name, {QStringLiteral("CODIGO"), QStringLiteral("NOMBRE")}, {QVariant(3), QVariant(QStringLiteral("Ñoño"))});
        q = new TZbQuery(&owner);
        q->SetDatabaseName(dir.path());
    }
    QString Statement() const {
        QString s = static_cast<TQuery*>(q)->SQL()->Text();
        return s.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed();
    }
    QStringList Names() {
        QStringList r;
        for (q->First(); !q->Eof(); q->Next()) r << q->FieldByName(QStringLiteral("NOMBRE"))->AsString();
        return r;
    }
    QTemporaryDir dir;
    TComponent owner{nullptr};
    TZbQuery* q = nullptr;
};

}  // namespace

TEST_F(ZbQueryTest, AnOrderMacroChangesTheSortOnTheNextOpen) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS\nORDER BY %ORDER"));
    ASSERT_EQ(q->MacroCount(), 1);
    q->MacroByName(QStringLiteral("ORDER"))->SetAsString(QStringLiteral("NOMBRE"));
    q->Open();
    EXPECT_EQ(Statement(), QStringLiteral("SELECT * FROM PERSONAS\nORDER BY NOMBRE"));
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("Ana"), QStringLiteral("Ñoño"), QStringLiteral("Zoilo")}));
    EXPECT_EQ(q->CursorState(), 0);
    q->Close();
    q->MacroByName(QStringLiteral("ORDER"))->SetAsString(QStringLiteral("CODIGO"));
    q->Open();
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("Zoilo"), QStringLiteral("Ana"), QStringLiteral("Ñoño")}));
}

TEST_F(ZbQueryTest, AMacroLeftAloneIsAlwaysTrue) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE %COND"));
    EXPECT_EQ(q->MacroByName(QStringLiteral("COND"))->AsString(), QStringLiteral("0=0"));
    q->Open();
    EXPECT_EQ(Statement(), QStringLiteral("SELECT * FROM PERSONAS WHERE 0=0"));
    EXPECT_EQ(q->RecordCount(), 3);
}

TEST_F(ZbQueryTest, LiteralsAndEscapedMacroCharactersAreLeftAsWritten) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE NOMBRE <> 'abc %X' AND NOMBRE <> \"%Y\" AND %%Z = %%Z"));
    EXPECT_EQ(q->MacroCount(), 0);
    EXPECT_THROW(q->MacroByName(QStringLiteral("X")), EDatabaseError);
    EXPECT_EQ(Statement(), QStringLiteral("SELECT * FROM PERSONAS WHERE NOMBRE <> 'abc %X' AND NOMBRE <> \"%Y\" AND %%Z = %%Z"));
}

TEST_F(ZbQueryTest, ALongerNameIsNotTakenForAShorterMacro) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS ORDER BY %ORDER2, %ORDER"));
    q->MacroByName(QStringLiteral("ORDER"))->SetAsString(QStringLiteral("NOMBRE"));
    q->MacroByName(QStringLiteral("ORDER2"))->SetAsString(QStringLiteral("CODIGO"));
    q->ExpandMacros();
    EXPECT_EQ(Statement(), QStringLiteral("SELECT * FROM PERSONAS ORDER BY CODIGO, NOMBRE"));
}

TEST_F(ZbQueryTest, EditingThePatternKeepsTheValuesOfTheMacrosThatRemain) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE %COND ORDER BY %ORDER"));
    q->MacroByName(QStringLiteral("COND"))->SetAsString(QStringLiteral("CODIGO > 1"));
    q->MacroByName(QStringLiteral("ORDER"))->SetAsString(QStringLiteral("NOMBRE"));
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE %COND AND %OTRA ORDER BY CODIGO"));
    ASSERT_EQ(q->MacroCount(), 2);
    EXPECT_EQ(q->MacroByName(QStringLiteral("COND"))->AsString(), QStringLiteral("CODIGO > 1"));
    EXPECT_EQ(q->MacroByName(QStringLiteral("OTRA"))->AsString(), QStringLiteral("0=0"));
    q->Open();
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("Ana"), QStringLiteral("Ñoño")}));
}

TEST_F(ZbQueryTest, AValueHoldingItsOwnMacroIsInsertedOnceAndNeverRescanned) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE %A AND %B AND %A"));
    ASSERT_EQ(q->MacroCount(), 3);  // one item per occurrence
    q->MacroByName(QStringLiteral("A"))->SetAsString(QStringLiteral("%A"));
    q->MacroByName(QStringLiteral("B"))->SetAsString(QStringLiteral("%A OR %B"));
    q->ExpandMacros();
    EXPECT_EQ(Statement(), QStringLiteral("SELECT * FROM PERSONAS WHERE %A AND %A OR %B AND %A"));
}

TEST_F(ZbQueryTest, QuotedNamesAndDelimitersEndAMacroName) {
    EXPECT_EQ(controls::data::FindMacros(QStringLiteral("%\"MI MACRO\" %A.B %C,%D;%E)%F\r\n%G"), QLatin1Char('%')),
              (QStringList{QStringLiteral("MI MACRO"), QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("D"),
                           QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("G")}));
    TParams macros;
    macros.CreateParam(ftString, QStringLiteral("MI MACRO"), ptInput)->SetAsString(QStringLiteral("x"));
    macros.CreateParam(ftString, QStringLiteral("A"), ptInput)->SetAsString(QStringLiteral("t"));
    EXPECT_EQ(controls::data::ExpandLine(QStringLiteral("%\"MI MACRO\" = %A.B"), QLatin1Char('%'), macros), QStringLiteral("x = t.B"));
}

TEST_F(ZbQueryTest, WritingTheStatementDirectlyMakesItThePattern) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS ORDER BY %ORDER"));
    q->MacroByName(QStringLiteral("ORDER"))->SetAsString(QStringLiteral("NOMBRE"));
    static_cast<TQuery*>(q)->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE %COND ORDER BY %ORDER"));
    EXPECT_EQ(q->SQL()->Strings(0), QStringLiteral("SELECT * FROM PERSONAS WHERE %COND ORDER BY %ORDER"));
    EXPECT_EQ(Statement(), QStringLiteral("SELECT * FROM PERSONAS WHERE 0=0 ORDER BY NOMBRE"));
}

TEST_F(ZbQueryTest, AnotherMacroCharacterFindsOtherMacros) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE &COND AND NOMBRE LIKE '%a%'"));
    EXPECT_EQ(q->MacroCount(), 0);
    q->SetMacroChar(QLatin1Char('&'));
    ASSERT_EQ(q->MacroCount(), 1);
    q->MacroByName(QStringLiteral("COND"))->SetAsString(QStringLiteral("CODIGO = 2"));
    q->Open();
    EXPECT_EQ(Names(), QStringList{QStringLiteral("Ana")});
}

TEST_F(ZbQueryTest, WhileLoadingThePatternIsExpandedOnlyOnceLoaded) {
    TZbQuery* loading = new TZbQuery(&owner);
    loading->SetDatabaseName(dir.path());
    loading->BeginLoading();
    loading->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE %COND"));
    EXPECT_TRUE(static_cast<TQuery*>(loading)->SQL()->Text().trimmed().isEmpty());
    loading->EndLoading();
    EXPECT_EQ(static_cast<TQuery*>(loading)->SQL()->Text().trimmed(), QStringLiteral("SELECT * FROM PERSONAS WHERE 0=0"));
}

TEST_F(ZbQueryTest, ARepeatedNameGivesAnItemPerOccurrenceAndEveryOccurrenceTakesItsValue) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE %COND OR %COND\nORDER BY %ORDER"));
    ASSERT_EQ(q->MacroCount(), 3);
    EXPECT_EQ(q->Macros()->Items(0)->Name(), QStringLiteral("COND"));
    EXPECT_EQ(q->Macros()->Items(1)->Name(), QStringLiteral("COND"));
    EXPECT_EQ(q->Macros()->Items(2)->Name(), QStringLiteral("ORDER"));
    q->MacroByName(QStringLiteral("COND"))->SetAsString(QStringLiteral("CODIGO = 3"));
    q->MacroByName(QStringLiteral("ORDER"))->SetAsString(QStringLiteral("NOMBRE"));
    q->Open();
    EXPECT_EQ(Statement(), QStringLiteral("SELECT * FROM PERSONAS WHERE CODIGO = 3 OR CODIGO = 3\nORDER BY NOMBRE"));
    EXPECT_EQ(Names(), QStringList{QStringLiteral("Ñoño")});
}

TEST_F(ZbQueryTest, AMacroWrittenInOtherCapitalsIsStillExpanded) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS ORDER BY %Order"));
    q->MacroByName(QStringLiteral("ORDER"))->SetAsString(QStringLiteral("NOMBRE"));
    // The pattern is rewritten with the name in capitals: the value stays and the macro expands.
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS ORDER BY %ORDER"));
    ASSERT_EQ(q->MacroCount(), 1);
    EXPECT_EQ(q->Macros()->Items(0)->Name(), QStringLiteral("ORDER"));
    q->Open();
    EXPECT_EQ(Statement(), QStringLiteral("SELECT * FROM PERSONAS ORDER BY NOMBRE"));
    EXPECT_EQ(Names(), (QStringList{QStringLiteral("Ana"), QStringLiteral("Ñoño"), QStringLiteral("Zoilo")}));
}

TEST_F(ZbQueryTest, AMacroNameInsideAQuotedLiteralIsLeftThereButExpandedOutside) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE NOMBRE <> '%COND' AND %COND"));
    ASSERT_EQ(q->MacroCount(), 1);
    q->MacroByName(QStringLiteral("COND"))->SetAsString(QStringLiteral("CODIGO > 1"));
    q->Open();
    EXPECT_EQ(Statement(), QStringLiteral("SELECT * FROM PERSONAS WHERE NOMBRE <> '%COND' AND CODIGO > 1"));
    EXPECT_EQ(q->RecordCount(), 2);
}

TEST_F(ZbQueryTest, DisconnectClosesAndTakesTheStatementNoticeBack) {
    q->SQL()->SetText(QStringLiteral("SELECT * FROM PERSONAS ORDER BY %ORDER"));
    q->MacroByName(QStringLiteral("ORDER"))->SetAsString(QStringLiteral("NOMBRE"));
    q->Open();
    auto* statement = static_cast<TStringList*>(static_cast<TQuery*>(q)->SQL());
    // Something took the statement's change notice over and wrote a statement of its own.
    statement->OnChange = nullptr;
    statement->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE %COND"));
    q->Disconnect();
    EXPECT_FALSE(q->Active());
    EXPECT_FALSE(q->Prepared());
    // That statement became the pattern, and later writes of the statement are followed again.
    EXPECT_EQ(q->SQL()->Text().trimmed(), QStringLiteral("SELECT * FROM PERSONAS WHERE %COND"));
    EXPECT_EQ(q->MacroCount(), 1);
    statement->SetText(QStringLiteral("SELECT * FROM PERSONAS WHERE CODIGO = %N"));
    EXPECT_EQ(q->SQL()->Text().trimmed(), QStringLiteral("SELECT * FROM PERSONAS WHERE CODIGO = %N"));
    q->MacroByName(QStringLiteral("N"))->SetAsString(QStringLiteral("2"));
    q->Open();
    EXPECT_EQ(Names(), QStringList{QStringLiteral("Ana")});
}
