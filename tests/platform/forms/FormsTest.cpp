// Forms, focus, keys, modal results, exceptions and hints, driven through the harness.
#include <QApplication>
#include <QMouseEvent>
#include <QtTest/qtestspontaneevent.h>
#include "platform/forms/Dialogs.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/forms/ExtCtrls.h"

#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

// A dialog like the exit confirmation: OK gives mrOk, No is both default and cancel.
class TExitDialog : public TForm {
public:
    explicit TExitDialog(TComponent* owner) : TForm(owner) {
        SetCaption(QStringLiteral("Confirme operación"));
        SetBorderStyle(bsDialog);
        SetPosition(poScreenCenter);
        SetBounds(0, 0, 300, 120);
        Guardar = new TCheckBox(this);
        Guardar->SetParent(this);
        Guardar->SetBounds(10, 10, 200, 20);
        Guardar->SetCaption(QStringLiteral("Guardar configuración actual"));
        Guardar->SetChecked(true);
        BtOk = new TButton(this);
        BtOk->SetParent(this);
        BtOk->SetBounds(40, 70, 80, 25);
        BtOk->SetCaption(QStringLiteral("OK"));
        BtOk->SetModalResult(mrOk);
        BtNo = new TButton(this);
        BtNo->SetParent(this);
        BtNo->SetBounds(160, 70, 80, 25);
        BtNo->SetCaption(QStringLiteral("&No"));
        BtNo->SetModalResult(mrNo);
        BtNo->SetDefault(true);
        BtNo->SetCancel(true);
    }
    TCheckBox* Guardar;
    TButton* BtOk;
    TButton* BtNo;
};

class FormsTest : public ::testing::Test {
protected:
    TFormHarness harness;
};

TEST_F(FormsTest, ModalResultOfButtonsAndDefaultCancelKeys) {
    auto* dlg = new TExitDialog(nullptr);
    std::unique_ptr<TExitDialog> owner(dlg);

    harness.AnswerModal([](TCustomForm& f) { TFormHarness::Click(static_cast<TExitDialog&>(f).BtOk); });
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_FALSE(dlg->Visible());

    // Enter presses the default button even while the focus is on the check box.
    harness.AnswerModal([](TCustomForm& f) {
        auto& d = static_cast<TExitDialog&>(f);
        TFormHarness::Focus(d.Guardar);
        TFormHarness::PressKey(VK_RETURN);
    });
    EXPECT_EQ(dlg->ShowModal(), mrNo);

    harness.AnswerModal([](TCustomForm&) { TFormHarness::PressKey(VK_ESCAPE); });
    EXPECT_EQ(dlg->ShowModal(), mrNo);

    // Enter on a focused button clicks that button, not the default one.
    harness.AnswerModal([](TCustomForm& f) {
        TFormHarness::Focus(static_cast<TExitDialog&>(f).BtOk);
        TFormHarness::PressKey(VK_RETURN);
    });
    EXPECT_EQ(dlg->ShowModal(), mrOk);

    // A script that leaves no result cancels; a plain answer is returned as it is.
    harness.AnswerModal([](TCustomForm&) {});
    EXPECT_EQ(dlg->ShowModal(), mrCancel);
    harness.AnswerModal(mrYes);
    EXPECT_EQ(dlg->ShowModal(), mrYes);
    ASSERT_EQ(harness.ModalForms().size(), 6u);
    EXPECT_EQ(harness.ModalForms()[0].Caption, QStringLiteral("Confirme operación"));
}

// A caption changed while the window is shown is its title bar's text at once (the main window's
// title after the office is renamed, a list's title after its filter changes).
TEST_F(FormsTest, ACaptionChangedWhileShownIsTheWindowsTitle) {
    TForm form(nullptr);
    form.SetCaption(QStringLiteral("Zembra - [  ]"));
    form.SetBounds(10, 10, 300, 200);
    form.Show();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(form.Widget()->windowTitle(), QStringLiteral("Zembra - [  ]"));
    form.SetCaption(QString::fromUtf8("Zembra - [ Bufete Pérez ]"));
    EXPECT_EQ(form.Widget()->windowTitle(), QString::fromUtf8("Zembra - [ Bufete Pérez ]"));
    form.Hide();
    form.SetCaption(QStringLiteral("Otra"));
    form.Show();
    EXPECT_EQ(form.Widget()->windowTitle(), QStringLiteral("Otra"));
}

