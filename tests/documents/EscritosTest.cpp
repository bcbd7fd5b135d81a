// The document models list over a real data folder with real .docx/.odt models, an old binary
// model and the marker conversion table. Renders docs/forms/UEscritos.png (to a temporary folder
// unless ZEMBRA_RENDER_DOCS names one).
#include "FusionFixture.h"
#include "documents/UEscritos.h"
#include "documents/UFusion.h"
#include "documents/UNuevoEscrito.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <zip.h>

namespace {

using platform::forms::TFormHarness;

void EscribeZip(const QString& path, const std::vector<std::pair<std::string, std::string>>& files) {
    int err = 0;
    QDir().mkpath(QFileInfo(path).absolutePath());
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const auto& [name, data] : files) {
        zip_int64_t i = zip_file_add(za, name.c_str(), zip_source_buffer(za, data.data(), data.size(), 0), 0);
        ASSERT_GE(i, 0);
        if (name == "mimetype") zip_set_file_compression(za, zip_uint64_t(i), ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(za), 0);
}

const std::string kW = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// A Word document (or template) whose body is `body`; `extra` adds parts, `rels` relationships.
void Docx(const QString& path, const std::string& body, bool plantilla = false,
          std::vector<std::pair<std::string, std::string>> extra = {}, const std::string& rels = "") {
    const std::string kind = plantilla ? "template" : "document";
    std::vector<std::pair<std::string, std::string>> files = {
        {"[Content_Types].xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>" +
             std::string(extra.empty() ? "" : "<Default Extension=\"png\" ContentType=\"image/png\"/>") +
             "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
             "vnd.openxmlformats-officedocument.wordprocessingml." +
             kind + ".main+xml\"/></Types>"},
        {"_rels/.rels",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
         "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
        {"word/_rels/document.xml.rels",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
             rels + "</Relationships>"},
        {"word/document.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document " + kW + "><w:body>" + body +
                                  "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr></w:body></w:document>"}};
    for (auto& e : extra) files.push_back(e);
    EscribeZip(path, files);
}

std::string P(const std::string& runs) { return "<w:p>" + runs + "</w:p>"; }
std::string R(const std::string& t) { return "<w:r><w:t xml:space=\"preserve\">" + t + "</w:t></w:r>"; }

void Odt(const QString& path, const std::string& paragraphs) {
    EscribeZip(path,
               {{"mimetype", "application/vnd.oasis.opendocument.text"},
                {"META-INF/manifest.xml",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                 "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
                 "manifest:version=\"1.2\"><manifest:file-entry manifest:full-path=\"/\" "
                 "manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
                 "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
                 "</manifest:manifest>"},
                {"content.xml",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                 "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                 "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
                 "<office:body><office:text>" +
                     paragraphs + "</office:text></office:body></office:document-content>"}});
}

QString Python(const QString& script, const QString& file) {
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, file});
    py.waitForFinished(60000);
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    return QString::fromUtf8(py.readAllStandardOutput()).trimmed();
}

// Body text of a .docx read by python-docx, paragraphs joined by "\n".
QString TextoDocx(const QString& file) {
    return Python(QStringLiteral("import docx,sys\nprint('\\n'.join(p.text for p in docx.Document(sys.argv[1]).paragraphs))"), file);
}

QString TextoOdt(const QString& file) {
    return Python(QStringLiteral("import zipfile,sys,xml.etree.ElementTree as ET\n"
                                 "T='{urn:oasis:names:tc:opendocument:xmlns:text:1.0}'\n"
                                 "r=ET.fromstring(zipfile.ZipFile(sys.argv[1]).read('content.xml'))\n"
                                 "print('\\n'.join(''.join(p.itertext()) for p in r.iter(T+'p')))"),
                  file);
}

class EscritosTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        documents::AbreConEscritorio = [this](const QString& f) {
            mostrados << f;
            return true;
        };
        EditorOle.reset();
        SetSistem("EDITOR", Variant(QStringLiteral("Word2000")));
        SetSistem("FILEEXT", Variant(QStringLiteral("*.docx;*.doc")));
        Docx(dir.filePath(QStringLiteral("Zembra.dotx")), P(R("Membrete del despacho")), true);
        demanda = Modelo("CIVIL", "Demanda de juicio verbal");
        Modelo("CIVIL", "Desahucio por falta de pago");
        Modelo("CIVIL", "Recurso de apelación");
        carta = Modelo("CARTAS", "Carta de cabecera");
        Docx(documents::FicheroDeModelo(demanda, QStringLiteral("Word2000")), P(R("DEMANDA de [[PrimerCliente.Nombre]]")));
        Docx(documents::FicheroDeModelo(carta, QStringLiteral("Word2000")), P(R("Cabecera de carta del despacho")));
    }
    // The user logged in, with or without the right to make models.
    void Usuario(bool modelos) {
        Dat->TPriv->Append();
        Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("ANA"));
        Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("x"));
        Dat->TPriv->FieldByName(QStringLiteral("Modelos"))->SetAsBoolean(modelos);
        Dat->TPriv->FieldByName(QStringLiteral("Fusion"))->SetAsBoolean(true);
        Dat->TPriv->Post();
    }
    void TearDown() override {
        delete lista;
        ListaEscritos = nullptr;
        documents::DialogoExpediente = nullptr;
        documents::DialogoDespacho = nullptr;
        EditorOle.reset();
        DatTest::TearDown();
    }
    int Modelo(const char* tipo, const char* concepto) {
        Dat->TEscritos->Append();
        Dat->TEscritos->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromUtf8(tipo));
        Dat->TEscritos->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QString::fromUtf8(concepto));
        Dat->TEscritos->Post();
        return Dat->TEscritos->FieldByName(QStringLiteral("ESCRITO"))->AsInteger();
    }
    void Conversion(const QString& origen, const QString& destino) { fusiontest::Conversion(origen, destino); }
    void Abre(int modo = 0) {
        lista = new TListaEscritos(nullptr);
        lista->Modo = modo;
        lista->Show();
        TFormHarness::ProcessEvents();
    }
    void Tipo(int i) {
        lista->LisTipo->SetItemIndex(i);
        lista->LisTipoClick(lista->LisTipo);
    }
    QString Actual() const { return Dat->QLisEscri->FieldByName(QStringLiteral("CONCEPTO"))->AsString(); }
    void Nombre(const QString& nombre) {
        harness->AnswerModal([nombre](TCustomForm& f) {
            auto& n = dynamic_cast<TNuevoEscrito&>(f);
            EXPECT_EQ(n.Pregunta->Caption(), QStringLiteral("Introduzca Nombre del Escrito"));
            EXPECT_FALSE(n.btOk->Enabled());
            n.Respuesta->SetText(nombre);
            EXPECT_TRUE(n.btOk->Enabled());
            f.SetModalResult(mrOk);
        });
    }
    int Ultimo() {
        Dat->TEscritos->Refresh();
        Dat->TEscritos->Last();
        return Dat->TEscritos->FieldByName(QStringLiteral("ESCRITO"))->AsInteger();
    }
    TListaEscritos* lista = nullptr;
    QStringList mostrados;
    int demanda = 0, carta = 0;
};

TEST_F(EscritosTest, ListsOneKindAtATimeAndFindsTheModelTypedInTheGrid) {
    Abre();
    EXPECT_EQ(lista->LisTipo->Items()->Count(), 8);
    EXPECT_EQ(lista->LisTipo->ItemIndex(), 0);
    EXPECT_EQ(Dat->QLisEscri->RecordCount(), 3);
    EXPECT_TRUE(lista->btSi->Enabled());
    EXPECT_TRUE(lista->btBorrar->Enabled());
    Tipo(2);  // LABORAL: none
    EXPECT_FALSE(lista->btSi->Enabled());
    EXPECT_FALSE(lista->btBorrar->Enabled());
    Tipo(5);
    EXPECT_EQ(Actual(), QStringLiteral("Carta de cabecera"));
    Tipo(0);

    TFormHarness::Focus(lista->DBEsc);
    TFormHarness::Type(QStringLiteral("rE"));
    EXPECT_EQ(lista->Busca->Caption(), QStringLiteral("rE"));
    EXPECT_EQ(Actual(), QStringLiteral("Recurso de apelación"));
    lista->Timer1Timer(nullptr);
    TFormHarness::Type(QStringLiteral("des"));
    EXPECT_EQ(Actual(), QStringLiteral("Desahucio por falta de pago"));
    // Typed elsewhere, letters do not search.
    lista->Timer1Timer(nullptr);
    TFormHarness::Focus(lista->LisTipo);
    TFormHarness::Type(QStringLiteral("x"));
    EXPECT_EQ(lista->Busca->Caption(), QString());
}

