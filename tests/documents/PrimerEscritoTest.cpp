// A new office's first models on a fresh data folder with only the office suite installed: the
// template written when missing, a model made and one imported, a model changed in place by the
// word processor and merged for a case file, all read back by the office suite itself.
#include "FusionFixture.h"
#include "documents/UEscritos.h"
#include "documents/UNuevoEscrito.h"

#include <QStandardPaths>

using fusiontest::FusionDatos;
using fusiontest::Conversion;
using fusiontest::RunTool;

namespace {

class PrimerEscrito : public FusionDatos {
protected:
    void SetUp() override {
        FusionDatos::SetUp();
        Llena();
        Picks();
        office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    }
    void TearDown() override {
        delete lista;
        ListaEscritos = nullptr;
        LetraRegistro.clear();
        FusionDatos::TearDown();
    }
    void Escribe(const QString& fichero, const QString& texto) {
        QFile f(fichero);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(texto.toUtf8());
    }
    // One run of the office suite, with a profile of its own so runs never share one.
    void Office(const QStringList& args) {
        int code = 0;
        const QString log = RunTool(QStringLiteral("timeout"),
                                    QStringList{QStringLiteral("120"), office,
                                                QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("perfil")),
                                                QStringLiteral("--headless")} + args,
                                    &code);
        ASSERT_EQ(code, 0) << log.toStdString();
    }
    // The text of a document as the office suite reads it.
    QString Texto(const QString& fichero) {
        const QString salida = dir.filePath(QStringLiteral("txt"));
        Office({QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("--outdir"), salida, fichero});
        QFile f(QDir(salida).filePath(QFileInfo(fichero).completeBaseName() + QStringLiteral(".txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).remove(QChar(0xFEFF)).remove(QLatin1Char('\r')) : QString();
    }
    // A document of the given format made by the office suite from plain text.
    QString Hecho(const QString& nombre, const QString& texto, const QString& formato) {
        const QString fuente = dir.filePath(nombre + QStringLiteral(".txt"));
        Escribe(fuente, texto);
        Office({QStringLiteral("--infilter=Text (encoded):UTF8"), QStringLiteral("--convert-to"), formato, QStringLiteral("--outdir"),
                dir.filePath(QStringLiteral("hechos")), fuente});
        return dir.filePath(QStringLiteral("hechos/") + nombre + QLatin1Char('.') + formato);
    }
    void Nombre(const QString& nombre) {
        harness->AnswerModal([nombre](TCustomForm& f) {
            dynamic_cast<TNuevoEscrito&>(f).Respuesta->SetText(nombre);
            f.SetModalResult(mrOk);
        });
    }
    void Abre(int modo, int tipo) {
        delete lista;
        lista = new TListaEscritos(nullptr);
        lista->Modo = modo;
        lista->Show();
        lista->LisTipo->SetItemIndex(tipo);
        lista->LisTipoClick(nullptr);
    }
    // Merges the model `escrito` for the case file, its fields replaced and the document saved.
    void FusionaConExpediente(int escrito) {
        documents::DialogoExpediente = [&] {
            ProveedoresExpediente();
            ReemplazaCampos(EditorOle, TipoEditor, CamposEncontrados, ValoresCampos);
            EXPECT_TRUE(GrabaEscrito(true));
            return int(mrOk);
        };
        Abre(1, 5);
        ASSERT_TRUE(Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), escrito, 0));
        lista->BtSiClick(nullptr);
    }
    int Ultimo() {
        Dat->TEscritos->Refresh();
        Dat->TEscritos->Last();
        return Dat->TEscritos->FieldByName(QStringLiteral("ESCRITO"))->AsInteger();
    }
    QString office;
    TListaEscritos* lista = nullptr;
};

TEST_F(PrimerEscrito, WordModelsAreMadeImportedChangedInPlaceAndMerged) {
    if (office.isEmpty()) GTEST_SKIP() << "no office suite";
    const QString plantilla = dir.filePath(QStringLiteral("Zembra.dotx"));
    ASSERT_FALSE(QFile::exists(plantilla));
    Conversion(QStringLiteral("«NOMBRE»"), QStringLiteral("[[PrimerCliente.Nombre]]"));
    const QString origen = Hecho(QStringLiteral("antiguo"), QStringLiteral("Estimado «NOMBRE»:\nTexto del modelo antiguo.\n"),
                                 QStringLiteral("docx"));
    ASSERT_TRUE(QFile::exists(origen));

    Abre(0, 5);  // CARTAS
    Nombre(QStringLiteral("Primera carta"));
    lista->BtNuevoClick(nullptr);
    EXPECT_TRUE(harness->Messages().empty()) << Texts().join(QLatin1Char('|')).toStdString();
    const QString nueva = documents::FicheroDeModelo(Ultimo(), QStringLiteral("Word2000"));
    EXPECT_TRUE(QFile::exists(plantilla));
    EXPECT_EQ(abiertos, QStringList{nueva});

    harness->AnswerFile(origen);
    Nombre(QStringLiteral("Carta importada"));
    lista->btImportClick(nullptr);
    EXPECT_TRUE(harness->Exceptions().empty());
    const int importado = Ultimo();
    const QString modelo = documents::FicheroDeModelo(importado, QStringLiteral("Word2000"));
    ASSERT_EQ(abiertos.size(), 2);
    EXPECT_EQ(abiertos.last(), modelo);

    // Opened to be changed: the model file itself goes to the word processor...
    lista->LisTipoClick(nullptr);
    ASSERT_TRUE(Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), importado, 0));
    lista->BtSiClick(nullptr);
    ASSERT_EQ(abiertos.size(), 3);
    EXPECT_EQ(abiertos.last(), modelo);
    lista->BtNoClick(nullptr);
    // ...which rewrites it as the office suite saves it.
    const QString cambiado = Hecho(QStringLiteral("cambiado"),
                                   QStringLiteral("Estimado [[PrimerCliente.Nombre]]:\nCambio de la oficina en [[Expediente.Referencia]].\n"),
                                   QStringLiteral("docx"));
    ASSERT_TRUE(QFile::remove(modelo));
    ASSERT_TRUE(QFile::copy(cambiado, modelo));

    // The next merge for the case file uses the changed model.
    LetraRegistro = QStringLiteral("E");
    ASSERT_NO_FATAL_FAILURE(FusionaConExpediente(importado));
    EXPECT_TRUE(harness->Messages().empty()) << Texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(abiertos.size(), 4);
    EXPECT_EQ(abiertos.last(), FicheroEscrito);
    const QString primero = documents::OrigenFusion.LCli2->Items()->Strings(0);
    const QString texto = Texto(FicheroEscrito);
    EXPECT_TRUE(texto.contains(QStringLiteral("Estimado ") + primero + QLatin1Char(':'))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("Cambio de la oficina en 2001 / 0042."))) << texto.toStdString();
    EXPECT_FALSE(texto.contains(QStringLiteral("[["))) << texto.toStdString();
}

