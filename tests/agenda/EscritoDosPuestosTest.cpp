// One workstation merging letters while another files documents into the agenda (this test
// program run again as the second): both take their numbers from one counter under the office's
// write lock, so the letter never takes a number the agenda reserved before its file is there.
#include "DatFixture.h"
#include "agenda/UAnotacion.h"
#include "documents/UFusion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>

using namespace shelltest;

namespace {

constexpr int kEscritos = 100;

bool Espera(const QString& fichero) {
    for (int i = 0; i < 60000; ++i) {
        if (QFile::exists(fichero)) return true;
        QThread::msleep(1);
    }
    return false;
}

void Escribe(const QString& fichero, const QByteArray& datos = {}) {
    QFile f(fichero);
    f.open(QIODevice::WriteOnly);
    f.write(datos);
}

class EscritoDosPuestosTest : public DatTest {};

}  // namespace

// The second workstation: reserves agenda document numbers and lists them in "agenda.txt".
TEST(OtroPuestoAgendaEscritos, Reserva) {
    const QString carpeta = qEnvironmentVariable("ZB_AGENDA_ESCRITOS");
    if (carpeta.isEmpty()) GTEST_SKIP() << "only run as the second workstation";
    platform::forms::TFormHarness harness;
    CarpetaDatos = carpeta;
    Dat = new TDat(nullptr);
    Escribe(carpeta + QStringLiteral("/listo"));
    ASSERT_TRUE(Espera(carpeta + QStringLiteral("/empieza")));
    QStringList numeros;
    for (int i = 0; i < kEscritos; ++i) numeros << QString::number(agenda::ReservaEscrito());
    Escribe(carpeta + QStringLiteral("/agenda.txt"), numeros.join(u'\n').toUtf8());
    delete Dat;
    Dat = nullptr;
}

TEST_F(EscritoDosPuestosTest, ALetterNeverTakesANumberTheAgendaReservedAtTheSameMoment) {
    QDir().mkpath(dir.filePath(QStringLiteral("Escritos")));
    ExtensionEscrito = QStringLiteral(".docx");
    QProcess otro;
    ArrancaOtraEstacion(otro, dir.path(), QStringLiteral("OtroPuestoAgendaEscritos.Reserva"),
                        {{QStringLiteral("ZB_AGENDA_ESCRITOS"), dir.path()}});
    ASSERT_TRUE(otro.waitForStarted(10000));
    ASSERT_TRUE(Espera(dir.filePath(QStringLiteral("listo"))));
    Escribe(dir.filePath(QStringLiteral("empieza")));
    QSet<int> numeros;
    for (int i = 0; i < kEscritos; ++i) {
        NombreEscrito();
        numeros.insert(QFileInfo(FicheroEscrito).completeBaseName().toInt());
    }
    ASSERT_TRUE(otro.waitForFinished(120000));
    ASSERT_EQ(otro.exitCode(), 0) << otro.readAll().toStdString();
    QFile f(dir.filePath(QStringLiteral("agenda.txt")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    for (const QByteArray& n : f.readAll().split('\n')) numeros.insert(n.toInt());
    EXPECT_EQ(numeros.size(), 2 * kEscritos);
    EXPECT_EQ(Sistem("ESCEXP"), 2 * kEscritos);
}
