// Finding a record by one field's text through an index, a filtered clone or a scan, and the
// field layout kept in an ini file.
#include "DataFixture.h"
#include "controls/data/BdeUtils.h"
#include "platform/classes/IniFiles.h"

using namespace datatest;

namespace {

enum class TPath { Index, Filter, Scan };

// A locate object held to one path, to compare the paths on the same data.
class TPathLocate : public TDBLocate {
public:
    explicit TPathLocate(TPath path) : FPath(path) {}
    int KeyUses = 0, FilterUses = 0, ScanUses = 0;

protected:
    bool UseKey() override {
        bool use = FPath == TPath::Index && TDBLocate::UseKey();
        if (use) ++KeyUses;
        return use;
    }
    bool FilterApplicable() override {
        bool use = FPath == TPath::Filter && TDBLocate::FilterApplicable();
        if (use) ++FilterUses;
        else if (FPath == TPath::Scan) ++ScanUses;
        return use;
    }
    bool LocateKey() override { return TDBLocate::LocateKey(); }

private:
    TPath FPath;
};

class LocateTest : public DataTest {};

}  // namespace

TEST_F(LocateTest, PrefixWithoutCaseFindsTheSameRecordOnEveryPath) {
    struct TCase {
        const char* Field;
        const char* Value;
        bool Exact;
        int Expected;  // client code, 0 for none
    };
    const TCase cases[] = {
        {"APELLIDOS", "gar", false, 2},   {"APELLIDOS", "GARRIDO SANZ", true, 2}, {"APELLIDOS", "núñ", false, 3},
        {"APELLIDOS", "álv", false, 4},   {"APELLIDOS", "xyz", false, 0},          {"APELLIDOS", "garz", false, 0},
        {"CLIENTE", "12", true, 12},      {"CLIENTE", "120", false, 120},          {"CLIENTE", "7", true, 0},
        {"NOMBRE", "íñi", false, 3},
        // Without case the Spanish order's first level decides, whatever the path: no accents,
        // and an accent written apart (pasted text) is the same letter; "ñ" stays its own.
        {"APELLIDOS", "alv", false, 4},   {"APELLIDOS", "a\xcc\x81lv", false, 4}, {"NOMBRE", "i\xcc\x81n\xcc\x83i", false, 3},
        {"APELLIDOS", "nun", false, 0},   {"APELLIDOS", "PEREZ GIL", true, 1},
    };
    for (TPath path : {TPath::Index, TPath::Filter, TPath::Scan}) {
        for (const TCase& c : cases) {
            SCOPED_TRACE(QStringLiteral("path %1 field %2 value %3").arg(int(path)).arg(QString::fromUtf8(c.Field), QString::fromUtf8(c.Value)).toStdString());
            clientes->First();  // stands on client 1
            TPathLocate locate(path);
            locate.SetDataSet(clientes);
            bool found = locate.Locate(QString::fromUtf8(c.Field), QString::fromUtf8(c.Value), c.Exact, false);
            EXPECT_EQ(found, c.Expected != 0);
            EXPECT_EQ(clientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), c.Expected ? c.Expected : 1);
        }
    }
}

TEST_F(LocateTest, IndexPathIsTakenOnlyWhenAnIndexFitsTheSearch) {
    // Case-insensitive index on exactly APELLIDOS: used for a search without case.
    TPathLocate a(TPath::Index);
    a.SetDataSet(clientes);
    EXPECT_TRUE(a.Locate(QStringLiteral("APELLIDOS"), QStringLiteral("zam"), false, false));
    EXPECT_EQ(a.KeyUses, 1);
    // NOMBRE's index keeps case: not for a search without case, but for one with it.
    TPathLocate b(TPath::Index);
    b.SetDataSet(clientes);
    EXPECT_TRUE(b.Locate(QStringLiteral("NOMBRE"), QStringLiteral("ros"), false, false));
    EXPECT_EQ(b.KeyUses, 0);
    EXPECT_EQ(Field(clientes, "CLIENTE"), QStringLiteral("120"));
    EXPECT_TRUE(b.Locate(QStringLiteral("NOMBRE"), QStringLiteral("Ped"), false, true));
    EXPECT_EQ(b.KeyUses, 1);
    EXPECT_EQ(Field(clientes, "CLIENTE"), QStringLiteral("12"));
    // With case, a wrong case does not match.
    EXPECT_FALSE(b.Locate(QStringLiteral("NOMBRE"), QStringLiteral("ped"), false, true));
    EXPECT_EQ(Field(clientes, "CLIENTE"), QStringLiteral("12"));
}

