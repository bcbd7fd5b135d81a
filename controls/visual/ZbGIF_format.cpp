// GIF block reader and writer over byte buffers.
#include "controls/visual/ZbGIF_format.h"

#include "controls/visual/BitmapHelpers.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace controls::visual::gif {

bool TolerantDecoding = true;

const quint8 ExtensionLabels[4] = {0xF9, 0x01, 0xFF, 0xFE};

QString ErrorText(int id) { return ResStr(id); }

void RaiseFormatError(int id) { throw EInvalidGraphicOperation(ErrorText(id)); }

void RaiseReadError() { throw EReadError(ErrorText(61443)); }

quint32 ColorTable::ColorOf(int index) const
{
    const quint8* c = Colors[index];
    return quint32(c[0]) | (quint32(c[1]) << 8) | (quint32(c[2]) << 16);
}

int ColorTable::IndexOf(quint32 color) const
{
    for (int i = 0; i < std::min(Count, 256); ++i)
        if (ColorOf(i) == color) return i;
    return -1;
}

int BitsForColorCount(int count)
{
    for (int bits = 1; bits <= 8; ++bits)
        if (count == (1 << bits)) return bits;
    return 0;
}

int BitsCovering(int count)
{
    int n = 1;
    while (n < 8 && (1 << n) < count) ++n;
    return n;
}

bool IsLoopExtension(const ExtensionBlock& ext, quint16* repeat)
{
    if (ext.Kind != extApplication || ext.Block[0] < 11) return false;
    const char* id = reinterpret_cast<const char*>(ext.Block + 1);
    if (std::memcmp(id, "NETSCAPE2.0", 11) != 0 && std::memcmp(id, "ANIMEXTS1.0", 11) != 0) return false;
    if (ext.Data.empty() || ext.Data[0].size() < 3 || quint8(ext.Data[0][0]) != 1) return false;
    if (repeat) *repeat = quint16(quint8(ext.Data[0][1]) | (quint8(ext.Data[0][2]) << 8));
    return true;
}

namespace {

// Bounds-checked cursor over the file bytes.
class Reader {
public:
    Reader(const char* data, qint64 size) : FData(reinterpret_cast<const quint8*>(data)), FSize(size) {}
    bool AtEnd() const { return FPos >= FSize; }
    qint64 Left() const { return FSize - FPos; }
    quint8 Byte()
    {
        if (FPos >= FSize) RaiseReadError();
        return FData[FPos++];
    }
    quint16 Word()
    {
        quint16 lo = Byte();
        return quint16(lo | (Byte() << 8));
    }
    void Read(void* dest, qint64 n)
    {
        if (n < 0 || n > Left()) RaiseReadError();
        std::memcpy(dest, FData + FPos, size_t(n));
        FPos += n;
    }
    // Sub-blocks until the zero length; a list cut by the end of data fails.
    void SubBlocks(std::vector<QByteArray>& out)
    {
        for (;;) {
            int len = Byte();
            if (len == 0) return;
            if (len > Left()) RaiseReadError();
            out.emplace_back(reinterpret_cast<const char*>(FData + FPos), len);
            FPos += len;
        }
    }
    // Copies the code size byte and the sub-blocks verbatim; false when cut short.
    bool ImageData(QByteArray& out)
    {
        if (AtEnd()) return false;
        const qint64 start = FPos++;
        for (;;) {
            if (AtEnd()) {
                out = Slice(start, FPos);
                return false;
            }
            int len = FData[FPos++];
            if (len == 0) break;
            if (len > Left()) {
                FPos = FSize;
                out = Slice(start, FPos);
                return false;
            }
            FPos += len;
        }
        out = Slice(start, FPos);
        return true;
    }

private:
    QByteArray Slice(qint64 from, qint64 to) const
    {
        return QByteArray(reinterpret_cast<const char*>(FData + from), to - from);
    }
    const quint8* FData;
    qint64 FSize;
    qint64 FPos = 0;
};

void ReadTable(Reader& r, ColorTable& table, int bits)
{
    table.Count = 1 << bits;
    r.Read(table.Colors, qint64(table.Count) * 3);
}

ExtensionBlock ReadExtension(Reader& r, quint8 label)
{
    ExtensionBlock ext;
    int kind = -1;
    for (int k = 0; k < 4; ++k)
        if (ExtensionLabels[k] == label) kind = k;
    if (kind < 0)
        throw EInvalidGraphicOperation(
            ErrorText(61097).replace(QLatin1String("%.2x"), QString::asprintf("%.2x", label)));
    ext.Kind = quint8(kind);
    if (ext.Kind == extComment) {
        ext.HasData = true;
        r.SubBlocks(ext.Data);
        return ext;
    }
    // Fixed part: size byte and that many bytes, of which the first 12 are kept.
    int size = r.Byte();
    quint8 fixed[255];
    r.Read(fixed, size);
    int kept = std::min(size, 12);
    if (ext.Kind == extGraphicControl) kept = 4;  // written back as the standard 4 bytes
    ext.Block[0] = quint8(kept);
    std::memcpy(ext.Block + 1, fixed, size_t(std::min(size, kept)));
    std::vector<QByteArray> data;
    r.SubBlocks(data);
    if (ext.Kind != extGraphicControl) {
        ext.HasData = true;
        ext.Data = std::move(data);
    }
    return ext;
}

void ReadFrame(Reader& r, Document& doc, FrameRecord& f, bool tolerant)
{
    f.Left = r.Word();
    f.Top = r.Word();
    f.Width = r.Word();
    f.Height = r.Word();
    f.Packed = r.Byte();
    f.Interlaced = (f.Packed & 0x40) != 0;
    if (f.Packed & 0x80) {
        f.Bits = quint8((f.Packed & 7) + 1);
        ReadTable(r, f.Table, f.Bits);
        f.LocalTable = true;
    } else {
        f.Table = ColorTable();
        f.LocalTable = false;
    }
    if (!r.ImageData(f.Data)) {
        f.Corrupted = true;
        if (!tolerant) RaiseReadError();
    }
    if (f.Width == 0) f.Width = doc.ScreenWidth;
    if (f.Height == 0) f.Height = doc.ScreenHeight;
    if (!f.LocalTable) f.Table = doc.Global;
    f.Delay = 0;
    for (const ExtensionBlock& e : f.Extensions) {
        if (e.Kind != extGraphicControl) continue;
        const quint8 packed = e.Block[1];
        if (!(packed & 1)) {
            f.TransparentColor = -1;
        } else if (e.Block[4] < f.Table.Count) {
            f.TransparentColor = f.Table.ColorOf(e.Block[4]);
        }
        // Hundredths of a second to milliseconds; too long a delay is clamped.
        const int delay = std::min(65535, (e.Block[2] | (e.Block[3] << 8)) * 10);
        f.Delay = quint16(std::max<int>(f.Delay, delay));
        f.Disposal = quint8((packed & 0x1C) >> 2);
    }
}

}  // namespace

