// The list view with large icons and the desktop's pictures of file kinds.
#include "platform/forms/FormHarness.h"
#include "platform/forms/ListView.h"

#include <QFile>
#include <QIcon>
#include <QListWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

bool SameImage(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

// Pixels that are neither transparent nor white: what a picture draws.
int Tinta(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (qAlpha(c) > 128 && qGray(c) < 240) ++n;
        }
    return n;
}

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        list = new TImageList(form.get());
        list->SetSize(32, 32);
        view = new TListView(form.get());
        view->SetParent(form.get());
        view->SetLargeImages(list);
    }
    TFormHarness harness;
    std::unique_ptr<TForm> form;
    TImageList* list = nullptr;
    TListView* view = nullptr;
};

TEST_F(ListViewTest, ItemsKeepCaptionSubItemsAndPictureAndClearEmptiesThem) {
    QImage rojo(32, 32, QImage::Format_ARGB32);
    rojo.fill(Qt::red);
    const int i = list->AddImage(rojo);
    TListItem* item = view->Items()->Add();
    item->SetCaption(QStringLiteral("42.doc"));
    item->SubItems()->Add(QStringLiteral("/datos/Escritos/42.doc"));
    item->SetImageIndex(i);
    ASSERT_EQ(view->Items()->Count(), 1);
    EXPECT_EQ(view->Items()->Item(0)->Caption(), QStringLiteral("42.doc"));
    EXPECT_EQ(view->Items()->Item(0)->SubItems()->Strings(0), QStringLiteral("/datos/Escritos/42.doc"));
    EXPECT_EQ(view->ItemImage(0).pixel(16, 16), QColor(Qt::red).rgb());
    EXPECT_EQ(view->List()->iconSize(), QSize(32, 32));
    // An index past the list shows no picture rather than another one.
    item->SetImageIndex(5);
    EXPECT_TRUE(view->ItemImage(0).isNull());
    view->Items()->Clear();
    EXPECT_EQ(view->Items()->Count(), 0);
    EXPECT_EQ(view->List()->count(), 0);
}

TEST_F(ListViewTest, AFreedImageListLeavesTheItemsWithoutPictures) {
    QImage verde(32, 32, QImage::Format_ARGB32);
    verde.fill(Qt::green);
    view->Items()->Add()->SetImageIndex(list->AddImage(verde));
    delete list;
    EXPECT_EQ(view->LargeImages(), nullptr);
    EXPECT_TRUE(view->ItemImage(0).isNull());
}

TEST_F(ListViewTest, SeveralItemsSelectedAtOnceOnlyWhenAsked) {
    for (const char* c : {"uno.doc", "dos.pdf", "tres.odt"}) view->Items()->Add()->SetCaption(QString::fromLatin1(c));
    form->Show();
    EXPECT_EQ(view->Selected(), nullptr);
    EXPECT_EQ(view->SelCount(), 0);
    // One at a time: selecting another item leaves only that one selected.
    view->Items()->Item(0)->SetSelected(true);
    view->Items()->Item(2)->SetSelected(true);
    EXPECT_EQ(view->SelCount(), 1);
    EXPECT_EQ(view->Selected(), view->Items()->Item(2));

    view->SetMultiSelect(true);
    view->Items()->Item(0)->SetSelected(true);
    EXPECT_EQ(view->SelCount(), 2);
    EXPECT_EQ(view->Selected(), view->Items()->Item(0));  // the first selected, in the list's order
    EXPECT_TRUE(view->Items()->Item(2)->Selected());
    EXPECT_FALSE(view->Items()->Item(1)->Selected());
    // A click with Ctrl adds the item under the pointer; a plain click selects it alone.
    const QRect r = view->List()->visualItemRect(view->List()->item(1));
    TFormHarness::ClickAt(view, r.center().x() + view->List()->viewport()->x(), r.center().y() + view->List()->viewport()->y(),
                          mbLeft, ssCtrl);
    EXPECT_EQ(view->SelCount(), 3);
    TFormHarness::ClickAt(view, r.center().x() + view->List()->viewport()->x(), r.center().y() + view->List()->viewport()->y());
    EXPECT_EQ(view->SelCount(), 1);
    EXPECT_EQ(view->Selected(), view->Items()->Item(1));
    view->Items()->Item(1)->SetSelected(false);
    EXPECT_EQ(view->Selected(), nullptr);
}

TEST(FileTypeIcon, AKnownKindGetsTheThemesPictureAndWithoutAThemeThePlainDocument) {
    const QImage plano = platform::forms::PlainDocumentIcon(32);
    EXPECT_GT(Tinta(plano), 30);
    QTemporaryDir dir;
    const QString odt = dir.filePath(QStringLiteral("carta.pdf"));
    QFile f(odt);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n");
    f.close();
    const QImage tema = platform::forms::FileTypeIcon(odt, 32);
    EXPECT_EQ(tema.size(), QSize(32, 32));
    if (QIcon::hasThemeIcon(QStringLiteral("application-pdf")) || QIcon::hasThemeIcon(QStringLiteral("x-office-document"))) {
        EXPECT_FALSE(SameImage(tema, plano));
    }
    // Without a desktop session the system's themes are still found where the desktop rules put them.
    if (!qEnvironmentVariableIsSet("XDG_DATA_DIRS") &&
        QFile::exists(QStringLiteral("/usr/share/icons/Adwaita/32x32/mimetypes/x-office-document.png"))) {
        EXPECT_TRUE(QIcon::hasThemeIcon(QStringLiteral("x-office-document")));
        EXPECT_FALSE(SameImage(tema, plano));
    }
    const QString antes = QIcon::themeName();
    QIcon::setThemeName(QStringLiteral("tema-que-no-existe"));
    const QImage sinTema = platform::forms::FileTypeIcon(odt, 32);
    QIcon::setThemeName(antes);
    EXPECT_TRUE(SameImage(sinTema, plano));
    // A file that is not there is judged by its name.
    EXPECT_EQ(platform::forms::FileTypeIcon(dir.filePath(QStringLiteral("falta.zzqq")), 48).size(), QSize(48, 48));
}

TEST(FileTypeIcon, AddsThePictureToAnImageListAtItsSize) {
    TImageList list(32, 32);
    const int i = platform::forms::AddFileTypeIcon(&list, QStringLiteral("/no/existe/escrito.odt"));
    EXPECT_EQ(i, 0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.ImageOf(0).size(), QSize(32, 32));
}

}  // namespace
