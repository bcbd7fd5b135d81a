// What a connection knows of the tables: the layouts it read keep up with the changes another
// connection makes, and the declarations it reads back are the ones written.
#include "platform/db/Driver.h"
#include "platform/db/EngineSql.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using namespace platform::db;

TTableDesc Table(const char* name, std::vector<TColumnDesc> columns, std::vector<TIndexDesc> indexes) {
    TTableDesc d;
    d.Name = QString::fromLatin1(name);
    d.Columns = std::move(columns);
    d.Indexes = std::move(indexes);
    return d;
}

TEST(LayoutReadTest, TablesAndIndexesAnotherConnectionMakesOrDropsAreSeenOnceLayoutsAreKnown) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    auto ours = OpenData(folder);
    auto theirs = OpenData(folder);
    theirs->CreateTable(Table("UNO", {{"COD", TColumnType::Integer}, {"NOMBRE", TColumnType::Text, 30}},
                              {{"", {"COD"}, true, true, false}}));
    // Everything known here: the first description reads all there is.
    EXPECT_EQ(ours->DescribeTable(QStringLiteral("uno")).Columns.size(), 2u);
    EXPECT_TRUE(ours->TableExists(QStringLiteral("UNO.DB")));
    EXPECT_FALSE(ours->TableExists(QStringLiteral("DOS")));

    theirs->CreateTable(Table("DOS", {{"ANO", TColumnType::Text, 4}}, {}));
    EXPECT_TRUE(ours->TableExists(QStringLiteral("DOS")));
    EXPECT_EQ(ours->DescribeTable(QStringLiteral("DOS")).Columns.size(), 1u);

    theirs->AddIndex(QStringLiteral("UNO"), {"pornombre", {"NOMBRE"}, false, false, true});
    const TTableDesc uno = ours->DescribeTable(QStringLiteral("UNO"));
    ASSERT_EQ(uno.Indexes.size(), 2u);
    EXPECT_TRUE(uno.Indexes[0].Primary);
    EXPECT_EQ(uno.Indexes[1].Name, QStringLiteral("pornombre"));
    EXPECT_TRUE(uno.Indexes[1].CaseInsensitive);

    theirs->DropTable(QStringLiteral("DOS"));
    EXPECT_FALSE(ours->TableExists(QStringLiteral("DOS")));
    EXPECT_THROW(ours->DescribeTable(QStringLiteral("DOS")), std::exception);

    // What this connection makes itself is known at once.
    ours->CreateTable(Table("TRES", {{"X", TColumnType::Integer}}, {}));
    EXPECT_TRUE(ours->TableExists(QStringLiteral("TRES")));
    EXPECT_TRUE(theirs->TableExists(QStringLiteral("TRES")));
    ours->DropTable(QStringLiteral("TRES"));
    EXPECT_FALSE(ours->TableExists(QStringLiteral("TRES")));
}

// While a batch of opens holds the layouts, another connection's change waits for the hold to
// end and is seen at once after it; this connection's own changes are seen at once throughout,
// and a hold inside another ends with the outer one. (The server's connection reads a layout
// afresh at each question and has nothing to hold.)
TEST(LayoutReadTest, HeldLayoutsSeeOtherConnectionsChangesWhenReleasedAndOwnChangesAtOnce) {
    QTemporaryDir dir;
    auto ours = OpenSqlite(dir.path());
    auto theirs = OpenSqlite(dir.path());
    theirs->CreateTable(Table("UNO", {{"COD", TColumnType::Integer}}, {}));
    {
        TLayoutsHeld held(ours);
        EXPECT_EQ(ours->DescribeTable(QStringLiteral("UNO")).Columns.size(), 1u);
        theirs->DropTable(QStringLiteral("UNO"));
        theirs->CreateTable(Table("UNO", {{"COD", TColumnType::Integer}, {"NOMBRE", TColumnType::Text, 30}}, {}));
        theirs->CreateTable(Table("DOS", {{"ANO", TColumnType::Text, 4}}, {}));
        {
            TLayoutsHeld inner(ours);
            EXPECT_EQ(ours->DescribeTable(QStringLiteral("UNO")).Columns.size(), 1u);
        }
        EXPECT_FALSE(ours->TableExists(QStringLiteral("DOS")));  // still the layouts the hold began with

        ours->CreateTable(Table("TRES", {{"X", TColumnType::Integer}}, {}));
        EXPECT_TRUE(ours->TableExists(QStringLiteral("TRES")));
        // Its own change made it read the file again: what the other made is there too now.
        EXPECT_TRUE(ours->TableExists(QStringLiteral("DOS")));
        EXPECT_EQ(ours->DescribeTable(QStringLiteral("UNO")).Columns.size(), 2u);
        theirs->DropTable(QStringLiteral("DOS"));
        EXPECT_TRUE(ours->TableExists(QStringLiteral("DOS")));
    }
    EXPECT_FALSE(ours->TableExists(QStringLiteral("DOS")));
    theirs->DropTable(QStringLiteral("TRES"));
    EXPECT_FALSE(ours->TableExists(QStringLiteral("TRES")));
    EXPECT_THROW(ours->DescribeTable(QStringLiteral("TRES")), std::exception);
}