TEST_F(LocateTest, FailedSearchReturnsToTheStartRecordAndKeepsTheTableOrder) {
    clientes->SetIndexName(QStringLiteral("apellidos"));
    clientes->First();
    clientes->Next();
    const QString start = Field(clientes, "CLIENTE");
    for (TPath path : {TPath::Index, TPath::Filter, TPath::Scan}) {
        TPathLocate locate(path);
        locate.SetDataSet(clientes);
        EXPECT_FALSE(locate.Locate(QStringLiteral("NOMBRE"), QStringLiteral("Zoe"), false, false));
        EXPECT_EQ(Field(clientes, "CLIENTE"), start);
        EXPECT_FALSE(locate.Locate(QStringLiteral("CLIENTE"), QStringLiteral("999"), false, false));
        EXPECT_EQ(Field(clientes, "CLIENTE"), start);
    }
    EXPECT_EQ(clientes->IndexName(), QStringLiteral("apellidos"));
}

TEST_F(LocateTest, SearchHonoursTheTableFilterOnEveryPath) {
    clientes->SetOnFilterRecord(TFilterRecordEvent([](TDataSet* ds, bool& accept) {
        accept = ds->FieldByName(QStringLiteral("CLIENTE"))->AsInteger() != 12;
    }));
    clientes->SetFiltered(true);
    for (TPath path : {TPath::Index, TPath::Filter, TPath::Scan}) {
        clientes->First();
        TPathLocate locate(path);
        locate.SetDataSet(clientes);
        // 12 is hidden: the prefix "12" finds 120.
        EXPECT_TRUE(locate.Locate(QStringLiteral("CLIENTE"), QStringLiteral("12"), false, false));
        EXPECT_EQ(Field(clientes, "CLIENTE"), QStringLiteral("120"));
        EXPECT_FALSE(locate.Locate(QStringLiteral("APELLIDOS"), QStringLiteral("zamora"), false, false));
        EXPECT_EQ(Field(clientes, "CLIENTE"), QStringLiteral("120"));
    }
}

TEST_F(LocateTest, TextThatIsNoIntegerRaisesTheConversionError) {
    auto locate = CreateLocate(clientes);
    try {
        locate->Locate(QStringLiteral("CLIENTE"), QStringLiteral("12a"), true, false);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'12a' is not a valid integer value for field 'CLIENTE'"));
    }
    EXPECT_EQ(Field(clientes, "CLIENTE"), QStringLiteral("1"));
}

TEST_F(LocateTest, NoDatasetOrEmptyDatasetNeverLocates) {
    TLocateObject none;
    EXPECT_FALSE(none.Locate(QStringLiteral("X"), QStringLiteral("a"), false, false));
    TTable* cuentas = NewTable(&owner, folder, QStringLiteral("CUENTAS"));
    cuentas->Open();
    auto locate = CreateLocate(cuentas);
    EXPECT_FALSE(locate->Locate(QStringLiteral("CONCEPTO"), QStringLiteral("a"), false, false));
}

