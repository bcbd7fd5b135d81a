// Lookup list and combo over a lookup table: incremental search, choosing, the empty row and
// the binding checks.
#include "DataFixture.h"
#include "controls/data/ZbLookup.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Threads.h"
#include "tests/support/DosPantallas.h"

#include <QDateTime>
#include <QInputMethodEvent>
#include <cstdlib>

#include <QAbstractSlider>
#include <QScrollBar>
#include <QWheelEvent>
#include <QTest>
#include <QWindow>

using namespace datatest;
using platform::forms::TFormHarness;

namespace {

// The list's mouse handlers, for a drag without the event loop.
class TTestList : public TZbDBLookupList {
public:
    using TZbDBLookupList::TZbDBLookupList;
    void MouseDownAt(int x, int y) { MouseDown(mbLeft, ssLeft, x, y); }
    void MoveTo(int x, int y) { MouseMove(ssLeft, x, y); }
    void UpAt(int x, int y) { MouseUp(mbLeft, 0, x, y); }
};

class LookupTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        cuentas = NewTable(&owner, folder, QStringLiteral("CUENTAS"));
        cuentas->Open();
        cuentas->Append();
        cuentas->FieldByName(QStringLiteral("ORDEN"))->SetAsInteger(1);
        cuentas->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(3);
        cuentas->Post();
        dsCuentas = new TDataSource(&owner);
        dsCuentas->SetDataSet(cuentas);
        dsClientes = new TDataSource(&owner);
        dsClientes->SetDataSet(clientes);
        form = new TForm(&owner);
        controls::data::SetLookupClock([this] { return now; });
    }
    void TearDown() override { controls::data::SetLookupClock(nullptr); }

    template <class T>
    T* Bind(T* control) {
        control->SetParent(form);
        control->SetLookupSource(dsClientes);
        control->SetLookupField(QStringLiteral("CLIENTE"));
        control->SetLookupDisplay(QStringLiteral("APELLIDOS;NOMBRE"));
        control->SetDataSource(dsCuentas);
        control->SetDataField(QStringLiteral("CLIENTE"));
        control->OnChange = [this](TObject*) { ++changes; };
        return control;
    }
    void Type(TWinControl* control, const QString& text) {
        for (QChar ch : text) {
            QChar k = ch;
            control->KeyPress(k);
        }
    }
    QString Stored() { return cuentas->FieldByName(QStringLiteral("CLIENTE"))->AsString(); }

    TFormHarness harness;
    TTable* cuentas = nullptr;
    TDataSource* dsCuentas = nullptr;
    TDataSource* dsClientes = nullptr;
    TForm* form = nullptr;
    qint64 now = 100000;
    int changes = 0;
};

}  // namespace

TEST_F(LookupTest, ListShowsTheStoredKeyAsItsDisplayText) {
    auto* list = Bind(new TZbDBLookupList(form));
    EXPECT_TRUE(list->ListActive());
    EXPECT_EQ(list->Value(), QStringLiteral("3"));
    EXPECT_EQ(list->DisplayValue(), QStringLiteral("Núñez Ortiz"));
    cuentas->Edit();
    cuentas->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(4);
    EXPECT_EQ(list->DisplayValue(), QStringLiteral("Álvarez Ruiz"));
    EXPECT_EQ(changes, 0);  // a change of the record is no choice of the user
}

TEST_F(LookupTest, TypingSearchesByPrefixWithoutCaseAndWritesTheKey) {
    auto* list = Bind(new TZbDBLookupList(form));
    Type(list, QStringLiteral("ga"));
    EXPECT_EQ(list->Value(), QStringLiteral("2"));
    EXPECT_EQ(Stored(), QStringLiteral("2"));
    EXPECT_EQ(cuentas->State(), dsEdit);
    EXPECT_EQ(list->SearchText(), QStringLiteral("GA"));  // the record's own case
    EXPECT_EQ(changes, 1);
    // A letter that matches nothing keeps the search text and the value.
    Type(list, QStringLiteral("x"));
    EXPECT_EQ(list->SearchText(), QStringLiteral("GA"));
    EXPECT_EQ(Stored(), QStringLiteral("2"));
    // Backspace widens the search again.
    Type(list, QString(QChar(8)));
    EXPECT_EQ(list->SearchText(), QStringLiteral("G"));
    EXPECT_EQ(changes, 1);
    // An accent typed as a key of its own joins the letter before it: no letter the user did not
    // type enters the search text.
    now += 5000;
    Type(list, QString::fromUtf8("be\xcc\x81"));
    EXPECT_EQ(list->SearchText(), QStringLiteral("Be"));
    Type(list, QStringLiteral("n"));
    EXPECT_EQ(list->SearchText(), QStringLiteral("Ben"));
    EXPECT_EQ(Stored(), QStringLiteral("120"));
}

