// TImageList: images and masks of one size.
#include "platform/graphics/ImgList.h"

#include <algorithm>

using platform::graphics::ToQRgb;

TChangeLink::~TChangeLink() {
    if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (FSender) OnChange(FSender);
}

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

TImageList::TImageList(int width, int height) : TComponent(nullptr), FWidth(std::max(1, width)), FHeight(std::max(1, height)) {}

TImageList::~TImageList() {
    for (TChangeLink* l : FLinks) l->SetSender(nullptr);
}

void TImageList::Assign(TPersistent* source) {
    if (auto* l = dynamic_cast<TImageList*>(source)) {
        FWidth = l->FWidth;
        FHeight = l->FHeight;
        FBkColor = l->FBkColor;
        FMasked = l->FMasked;
        FDrawingStyle = l->FDrawingStyle;
        FImages = l->FImages;
        Change();
        return;
    }
    TComponent::Assign(source);
}

void TImageList::SetWidth(int width) { SetSize(width, FHeight); }
void TImageList::SetHeight(int height) { SetSize(FWidth, height); }

void TImageList::SetSize(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == FWidth && height == FHeight) return;
    FWidth = width;
    FHeight = height;
    FImages.clear();
    Change();
}

TImageList::Entry TImageList::MakeEntry(TBitmap* image, TBitmap* mask, int cell) const {
    Entry e;
    e.Image = image->ToImage().copy(cell * FWidth, 0, FWidth, FHeight);
    e.Mask = QImage(FWidth, FHeight, QImage::Format_Grayscale8);
    e.Mask.fill(0);
    if (mask && !mask->Empty()) {
        QImage m = mask->ToImage();
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x) {
                int mx = cell * FWidth + x;
                bool transparent = mx < m.width() && y < m.height() && (m.pixel(mx, y) & 0xFFFFFF) == 0xFFFFFF;
                e.Mask.scanLine(y)[x] = transparent ? 255 : 0;
            }
    }
    return e;
}

TImageList::Entry TImageList::MakeEntryMasked(TBitmap* image, TColor maskColor, int cell) const {
    Entry e;
    e.Image = image->ToImage().copy(cell * FWidth, 0, FWidth, FHeight);
    e.Mask = QImage(FWidth, FHeight, QImage::Format_Grayscale8);
    QRgb key = ToQRgb(maskColor) & 0xFFFFFF;
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x) {
            bool transparent = maskColor != clNone && (e.Image.pixel(x, y) & 0xFFFFFF) == key;
            e.Mask.scanLine(y)[x] = transparent ? 255 : 0;
        }
    return e;
}

int TImageList::Add(TBitmap* image, TBitmap* mask) {
    if (!image || image->Width() < FWidth || image->Height() < FHeight)
        throw EInvalidOperation(QStringLiteral("Unable to insert an image"));
    int first = Count();
    int cells = image->Width() / FWidth;
    for (int c = 0; c < cells; ++c) FImages.push_back(MakeEntry(image, mask, c));
    Change();
    return first;
}

int TImageList::AddMasked(TBitmap* image, TColor maskColor) {
    if (!image || image->Width() < FWidth || image->Height() < FHeight)
        throw EInvalidOperation(QStringLiteral("Unable to insert an image"));
    int first = Count();
    int cells = image->Width() / FWidth;
    for (int c = 0; c < cells; ++c) FImages.push_back(MakeEntryMasked(image, maskColor, c));
    Change();
    return first;
}

int TImageList::AddImage(const QImage& image) {
    if (image.isNull()) throw EInvalidOperation(QStringLiteral("Unable to insert an image"));
    QImage img = image.scaled(FWidth, FHeight).convertToFormat(QImage::Format_ARGB32);
    Entry e;
    e.Image = QImage(FWidth, FHeight, QImage::Format_RGB32);
    e.Mask = QImage(FWidth, FHeight, QImage::Format_Grayscale8);
    for (int y = 0; y < FHeight; ++y)
        for (int x = 0; x < FWidth; ++x) {
            QRgb c = img.pixel(x, y);
            e.Image.setPixel(x, y, c | 0xFF000000u);
            e.Mask.scanLine(y)[x] = qAlpha(c) < 128 ? 255 : 0;
        }
    FImages.push_back(std::move(e));
    Change();
    return Count() - 1;
}

void TImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
    if (index < 0 || index >= Count() || !image || image->Width() < FWidth || image->Height() < FHeight)
        throw EInvalidOperation(QStringLiteral("Unable to Replace Image"));
    FImages[size_t(index)] = MakeEntry(image, mask, 0);
    Change();
}

void TImageList::ReplaceMasked(int index, TBitmap* image, TColor maskColor) {
    if (index < 0 || index >= Count() || !image || image->Width() < FWidth || image->Height() < FHeight)
        throw EInvalidOperation(QStringLiteral("Unable to Replace Image"));
    FImages[size_t(index)] = MakeEntryMasked(image, maskColor, 0);
    Change();
}

void TImageList::Delete(int index) {
    if (index == -1) {
        Clear();
        return;
    }
    CheckIndex(index, "Delete");
    FImages.erase(FImages.begin() + index);
    Change();
}

