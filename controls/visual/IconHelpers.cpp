#include "controls/visual/IconHelpers.h"
#include "controls/visual/BitmapHelpers.h"
#include "platform/graphics/LittleEndian.h"

#include "platform/graphics/Clipbrd.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QtEndian>

#include <mutex>

namespace {

const QString kReadError = ResStr(61443);
const QString kResourceError = QStringLiteral("Out of system resources");
const QString kClipboardName = QStringLiteral("Zembra Icon");

constexpr int kSystemIconSize = 32;
// An image of an icon is at most 1024 x 1024 at 32 bits with its mask.
constexpr qint64 kMaxImageBytes = 40 + 1024 * 4 + qint64(1024) * 1024 * 4 + qint64(1024) * 128;

using platform::graphics::le::U16;
using platform::graphics::le::U32;

using platform::graphics::le::Put16;
using platform::graphics::le::Put32;

// An icon exchanged through the clipboard as the bytes of its icon file.
class TClipboardIcon : public TIcon {
public:
    TGraphic* NewInstance() const override { return new TClipboardIcon; }
    void LoadFromClipboardFormat(unsigned format, const QByteArray& data, const TPaletteEntries& palette) override {
        if (format != IconClipboardFormat()) {
            TIcon::LoadFromClipboardFormat(format, data, palette);
            return;
        }
        controls::visual::CheckIconData(data);
        LoadFromBytes(data);
    }
    void SaveToClipboardFormat(unsigned& format, QByteArray& data, TPaletteEntries& palette) override {
        format = IconClipboardFormat();
        data = SaveToBytes();
        palette.clear();
    }
};

std::once_flag gFormatOnce;
quint16 gIconFormat = 0;

}  // namespace

namespace controls::visual {

quint16 DisplayColorCount(int bitsPerPixel) {
    if (bitsPerPixel == 24 || bitsPerPixel <= 0 || bitsPerPixel >= 16) return 0;
    return quint16(1u << bitsPerPixel);
}

int ScreenColorBits() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* screen = QGuiApplication::primaryScreen()) return screen->depth();
    return 32;
}

int ChooseIconEntry(const std::vector<quint16>& colorCounts, quint16 displayColors) {
    int pick = -1;
    quint16 ref = 0;
    for (size_t i = 0; i < colorCounts.size(); ++i) {
        const quint16 colors = colorCounts[i];
        if (colors == displayColors) return int(i);
        if (pick < 0) {
            if (colors <= displayColors) {
                pick = int(i);
                ref = colors;
            }
        } else if (colors > ref) {
            pick = int(i);
        }
    }
    return pick < 0 ? 0 : pick;
}

std::unique_ptr<TIcon> ReadIcon(TStream* stream, int count, qint64 startOffset, int displayBits) {
    if (count < 1) throw EReadError(kReadError);
    QByteArray dir(qsizetype(count) * 16, '\0');
    stream->ReadBuffer(dir.data(), dir.size());
    const auto* d = reinterpret_cast<const uchar*>(dir.constData());

    std::vector<quint16> colors(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) colors[size_t(i)] = U16(d + i * 16 + 2);
    const int pick = ChooseIconEntry(colors, DisplayColorCount(displayBits));
    const uchar* entry = d + pick * 16;
    const quint32 size = U32(entry + 8);
    const quint32 offset = U32(entry + 12);

    // The image's place is counted from the file's start; it must lie inside the stream.
    const qint64 target = stream->Position() + (qint64(offset) - (startOffset + qint64(count) * 16));
    if (size < 40 || qint64(size) > kMaxImageBytes || target < 0 || target + qint64(size) > stream->Size())
        throw EReadError(kReadError);
    stream->SetPosition(target);
    QByteArray image(qsizetype(size), '\0');
    stream->ReadBuffer(image.data(), size);

    // The image alone, as a one-entry icon file.
    QByteArray file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, 1);
    file.append(reinterpret_cast<const char*>(entry), 8);
    Put32(file, size);
    Put32(file, 22);
    file += image;
    auto icon = std::make_unique<TIcon>();
    try {
        icon->LoadFromBytes(file);
    } catch (const Exception&) {
        throw EOutOfResources(kResourceError);
    }
    return icon;
}

void CheckIconData(const QByteArray& data) {
    constexpr int kMaxImages = 256;
    constexpr qint64 kMaxPixels = qint64(16) * 1024 * 1024;
    const auto* d = reinterpret_cast<const uchar*>(data.constData());
    const qint64 n = data.size();
    if (n < 6) throw EReadError(kReadError);
    const int count = U16(d + 4);
    if (count < 1 || count > kMaxImages || 6 + qint64(count) * 16 > n) throw EReadError(kReadError);
    qint64 pixels = 0;
    for (int i = 0; i < count; ++i) {
        const uchar* e = d + 6 + i * 16;
        const qint64 size = U32(e + 8), offset = U32(e + 12);
        if (offset + size > n || size < 24) throw EReadError(kReadError);
        const uchar* img = d + offset;
        qint64 w, h;
        if (img[0] == 0x89 && img[1] == 'P') {  // a PNG image: sizes in its IHDR chunk
            w = qFromBigEndian<quint32>(img + 16);
            h = qFromBigEndian<quint32>(img + 20);
        } else {
            if (size < 40) throw EReadError(kReadError);
            w = qint64(qint32(U32(img + 4)));
            h = qint64(qint32(U32(img + 8))) / 2;
        }
        if (w <= 0 || h <= 0 || w > 1024 || h > 1024) throw EReadError(kReadError);
        pixels += w * h;
        if (pixels > kMaxPixels) throw EReadError(kReadError);
    }
}

std::unique_ptr<TIcon> ApplicationIcon() {
    QImage img(kSystemIconSize, kSystemIconSize, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(2, 4, 27, 23);
    p.fillRect(3, 5, 26, 4, QColor(0, 0, 128));
    p.end();
    auto icon = std::make_unique<TIcon>();
    icon->SetImage(img);
    return icon;
}

}  // namespace controls::visual

std::unique_ptr<TIcon> ReadIcon(TStream* stream, int count, qint64 startOffset) {
    return controls::visual::ReadIcon(stream, count, startOffset, controls::visual::ScreenColorBits());
}

std::unique_ptr<TIcon> CreateRealSizeIcon(TIcon* icon) {
    TMemoryStream data;
    if (icon) icon->SaveToStream(&data);
    data.SetPosition(0);
    uchar header[6] = {};
    // An empty icon saves nothing: it reads as type 0, the system's application icon.
    if (data.Size() >= 6) data.ReadBuffer(header, 6);
    switch (U16(header + 2)) {
    case 0:
        return controls::visual::ApplicationIcon();
    case 1:
        return ReadIcon(&data, U16(header + 4), 6);
    default: {
        auto copy = std::make_unique<TIcon>();
        copy->Assign(icon);
        return copy;
    }
    }
}

void GetIconSize(const TIcon* icon, int& width, int& height) {
    if (!icon || icon->Empty()) {
        width = kSystemIconSize;
        height = kSystemIconSize;
        return;
    }
    width = icon->Width();
    height = icon->Height();
}

quint16 IconClipboardFormat() {
    std::call_once(gFormatOnce, [] { gIconFormat = quint16(RegisterClipboardFormat(kClipboardName)); });
    return gIconFormat;
}

void IconHelpersInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        TPicture::RegisterClipboardFormat(IconClipboardFormat(), TGraphicClass::Of<TClipboardIcon>());
    });
}
