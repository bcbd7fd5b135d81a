// The address-list export over a real data folder; the file is read back with Python's csv module.
// Renders docs/forms/UExport.png (to a temporary folder unless ZEMBRA_RENDER_DOCS names one).
#include "DatFixture.h"
#include "documents/UExport.h"
#include "controls/visual/FDualLst.h"
#include "tests/support/DiscoLleno.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTimer>
#include <sys/stat.h>

namespace {

using platform::forms::TFormHarness;

class ExportTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        Persona(Dat->TClientes, "NÚÑEZ \"el Chico\"", "José", "C/ Mayor, 3", "Cádiz", "11001", "CÁDIZ", "956 000 001");
        Persona(Dat->TClientes, "GARCÍA LÓPEZ", "Ana", "Avda. de la Constitución 12, 2º", "Sevilla", "41001", "SEVILLA",
                "954 111 222");
        Persona(Dat->TClientes, "ÁLVAREZ", "Íñigo", "Plaza Nueva 1", "Bilbao", "48005", "VIZCAYA", "");
        Persona(Dat->TClientes, "ZURITA", "Eva", "Rúa do Vilar 8 (€ 0)", "Santiago", "15705", "A CORUÑA", "981 5");
        Persona(Dat->TAbogados, "MARTÍNEZ RUIZ", "Pedro", "Gran Vía 1", "Madrid", "28013", "MADRID", "91 555");
        fichero = dir.filePath(QStringLiteral("salida.csv"));
        form = new TFExport(nullptr);
        form->Show();
    }
    void TearDown() override {
        delete form;
        DatTest::TearDown();
    }
    void Persona(TTable* t, const char* apellidos, const char* nombre, const char* domicilio, const char* poblacion,
                 const char* cp, const char* provincia, const char* telefono) {
        t->Append();
        auto f = [&](const char* campo, const char* v) { t->FieldByName(QString::fromLatin1(campo))->SetAsString(QString::fromUtf8(v)); };
        f("APELLIDOS", apellidos);
        f("NOMBRE", nombre);
        f("DOMICILIO", domicilio);
        f("POBLACION", poblacion);
        f("CDPOSTAL", cp);
        f("PROVINCIA", provincia);
        f("TELEFONO", telefono);
        f("MAIL", "");
        t->Post();
    }
    void Elige(int tabla) {
        form->cbExport->SetItemIndex(tabla);
        form->cbExportChange(form->cbExport);
        form->eExport->SetText(fichero);
    }
    // The file as Python's csv module reads it: one line per row, fields joined by "|".
    QStringList LeeCsv() const {
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv,sys\n"
                                 "with open(sys.argv[1], newline='', encoding='cp1252') as f:\n"
                                 "    for r in csv.reader(f, strict=True): print('|'.join(r))\n"),
                  fichero});
        py.waitForFinished(30000);
        EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
        QStringList out = QString::fromUtf8(py.readAllStandardOutput()).split(QLatin1Char('\n'));
        if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
        return out;
    }
    QByteArray Bytes() const {
        QFile f(fichero);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    TFExport* form = nullptr;
    QString fichero;
};

const QString kCabecera = QStringLiteral("NOMBRE|APELLIDOS|DOMICILIO|POBLACION|CDPOSTAL|PROVINCIA|TELEFONO|FAX|MAIL");

TEST_F(ExportTest, WholeTableReadsBackAsCommaSeparatedTextInTheWorkstationCharacterSet) {
    Elige(1);
    EXPECT_EQ(form->Desde->GetDisplayText(), QStringLiteral("<PRIMERO>"));
    EXPECT_EQ(form->Hasta->GetDisplayText(), QStringLiteral("<ÚLTIMO>"));
    ASSERT_TRUE(form->btExport->Enabled());
    TFormHarness::Click(form->btExport);
    EXPECT_TRUE(harness->Exceptions().empty());
    EXPECT_FALSE(form->Indicador->Visible());

    QStringList filas = LeeCsv();
    ASSERT_EQ(filas.size(), 5);
    EXPECT_EQ(filas[0], kCabecera);
    filas.removeFirst();
    filas.sort();
    EXPECT_EQ(filas, QStringList({
                         QStringLiteral("Ana|GARCÍA LÓPEZ|Avda. de la Constitución 12, 2º|Sevilla|41001|SEVILLA|954 111 222||"),
                         QStringLiteral("Eva|ZURITA|Rúa do Vilar 8 (€ 0)|Santiago|15705|A CORUÑA|981 5||"),
                         QStringLiteral("José|NÚÑEZ \"el Chico\"|C/ Mayor, 3|Cádiz|11001|CÁDIZ|956 000 001||"),
                         QStringLiteral("Íñigo|ÁLVAREZ|Plaza Nueva 1|Bilbao|48005|VIZCAYA|||"),
                     }));

    const QByteArray raw = Bytes();
    EXPECT_TRUE(raw.startsWith("\"NOMBRE\",\"APELLIDOS\",\"DOMICILIO\",\"POBLACION\",\"CDPOSTAL\",\"PROVINCIA\",\"TELEFONO\",\"FAX\",\"MAIL\"\r\n"));
    EXPECT_TRUE(raw.endsWith("\r\n"));
    EXPECT_EQ(raw.count("\r\n"), 5);
    EXPECT_EQ(raw.count('\n'), 5);                          // no bare line feeds
    EXPECT_TRUE(raw.contains("\"N\xDA\xD1" "EZ \"\"el Chico\"\"\""));  // Windows-1252, quotes doubled
    EXPECT_TRUE(raw.contains("\x80"));                     // the euro sign's own byte
    EXPECT_TRUE(raw.contains("\"\",\"\"\r\n"));             // empty values are two quotes
}

