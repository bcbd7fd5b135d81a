#include "controls/visual/AniFile.h"

#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/ColorQuantizer.h"
#include "controls/visual/IcoList.h"
#include "controls/visual/IconHelpers.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"

#include <QtEndian>

#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

const QString kReadError = ResStr(61443);

// Limits against hostile files: a cursor larger than this is not a cursor, and no real one has
// this many frames (frames also need an icon each, so the data bounds them too).
constexpr qint64 kMaxFileSize = qint64(64) * 1024 * 1024;
constexpr qint64 kMaxFrames = 65536;
// The frame strip: beyond this many pixels no bitmap is made.
constexpr qint64 kMaxStripPixels = qint64(64) * 1024 * 1024;

quint16 U16(const char* p) { return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(p)); }
quint32 U32(const char* p) { return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(p)); }

bool IdIs(const TAniTag& tag, const char* id) { return std::memcmp(tag.ckID, id, 4) == 0; }

// The chunk header at pos, when 8 bytes are there.
bool ReadTag(const QByteArray& data, qint64 pos, qint64 end, TAniTag& tag) {
    if (pos < 0 || pos + 8 > end) return false;
    std::memcpy(tag.ckID, data.constData() + pos, 4);
    tag.ckSize = U32(data.constData() + pos + 4);
    return true;
}

qint64 Padded(quint32 size) { return (qint64(size) + 1) & ~qint64(1); }

quint16 ColorsOfBitCount(int bits) {
    switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

QString FixedText(const char* text) { return QString::fromLatin1(text, qsizetype(qstrnlen(text, 256))); }

}  // namespace

// --- TIconFrame

TIconFrame::TIconFrame(int index, quint32 jiffies) : FJiffRate(jiffies), FSeq(index) {}

TIconFrame::~TIconFrame() = default;

void TIconFrame::Assign(TPersistent* source) {
    if (auto* f = dynamic_cast<TIconFrame*>(source)) {
        if (f == this) return;
        if (f->FIcon) {
            if (!FIcon) FIcon = std::make_unique<TIcon>();
            FIcon->Assign(f->FIcon.get());
        } else {
            FIcon.reset();
        }
        FIsIcon = f->FIsIcon;
        FTag = f->FTag;
        FHotSpot = f->FHotSpot;
        FJiffRate = f->FJiffRate;
        FSeq = f->FSeq;
        return;
    }
    TPersistent::Assign(source);
}

// --- TAnimatedCursorImage

TAnimatedCursorImage::TAnimatedCursorImage() = default;
TAnimatedCursorImage::~TAnimatedCursorImage() = default;

void TAnimatedCursorImage::Clear() {
    FFrames.clear();
    std::memset(FTitle, 0, sizeof FTitle);
    std::memset(FAuthor, 0, sizeof FAuthor);
    FHeader = TAniHeader();
    FColorCount = 0;
}