TEST_F(FormsTest, CloseQueryCanKeepModalFormOpen) {
    auto dlg = std::make_unique<TExitDialog>(nullptr);
    int asked = 0;
    dlg->OnCloseQuery = [&](TObject*, bool& canClose) {
        ++asked;
        canClose = asked > 1;
    };
    harness.AnswerModal([](TCustomForm& f) {
        auto& d = static_cast<TExitDialog&>(f);
        TFormHarness::Click(d.BtOk);  // refused: the form stays up
        EXPECT_TRUE(d.Visible());
        EXPECT_EQ(d.ModalResult(), mrNone);
        TFormHarness::Click(d.BtOk);
    });
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_EQ(asked, 2);
}

TEST_F(FormsTest, AScriptThatEndsTheDialogItselfStillRunsTheCloseChecks) {
    auto dlg = std::make_unique<TExitDialog>(nullptr);
    int asked = 0, closed = 0;
    bool refuse = false;
    dlg->OnCloseQuery = [&](TObject*, bool& canClose) {
        ++asked;
        canClose = !refuse;
    };
    dlg->OnClose = [&](TObject*, TCloseAction&) { ++closed; };
    // The result set by the handler the script calls, with no event handled after it.
    harness.AnswerModal([](TCustomForm& f) { f.SetModalResult(mrOk); });
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(closed, 1);
    harness.AnswerModal([](TCustomForm& f) { f.Close(); });
    EXPECT_EQ(dlg->ShowModal(), mrCancel);
    EXPECT_EQ(closed, 2);
    // Once only, when the script lets the pending close run as well.
    harness.AnswerModal([](TCustomForm& f) {
        f.SetModalResult(mrOk);
        TFormHarness::ProcessEvents();
    });
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(closed, 3);
    // A refused close ends the script's dialog as cancelled, without OnClose.
    refuse = true;
    harness.AnswerModal([](TCustomForm& f) { f.SetModalResult(mrOk); });
    EXPECT_EQ(dlg->ShowModal(), mrCancel);
    EXPECT_EQ(closed, 3);
}

TEST_F(FormsTest, EnterMovesLikeTabWithKeyPreview) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetKeyPreview(true);
    form->OnKeyPress = [&](TObject*, QChar& key) {
        if (key == QChar('\r')) {
            form->SelectNext(form->ActiveControl(), true, true);
            key = QChar();
        }
    };
    auto* e1 = new TEdit(form.get());
    e1->SetParent(form.get());
    e1->SetBounds(10, 10, 100, 21);
    auto* skipped = new TEdit(form.get());
    skipped->SetParent(form.get());
    skipped->SetBounds(10, 40, 100, 21);
    skipped->SetTabStop(false);
    auto* e2 = new TEdit(form.get());
    e2->SetParent(form.get());
    e2->SetBounds(10, 70, 100, 21);
    form->Show();
    EXPECT_EQ(form->ActiveControl(), e1);
    TFormHarness::Type(QStringLiteral("Peña"));
    TFormHarness::PressKey(VK_RETURN);
    EXPECT_EQ(form->ActiveControl(), e2);
    EXPECT_EQ(e1->Text(), QStringLiteral("Peña"));  // Enter was swallowed, not typed
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), e1);
    TFormHarness::PressKey(VK_TAB, ssShift);
    EXPECT_EQ(form->ActiveControl(), e2);
    // The tab order decides, not the creation order.
    e2->SetTabOrder(0);
    TFormHarness::Focus(e1);
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), e2);
}