TEST_F(LookupTest, ALetterMadeWithADeadKeySearchesAsATypedOne) {
    auto* list = Bind(new TZbDBLookupList(form));
    form->Show();
    TFormHarness::Focus(list);
    // The input method composes "´" and "A" only for a control that says it takes text.
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(list->Widget(), &query);
    EXPECT_TRUE(query.value(Qt::ImEnabled).toBool());
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("Á"));
    QCoreApplication::sendEvent(list->Widget(), &composed);
    EXPECT_EQ(list->SearchText(), QStringLiteral("Á"));
    EXPECT_EQ(Stored(), QStringLiteral("4"));
}

TEST_F(LookupTest, APauseOfMoreThanTwoSecondsStartsANewSearch) {
    auto* list = Bind(new TZbDBLookupList(form));
    Type(list, QStringLiteral("z"));
    EXPECT_EQ(Stored(), QStringLiteral("12"));
    now += 2000;  // not more than 2000 ms: the search goes on ("za")
    Type(list, QStringLiteral("a"));
    EXPECT_EQ(list->SearchText(), QStringLiteral("Za"));
    now += 2001;
    Type(list, QStringLiteral("b"));
    EXPECT_EQ(list->SearchText(), QStringLiteral("B"));
    EXPECT_EQ(Stored(), QStringLiteral("120"));
}

// The pause is timed by the tick count the timers use: the calendar clock can be set back.
TEST_F(LookupTest, ThePauseIsTimedByTheTickCountNotTheCalendarClock) {
    controls::data::SetLookupClock(nullptr);
    const quint32 antes = GetTickCount();
    const qint64 tic = controls::data::LookupTickCount();
    EXPECT_LE(quint32(tic) - antes, 1000u);
    EXPECT_GT(std::llabs(QDateTime::currentMSecsSinceEpoch() - tic), qint64(3600) * 1000);
}

TEST_F(LookupTest, EmptySearchOrAFullSearchTextNeverChoosesARow) {
    auto* list = Bind(new TZbDBLookupList(form));
    Type(list, QString(QChar(8)));
    EXPECT_EQ(Stored(), QStringLiteral("3"));
    EXPECT_EQ(cuentas->State(), dsBrowse);

    // A lookup table with texts longer than a full search.
    TTable* largos = NewTable(&owner, folder, QStringLiteral("LARGOS"));
    largos->FieldDefs()->Add(QStringLiteral("CODIGO"), ftInteger, 0, true);
    largos->FieldDefs()->Add(QStringLiteral("TEXTO"), ftString, 40);
    largos->IndexDefs()->Add(QString(), QStringLiteral("CODIGO"), ixPrimary);
    largos->CreateTable();
    largos->Open();
    const QString longText = QStringLiteral("x").repeated(40);
    for (int i = 1; i <= 2; ++i) {
        largos->Append();
        largos->FieldByName(QStringLiteral("CODIGO"))->SetAsInteger(i);
        largos->FieldByName(QStringLiteral("TEXTO"))->SetAsString(i == 1 ? QStringLiteral("aaa") : longText);
        largos->Post();
    }
    auto* dsLargos = new TDataSource(&owner);
    dsLargos->SetDataSet(largos);
    auto* list2 = new TZbDBLookupList(form);
    list2->SetLookupSource(dsLargos);
    list2->SetLookupField(QStringLiteral("CODIGO"));
    list2->SetLookupDisplay(QStringLiteral("TEXTO"));
    list2->SetDataSource(dsCuentas);
    list2->SetDataField(QStringLiteral("CLIENTE"));
    Type(list2, longText.left(32));
    EXPECT_EQ(list2->SearchText().size(), 32);
    EXPECT_EQ(Stored(), QStringLiteral("2"));
    // The 33rd character empties the search; the value stays (no first row is chosen for the user).
    Type(list2, QStringLiteral("x"));
    EXPECT_TRUE(list2->SearchText().isEmpty());
    EXPECT_EQ(Stored(), QStringLiteral("2"));
    Type(list2, QStringLiteral("a"));
    EXPECT_EQ(Stored(), QStringLiteral("1"));
}

