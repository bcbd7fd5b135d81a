// Tree views that draw their image list, lists whose items own an object, and the memo's
// clipboard commands (plain and data-aware).
#include "platform/db/DBTables.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Mask.h"
#include "platform/forms/StdCtrls.h"
#include "platform/graphics/Clipbrd.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

using platform::forms::TFormHarness;

namespace {

int Vivos = 0;
class TContado : public TObject {
public:
    TContado() { ++Vivos; }
    ~TContado() override { --Vivos; }
};

// A 16x16 picture of one colour with a transparent corner.
std::unique_ptr<TBitmap> Cuadro(TColor color) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(16, 16);
    bmp->Canvas()->Brush()->SetColor(color);
    bmp->Canvas()->FillRect(Rect(0, 0, 16, 16));
    bmp->Canvas()->Brush()->SetColor(clFuchsia);
    bmp->Canvas()->FillRect(Rect(0, 0, 4, 4));
    return bmp;
}

// How many pixels of a colour the rectangle of a node's row holds.
int Pixeles(TTreeView* tv, TTreeNode* node, TColor color) {
    const QImage img = TFormHarness::Grab(tv);
    QTreeWidget* tree = tv->Tree();
    QTreeWidgetItem* item = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0) == node->Text()) item = *it;
    const QRect r = tree->visualItemRect(item).translated(tree->viewport()->pos());
    const QRgb want = platform::graphics::ToQRgb(color) | 0xFF000000u;
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right() && x < img.width(); ++x)
            if (y >= 0 && y < img.height() && img.pixel(x, y) == want) ++n;
    return n;
}

TEST(TreeImagesTest, NodesShowTheImageOfTheirIndexAndTheSelectedOneWhileSelected) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 220, 160);
    auto* images = new TImageList(form.get());
    images->SetSize(16, 16);
    for (TColor c : {clRed, clLime, clBlue}) images->AddMasked(Cuadro(c).get(), clFuchsia);
    auto* tv = new TTreeView(form.get());
    tv->SetParent(form.get());
    tv->SetBounds(0, 0, 220, 160);
    TTreeNode* raiz = tv->Items()->Add(nullptr, QStringLiteral("Raiz"));
    raiz->SetImageIndex(0);
    raiz->SetSelectedIndex(1);
    TTreeNode* hoja = tv->Items()->AddChild(raiz, QStringLiteral("Hoja"));
    hoja->SetImageIndex(2);
    hoja->SetSelectedIndex(2);
    tv->FullExpand();
    form->Show();
    // No list: nothing drawn.
    EXPECT_EQ(Pixeles(tv, raiz, clRed), 0);
    tv->SetImages(images);
    tv->SetSelected(hoja);
    EXPECT_EQ(Pixeles(tv, raiz, clRed), 16 * 16 - 16);  // the masked corner is not drawn
    EXPECT_EQ(Pixeles(tv, hoja, clBlue), 16 * 16 - 16);
    tv->SetSelected(raiz);
    EXPECT_EQ(Pixeles(tv, raiz, clRed), 0);
    EXPECT_EQ(Pixeles(tv, raiz, clLime), 16 * 16 - 16);
    // A new index shows at once; a list that goes takes its pictures with it.
    hoja->SetImageIndex(0);
    EXPECT_EQ(Pixeles(tv, hoja, clRed), 16 * 16 - 16);
    delete images;
    EXPECT_EQ(tv->Images(), nullptr);
    EXPECT_EQ(Pixeles(tv, hoja, clRed), 0);
}

TEST(TreeImagesTest, NodesFreeTheObjectsTheyOwnAndSortTheirChildren) {
    TFormHarness harness;
    Vivos = 0;
    {
        auto form = std::make_unique<TForm>(nullptr);
        auto* tv = new TTreeView(form.get());
        tv->SetParent(form.get());
        TTreeNode* raiz = tv->Items()->Add(nullptr, QStringLiteral("Raiz"));
        for (const char* t : {"Ñoño", "alba", "Zaragoza", "Ávila"}) {
            TTreeNode* n = tv->Items()->AddChild(raiz, QString::fromUtf8(t));
            n->SetOwnedData(std::make_unique<TContado>());
            EXPECT_EQ(n->Data(), n->OwnedData());
        }
        EXPECT_EQ(Vivos, 4);
        raiz->Item(0)->Expand(false);
        raiz->AlphaSort();
        QStringList orden;
        for (int i = 0; i < raiz->Count(); ++i) orden << raiz->Item(i)->Text();
        EXPECT_EQ(orden, QStringList({QStringLiteral("alba"), QStringLiteral("Ávila"), QStringLiteral("Ñoño"),
                                      QStringLiteral("Zaragoza")}));
        EXPECT_EQ(tv->Tree()->topLevelItem(0)->child(2)->text(0), QStringLiteral("Ñoño"));
        raiz->Item(0)->Delete();
        EXPECT_EQ(Vivos, 3);
        raiz->Item(0)->SetData(nullptr);  // replacing the data lets the object go
        EXPECT_EQ(Vivos, 2);
    }
    EXPECT_EQ(Vivos, 0);
}