TEST_F(FormsTest, EnterAndExitEventsFollowTheFocus) {
    auto form = std::make_unique<TForm>(nullptr);
    QStringList log;
    auto* a = new TEdit(form.get());
    a->SetName(QStringLiteral("a"));
    a->SetParent(form.get());
    auto* b = new TEdit(form.get());
    b->SetName(QStringLiteral("b"));
    b->SetParent(form.get());
    for (TEdit* e : {a, b}) {
        e->OnEnter = [&log, e](TObject*) { log << "enter " + e->Name(); };
        e->OnExit = [&log, e](TObject*) { log << "exit " + e->Name(); };
    }
    form->Show();
    TFormHarness::Focus(b);
    EXPECT_EQ(log, QStringList({"enter a", "exit a", "enter b"}));
    EXPECT_EQ(Screen->ActiveControl(), b);
}

TEST_F(FormsTest, ExitHandlerSeesWhereTheFocusGoes) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* a = new TEdit(form.get());
    a->SetParent(form.get());
    auto* b = new TEdit(form.get());
    b->SetParent(form.get());
    TWinControl* going = nullptr;
    a->OnExit = [&](TObject*) { going = form->ActiveControl(); };
    form->Show();
    TFormHarness::Focus(b);
    EXPECT_EQ(going, b);
    EXPECT_EQ(form->ActiveControl(), b);
    // An exit that raises leaves the focus, and ActiveControl, where they were.
    b->OnExit = [&](TObject*) {
        going = form->ActiveControl();
        throw EConvertError(QStringLiteral("FECHA ERRONEA"));
    };
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(going, a);
    EXPECT_EQ(form->ActiveControl(), b);
}

TEST_F(FormsTest, ExitThatRaisesKeepsTheFocusAndShowsTheError) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* fecha = new TEdit(form.get());
    fecha->SetParent(form.get());
    auto* other = new TEdit(form.get());
    other->SetParent(form.get());
    fecha->OnExit = [&](TObject*) { throw EConvertError(QStringLiteral("FECHA ERRONEA : 31/02/2001")); };
    form->Show();
    TFormHarness::PressKey(VK_TAB);
    EXPECT_EQ(form->ActiveControl(), fecha);
    ASSERT_EQ(harness.Messages().size(), 1u);
    EXPECT_EQ(harness.LastMessage().Text, QStringLiteral("FECHA ERRONEA : 31/02/2001."));
    EXPECT_EQ(harness.LastMessage().Icon, mtError);
}

// A click on a button gives the focus twice (the toolkit, then the button's press): an exit check
// that refuses the move shows its message once, not once for each.
TEST_F(FormsTest, AnExitRefusedByAClickIsCheckedOnce) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* hora = new TEdit(form.get());
    hora->SetParent(form.get());
    auto* ok = new TButton(form.get());
    ok->SetParent(form.get());
    ok->SetTop(40);
    int exits = 0, clicks = 0;
    hora->OnExit = [&](TObject*) {
        ++exits;
        MessageDlg(QStringLiteral("HORA ERRONEA : 25:70"), mtError, {mbOK}, 0);
        Abort();
    };
    ok->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    QApplication::setActiveWindow(form->Widget()->window());
    TFormHarness::Focus(hora);
    // Mouse events as the window system sends them: the toolkit gives the focus on the press itself.
    auto send = [&](QEvent::Type t) {
        const QPointF at(ok->Width() / 2, ok->Height() / 2);
        QMouseEvent e(t, at, ok->Widget()->mapToGlobal(at), Qt::LeftButton,
                      t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QSpontaneKeyEvent::setSpontaneous(&e);
        QApplication::instance()->notify(ok->Widget(), &e);
    };
    auto click = [&] {
        send(QEvent::MouseButtonPress);
        send(QEvent::MouseButtonRelease);
        TFormHarness::ProcessEvents();
    };
    click();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(harness.Messages().size(), 1u);
    EXPECT_EQ(form->ActiveControl(), hora);
    // The toolkit's focus is back on the field before anything else runs: the window, given back
    // by the message box, returns to the field and not to the button, which would ask again.
    send(QEvent::MouseButtonPress);
    EXPECT_EQ(form->Widget()->window()->focusWidget(), hora->Widget());
    send(QEvent::MouseButtonRelease);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(exits, 2);
    // Each click is a new try.
    click();
    EXPECT_EQ(exits, 3);
    hora->OnExit = nullptr;
    click();
    EXPECT_EQ(form->ActiveControl(), ok);
    EXPECT_GE(clicks, 1);
}