TEST_F(ExportTest, AltWithTheButtonsLettersExportsFromTheKeyboard) {
    Elige(1);
    TFormHarness::Focus(form->eExport);
    // Alt+S shows the records to review (left here), Alt+E writes them.
    harness->AnswerModal(mrCancel);
    TFormHarness::PressKey(form->eExport, 'S', ssAlt);
    EXPECT_EQ(harness->ModalForms().size(), 1u);
    TFormHarness::PressKey(form->eExport, 'E', ssAlt);
    EXPECT_TRUE(harness->Exceptions().empty());
    EXPECT_EQ(LeeCsv().size(), 5);
}

// The file stays single-byte; rows whose characters it cannot hold are named at the end.
TEST_F(ExportTest, RowsWithCharactersTheFileCannotHoldAreNamedAtTheEnd) {
    Elige(1);
    TFormHarness::Click(form->btExport);
    EXPECT_TRUE(harness->Messages().empty());
    Persona(Dat->TClientes, "KOWALSKI", "Łukasz", "ul. Łódzka 5", "Łódź", "90001", "POLONIA", "");
    Persona(Dat->TClientes, "PAPADOPOULOS", "Νίκος", "Odos 1", "Atenas", "10552", "GRECIA", "");
    Elige(1);
    TFormHarness::Click(form->btExport);
    EXPECT_TRUE(harness->Exceptions().empty());
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_EQ(harness->LastMessage().Caption, QStringLiteral("¡¡ ATENCIÓN !!"));
    EXPECT_EQ(harness->LastMessage().Text,
              QStringLiteral("Estas filas tienen caracteres que el archivo no admite; se han escrito como \"?\":\r"
                             "KOWALSKI Łukasz\rPAPADOPOULOS Νίκος"));
    const QByteArray raw = Bytes();
    EXPECT_TRUE(raw.contains("\"?ukasz\",\"KOWALSKI\",\"ul. ?\xF3" "dzka 5\",\"?\xF3" "d?\""));
    EXPECT_EQ(LeeCsv().size(), 7);
    // Many rows: the first twenty, then how many more.
    QStringList muchas;
    for (int i = 0; i < 23; ++i) muchas << QStringLiteral("FILA %1").arg(i);
    const QString aviso = documents::AvisoCaracteresPerdidos(muchas);
    EXPECT_TRUE(aviso.endsWith(QStringLiteral("\rFILA 19\r... y 3 más"))) << aviso.toStdString();
    EXPECT_EQ(documents::AvisoCaracteresPerdidos({}), QString());
}