Document ReadDocument(const char* data, qint64 size, bool tolerant)
{
    Document doc;
    Reader r(data, size);
    char sig[3], ver[3];
    if (r.Left() < 6) RaiseFormatError(61092);
    r.Read(sig, 3);
    if (QByteArray(sig, 3).toUpper() != "GIF") RaiseFormatError(61092);
    r.Read(ver, 3);
    const QByteArray v = QByteArray(ver, 3).toLower();
    if (v == "87a") doc.Version = 1;
    else if (v == "89a") doc.Version = 2;
    else RaiseFormatError(61092);

    doc.ScreenWidth = r.Word();
    doc.ScreenHeight = r.Word();
    if (!FitsInBitmap(doc.ScreenWidth, doc.ScreenHeight)) RaiseFormatError(61094);
    const quint8 packed = r.Byte();
    const quint8 background = r.Byte();
    doc.Aspect = r.Byte();
    doc.Bits = quint8((packed & 7) + 1);
    doc.ColorResolution = quint8(((packed & 0x70) >> 4) + 1);
    if (packed & 0x80) {
        ReadTable(r, doc.Global, doc.Bits);
        if (background < doc.Global.Count) doc.BackgroundColor = doc.Global.ColorOf(background);
    }

    std::vector<ExtensionBlock> pending;
    bool hasPending = false;
    quint8 b = r.AtEnd() ? ';' : r.Byte();
    while (b != 0 && b != ';') {
        while (b == '!') {
            ExtensionBlock ext = ReadExtension(r, r.Byte());
            if (ext.Kind == extGraphicControl || ext.Kind == extComment) {
                pending.push_back(std::move(ext));
                hasPending = true;
            } else if (ext.Kind == extPlainText) {
                pending.clear();
                hasPending = false;
            } else {
                quint16 repeat = 0;
                if (IsLoopExtension(ext, &repeat)) {
                    doc.Looping = true;
                    doc.RepeatCount = std::min<quint16>(repeat, 30000);
                }
            }
            b = r.AtEnd() ? ';' : r.Byte();
        }
        if (b != ',') {
            if (doc.Comments.empty() && hasPending) {
                for (const ExtensionBlock& e : pending) {
                    if (e.Kind != extComment) continue;
                    if (!doc.Comments.empty()) doc.Comments.push_back(QByteArray("\r\n\r\n"));
                    doc.Comments.insert(doc.Comments.end(), e.Data.begin(), e.Data.end());
                }
            }
            pending.clear();
            hasPending = false;
            if (b != 0 && b != ';') RaiseReadError();
            break;
        }
        FrameRecord f;
        if (doc.Global.Count > 0) {
            f.Bits = quint8(BitsForColorCount(doc.Global.Count));
            if (f.Bits == 0) RaiseFormatError(61096);
        }
        f.Extensions = std::move(pending);
        pending.clear();
        hasPending = false;
        ReadFrame(r, doc, f, tolerant);
        doc.Frames.push_back(std::move(f));
        b = ';';
        while (!r.AtEnd()) {
            b = r.Byte();
            if (b != 0) break;
            b = ';';
        }
        if (b != '!' && b != ',' && b != ';') break;
    }
    return doc;
}