TEST_F(FormsTest, ExceptionFromHandlerReachesErrorBoxAndFormStaysOpen) {
    auto form = std::make_unique<TForm>(nullptr);
    Application->SetTitle(QStringLiteral("Zembra 4.0"));
    auto* bt = new TButton(form.get());
    bt->SetParent(form.get());
    bt->SetCaption(QStringLiteral("Grabar"));
    int clicks = 0;
    bt->OnClick = [&](TObject*) {
        ++clicks;
        throw EDatabaseError(QStringLiteral("CLAVE DUPLICADA"));
    };
    form->Show();
    TFormHarness::Click(bt);
    TFormHarness::Click(bt);
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(form->Visible());
    ASSERT_EQ(harness.Messages().size(), 2u);
    const auto& m = harness.Messages()[0];
    EXPECT_EQ(m.Caption, QStringLiteral("Zembra 4.0"));
    EXPECT_EQ(m.Text, QStringLiteral("CLAVE DUPLICADA."));
    EXPECT_EQ(m.Icon, mtError);
    EXPECT_EQ(m.Buttons, std::vector<TMsgDlgBtn>{mbOK});
    ASSERT_EQ(harness.Exceptions().size(), 2u);
    EXPECT_EQ(harness.Exceptions()[0].ClassName, QStringLiteral("EDatabaseError"));

    // EAbort is silent; a std::exception is shown like ours.
    bt->OnClick = [](TObject*) { Abort(); };
    TFormHarness::Click(bt);
    EXPECT_EQ(harness.Messages().size(), 2u);
    bt->OnClick = [](TObject*) { throw std::runtime_error("disco lleno"); };
    TFormHarness::Click(bt);
    ASSERT_EQ(harness.Messages().size(), 3u);
    EXPECT_EQ(harness.LastMessage().Text, QStringLiteral("disco lleno."));

    // OnException takes over the display.
    QString seen;
    Application->OnException = [&](TObject*, const Exception& e) { seen = e.Message(); };
    bt->OnClick = [](TObject*) { throw Exception(QStringLiteral("REGISTRO EN USO")); };
    TFormHarness::Click(bt);
    Application->OnException = nullptr;
    EXPECT_EQ(seen, QStringLiteral("REGISTRO EN USO"));
    EXPECT_EQ(harness.Messages().size(), 3u);
}

