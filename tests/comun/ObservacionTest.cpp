// The notes editor over a real data folder: the save question, printing what is saved, the
// clipboard and help buttons.
#include "DatFixture.h"

#include "comun/PresPrel.h"
#include "comun/UObservacion.h"
#include "platform/graphics/Clipbrd.h"
#include "platform/report/QuickRpt.h"

#include <QDir>
#include <QImage>
#include <QPainter>

using namespace shelltest;
using platform::forms::TFormHarness;

namespace {

const QString Pregunta = QStringLiteral("    ¡¡ Ha habido Cambios !! \r¿ Desea Guardar los cambios ?");

class ObservacionTest : public DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        Application->CreateForm(principal);
        cliente = AddClient(QStringLiteral("García"), QStringLiteral("Ana"));
        Dat->TClientes->Edit();
        Dat->TClientes->FieldByName(QStringLiteral("OBSERVACIONES"))->SetAsString(QStringLiteral("Notas guardadas"));
        Dat->TClientes->FieldByName(QStringLiteral("RELACIOBIENES"))->SetAsString(QStringLiteral("Piso en Madrid"));
        Dat->TClientes->Post();
    }
    void TearDown() override {
        delete Observacion;
        TFormHarness::ProcessEvents();
        delete principal;
        principal = nullptr;
        DatTest::TearDown();
    }
    // Opens the editor on a memo of the current client as the record forms do.
    // `respuesta` answers the save question when the script asks it; `preview` the shared preview
    // when the script prints.
    void Abre(const QString& campo, const std::function<void(TObservacion&)>& script, int respuesta = 0,
              bool preview = false) {
        Application->CreateForm(Observacion);
        Observacion->ActiveSource->SetDataSet(Dat->TClientes);
        Observacion->Memo->SetDataField(campo);
        Dat->TClientes->Edit();
        Observacion->SetCaption(QStringLiteral("Observaciones"));
        Observacion->Titulo->SetCaption(QStringLiteral("Observaciones de"));
        Observacion->Contenido->SetCaption(Dat->TClientes->FieldByName(QStringLiteral("NOMCLI"))->AsString());
        harness->AnswerModal([script](TCustomForm& f) { script(static_cast<TObservacion&>(f)); });
        if (respuesta) harness->AnswerMessage(respuesta);
        if (preview) MiraPreview();
        Observacion->ShowModal();
        TFormHarness::ProcessEvents();  // the editor frees itself
    }
    // The next modal form is the shared preview of the report's pages; it is looked at and left.
    void MiraPreview() {
        harness->AnswerModal([this](TCustomForm& f) {
            ++previews;
            EXPECT_EQ(&f, PreView);
            EXPECT_GT(QRPrinter->PageCount(), 0);
        });
    }
    static void Escribe(TObservacion& o, const QString& texto) {
        TFormHarness::Focus(o.Memo);
        TFormHarness::PressKey(VK_END, ssCtrl);
        TFormHarness::Type(texto);
    }
    QString Notas() {
        Dat->TClientes->Refresh();
        return Dat->TClientes->FieldByName(QStringLiteral("OBSERVACIONES"))->AsString();
    }
    static QString Impreso() {
        QStringList t;
        for (int p = 1; p <= QRPrinter->PageCount(); ++p) t << QRPrinter->Pages(p).Texts();
        return t.join(QLatin1Char('|'));
    }
    TForm* principal = nullptr;
    int cliente = 0;
    int previews = 0;
};