TEST_F(EscritosTest, OkShowsTheModelOrRunsTheMergeOfTheOpeningRecord) {
    Abre();
    ASSERT_TRUE(Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), demanda, 0));
    lista->BtSiClick(nullptr);
    ASSERT_EQ(mostrados.size(), 1);
    // The model itself, not a copy: what the word processor saves is the model.
    EXPECT_EQ(mostrados[0], documents::FicheroDeModelo(demanda, QStringLiteral("Word2000")));
    EXPECT_TRUE(TextoDocx(mostrados[0]).contains(QStringLiteral("DEMANDA de [[PrimerCliente.Nombre]]")));
    EXPECT_TRUE(harness->Messages().empty());
    // "No" after opening a model ends the editor.
    ASSERT_TRUE(EditorOle);
    auto editor = EditorOle;
    lista->BtNoClick(nullptr);
    EXPECT_FALSE(EditorOle);
    EXPECT_FALSE(editor->Activo);
    delete lista;
    lista = nullptr;

    QList<QChar> fusiones;
    auto dialogo = [&] {
        fusiones << ModoEscrito;
        EXPECT_TRUE(EditorOle && EditorOle->Activo && EditorOle->Activo->BodyText().contains(QStringLiteral("DEMANDA")));
        EXPECT_EQ(CamposEncontrados->Count(), 1);
        return int(mrCancel);
    };
    documents::DialogoExpediente = dialogo;
    documents::DialogoDespacho = dialogo;
    LetraRegistro = QStringLiteral("E");
    Usuario(true);
    harness->AnswerModal([&](TCustomForm& f) {
        auto& l = dynamic_cast<TListaEscritos&>(f);
        EXPECT_FALSE(l.btNuevo->Visible());
        EXPECT_FALSE(l.btBorrar->Visible());
        EXPECT_TRUE(l.btSi->Visible() && l.btNo->Visible() && l.btImport->Visible());
        Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), demanda, 0);
        l.BtSiClick(nullptr);
        f.SetModalResult(mrNo);
    });
    AbreListaEscritos(1);
    LetraRegistro = QStringLiteral("C");
    harness->AnswerModal([&](TCustomForm& f) {
        Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), demanda, 0);
        dynamic_cast<TListaEscritos&>(f).BtSiClick(nullptr);
        f.SetModalResult(mrNo);
    });
    AbreListaEscritos(2);
    EXPECT_EQ(fusiones, QList<QChar>({QLatin1Char('E'), QLatin1Char('C')}));
    EXPECT_EQ(mostrados.size(), 1);
    EXPECT_EQ(ListaEscritos, nullptr);
}

// Opened from a case file or a consultation by a user who may not make models, the list merges
// but neither makes, deletes nor imports one.
TEST_F(EscritosTest, WithoutTheModelsRightTheListOfACaseFileImportsNoModel) {
    Usuario(false);
    for (int modo : {1, 2}) {
        harness->AnswerModal([&](TCustomForm& f) {
            auto& l = dynamic_cast<TListaEscritos&>(f);
            for (TSpeedItem* i : {l.btNuevo, l.btBorrar, l.btImport}) EXPECT_FALSE(i->Visible()) << modo;
            EXPECT_TRUE(l.btSi->Visible());
            f.SetModalResult(mrNo);
        });
        AbreListaEscritos(modo);
    }
    EXPECT_EQ(harness->ModalForms().size(), 2u);
}

// The entry a merge writes while the list is open from a case file shows, once the list closes,
// in the agenda the case file's window shows.
TEST_F(EscritosTest, FromACaseFileTheOpenAgendaViewsShowTheEntryWrittenMeanwhile) {
    TComponent ventana(nullptr);
    TTable* agenda = Dat->VistaAgenda(&ventana, QStringLiteral("TAgen2"), TDat::TVistaAgenda::DeExpediente);
    agenda->Open();
    const int antes = agenda->RecordCount();
    harness->AnswerModal([&](TCustomForm& f) {
        TTable* a = Dat->TAgen;
        a->Append();
        a->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(1);
        a->FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("E"));
        a->FieldByName(QStringLiteral("SITUACION"))->SetAsString(QStringLiteral("ESCRITOS : Demanda"));
        a->Post();
        f.SetModalResult(mrNo);
    });
    AbreListaEscritos(1);
    EXPECT_EQ(agenda->RecordCount(), antes + 1);
    EXPECT_TRUE(agenda->Locate(QStringLiteral("SITUACION"), Variant(QStringLiteral("ESCRITOS : Demanda")), 0));
}

TEST_F(EscritosTest, AnOldBinaryModelSaysHowToConvertItOnce) {
    const int viejo = Modelo("CIVIL", "Poder general (antiguo)");
    const QString base = dir.filePath(QStringLiteral("Modelos/") + QString::number(viejo));
    QFile f(base + QStringLiteral(".doc"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, '\0'));
    f.close();
    // And one renamed to the new extension without converting it.
    const int renombrado = Modelo("CIVIL", "Poder especial");
    QFile::copy(base + QStringLiteral(".doc"), dir.filePath(QStringLiteral("Modelos/%1.docx").arg(renombrado)));

    Abre();
    for (int n : {viejo, renombrado}) {
        harness->ClearRecords();
        ASSERT_TRUE(Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), n, 0));
        lista->BtSiClick(nullptr);
        ASSERT_EQ(harness->Messages().size(), 1u);
        const QString texto = harness->LastMessage().Text;
        EXPECT_TRUE(texto.contains(QStringLiteral("formato antiguo"))) << texto.toStdString();
        EXPECT_TRUE(texto.contains(QStringLiteral("guárdelo como \"%1.docx\"").arg(n))) << texto.toStdString();
        EXPECT_FALSE(EditorOle);
        EXPECT_TRUE(lista->btSi->Enabled());
    }
    EXPECT_TRUE(mostrados.isEmpty());

    // A model whose file is missing altogether: the list's own message.
    harness->ClearRecords();
    const int perdido = Modelo("CIVIL", "Sin fichero");
    lista->LisTipoClick(nullptr);
    Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), perdido, 0);
    lista->BtSiClick(nullptr);
    EXPECT_EQ(harness->LastMessage().Text,
              QStringLiteral("No puedo abrir modelo : ") + documents::FicheroDeModelo(perdido, QStringLiteral("Word2000")));
}