TEST_F(FormsTest, MessageBoxesAreAnsweredFromTheScriptAndRecorded) {
    harness.AnswerMessage(mrNo);
    const int r = Application->MessageBox(QStringLiteral("¿ Cambiar a EUROS ?"), QStringLiteral("¡¡ ATENCIÓN !!"),
                                          MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(r, IDNO);
    const auto& m = harness.LastMessage();
    EXPECT_EQ(m.Caption, QStringLiteral("¡¡ ATENCIÓN !!"));
    EXPECT_EQ(m.Icon, mtConfirmation);
    EXPECT_EQ(m.Buttons, (std::vector<TMsgDlgBtn>{mbYes, mbNo}));

    // Unanswered: the default button's answer.
    EXPECT_EQ(Application->MessageBox(QStringLiteral("x"), QStringLiteral("c"), MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageDlg(QStringLiteral("¿Seguro?"), mtConfirmation, {mbYes, mbNo}, 0), mrYes);
    harness.AnswerMessage(mrCancel);
    EXPECT_EQ(MessageDlg(QStringLiteral("t"), mtWarning, mbOKCancel, 0), mrCancel);
    ShowMessage(QStringLiteral("Actualizado"));
    EXPECT_EQ(harness.LastMessage().Text, QStringLiteral("Actualizado"));
    EXPECT_EQ(harness.LastMessage().Buttons, std::vector<TMsgDlgBtn>{mbOK});
}

TEST_F(FormsTest, HintsGiveLongPartToOnHintAndShortToTooltip) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetShowHint(true);
    auto* bt = new TButton(form.get());
    bt->SetParent(form.get());
    bt->SetHint(QStringLiteral("Imprime|Imprime la selección actual"));
    auto* plain = new TButton(form.get());
    plain->SetParent(form.get());
    plain->SetHint(QStringLiteral("Abrir"));
    QStringList hints;
    Application->OnHint = [&](TObject*) { hints << Application->Hint(); };
    form->Show();
    TFormHarness::MouseEnter(bt);
    TFormHarness::MouseLeave(bt);
    TFormHarness::MouseEnter(plain);
    Application->OnHint = nullptr;
    EXPECT_EQ(hints, QStringList({"Imprime la selección actual", "Abrir"}));
    EXPECT_EQ(bt->Widget()->toolTip(), QStringLiteral("Imprime"));
    bt->SetShowHint(false);
    EXPECT_TRUE(bt->Widget()->toolTip().isEmpty());
}

TEST_F(FormsTest, AlignLaysOutTopBottomLeftRightClientInCreationOrder) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto make = [&](TAlign a, int w, int h) {
        auto* p = new TPanel(form.get());
        p->SetParent(form.get());
        p->SetBounds(0, 0, w, h);
        p->SetAlign(a);
        return p;
    };
    TPanel* client = make(alClient, 10, 10);
    TPanel* top1 = make(alTop, 10, 30);
    TPanel* top2 = make(alTop, 10, 20);
    TPanel* bottom = make(alBottom, 10, 25);
    TPanel* left = make(alLeft, 50, 10);
    TPanel* right = make(alRight, 60, 10);
    EXPECT_EQ(top1->BoundsRect(), Rect(0, 0, 400, 30));
    EXPECT_EQ(top2->BoundsRect(), Rect(0, 30, 400, 50));
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 275, 400, 300));
    EXPECT_EQ(left->BoundsRect(), Rect(0, 50, 50, 275));
    EXPECT_EQ(right->BoundsRect(), Rect(340, 50, 400, 275));
    EXPECT_EQ(client->BoundsRect(), Rect(50, 50, 340, 275));

    // Resizing the form re-lays the children; hiding one gives its room to the others.
    form->SetBounds(0, 0, 500, 300);
    EXPECT_EQ(client->BoundsRect(), Rect(50, 50, 440, 275));
    top1->SetVisible(false);
    EXPECT_EQ(top2->BoundsRect(), Rect(0, 0, 500, 20));
    EXPECT_EQ(client->BoundsRect(), Rect(50, 20, 440, 275));
}

TEST_F(FormsTest, CloseActionsAndRelease) {
    auto* form = new TForm(nullptr);
    QPointer<QWidget> w = form->Widget();
    bool destroyed = false;
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    form->OnClose = [](TObject*, TCloseAction& a) { a = caNone; };
    form->Show();
    form->Close();
    EXPECT_TRUE(form->Visible());
    form->OnClose = [](TObject*, TCloseAction&) {};
    form->Close();
    EXPECT_FALSE(form->Visible());
    form->Show();
    form->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    form->Close();
    EXPECT_FALSE(destroyed);  // freed after the current event, not inside it
    TFormHarness::ProcessEvents();
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(w.isNull());
}

TEST_F(FormsTest, AModalFormThatFreesItselfOnCloseGoesOnlyAfterShowModalReturns) {
    auto* form = new TForm(nullptr);
    QPointer<QWidget> w = form->Widget();
    auto* button = new TButton(form);
    button->SetParent(form);
    button->OnClick = [form](TObject*) { form->Close(); };
    form->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    bool alive = false;
    harness.AnswerModal([&](TCustomForm&) {
        TFormHarness::Click(button);  // handles every pending event, the close included
        alive = !w.isNull();
    });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_TRUE(alive);
    EXPECT_FALSE(w.isNull());
    TFormHarness::ProcessEvents();
    EXPECT_TRUE(w.isNull());
}

namespace {
// A form whose OnDestroy handler reads its own members, as the program's forms do.
class TNotesForm : public TForm {
public:
    TNotesForm(TComponent* owner, QStringList* log) : TForm(owner), FLog(log) {
        Notes = QStringLiteral("Notas del expediente");
        OnDestroy = TNotifyEvent(this, &TNotesForm::FormDestroy);
    }
    QString Notes;

private:
    void FormDestroy(TObject*) { FLog->append(ClassName() + QLatin1Char(':') + Notes); }
    QStringList* FLog;
};
}  // namespace

