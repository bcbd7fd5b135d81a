// Application and screen services, window hooks, popups and the common dialogs.
#include "platform/forms/Dialogs.h"
#include "platform/forms/Printers.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormHarness.h"

#include <QTemporaryDir>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QKeyEvent>
#include <QTimer>
#include <QToolTip>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

class ApplicationTest : public ::testing::Test {
protected:
    TFormHarness harness;
};

TEST_F(ApplicationTest, IdleHandlerRunsWhenTheLoopRunsOutOfWork) {
    int idles = 0;
    Application->OnIdle = [&](TObject*, bool& done) {
        ++idles;
        done = true;
    };
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
    Application->OnIdle = nullptr;
    EXPECT_GT(idles, 0);
}

TEST_F(ApplicationTest, CreateFormMakesTheFirstFormTheMainForm) {
    ASSERT_EQ(Application->MainForm(), nullptr);
    TForm* first = nullptr;
    TForm* second = nullptr;
    bool created = false;
    Application->CreateForm(first);
    first->OnCreate = [&](TObject*) { created = true; };  // already fired: nothing more happens
    Application->CreateForm(second);
    EXPECT_EQ(Application->MainForm(), first);
    EXPECT_FALSE(created);
    const int before = Screen->FormCount();
    delete second;
    delete first;
    EXPECT_EQ(Application->MainForm(), nullptr);
    EXPECT_EQ(Screen->FormCount(), before - 2);
}

TEST_F(ApplicationTest, ScreenFollowsTheActiveFormAndControl) {
    auto a = std::make_unique<TForm>(nullptr);
    auto* edit = new TEdit(a.get());
    edit->SetParent(a.get());
    auto b = std::make_unique<TForm>(nullptr);
    int activations = 0;
    a->OnActivate = [&](TObject*) { ++activations; };
    a->Show();
    EXPECT_EQ(Screen->ActiveForm(), a.get());
    EXPECT_EQ(Screen->ActiveControl(), edit);
    b->Show();
    EXPECT_EQ(Screen->ActiveForm(), b.get());
    b->Hide();
    EXPECT_EQ(Screen->ActiveForm(), a.get());
    EXPECT_EQ(activations, 2);
    EXPECT_GT(Screen->Width(), 0);
    EXPECT_GT(Screen->WorkAreaHeight(), 0);
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    Screen->SetCursor(crDefault);
}

TEST_F(ApplicationTest, KeyPreviewFormSeesKeysBeforeTheControl) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetKeyPreview(true);
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    QStringList log;
    form->OnKeyDown = [&](TObject*, quint16& key, TShiftState shift) {
        log << "form";
        if (key == VK_RETURN && shift == ssCtrl) key = 0;  // Ctrl+Enter opens, nothing else
    };
    edit->OnKeyDown = [&](TObject*, quint16&, TShiftState) { log << "edit"; };
    form->Show();
    TFormHarness::PressKey(VK_F5);
    TFormHarness::PressKey(VK_RETURN, ssCtrl);
    EXPECT_EQ(log, QStringList({"form", "edit", "form"}));
}

TEST_F(ApplicationTest, MessageHooksSeeEventsBeforeAndAfterTheControl) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    QStringList log;
    int presses = 0;
    edit->OnKeyPress = [&](TObject*, QChar&) { ++presses; };
    const int first = edit->AddMessageHook([&](QEvent* e) {
        if (e->type() == QEvent::KeyPress) log << "first";
        return false;
    }, [&](QEvent* e) {
        if (e->type() == QEvent::KeyPress) log << "after";
    });
    const int second = edit->AddMessageHook([&](QEvent* e) {
        if (e->type() != QEvent::KeyPress) return false;
        log << "second";
        return static_cast<QKeyEvent*>(e)->key() == Qt::Key_X;  // swallows x
    }, nullptr);
    form->Show();
    TFormHarness::Type(QStringLiteral("ax"));
    EXPECT_EQ(log, QStringList({"second", "first", "after", "second"}));
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(edit->Text(), QStringLiteral("a"));
    edit->RemoveMessageHook(second);
    edit->RemoveMessageHook(first);
    TFormHarness::Type(QStringLiteral("x"));
    EXPECT_EQ(edit->Text(), QStringLiteral("ax"));
}