TEST(OwnedObjectsTest, AStringListThatOwnsItsObjectsFreesThemOnDeleteReplaceAndClear) {
    Vivos = 0;
    {
        TStringList lista;
        lista.SetOwnsObjects(true);
        for (int i = 0; i < 4; ++i) lista.AddObject(QString::number(i), new TContado);
        lista.Delete(1);
        EXPECT_EQ(Vivos, 3);
        lista.PutObject(0, new TContado);
        EXPECT_EQ(Vivos, 3);
        lista.PutObject(0, lista.Objects(0));  // the same object stays
        EXPECT_EQ(Vivos, 3);
        lista.Clear();
        EXPECT_EQ(Vivos, 0);
        lista.AddObject(QStringLiteral("x"), new TContado);
        lista.AddObject(QStringLiteral("y"), new TBookmarkObject(TBookmark{7, true}));
        EXPECT_EQ(static_cast<TBookmarkObject*>(lista.Objects(1))->Bookmark.Id, 7);
    }
    EXPECT_EQ(Vivos, 0);
    TStringList ajena;  // the default leaves the objects to their owner
    TContado fuera;
    ajena.AddObject(QStringLiteral("x"), &fuera);
    ajena.Clear();
    EXPECT_EQ(Vivos, 1);
}

// A table of one row (ID 1 and one more field holding `valor`) behind a source that does not
// edit by itself.
TDataSource* UnaFila(TForm* form, const QString& carpeta, const QString& nombre, const QString& campo, TFieldType tipo,
                     int longitud, const QString& valor, TTable*& table) {
    table = new TTable(form);
    table->SetDatabaseName(carpeta);
    table->SetTableName(nombre);
    table->FieldDefs()->Add(QStringLiteral("ID"), ftInteger, 0, true);
    table->FieldDefs()->Add(campo, tipo, longitud);
    table->IndexDefs()->Add(QString(), QStringLiteral("ID"), ixPrimary);
    table->CreateTable();
    table->Open();
    table->Append();
    table->FieldByName(QStringLiteral("ID"))->SetAsInteger(1);
    table->FieldByName(campo)->SetAsString(valor);
    table->Post();
    auto* ds = new TDataSource(form);
    ds->SetDataSet(table);
    ds->SetAutoEdit(false);
    return ds;
}

TEST(MemoClipboardTest, CutCopyPasteAndSelection) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    auto* memo = new TMemo(form.get());
    memo->SetParent(form.get());
    memo->SetText(QStringLiteral("primera\r\nsegunda"));
    memo->SetSelStart(8);
    memo->SetSelLength(7);
    EXPECT_EQ(memo->SelText(), QStringLiteral("segunda"));
    memo->CopyToClipboard();
    EXPECT_EQ(Clipboard()->AsText(), QStringLiteral("segunda"));
    memo->SelectAll();
    EXPECT_EQ(memo->SelLength(), 15);
    memo->SetModified(false);
    memo->CutToClipboard();
    EXPECT_EQ(memo->Text(), QString());
    EXPECT_TRUE(memo->Modified());
    EXPECT_EQ(Clipboard()->AsText(), QStringLiteral("primera\nsegunda"));
    Clipboard()->SetAsText(QStringLiteral("pegado"));
    memo->PasteFromClipboard();
    EXPECT_EQ(memo->Text(), QStringLiteral("pegado"));
    memo->SetReadOnly(true);
    memo->PasteFromClipboard();
    EXPECT_EQ(memo->Text(), QStringLiteral("pegado"));
    memo->SetWantTabs(true);
    EXPECT_FALSE(memo->Editor()->tabChangesFocus());
}

TEST(MemoClipboardTest, DataAwareMemoEditsTheRecordBeforeCuttingOrPasting) {
    TFormHarness harness;
    QTemporaryDir dir;
    auto form = std::make_unique<TForm>(nullptr);
    TTable* table = nullptr;
    TDataSource* ds = UnaFila(form.get(), dir.path(), QStringLiteral("NOTAS"), QStringLiteral("OBSERVACIONES"), ftMemo, 0,
                              QStringLiteral("nota"), table);
    auto* memo = new TDBMemo(form.get());
    memo->SetParent(form.get());
    memo->SetDataSource(ds);
    memo->SetDataField(QStringLiteral("OBSERVACIONES"));
    Clipboard()->SetAsText(QStringLiteral(" larga"));
    // A source that does not edit by itself: nothing changes.
    memo->SelectAll();
    memo->CutToClipboard();
    memo->PasteFromClipboard();
    EXPECT_EQ(memo->Text(), QStringLiteral("nota"));
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Clipboard()->AsText(), QStringLiteral(" larga"));
    // One that does: the record goes into edit and the pasted text is posted with it.
    ds->SetAutoEdit(true);
    memo->SetSelStart(4);
    memo->PasteFromClipboard();
    EXPECT_EQ(table->State(), dsEdit);
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("OBSERVACIONES"))->AsString(), QStringLiteral("nota larga"));
}