TEST_F(FormsTest, OnDestroyRunsWhileTheDerivedFormStillLives) {
    QStringList log;
    auto* owner = new TComponent(nullptr);
    new TNotesForm(owner, &log);
    delete owner;  // the owner frees its forms
    auto* freed = new TNotesForm(nullptr, &log);
    freed->Free();
    auto* released = new TNotesForm(nullptr, &log);
    released->Release();
    TFormHarness::ProcessEvents();
    const QString expected = QStringLiteral("TNotesForm:Notas del expediente");
    EXPECT_EQ(log, QStringList({expected, expected, expected}));
}

TEST_F(FormsTest, CustomControlPaintsThroughCanvasAndFormRendersToPng) {
    class TSwatch : public TCustomControl {
    public:
        using TCustomControl::TCustomControl;
        void Paint() override {
            Canvas()->Brush()->SetColor(clRed);
            Canvas()->FillRect(Rect(0, 0, Width(), Height()));
        }
    };
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 200, 100);
    form->SetColor(clWhite);
    auto* sw = new TSwatch(form.get());
    sw->SetParent(form.get());
    sw->SetBounds(20, 20, 40, 30);
    form->Show();
    const QImage img = TFormHarness::Grab(form.get());
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(QColor(img.pixel(30, 30)), QColor(Qt::red));
    EXPECT_EQ(QColor(img.pixel(150, 80)), QColor(Qt::white));
    const QString path = QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QStringLiteral("swatch.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(form.get(), path));
    EXPECT_EQ(QImage(path).size(), QSize(200, 100));
}

TEST_F(FormsTest, MenuShortcutsRunEnabledItemsOnly) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* menu = new TMainMenu(form.get());
    auto* top = new TMenuItem(form.get());
    top->SetCaption(QStringLiteral("&Expedientes"));
    menu->Items()->Add(top);
    auto* nuevo = new TMenuItem(form.get());
    nuevo->SetCaption(QStringLiteral("&Nuevo"));
    nuevo->SetShortCut(ShortCut(VK_INSERT, ssCtrl));
    top->Add(nuevo);
    int runs = 0;
    nuevo->OnClick = [&](TObject*) { ++runs; };
    form->SetMenu(menu);
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    form->Show();
    TFormHarness::PressKey(VK_INSERT, ssCtrl);
    EXPECT_EQ(runs, 1);
    top->SetEnabled(false);
    TFormHarness::PressKey(VK_INSERT, ssCtrl);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, ssCtrl)), QStringLiteral("Ctrl+Supr"));
    EXPECT_EQ(TextToShortCut(QStringLiteral("Ctrl+Supr")), ShortCut(VK_DELETE, ssCtrl));
    EXPECT_EQ(ShortCut(VK_DOWN, ssAlt), 32808);
}

// A shown form whose bar has "&Expedientes" (with "&Nuevo" under it) and "A&yuda".
struct TBarraDePrueba {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TMenuItem *top = Item("&Expedientes"), *nuevo = Item("&Nuevo"), *ayuda = Item("A&yuda");
    QMenuBar* bar = nullptr;
    TBarraDePrueba() {
        auto* menu = new TMainMenu(form.get());
        menu->Items()->Add(top);
        top->Add(nuevo);
        menu->Items()->Add(ayuda);
        form->SetMenu(menu);
        form->Show();
        bar = form->Widget()->findChild<QMenuBar*>();
    }
    TMenuItem* Item(const char* caption) {
        auto* i = new TMenuItem(form.get());
        i->SetCaption(QString::fromUtf8(caption));
        return i;
    }
};

