// GIF image and frame classes over the byte-level reader, writer and codec.
#include "controls/visual/ZbGIF.h"
#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/AniFile.h"

#include "controls/visual/ColorQuantizer.h"
#include "platform/graphics/Clipbrd.h"
#include "platform/rtl/Exceptions.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

using namespace controls::visual;

namespace {

// Comments are text: UTF-8 when the bytes are valid UTF-8, else Latin-1 (older files).
// Other extension data are bytes and travel as Latin-1, one character per byte.
QString BytesToText(const QByteArray& bytes, bool comment)
{
    if (comment) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString s = utf8.decode(bytes);
        if (!utf8.hasError()) return s;
    }
    return QString::fromLatin1(bytes);
}

QByteArray TextToBytes(const QString& text, bool comment)
{
    return comment ? text.toUtf8() : text.toLatin1();
}

quint32 RgbOf(TColor color) { return quint32(ColorToRGB(color)) & 0xFFFFFF; }

quint32 U32(const uchar* p) { return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24; }

// The bytes are held in a buffer of exactly their size (no terminator, no spare room), so a reader
// that overruns them is caught by the memory checker of the test builds.
std::vector<char> ReadRest(TStream* stream)
{
    const qint64 size = std::max<qint64>(0, stream->Size() - stream->Position());
    std::vector<char> bytes(size_t(size), '\0');
    if (size > 0) stream->ReadBuffer(bytes.data(), size);
    return bytes;
}

// 32-bit length and that many bytes; a length past the data is a read error.
std::vector<char> ReadWithLength(TStream* stream)
{
    qint32 length = 0;
    stream->ReadBuffer(&length, 4);
    if (length < 0 || length > stream->Size() - stream->Position()) gif::RaiseReadError();
    std::vector<char> bytes(size_t(length), '\0');
    if (length > 0) stream->ReadBuffer(bytes.data(), length);
    return bytes;
}

QByteArray WithLength(const QByteArray& bytes)
{
    QByteArray out(4, '\0');
    const quint32 n = quint32(bytes.size());
    for (int i = 0; i < 4; ++i) out[i] = char((n >> (8 * i)) & 0xFF);
    return out + bytes;
}

struct Registrar {
    Registrar()
    {
        TPicture::RegisterFileFormat(QStringLiteral("gif"), ResStr(61100),
                                     TGraphicClass::Of<TGIFImage>());
        TPicture::RegisterClipboardFormat(CF_GIF(), TGraphicClass::Of<TGIFImage>());
    }
};
const Registrar registrar;

}  // namespace

unsigned CF_GIF()
{
    static const unsigned format = RegisterClipboardFormat(QStringLiteral("GIF Image"));
    return format;
}

// ---------------------------------------------------------------- TExtension

