// The way the data module saves records: validation in BeforePost, a counter row re-read and
// written back from the handlers of another table, engine errors turned into an abort.
#include "Support.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dbtest;

namespace {

class NumberingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path();
        CreateSchema(folder);
        sistem = NewTable(&owner, folder, QStringLiteral("SISTEM"));
        sistem->FieldDefs()->Add(QStringLiteral("NUMERO"), ftInteger, 0, true);
        sistem->FieldDefs()->Add(QStringLiteral("CLIENTE"), ftInteger);
        sistem->IndexDefs()->Add(QString(), QStringLiteral("NUMERO"), ixPrimary);
        ASSERT_TRUE(platform::db::EnsureTable(sistem).isEmpty());
        sistem->Open();
        sistem->Append();
        sistem->FieldByName(QStringLiteral("NUMERO"))->SetAsInteger(1);
        sistem->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(41);
        sistem->Post();
        sistem->AfterPost = [](TDataSet* ds) { static_cast<TTable*>(ds)->FlushBuffers(); };

        clientes = NewTable(&owner, folder, QStringLiteral("CLIENTES"));
        clientes->SetIndexFieldNames(QStringLiteral("APELLIDOS;NOMBRE"));
        clientes->BeforePost = [this](TDataSet* ds) {
            if (ds->FieldByName(QStringLiteral("APELLIDOS"))->Text().isEmpty()) {
                messages << QStringLiteral("APELLIDOS no puede quedar vacío");
                Abort();
            }
            sistem->Refresh();
            if (ds->State() == dsInsert)
                ds->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(sistem->FieldByName(QStringLiteral("CLIENTE"))->AsInteger() + 1);
        };
        clientes->AfterPost = [this](TDataSet* ds) {
            int n = ds->FieldByName(QStringLiteral("CLIENTE"))->AsInteger();
            if (n > sistem->FieldByName(QStringLiteral("CLIENTE"))->AsInteger()) {
                sistem->Edit();
                sistem->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(n);
                sistem->Post();
            }
            static_cast<TTable*>(ds)->FlushBuffers();
        };
        clientes->OnPostError = [this](TDataSet* ds, EDatabaseError& e, TDataAction& action) {
            if (auto* engine = dynamic_cast<EDBEngineError*>(&e)) {
                switch (engine->Errors(0).ErrorCode) {
                case 0x2801: messages << QStringLiteral("REGISTRO EN USO"); break;
                case 0x2601: messages << QStringLiteral("CLAVE DUPLICADA"); break;
                case 0x2813: messages << ds->Name() + QStringLiteral(" MODIFICADO POR OTRO USUARIO"); break;
                default: messages << QStringLiteral("Error :%1").arg(engine->Errors(0).ErrorCode);
                }
            }
            action = daAbort;
        };
        clientes->OnEditError = clientes->OnPostError;
        clientes->SetName(QStringLiteral("TClientes"));
        clientes->Open();
    }
    void NewClient(const QString& apellidos) {
        clientes->Insert();
        clientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
        clientes->Post();
    }
    QTemporaryDir dir;
    QString folder;
    TComponent owner{nullptr};
    TTable* sistem = nullptr;
    TTable* clientes = nullptr;
    QStringList messages;
};

}  // namespace

TEST_F(NumberingTest, NewRecordsTakeTheNextCounterAndWriteItBack) {
    NewClient(QStringLiteral("Peña"));
    EXPECT_EQ(clientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 42);
    EXPECT_EQ(sistem->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 42);
    NewClient(QStringLiteral("Abad"));
    EXPECT_EQ(clientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 43);
    EXPECT_EQ(clientes->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("Abad"));
    // Editing an old record gives no new number and leaves the counter alone.
    ASSERT_TRUE(clientes->Locate(QStringLiteral("CLIENTE"), Variant(42), 0));
    clientes->Edit();
    clientes->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Ana"));
    clientes->Post();
    EXPECT_EQ(clientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 42);
    EXPECT_EQ(sistem->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 43);
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("SELECT CLIENTE FROM SISTEM"));
    q->Open();
    EXPECT_EQ(q->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 43);
}

TEST_F(NumberingTest, AFailedCheckStoresNothingAndKeepsTheCounter) {
    clientes->Insert();
    EXPECT_THROW(clientes->Post(), EAbort);
    EXPECT_EQ(messages, QStringList({QStringLiteral("APELLIDOS no puede quedar vacío")}));
    EXPECT_EQ(clientes->State(), dsInsert);
    clientes->Cancel();
    EXPECT_EQ(clientes->RecordCount(), 0);
    EXPECT_EQ(sistem->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 41);
}

TEST_F(NumberingTest, ANumberTakenMeanwhileIsAKeyViolationThenTheNextTryWorks) {
    // Another workstation stored client 42 without moving the counter.
    TTable* other = NewTable(&owner, folder, QStringLiteral("CLIENTES"));
    other->Open();
    other->Append();
    other->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(42);
    other->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Otro"));
    other->Post();
    clientes->Insert();
    clientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Mía"));
    EXPECT_THROW(clientes->Post(), EAbort);  // CLIENTE is the primary key
    EXPECT_EQ(messages, QStringList({QStringLiteral("CLAVE DUPLICADA")}));
    EXPECT_EQ(clientes->State(), dsInsert);
    sistem->Edit();
    sistem->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(42);
    sistem->Post();
    clientes->Post();
    EXPECT_EQ(clientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 43);
}

TEST_F(NumberingTest, AStaleRecordNamesTheDataSetInTheMessage) {
    NewClient(QStringLiteral("Soto"));
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("UPDATE CLIENTES SET NOMBRE = 'Eva' WHERE CLIENTE = 42"));
    q->ExecSQL();
    EXPECT_THROW(clientes->Edit(), EAbort);
    EXPECT_EQ(messages.last(), QStringLiteral("TClientes MODIFICADO POR OTRO USUARIO"));
    EXPECT_EQ(clientes->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Eva"));
    clientes->Edit();  // now current
    EXPECT_EQ(clientes->State(), dsEdit);
    clientes->Cancel();
}
