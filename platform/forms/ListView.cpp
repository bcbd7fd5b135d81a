#include "platform/forms/ListView.h"

#include "platform/forms/Forms.h"
#include "platform/forms/Host.h"
#include "platform/db/Driver.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>

using namespace platform::forms;

// ---------------------------------------------------------------------------------------------
// Items

TListItem::TListItem(TListItems* owner) : FOwner(owner), FSubItems(std::make_unique<TStringList>()) {}

void TListItem::SetCaption(const QString& value) {
    FCaption = value;
    if (FItem) FItem->setText(value);
}

void TListItem::SetImageIndex(int value) {
    FImageIndex = value;
    FOwner->FOwner->UpdateItemImage(this);
}

int TListItem::Index() const {
    const auto& v = FOwner->FItems;
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i].get() == this) return int(i);
    return -1;
}

bool TListItem::Selected() const { return FItem && FItem->isSelected(); }

void TListItem::SetSelected(bool value) {
    if (!FItem) return;
    TListView* view = FOwner->FOwner;
    // Selecting one item of a multiple selection keeps the others selected.
    if (value)
        view->List()->setCurrentItem(FItem, view->MultiSelect() ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
    FItem->setSelected(value);
}

TListItems::~TListItems() = default;

TListItem* TListItems::Add() {
    std::unique_ptr<TListItem> item(new TListItem(this));
    item->FItem = new QListWidgetItem(FOwner->List());
    item->FItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->FItem->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

void TListItems::Delete(int index) {
    auto it = FItems.begin() + index;
    delete (*it)->FItem;
    FItems.erase(it);
}

void TListItems::Clear() {
    FOwner->List()->clear();
    FItems.clear();
}

// ---------------------------------------------------------------------------------------------
// The view

TListView::TListView(TComponent* owner)
    : TWinControl(owner), FItems(std::make_unique<TListItems>(this)), FLargeLink(std::make_unique<TChangeLink>()),
      FSmallLink(std::make_unique<TChangeLink>()) {
    FLargeLink->OnChange = TNotifyEvent(this, &TListView::ImageListChange);
    FSmallLink->OnChange = TNotifyEvent(this, &TListView::ImageListChange);
    auto* list = new THost<QListWidget>(this);
    SetWidget(list);
    FTakesComposedText = true;
    list->setFocusPolicy(Qt::StrongFocus);
    list->setViewMode(QListView::IconMode);
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setWordWrap(true);
    list->setSpacing(4);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 250, 150);
    QObject::connect(list, &QListWidget::itemClicked, list, [this](QListWidgetItem*) { Guarded(this, [this] { Click(); }); });
    QObject::connect(list, &QListWidget::itemDoubleClicked, list,
                     [this](QListWidgetItem*) { Guarded(this, [this] { DblClick(); }); });
    FControlStyle &= ~(csClickEvents | csDoubleClicks);
}

TListView::~TListView() {
    if (FLargeImages) FLargeImages->UnRegisterChanges(FLargeLink.get());
    if (FSmallImages) FSmallImages->UnRegisterChanges(FSmallLink.get());
    FItems.reset();
}

QListWidget* TListView::List() const { return static_cast<QListWidget*>(FWidget); }

void TListView::SetMultiSelect(bool value) {
    FMultiSelect = value;
    List()->setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

TListItem* TListView::Selected() const {
    for (int i = 0; i < FItems->Count(); ++i)
        if (FItems->Item(i)->Selected()) return FItems->Item(i);
    return nullptr;
}

int TListView::SelCount() const { return int(List()->selectedItems().size()); }

void TListView::SetViewStyle(TViewStyle value) {
    FViewStyle = value;
    List()->setViewMode(value == vsIcon ? QListView::IconMode : QListView::ListMode);
    ImageListChange(nullptr);
}

void TListView::SetLargeImages(TImageList* value) {
    if (platform::graphics::LinkImageList(this, FLargeImages, value, FLargeLink.get())) ImageListChange(nullptr);
}

void TListView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == FLargeImages) FLargeImages = nullptr;
    if (component == FSmallImages) FSmallImages = nullptr;
    if (component == FLargeImages || component == FSmallImages || !FLargeImages || !FSmallImages) ImageListChange(nullptr);
}

void TListView::ImageListChange(TObject*) {
    if (!FItems) return;
    if (TImageList* l = ShownImages()) List()->setIconSize(QSize(l->Width(), l->Height()));
    for (int i = 0; i < FItems->Count(); ++i) UpdateItemImage(FItems->Item(i));
}