TEST_F(ApplicationTest, PopupWindowDoesNotTakeTheFocusFromItsEdit) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    auto* popup = new TPanel(form.get());
    popup->SetParent(edit);
    popup->MakePopupWindow();
    popup->SetVisible(false);
    popup->SetBounds(100, 100, 120, 80);
    int clicks = 0;
    popup->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    EXPECT_EQ(form->ActiveControl(), edit);
    popup->Show();
    EXPECT_TRUE(popup->Widget()->isWindow());
    EXPECT_EQ(popup->Widget()->geometry(), QRect(100, 100, 120, 80));
    TFormHarness::Click(popup);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form->ActiveControl(), edit);
    EXPECT_FALSE(popup->CanFocus());
}

TEST_F(ApplicationTest, DisablingTheFocusedControlsContainerMovesTheFocus) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    auto* inner = new TEdit(form.get());
    inner->SetParent(panel);
    auto* outer = new TEdit(form.get());
    outer->SetParent(form.get());
    form->Show();
    EXPECT_EQ(form->ActiveControl(), inner);
    panel->SetEnabled(false);
    EXPECT_EQ(form->ActiveControl(), outer);
    EXPECT_FALSE(inner->CanFocus());
    EXPECT_THROW(inner->SetFocus(), EInvalidOperation);
}

TEST_F(ApplicationTest, FormPaintsThroughItsCanvasAndResizes) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 100, 80);
    int resizes = 0;
    form->OnResize = [&](TObject*) { ++resizes; };
    form->OnPaint = [&](TObject*) {
        form->Canvas()->Brush()->SetColor(clBlue);
        form->Canvas()->FillRect(Rect(0, 0, 10, 10));
    };
    form->SetWidth(120);
    EXPECT_EQ(resizes, 1);
    const QImage img = TFormHarness::Grab(form.get());
    EXPECT_EQ(QColor(img.pixel(5, 5)), QColor(Qt::blue));
    form->Constraints()->SetMinWidth(150);
    form->SetWidth(50);
    EXPECT_EQ(form->Width(), 150);
}

TEST_F(ApplicationTest, ScrollBoxGrowsToHoldItsControls) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* box = new TScrollBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(0, 0, 100, 100);
    auto* far = new TEdit(form.get());
    far->SetParent(box);
    far->SetBounds(10, 400, 80, 21);
    box->UpdateRange();
    EXPECT_GE(box->ClientWidget()->height(), 421);
    EXPECT_EQ(far->Widget()->parentWidget(), box->ClientWidget());
}

TEST_F(ApplicationTest, FileDialogsTakeFiltersAndScriptedNames) {
    EXPECT_EQ(TOpenDialog::QtFilters(QStringLiteral("Texto|*.txt|Documentos|*.doc;*.rtf")),
              QStringList({"Texto (*.txt)", "Documentos (*.doc *.rtf)"}));
    TSaveDialog save(nullptr);
    save.SetDefaultExt(QStringLiteral("csv"));
    harness.AnswerFile(QStringLiteral("/tmp/direcciones"));
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), QStringLiteral("/tmp/direcciones.csv"));
    harness.AnswerFile(QString());
    EXPECT_FALSE(save.Execute());
    EXPECT_EQ(save.FileName(), QStringLiteral("/tmp/direcciones.csv"));
    TColorDialog color(nullptr);
    harness.AnswerColor(clRed);
    ASSERT_TRUE(color.Execute());
    EXPECT_EQ(color.Color(), clRed);
    TPrinterSetupDialog printer(nullptr);
    harness.AnswerDialog(false);
    EXPECT_FALSE(printer.Execute());
    EXPECT_EQ(harness.PendingAnswers(), 0);
}