TEST_F(LookupTest, EmptyRowShowsDisplayEmptyAndClickingItClearsTheField) {
    auto* list = Bind(new TZbDBLookupList(form));
    list->SetDisplayEmpty(QStringLiteral("(ninguno)"));
    list->SetBounds(0, 0, 200, list->RowHeight() * 5 + 4);
    EXPECT_EQ(list->RowAt(1), -1);
    TFormHarness::ClickAt(list, 5, 1);
    EXPECT_TRUE(cuentas->FieldByName(QStringLiteral("CLIENTE"))->IsNull());
    EXPECT_EQ(changes, 1);
    cuentas->Cancel();
    list->SetEmptyValue(QStringLiteral("0"));
    TFormHarness::ClickAt(list, 5, 1);
    EXPECT_EQ(Stored(), QStringLiteral("0"));
    // A click on a data row chooses that record.
    TFormHarness::ClickAt(list, 5, list->RowHeight() + 1);
    EXPECT_EQ(Stored(), list->Value());
    EXPECT_NE(Stored(), QStringLiteral("0"));
}

TEST_F(LookupTest, ListKeysMoveFromTheChosenRowAndBackOntoTheEmptyRow) {
    auto* list = Bind(new TZbDBLookupList(form));
    list->SetDisplayEmpty(QStringLiteral("(ninguno)"));
    clientes->SetIndexName(QStringLiteral("apellidos"));  // Álvarez, Benítez, GARRIDO, Núñez, Pérez, Zamora
    list->SetValue(QStringLiteral("3"));
    quint16 k = VK_DOWN;
    list->KeyDown(k, 0);
    EXPECT_EQ(Stored(), QStringLiteral("1"));
    k = VK_HOME;
    list->KeyDown(k, 0);
    EXPECT_EQ(Stored(), QStringLiteral("4"));
    k = VK_UP;
    list->KeyDown(k, 0);
    EXPECT_TRUE(cuentas->FieldByName(QStringLiteral("CLIENTE"))->IsNull());
    k = VK_END;
    list->KeyDown(k, 0);
    EXPECT_EQ(Stored(), QStringLiteral("12"));
}