TEST_F(ExportTest, TheRangeComparesSurnamesAndTheLastBoundIsTheEndOfTheAlphabet) {
    Elige(1);
    form->Desde->SelectKeyValue(QStringLiteral("GARCÍA LÓPEZ"));
    // "<ÚLTIMO>" is the end of the range: in order, so the export is offered.
    EXPECT_TRUE(form->btExport->Enabled());
    form->btExportClick(nullptr);
    QStringList filas = LeeCsv();
    filas.removeFirst();
    filas.sort();
    ASSERT_EQ(filas.size(), 3);
    EXPECT_TRUE(filas[0].startsWith(QStringLiteral("Ana|GARCÍA")));
    EXPECT_TRUE(filas[1].startsWith(QStringLiteral("Eva|ZURITA")));
    EXPECT_TRUE(filas[2].startsWith(QStringLiteral("José|NÚÑEZ")));

    // "Á" sorts with "A", before "G": a range from ÁLVAREZ to GARCÍA is in order (a byte
    // comparison of the texts would say otherwise).
    form->Desde->SelectKeyValue(QStringLiteral("ÁLVAREZ"));
    form->Hasta->SelectKeyValue(QStringLiteral("GARCÍA LÓPEZ"));
    EXPECT_TRUE(form->btExport->Enabled());
    form->btExportClick(nullptr);
    filas = LeeCsv();
    ASSERT_EQ(filas.size(), 3);
    // Reversed: no export.
    form->Desde->SelectKeyValue(QStringLiteral("ZURITA"));
    EXPECT_FALSE(form->btExport->Enabled());
    // The same surname at both ends: that surname only.
    form->Desde->SelectKeyValue(QStringLiteral("GARCÍA LÓPEZ"));
    EXPECT_TRUE(form->btExport->Enabled());
    form->btExportClick(nullptr);
    filas = LeeCsv();
    ASSERT_EQ(filas.size(), 2);
    EXPECT_TRUE(filas[1].startsWith(QStringLiteral("Ana|GARCÍA")));
    // No file name: nothing to export to.
    form->eExport->SetText(QString());
    EXPECT_FALSE(form->btExport->Enabled());
}

TEST_F(ExportTest, TheRowsTheUserKeptAreTheRowsExported) {
    Elige(1);
    harness->AnswerModal([](TCustomForm& f) {
        auto& d = dynamic_cast<TDualListForm&>(f);
        EXPECT_EQ(d.SrcLabel->Caption(), QStringLiteral("Clientes"));
        EXPECT_EQ(d.DstLabel->Caption(), QStringLiteral("&Seleccionados"));
        ASSERT_EQ(d.DstList->Items()->Count(), 4);
        // Take out ZURITA (the list is sorted, so it is the last).
        d.DstList->SetItemIndex(3);
        d.DstList->SetSelected(3, true);
        d.ExclBtnClick(nullptr);
        f.SetModalResult(mrOk);
    });
    TFormHarness::Click(form->btSelect);
    EXPECT_EQ(harness->PendingAnswers(), 0);
    form->btExportClick(nullptr);
    QStringList filas = LeeCsv();
    ASSERT_EQ(filas.size(), 4);
    EXPECT_FALSE(filas.join(QLatin1Char('\n')).contains(QStringLiteral("ZURITA")));

    // A reviewed list belongs to its range: another table is listed again from its range.
    Elige(0);
    form->btExportClick(nullptr);
    filas = LeeCsv();
    ASSERT_EQ(filas.size(), 2);
    EXPECT_TRUE(filas[1].startsWith(QStringLiteral("Pedro|MARTÍNEZ RUIZ|Gran Vía 1")));
}

// The gauge is painted between rows, and clicks get through then: none of them may rebuild the
// list being written or start another export before the file is done.
TEST_F(ExportTest, ClicksWhileTheFileIsWrittenWaitForIt) {
    Elige(1);
    harness->AnswerModal([](TCustomForm& f) {
        auto& d = dynamic_cast<TDualListForm&>(f);
        d.DstList->SetItemIndex(0);
        d.DstList->SetSelected(0, true);
        d.ExclBtnClick(nullptr);
        f.SetModalResult(mrOk);
    });
    QTimer::singleShot(0, [&] {
        TFormHarness::Click(form->btSelect);
        TFormHarness::Click(form->btExport);
        TFormHarness::PressKey(form->cbExport, VK_UP);
    });
    TFormHarness::Click(form->btExport);
    for (const auto& e : harness->Exceptions()) ADD_FAILURE() << e.Message.toStdString();
    EXPECT_TRUE(harness->ModalForms().empty());
    EXPECT_EQ(LeeCsv().size(), 5);
    // Once written, the form takes them again.
    EXPECT_EQ(form->cbExport->ItemIndex(), 1);
    for (TControl* c : std::initializer_list<TControl*>{form->cbExport, form->Desde, form->Hasta, form->eExport,
                                                        form->btSelect, form->btExport})
        EXPECT_TRUE(c->Enabled()) << c->Name().toStdString();
}

// Typed by hand, the office's own database is refused as a target: the office keeps its data.
TEST_F(ExportTest, TheDatabaseIsNeverWrittenOver) {
    fichero = QDir(CarpetaDatos).filePath(QStringLiteral("zembra.db"));
    if (!QFileInfo::exists(fichero)) {  // an office on a server has none: one left there is kept all the same
        QFile f(fichero);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("SQLite format 3");
    }
    const QByteArray antes = Bytes();
    ASSERT_TRUE(antes.startsWith("SQLite format 3"));
    Elige(1);
    TFormHarness::Click(form->btExport);
    EXPECT_EQ(Bytes(), antes);
    EXPECT_TRUE(harness->LastMessage().Text.contains(QStringLiteral("«zembra.db»")));
    EXPECT_FALSE(form->Indicador->Visible());
}