QImage TListView::ItemImage(int index) const {
    TImageList* l = ShownImages();
    const TListItem* item = FItems->Item(index);
    if (!l || item->FImageIndex < 0 || item->FImageIndex >= l->Count()) return {};
    return l->TransparentImageOf(item->FImageIndex);
}

void TListView::UpdateItemImage(TListItem* item) {
    if (!item->FItem) return;
    const QImage img = ItemImage(item->Index());
    item->FItem->setIcon(img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img)));
}

// ---------------------------------------------------------------------------------------------
// Pictures of file kinds

namespace platform::forms {

namespace {
// Desktops name their icon theme; without one (a bare session) the first freedesktop theme found
// on the system serves.
void AseguraTema() {
    static bool hecho = false;
    if (hecho) return;
    hecho = true;
    // The folders the desktop's icon themes live in, as the freedesktop rules name them; a
    // session without a platform theme knows none of them.
    QStringList rutas = QIcon::themeSearchPaths();
    QStringList datos = qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts);
    if (datos.isEmpty()) datos = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    const QString casa = QDir::homePath();
    for (const QString& r : QStringList{casa + QStringLiteral("/.icons"),
                                        qEnvironmentVariable("XDG_DATA_HOME", casa + QStringLiteral("/.local/share")) +
                                            QStringLiteral("/icons")} +
                                [&] {
                                    QStringList l;
                                    for (const QString& d : datos) l << d + QStringLiteral("/icons");
                                    return l;
                                }())
        if (!rutas.contains(r) && QFileInfo(r).isDir()) rutas << r;
    QIcon::setThemeSearchPaths(rutas);
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != u"hicolor") return;
    for (const char* tema : {"Adwaita", "breeze", "oxygen", "Tango", "hicolor"})
        for (const QString& base : QIcon::themeSearchPaths())
            if (QFileInfo::exists(QDir(base).filePath(QString::fromLatin1(tema) + QStringLiteral("/index.theme")))) {
                QIcon::setThemeName(QString::fromLatin1(tema));
                return;
            }
}
}  // namespace

QImage PlainDocumentIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double m = size / 8.0, w = size - 2 * m - size / 8.0, doblez = size / 4.0;
    const double x0 = m + size / 16.0, y0 = size / 16.0, h = size - 2 * y0;
    QPolygonF hoja;
    hoja << QPointF(x0, y0) << QPointF(x0 + w - doblez, y0) << QPointF(x0 + w, y0 + doblez) << QPointF(x0 + w, y0 + h)
         << QPointF(x0, y0 + h);
    p.setPen(QPen(QColor(90, 90, 90), std::max(1.0, size / 32.0)));
    p.setBrush(Qt::white);
    p.drawPolygon(hoja);
    QPolygonF esquina;
    esquina << QPointF(x0 + w - doblez, y0) << QPointF(x0 + w - doblez, y0 + doblez) << QPointF(x0 + w, y0 + doblez);
    p.setBrush(QColor(220, 220, 220));
    p.drawPolygon(esquina);
    p.setPen(QPen(QColor(140, 140, 140), std::max(1.0, size / 32.0)));
    for (double y = y0 + doblez + size / 8.0; y < y0 + h - size / 10.0; y += size / 8.0)
        p.drawLine(QPointF(x0 + size / 10.0, y), QPointF(x0 + w - size / 10.0, y));
    return img;
}

QMimeType FileType(const QString& fileName) {
    static const QMimeDatabase db;
    const bool contenido = QFileInfo::exists(fileName) && !platform::db::IsEngineFile(fileName);
    return db.mimeTypeForFile(fileName, contenido ? QMimeDatabase::MatchDefault : QMimeDatabase::MatchExtension);
}

QImage FileTypeIcon(const QString& fileName, int size) {
    ApplicationInstance();  // the theme's pictures are pixmaps, which need the application
    AseguraTema();
    static const QMimeDatabase db;
    const QMimeType mime = FileType(fileName);
    QStringList nombres{mime.iconName(), mime.genericIconName()};
    for (const QString& padre : mime.allAncestors()) nombres << db.mimeTypeForName(padre).iconName();
    for (const QString& n : nombres) {
        if (n.isEmpty() || !QIcon::hasThemeIcon(n)) continue;
        const QPixmap px = QIcon::fromTheme(n).pixmap(size, size);
        if (!px.isNull()) return px.toImage().convertToFormat(QImage::Format_ARGB32).scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return PlainDocumentIcon(size);
}

int AddFileTypeIcon(TImageList* list, const QString& fileName) {
    return list->AddImage(FileTypeIcon(fileName, std::max(list->Width(), list->Height())));
}

}  // namespace platform::forms