// Two programs started at once on a new folder: each checks the tables under a hold, and the
// one whose write transaction comes second must see the tables the first has made meanwhile.
TEST(LayoutReadTest, AWriteTransactionDuringAHoldSeesTablesAnotherConnectionMade) {
    QTemporaryDir dir;
    auto ours = OpenSqlite(dir.path());
    auto theirs = OpenSqlite(dir.path());
    TLayoutsHeld held(ours);
    EXPECT_FALSE(ours->TableExists(QStringLiteral("SISTEM")));
    theirs->CreateTable(Table("SISTEM", {{"NUMERO", TColumnType::Integer}}, {}));
    EXPECT_FALSE(ours->TableExists(QStringLiteral("SISTEM")));  // reads stay on the held layouts
    ours->StartTransaction();
    EXPECT_TRUE(ours->TableExists(QStringLiteral("SISTEM")));
    EXPECT_EQ(ours->DescribeTable(QStringLiteral("SISTEM")).Columns.size(), 1u);
    ours->Rollback();
    // The hold goes on with what the transaction read.
    theirs->CreateTable(Table("TABCON", {{"ANO", TColumnType::Integer}}, {}));
    EXPECT_TRUE(ours->TableExists(QStringLiteral("SISTEM")));
    EXPECT_FALSE(ours->TableExists(QStringLiteral("TABCON")));
}

TEST(LayoutReadTest, ColumnDeclarationsReadBackAsWrittenAndOthersAreRefused) {
    for (TColumnType t : {TColumnType::Text, TColumnType::Integer, TColumnType::Short, TColumnType::Float, TColumnType::Currency,
                          TColumnType::Date, TColumnType::Time, TColumnType::DateTime, TColumnType::Logical, TColumnType::Memo,
                          TColumnType::Blob, TColumnType::AutoInc})
        for (bool required : {false, true}) {
            TColumnDesc written{QStringLiteral("C"), t, t == TColumnType::Text ? 40 : 0, required};
            TColumnDesc read{QStringLiteral("C")};
            ASSERT_TRUE(engine::ParseType(engine::Declaration(written), read)) << engine::Declaration(written).toStdString();
            EXPECT_EQ(read, written) << engine::Declaration(written).toStdString();
        }
    TColumnDesc c;
    EXPECT_FALSE(engine::ParseType(QStringLiteral("  text   required ( 12) "), c));
    ASSERT_TRUE(engine::ParseType(QStringLiteral("  text   required(12) "), c));
    EXPECT_EQ(c.Type, TColumnType::Text);
    EXPECT_TRUE(c.Required);
    EXPECT_EQ(c.Size, 12);
    ASSERT_TRUE(engine::ParseType(QStringLiteral("INTEGER"), c));
    EXPECT_FALSE(c.Required);
    EXPECT_EQ(c.Size, 0);
    for (const char* bad : {"", "(20)", "TEXTREQUIRED", "TEXT REQUIREDX", "TEXT REQUIRED X", "TEXT(20", "TEXT()", "TEXT(2a)",
                            "TEXT(20) X", "VARCHAR(20)", "TEXT,INTEGER"})
        EXPECT_FALSE(engine::ParseType(QString::fromLatin1(bad), c)) << bad;
}