TEST_F(PrimerEscrito, AnOpenDocumentModelIsImportedForItsEditor) {
    if (office.isEmpty()) GTEST_SKIP() << "no office suite";
    SetSistem("EDITOR", Variant(QStringLiteral("WordPro96")));
    SetSistem("FILEEXT", Variant(QStringLiteral("*.odt")));
    Conversion(QStringLiteral("«AUTOS»"), QStringLiteral("[[Expediente.Referencia]]"));
    const QString origen = Hecho(QStringLiteral("aviso"), QStringLiteral("Autos «AUTOS»\n"), QStringLiteral("odt"));
    Abre(0, 0);
    harness->AnswerFile(origen);
    Nombre(QStringLiteral("Aviso"));
    lista->btImportClick(nullptr);
    EXPECT_TRUE(harness->Exceptions().empty());
    const int importado = Ultimo();
    const QString modelo = documents::FicheroDeModelo(importado, QStringLiteral("WordPro96"));
    EXPECT_TRUE(modelo.endsWith(QStringLiteral(".odt")));
    lista->LisTipoClick(nullptr);
    ASSERT_TRUE(Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), importado, 0));
    lista->BtSiClick(nullptr);
    EXPECT_EQ(abiertos, QStringList({modelo, modelo}));
    EXPECT_EQ(Texto(modelo).trimmed(), QStringLiteral("Autos [[Expediente.Referencia]]"));
}

// An office on the .odt family from the start: its processor named WordPro96, a model imported
// from a document the office suite made, merged for a case file, and the merge read back by the
// office suite. A document of the Word family is refused with a word on where that is chosen.
TEST_F(PrimerEscrito, AnOfficeOnTheOpenDocumentFamilyImportsAndMerges) {
    if (office.isEmpty()) GTEST_SKIP() << "no office suite (soffice) on the PATH";
    SetSistem("EDITOR", Variant(QStringLiteral("WordPro96")));
    SetSistem("FILEEXT", Variant(QString()));
    Conversion(QStringLiteral("«NOMBRE»"), QStringLiteral("[[PrimerCliente.Nombre]]"));
    Conversion(QStringLiteral("«AUTOS»"), QStringLiteral("[[Expediente.Referencia]]"));
    const QString origen = Hecho(QStringLiteral("citacion"), QString::fromUtf8("Estimado «NOMBRE»:\nCitación en los autos «AUTOS».\n"),
                                 QStringLiteral("odt"));
    ASSERT_TRUE(QFile::exists(origen));
    const QString word = Hecho(QStringLiteral("carta"), QStringLiteral("Carta\n"), QStringLiteral("docx"));

    Abre(0, 5);  // CARTAS
    const int antes = Ultimo();
    harness->AnswerFile(word);
    lista->btImportClick(nullptr);
    EXPECT_TRUE(harness->LastMessage().Text.contains(QStringLiteral("sólo toma documentos .odt"))) << Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Ultimo(), antes);
    harness->ClearRecords();

    harness->AnswerFile(origen);
    Nombre(QStringLiteral("Citación"));
    lista->btImportClick(nullptr);
    EXPECT_TRUE(harness->Exceptions().empty());
    const int importado = Ultimo();
    ASSERT_NE(importado, antes);
    const QString modelo = documents::FicheroDeModelo(importado, QStringLiteral("WordPro96"));
    EXPECT_TRUE(modelo.endsWith(QStringLiteral(".odt")));
    EXPECT_EQ(Texto(modelo).trimmed(),
              QString::fromUtf8("Estimado [[PrimerCliente.Nombre]]:\nCitación en los autos [[Expediente.Referencia]]."));

    LetraRegistro = QStringLiteral("E");
    ASSERT_NO_FATAL_FAILURE(FusionaConExpediente(importado));
    EXPECT_TRUE(harness->Messages().empty()) << Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(FicheroEscrito.endsWith(QStringLiteral(".odt"))) << FicheroEscrito.toStdString();
    EXPECT_EQ(abiertos.last(), FicheroEscrito);
    const QString primero = documents::OrigenFusion.LCli2->Items()->Strings(0);
    const QString texto = Texto(FicheroEscrito);
    EXPECT_TRUE(texto.contains(QStringLiteral("Estimado ") + primero + QLatin1Char(':'))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QString::fromUtf8("Citación en los autos 2001 / 0042."))) << texto.toStdString();
    EXPECT_FALSE(texto.contains(QStringLiteral("[["))) << texto.toStdString();
}

}  // namespace