TEST_F(ObservacionTest, LeavingAsksWhetherToKeepChangedNotes) {
    Abre(QStringLiteral("OBSERVACIONES"), [](TObservacion& o) {
        EXPECT_EQ(o.Memo->Text(), QStringLiteral("Notas guardadas"));
        Escribe(o, QStringLiteral(" y más"));
        TFormHarness::PressKey(o.Memo, VK_TAB);  // tabs are text here
        o.Memo->SetModified(true);
    });
    // The window's own close button neither saves nor drops: the caller decides.
    EXPECT_TRUE(harness->Messages().empty());
    EXPECT_EQ(Dat->TClientes->State(), dsEdit);
    EXPECT_EQ(Observacion, nullptr);
    Dat->TClientes->Cancel();

    Abre(
        QStringLiteral("OBSERVACIONES"),
        [](TObservacion& o) {
            Escribe(o, QStringLiteral(" y más"));
            TFormHarness::Click(o.SpeedItem2->Button());
        },
        mrYes);
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_EQ(harness->LastMessage().Text, Pregunta);
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    EXPECT_EQ(Notas(), QStringLiteral("Notas guardadas y más"));

    Abre(
        QStringLiteral("OBSERVACIONES"),
        [](TObservacion& o) {
            Escribe(o, QStringLiteral(" (borrador)"));
            TFormHarness::Click(o.SpeedItem2->Button());
        },
        mrNo);
    EXPECT_EQ(harness->Messages().size(), 2u);
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    EXPECT_EQ(Notas(), QStringLiteral("Notas guardadas y más"));

    // Nothing typed: no question, the record leaves edit.
    Abre(QStringLiteral("OBSERVACIONES"), [](TObservacion& o) { TFormHarness::Click(o.SpeedItem2->Button()); });
    EXPECT_EQ(harness->Messages().size(), 2u);
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
}

TEST_F(ObservacionTest, PrintingShowsTheNotesAsSaved) {
    bool accionRepuesta = false;
    Abre(
        QStringLiteral("OBSERVACIONES"),
        [&](TObservacion& o) {
            Escribe(o, QStringLiteral(" sin guardar"));
            TFormHarness::Click(o.btImprimir->Button());
            accionRepuesta = bool(o.btImprimir->OnClick());
            EXPECT_FALSE(o.Memo->Modified());
            TFormHarness::Click(o.SpeedItem2->Button());
        },
        mrNo, true);
    ASSERT_EQ(harness->Messages().size(), 1u);  // only the question before printing
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(PreView, nullptr);  // the preview goes when it closes
    EXPECT_EQ(harness->LastMessage().Text, Pregunta);
    EXPECT_TRUE(accionRepuesta);
    ASSERT_GT(QRPrinter->PageCount(), 0);
    EXPECT_TRUE(Impreso().contains(QStringLiteral("Observaciones de : García,Ana"))) << Impreso().toStdString();
    EXPECT_TRUE(Impreso().contains(QStringLiteral("Notas guardadas")));
    EXPECT_FALSE(Impreso().contains(QStringLiteral("sin guardar")));
    EXPECT_EQ(Notas(), QStringLiteral("Notas guardadas"));

    // The list of assets prints under the same layout.
    Abre(
        QStringLiteral("RELACIOBIENES"),
        [&](TObservacion& o) {
            o.Titulo->SetCaption(QStringLiteral("Bienes de"));
            TFormHarness::Click(o.btImprimir->Button());
            TFormHarness::Click(o.SpeedItem2->Button());
        },
        0, true);
    EXPECT_EQ(previews, 2);
    EXPECT_TRUE(Impreso().contains(QStringLiteral("Bienes de : García,Ana")));
    EXPECT_TRUE(Impreso().contains(QStringLiteral("Piso en Madrid")));
    EXPECT_FALSE(Impreso().contains(QStringLiteral("Notas guardadas")));
}

