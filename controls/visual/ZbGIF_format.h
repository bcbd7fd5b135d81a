#pragma once
// Byte level of the GIF format: the LZW codec and the block reader and writer.
// Works on plain buffers so that the image classes (ZbGIF.h) only map fields.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace controls::visual::gif {

// Stage 0 starting, 1 running, 2 ending; on the ending stage the message of the
// exception that stopped the work, if any.
using Progress = std::function<void(int stage, int percent, const QString& message)>;

// Error texts of the format (string table 61092..61099) and the stream error.
QString ErrorText(int id);
[[noreturn]] void RaiseFormatError(int id);
[[noreturn]] void RaiseReadError();

// The unit-wide tolerant decoding switch (on at start).
extern bool TolerantDecoding;

// Largest frame (in pixels) a reader will ever decode: hostile files may claim
// 65535 x 65535 and must not make us allocate gigabytes.
constexpr qint64 MaxFramePixels = qint64(1) << 26;
// Longest side of any bitmap the image classes make.
constexpr int MaxSide = 32767;
// A frame or logical screen of this size can be held in a bitmap.
inline bool FitsInBitmap(qint64 width, qint64 height)
{
    return width <= MaxSide && height <= MaxSide && width * height <= MaxFramePixels;
}

struct ColorTable {
    qint32 Count = 0;
    quint8 Colors[256][3] = {};  // red, green, blue
    // 0x00BBGGRR of an entry, as the class library's colour values.
    quint32 ColorOf(int index) const;
    // First entry equal to the colour, -1 when none.
    int IndexOf(quint32 color) const;
};

// Bits per pixel for an accepted colour count (2..256, powers of two); 0 otherwise.
int BitsForColorCount(int count);
// Smallest n from 1 with 2^n >= count.
int BitsCovering(int count);

enum ExtensionKind : quint8 { extGraphicControl = 0, extPlainText = 1, extApplication = 2, extComment = 3 };
extern const quint8 ExtensionLabels[4];

struct ExtensionBlock {
    quint8 Kind = extGraphicControl;
    bool HasData = false;            // the data sub-block list exists
    std::vector<QByteArray> Data;    // one entry per sub-block as read
    quint8 Block[13] = {};           // size byte and up to 12 bytes
};

struct FrameRecord {
    quint16 Left = 0, Top = 0, Width = 0, Height = 0;
    quint8 Packed = 0;
    quint8 Bits = 0;
    bool Interlaced = false;
    bool LocalTable = false;
    bool Corrupted = false;
    ColorTable Table;
    QByteArray Data;                 // code size byte, sub-blocks and terminator
    std::vector<ExtensionBlock> Extensions;
    // Derived from the graphic-control extensions by the reader.
    qint64 TransparentColor = -1;    // 0x00BBGGRR or -1
    quint16 Delay = 0;               // milliseconds
    quint8 Disposal = 0;
};

struct Document {
    quint8 Version = 0;              // 0 none, 1 "87a", 2 "89a"
    quint16 ScreenWidth = 0, ScreenHeight = 0;
    quint8 Aspect = 0;
    quint8 Bits = 0;                 // of the global table
    quint8 ColorResolution = 0;
    ColorTable Global;
    qint64 BackgroundColor = -1;     // 0x00BBGGRR or -1
    bool Looping = false;
    quint16 RepeatCount = 1;
    std::vector<QByteArray> Comments;
    std::vector<FrameRecord> Frames;
};

// Whole-file reading; raises EInvalidGraphicOperation or EReadError. A logical screen too large
// for a bitmap is refused (61094) like a frame that large.
Document ReadDocument(const char* data, qint64 size, bool tolerant);
// Whole-file writing of frames that all have compressed data and up-to-date
// extensions; raises 61098 without frames.
QByteArray WriteDocument(const Document& doc);

// Loop-extension test on an application extension.
bool IsLoopExtension(const ExtensionBlock& ext, quint16* repeat);

// Decodes one frame's compressed data into a bottom-up device-independent bitmap
// of outBits (1, 4 or 8) bits per pixel whose lines are stride bytes apart.
// Returns the corrupted flag; rows not reached keep their content.
bool DecodeFrame(const QByteArray& data, int width, int height, int outBits, bool interlaced,
                 bool tolerant, const Progress& progress, quint8* dib, int stride);

// Decodes a frame record into a new bottom-up bitmap of outBits bits per pixel,
// filled with zeros where the data does not reach. A frame larger than
// MaxFramePixels is refused with 61094 before anything is allocated.
std::vector<quint8> DecodeFrameBits(const FrameRecord& frame, int outBits, bool tolerant, const Progress& progress,
                                    bool* corrupted);

// Encodes a bottom-up device-independent bitmap of 1, 4 or 8 bits per pixel:
// appends the code size byte, the sub-blocks and the terminator to out.
void EncodeFrame(QByteArray& out, const quint8* dib, int stride, int width, int height, int bits,
                 bool interlaced, const Progress& progress);

// Bytes per line of a device-independent bitmap, padded to 32 bits.
inline int DIBStride(int width, int bits) { return int(((qint64(width) * bits + 31) / 32) * 4); }

// Row r (0 = top) of a frame in file order: plain or interlaced pass order.
// Calls f(row) for every row in the order rows are stored.
template <class F> void ForEachStoredRow(int height, bool interlaced, F f)
{
    if (!interlaced) {
        for (int r = 0; r < height; ++r) f(r);
        return;
    }
    static const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
        for (int r = starts[p]; r < height; r += steps[p]) f(r);
}

}  // namespace controls::visual::gif
