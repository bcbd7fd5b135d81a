// Two workstations numbering agenda entries at the same moment (this test program run again as
// the second): the counter is read and raised under the office's write lock, so no number is
// taken twice.
#include "DatFixture.h"

#include <QFile>
#include <QSet>
#include <QThread>

using namespace shelltest;

namespace {

constexpr int kApuntes = 40;

bool Espera(const QString& fichero) {
    for (int i = 0; i < 60000; ++i) {
        if (QFile::exists(fichero)) return true;
        QThread::msleep(1);
    }
    return false;
}

void Marca(const QString& fichero) {
    QFile f(fichero);
    f.open(QIODevice::WriteOnly);
}

// kApuntes entries as a consultation's closing writes them: numbered, then inserted.
void Numera() {
    TQuery ins(nullptr);
    ins.SetDatabaseName(Dat->Db->DatabaseName());
    ins.SQL()->SetText(QStringLiteral("INSERT INTO AGENDA (ORDEN, FECHA, HORA, USUARIO) VALUES (:ORDEN, 45001, 0.5, :USUARIO)"));
    for (int i = 0; i < kApuntes; ++i) {
        EXPECT_NO_THROW({
            Dat->NumeraApunteAgenda(&ins);
            ins.ExecSQL();
        }) << "entry " << i;
    }
}

class AgendaDosPuestosTest : public DatTest {};

}  // namespace

// The second workstation of the test below.
TEST(OtroPuestoAgenda, Numera) {
    const QString carpeta = qEnvironmentVariable("ZB_AGENDA");
    if (carpeta.isEmpty()) GTEST_SKIP() << "only run as the second workstation";
    platform::forms::TFormHarness harness;
    CarpetaDatos = carpeta;
    Dat = new TDat(nullptr);
    Marca(carpeta + QStringLiteral("/listo"));
    ASSERT_TRUE(Espera(carpeta + QStringLiteral("/empieza")));
    Numera();
    delete Dat;
    Dat = nullptr;
}

TEST_F(AgendaDosPuestosTest, TwoWorkstationsNumberingAgendaEntriesAtOnceNeverTakeTheSameNumber) {
    QProcess otro;
    ArrancaOtraEstacion(otro, dir.path(), QStringLiteral("OtroPuestoAgenda.Numera"), {{QStringLiteral("ZB_AGENDA"), dir.path()}});
    ASSERT_TRUE(otro.waitForStarted(10000));
    ASSERT_TRUE(Espera(dir.filePath(QStringLiteral("listo"))));
    Marca(dir.filePath(QStringLiteral("empieza")));
    Numera();
    ASSERT_TRUE(otro.waitForFinished(120000));
    EXPECT_EQ(otro.exitCode(), 0) << otro.readAll().toStdString();

    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT ORDEN), MAX(ORDEN) FROM AGENDA"));
    q.Open();
    EXPECT_EQ(q.Fields()->Fields(0)->AsInteger(), 2 * kApuntes);
    EXPECT_EQ(q.Fields()->Fields(1)->AsInteger(), 2 * kApuntes);
    EXPECT_EQ(q.Fields()->Fields(2)->AsInteger(), 2 * kApuntes);
    EXPECT_EQ(Sistem("AGENDA"), 2 * kApuntes);
}
