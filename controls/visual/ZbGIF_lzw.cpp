// LZW decoder and encoder of GIF frames.
#include "controls/visual/ZbGIF_format.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace controls::visual::gif {

namespace {

constexpr int MaxCodes = 4096;

// Hands out decoded pixels row by row in file order and packs each finished row
// into its bottom-up line of the bitmap.
class RowWriter {
public:
    RowWriter(int width, int height, int bits, bool interlaced, quint8* dib, int stride)
        : FWidth(width), FHeight(height), FBits(bits), FInterlaced(interlaced), FDib(dib),
          FStride(stride), FRow(width > 0 ? size_t(width) : 1)
    {
        FMask = quint8((1u << bits) - 1);
        FDone = width <= 0 || height <= 0;
    }
    bool Done() const { return FDone; }
    int RowsDone() const { return FRowsDone; }
    void Put(quint8 v)
    {
        FRow[size_t(FCol++)] = v & FMask;
        if (FCol == FWidth) FlushRow();
    }
    // Writes len pixels from p (already in output order).
    void PutRun(const quint8* p, int len)
    {
        while (len > 0 && !FDone) {
            int n = std::min(len, FWidth - FCol);
            quint8* d = FRow.data() + FCol;
            for (int i = 0; i < n; ++i) d[i] = p[i] & FMask;
            FCol += n;
            p += n;
            len -= n;
            if (FCol == FWidth) FlushRow();
        }
    }

    // Writes the pixels of a row left unfinished; the rest of its line stays.
    void FlushPartial()
    {
        if (FDone || FCol == 0) return;
        quint8* line = FDib + qint64(FHeight - 1 - FCurrent) * FStride;
        for (int x = 0; x < FCol; ++x) {
            const quint8 v = FRow[size_t(x)];
            if (FBits == 8) {
                line[x] = v;
            } else if (FBits == 4) {
                line[x / 2] = (x & 1) ? quint8((line[x / 2] & 0xF0) | v) : quint8((line[x / 2] & 0x0F) | (v << 4));
            } else {
                const quint8 bit = quint8(0x80 >> (x & 7));
                line[x / 8] = v ? quint8(line[x / 8] | bit) : quint8(line[x / 8] & ~bit);
            }
        }
        FCol = 0;
    }

private:
    void FlushRow()
    {
        FCol = 0;
        quint8* line = FDib + qint64(FHeight - 1 - FCurrent) * FStride;
        const quint8* s = FRow.data();
        if (FBits == 8) {
            std::memcpy(line, s, size_t(FWidth));
        } else if (FBits == 4) {
            int x = 0;
            for (; x + 1 < FWidth; x += 2) line[x / 2] = quint8((s[x] << 4) | s[x + 1]);
            if (x < FWidth) line[x / 2] = quint8((line[x / 2] & 0x0F) | (s[x] << 4));
        } else {
            int x = 0;
            for (; x + 7 < FWidth; x += 8) {
                quint8 b = 0;
                for (int k = 0; k < 8; ++k) b = quint8((b << 1) | s[x + k]);
                line[x / 8] = b;
            }
            if (x < FWidth) {
                quint8 b = line[x / 8];
                for (int k = 0; x + k < FWidth; ++k) {
                    quint8 bit = quint8(0x80 >> k);
                    b = s[x + k] ? quint8(b | bit) : quint8(b & ~bit);
                }
                line[x / 8] = b;
            }
        }
        ++FRowsDone;
        NextRow();
    }
    void NextRow()
    {
        static const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
        if (!FInterlaced) {
            if (++FCurrent >= FHeight) FDone = true;
            return;
        }
        FCurrent += steps[FPass];
        while (FCurrent >= FHeight) {
            if (++FPass >= 4) {
                FDone = true;
                return;
            }
            FCurrent = starts[FPass];
        }
    }

    int FWidth, FHeight, FBits;
    bool FInterlaced;
    quint8* FDib;
    int FStride;
    std::vector<quint8> FRow;
    quint8 FMask = 0xFF;
    int FCol = 0, FCurrent = 0, FPass = 0, FRowsDone = 0;
    bool FDone = false;
};

// Concatenates the data sub-blocks; flags a list that is cut short.
void CollectSubBlocks(const QByteArray& data, std::vector<quint8>& raw, bool& cut)
{
    const auto* p = reinterpret_cast<const quint8*>(data.constData());
    qint64 size = data.size(), pos = 1;
    raw.reserve(size_t(std::max<qint64>(size, 0)) + 8);
    cut = true;
    while (pos < size) {
        int len = p[pos++];
        if (len == 0) {
            cut = false;
            break;
        }
        qint64 n = std::min<qint64>(len, size - pos);
        raw.insert(raw.end(), p + pos, p + pos + n);
        pos += n;
        if (n < len) break;
    }
}

}  // namespace