TEST_F(LookupTest, ScrollBarTellsStartMiddleAndEndAndScrollingKeepsTheValue) {
    auto* list = Bind(new TZbDBLookupList(form));
    list->SetRowCount(3);
    clientes->First();
    EXPECT_EQ(list->ScrollMax(), 4);
    EXPECT_EQ(list->ScrollPos(), 0);
    list->Scroll(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(list->ScrollPos(), 4);
    list->Scroll(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(list->ScrollPos(), 2);
    list->ScrollThumb(0);
    EXPECT_EQ(list->ScrollPos(), 0);
    EXPECT_EQ(list->Value(), QStringLiteral("3"));
    EXPECT_EQ(Stored(), QStringLiteral("3"));
    EXPECT_EQ(changes, 0);
    // Rows enough for every record: no scrolling.
    list->SetRowCount(10);
    EXPECT_EQ(list->ScrollMax(), 0);
}

// The wheel turns an open list's rows, three a notch, over the rows or over the scroll bar; the
// chosen row stays and nothing is written.
TEST_F(LookupTest, TheWheelScrollsTheListAndChoosesNothing) {
    auto* list = Bind(new TZbDBLookupList(form));
    list->SetRowCount(3);
    clientes->First();
    auto wheel = [](QWidget* w, int delta) {
        QWheelEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w, &e);
    };
    ASSERT_EQ(list->ScrollPos(), 0);
    wheel(list->Widget(), -60);  // half a notch waits for the other half
    EXPECT_EQ(list->ScrollPos(), 0);
    wheel(list->Widget(), -60);
    EXPECT_EQ(list->ScrollPos(), 4);  // six rows, three shown: the last three
    auto* bar = list->Widget()->findChild<QScrollBar*>();
    ASSERT_NE(bar, nullptr);
    wheel(bar, 120);
    EXPECT_EQ(list->ScrollPos(), 0);
    EXPECT_EQ(list->Value(), QStringLiteral("3"));
    EXPECT_EQ(Stored(), QStringLiteral("3"));
    EXPECT_EQ(changes, 0);
    // Every row shown: nothing to turn.
    list->SetRowCount(10);
    wheel(list->Widget(), -120);
    EXPECT_EQ(list->ScrollPos(), 0);
    EXPECT_EQ(list->Value(), QStringLiteral("3"));
}

TEST_F(LookupTest, DraggingBelowTheListScrollsFasterTheFurther) {
    auto* list = new TTestList(form);
    Bind(list);
    list->SetRowCount(3);
    list->MouseDownAt(5, 2);  // the first row shown
    EXPECT_EQ(Stored(), list->Value());
    const int first = Stored().toInt();
    list->MoveTo(5, list->ClientHeight() + 4);
    EXPECT_TRUE(list->AutoScrolling());
    EXPECT_EQ(list->AutoScrollInterval(), 200 - 15 * 5);
    list->MoveTo(5, list->ClientHeight() + 30);
    EXPECT_EQ(list->AutoScrollInterval(), 0);
    list->AutoScrollTick();
    EXPECT_GT(Stored().toInt(), first);  // the next client in key order
    list->UpAt(5, list->ClientHeight() + 30);
    EXPECT_FALSE(list->AutoScrolling());
}

TEST_F(LookupTest, ReadOnlyOrUneditableRecordIsNeverWritten) {
    auto* list = Bind(new TZbDBLookupList(form));
    list->SetReadOnly(true);
    Type(list, QStringLiteral("g"));
    EXPECT_EQ(Stored(), QStringLiteral("3"));
    EXPECT_EQ(changes, 0);
}

TEST_F(LookupTest, CircularDataLinksAreRefused) {
    auto* list = new TZbDBLookupList(form);
    list->SetLookupSource(dsClientes);
    list->SetLookupField(QStringLiteral("CLIENTE"));
    list->SetDataSource(dsClientes);
    try {
        list->SetDataField(QStringLiteral("CLIENTE"));
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Circular datalinks are not allowed"));
    }
    // Two sources on one dataset are the same loop.
    auto* other = new TDataSource(&owner);
    other->SetDataSet(clientes);
    auto* combo = new TZbDBLookupCombo(form);
    combo->SetDataSource(other);
    combo->SetDataField(QStringLiteral("CLIENTE"));
    EXPECT_THROW(combo->SetLookupSource(dsClientes), EDatabaseError);
}

TEST_F(LookupTest, ComboChoosingFromItsListWritesTheKeyAndFiresOnChange) {
    auto* combo = Bind(new TZbDBLookupCombo(form));
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("Núñez Ortiz"));
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_EQ(combo->List()->Value(), QStringLiteral("3"));
    // Typing goes to the list; the combo shows the search text; Enter accepts.
    QChar c('p');
    combo->KeyPress(c);
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("P"));
    EXPECT_EQ(Stored(), QStringLiteral("3"));  // nothing written while the list is open
    QChar enter(13);
    combo->KeyPress(enter);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(Stored(), QStringLiteral("1"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("Pérez Gil"));
}

// The list is a window of its own while the case-file forms are modal: a click on a row must
// get through the toolkit's modality rules, as the window system's clicks do.
TEST_F(LookupTest, ComboListTakesAClickWhileItsFormIsModal) {
    auto* combo = Bind(new TZbDBLookupCombo(form));
    form->SetBounds(100, 100, 300, 200);
    combo->SetBounds(10, 10, 200, 21);
    form->Widget()->setWindowModality(Qt::ApplicationModal);
    form->Show();
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    QWindow* window = combo->List()->Widget()->windowHandle();
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(20, 5));  // the first row
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_NE(Stored(), QStringLiteral("3"));
    EXPECT_EQ(Stored(), combo->List()->Value());
    EXPECT_EQ(changes, 1);
    form->Hide();
    form->Widget()->setWindowModality(Qt::NonModal);
}

// Pressed on the combo and held, the pointer dragged down the list that opens and let go on a row:
// the row under the pointer follows the drag and the one let go on is chosen; let go outside the
// list, nothing is.
TEST_F(LookupTest, ComboPressDragAndReleaseOnARowChoosesIt) {
    auto* combo = Bind(new TZbDBLookupCombo(form));
    form->SetBounds(100, 100, 300, 200);
    combo->SetBounds(10, 10, 200, 21);
    form->Show();
    QWindow* window = form->Widget()->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint arrow = combo->Widget()->mapTo(form->Widget(), QPoint(192, 10));
    TZbPopupDataList* list = combo->List();
    const int row = list->RowHeight();
    auto inList = [&](int y) { return form->Widget()->mapFromGlobal(list->Widget()->mapToGlobal(QPoint(20, y))); };
    QTest::mousePress(window, Qt::LeftButton, {}, arrow);
    ASSERT_TRUE(combo->ListVisible());
    QTest::mouseMove(window, inList(row / 2));
    const QString first = list->Value();
    QTest::mouseMove(window, inList(row + row / 2));
    const QString second = list->Value();
    EXPECT_NE(first, second);
    ASSERT_NE(second, QStringLiteral("3"));
    EXPECT_EQ(Stored(), QStringLiteral("3"));  // nothing written while the button is held
    QTest::mouseRelease(window, Qt::LeftButton, {}, inList(row + row / 2));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(Stored(), second);
    EXPECT_EQ(changes, 1);
    // Dragged into the list and let go beside it: the list closes and the value stays.
    QTest::mousePress(window, Qt::LeftButton, {}, arrow);
    ASSERT_TRUE(combo->ListVisible());
    QTest::mouseMove(window, inList(row / 2));
    QTest::mouseRelease(window, Qt::LeftButton, {}, inList(row / 2) + QPoint(list->Width() + 40, 0));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(Stored(), second);
    EXPECT_EQ(changes, 1);
    form->Hide();
}