TEST_F(LocateTest, CloneWalksItsOwnCursorWithoutMovingTheSource) {
    clientes->SetIndexName(QStringLiteral("apellidos"));
    clientes->Last();
    TCloneTable clone(nullptr);
    clone.SetReadOnly(true);
    clone.InitFromTable(clientes, false);
    EXPECT_EQ(Field(&clone, "CLIENTE"), Field(clientes, "CLIENTE"));
    clone.First();
    EXPECT_NE(Field(&clone, "CLIENTE"), Field(clientes, "CLIENTE"));
    EXPECT_FALSE(clone.CanModify());
    EXPECT_THROW(clone.SetReadOnly(false), EDatabaseError);
    EXPECT_TRUE(DataSetSetToCursor(clientes, &clone));
    EXPECT_EQ(Field(clientes, "CLIENTE"), Field(&clone, "CLIENTE"));

    TCloneTable reset(nullptr);
    reset.InitFromTable(clientes, true);
    EXPECT_TRUE(reset.IndexName().isEmpty());
    EXPECT_EQ(Field(&reset, "CLIENTE"), QStringLiteral("1"));

    TCloneDbDataset fromQuery(nullptr);
    TQuery q(nullptr);
    q.SetName(QStringLiteral("Q"));
    EXPECT_THROW(fromQuery.InitFromDataset(&q, true), EDatabaseError);
}

TEST_F(LocateTest, FieldLayoutRoundTripsThroughAnIniFile) {
    const QString path = folder + QStringLiteral("/layout.ini");
    {
        TIniFile ini(path);
        clientes->FieldByName(QStringLiteral("NIF"))->SetIndex(0);
        clientes->FieldByName(QStringLiteral("NOMBRE"))->SetDisplayWidth(33);
        clientes->FieldByName(QStringLiteral("APELLIDOS"))->SetVisible(false);
        SaveFields(clientes, &ini, QStringLiteral("Grid"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("Grid"), QStringLiteral("TClientesNIF"), QString()), QStringLiteral("0,12,1"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("Grid"), QStringLiteral("TClientesAPELLIDOS"), QString()), QStringLiteral("3,30,0"));
    }
    TComponent otherOwner(nullptr);
    TTable* other = NewTable(&otherOwner, folder, QStringLiteral("CLIENTES"));
    other->SetName(QStringLiteral("TClientes"));
    other->Open();
    TIniFile ini(path);
    // A width without a valid index keeps the position; a bad third word keeps the visibility.
    ini.WriteString(QStringLiteral("Grid"), QStringLiteral("TClientesCLIENTE"), QStringLiteral("1,9,?"));
    ini.WriteString(QStringLiteral("Grid"), QStringLiteral("TClientesNOMBRE"), QStringLiteral("x,33"));
    RestoreFields(other, &ini, QStringLiteral("Grid"), false);
    QStringList order;
    for (int i = 0; i < other->FieldCount(); ++i) order << other->Fields()->Fields(i)->FieldName();
    EXPECT_EQ(order.join(QLatin1Char(',')), QStringLiteral("NIF,CLIENTE,NOMBRE,APELLIDOS"));
    EXPECT_EQ(other->FieldByName(QStringLiteral("NOMBRE"))->DisplayWidth(), 33);
    EXPECT_EQ(other->FieldByName(QStringLiteral("CLIENTE"))->DisplayWidth(), 9);
    EXPECT_TRUE(other->FieldByName(QStringLiteral("APELLIDOS"))->Visible());
    other->FieldByName(QStringLiteral("CLIENTE"))->SetVisible(false);
    RestoreFields(other, &ini, QStringLiteral("Grid"), true);
    EXPECT_FALSE(other->FieldByName(QStringLiteral("APELLIDOS"))->Visible());
    EXPECT_FALSE(other->FieldByName(QStringLiteral("CLIENTE"))->Visible());  // "?" keeps it as it is
    // No section: the dataset's own name.
    SaveFields(other, &ini, QString());
    EXPECT_FALSE(ini.ReadString(QStringLiteral("TClientes"), QStringLiteral("TClientesNIF"), QString()).isEmpty());
}