bool DecodeFrame(const QByteArray& data, int width, int height, int outBits, bool interlaced,
                 bool tolerant, const Progress& progress, quint8* dib, int stride)
{
    bool corrupted = false;
    QString stopMessage;
    if (progress) progress(0, 0, QString());
    try {
        if (data.isEmpty()) {
            if (!tolerant) RaiseFormatError(61094);
            corrupted = true;
        } else {
            int minSize = quint8(data[0]);
            if (minSize < 2 || minSize > 9) {
                if (!tolerant) RaiseFormatError(61095);
                corrupted = true;
                minSize = std::clamp(minSize, 2, 9);
            }
            std::vector<quint8> raw;
            bool cut = false;
            CollectSubBlocks(data, raw, cut);
            const size_t rawSize = raw.size();
            raw.resize(rawSize + 4, 0);

            RowWriter out(width, height, outBits, interlaced, dib, stride);
            std::unique_ptr<quint16[]> prefix(new quint16[MaxCodes]);
            std::unique_ptr<quint8[]> suffix(new quint8[MaxCodes]);
            std::unique_ptr<quint8[]> stack(new quint8[MaxCodes + 1]);
            const int clear = 1 << minSize, end = clear + 1, firstFree = clear + 2;
            for (int i = 0; i < clear; ++i) {
                prefix[size_t(i)] = 0;
                suffix[size_t(i)] = quint8(i);
            }
            int codeSize = minSize + 1, limit = 1 << codeSize, mask = limit - 1;
            int nextFree = firstFree, oldCode = -1;
            quint8 firstChar = 0;
            bool tableFull = false;
            size_t pos = 0;
            quint32 buf = 0;
            int bitCount = 0;
            int lastPercent = -1;
            // A missing first clear code is taken as if it were there.
            auto readCode = [&](int& code) -> bool {
                while (bitCount < codeSize) {
                    if (pos >= rawSize) return false;
                    buf |= quint32(raw[pos++]) << bitCount;
                    bitCount += 8;
                }
                code = int(buf & quint32(mask));
                buf >>= codeSize;
                bitCount -= codeSize;
                return true;
            };
            auto fail = [&]() {
                if (!tolerant) RaiseFormatError(61094);
                corrupted = true;
            };
            while (!out.Done() && !corrupted) {
                int code;
                if (!readCode(code)) {
                    fail();  // data ends before the last row
                    break;
                }
                if (code == end) {
                    if (!out.Done()) fail();
                    break;
                }
                if (code == clear) {
                    codeSize = minSize + 1;
                    limit = 1 << codeSize;
                    mask = limit - 1;
                    nextFree = firstFree;
                    tableFull = false;
                    oldCode = -1;
                    continue;
                }
                if (oldCode < 0) {
                    // First code of a table: must be a literal.
                    if (code >= clear) {
                        fail();
                        break;
                    }
                    firstChar = quint8(code);
                    oldCode = code;
                    out.Put(firstChar);
                } else {
                    int inCode = code, sp = 0;
                    if (code >= firstFree && code >= nextFree) {
                        if (code > nextFree || tableFull) {
                            fail();  // beyond the next free code
                            break;
                        }
                        stack[size_t(sp++)] = firstChar;
                        code = oldCode;
                    }
                    while (code >= firstFree) {
                        if (sp >= MaxCodes) {
                            fail();
                            break;
                        }
                        stack[size_t(sp++)] = suffix[size_t(code)];
                        code = prefix[size_t(code)];
                    }
                    if (corrupted) break;
                    firstChar = quint8(code);
                    stack[size_t(sp++)] = firstChar;
                    // The stack holds the string reversed.
                    std::reverse(stack.get(), stack.get() + sp);
                    out.PutRun(stack.get(), sp);
                    if (!tableFull) {
                        prefix[size_t(nextFree)] = quint16(oldCode);
                        suffix[size_t(nextFree)] = firstChar;
                        ++nextFree;
                        if (nextFree >= limit) {
                            if (codeSize >= 12) {
                                tableFull = true;
                            } else {
                                ++codeSize;
                                limit <<= 1;
                                mask = limit - 1;
                            }
                        }
                    }
                    oldCode = inCode;
                }
                if (progress && height > 0) {
                    int percent = int(qint64(out.RowsDone()) * 100 / height);
                    if (percent != lastPercent) {
                        lastPercent = percent;
                        progress(1, percent, QString());
                    }
                }
            }
            out.FlushPartial();
            (void)cut;  // a cut list shows as data that ends before the last row
        }
    } catch (const Exception& e) {
        stopMessage = e.Message();
        if (progress) progress(2, 100, stopMessage);
        throw;
    }
    if (progress) progress(2, 100, stopMessage);
    return corrupted;
}

std::vector<quint8> DecodeFrameBits(const FrameRecord& frame, int outBits, bool tolerant, const Progress& progress,
                                    bool* corrupted)
{
    if (outBits != 1 && outBits != 4 && outBits != 8) RaiseFormatError(61096);
    if (!FitsInBitmap(frame.Width, frame.Height)) RaiseFormatError(61094);
    const int stride = DIBStride(frame.Width, outBits);
    std::vector<quint8> dib(size_t(stride) * frame.Height, 0);
    const bool c = DecodeFrame(frame.Data, frame.Width, frame.Height, outBits, frame.Interlaced, tolerant, progress,
                               dib.data(), stride);
    if (corrupted) *corrupted = c || frame.Corrupted;
    return dib;
}

