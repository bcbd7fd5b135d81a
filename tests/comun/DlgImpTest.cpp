// The print-options dialog: defaults, the page and copy checks with their messages, what the
// preview reads after OK, Escape.
#include "DatFixture.h"

#include "comun/dlgImp.h"
#include "platform/forms/Printers.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

using namespace shelltest;
using platform::forms::TFormHarness;

namespace {

class DlgImpTest : public ::testing::Test {
protected:
    void SetUp() override { Nuevo(); }
    void TearDown() override {
        TFormHarness::ProcessEvents();  // a closed dialog frees itself
        if (dlgImprime) dlgImprime->Free();
    }
    // A fresh dialog as the preview makes one at each print (the last one is gone, or going).
    void Nuevo() {
        TFormHarness::ProcessEvents();
        if (dlgImprime) dlgImprime->Free();
        dlgImprime = new TdlgImprime(Application);
        dlgImprime->FijaPaginas(12);
    }
    // Shows the dialog, runs `script` on it and clicks OK; returns the modal result.
    TModalResult Ok(const std::function<void(TdlgImprime&)>& script) {
        harness.AnswerModal([script](TCustomForm& f) {
            auto& d = static_cast<TdlgImprime&>(f);
            script(d);
            TFormHarness::Click(d.btOk);
        });
        return dlgImprime->ShowModal();
    }
    QString LastError() const {
        return harness.Exceptions().empty() ? QString() : harness.Exceptions().back().Message;
    }
    TFormHarness harness;
};

TEST_F(DlgImpTest, StartsOnAllPagesAndOneCopyNamingTheProgramsPrinter) {
    EXPECT_EQ(dlgImprime->Caption(), QStringLiteral("Imprimir .."));
    EXPECT_TRUE(dlgImprime->rbTodo->Checked());
    EXPECT_FALSE(dlgImprime->rbPaginas->Checked());
    EXPECT_EQ(dlgImprime->ECopias->Text(), QStringLiteral("1"));
    EXPECT_EQ(dlgImprime->UpDown1->Position(), 1);
    EXPECT_EQ(dlgImprime->UpDown1->Min(), 1);
    EXPECT_EQ(dlgImprime->EDesde->MaxLength(), 4);
    EXPECT_EQ(dlgImprime->EHasta->MaxLength(), 4);
    EXPECT_EQ(dlgImprime->ECopias->MaxLength(), 3);
    const QString name = Printer()->PrinterName();
    EXPECT_EQ(dlgImprime->LImpresora->Caption(), name.isEmpty() ? QStringLiteral("(ninguna impresora)") : name);
    EXPECT_EQ(dlgImprime->BImpresora->Caption(), QStringLiteral("&Impresora"));
    EXPECT_EQ(dlgImprime->Label3->Caption(), QStringLiteral("Número de Copias :"));

    EXPECT_EQ(Ok([](TdlgImprime&) {}), mrOk);
    EXPECT_TRUE(harness.Exceptions().empty());
}

TEST_F(DlgImpTest, PagesProposeTheWholeReportAndAllClearsThem) {
    EXPECT_EQ(Ok([](TdlgImprime& d) {
                  TFormHarness::Click(d.rbPaginas);
                  EXPECT_EQ(d.EDesde->Text(), QStringLiteral("1"));
                  EXPECT_EQ(d.EHasta->Text(), QStringLiteral("12"));
                  TFormHarness::Click(d.rbTodo);
                  EXPECT_EQ(d.EDesde->Text(), QString());
                  EXPECT_EQ(d.EHasta->Text(), QString());
                  TFormHarness::Click(d.rbPaginas);
                  d.EDesde->SetText(QStringLiteral("2"));
                  d.EHasta->SetText(QStringLiteral("3"));
                  d.ECopias->SetText(QStringLiteral("2"));
              }),
              mrOk);
    // What the preview reads.
    EXPECT_TRUE(dlgImprime->rbPaginas->Checked());
    EXPECT_EQ(dlgImprime->EDesde->Text().toInt(), 2);
    EXPECT_EQ(dlgImprime->EHasta->Text().toInt(), 3);
    EXPECT_EQ(dlgImprime->ECopias->Text().toInt(), 2);
}

TEST_F(DlgImpTest, EditsTakeOnlyDigitsAndBackspace) {
    Ok([](TdlgImprime& d) {
        TFormHarness::Click(d.rbPaginas);
        d.EDesde->SetText(QString());
        TFormHarness::Type(d.EDesde, QStringLiteral("a1-2 x3"));
        EXPECT_EQ(d.EDesde->Text(), QStringLiteral("123"));
        TFormHarness::PressKey(d.EDesde, VK_BACK);
        EXPECT_EQ(d.EDesde->Text(), QStringLiteral("12"));
        d.ECopias->SetText(QString());
        TFormHarness::Type(d.ECopias, QStringLiteral("+5e"));
        EXPECT_EQ(d.ECopias->Text(), QStringLiteral("5"));
        d.EHasta->SetText(QStringLiteral("99"));
    });
    EXPECT_EQ(dlgImprime->EDesde->Text(), QStringLiteral("12"));
}

TEST_F(DlgImpTest, ChecksRefuseInOrderAndKeepTheDialogOpen) {
    struct Case {
        const char* desde;
        const char* hasta;
        const char* copias;
        const char* message;
        const char* focus;
    };
    const Case cases[] = {
        {"", "3", "1", "Página DESDE Erronea", "EDesde"},
        {"", "", "", "Página DESDE Erronea", "EDesde"},
        {"2", "", "1", "Página HASTA Erronea", "EHasta"},
        {"5", "3", "1", "Rango de Páginas Erroneo", "EDesde"},
        {"5", "3", "", "Rango de Páginas Erroneo", "EDesde"},
        {"1", "3", "", "Número de Copias Erroneo", "ECopias"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Nuevo();
        harness.ClearRecords();
        QString focused;
        TModalResult whileOpen = -1;
        harness.AnswerModal([&](TCustomForm& f) {
            auto& d = static_cast<TdlgImprime&>(f);
            TFormHarness::Click(d.rbPaginas);
            d.EDesde->SetText(QString::fromUtf8(c.desde));
            d.EHasta->SetText(QString::fromUtf8(c.hasta));
            d.ECopias->SetText(QString::fromUtf8(c.copias));
            TFormHarness::Click(d.btOk);
            whileOpen = d.ModalResult();
            focused = d.ActiveControl() ? d.ActiveControl()->Name() : QString();
        });
        EXPECT_EQ(dlgImprime->ShowModal(), mrCancel);
        EXPECT_EQ(whileOpen, mrNone);
        EXPECT_EQ(LastError(), QString::fromUtf8(c.message));
        EXPECT_EQ(focused, QString::fromUtf8(c.focus));
    }
}

TEST_F(DlgImpTest, AllPagesSkipThePageChecksAndZeroCopiesIsAccepted) {
    EXPECT_EQ(Ok([](TdlgImprime& d) {
                  d.EDesde->SetText(QStringLiteral("9"));
                  d.EHasta->SetText(QStringLiteral("1"));
                  d.ECopias->SetText(QStringLiteral("0"));
              }),
              mrOk);
    EXPECT_EQ(dlgImprime->ECopias->Text().toInt(), 0);
    Nuevo();
    // Pages beyond the report are the preview's business, not the dialog's.
    EXPECT_EQ(Ok([](TdlgImprime& d) {
                  TFormHarness::Click(d.rbPaginas);
                  d.EDesde->SetText(QStringLiteral("40"));
                  d.EHasta->SetText(QStringLiteral("9999"));
              }),
              mrOk);
    EXPECT_TRUE(harness.Exceptions().empty());
}

TEST_F(DlgImpTest, EscapeAndNoLeaveWithoutOk) {
    harness.AnswerModal([](TCustomForm& f) {
        TFormHarness::Focus(static_cast<TdlgImprime&>(f).ECopias);
        TFormHarness::PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(dlgImprime->ShowModal(), mrNo);
    Nuevo();
    harness.AnswerModal([](TCustomForm& f) { TFormHarness::Click(static_cast<TdlgImprime&>(f).BitBtn2); });
    EXPECT_EQ(dlgImprime->ShowModal(), mrNo);
}

TEST_F(DlgImpTest, ClosingFreesTheDialogAndClearsItsVariable) {
    EXPECT_EQ(Ok([](TdlgImprime&) {}), mrOk);
    EXPECT_NE(dlgImprime, nullptr);  // still there for the caller to read
    TFormHarness::ProcessEvents();
    EXPECT_EQ(dlgImprime, nullptr);
}

TEST_F(DlgImpTest, CancelledPrinterChoiceKeepsTheLabel) {
    const QString before = dlgImprime->LImpresora->Caption();
    harness.AnswerDialog(false);
    Ok([](TdlgImprime& d) { TFormHarness::Click(d.BImpresora); });
    EXPECT_EQ(dlgImprime->LImpresora->Caption(), before);
}

TEST_F(DlgImpTest, RendersWithAPageRange) {
    QTemporaryDir temp;
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString folder = docs.isEmpty() ? temp.path() : QString::fromLocal8Bit(docs);
    const QString path = QDir(folder).filePath(QStringLiteral("dlgImp.png"));
    dlgImprime->Show();
    TFormHarness::Click(dlgImprime->rbPaginas);
    dlgImprime->ECopias->SetText(QStringLiteral("2"));
    TFormHarness::ProcessEvents();
    ASSERT_TRUE(TFormHarness::SaveToPng(dlgImprime, path));
    dlgImprime->Hide();
    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 90) ++dark;
    EXPECT_GT(dark, 200);
    // Every caption fits its control.
    for (TControl* c : std::initializer_list<TControl*>{dlgImprime->rbTodo, dlgImprime->rbPaginas, dlgImprime->Label3,
                                                        dlgImprime->BImpresora})
        EXPECT_LE(c->Widget() ? c->Widget()->fontMetrics().horizontalAdvance(c->Caption()) : 0, c->Width())
            << c->Name().toStdString();
}

}  // namespace
