// What a connection knows of the tables: the layouts it read keep up with the changes another
// connection makes, and the declarations it reads back are the ones written.
#include "platform/db/Driver.h"
#include "platform/db/EngineSql.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

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

}  // namespace