TEST_F(ApplicationTest, PrinterSetupAppliesOnlyAPrinterTheSystemHas) {
    const QString before = Printer()->PrinterName();
    EXPECT_EQ(before.isEmpty(), Printer()->Printers().isEmpty());
    EXPECT_EQ(Printer()->PrinterIndex(), before.isEmpty() ? -1 : int(Printer()->Printers().indexOf(before)));
    TPrinterSetupDialog setup(nullptr);
    // Accepted as it stood: nothing changes.
    harness.AnswerDialog(true);
    EXPECT_TRUE(setup.Execute());
    EXPECT_EQ(Printer()->PrinterName(), before);
    // A queue the system does not have is refused and the program keeps its printer.
    harness.AnswerPrinterSetup(QStringLiteral("ColaQueNoExiste"));
    EXPECT_THROW(setup.Execute(), EPrinter);
    EXPECT_EQ(Printer()->PrinterName(), before);
    EXPECT_THROW(Printer()->SetPrinterIndex(Printer()->Printers().size()), EPrinter);
}

TEST_F(ApplicationTest, PrinterSetupRefusesTheDatabaseAsItsPdfFile) {
    QTemporaryDir d;
    const QString pdf = d.filePath(QStringLiteral("listado.pdf"));
    TPrinterSetupDialog setup(nullptr);
    harness.AnswerPrinterSetupFile(pdf);
    ASSERT_TRUE(setup.Execute());
    EXPECT_EQ(Printer()->OutputFileName(), pdf);
    // Every print would go over the office's data: refused, the file chosen before stays.
    harness.AnswerPrinterSetupFile(d.filePath(QStringLiteral("zembra.db")));
    EXPECT_FALSE(setup.Execute());
    EXPECT_EQ(Printer()->OutputFileName(), pdf);
    EXPECT_TRUE(harness.LastMessage().Text.contains(QStringLiteral("«zembra.db»")));
    Printer()->SetOutputFileName(QString());
}

TEST_F(ApplicationTest, ScriptedAnswersAreTakenInOrderOfKind) {
    // A message box does not eat an answer meant for a form.
    harness.AnswerModal(mrOk);
    EXPECT_EQ(MessageDlg(QStringLiteral("x"), mtInformation, mbOK, 0), mrOk);
    EXPECT_EQ(harness.PendingAnswers(), 1);
    auto form = std::make_unique<TForm>(nullptr);
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(harness.PendingAnswers(), 0);
}

}  // namespace