// Forms that move to the next control on Enter preview the key before the combo.
TEST_F(LookupTest, ComboEnterTakesTheRowOnAFormThatMovesOnEnter) {
    auto* combo = Bind(new TZbDBLookupCombo(form));
    auto* next = new TEdit(form);
    next->SetParent(form);
    form->SetKeyPreview(true);
    form->OnKeyPress = [this](TObject*, QChar& key) {
        if (key != QChar(13)) return;
        key = QChar();
        form->SelectNext(form->ActiveControl(), true, true);
    };
    form->Show();
    TFormHarness::Focus(combo);
    TFormHarness::PressKey(combo, VK_DOWN, ssAlt);
    ASSERT_TRUE(combo->ListVisible());
    TFormHarness::PressKey(combo, VK_DOWN);
    const QString chosen = combo->List()->Value();
    ASSERT_NE(chosen, QStringLiteral("3"));
    TFormHarness::PressKey(combo, VK_RETURN);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(Stored(), chosen);
    EXPECT_EQ(form->ActiveControl(), combo);
    form->Hide();
}

TEST_F(LookupTest, ComboTypingGoesOnSearchingItsOpenList) {
    auto* combo = Bind(new TZbDBLookupCombo(form));
    form->Show();
    TFormHarness::Focus(combo);
    // Opened by typing: every letter after the first searches on.
    TFormHarness::Type(combo, QStringLiteral("ga"));
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_EQ(combo->List()->SearchText(), QStringLiteral("GA"));
    EXPECT_EQ(combo->List()->Value(), QStringLiteral("2"));
    TFormHarness::PressKey(combo, VK_BACK);
    EXPECT_EQ(combo->List()->SearchText(), QStringLiteral("G"));
    TFormHarness::PressKey(combo, VK_ESCAPE);
    ASSERT_FALSE(combo->ListVisible());
    // Opened with the keyboard (or the mouse) first: typing searches it too.
    TFormHarness::PressKey(combo, VK_DOWN, ssAlt);
    ASSERT_TRUE(combo->ListVisible());
    TFormHarness::Type(combo, QStringLiteral("za"));
    EXPECT_EQ(combo->List()->Value(), QStringLiteral("12"));
    TFormHarness::PressKey(combo, VK_RETURN);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(Stored(), QStringLiteral("12"));
    form->Hide();
}

TEST_F(LookupTest, ComboEscapeDiscardsTheOpenListAndClearsWhenClosed) {
    auto* combo = Bind(new TZbDBLookupCombo(form));
    combo->SetDisplayEmpty(QStringLiteral("<sin cliente>"));
    QChar c('z');
    combo->KeyPress(c);  // opens the list and searches
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_EQ(combo->List()->Value(), QStringLiteral("12"));
    QChar esc(27);
    combo->KeyPress(esc);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(Stored(), QStringLiteral("3"));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("Núñez Ortiz"));
    esc = QChar(27);
    combo->KeyPress(esc);
    EXPECT_TRUE(cuentas->FieldByName(QStringLiteral("CLIENTE"))->IsNull());
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("<sin cliente>"));
    EXPECT_EQ(changes, 1);
    combo->SetEscapeClear(false);
    cuentas->Cancel();
    esc = QChar(27);
    combo->KeyPress(esc);
    EXPECT_EQ(Stored(), QStringLiteral("3"));
}

