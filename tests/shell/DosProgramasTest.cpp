// Two programs on one data folder, as two workstations of an office run them: the file dialogs
// and the file-type lookups of one never cost the other its saved work.
#include "comun/UData.h"
#include "controls/visual/FileCopyHelpers.h"
#include "platform/db/Driver.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/ListView.h"
#include "platform/rtl/Exceptions.h"

#include <QAbstractProxyModel>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QMimeType>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class DosProgramasTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid() && copias.isValid());
        carpeta = dir.path();
        CarpetaDatos = carpeta;
        Dat = new TDat(nullptr);
        // Documents of the office beside the data, as the dialogs find them.
        for (const char* n : {"carta.docx", "nota.txt"}) {
            QFile f(QDir(carpeta).filePath(QString::fromLatin1(n)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("texto\n");
        }
    }
    void TearDown() override {
        delete Dat;
        Dat = nullptr;
    }
    QString Fichero(const char* n) const { return QDir(carpeta).filePath(QString::fromLatin1(n)); }

    // Runs another program to its end; the lines it printed.
    QStringList Otro(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ZEMBRA_SHELL_CHILD), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // A third program cannot take the lock that would let it fold and remove the journal.
    bool Protegido() { return Otro({QStringLiteral("cierre"), Fichero("zembra.db")}) == QStringList{QStringLiteral("OCUPADO")}; }
    void Anota(const QString& tipo) {
        TTable* t = Dat->TTipoAgenda;
        t->Append();
        t->FieldByName(QStringLiteral("TIPO"))->SetAsString(tipo);
        t->Post();
    }
    QStringList Tipos() {
        TTable* t = Dat->TTipoAgenda;
        t->Refresh();
        QStringList r;
        for (t->First(); !t->Eof(); t->Next()) r << t->FieldByName(QStringLiteral("TIPO"))->AsString();
        return r;
    }
    static void Espera(int ms, const std::function<bool()>& hecho = [] { return false; }) {
        QElapsedTimer reloj;
        reloj.start();
        while (reloj.elapsed() < ms && !hecho()) Application->ProcessMessages();
    }

    // Every kind of file dialog of the program, shown on the data folder until it has listed and
    // typed what is there, then cancelled; returns the names it showed.
    QStringList MuestraDialogos() {
        QStringList vistos;
        for (bool guarda : {false, true}) {
            for (const char* filtro : {"Todos|*.*", "Documentos|*.docx;*.doc", ""}) {
                std::unique_ptr<TOpenDialog> d(guarda ? new TSaveDialog(nullptr) : new TOpenDialog(nullptr));
                d->SetInitialDir(carpeta);
                d->SetFilter(QString::fromLatin1(filtro));
                if (!guarda) d->SetOptions(ofAllowMultiSelect | ofFileMustExist);
                QFileDialog dlg;
                auto* modelo = dlg.findChild<QFileSystemModel*>();
                EXPECT_NE(modelo, nullptr);
                if (!modelo) continue;
                bool leida = false;
                QObject::connect(modelo, &QFileSystemModel::directoryLoaded, [&](const QString& d) { leida = leida || d == carpeta; });
                d->SetUpQtDialog(dlg);
                dlg.setViewMode(QFileDialog::Detail);
                dlg.show();
                const QModelIndex raiz = modelo->index(carpeta);
                Espera(10000, [&] { return leida; });
                for (int i = 0; i < modelo->rowCount(raiz); ++i) {
                    const QModelIndex ix = modelo->index(i, 0, raiz);
                    modelo->fileIcon(ix);
                    modelo->type(ix);
                }
                // The dialog's own lookups, as its background thread makes them.
                for (const QFileInfo& fi : QDir(carpeta).entryInfoList(QDir::Files | QDir::Hidden)) {
                    dlg.iconProvider()->icon(fi);
                    dlg.iconProvider()->type(fi);
                }
                Espera(300);
                if (QAbstractProxyModel* vista = dlg.proxyModel()) {
                    const QModelIndex v = vista->mapFromSource(raiz);
                    for (int i = 0; i < vista->rowCount(v); ++i) vistos << vista->index(i, 0, v).data().toString();
                }
                dlg.reject();
            }
        }
        return vistos;
    }
    // Stats every file, types it and pictures it as the program's lists do, opens and closes the
    // office's own, and copies each as a document would be copied.
    void MiraFicheros() {
        for (const QFileInfo& fi : QDir(carpeta).entryInfoList(QDir::Files | QDir::Hidden)) {
            const QString f = fi.absoluteFilePath();
            (void)QFileInfo(f).size();
            platform::forms::FileType(f);
            platform::forms::FileTypeIcon(f, 32);
            const QString copia = QDir(copias.path()).filePath(fi.fileName());
            if (platform::db::IsEngineFile(f)) {
                EXPECT_THROW(CopyFile(f, copia), EFOpenError) << f.toStdString();
                continue;
            }
            QFile abierto(f);
            EXPECT_TRUE(abierto.open(QIODevice::ReadOnly));
            abierto.close();
            CopyFile(f, copia);
        }
    }

    QTemporaryDir dir, copias;
    QString carpeta;
};

}  // namespace

TEST_F(DosProgramasTest, DialogsAndTypeLookupsOfOneProgramNeverLetAnotherLoseItsWork) {
    Anota(QStringLiteral("A1"));
    ASSERT_TRUE(Protegido());
    const QStringList vistos = MuestraDialogos();
    MiraFicheros();
    // The office's documents are shown; the engine's files are not.
    EXPECT_TRUE(vistos.contains(QStringLiteral("nota.txt")) || vistos.contains(QStringLiteral("carta.docx")));
    for (const QString& v : vistos) EXPECT_FALSE(platform::db::IsEngineFile(v)) << v.toStdString();
    EXPECT_TRUE(Protegido());

    // The other program sees this one's work, and closing it leaves the journal in place.
    const QStringList deB = Otro({QStringLiteral("anota"), carpeta, QStringLiteral("B1")});
    EXPECT_TRUE(deB.contains(QStringLiteral("A1"))) << deB.join('|').toStdString();
    EXPECT_TRUE(QFile::exists(Fichero("zembra.db-wal")));
    EXPECT_TRUE(Tipos().contains(QStringLiteral("B1")));

    Anota(QStringLiteral("A2"));
    MuestraDialogos();
    MiraFicheros();
    EXPECT_TRUE(Protegido());
    const QStringList otraVez = Otro({QStringLiteral("anota"), carpeta, QStringLiteral("B2")});
    for (const char* t : {"A1", "A2", "B1", "B2"}) EXPECT_TRUE(otraVez.contains(QString::fromLatin1(t))) << t;
    EXPECT_TRUE(QFile::exists(Fichero("zembra.db-wal")));
    const QStringList deA = Tipos();
    for (const char* t : {"A1", "A2", "B1", "B2"}) EXPECT_TRUE(deA.contains(QString::fromLatin1(t))) << t;
    EXPECT_TRUE(Protegido());
}

TEST_F(DosProgramasTest, AnEngineFileTypedIntoAFileDialogIsRefused) {
    platform::forms::TFormHarness harness;
    harness.AnswerFile(Fichero("zembra.db"));
    TOpenDialog d(nullptr);
    EXPECT_FALSE(d.Execute());
    ASSERT_EQ(harness.Messages().size(), 1u);
    EXPECT_TRUE(harness.Messages()[0].Text.contains(QStringLiteral("base de datos")));
    harness.AnswerFile(Fichero("nota.txt"));
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(d.FileName(), Fichero("nota.txt"));
    EXPECT_TRUE(Protegido());
}