void TExtension::Assign(TPersistent* source)
{
    if (auto* e = dynamic_cast<TExtension*>(source)) {
        if (e == this) return;
        FExtType = e->FExtType;
        std::memcpy(FExtRec, e->FExtRec, sizeof FExtRec);
        if (e->FData) {
            if (!FData) FData = std::make_unique<TStringList>();
            FData->Assign(e->FData.get());
        } else {
            FData.reset();
        }
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------- TGIFFrame

TGIFFrame::TGIFFrame(TGIFImage* owner) : FOwner(owner) { NewImage(); }

TGIFFrame::~TGIFFrame() = default;

void TGIFFrame::NewImage()
{
    FImage = std::make_shared<TGIFItem>();
    FGrayscale = false;
    FCorrupted = false;
    FTransparentColor = clNone;
    FTopLeft = TPoint{0, 0};
    FInterlaced = false;
    FAnimateInterval = 0;
    FDisposal = 0;
    FLocalColors = false;
}

void TGIFFrame::NewBitmap() { FBitmap = std::make_unique<TBitmap>(); }

int TGIFFrame::Width() const
{
    if (FBitmap && !FBitmap->Empty()) return FBitmap->Width();
    return HasData() ? FImage->FSize.X : 0;
}

int TGIFFrame::Height() const
{
    if (FBitmap && !FBitmap->Empty()) return FBitmap->Height();
    return HasData() ? FImage->FSize.Y : 0;
}

void TGIFFrame::SetOrigin(TPoint p)
{
    FTopLeft = TPoint{std::clamp(p.X, 0, 65535), std::clamp(p.Y, 0, 65535)};
}

void TGIFFrame::SetTransparentColor(TColor value) { FTransparentColor = value; }

void TGIFFrame::SetAnimateInterval(int milliseconds) { FAnimateInterval = quint16(std::clamp(milliseconds, 0, 65535)); }

void TGIFFrame::SetDisposalMethod(quint8 value) { FDisposal = quint8(value & 7); }

TBitmap* TGIFFrame::Bitmap()
{
    if (FBitmap && !FBitmap->Empty()) return FBitmap.get();
    if (!FImage->FImageData) return FBitmap.get();
    const int frameBits = FImage->FBitsPerPixel;
    int bits;
    if (frameBits == 1) bits = 1;
    else if (frameBits >= 2 && frameBits <= 4) bits = 4;
    else if (frameBits >= 5 && frameBits <= 8) bits = 8;
    else gif::RaiseFormatError(61096);
    gif::FrameRecord record;
    record.Width = quint16(FImage->FSize.X);
    record.Height = quint16(FImage->FSize.Y);
    record.Interlaced = FInterlaced;
    record.Data = FImage->FImageData->Bytes();
    NewBitmap();
    if (record.Width == 0 || record.Height == 0) return FBitmap.get();
    bool corrupted = false;
    const std::vector<quint8> dib = gif::DecodeFrameBits(record, bits, TolerantGIFDecoding,
                                                         FOwner ? FOwner->ProgressHandler() : nullptr, &corrupted);
    FCorrupted = FCorrupted || corrupted;
    quant::PaletteBlock palette;
    std::memset(palette, 128, sizeof palette);
    const gif::ColorTable& table = FImage->FColorMap;
    for (int i = 0; i < std::min(table.Count, 256); ++i) {
        palette[i][0] = table.Colors[i][2];
        palette[i][1] = table.Colors[i][1];
        palette[i][2] = table.Colors[i][0];
        palette[i][3] = 0;
    }
    FBitmap->LoadFromBytes(quant::MakeBMP(record.Width, record.Height, bits, &palette, 0, dib.data(),
                                          gif::DIBStride(record.Width, bits)));
    return FBitmap.get();
}

TExtension* TGIFFrame::FindComment(bool create)
{
    for (auto it = FExtensions.rbegin(); it != FExtensions.rend(); ++it)
        if ((*it)->FExtType == gif::extComment) {
            if (!(*it)->FData) (*it)->FData = std::make_unique<TStringList>();
            return it->get();
        }
    if (!create) return nullptr;
    auto ext = std::make_unique<TExtension>();
    ext->FExtType = gif::extComment;
    ext->FData = std::make_unique<TStringList>();
    FExtensions.push_back(std::move(ext));
    return FExtensions.back().get();
}

TStrings* TGIFFrame::Comment() { return FindComment(true)->FData.get(); }

void TGIFFrame::Draw(TCanvas* canvas, const TRect& r, bool transparent)
{
    TBitmap* bitmap = Bitmap();
    if (!bitmap || bitmap->Empty()) return;
    if (transparent && FTransparentColor != clNone) {
        bitmap->SetTransparentMode(tmFixed);
        bitmap->SetTransparentColor(FTransparentColor);
        bitmap->SetTransparent(true);
        canvas->StretchDraw(r, bitmap);
        bitmap->SetTransparent(false);
    } else {
        canvas->StretchDraw(r, bitmap);
    }
}

void TGIFFrame::Assign(TPersistent* source)
{
    if (!source) {
        NewImage();
        FBitmap.reset();
    } else if (auto* frame = dynamic_cast<TGIFFrame*>(source)) {
        if (frame == this) return;
        FImage = frame->FImage;
        FLocalColors = (frame->FOwner == FOwner) ? frame->FLocalColors : true;
        FTopLeft = frame->FTopLeft;
        // The shared data are stored interlaced or not: the flag goes with them.
        FInterlaced = frame->FInterlaced;
        if (frame->FBitmap) {
            NewBitmap();
            FBitmap->Assign(frame->FBitmap.get());
        } else {
            FBitmap.reset();
        }
        FTransparentColor = frame->FTransparentColor;
        FAnimateInterval = frame->FAnimateInterval;
        FDisposal = frame->FDisposal;
        FGrayscale = frame->FGrayscale;
        FCorrupted = frame->FCorrupted;
        if (TExtension* c = frame->FindComment(false); c && c->FData && c->FData->Count() > 0)
            Comment()->Assign(c->FData.get());
    } else if (auto* image = dynamic_cast<TGIFImage*>(source)) {
        if (image->Count() == 0) {
            Assign(nullptr);
        } else {
            Assign(image->Frames(std::max(0, std::min(image->FFrameIndex, image->Count() - 1))));
        }
        return;
    } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        if (graphic->Empty()) {
            Assign(nullptr);
            return;
        }
        NewImage();
        NewBitmap();
        bool drawn = dynamic_cast<TIcon*>(graphic) != nullptr;
        if (!drawn) {
            try {
                FBitmap->Assign(graphic);
                if (auto* b = dynamic_cast<TBitmap*>(graphic)) FBitmap->SetPalette(b->Palette());
            } catch (const Exception&) {
                drawn = true;
            }
        }
        if (drawn) {
            // What a bitmap cannot take is drawn on magenta, which then stands for
            // the parts the graphic leaves uncovered.
            FBitmap = std::make_unique<TBitmap>();
            FBitmap->SetSize(graphic->Width(), graphic->Height());
            FBitmap->Canvas()->Brush()->SetColor(TColor(0xFF00FF));
            FBitmap->Canvas()->FillRect(TRect{0, 0, graphic->Width(), graphic->Height()});
            FBitmap->Canvas()->Draw(0, 0, graphic);
            if (dynamic_cast<TIcon*>(graphic)) FTransparentColor = FBitmap->Canvas()->NearestColor(TColor(0xFF00FF));
        }
    } else {
        TPersistent::Assign(source);
        return;
    }
    if (FOwner) FOwner->UpdateScreenSize();
}

void TGIFFrame::AssignTo(TPersistent* dest)
{
    if (auto* graphic = dynamic_cast<TGraphic*>(dest)) {
        graphic->Assign(Bitmap());
        return;
    }
    TPersistent::AssignTo(dest);
}

void TGIFFrame::EncodeBitmapToData()
{
    if (!FBitmap || FBitmap->Empty()) gif::RaiseFormatError(61098);
    QByteArray bmp;
    const int format = GetBitmapPixelFormat(FBitmap.get());
    if (format >= 1 && format <= 3) {
        bmp = FBitmap->SaveToBytes();
    } else {
        bmp = BitmapToDIBStream(FBitmap.get(), 3, FGrayscale ? TMappingMethod(quant::mmGrayscale) : DefaultMappingMethod,
                                FTransparentColor)->Bytes();
    }
    // The BMP image: file header, information header, palette, rows.
    const auto* d = reinterpret_cast<const uchar*>(bmp.constData());
    if (bmp.size() < 54) gif::RaiseFormatError(61093);
    const quint32 offBits = U32(d + 10), infoSize = U32(d + 14);
    const int width = int(U32(d + 18));
    const int rawHeight = int(U32(d + 22));
    const int bits = d[28] | (d[29] << 8);
    int colors = 0;
    if (bits == 1) colors = 2;
    else if (bits == 4) colors = 16;
    else if (bits == 8) colors = 256;
    else gif::RaiseFormatError(61093);
    const int height = std::abs(rawHeight);
    const int stride = gif::DIBStride(width, bits);
    if (offBits < 14 + infoSize || qint64(offBits) + qint64(stride) * height > bmp.size()) gif::RaiseFormatError(61093);

    if (FImage.use_count() > 1) FImage = std::make_shared<TGIFItem>();  // never rewrite shared data
    gif::ColorTable table;
    table.Count = colors;
    const int available = int((offBits - 14 - infoSize) / 4);
    for (int i = 0; i < std::min({colors, available, 256}); ++i) {
        const uchar* e = d + 14 + infoSize + 4 * i;
        table.Colors[i][0] = e[2];
        table.Colors[i][1] = e[1];
        table.Colors[i][2] = e[0];
    }
    FInterlaced = false;
    FImage->FImageData = std::make_unique<TMemoryStream>();
    FImage->FBitsPerPixel = quint8(gif::BitsCovering(table.Count));
    FImage->FColorMap = table;
    if (FOwner && FOwner->FImage->FColorMap.Count == 0) {
        FOwner->FImage->FColorMap = table;
        FOwner->FImage->FBitsPerPixel = FImage->FBitsPerPixel;
        FLocalColors = false;
    } else {
        FLocalColors = true;
    }
    FImage->FSize = TPoint{width, height};
    if (FOwner) {
        FOwner->FScreenWidth = quint16(std::min(65535, std::max<int>(FOwner->FScreenWidth, FTopLeft.X + width)));
        FOwner->FScreenHeight = quint16(std::min(65535, std::max<int>(FOwner->FScreenHeight, FTopLeft.Y + height)));
    }
    // Rows bottom-up as the encoder takes them.
    std::vector<quint8> rows(size_t(stride) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const int line = rawHeight < 0 ? height - 1 - y : y;
        std::memcpy(rows.data() + size_t(y) * size_t(stride), d + offBits + qint64(line) * stride, size_t(stride));
    }
    QByteArray data;
    gif::EncodeFrame(data, rows.data(), stride, width, height, bits, false,
                     FOwner ? FOwner->ProgressHandler() : nullptr);
    FImage->FImageData->WriteBuffer(data.constData(), data.size());
}

void TGIFFrame::UpdateExtensions()
{
    TExtension* control = nullptr;
    for (auto it = FExtensions.rbegin(); it != FExtensions.rend() && !control; ++it)
        if ((*it)->FExtType == gif::extGraphicControl) control = it->get();
    if (!control && (FAnimateInterval > 0 || FTransparentColor != clNone || FDisposal != 0)) {
        auto ext = std::make_unique<TExtension>();
        ext->FExtType = gif::extGraphicControl;
        ext->FExtRec[0] = 4;
        control = ext.get();
        FExtensions.push_back(std::move(ext));
    }
    if (control) {
        const int delay = FAnimateInterval / 10;
        control->FExtRec[2] = quint8(delay & 0xFF);
        control->FExtRec[3] = quint8(delay >> 8);
        const int index = FTransparentColor == clNone ? -1 : FImage->FColorMap.IndexOf(RgbOf(FTransparentColor));
        if (index >= 0) {
            control->FExtRec[4] = quint8(index);
            control->FExtRec[1] |= 1;
        } else {
            control->FExtRec[1] &= quint8(~1);
        }
        control->FExtRec[1] = quint8((control->FExtRec[1] & ~0x1C) | ((FDisposal & 7) << 2));
    }
    FExtensions.erase(std::remove_if(FExtensions.begin(), FExtensions.end(),
                                     [](const std::unique_ptr<TExtension>& e) {
                                         return e->FExtType == gif::extComment && (!e->FData || e->FData->Count() == 0);
                                     }),
                      FExtensions.end());
    if (!FExtensions.empty() && FOwner) FOwner->FVersion = 2;
}

// ---------------------------------------------------------------- TGIFImage

TGIFImage::TGIFImage() { NewImage(); }

TGIFImage::~TGIFImage()
{
    OnChange = nullptr;
    ClearItems();
}

void TGIFImage::ClearItems()
{
    FItems.clear();
}

void TGIFImage::NewImage()
{
    FImage = std::make_shared<TGIFData>();
    ClearItems();
    FFlag = false;
    FFrameIndex = -1;
    FBackgroundColor = clNone;
    FRepeatCount = 1;
    FLooping = false;
    FVersion = 0;
    FScreenWidth = FScreenHeight = 0;
}

void TGIFImage::UpdateScreenSize()
{
    int w = 0, h = 0;
    for (const auto& f : FItems) {
        w = std::max(w, f->Width() + f->FTopLeft.X);
        h = std::max(h, f->Height() + f->FTopLeft.Y);
    }
    FScreenWidth = quint16(std::min(w, 65535));
    FScreenHeight = quint16(std::min(h, 65535));
}

gif::Progress TGIFImage::ProgressHandler()
{
    if (!OnProgress) return nullptr;
    return [this](int stage, int percent, const QString& message) {
        Progress(this, TProgressStage(stage), quint8(std::clamp(percent, 0, 100)), false, TRect{}, message);
    };
}

bool TGIFImage::Empty() const
{
    if (FItems.empty()) return true;
    const int index = std::clamp(FFrameIndex, 0, Count() - 1);
    const TGIFFrame* f = FItems[size_t(index)].get();
    return !(f->FBitmap && !f->FBitmap->Empty()) && !f->HasData();
}

int TGIFImage::Width() const
{
    if (Empty() || FFrameIndex < 0 || FFrameIndex >= Count()) return 0;
    return FItems[size_t(FFrameIndex)]->Width();
}

int TGIFImage::Height() const
{
    if (Empty() || FFrameIndex < 0 || FFrameIndex >= Count()) return 0;
    return FItems[size_t(FFrameIndex)]->Height();
}

void TGIFImage::SetWidth(int) { gif::RaiseFormatError(61099); }

void TGIFImage::SetHeight(int) { gif::RaiseFormatError(61099); }

bool TGIFImage::Equals(TGraphic* other)
{
    auto* g = dynamic_cast<TGIFImage*>(other);
    return g && g->FImage == FImage;
}

TPaletteEntries TGIFImage::Palette() const
{
    if (FFrameIndex < 0 || FFrameIndex >= Count()) return {};
    TBitmap* b = FItems[size_t(FFrameIndex)]->Bitmap();
    return b ? b->Palette() : TPaletteEntries();
}

bool TGIFImage::Transparent() const
{
    return std::any_of(FItems.begin(), FItems.end(), [](const auto& f) { return f->FTransparentColor != clNone; });
}

void TGIFImage::SetFrameIndex(int index)
{
    if (index < -1 || index >= Count() || index == FFrameIndex) return;
    FFrameIndex = index;
    Changed(this);
}

void TGIFImage::SetLooping(bool value)
{
    if (value == FLooping) return;
    FLooping = value;
    Changed(this);
}

int TGIFImage::AddFrame(TGraphic* graphic)
{
    FItems.push_back(std::make_unique<TGIFFrame>(this));
    const int index = Count() - 1;
    try {
        FItems.back()->Assign(graphic);
    } catch (...) {
        FItems.pop_back();
        throw;
    }
    FFrameIndex = index;
    if (FVersion == 0) FVersion = 1;
    if (Count() > 1) FVersion = 2;
    Changed(this);
    return index;
}

void TGIFImage::ReadImage(const std::vector<char>& bytes, bool decodeFirst)
{
    // Parsed whole and the first frame decoded before anything changes, so a damaged file or a
    // first frame that cannot be decoded leaves the image as it was and signals nothing.
    gif::Document doc = gif::ReadDocument(bytes.data(), qint64(bytes.size()), TolerantGIFDecoding);
    auto global = std::make_shared<TGIFData>();
    global->FAspectRatio = doc.Aspect;
    global->FBitsPerPixel = doc.Bits;
    global->FColorResBits = doc.ColorResolution;
    global->FColorMap = doc.Global;
    for (const QByteArray& line : doc.Comments) global->FComment->Add(BytesToText(line, true));
    std::vector<std::unique_ptr<TGIFFrame>> items;
    for (gif::FrameRecord& r : doc.Frames) {
        auto frame = std::make_unique<TGIFFrame>(this);
        TGIFItem& item = *frame->FImage;
        item.FImageData = std::make_unique<TMemoryStream>();
        if (!r.Data.isEmpty()) item.FImageData->WriteBuffer(r.Data.constData(), r.Data.size());
        item.FSize = TPoint{r.Width, r.Height};
        item.FPackedFields = r.Packed;
        item.FBitsPerPixel = r.Bits;
        item.FColorMap = r.Table;
        frame->FTopLeft = TPoint{r.Left, r.Top};
        frame->FInterlaced = r.Interlaced;
        frame->FCorrupted = r.Corrupted;
        frame->FLocalColors = r.LocalTable;
        frame->FTransparentColor = r.TransparentColor >= 0 ? TColor(r.TransparentColor) : clNone;
        frame->FAnimateInterval = r.Delay;
        frame->FDisposal = r.Disposal;
        for (const gif::ExtensionBlock& b : r.Extensions) {
            auto ext = std::make_unique<TExtension>();
            ext->FExtType = b.Kind;
            std::memcpy(ext->FExtRec, b.Block, sizeof ext->FExtRec);
            if (b.HasData) {
                ext->FData = std::make_unique<TStringList>();
                for (const QByteArray& line : b.Data) ext->FData->Add(BytesToText(line, b.Kind == gif::extComment));
            }
            frame->FExtensions.push_back(std::move(ext));
        }
        items.push_back(std::move(frame));
    }
    if (decodeFirst && !items.empty()) items[0]->Bitmap();

    NewImage();
    FImage = std::move(global);
    FVersion = doc.Version;
    FScreenWidth = doc.ScreenWidth;
    FScreenHeight = doc.ScreenHeight;
    FBackgroundColor = doc.BackgroundColor >= 0 ? TColor(doc.BackgroundColor) : clNone;
    FLooping = doc.Looping;
    FRepeatCount = doc.RepeatCount;
    FItems = std::move(items);
    if (!FItems.empty()) FFrameIndex = 0;
    Changed(this);
}

QByteArray TGIFImage::WriteImage()
{
    if (FItems.empty()) gif::RaiseFormatError(61098);
    for (auto& f : FItems) {
        if (!f->HasData()) f->EncodeBitmapToData();
        f->UpdateExtensions();
    }
    if (FImage->FComment->Count() > 0) FVersion = 2;
    gif::Document doc;
    doc.Version = FVersion;
    doc.Aspect = FImage->FAspectRatio;
    doc.Global = FImage->FColorMap;
    doc.Bits = FImage->FBitsPerPixel ? FImage->FBitsPerPixel : quint8(gif::BitsCovering(doc.Global.Count));
    doc.BackgroundColor = FBackgroundColor == clNone ? -1 : qint64(RgbOf(FBackgroundColor));
    doc.Looping = FLooping;
    doc.RepeatCount = FRepeatCount;
    for (int i = 0; i < FImage->FComment->Count(); ++i)
        doc.Comments.push_back(TextToBytes(FImage->FComment->Strings(i), true));
    for (const auto& f : FItems) {
        gif::FrameRecord r;
        r.Left = quint16(f->FTopLeft.X);
        r.Top = quint16(f->FTopLeft.Y);
        r.Width = quint16(std::clamp(f->FImage->FSize.X, 0, 65535));
        r.Height = quint16(std::clamp(f->FImage->FSize.Y, 0, 65535));
        r.Interlaced = f->FInterlaced;
        r.LocalTable = f->FLocalColors;
        r.Table = f->FImage->FColorMap;
        r.Data = f->FImage->FImageData->Bytes();
        for (const auto& e : f->FExtensions) {
            gif::ExtensionBlock b;
            b.Kind = quint8(e->FExtType & 3);
            std::memcpy(b.Block, e->FExtRec, sizeof b.Block);
            if (e->FData) {
                b.HasData = true;
                for (int i = 0; i < e->FData->Count(); ++i)
                    b.Data.push_back(TextToBytes(e->FData->Strings(i), b.Kind == gif::extComment));
            }
            r.Extensions.push_back(std::move(b));
        }
        doc.Frames.push_back(std::move(r));
    }
    return gif::WriteDocument(doc);
}

void TGIFImage::LoadFromStream(TStream* stream) { ReadImage(ReadRest(stream), true); }

void TGIFImage::SaveToStream(TStream* stream)
{
    const QByteArray bytes = WriteImage();
    stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TGIFImage::ReadData(TStream* stream) { ReadImage(ReadWithLength(stream), true); }

void TGIFImage::WriteData(TStream* stream)
{
    const QByteArray bytes = WithLength(WriteImage());
    stream->WriteBuffer(bytes.constData(), bytes.size());
}

void TGIFImage::LoadFromClipboardFormat(unsigned format, const QByteArray& data, const TPaletteEntries& palette)
{
    if (format != CF_GIF()) {
        TBitmap bitmap;
        bitmap.LoadFromClipboardFormat(format, data, palette);
        Assign(&bitmap);
        return;
    }
    TMemoryStream stream;
    stream.WriteBuffer(data.constData(), data.size());
    stream.SetPosition(0);
    ReadImage(ReadWithLength(&stream), false);
    if (!FItems.empty()) FFrameIndex = 0;
}

void TGIFImage::SaveToClipboardFormat(unsigned& format, QByteArray& data, TPaletteEntries& palette)
{
    if (FItems.empty()) return;
    // The current frame as a bitmap first, for programs that know no GIF; then the whole image,
    // when every frame has its data. The bitmap goes straight onto the open clipboard.
    TBitmap* bitmap = FItems[size_t(std::clamp(FFrameIndex, 0, Count() - 1))]->Bitmap();
    if (bitmap) bitmap->SaveToClipboardFormat(format, data, palette);
    const bool allData = std::all_of(FItems.begin(), FItems.end(), [](const auto& f) { return f->HasData(); });
    if (!allData) return;
    if (bitmap && !data.isEmpty() && Clipboard()->Opened()) Clipboard()->SetAsHandle(format, data);
    format = CF_GIF();
    data = WithLength(WriteImage());
    if (palette.isEmpty()) palette = Palette();
}

void TGIFImage::Draw(TCanvas* canvas, const TRect& r)
{
    if (FFrameIndex >= 0 && FFrameIndex < Count()) FItems[size_t(FFrameIndex)]->Draw(canvas, r, Transparent());
}

void TGIFImage::Assign(TPersistent* source)
{
    if (auto* image = dynamic_cast<TGIFImage*>(source)) {
        if (image == this) return;
        FImage = image->FImage;
        FVersion = image->FVersion;
        FBackgroundColor = image->FBackgroundColor;
        FRepeatCount = image->FRepeatCount;
        FLooping = image->FLooping;
        FFlag = image->FFlag;
        ClearItems();
        for (const auto& src : image->FItems) {
            auto frame = std::make_unique<TGIFFrame>(this);
            frame->Assign(src.get());
            frame->FLocalColors = src->FLocalColors;
            FItems.push_back(std::move(frame));
        }
        FFrameIndex = image->FFrameIndex;
        FScreenWidth = image->FScreenWidth;
        FScreenHeight = image->FScreenHeight;
        Changed(this);
        return;
    }
    if (auto* frame = dynamic_cast<TGIFFrame*>(source)) {
        std::shared_ptr<TGIFData> global = frame->FOwner ? frame->FOwner->FImage : nullptr;
        NewImage();
        if (global) {
            FImage->FAspectRatio = global->FAspectRatio;
            FImage->FBitsPerPixel = global->FBitsPerPixel;
            FImage->FColorResBits = global->FColorResBits;
            FImage->FColorMap = global->FColorMap;
        }
        FItems.push_back(std::make_unique<TGIFFrame>(this));
        FItems.back()->Assign(frame);
        FFrameIndex = 0;
        if (FVersion == 0) FVersion = 1;
        Changed(this);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        NewImage();
        AddFrame(bitmap);
        Changed(this);
        return;
    }
    if (auto* cursor = dynamic_cast<TAnimatedCursorImage*>(source)) {
        NewImage();
        FBackgroundColor = clWindow;
        for (int i = 0; i < cursor->Count(); ++i) {
            const int index = AddFrame(cursor->Icons(i));
            // Rates are in jiffies of 1/60 s.
            Frames(index)->SetAnimateInterval(int(qMin<quint64>(quint64(cursor->Frames(i)->JiffRate()) * 100 / 6, 65535)));
        }
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TGIFImage::AssignTo(TPersistent* dest)
{
    if (auto* image = dynamic_cast<TGIFImage*>(dest)) {
        image->Assign(this);
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(dest)) {
        if (Empty()) graphic->Assign(nullptr);
        else FItems[size_t(std::clamp(FFrameIndex, 0, Count() - 1))]->AssignTo(graphic);
        return;
    }
    TGraphic::AssignTo(dest);
}