TEST_F(ApplicationTest, AMinimisedDialogTakesTheProgramDownAndComesBackWithIt) {
    TForm* main = nullptr;
    Application->CreateForm(main);
    std::unique_ptr<TForm> ownsMain(main);
    main->Show();
    auto dialog = std::make_unique<TForm>(nullptr);
    dialog->SetBorderStyle(bsDialog);
    bool down = false, back = false;
    harness.AnswerModal([&](TCustomForm& f) {
        // As the window manager does it: the window's state changes under the program.
        f.Widget()->setWindowState(Qt::WindowMinimized);
        TFormHarness::ProcessEvents();
        down = main->WindowState() == wsMinimized;
        // The user brings the program back from the task bar.
        main->Widget()->setWindowState(Qt::WindowNoState);
        TFormHarness::ProcessEvents();
        back = !(f.Widget()->windowState() & Qt::WindowMinimized) && f.WindowState() == wsNormal;
        f.SetModalResult(mrOk);
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_TRUE(down) << "the main window stayed up, waiting on a dialog out of reach";
    EXPECT_TRUE(back) << "the dialog stayed minimised behind its main window";
    EXPECT_EQ(main->WindowState(), wsNormal);

    // Without a dialog waiting, minimising and restoring touch only the main window.
    main->SetWindowState(wsMinimized);
    main->SetWindowState(wsNormal);
    TFormHarness::ProcessEvents();
    EXPECT_FALSE(dialog->Visible());
}

TEST_F(ApplicationTest, ADialogWithNoMainWindowToGoDownWithStaysUp) {
    // As the login at start: the main form exists, not yet shown.
    TForm* main = nullptr;
    Application->CreateForm(main);
    std::unique_ptr<TForm> ownsMain(main);
    auto login = std::make_unique<TForm>(nullptr);
    login->SetBorderStyle(bsDialog);
    bool up = false;
    harness.AnswerModal([&](TCustomForm& f) {
        f.Widget()->setWindowState(Qt::WindowMinimized);
        TFormHarness::ProcessEvents();
        TFormHarness::ProcessEvents();
        up = !(f.Widget()->windowState() & Qt::WindowMinimized);
        f.SetModalResult(mrOk);
    });
    EXPECT_EQ(login->ShowModal(), mrOk);
    EXPECT_TRUE(up) << "the dialog stayed minimised with no window to bring it back";
    EXPECT_FALSE(main->Visible());
}

namespace {

// The real box, outside any script: a window kept above the others (a progress window shown
// while a long task asks) does not hide it; without one it is an ordinary window.
TEST(MessageBoxTest, TheBoxStaysAboveAWindowKeptOnTop) {
    ASSERT_EQ(TFormHarness::Current(), nullptr);
    ASSERT_NE(Application, nullptr);  // the toolkit's application with it
    auto flagsOfTheBox = [] {
        Qt::WindowFlags flags;
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            shown = true;
            flags = box->windowFlags();
            box->buttons().front()->click();
        });
        EXPECT_EQ(MessageDlg(QStringLiteral("Error :32519"), mtError, mbOK, 0), mrOk);
        EXPECT_TRUE(shown);
        return flags;
    };
    EXPECT_FALSE(flagsOfTheBox().testFlag(Qt::WindowStaysOnTopHint));
    auto progreso = std::make_unique<TForm>(nullptr);
    progreso->SetBorderStyle(bsNone);
    progreso->SetFormStyle(fsStayOnTop);
    progreso->Show();
    EXPECT_TRUE(flagsOfTheBox().testFlag(Qt::WindowStaysOnTopHint));
    progreso->Hide();
    EXPECT_FALSE(flagsOfTheBox().testFlag(Qt::WindowStaysOnTopHint));
}

// The program's hint colour comes with its own text colour: a dark desktop's tooltips keep
// their light text, which could not be read on the pale hint background.
TEST_F(ApplicationTest, HintTextIsReadableOnTheHintColourOfADarkDesktop) {
    const QPalette desktop = QToolTip::palette();
    QPalette dark = desktop;
    dark.setColor(QPalette::ToolTipBase, QColor(49, 54, 59));
    dark.setColor(QPalette::ToolTipText, QColor(252, 252, 252));
    QToolTip::setPalette(dark);
    for (TColor hint : {clInfoBk, clYellow, clWhite}) {
        Application->SetHintColor(hint);
        const QPalette pal = QToolTip::palette();
        EXPECT_EQ(pal.color(QPalette::ToolTipBase).rgb(), QColor::fromRgb(platform::graphics::ToQRgb(hint)).rgb());
        EXPECT_GT(qGray(pal.color(QPalette::ToolTipBase).rgb()) - qGray(pal.color(QPalette::ToolTipText).rgb()), 128)
            << ColorToString(hint).toStdString();
    }
    QToolTip::setPalette(desktop);
}

// A short question still makes a box wide enough for its whole title: the window manager cuts
// a title longer than the window.
TEST(MessageBoxTest, AShortQuestionLeavesRoomForTheWholeTitle) {
    ASSERT_EQ(TFormHarness::Current(), nullptr);
    platform::forms::ApplicationInstance();
    const QString titulo = QStringLiteral("¡¡ ATENCIÓN, DATOS SIN GUARDAR !!");
    int ancho = 0, necesario = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        QFont bold = box->font();
        bold.setBold(true);
        necesario = QFontMetrics(bold).horizontalAdvance(titulo);
        ancho = box->width();
        box->buttons().front()->click();
    });
    platform::forms::ShowMessageBox(titulo, QStringLiteral("¿Sí?"), mtConfirmation, {mbYes, mbNo}, mbYes);
    ASSERT_GT(necesario, 0);
    EXPECT_GE(ancho, necesario + 100);
}

}  // namespace