namespace {

void PutWord(QByteArray& out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

// Stored data cut short by a damaged file is closed so the file stays parseable.
void PutImageData(QByteArray& out, const QByteArray& data)
{
    if (data.isEmpty()) {
        out.append("\x02\x00", 2);
        return;
    }
    const auto* p = reinterpret_cast<const quint8*>(data.constData());
    const qint64 size = data.size();
    qint64 pos = 1;
    while (pos < size) {
        const int len = p[pos];
        if (len == 0) {
            out.append(data.constData(), pos + 1);
            return;
        }
        if (pos + 1 + len > size) break;
        pos += 1 + len;
    }
    out.append(data.constData(), std::min(pos, size));
    if (pos < size) {
        // Inside a cut sub-block: pad it to its announced length.
        const int len = p[pos];
        out.append(QByteArray(int(pos + 1 + len - size), '\0'));
    }
    out.append(char(0));
}

void PutTable(QByteArray& out, const ColorTable& t)
{
    out.append(reinterpret_cast<const char*>(t.Colors), std::min(t.Count, 256) * 3);
}

// Each entry in sub-blocks of at most 255 bytes: a longer line is split, not cut.
void PutSubBlocks(QByteArray& out, const std::vector<QByteArray>& lines)
{
    for (const QByteArray& line : lines) {
        for (qint64 at = 0; at < line.size(); at += 255) {
            const qint64 n = std::min<qint64>(255, line.size() - at);
            out.append(char(n));
            out.append(line.constData() + at, n);
        }
    }
    out.append(char(0));
}

}  // namespace

QByteArray WriteDocument(const Document& doc)
{
    if (doc.Frames.empty()) RaiseFormatError(61098);
    QByteArray out;
    quint8 version = doc.Version;
    bool extensions = !doc.Comments.empty() || (doc.Looping && doc.Frames.size() > 1);
    for (const FrameRecord& f : doc.Frames) extensions = extensions || !f.Extensions.empty();
    if (extensions) version = 2;  // 87a readers know no extension blocks
    if (version < 1 || version > 2) version = 1;
    out.append("GIF");
    out.append(version == 1 ? "87a" : "89a");

    int w = 0, h = 0;
    for (const FrameRecord& f : doc.Frames) {
        w = std::max(w, f.Width + f.Left);
        h = std::max(h, f.Height + f.Top);
    }
    PutWord(out, std::min(w, 65535));
    PutWord(out, std::min(h, 65535));
    quint8 packed = 0, background = 0;
    if (doc.Global.Count > 0) {
        const int tableBits = BitsCovering(doc.Global.Count);
        const int bits = std::clamp<int>(doc.Bits, 1, 8);
        packed = quint8(0x80 | ((tableBits - 1) << 4) | (bits - 1));
        if (doc.BackgroundColor >= 0) background = quint8(std::max(0, doc.Global.IndexOf(quint32(doc.BackgroundColor))));
    }
    out.append(char(packed));
    out.append(char(background));
    out.append(char(doc.Aspect));
    if (doc.Global.Count > 0) {
        // The table written is the size the packed byte announces.
        ColorTable t = doc.Global;
        t.Count = 1 << (std::clamp<int>(doc.Bits, 1, 8));
        PutTable(out, t);
    }

    if (doc.Looping && doc.Frames.size() > 1) {
        out.append("\x21\xFF\x0B", 3);
        out.append("NETSCAPE2.0");
        out.append(char(3));
        out.append(char(1));
        PutWord(out, doc.RepeatCount);
        out.append(char(0));
    }

    for (const FrameRecord& f : doc.Frames) {
        for (const ExtensionBlock& e : f.Extensions) {
            out.append('!');
            out.append(char(ExtensionLabels[e.Kind & 3]));
            if (e.Kind == extGraphicControl) {
                out.append(char(4));
                out.append(reinterpret_cast<const char*>(e.Block + 1), 4);
                out.append(char(0));
                continue;
            }
            if (e.Kind != extComment) {
                const int size = std::min<int>(e.Block[0], 12);
                out.append(char(size));
                out.append(reinterpret_cast<const char*>(e.Block + 1), size);
            }
            PutSubBlocks(out, e.Data);
        }
        out.append(',');
        PutWord(out, f.Left);
        PutWord(out, f.Top);
        PutWord(out, f.Width);
        PutWord(out, f.Height);
        quint8 fp = 0;
        int localBits = 0;
        if (f.LocalTable) {
            localBits = BitsCovering(f.Table.Count);
            fp = quint8(0x80 + (localBits - 1));
        }
        if (f.Interlaced) fp |= 0x40;
        out.append(char(fp));
        if (f.LocalTable) {
            ColorTable t = f.Table;
            t.Count = 1 << localBits;
            PutTable(out, t);
        }
        PutImageData(out, f.Data);
    }

    if (!doc.Comments.empty()) {
        out.append("\x21\xFE", 2);
        PutSubBlocks(out, doc.Comments);
    }
    out.append(';');
    return out;
}

}  // namespace controls::visual::gif