TEST_F(EscritosTest, NewModelsStartFromTheTemplateAndLettersFromTheLetterhead) {
    Abre();
    Nombre(QStringLiteral("Contestación a la demanda"));
    lista->BtNuevoClick(nullptr);
    const int nuevo = Ultimo();
    EXPECT_EQ(Dat->TEscritos->FieldByName(QStringLiteral("TIPO"))->AsString(), QStringLiteral("CIVIL"));
    EXPECT_EQ(Dat->TEscritos->FieldByName(QStringLiteral("CONCEPTO"))->AsString(), QStringLiteral("Contestación a la demanda"));
    const QString fichero = documents::FicheroDeModelo(nuevo, QStringLiteral("Word2000"));
    EXPECT_EQ(TextoDocx(fichero), QStringLiteral("Membrete del despacho"));  // python-docx refuses a template
    EXPECT_EQ(mostrados, QStringList{fichero});
    EXPECT_EQ(Dat->QLisEscri->RecordCount(), 4);

    SetSistem("CABCAR", Variant(carta));
    Tipo(5);
    Nombre(QStringLiteral("Carta de provisión de fondos"));
    lista->BtNuevoClick(nullptr);
    EXPECT_EQ(TextoDocx(documents::FicheroDeModelo(Ultimo(), QStringLiteral("Word2000"))),
              QStringLiteral("Cabecera de carta del despacho"));
    // Without the letterhead's row the template is used.
    SetSistem("CABCAR", Variant(9999));
    Nombre(QStringLiteral("Otra carta"));
    lista->BtNuevoClick(nullptr);
    EXPECT_EQ(TextoDocx(documents::FicheroDeModelo(Ultimo(), QStringLiteral("Word2000"))), QStringLiteral("Membrete del despacho"));

    // No template: a plain one is written in the data folder and the model starts from it.
    const QString plantilla = dir.filePath(QStringLiteral("Zembra.dotx"));
    QFile::remove(plantilla);
    harness->ClearRecords();
    Tipo(0);
    Nombre(QStringLiteral("Sin plantilla"));
    lista->BtNuevoClick(nullptr);
    EXPECT_TRUE(QFile::exists(plantilla));
    const QString sinPlantilla = documents::FicheroDeModelo(Ultimo(), QStringLiteral("Word2000"));
    EXPECT_EQ(Dat->TEscritos->FieldByName(QStringLiteral("CONCEPTO"))->AsString(), QStringLiteral("Sin plantilla"));
    EXPECT_EQ(mostrados.last(), sinPlantilla);
    // A4, 2.5 cm margins, Liberation Serif 12 pt, no header or footer.
    EXPECT_EQ(Python(QStringLiteral("import docx,sys,zipfile\nd=docx.Document(sys.argv[1])\ns=d.sections[0]\n"
                                    "st=zipfile.ZipFile(sys.argv[1]).read('word/styles.xml').decode()\n"
                                    "print(round(s.page_width.cm,1),round(s.page_height.cm,1),round(s.left_margin.cm,2),"
                                    "round(s.right_margin.cm,2),round(s.top_margin.cm,2),round(s.bottom_margin.cm,2),"
                                    "'w:ascii=\"Liberation Serif\"' in st,'<w:sz w:val=\"24\"/>' in st,"
                                    "s.header.is_linked_to_previous and s.footer.is_linked_to_previous,repr(d.paragraphs[0].text))"),
                     sinPlantilla),
              QStringLiteral("21.0 29.7 2.5 2.5 2.5 2.5 True True True ''"));
    EXPECT_TRUE(harness->Messages().empty()) << Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(EditorOle->EditaFichero);

    // Only the Word family makes new models.
    SetSistem("EDITOR", Variant(QStringLiteral("WordPro96")));
    const int antes = Ultimo();
    lista->BtNuevoClick(nullptr);
    EXPECT_EQ(Ultimo(), antes);
    EXPECT_EQ(harness->PendingAnswers(), 0);
}