TEST(EditClipboardTest, APasteKeepsOneLineAndWholeCharactersWithinTheLength) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetMaxLength(10);
    // A spreadsheet's cell or an address copied whole: the first line only, tabs kept.
    Clipboard()->SetAsText(QStringLiteral("C/\tSol\r\n28001 Madrid"));
    TFormHarness::PressKey(edit, 'V', ssCtrl);
    EXPECT_EQ(edit->Text(), QStringLiteral("C/\tSol"));
    edit->Clear();
    Clipboard()->SetAsText(QStringLiteral("Sol\nMadrid"));
    TFormHarness::PressKey(edit, 'V', ssCtrl);
    EXPECT_EQ(edit->Text(), QStringLiteral("Sol"));
    // Where the length ends inside a character of two halves, the whole character stays out.
    edit->SetText(QStringLiteral("abcdefgh"));
    edit->SetSelStart(8);
    Clipboard()->SetAsText(QString::fromUtf8("x\xF0\x9F\x98\x80y"));
    TFormHarness::PressKey(edit, VK_INSERT, ssShift);
    EXPECT_EQ(edit->Text(), QStringLiteral("abcdefghx"));
    edit->SetText(QStringLiteral("abcdefgh"));
    edit->SelectAll();
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), QString::fromUtf8("x\xF0\x9F\x98\x80y"));
    edit->SetReadOnly(true);
    Clipboard()->SetAsText(QStringLiteral("otro"));
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), QString::fromUtf8("x\xF0\x9F\x98\x80y"));
}

// A shown form with a data-aware edit on the province of a one-row table ("Soria"), focused,
// and another edit to leave it for.
struct TEditDeProvincia {
    TFormHarness harness;
    QTemporaryDir dir;
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TTable* table = nullptr;
    TDataSource* ds = UnaFila(form.get(), dir.path(), QStringLiteral("DESPACHO"), QStringLiteral("PROVINCIA"), ftString, 15,
                              QStringLiteral("Soria"), table);
    TDBEdit* edit = new TDBEdit(form.get());
    TEdit* otro = new TEdit(form.get());
    TEditDeProvincia() {
        edit->SetParent(form.get());
        edit->SetDataSource(ds);
        edit->SetDataField(QStringLiteral("PROVINCIA"));
        otro->SetParent(form.get());
        otro->SetTop(40);
        form->Show();
        edit->SetFocus();
    }
};

TEST(EditClipboardTest, DataAwareEditPastesAndCutsOnlyIntoARecordItCanEdit) {
    TEditDeProvincia f;
    auto& [harness, dir, form, table, ds, edit, otro] = f;
    Clipboard()->SetAsText(QStringLiteral("Segovia"));
    // Browsing: neither the keys nor the edit's menu change the text, and leaving it is no error.
    edit->SelectAll();
    for (auto [key, shift] : {std::pair<quint16, TShiftState>{'V', ssCtrl}, {'X', ssCtrl}, {VK_INSERT, ssShift}}) {
        TFormHarness::PressKey(edit, key, shift);
        EXPECT_EQ(edit->Text(), QStringLiteral("Soria"));
    }
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), QStringLiteral("Soria"));
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_NO_THROW(otro->SetFocus());
    EXPECT_EQ(Clipboard()->AsText(), QStringLiteral("Segovia"));
    // A source that edits by itself: the paste puts the record in edit and is posted with it.
    ds->SetAutoEdit(true);
    edit->SetFocus();
    edit->SelectAll();
    TFormHarness::PressKey(edit, 'V', ssCtrl);
    EXPECT_EQ(table->State(), dsEdit);
    otro->SetFocus();
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("PROVINCIA"))->AsString(), QStringLiteral("Segovia"));
}

// A right click opens the widget's own menu; `name` is the action picked in it (its name, or its
// text where the toolkit names none).
void EligeEnSuMenu(QWidget* widget, const char* name) {
    QTimer::singleShot(0, [name] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String(name) || a->text().section(QLatin1Char('\t'), 0, 0) == QLatin1String(name))
                a->trigger();
        menu->close();
    });
    QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(4, 4), widget->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(widget, &e);
}