TEST_F(LookupTest, ComboArrowsStepThroughTheLookupRows) {
    auto* combo = Bind(new TZbDBLookupCombo(form));
    quint16 k = VK_DOWN;
    combo->KeyDown(k, 0);
    EXPECT_EQ(Stored(), QStringLiteral("4"));  // after 3 in key order
    k = VK_UP;
    combo->KeyDown(k, 0);
    EXPECT_EQ(Stored(), QStringLiteral("3"));
    EXPECT_EQ(changes, 2);
    // A value the lookup table lacks starts at the first row.
    cuentas->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(77);
    EXPECT_EQ(combo->GetDisplayText(), QString());
    k = VK_DOWN;
    combo->KeyDown(k, 0);
    EXPECT_EQ(Stored(), QStringLiteral("1"));
}

TEST_F(LookupTest, UnboundComboKeepsItsOwnValue) {
    auto* combo = new TZbDBLookupCombo(form);
    combo->SetLookupSource(dsClientes);
    combo->SetLookupField(QStringLiteral("CLIENTE"));
    combo->SetLookupDisplay(QStringLiteral("APELLIDOS"));
    combo->SetDisplayEmpty(QStringLiteral("Todos"));
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("Todos"));
    combo->SetValue(QStringLiteral("120"));
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("Benítez Mora"));
    combo->SetDisplayValue(QStringLiteral("Zamora Díaz"));
    EXPECT_EQ(combo->Value(), QStringLiteral("12"));
    int n = 0;
    combo->OnChange = [&](TObject*) { ++n; };
    combo->SelectKeyValue(QStringLiteral("2"));
    combo->SelectKeyValue(QStringLiteral("2"));
    EXPECT_EQ(n, 1);
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("GARRIDO Sanz"));
}

TEST_F(LookupTest, UnboundComboLeavesItsListDatasetOnTheChosenRow) {
    auto* combo = new TZbDBLookupCombo(form);
    combo->SetParent(form);
    combo->SetLookupSource(dsClientes);
    combo->SetLookupField(QStringLiteral("CLIENTE"));
    combo->SetLookupDisplay(QStringLiteral("APELLIDOS"));
    form->Show();
    clientes->First();
    // Chosen from the list: down three rows from the top, Enter.
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    for (int i = 0; i < 3; ++i) {
        quint16 k = VK_DOWN;
        combo->List()->KeyDown(k, 0);
    }
    QChar enter(13);
    combo->KeyPress(enter);
    ASSERT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Value(), QStringLiteral("3"));  // from no value the first Down takes the first row
    EXPECT_EQ(Field(clientes, "CLIENTE"), QStringLiteral("3"));
    // Chosen by the arrows of the closed combo, and set by the program.
    quint16 k = VK_DOWN;
    combo->KeyDown(k, 0);
    EXPECT_EQ(Field(clientes, "CLIENTE"), QStringLiteral("4"));
    combo->SetValue(QStringLiteral("2"));
    EXPECT_EQ(Field(clientes, "APELLIDOS"), QStringLiteral("GARRIDO Sanz"));
    // Chosen with the mouse: the row clicked is where the list dataset stays.
    clientes->First();
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    TFormHarness::ClickAt(combo->List(), 5, combo->List()->RowHeight() * 9 / 2);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_NE(combo->Value(), QStringLiteral("2"));
    EXPECT_EQ(Field(clientes, "CLIENTE"), combo->Value());
}

TEST_F(LookupTest, CombosSharingAListOpenedLateBothShowTheirRows) {
    // A second record pointing at another client, and a second data source on it.
    TTable* otras = NewTable(&owner, folder, QStringLiteral("CUENTAS"));
    otras->Open();
    otras->Append();
    otras->FieldByName(QStringLiteral("ORDEN"))->SetAsInteger(2);
    otras->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(12);
    otras->Post();
    auto* dsOtras = new TDataSource(&owner);
    dsOtras->SetDataSet(otras);
    clientes->Close();
    auto* uno = Bind(new TZbDBLookupCombo(form));
    auto* dos = new TZbDBLookupCombo(form);
    dos->SetParent(form);
    dos->SetLookupSource(dsClientes);
    dos->SetLookupField(QStringLiteral("CLIENTE"));
    dos->SetLookupDisplay(QStringLiteral("APELLIDOS;NOMBRE"));
    dos->SetDataSource(dsOtras);
    dos->SetDataField(QStringLiteral("CLIENTE"));
    auto* tres = new TZbDBLookupCombo(form);  // unbound, with a value of its own
    tres->SetParent(form);
    tres->SetLookupSource(dsClientes);
    tres->SetLookupField(QStringLiteral("CLIENTE"));
    tres->SetLookupDisplay(QStringLiteral("APELLIDOS"));
    tres->SetValue(QStringLiteral("2"));
    EXPECT_EQ(uno->GetDisplayText(), QString());
    EXPECT_EQ(dos->GetDisplayText(), QString());
    clientes->Open();
    EXPECT_EQ(uno->GetDisplayText(), QStringLiteral("Núñez Ortiz"));
    EXPECT_EQ(dos->GetDisplayText(), QStringLiteral("Zamora Díaz"));
    EXPECT_EQ(tres->GetDisplayText(), QStringLiteral("GARRIDO Sanz"));
    // And again after the list is closed and opened once more.
    clientes->Close();
    clientes->Open();
    EXPECT_EQ(uno->GetDisplayText(), QStringLiteral("Núñez Ortiz"));
    EXPECT_EQ(dos->GetDisplayText(), QStringLiteral("Zamora Díaz"));
    EXPECT_EQ(tres->GetDisplayText(), QStringLiteral("GARRIDO Sanz"));
    EXPECT_EQ(changes, 0);
}