// A model's row and its file are written together or not at all.
TEST_F(EscritosTest, AFailedNewOrImportLeavesNoRow) {
    auto filas = [] {
        Dat->TEscritos->Refresh();
        return Dat->TEscritos->RecordCount();
    };
    const int antes = filas();
    const QString plantilla = dir.filePath(QStringLiteral("Zembra.dotx"));
    QFile::remove(plantilla);
    QFile basura(plantilla);
    ASSERT_TRUE(basura.open(QIODevice::WriteOnly));
    basura.write("no es una plantilla");
    basura.close();
    Abre();
    Nombre(QStringLiteral("Con plantilla dañada"));
    lista->BtNuevoClick(nullptr);
    const QString texto = harness->LastMessage().Text;
    EXPECT_TRUE(texto.startsWith(QStringLiteral("Error al crear ESCRITO\rNo se puede leer la plantilla del despacho \"") +
                                 QDir::toNativeSeparators(plantilla) + QLatin1Char('"')))
        << texto.toStdString();
    EXPECT_EQ(filas(), antes);
    EXPECT_FALSE(EditorOle);
    EXPECT_TRUE(mostrados.isEmpty());

    // A file that cannot be read.
    const QString roto = dir.filePath(QStringLiteral("roto.docx"));
    QFile::copy(plantilla, roto);
    Docx(plantilla, P(R("Membrete del despacho")), true);
    harness->AnswerFile(roto);
    Nombre(QStringLiteral("Importado roto"));
    EXPECT_THROW(lista->btImportClick(nullptr), EDocumentError);
    EXPECT_EQ(filas(), antes);
    EXPECT_FALSE(EditorOle);

    // A model file that cannot be written: the models folder is a file.
    const QString modelos = dir.filePath(QStringLiteral("Modelos"));
    ASSERT_TRUE(QDir().rename(modelos, modelos + QStringLiteral(".bak")));
    QFile tapon(modelos);
    ASSERT_TRUE(tapon.open(QIODevice::WriteOnly));
    tapon.close();
    harness->ClearRecords();
    Nombre(QStringLiteral("Sin carpeta"));
    lista->BtNuevoClick(nullptr);
    EXPECT_TRUE(harness->LastMessage().Text.startsWith(QStringLiteral("Error al crear ESCRITO\r"))) << harness->LastMessage().Text.toStdString();
    EXPECT_EQ(filas(), antes);
    const QString bueno = dir.filePath(QStringLiteral("bueno.docx"));
    Docx(bueno, P(R("Texto importado")));
    harness->AnswerFile(bueno);
    Nombre(QStringLiteral("Importado sin carpeta"));
    EXPECT_THROW(lista->btImportClick(nullptr), EDocumentError);
    EXPECT_EQ(filas(), antes);
    EXPECT_FALSE(EditorOle);
    EXPECT_TRUE(mostrados.isEmpty());
    EXPECT_EQ(harness->PendingAnswers(), 0);
    QFile::remove(modelos);
    QDir().rename(modelos + QStringLiteral(".bak"), modelos);
}

// An OpenDocument file saved under the office template's name makes no ".docx" model of it.
TEST_F(EscritosTest, AnOpenDocumentFileAsTheWordTemplateIsRefused) {
    Dat->TEscritos->Refresh();
    const int antes = Dat->TEscritos->RecordCount();
    const QString plantilla = dir.filePath(QStringLiteral("Zembra.dotx"));
    QFile::remove(plantilla);
    Odt(plantilla, "<text:p>Membrete en otro formato</text:p>");
    Abre();
    Nombre(QStringLiteral("Desde plantilla ajena"));
    lista->BtNuevoClick(nullptr);
    const QString texto = harness->LastMessage().Text;
    EXPECT_TRUE(texto.startsWith(QStringLiteral("Error al crear ESCRITO\rNo se puede leer la plantilla del despacho \"") +
                                 QDir::toNativeSeparators(plantilla) + QLatin1Char('"')))
        << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("\"Zembra.dotx\" no es una plantilla de Word."))) << texto.toStdString();
    Dat->TEscritos->Refresh();
    EXPECT_EQ(Dat->TEscritos->RecordCount(), antes);
    EXPECT_FALSE(EditorOle);
    EXPECT_TRUE(mostrados.isEmpty());
}

TEST_F(EscritosTest, DeletingADefaultModelAsksTwice) {
    SetSistem("MINUTA", Variant(demanda));
    Abre();
    ASSERT_TRUE(Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), demanda, 0));
    harness->AnswerMessage(mrNo);
    lista->BtBorrarClick(nullptr);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("Este escrito está en la configuración por defecto\r¿Desea borrarlo?"));
    EXPECT_EQ(Dat->QLisEscri->RecordCount(), 3);

    harness->ClearRecords();
    harness->AnswerMessage(mrYes);
    harness->AnswerMessage(mrYes);
    lista->BtBorrarClick(nullptr);
    ASSERT_EQ(harness->Messages().size(), 2u);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("¿ Borrar ESCRITO Demanda de juicio verbal ?"));
    EXPECT_EQ(Dat->QLisEscri->RecordCount(), 2);
    EXPECT_FALSE(QFile::exists(documents::FicheroDeModelo(demanda, QStringLiteral("Word2000"))));
    EXPECT_FALSE(Dat->TEscritos->Locate(QStringLiteral("ESCRITO"), demanda, 0));
}