// The bar is rebuilt for changes of its own row only; an item deeper down shows its state when
// its menu opens.
TEST_F(FormsTest, MenuBarFollowsTopItemsAndSubmenusTheirItemsWhenOpened) {
    TBarraDePrueba b;
    auto *top = b.top, *nuevo = b.nuevo, *ayuda = b.ayuda;
    auto& form = b.form;
    QMenuBar* bar = b.bar;
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 2);
    top->SetEnabled(false);
    ayuda->SetCaption(QStringLiteral("Ay&uda"));
    EXPECT_FALSE(bar->actions().at(0)->isEnabled());
    EXPECT_EQ(bar->actions().at(1)->text(), QStringLiteral("Ay&uda"));
    top->SetEnabled(true);
    nuevo->SetEnabled(false);
    nuevo->SetCaption(QStringLiteral("&Nuevo expediente"));
    QMenu* sub = bar->actions().at(0)->menu();
    ASSERT_NE(sub, nullptr);
    emit sub->aboutToShow();
    ASSERT_EQ(sub->actions().size(), 1);
    EXPECT_FALSE(sub->actions().at(0)->isEnabled());
    EXPECT_EQ(sub->actions().at(0)->text(), QStringLiteral("&Nuevo expediente"));
    nuevo->SetEnabled(true);
    emit sub->aboutToShow();
    ASSERT_EQ(sub->actions().size(), 1);
    EXPECT_TRUE(sub->actions().at(0)->isEnabled());
    // A second item under the top one turns it into the same menu with two entries.
    auto* abrir = new TMenuItem(form.get());
    abrir->SetCaption(QStringLiteral("&Abrir"));
    top->Add(abrir);
    sub = bar->actions().at(0)->menu();
    ASSERT_NE(sub, nullptr);
    emit sub->aboutToShow();
    EXPECT_EQ(sub->actions().size(), 2);
}

// A top item's caption or state changes its own action; the bar is made again only when its
// row changes shape (an item hidden or shown), so the other menus keep their actions.
TEST_F(FormsTest, MenuBarTopItemStateChangesItsActionOnly) {
    TBarraDePrueba b;
    auto *top = b.top, *ayuda = b.ayuda;
    QMenuBar* bar = b.bar;
    ASSERT_NE(bar, nullptr);
    const QList<QAction*> antes = bar->actions();
    ASSERT_EQ(antes.size(), 2);
    top->SetEnabled(false);
    top->SetEnabled(false);
    ayuda->SetCaption(QStringLiteral("Ay&uda"));
    EXPECT_EQ(bar->actions(), antes);
    EXPECT_FALSE(antes.at(0)->isEnabled());
    EXPECT_EQ(antes.at(1)->text(), QStringLiteral("Ay&uda"));
    top->SetEnabled(true);
    EXPECT_TRUE(bar->actions().at(0)->isEnabled());
    // Its submenu still opens with its items.
    emit bar->actions().at(0)->menu()->aboutToShow();
    EXPECT_EQ(bar->actions().at(0)->menu()->actions().size(), 1);
    ayuda->SetVisible(false);
    ASSERT_EQ(bar->actions().size(), 1);
    ayuda->SetVisible(true);
    ayuda->SetEnabled(false);
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions().at(1)->text(), QStringLiteral("Ay&uda"));
    EXPECT_FALSE(bar->actions().at(1)->isEnabled());
}

TEST_F(FormsTest, PopupMenuFiresOnPopupForTheControl) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* pm = new TPopupMenu(form.get());
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 100, 100);
    panel->SetPopupMenu(pm);
    TComponent* from = nullptr;
    pm->OnPopup = [&](TObject*) { from = pm->PopupComponent(); };
    form->Show();
    TFormHarness::ClickAt(panel, 10, 10, mbRight);
    EXPECT_EQ(from, panel);
    EXPECT_EQ(pm->PopupCount(), 1);
    // The keyboard: Shift+F10 opens the menu of the focused control (the one of the control
    // that holds it included); F10 alone does not.
    auto* edit = new TEdit(form.get());
    edit->SetParent(panel);
    edit->SetBounds(10, 10, 80, 21);
    TFormHarness::Focus(edit);
    TFormHarness::PressKey(edit, VK_F10);
    EXPECT_EQ(pm->PopupCount(), 1);
    TFormHarness::PressKey(edit, VK_F10, ssShift);
    EXPECT_EQ(pm->PopupCount(), 2);
    EXPECT_EQ(from, edit);
}

}  // namespace