TEST_F(LookupTest, ComboNearTheScreenBottomDropsUpwardsAndStaysOnScreen) {
    auto* combo = Bind(new TZbDBLookupCombo(form));
    form->SetBounds(0, 0, 400, 300);
    combo->SetBounds(10, 10, 145, 21);
    TPoint p = combo->ClientToScreen(Point(0, 0));
    TRect screen = Rect(0, 0, 800, p.Y + 21 + 50);
    TRect r = combo->DropDownRect(145, 100, screen);
    EXPECT_EQ(r.Bottom, p.Y);
    TRect below = combo->DropDownRect(145, 40, screen);
    EXPECT_EQ(below.Top, p.Y + combo->Height());
    combo->SetDropDownAlign(daRight);
    TRect wide = combo->DropDownRect(1000, 40, screen);
    EXPECT_EQ(wide.Left, 0);
    // A negative drop-down width widens the list to its columns; a positive one is taken as is.
    combo->SetDropDownWidth(-1);
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_GT(combo->List()->Width(), 145);
    EXPECT_EQ(combo->List()->RowCount(), 8);
    combo->CloseUp(false);
    combo->SetDropDownWidth(90);
    combo->SetDropDownCount(4);
    combo->DropDown();
    EXPECT_EQ(combo->List()->Width(), 90);
    EXPECT_EQ(combo->List()->RowCount(), 4);
    combo->CloseUp(false);
    EXPECT_EQ(changes, 0);
}

TEST_F(LookupTest, ComboOnASecondMonitorOpensItsListBesideIt) {
    using namespace zbtest;
    auto* combo = Bind(new TZbDBLookupCombo(form));
    form->SetBounds(SegundaIzquierda + SegundaAncho - 200, SegundaArriba + 40, 190, 120);
    combo->SetBounds(10, 10, 145, 21);
    combo->SetDropDownWidth(300);
    form->Show();
    combo->DropDown();
    ASSERT_TRUE(combo->ListVisible());
    const TPoint p = combo->ClientToScreen(Point(0, 0));
    TZbDBLookupList* list = combo->List();
    // Right under the combo, short of that monitor's right edge: not thrown back onto the main one.
    EXPECT_EQ(list->Top(), p.Y + combo->Height());
    EXPECT_EQ(list->Left(), SegundaIzquierda + SegundaAncho - 300);
    combo->CloseUp(false);
}