// A row the data module refuses to delete (a lock, an engine error) leaves the model whole.
TEST_F(EscritosTest, AModelWhoseRowCannotBeDeletedKeepsItsFile) {
    Abre();
    ASSERT_TRUE(Dat->QLisEscri->Locate(QStringLiteral("ESCRITO"), demanda, 0));
    const QString fichero = documents::FicheroDeModelo(demanda, QStringLiteral("Word2000"));
    ASSERT_TRUE(QFile::exists(fichero));
    Dat->TEscritos->BeforeDelete = TDataSetNotifyEvent([](TDataSet*) { throw EDatabaseError(QStringLiteral("registro bloqueado")); });
    harness->AnswerMessage(mrYes);
    EXPECT_THROW(lista->BtBorrarClick(nullptr), EDatabaseError);
    Dat->TEscritos->BeforeDelete = nullptr;
    EXPECT_TRUE(QFile::exists(fichero));
    EXPECT_TRUE(Dat->TEscritos->Locate(QStringLiteral("ESCRITO"), demanda, 0));
}

TEST_F(EscritosTest, ImportConvertsEveryListedMarkerAndReportsTheOthers) {
    Conversion(QStringLiteral("«NOMBRE»"), QStringLiteral("[[PrimerCliente.Nombre y Apellidos]]"));
    Conversion(QStringLiteral("«DOMICILIO»"), QStringLiteral("[[PrimerCliente.Domicilio]]"));
    Conversion(QStringLiteral("«AUTOS»"), QStringLiteral("[[Expediente.Autos]] «NOMBRE»"));
    const QString viejo = dir.filePath(QStringLiteral("antiguos/Requerimiento.docx"));
    const std::string png("\x89PNG\r\n\x1a\n", 8);
    Docx(viejo,
         P(R("Sr. «NOMBRE», con domicilio en ") + R("«DOMI") + R("CILIO»") + R(", «FIRMA» y «NOMBRE».")) +
             P(R("Autos: «AUTOS» — «OTRA»")) +
             P("<w:r><w:drawing><a:blip xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
               "r:embed=\"rId7\"/></w:drawing></w:r>"),
         false, {{"word/media/image1.png", png}},
         "<Relationship Id=\"rId7\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" "
         "Target=\"media/image1.png\"/>");

    Abre();
    Tipo(1);  // PENAL
    harness->AnswerFile(viejo);
    Nombre(QStringLiteral("Requerimiento importado"));
    lista->btImportClick(nullptr);
    EXPECT_TRUE(harness->Exceptions().empty());
    const int nuevo = Ultimo();
    EXPECT_EQ(Dat->TEscritos->FieldByName(QStringLiteral("TIPO"))->AsString(), QStringLiteral("PENAL"));
    const QString modelo = documents::FicheroDeModelo(nuevo, QStringLiteral("Word2000"));
    EXPECT_EQ(TextoDocx(modelo), QStringLiteral("Sr. [[PrimerCliente.Nombre y Apellidos]], con domicilio en "
                                                "[[PrimerCliente.Domicilio]], «FIRMA» y [[PrimerCliente.Nombre y Apellidos]].\n"
                                                "Autos: [[Expediente.Autos]] [[PrimerCliente.Nombre y Apellidos]] — «OTRA»\n"
                                                "\n"
                                                "Membrete del despacho"));
    EXPECT_EQ(lista->MarcasDesconocidas, QStringList({QStringLiteral("«FIRMA»"), QStringLiteral("«OTRA»")}));
    EXPECT_EQ(harness->LastMessage().Text,
              QStringLiteral("Estas marcas no están en \"Convertir.db\" y quedan en el modelo como estaban:\r«FIRMA»\r«OTRA»"));
    EXPECT_EQ(mostrados, QStringList{modelo});
    // The picture came along and python-docx finds it through its relationship.
    EXPECT_EQ(Python(QStringLiteral("import docx,sys\nd=docx.Document(sys.argv[1])\n"
                                    "print(sorted(r.target_ref for r in d.part.rels.values() if 'image' in r.reltype))"),
                     modelo),
              QStringLiteral("['media/zb1_image1.png']"));
    // Listed at once and chosen, so it is not imported twice.
    EXPECT_EQ(Dat->QLisEscri->FieldByName(QStringLiteral("ESCRITO"))->AsInteger(), nuevo);
    EXPECT_EQ(Dat->QLisEscri->FieldByName(QStringLiteral("CONCEPTO"))->AsString(), QStringLiteral("Requerimiento importado"));
    EXPECT_TRUE(lista->btSi->Enabled());
}

