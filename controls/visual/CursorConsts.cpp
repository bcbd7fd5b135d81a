#include "controls/visual/CursorConsts.h"

#include "platform/forms/Forms.h"
#include "platform/graphics/Resources.h"

#include <QCursor>
#include <QPixmap>
#include <QtEndian>
#include <cstring>

namespace controls::visual {

namespace {
constexpr int CursorSide = 32;
constexpr int RowBytes = CursorSide / 8;  // 1-bit rows of 32 pixels are already 4-byte aligned

void Put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void Put32(QByteArray& b, int v) {
    Put16(b, v & 0xFFFF);
    Put16(b, (v >> 16) & 0xFFFF);
}
int Get16(const QByteArray& b, int at) { return quint8(b[at]) | (quint8(b[at + 1]) << 8); }
int Get32(const QByteArray& b, int at) { return Get16(b, at) | (Get16(b, at + 2) << 16); }
}  // namespace

QByteArray MakeMonoCursor(const char* const* rows, int rowCount, int hotX, int hotY) {
    QByteArray colour(CursorSide * RowBytes, '\0');
    QByteArray mask(CursorSide * RowBytes, char(0xFF));
    for (int y = 0; y < std::min(rowCount, CursorSide); ++y) {
        const int len = int(std::strlen(rows[y]));
        // Rows are stored bottom-up.
        const int at = (CursorSide - 1 - y) * RowBytes;
        for (int x = 0; x < std::min(len, CursorSide); ++x) {
            const char c = rows[y][x];
            if (c != 'X' && c != 'o') continue;
            const char bit = char(0x80 >> (x % 8));
            mask[at + x / 8] = char(mask[at + x / 8] & ~bit);
            if (c == 'o') colour[at + x / 8] = char(colour[at + x / 8] | bit);
        }
    }
    const int imageSize = 40 + 8 + colour.size() + mask.size();
    QByteArray b;
    Put16(b, 0);
    Put16(b, 2);  // cursor
    Put16(b, 1);
    b.append(char(CursorSide));
    b.append(char(CursorSide));
    b.append(char(2));
    b.append(char(0));
    Put16(b, hotX);
    Put16(b, hotY);
    Put32(b, imageSize);
    Put32(b, 22);
    // Image: information header (height counts both bitmaps), palette, colour rows, mask rows.
    Put32(b, 40);
    Put32(b, CursorSide);
    Put32(b, CursorSide * 2);
    Put16(b, 1);
    Put16(b, 1);
    Put32(b, 0);
    Put32(b, colour.size() + mask.size());
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 2);
    Put32(b, 0);
    Put32(b, 0x000000);
    Put32(b, 0xFFFFFF);
    b.append(colour);
    b.append(mask);
    return b;
}

QImage DecodeMonoCursor(const QByteArray& data, int* hotX, int* hotY) {
    if (data.size() < 22 || Get16(data, 0) != 0 || Get16(data, 2) != 2 || Get16(data, 4) < 1) return {};
    const int offset = Get32(data, 18);
    if (offset < 22 || offset + 40 > data.size()) return {};
    const int w = Get32(data, offset + 4);
    const int h2 = Get32(data, offset + 8);
    const int bpp = Get16(data, offset + 14);
    const int headerSize = Get32(data, offset);
    if (bpp != 1 || w <= 0 || w > 256 || h2 <= 0 || h2 > 512 || headerSize < 40) return {};
    const int h = h2 / 2;
    const int stride = ((w + 31) / 32) * 4;
    const int palette = offset + headerSize;
    const int colourAt = palette + 8;
    const int maskAt = colourAt + stride * h;
    if (maskAt + stride * h > data.size()) return {};
    const QRgb entries[2] = {0xFF000000u | (Get32(data, palette) & 0xFFFFFF),
                             0xFF000000u | (Get32(data, palette + 4) & 0xFFFFFF)};
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        const int row = h - 1 - y;
        for (int x = 0; x < w; ++x) {
            const bool transparent = quint8(data[maskAt + row * stride + x / 8]) & (0x80 >> (x % 8));
            const int index = (quint8(data[colourAt + row * stride + x / 8]) >> (7 - x % 8)) & 1;
            image.setPixel(x, y, transparent ? 0u : entries[index]);
        }
    }
    if (hotX) *hotX = Get16(data, 10);
    if (hotY) *hotY = Get16(data, 12);
    return image;
}

namespace {

// A pointing hand; hot spot at the finger tip.
const char* const HandRows[] = {
    ".....XX...........",
    "....XooX..........",
    "....XooX..........",
    "....XooX..........",
    "....XooX..........",
    "....XooXXX........",
    "....XooXooXXX.....",
    "....XooXooXooXX...",
    ".XX.XooXooXooXoX..",
    "XooXXooooooooXooX.",
    "XoooXoooooooooooX.",
    ".XooooooooooooooX.",
    "..XoooooooooooooX.",
    "..XooooooooooooX..",
    "...XoooooooooooX..",
    "...XooooooooooX...",
    "....XoooooooooX...",
    "....XoooooooooX...",
    "....XXXXXXXXXXX...",
};

// The arrow carrying a button frame; hot spot at the arrow's tip.
const char* const DragRows[] = {
    "X...................",
    "XX..................",
    "XoX.................",
    "XooX................",
    "XoooX...............",
    "XooooX..............",
    "XoooooX.............",
    "XooooooX............",
    "XoooooooX...........",
    "XooooooooX..........",
    "XoooooXXXXX.........",
    "XooXooX.............",
    "XoX.XooX............",
    "XX..XooX............",
    "X....XooX...........",
    ".....XooX...........",
    "......XX............",
    "....................",
    "......XXXXXXXXXXXXXX",
    "......XooooooooooooX",
    "......XooooooooooooX",
    "......XooooooooooooX",
    "......XooooooooooooX",
    "......XooooooooooooX",
    "......XooooooooooooX",
    "......XXXXXXXXXXXXXX",
};

void RegisterOwnCursors() {
    using namespace platform::graphics;
    if (FindResource(ResourceKind::Cursor, QStringLiteral("ZB_HANDCUR")).isNull())
        RegisterResource(ResourceKind::Cursor, QStringLiteral("ZB_HANDCUR"),
                         MakeMonoCursor(HandRows, int(std::size(HandRows)), 5, 0));
    if (FindResource(ResourceKind::Cursor, QStringLiteral("ZB_DRAGCUR")).isNull())
        RegisterResource(ResourceKind::Cursor, QStringLiteral("ZB_DRAGCUR"),
                         MakeMonoCursor(DragRows, int(std::size(DragRows)), 0, 0));
}

void LoadCursor(TCursor id, const QString& name) {
    int hx = 0, hy = 0;
    const QImage image =
        DecodeMonoCursor(platform::graphics::FindResource(platform::graphics::ResourceKind::Cursor, name), &hx, &hy);
    if (image.isNull()) return;
    Screen->SetCursors(id, QCursor(QPixmap::fromImage(image), hx, hy));
}

}  // namespace
}  // namespace controls::visual

void CursorsInit() {
    controls::visual::RegisterOwnCursors();
    controls::visual::LoadCursor(crHand, QStringLiteral("ZB_HANDCUR"));
    controls::visual::LoadCursor(crDragHand, QStringLiteral("ZB_DRAGCUR"));
}