// Runs `sql` on the folder's file as another program would, with the program's orders at hand.
void Otro(const QString& folder, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder + QStringLiteral("/zembra.db")).toUtf8().constData(), &db), SQLITE_OK);
    RegisterSqliteFunctions(db);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql << sqlite3_errmsg(db);
    sqlite3_close(db);
}

QStringList Nombres(const std::vector<TColumnDesc>& columns) {
    QStringList n;
    for (const TColumnDesc& c : columns) n << c.Name;
    return n;
}

// Tables and indexes another program wrote in the folder's file in its own words (names quoted or bare, in another
// case, types left out, constraints, an index remade, orders from the column or the index) are
// described as the engine itself lists them; so are those with comments, generated columns or
// indexes on expressions or on part of the rows.
TEST(LayoutReadTest, LayoutsWrittenByOtherProgramsReadAsTheEngineListsThem) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    OpenSqlite(folder);
    Otro(folder,
         "CREATE TABLE \"Mixta\" (\"Cod\" INTEGER REQUIRED DEFAULT 0, nombre TEXT(20) COLLATE NOCASE, "
         "\"con \"\"comillas\"\"\" TEXT(5), 'entre' FLOAT, sintipo, alta DATE CHECK (alta > 0), "
         "CONSTRAINT c1 UNIQUE (nombre), CHECK (\"Cod\" >= 0));"
         "CREATE UNIQUE INDEX \"mixta$pk\" ON mixta (cod);"
         "CREATE INDEX mixta$viejo ON Mixta (alta);"
         "CREATE INDEX IF NOT EXISTS \"mixta$pornombre\" ON \"Mixta\" (NOMBRE COLLATE ZBES_CI DESC, \"con \"\"comillas\"\"\");"
         "CREATE INDEX otro_indice ON mixta (sintipo);"
         "CREATE INDEX \"mixta$sin\" ON mixta (sintipo ASC);"
         "DROP INDEX mixta$viejo;"
         "CREATE INDEX mixta$viejo ON Mixta (alta, cod);"
         "CREATE TABLE sola (n TEXT(9) COLLATE ZBES_CI); CREATE INDEX sola$n ON sola (n)");
    auto mixtaComoEs = [](const TTableDesc& mixta) {
        EXPECT_EQ(Nombres(mixta.Columns), QStringList({"Cod", "nombre", "con \"comillas\"", "entre", "sintipo", "alta"}));
        ASSERT_EQ(mixta.Columns.size(), 6u);
        EXPECT_EQ(mixta.Columns[0], (TColumnDesc{QStringLiteral("Cod"), TColumnType::Integer, 0, true}));
        EXPECT_EQ(mixta.Columns[1], (TColumnDesc{QStringLiteral("nombre"), TColumnType::Text, 20, false}));
        EXPECT_EQ(mixta.Columns[3].Type, TColumnType::Float);
        EXPECT_EQ(mixta.Columns[4].Type, TColumnType::Text);
        EXPECT_EQ(mixta.Columns[5].Type, TColumnType::Date);
        // The primary first, then the others as they were made; other programs' indexes are left out.
        ASSERT_EQ(mixta.Indexes.size(), 4u);
        EXPECT_EQ(mixta.Indexes[0], (TIndexDesc{QString(), {"Cod"}, true, true, false}));
        EXPECT_EQ(mixta.Indexes[1], (TIndexDesc{QStringLiteral("pornombre"), {"nombre", "con \"comillas\""}, false, false, true}));
        EXPECT_EQ(mixta.Indexes[2], (TIndexDesc{QStringLiteral("sin"), {"sintipo"}, false, false, false}));
        EXPECT_EQ(mixta.Indexes[3], (TIndexDesc{QStringLiteral("viejo"), {"alta", "Cod"}, false, false, false}));
    };
    {
        auto c = OpenSqlite(folder);
        mixtaComoEs(c->DescribeTable(QStringLiteral("MIXTA")));
        const TTableDesc sola = c->DescribeTable(QStringLiteral("SOLA"));
        ASSERT_EQ(sola.Indexes.size(), 1u);
        EXPECT_EQ(sola.Indexes[0].Fields, QStringList({"n"}));
        EXPECT_TRUE(sola.Indexes[0].CaseInsensitive);  // the column's own order
        EXPECT_EQ(sola.Columns[0].Size, 9);
    }
    Otro(folder,
         "CREATE TABLE gen (a INTEGER, b TEXT(3) AS (a || 'x'), c FLOAT);"
         "CREATE INDEX \"gen$expr\" ON gen (a + 1);"
         "CREATE TABLE com (a INTEGER, -- una nota, con coma\n b TEXT(3) /* otra ) */);"
         "CREATE INDEX \"com$parte\" ON com (b) WHERE a > 0");
    auto c = OpenSqlite(folder);
    mixtaComoEs(c->DescribeTable(QStringLiteral("mixta")));
    const TTableDesc gen = c->DescribeTable(QStringLiteral("gen"));
    EXPECT_EQ(Nombres(gen.Columns), QStringList({"a", "c"}));
    ASSERT_EQ(gen.Indexes.size(), 1u);
    EXPECT_EQ(gen.Indexes[0].Name, QStringLiteral("expr"));
    const TTableDesc com = c->DescribeTable(QStringLiteral("com"));
    EXPECT_EQ(Nombres(com.Columns), QStringList({"a", "b"}));
    ASSERT_EQ(com.Indexes.size(), 1u);
    EXPECT_EQ(com.Indexes[0].Fields, QStringList({"b"}));
}
// Each column's type, size, requirement and order read from the table's text are those the engine
// itself reports, however the definition is worded.
TEST(LayoutReadTest, ColumnTypesAndOrdersReadFromTheTextAreTheEnginesOwn) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    OpenSqlite(folder);
    const char* const columns[] = {
        "a TEXT(20) COLLATE ZBES_CI", "b text required(5) collate zbes_ci DEFAULT ''", "c INTEGER PRIMARY KEY",
        "d VARCHAR(10)", "e \"TEXT\"(3)", "f TEXT (7) NOT NULL COLLATE NOCASE", "g FLOAT DEFAULT 1.5",
        "h DATE CHECK (h COLLATE ZBES_CI > 0)", "i TEXT COLLATE \"ZBES_CI\"", "j TEXT COLLATE ZBES_CI COLLATE BINARY",
        "k", "l DOUBLE PRECISION", "m TEXT(10, 2)", "n TEXT(+5)", "o SMALLINT REFERENCES otra (x)", "p MEMOTEXT KEY",
        "q TEXT REQUIRED", "r LOGICAL CONSTRAINT nn NOT NULL COLLATE ZBES_CI", "s DATETIME DEFAULT (1 + 2)",
        "t INTEGER'x'", "u CURRENCY UNIQUE", "v TIME NULL COLLATE 'ZBES_CI'"};
    QByteArray sql = "CREATE TABLE tipos (";
    QByteArray indexes;
    for (const char* c : columns) {
        if (c != columns[0]) sql += ", ";
        sql += c;
        const QByteArray name = QByteArray(c).left(1);
        indexes += "CREATE INDEX \"tipos$" + name + "\" ON tipos (" + name + ");";
    }
    sql += ");" + indexes;
    Otro(folder, sql.constData());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder + QStringLiteral("/zembra.db")).toUtf8().constData(), &db), SQLITE_OK);
    const TTableDesc read = OpenSqlite(folder)->DescribeTable(QStringLiteral("TIPOS"));
    ASSERT_EQ(read.Columns.size(), std::size(columns));
    for (size_t i = 0; i < std::size(columns); ++i) {
        const QByteArray name = QByteArray(columns[i]).left(1);
        const char* type = nullptr;
        const char* collation = nullptr;
        ASSERT_EQ(sqlite3_table_column_metadata(db, "main", "tipos", name.constData(), &type, &collation, nullptr, nullptr, nullptr),
                  SQLITE_OK);
        TColumnDesc expected;
        if (!engine::ParseType(QString::fromUtf8(type), expected)) expected = TColumnDesc();
        expected.Name = QString::fromLatin1(name);
        EXPECT_EQ(read.Columns[i], expected) << columns[i];
        const auto ix = std::find_if(read.Indexes.begin(), read.Indexes.end(),
                                     [&](const TIndexDesc& x) { return x.Name == QString::fromLatin1(name); });
        ASSERT_NE(ix, read.Indexes.end()) << columns[i];
        EXPECT_EQ(ix->CaseInsensitive, sqlite3_stricmp(collation, "ZBES_CI") == 0) << columns[i];
    }
    sqlite3_close(db);
}
}  // namespace