TEST_F(EscritosTest, ImportOfAnOpenDocumentModelWithTheOtherEditor) {
    SetSistem("EDITOR", Variant(QStringLiteral("WordPro96")));
    Conversion(QStringLiteral("«CLIENTE»"), QStringLiteral("[[PrimerCliente.Nombre]]"));
    // Two conversions that bring each other back: the import still ends.
    Conversion(QStringLiteral("«IDA»"), QStringLiteral("«VUELTA»"));
    Conversion(QStringLiteral("«VUELTA»"), QStringLiteral("«IDA»"));
    const QString viejo = dir.filePath(QStringLiteral("Aviso.ODT"));
    Odt(viejo, "<text:p>Estimado «CLIENTE»: «SIN CONVERSIÓN»</text:p><text:p>«CLIENTE» &lt;&amp;&gt;</text:p><text:p>«IDA»</text:p>");
    Abre();
    harness->AnswerFile(viejo);
    Nombre(QStringLiteral("Aviso"));
    lista->btImportClick(nullptr);
    const QString modelo = documents::FicheroDeModelo(Ultimo(), QStringLiteral("WordPro96"));
    EXPECT_TRUE(modelo.endsWith(QStringLiteral(".odt")));
    EXPECT_EQ(TextoOdt(modelo), QStringLiteral("Estimado [[PrimerCliente.Nombre]]: «SIN CONVERSIÓN»\n[[PrimerCliente.Nombre]] <&>\n«IDA»"));
    EXPECT_EQ(lista->MarcasDesconocidas, QStringList{QStringLiteral("«SIN CONVERSIÓN»")});
    // The chosen file itself is left as it was.
    EXPECT_TRUE(TextoOdt(viejo).startsWith(QStringLiteral("Estimado «CLIENTE»")));
}

TEST_F(EscritosTest, ImportRefusesOldBinaryFilesAndOtherKindsWithoutAddingARow) {
    const QString doc = dir.filePath(QStringLiteral("Antiguo.DOC"));
    QFile f(doc);
    f.open(QIODevice::WriteOnly);
    f.write("old");
    f.close();
    Abre();
    const int antes = Ultimo();
    harness->AnswerFile(doc);
    lista->btImportClick(nullptr);
    EXPECT_EQ(lista->SelectFile->Title(), QStringLiteral("Seleccione documento a unir"));
    EXPECT_EQ(lista->SelectFile->Filter(), QStringLiteral("Documentos|*.docx;*.doc"));
    EXPECT_TRUE(harness->LastMessage().Text.contains(QStringLiteral("guárdelo como \"Antiguo.docx\"")));
    harness->ClearRecords();
    harness->AnswerFile(dir.filePath(QStringLiteral("Zembra.dotx")));
    lista->btImportClick(nullptr);
    SetSistem("FILEEXT", Variant(QString()));
    harness->AnswerFile(QString());
    lista->btImportClick(nullptr);
    EXPECT_EQ(lista->SelectFile->Filter(), QStringLiteral("Documentos|*.docx"));
    EXPECT_TRUE(harness->Messages().empty());
    EXPECT_EQ(Ultimo(), antes);
    EXPECT_EQ(harness->PendingAnswers(), 0);
}

// A document of the other family is not imported, and the user is told which documents the
// office's processor takes and where it is chosen; so is an office whose processor is unknown.
TEST_F(EscritosTest, ImportOfTheOtherFamilySaysWhichDocumentsTheOfficeTakes) {
    const QString odt = dir.filePath(QStringLiteral("Aviso.odt"));
    Odt(odt, "<text:p>Estimado cliente</text:p>");
    const QString docx = dir.filePath(QStringLiteral("Carta.DOCX"));
    Docx(docx, P(R("Carta")));
    const QString donde = QString::fromUtf8("\rEl procesador del despacho se elige en Archivo > Datos Despacho > Configuración > \"Editor :\".");
    Abre();
    const int antes = Ultimo();
    harness->AnswerFile(odt);
    lista->btImportClick(nullptr);
    EXPECT_EQ(harness->LastMessage().Text,
              QString::fromUtf8("\"Aviso.odt\" es un documento .odt, y el procesador del despacho (\"Word2000\") "
                                "sólo toma documentos .docx.") + donde);

    SetSistem("EDITOR", Variant(QStringLiteral("WordPro96")));
    harness->AnswerFile(docx);
    lista->btImportClick(nullptr);
    EXPECT_EQ(harness->LastMessage().Text,
              QString::fromUtf8("\"Carta.DOCX\" es un documento .docx, y el procesador del despacho (\"WordPro96\") "
                                "sólo toma documentos .odt.") + donde);

    SetSistem("EDITOR", Variant(QStringLiteral("Bloc")));
    harness->AnswerFile(odt);
    lista->btImportClick(nullptr);
    EXPECT_EQ(harness->LastMessage().Text,
              QString::fromUtf8("El procesador de textos \"Bloc\" no es uno de los que el programa conoce: "
                                "Word97 o Word2000 (modelos .docx) y WordPro96 (modelos .odt).") + donde);
    EXPECT_EQ(harness->Messages().size(), 3u);
    EXPECT_EQ(Ultimo(), antes);
    EXPECT_EQ(harness->PendingAnswers(), 0);
}