TEST_F(LookupTest, ComboOnALookupFieldWritesItsKeyFieldAndFixesTheLookup) {
    TComponent own(nullptr);
    TTable* t = NewTable(&own, folder, QStringLiteral("CUENTAS"));
    for (const char* n : {"ORDEN", "CLIENTE"}) {
        auto* f = new TIntegerField(&own);
        f->SetFieldName(QString::fromLatin1(n));
        f->SetDataSet(t);
    }
    auto* nomcli = new TStringField(&own);
    nomcli->SetFieldName(QStringLiteral("NomCli"));
    nomcli->SetFieldKind(fkLookup);
    nomcli->SetSize(30);
    nomcli->SetLookupDataSet(clientes);
    nomcli->SetKeyFields(QStringLiteral("CLIENTE"));
    nomcli->SetLookupKeyFields(QStringLiteral("CLIENTE"));
    nomcli->SetLookupResultField(QStringLiteral("APELLIDOS"));
    nomcli->SetDataSet(t);
    t->Open();
    auto* src = new TDataSource(&own);
    src->SetDataSet(t);
    auto* combo = new TZbDBLookupCombo(form);
    combo->SetDataSource(src);
    combo->SetDataField(QStringLiteral("NomCli"));
    EXPECT_TRUE(combo->LookupMode());
    EXPECT_EQ(combo->LookupField(), QStringLiteral("CLIENTE"));
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("Núñez Ortiz"));
    try {
        combo->SetLookupField(QStringLiteral("NOMBRE"));
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Property already defined by lookup field"));
    }
    EXPECT_THROW(combo->SetLookupSource(dsClientes), EDatabaseError);
    quint16 k = VK_DOWN;
    combo->KeyDown(k, 0);
    EXPECT_EQ(t->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), 4);
    EXPECT_EQ(combo->GetDisplayText(), QStringLiteral("Álvarez Ruiz"));
    // Leaving lookup mode gives the control its own settings back.
    combo->SetDataField(QStringLiteral("CLIENTE"));
    EXPECT_FALSE(combo->LookupMode());
    t->Cancel();
    t->Close();
}

// ---------------------------------------------------------------------------------------------- lookup edit

namespace {

class LookupEditTest : public LookupTest {
protected:
    void SetUp() override {
        LookupTest::SetUp();
        form->SetBounds(0, 0, 300, 200);
        edit = new TZbLookupEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 200, 21);
        edit->SetLookupSource(dsClientes);
        edit->SetLookupField(QStringLiteral("CLIENTE"));
        edit->SetLookupDisplay(QStringLiteral("APELLIDOS"));
        form->Show();
        TFormHarness::Focus(edit);
    }
    TZbLookupEdit* edit = nullptr;
};

}  // namespace

TEST_F(LookupEditTest, TypingCompletesAndSelectsTheCompletedPart) {
    TFormHarness::Type(edit, QStringLiteral("z"));
    EXPECT_EQ(edit->Text(), QStringLiteral("Zamora Díaz"));
    EXPECT_EQ(edit->SelStart(), 1);
    EXPECT_EQ(edit->SelLength(), 10);
    EXPECT_EQ(edit->PopupList()->Value(), QStringLiteral("12"));
    // Backspace removes the completed part and does not complete again.
    TFormHarness::PressKey(edit, VK_BACK);
    EXPECT_EQ(edit->Text(), QStringLiteral("Z"));
    // Text that matches nothing leaves the popup without a value.
    edit->SetText(QStringLiteral("Qx"));
    EXPECT_EQ(edit->Text(), QStringLiteral("Qx"));
    EXPECT_TRUE(edit->PopupList()->Value().isEmpty());
}

TEST_F(LookupEditTest, EveryKeystrokeCompletes) {
    AddClient(clientes, 30, QStringLiteral("Elena"), QStringLiteral("García López"));
    const QString full = QStringLiteral("García López");
    QString typed;
    for (QChar ch : QStringLiteral("garc")) {
        typed += ch;
        TFormHarness::Type(edit, QString(ch));
        SCOPED_TRACE(typed.toStdString());
        EXPECT_EQ(edit->Text(), full);
        EXPECT_EQ(edit->SelStart(), typed.size());
        EXPECT_EQ(edit->SelLength(), full.size() - typed.size());
        EXPECT_EQ(edit->PopupList()->Value(), QStringLiteral("30"));
    }
    // Delete, like Backspace, takes the completion away for good.
    TFormHarness::PressKey(edit, VK_DELETE);
    EXPECT_EQ(edit->Text(), QStringLiteral("Garc"));
}

TEST_F(LookupEditTest, ArrowsStepThroughTheRowsAndThePopupAcceptsAClick) {
    edit->SetText(QStringLiteral("Núñez Ortiz"));
    EXPECT_EQ(edit->PopupList()->Value(), QStringLiteral("3"));
    TFormHarness::PressKey(edit, VK_DOWN);
    EXPECT_EQ(edit->Text(), QStringLiteral("Álvarez Ruiz"));  // client 4 follows 3
    int closed = 0;
    edit->OnCloseUp = [&](TObject*) { ++closed; };
    edit->DropDown(false);
    ASSERT_TRUE(edit->PopupVisible());
    TZbDBLookupList* list = edit->PopupList();
    TFormHarness::ClickAt(list, 5, list->RowHeight() / 2);  // first row shown
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(edit->Text(), list->DisplayValue());
    EXPECT_FALSE(edit->Text().isEmpty());
}