void TImageList::Clear() {
    if (FImages.empty()) return;
    FImages.clear();
    Change();
}

void TImageList::CheckIndex(int index, const char*) const {
    if (index < 0 || index >= Count())
        throw EInvalidOperation(QStringLiteral("Image index %1 out of bounds").arg(index));
}

QImage TImageList::ImageOf(int index) const {
    CheckIndex(index, "ImageOf");
    return FImages[size_t(index)].Image;
}

QImage TImageList::MaskOf(int index) const {
    CheckIndex(index, "MaskOf");
    const QImage& m = FImages[size_t(index)].Mask;
    QImage out(m.size(), QImage::Format_RGB32);
    for (int y = 0; y < m.height(); ++y)
        for (int x = 0; x < m.width(); ++x) out.setPixel(x, y, m.constScanLine(y)[x] ? 0xFFFFFFFFu : 0xFF000000u);
    return out;
}

QImage TImageList::TransparentImageOf(int index) const {
    CheckIndex(index, "TransparentImageOf");
    const Entry& e = FImages[size_t(index)];
    QImage img = e.Image.convertToFormat(QImage::Format_ARGB32);
    if (!FMasked) return img;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const uchar* mask = e.Mask.constScanLine(y);
        for (int x = 0; x < img.width(); ++x)
            if (mask[x]) line[x] = 0;
    }
    return img;
}

void TImageList::DrawWithFlags(TCanvas* canvas, int x, int y, int index, unsigned flags) {
    if (!canvas || index < 0 || index >= Count()) return;
    const Entry& e = FImages[size_t(index)];
    QImage out(FWidth, FHeight, QImage::Format_ARGB32);
    const bool transparent = FMasked && (FBkColor == clNone || (flags & ILD_TRANSPARENT));
    const QRgb bk = ToQRgb(FBkColor == clNone ? clWhite : FBkColor);
    for (int yy = 0; yy < FHeight; ++yy) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(yy));
        const uchar* m = e.Mask.constScanLine(yy);
        auto* img = reinterpret_cast<const QRgb*>(e.Image.constScanLine(yy));
        for (int xx = 0; xx < FWidth; ++xx) {
            bool clear = FMasked && m[xx];
            if (flags & ILD_MASK)
                row[xx] = clear ? 0xFFFFFFFFu : 0xFF000000u;
            else if (clear)
                row[xx] = transparent ? 0 : bk;
            else
                row[xx] = img[xx] | 0xFF000000u;
        }
    }
    canvas->DrawImage(Bounds(x, y, FWidth, FHeight), out);
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
    if (!canvas || index < 0 || index >= Count()) return;
    if (enabled) {
        DrawWithFlags(canvas, x, y, index, FDrawingStyle == dsTransparent ? ILD_TRANSPARENT : ILD_NORMAL);
        return;
    }
    const Entry& e = FImages[size_t(index)];
    auto shape = [&](TColor color) {
        QImage out(FWidth, FHeight, QImage::Format_ARGB32);
        QRgb c = ToQRgb(color);
        for (int yy = 0; yy < FHeight; ++yy) {
            auto* row = reinterpret_cast<QRgb*>(out.scanLine(yy));
            const uchar* m = e.Mask.constScanLine(yy);
            auto* img = reinterpret_cast<const QRgb*>(e.Image.constScanLine(yy));
            for (int xx = 0; xx < FWidth; ++xx) {
                bool opaque = !(FMasked && m[xx]);
                row[xx] = opaque && (img[xx] & 0xFFFFFF) != 0xFFFFFF ? c : 0;
            }
        }
        return out;
    };
    canvas->DrawImage(Bounds(x + 1, y + 1, FWidth, FHeight), shape(clBtnHighlight));
    canvas->DrawImage(Bounds(x, y, FWidth, FHeight), shape(clBtnShadow));
}

void TImageList::GetBitmap(int index, TBitmap* image) {
    if (!image) return;
    CheckIndex(index, "GetBitmap");
    image->SetSize(0, 0);
    image->SetSize(FWidth, FHeight);
    Draw(image->Canvas(), 0, 0, index);
}

void TImageList::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChanged) {
        FChanged = false;
        Change();
    }
}

void TImageList::RegisterChanges(TChangeLink* link) {
    if (!link) return;
    link->SetSender(this);
    if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end()) FLinks.push_back(link);
}

void TImageList::UnRegisterChanges(TChangeLink* link) {
    std::erase(FLinks, link);
    if (link && link->Sender() == this) link->SetSender(nullptr);
}

void TImageList::Change() {
    if (FUpdateCount > 0) {
        FChanged = true;
        return;
    }
    for (TChangeLink* l : std::vector<TChangeLink*>(FLinks)) l->Change();
    OnChange(this);
}

namespace platform::graphics {

bool LinkImageList(TComponent* control, TImageList*& field, TImageList* value, TChangeLink* link) {
    if (field == value) return false;
    if (field) {
        field->UnRegisterChanges(link);
        control->RemoveFreeNotification(field);
    }
    field = value;
    if (value) {
        value->RegisterChanges(link);
        control->FreeNotification(value);
    }
    return true;
}

}  // namespace platform::graphics