// The other workstation: on ZB_CARPETA, makes a model (ZB_MUERE "nuevo") or imports ZB_ORIGEN
// ("importa") and is stopped for good once the model's row is written, before the program goes on.
TEST(OtraEstacionModelo, Runs) {
    const QString punto = qEnvironmentVariable("ZB_MUERE");
    if (punto.isEmpty()) GTEST_SKIP() << "only run as the second workstation";
    const QString carpeta = qEnvironmentVariable("ZB_CARPETA");
    TFormHarness harness;
    CarpetaDatos = carpeta;
    Dat = new TDat(nullptr);
    const TDataSetNotifyEvent termina = Dat->TEscritos->AfterPost;
    Dat->TEscritos->AfterPost = TDataSetNotifyEvent([&](TDataSet* ds) {
        termina(ds);
        QFile(carpeta + QStringLiteral("/listo")).open(QIODevice::WriteOnly);
        QThread::sleep(120);
        std::_Exit(3);
    });
    auto* lista = new TListaEscritos(nullptr);
    lista->Show();
    const bool importa = punto == QLatin1String("importa");
    if (importa) harness.AnswerFile(qEnvironmentVariable("ZB_ORIGEN"));
    harness.AnswerModal([](TCustomForm& f) {
        dynamic_cast<TNuevoEscrito&>(f).Respuesta->SetText(QStringLiteral("Modelo a medias"));
        f.SetModalResult(mrOk);
    });
    if (importa) lista->btImportClick(nullptr);
    else lista->BtNuevoClick(nullptr);
    ADD_FAILURE() << "not stopped";
}

// A workstation that dies while it makes or imports a model leaves no model listed without its
// file; the next model takes the number and the file is its own.
TEST_F(EscritosTest, AWorkstationKilledWhileSavingAModelLeavesNoRowWithoutItsFile) {
    const QString origen = dir.filePath(QStringLiteral("origen.docx"));
    Docx(origen, P(R("Texto importado")));
    const int ultimo = Ultimo();
    const int contador = Sistem("ESCRITO");
    for (const char* punto : {"nuevo", "importa"}) {
        SCOPED_TRACE(punto);
        QFile::remove(dir.filePath(QStringLiteral("listo")));
        QProcess otra;
        shelltest::ArrancaOtraEstacion(otra, dir.path(), QStringLiteral("OtraEstacionModelo.Runs"),
                                       {{QStringLiteral("ZB_MUERE"), QString::fromLatin1(punto)}, {QStringLiteral("ZB_ORIGEN"), origen}});
        ASSERT_TRUE(otra.waitForStarted(10000));
        QElapsedTimer reloj;
        reloj.start();
        while (!QFile::exists(dir.filePath(QStringLiteral("listo"))) && otra.state() == QProcess::Running && reloj.elapsed() < 60000)
            QThread::msleep(5);
        if (!QFile::exists(dir.filePath(QStringLiteral("listo")))) {
            otra.kill();
            otra.waitForFinished(10000);
            FAIL() << otra.readAll().toStdString();
        }
        otra.kill();
        ASSERT_TRUE(otra.waitForFinished(30000));
        EXPECT_EQ(Ultimo(), ultimo);
        EXPECT_FALSE(Dat->TEscritos->Locate(QStringLiteral("CONCEPTO"), Variant(QStringLiteral("Modelo a medias")), 0));
        EXPECT_EQ(Sistem("ESCRITO"), contador);
    }
    Abre();
    harness->AnswerFile(origen);
    Nombre(QStringLiteral("Importado entero"));
    lista->btImportClick(nullptr);
    EXPECT_TRUE(harness->Exceptions().empty());
    EXPECT_EQ(Ultimo(), ultimo + 1);
    EXPECT_TRUE(TextoDocx(documents::FicheroDeModelo(ultimo + 1, QStringLiteral("Word2000"))).startsWith(QStringLiteral("Texto importado")));
}

TEST_F(EscritosTest, Render) {
    Modelo("CIVIL", "Demanda de divorcio de mutuo acuerdo con convenio regulador");
    Modelo("CIVIL", "Escrito de personación");
    Abre();
    lista->LisTipoClick(nullptr);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(Dat->QLisEscri->RecordCount(), 5);
    EXPECT_GE(lista->DBEsc->Columns()->Items(0)->Width(), 380);
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString path = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath(QStringLiteral("UEscritos.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(lista, path));
    EXPECT_EQ(QImage(path).width(), lista->Width());
}

}  // namespace
