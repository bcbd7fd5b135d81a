// The real executable started as a user starts it, under the offscreen platform: the data folder
// it finds and the user it opens with. The test stops the process it started.
#include "comun/UData.h"
#include "platform/classes/Registry.h"
#include "shell/Acceso.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Ejecutable = QStringLiteral(ZEMBRA_TEST_BINARY_DIR "/../../app/zembra");

class ProgramaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(Ejecutable));
        ASSERT_TRUE(config.isValid() && programa.isValid() && datos.isValid());
    }
    // A copy of the program in its own folder, under a name with two dots.
    QString Instala() {
        const QString copia = QDir(programa.path()).filePath(QStringLiteral("zembra.4.0"));
        EXPECT_TRUE(QFile::copy(Ejecutable, copia));
        QFile::setPermissions(copia, QFile::permissions(copia) | QFileDevice::ExeOwner);
        return copia;
    }
    // Starts the program and reads what it says until it names its user (or ends); then stops it.
    QStringList Ejecuta(const QString& exe) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), EditorDeTextos());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("ZEMBRA_REGISTRY_FILE"));
        p.setProcessEnvironment(env);
        p.setProgram(exe);
        p.start();
        EXPECT_TRUE(p.waitForStarted(30000));
        QString salida;
        while (!salida.contains(QStringLiteral("Usuario: ")) || !salida.endsWith(QLatin1Char('\n'))) {
            if (!p.waitForReadyRead(60000)) break;
            salida += QString::fromUtf8(p.readAllStandardOutput());
        }
        p.kill();
        p.waitForFinished(30000);
        return salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // A desktop application registered for the documents, so the program starts without the
    // "Word no se encuentra" box; returns the data home that holds it.
    QString EditorDeTextos() {
        QDir(config.path()).mkpath(QStringLiteral("."));
        QFile lista(QDir(config.path()).filePath(QStringLiteral("mimeapps.list")));
        EXPECT_TRUE(lista.open(QIODevice::WriteOnly));
        lista.write("[Default Applications]\napplication/vnd.openxmlformats-officedocument.wordprocessingml.document="
                    "zbtexto.desktop\n");
        QDir(aplicaciones.path()).mkpath(QStringLiteral("applications"));
        QFile escritorio(QDir(aplicaciones.path()).filePath(QStringLiteral("applications/zbtexto.desktop")));
        EXPECT_TRUE(escritorio.open(QIODevice::WriteOnly));
        escritorio.write("[Desktop Entry]\nType=Application\nName=Texto\nExec=true %f\n"
                         "MimeType=application/vnd.openxmlformats-officedocument.wordprocessingml.document;\n");
        return aplicaciones.path();
    }

    QTemporaryDir config, programa, datos, aplicaciones;
};

TEST_F(ProgramaTest, WithNoSettingsTheDataLivesInTheProgramFolderAndSupervisorEnters) {
    const QString exe = Instala();
    const QStringList salida = Ejecuta(exe);
    EXPECT_TRUE(salida.contains(QStringLiteral("Carpeta de datos: ") + programa.path())) << salida.join('|').toStdString();
    EXPECT_TRUE(salida.contains(QStringLiteral("Usuario: SUPERVISOR"))) << salida.join('|').toStdString();
    EXPECT_TRUE(QFile::exists(QDir(programa.path()).filePath(QStringLiteral("zembra.db"))));
}

// The settings key is named by the executable's name up to its first dot.
TEST_F(ProgramaTest, TheSettingsNameTheDataFolderAndItsOnlyUserEnters) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    {
        TRegIniFile reg(QStringLiteral("Software\\Velmor\\zembra"));
        reg.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), datos.path());
    }
    qunsetenv("XDG_CONFIG_HOME");
    CarpetaDatos = datos.path();
    Dat = new TDat(nullptr);
    Dat->TPriv->Append();
    Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("PEPE"));
    Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("CLAVE"));
    Dat->TPriv->Post();
    delete Dat;
    Dat = nullptr;

    const QStringList salida = Ejecuta(Instala());
    EXPECT_TRUE(salida.contains(QStringLiteral("Carpeta de datos: ") + datos.path())) << salida.join('|').toStdString();
    EXPECT_TRUE(salida.contains(QStringLiteral("Usuario: PEPE"))) << salida.join('|').toStdString();
    EXPECT_FALSE(QFile::exists(QDir(programa.path()).filePath(QStringLiteral("zembra.db"))));
}

}  // namespace