TIconFrame* TAnimatedCursorImage::Frames(int index) const {
    if (index < 0 || index >= Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FFrames[size_t(index)].get();
}

QString TAnimatedCursorImage::Title() const { return FixedText(FTitle); }
QString TAnimatedCursorImage::Author() const { return FixedText(FAuthor); }

void TAnimatedCursorImage::Assign(TPersistent* source) {
    if (auto* a = dynamic_cast<TAnimatedCursorImage*>(source)) {
        if (a == this) return;
        Clear();
        FHeader = a->FHeader;
        std::memcpy(FTitle, a->FTitle, sizeof FTitle);
        std::memcpy(FAuthor, a->FAuthor, sizeof FAuthor);
        FColorCount = a->FColorCount;
        for (const auto& f : a->FFrames) {
            auto copy = std::make_unique<TIconFrame>(f->FSeq, f->FJiffRate);
            copy->Assign(f.get());
            FFrames.push_back(std::move(copy));
        }
        return;
    }
    TPersistent::Assign(source);
}

void TAnimatedCursorImage::AssignTo(TPersistent* dest) {
    if (auto* icon = dynamic_cast<TIcon*>(dest)) {
        icon->Assign(Count() > 0 ? Icons(0) : nullptr);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        if (Count() > 0)
            AssignToBitmap(bitmap, bitmap->Canvas()->Brush()->Color(), true, false);
        else
            bitmap->Assign(nullptr);
        return;
    }
    if (auto* list = dynamic_cast<TIconList*>(dest)) {
        list->BeginUpdate();
        try {
            list->Clear();
            for (const auto& f : FFrames) list->Add(f->Icon());
        } catch (...) {
            list->EndUpdate();
            throw;
        }
        list->EndUpdate();
        return;
    }
    TPersistent::AssignTo(dest);
}

void TAnimatedCursorImage::AssignToBitmap(TBitmap* bitmap, TColor backColor, bool reduce, bool vertical) {
    bitmap->SetSize(0, 0);
    bitmap->Canvas()->Brush()->SetColor(backColor);
    if (Count() == 0) return;
    const int w = Icons(0)->Width(), h = Icons(0)->Height();
    const qint64 length = qint64(vertical ? h : w) * Count();
    if (qint64(vertical ? w : h) * length > kMaxStripPixels || length > INT_MAX)
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    if (vertical)
        bitmap->SetSize(w, int(length));
    else
        bitmap->SetSize(int(length), h);
    TCanvas* canvas = bitmap->Canvas();
    canvas->FillRect(Rect(0, 0, bitmap->Width(), bitmap->Height()));
    for (int i = 0; i < Count(); ++i) {
        TIcon* icon = Icons(i);
        if (!icon) continue;
        if (vertical)
            canvas->Draw(0, i * h, icon);
        else
            canvas->Draw(i * w, 0, icon);
    }
    if (reduce) {
        std::unique_ptr<TMemoryStream> reduced = ReduceColors(bitmap, std::max<int>(FColorCount, 16));
        reduced->SetPosition(0);
        bitmap->LoadFromStream(reduced.get());
    }
}

void TAnimatedCursorImage::SaveToStream(TStream*) { NotImplemented(); }

void TAnimatedCursorImage::LoadFromFile(const QString& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TAnimatedCursorImage::LoadFromStream(TStream* stream) {
    const qint64 left = stream->Size() - stream->Position();
    if (left < 0 || left > kMaxFileSize) throw EReadError(kReadError);
    QByteArray data(qsizetype(left), '\0');
    stream->ReadBuffer(data.data(), left);
    try {
        ReadAniData(data);
    } catch (...) {
        Clear();
        throw;
    }
}

bool TAnimatedCursorImage::ReadIconChunk(const QByteArray& body, const TAniTag& tag, std::unique_ptr<TIcon>& icon,
                                         bool& isIcon, TPoint& hotSpot) {
    (void)tag;
    const qint64 n = body.size();
    if (n < 6) return false;
    // The directory is read from a copy of exactly the chunk's size: an entry read past the chunk
    // is then seen by the address checker of the test builds.
    const std::vector<char> exact(body.begin(), body.end());
    const char* d = exact.data();
    const quint16 type = U16(d + 2);
    const int count = U16(d + 4);
    if (type != 1 && type != 2) return false;
    isIcon = type == 1;
    QByteArray file = body;
    if (type == 2) qToLittleEndian<quint16>(1, file.data() + 2);  // the icon class reads cursors as icons
    if (6 + qint64(count) * 16 > n) return false;
    quint16 colors = FColorCount;
    for (int i = 0; i < count; ++i) {
        const char* e = d + 6 + i * 16;
        const qint64 offset = U32(e + 12);
        if (offset < 0 || offset + 16 > n) return false;
        const quint16 c = ColorsOfBitCount(U16(d + offset + 14));
        if (c > colors) colors = c;
        hotSpot = Point(U16(e + 4), U16(e + 6));
    }
    try {
        controls::visual::CheckIconData(file);
        auto loaded = std::make_unique<TIcon>();
        loaded->LoadFromBytes(file);
        icon = std::move(loaded);
    } catch (const Exception&) {
        return false;
    }
    FColorCount = colors;
    if (isIcon) hotSpot = Point(icon->Width() / 2, icon->Height() / 2);
    return true;
}

void TAnimatedCursorImage::ReadAniData(const QByteArray& data) {
    const qint64 total = data.size();
    const char* bytes = data.constData();
    TAniTag riff;
    if (!ReadTag(data, 0, total, riff) || !IdIs(riff, "RIFF") || total < 12 || std::memcmp(bytes + 8, "ACON", 4) != 0)
        throw EReadError(kReadError);
    Clear();
    // Frames are built once the whole file is read, so that the order of the chunks plays no part.
    const qint64 frameLimit = std::min(kMaxFrames, total / 8);
    bool haveHeader = false;
    std::vector<quint32> rates, seqs;
    struct TReadIcon {
        std::unique_ptr<TIcon> Icon;
        bool IsIcon = false;
        TAniTag Tag;
        TPoint HotSpot;
    };
    std::vector<TReadIcon> icons;

    // A "rate" or "seq " chunk holds one value per step; several chunks go on where the last ended.
    auto readValues = [&](std::vector<quint32>& values, qint64 body, qint64 bodyEnd) {
        for (qint64 p = body; p + 4 <= bodyEnd && qint64(values.size()) < frameLimit; p += 4)
            values.push_back(U32(bytes + p));
    };

    qint64 pos = 12;
    TAniTag tag;
    while (ReadTag(data, pos, total, tag)) {
        const qint64 body = pos + 8;
        const qint64 bodyEnd = std::min(total, body + qint64(tag.ckSize));
        const qint64 next = body + Padded(tag.ckSize);
        if (IdIs(tag, "anih")) {
            const qint64 n = std::min<qint64>(bodyEnd - body, 36);
            char header[36] = {};
            std::memcpy(header, bytes + body, size_t(n));
            quint32 f[9];
            for (int i = 0; i < 9; ++i) f[i] = U32(header + 4 * i);
            FHeader = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]};
            if ((FHeader.fl & 1) == 0 || FHeader.cSteps == 0) throw EReadError(kReadError);
            haveHeader = true;
        } else if (IdIs(tag, "rate")) {
            readValues(rates, body, bodyEnd);
        } else if (IdIs(tag, "seq ")) {
            readValues(seqs, body, bodyEnd);
        } else if (IdIs(tag, "LIST") && bodyEnd - body >= 4) {
            const qint64 listEnd = bodyEnd;
            qint64 sub = body + 4;
            TAniTag st;
            if (std::memcmp(bytes + body, "fram", 4) == 0) {
                while (ReadTag(data, sub, listEnd, st)) {
                    const qint64 subBody = sub + 8;
                    if (IdIs(st, "icon")) {
                        if (qint64(st.ckSize) > listEnd - subBody || qint64(icons.size()) >= frameLimit) break;
                        TReadIcon icon;
                        icon.Tag = st;
                        if (!ReadIconChunk(data.mid(subBody, st.ckSize), st, icon.Icon, icon.IsIcon, icon.HotSpot))
                            break;
                        icons.push_back(std::move(icon));
                    }
                    sub = subBody + Padded(st.ckSize);
                }
            } else if (std::memcmp(bytes + body, "INFO", 4) == 0) {
                while (ReadTag(data, sub, listEnd, st)) {
                    const qint64 subBody = sub + 8;
                    if (qint64(st.ckSize) > listEnd - subBody) break;
                    const bool title = IdIs(st, "INAM");
                    if (title || IdIs(st, "IART")) {
                        char* target = title ? FTitle : FAuthor;
                        std::memset(target, 0, 256);
                        std::memcpy(target, bytes + subBody, size_t(std::min<qint64>(st.ckSize, 255)));
                    }
                    sub = subBody + Padded(st.ckSize);
                }
            }
        }
        if (next > total) break;
        pos = next;
    }

    // One frame per step: step j shows icon seqs[j] (icon j without a sequence) for rates[j]
    // jiffies (the header's rate without one).
    const qint64 steps = haveHeader ? std::max<qint64>(std::min<qint64>(FHeader.cFrames, frameLimit), qint64(seqs.size())) : 0;
    std::vector<bool> shown(icons.size(), false);
    for (qint64 j = 0; j < steps; ++j) {
        const qint64 seq = j < qint64(seqs.size()) ? qint64(seqs[size_t(j)]) : j;
        const quint32 rate = j < qint64(rates.size()) ? rates[size_t(j)] : FHeader.jifRate;
        auto frame = std::make_unique<TIconFrame>(int(std::min<qint64>(seq, INT_MAX)), rate);
        if (seq >= 0 && seq < qint64(icons.size())) {
            const TReadIcon& icon = icons[size_t(seq)];
            frame->FIcon = std::make_unique<TIcon>();
            frame->FIcon->Assign(icon.Icon.get());
            frame->FIsIcon = icon.IsIcon;
            frame->FTag = icon.Tag;
            frame->FHotSpot = icon.HotSpot;
            shown[size_t(seq)] = true;
        }
        FFrames.push_back(std::move(frame));
    }
    // An icon that no step shows gets a frame of its own at the end.
    for (size_t i = 0; i < icons.size(); ++i) {
        if (shown[i]) continue;
        auto frame = std::make_unique<TIconFrame>(-1, FHeader.jifRate);
        frame->FIcon = std::move(icons[i].Icon);
        frame->FIsIcon = icons[i].IsIcon;
        frame->FTag = icons[i].Tag;
        frame->FHotSpot = icons[i].HotSpot;
        FFrames.push_back(std::move(frame));
    }

    for (int i = Count() - 1; i >= 0; --i)
        if (!FFrames[size_t(i)]->FIcon) FFrames.erase(FFrames.begin() + i);
    FHeader.cSteps = quint32(Count());
    if (Count() == 0) throw EReadError(kReadError);
}