TEST_F(ObservacionTest, CaseFileNotesPrintFromTheirCaseFile) {
    AddCase(QStringLiteral("2024"), QStringLiteral("0000007"), cliente);
    AddCase(QStringLiteral("2024"), QStringLiteral("0000008"), cliente);
    ASSERT_TRUE(Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"),
                                    Variant(std::vector<Variant>{Variant(QStringLiteral("2024")), Variant(QStringLiteral("0000007"))}), 0));
    Dat->TExped->Edit();
    Dat->TExped->FieldByName(QStringLiteral("OBSERVACIONES"))
        ->SetAsString(QStringLiteral("Vista el lunes a las 10:00 en el Juzgado de Primera Instancia nº 3, sala 2. "
                                     "Llevar el original del contrato y las tres facturas impagadas.\r\n"
                                     "Pedir al procurador copia de la diligencia.\r\nÚltima línea de la nota."));
    Dat->TExped->Post();
    Application->CreateForm(Observacion);
    Observacion->ActiveSource->SetDataSet(Dat->TExped);
    Observacion->Memo->SetDataField(QStringLiteral("OBSERVACIONES"));
    Dat->TExped->Edit();
    Observacion->Titulo->SetCaption(QStringLiteral("Expediente"));
    Observacion->Contenido->SetCaption(QStringLiteral("2024/0000007"));
    harness->AnswerModal([](TCustomForm& f) {
        auto& o = static_cast<TObservacion&>(f);
        TFormHarness::Click(o.btImprimir->Button());
        TFormHarness::Click(o.SpeedItem2->Button());
    });
    MiraPreview();
    Observacion->ShowModal();
    TFormHarness::ProcessEvents();
    EXPECT_TRUE(Impreso().contains(QStringLiteral("Expediente : 2024/0000007")));
    EXPECT_TRUE(Impreso().contains(QStringLiteral("Vista el lunes")));
    EXPECT_TRUE(Impreso().contains(QStringLiteral("Última línea de la nota."))) << Impreso().toStdString();
    // The first page as it prints (the picture of the report comes from here).
    const auto& pagina = QRPrinter->Pages(1);
    QImage img(pagina.Width, pagina.Height, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter painter(&img);
        platform::report::ReplayPage(pagina, &painter);
    }
    ASSERT_TRUE(img.save(QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QStringLiteral("rptObserva.png"))));
}

TEST_F(ObservacionTest, ClipboardAndHelpButtonsWorkOnTheMemo) {
    qint64 ayuda = 0;
    Application->OnHelp = [&](quint16, qint64 data, bool&, bool& result) {
        ayuda = data;
        result = true;
    };
    QString tras;
    bool foco = false;
    Abre(QStringLiteral("OBSERVACIONES"), [&](TObservacion& o) {
        TFormHarness::Focus(o.Memo);
        o.Memo->SelectAll();
        TFormHarness::Click(o.btCopy->Button());
        EXPECT_EQ(Clipboard()->AsText(), QStringLiteral("Notas guardadas"));
        TFormHarness::Click(o.btCut->Button());
        EXPECT_EQ(o.Memo->Text(), QString());
        TFormHarness::Click(o.btPaste->Button());
        TFormHarness::Click(o.btPaste->Button());
        tras = o.Memo->Text();
        TFormHarness::Click(o.btAyuda->Button());
        foco = o.Memo->Focused();
        o.Close();
    });
    Application->OnHelp = nullptr;
    EXPECT_EQ(tras, QStringLiteral("Notas guardadasNotas guardadas"));
    EXPECT_EQ(ayuda, 130);
    EXPECT_TRUE(foco);
    Dat->TClientes->Cancel();
}

TEST_F(ObservacionTest, RendersTheEditorWithANote) {
    Dat->TClientes->Edit();
    Dat->TClientes->FieldByName(QStringLiteral("OBSERVACIONES"))
        ->SetAsString(QStringLiteral("Cliente desde 1998. Prefiere que se le llame por la tarde.\r\n"
                                     "Pendiente: copia de la escritura del local de la calle Mayor.\r\n"
                                     "Avisar antes de cada vista."));
    Dat->TClientes->Post();
    Application->CreateForm(Observacion);
    Observacion->ActiveSource->SetDataSet(Dat->TClientes);
    Observacion->Memo->SetDataField(QStringLiteral("OBSERVACIONES"));
    Observacion->Titulo->SetCaption(QStringLiteral("Observaciones de"));
    Observacion->Contenido->SetCaption(QStringLiteral("García,Ana"));
    Observacion->Show();
    const QString path = QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QStringLiteral("UObservacion.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(Observacion, path));
    EXPECT_TRUE(Observacion->Memo->Text().startsWith(QStringLiteral("Cliente desde 1998")));
}

}  // namespace