namespace {

// Strings known to the encoder: open addressing on (prefix code, next pixel), twice as many
// slots as codes so probes stay short. A slot holds the key above the code's 12 bits.
class StringTable {
public:
    StringTable() : FSlots(Size, Empty) {}
    void Clear() { std::fill(FSlots.begin(), FSlots.end(), Empty); }
    // The code of prefix+c, or -1 with slot set where it goes.
    int Find(int prefix, int c, int& slot) const
    {
        const quint32 key = (quint32(prefix) << 8) | quint32(c);
        quint32 i = (key * 2654435761u) >> (32 - Bits);
        for (;;) {
            const quint32 e = FSlots[i];
            if (e == Empty) {
                slot = int(i);
                return -1;
            }
            if ((e >> 12) == key) return int(e & 0xFFF);
            i = (i + 1) & (Size - 1);
        }
    }
    void Put(int slot, int prefix, int c, int code)
    {
        FSlots[size_t(slot)] = (((quint32(prefix) << 8) | quint32(c)) << 12) | quint32(code);
    }

private:
    static constexpr int Bits = 13, Size = 1 << Bits;
    // No entry reaches it: codes stay below 4095.
    static constexpr quint32 Empty = 0xFFFFFFFFu;
    std::vector<quint32> FSlots;
};

class BitPacker {
public:
    explicit BitPacker(QByteArray& out) : FOut(out) {}
    void Put(int code, int size)
    {
        FAcc |= quint64(quint32(code)) << FBits;
        FBits += size;
        while (FBits >= 8) {
            FBlock[FLen++] = quint8(FAcc);
            FAcc >>= 8;
            FBits -= 8;
            if (FLen == 255) WriteBlock();
        }
    }
    void Flush()
    {
        if (FBits > 0) {
            FBlock[FLen++] = quint8(FAcc);
            FAcc = 0;
            FBits = 0;
        }
        if (FLen > 0) WriteBlock();
        FOut.append(char(0));
    }

private:
    void WriteBlock()
    {
        FOut.append(char(FLen));
        FOut.append(reinterpret_cast<const char*>(FBlock), FLen);
        FLen = 0;
    }
    QByteArray& FOut;
    quint64 FAcc = 0;
    int FBits = 0;
    quint8 FBlock[256];
    int FLen = 0;
};

}  // namespace

void EncodeFrame(QByteArray& out, const quint8* dib, int stride, int width, int height, int bits,
                 bool interlaced, const Progress& progress)
{
    if (bits != 1 && bits != 4 && bits != 8) RaiseFormatError(61093);
    const int initSize = bits == 1 ? 3 : bits + 1;
    const int minSize = initSize - 1;
    const int clear = 1 << minSize, end = clear + 1;
    int codeSize = initSize, limit = 1 << initSize, nextFree = end;
    out.append(char(minSize));
    BitPacker packer(out);
    StringTable table;
    std::vector<quint8> row(size_t(std::max(width, 1)));
    if (progress) progress(0, 0, QString());

    packer.Put(clear, codeSize);
    int cur = -1, rowsDone = 0;
    ForEachStoredRow(height, interlaced, [&](int r) {
        const quint8* line = dib + qint64(height - 1 - r) * stride;
        const quint8* px = line;
        if (bits == 4) {
            for (int x = 0; x < width; ++x) row[size_t(x)] = (x & 1) ? (line[x / 2] & 0x0F) : (line[x / 2] >> 4);
            px = row.data();
        } else if (bits == 1) {
            for (int x = 0; x < width; ++x) row[size_t(x)] = (line[x / 8] >> (7 - (x & 7))) & 1;
            px = row.data();
        }
        int x = 0;
        if (cur < 0 && width > 0) cur = px[x++];
        for (; x < width; ++x) {
            const int c = px[x];
            int slot = 0;
            const int code = table.Find(cur, c, slot);
            if (code >= 0) {
                cur = code;
                continue;
            }
            packer.Put(cur, codeSize);
            ++nextFree;
            table.Put(slot, cur, c, nextFree);
            cur = c;
            if (nextFree < limit) {
                if (nextFree >= 4094) {
                    // Table nearly full: start over so no code grows past 12 bits.
                    packer.Put(cur, codeSize);
                    packer.Put(clear, codeSize);
                    cur = -1;
                    nextFree = end;
                    codeSize = initSize;
                    limit = 1 << initSize;
                    table.Clear();
                    if (x + 1 < width) cur = px[++x];
                }
            } else {
                limit <<= 1;
                ++codeSize;
            }
        }
        ++rowsDone;
        if (progress && height > 0) progress(1, int(qint64(rowsDone) * 100 / height), QString());
    });
    if (cur >= 0) packer.Put(cur, codeSize);
    packer.Put(end, codeSize);
    packer.Flush();
    if (progress) progress(2, 100, QString());
}

}  // namespace controls::visual::gif