TEST_F(ExportTest, OneRecordIsWrittenAndAnEmptyRangeGivesTheHeaderOnly) {
    Elige(0);  // one lawyer
    form->btExportClick(nullptr);
    EXPECT_EQ(LeeCsv().size(), 2);
    EXPECT_EQ(form->Indicador->Progress(), 100);
    Elige(4);  // no experts
    form->btExportClick(nullptr);
    EXPECT_EQ(LeeCsv(), QStringList{kCabecera});
}

TEST_F(ExportTest, AnExportInAFolderTheGroupSharesIsTheGroupsWhateverTheUsersUmask) {
    const QString compartida = QFileInfo(fichero).absolutePath() + QStringLiteral("/compartida");
    ASSERT_TRUE(QDir().mkpath(compartida));
    ASSERT_EQ(::chmod(QFile::encodeName(compartida).constData(), 02770), 0);
    fichero = compartida + QStringLiteral("/abogados.csv");
    Elige(0);
    const mode_t previa = ::umask(077);
    form->btExportClick(nullptr);
    ::umask(previa);
    EXPECT_EQ(LeeCsv().size(), 2);
    EXPECT_EQ(QFile::permissions(fichero) & (QFile::ReadGroup | QFile::WriteGroup), QFile::ReadGroup | QFile::WriteGroup);
}

TEST_F(ExportTest, AFailedWriteLeavesTheEarlierFileAsItWas) {
    const QByteArray antes = "\"NOMBRE\"\r\n\"anterior\"\r\n";
    {
        QFile f(fichero);
        f.open(QIODevice::WriteOnly);
        f.write(antes);
    }
    for (int i = 0; i < 400; ++i)
        Persona(Dat->TClientes, "RELLENO", "Nombre de relleno para llenar el fichero", "Calle larga de relleno 123",
                "Población", "00000", "PROVINCIA", "000 000 000");
    Elige(1);
    // The disk takes no more than a few hundred bytes per file.
    zbtest::ConDiscoLleno(600, [&] { TFormHarness::Click(form->btExport); });
    ASSERT_EQ(harness->Exceptions().size(), 1u);
    EXPECT_FALSE(form->Indicador->Visible());
    EXPECT_EQ(Bytes(), antes);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("salida.csv*")}, QDir::Files), QStringList{QStringLiteral("salida.csv")});

    // A file that cannot be created at all: the program's message, nothing written.
    form->eExport->SetText(dir.filePath(QStringLiteral("no/existe/salida.csv")));
    form->btExportClick(nullptr);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("Error al crear archivo"));
    EXPECT_FALSE(form->Indicador->Visible());
}

// A file small enough to stay in the write buffer until the end: the full disk shows only then,
// and must still be an error with the old file kept.
TEST_F(ExportTest, ASmallExportToAFullDiskIsAnErrorToo) {
    const QByteArray antes = "\"NOMBRE\"\r\n\"anterior\"\r\n";
    {
        QFile f(fichero);
        f.open(QIODevice::WriteOnly);
        f.write(antes);
    }
    Elige(0);  // one lawyer: a header and a line
    zbtest::ConDiscoLleno(40, [&] { TFormHarness::Click(form->btExport); });
    ASSERT_EQ(harness->Exceptions().size(), 1u);
    EXPECT_EQ(Bytes(), antes);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("salida.csv*")}, QDir::Files), QStringList{QStringLiteral("salida.csv")});
}

TEST_F(ExportTest, Render) {
    Elige(1);
    form->Desde->SelectKeyValue(QStringLiteral("ÁLVAREZ"));
    form->eExport->SetText(QStringLiteral("/home/despacho/clientes.csv"));
    TFormHarness::ProcessEvents();
    for (TLabel* l : {form->Label1, form->Label2, form->Label3, form->Label4}) EXPECT_GT(l->Width(), 0);
    EXPECT_LE(form->Label1->Left() + form->Label1->Width(), form->cbExport->Left());
    EXPECT_LE(form->Label4->Left() + form->Label4->Width(), form->eExport->Left());
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString path = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath(QStringLiteral("UExport.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(form, path));
    EXPECT_EQ(QImage(path).width(), form->Width());
}

}  // namespace