TEST(EditClipboardTest, TheMenuOfADataAwareEditChangesOnlyARecordItCanEdit) {
    TEditDeProvincia f;
    auto& [harness, dir, form, table, ds, edit, otro] = f;
    // Browsing: the menu's "Borrar" and "Pegar" leave the text, and leaving the edit is no error.
    edit->SelectAll();
    Clipboard()->SetAsText(QStringLiteral("Segovia"));
    for (const char* accion : {"Borrar", "&Pegar", "Cor&tar"}) {
        EligeEnSuMenu(edit->Widget(), accion);
        EXPECT_EQ(edit->Text(), QStringLiteral("Soria")) << accion;
    }
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_NO_THROW(otro->SetFocus());
    EXPECT_TRUE(harness.Messages().empty());
    // A source that edits by itself: the deletion puts the record in edit and is posted.
    ds->SetAutoEdit(true);
    edit->SetFocus();
    edit->SelectAll();
    EligeEnSuMenu(edit->Widget(), "Borrar");
    EXPECT_EQ(edit->Text(), QString());
    EXPECT_EQ(table->State(), dsEdit);
    otro->SetFocus();
    table->Post();
    EXPECT_TRUE(table->FieldByName(QStringLiteral("PROVINCIA"))->IsNull());
}

TEST(EditClipboardTest, TheMenuDeletesAMaskedSelectionThroughTheMask) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    auto* edit = new TMaskEdit(form.get());
    edit->SetParent(form.get());
    edit->SetEditMask(QStringLiteral("!99/99/0000;1;_"));
    form->Show();
    edit->SetFocus();
    edit->SetText(QStringLiteral("07/12/2026"));
    edit->SetSelStart(3);
    edit->SetSelLength(2);
    EligeEnSuMenu(edit->Widget(), "Borrar");
    EXPECT_EQ(edit->EditText(), QStringLiteral("07/__/2026"));
}

TEST(MemoClipboardTest, KeysAndMenuOfADataAwareMemoChangeOnlyARecordItCanEdit) {
    TFormHarness harness;
    QTemporaryDir dir;
    auto form = std::make_unique<TForm>(nullptr);
    TTable* table = nullptr;
    TDataSource* ds = UnaFila(form.get(), dir.path(), QStringLiteral("NOTAS"), QStringLiteral("OBSERVACIONES"), ftMemo, 0,
                              QStringLiteral("nota"), table);
    auto* memo = new TDBMemo(form.get());
    memo->SetParent(form.get());
    memo->SetDataSource(ds);
    memo->SetDataField(QStringLiteral("OBSERVACIONES"));
    auto* otro = new TEdit(form.get());
    otro->SetParent(form.get());
    otro->SetTop(120);
    form->Show();
    memo->SetFocus();
    Clipboard()->SetAsText(QStringLiteral(" larga"));
    memo->SetSelStart(4);
    for (auto [key, shift] : {std::pair<quint16, TShiftState>{'V', ssCtrl}, {VK_INSERT, ssShift}}) {
        TFormHarness::PressKey(memo, key, shift);
        EXPECT_EQ(memo->Text(), QStringLiteral("nota"));
    }
    memo->SelectAll();
    for (const char* accion : {"edit-delete", "edit-cut", "edit-paste"}) {
        EligeEnSuMenu(memo->Editor(), accion);
        EXPECT_EQ(memo->Text(), QStringLiteral("nota")) << accion;
    }
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_NO_THROW(otro->SetFocus());
    EXPECT_TRUE(harness.Messages().empty());
    // Editable: Ctrl+V pastes into the record.
    ds->SetAutoEdit(true);
    memo->SetFocus();
    memo->SetSelStart(4);
    TFormHarness::PressKey(memo, 'V', ssCtrl);
    EXPECT_EQ(memo->Text(), QStringLiteral("nota larga"));
    EXPECT_EQ(table->State(), dsEdit);
    otro->SetFocus();
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("OBSERVACIONES"))->AsString(), QStringLiteral("nota larga"));
}

}  // namespace

namespace {
TEST(TreeImagesTest, ANodeWithoutChildrenDoesNotExpand) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    auto* tv = new TTreeView(form.get());
    tv->SetParent(form.get());
    TTreeNode* raiz = tv->Items()->Add(nullptr, QStringLiteral("Raiz"));
    TTreeNode* hoja = tv->Items()->AddChild(raiz, QStringLiteral("Hoja"));
    int expandidos = 0;
    tv->OnExpanded = [&](TObject*, TTreeNode*) { ++expandidos; };
    tv->FullExpand();
    EXPECT_EQ(expandidos, 1);
    EXPECT_TRUE(raiz->Expanded());
    EXPECT_FALSE(hoja->Expanded());
}
}  // namespace
