#pragma once
// GIF images of one or more frames: a graphic class that loads and saves GIF 87a and
// 89a files, converts from bitmaps and draws its current frame. Frame data is shared
// between copies, so assigning one image to another copies no pixels.
#include "controls/visual/ZbGIF_format.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/graphics/Graphics.h"

#include <memory>
#include <vector>

class TGIFImage;

// Decoding goes on over damaged frame data (marking the frame corrupted); on at start.
inline bool& TolerantGIFDecoding = controls::visual::gif::TolerantDecoding;
// Clipboard format "GIF Image".
unsigned CF_GIF();

// A record shared by reference count between images and frames.
class TSharedImage : public TObject {
public:
    ~TSharedImage() override = default;

protected:
    virtual void FreeHandle() {}
};

// Image-wide data: comment lines, aspect byte, global colour table.
class TGIFData : public TSharedImage {
public:
    TGIFData() : FComment(std::make_unique<TStringList>()) {}
    ~TGIFData() override { FreeHandle(); }
    std::unique_ptr<TStringList> FComment;
    quint8 FAspectRatio = 0;
    quint8 FBitsPerPixel = 0;
    quint8 FColorResBits = 0;
    controls::visual::gif::ColorTable FColorMap;

protected:
    void FreeHandle() override { FComment->Clear(); }
};

// One frame's data: compressed data exactly as in the file, size and colour table.
class TGIFItem : public TSharedImage {
public:
    ~TGIFItem() override { FreeHandle(); }
    std::unique_ptr<TMemoryStream> FImageData;
    TPoint FSize;
    quint8 FPackedFields = 0;
    quint8 FBitsPerPixel = 0;
    controls::visual::gif::ColorTable FColorMap;

protected:
    void FreeHandle() override { FImageData.reset(); }
};

// An extension block written before a frame.
class TExtension : public TPersistent {
public:
    void Assign(TPersistent* source) override;
    quint8 FExtType = 0;                     // 0 graphic control, 1 plain text, 2 application, 3 comment
    std::unique_ptr<TStringList> FData;      // one line per data sub-block, or none
    quint8 FExtRec[13] = {};                 // size byte and up to 12 bytes
};

class TGIFFrame : public TPersistent {
public:
    explicit TGIFFrame(TGIFImage* owner);
    ~TGIFFrame() override;
    void Assign(TPersistent* source) override;

    TGIFImage* Owner() const { return FOwner; }
    int Width() const;
    int Height() const;
    // Decoded pixels, built on first use; none when the frame has no data.
    TBitmap* Bitmap();
    // Lines of the frame's last comment extension (created when first asked for).
    TStrings* Comment();
    void Draw(TCanvas* canvas, const TRect& r, bool transparent);

    TPoint Origin() const { return FTopLeft; }
    void SetOrigin(TPoint p);
    bool Interlaced() const { return FInterlaced; }
    bool Corrupted() const { return FCorrupted; }
    bool GrayScale() const { return FGrayscale; }
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor value);
    // Milliseconds before the next frame.
    quint16 AnimateInterval() const { return FAnimateInterval; }
    void SetAnimateInterval(int milliseconds);  // clamped to 0..65535
    quint8 DisposalMethod() const { return FDisposal; }
    void SetDisposalMethod(quint8 value);
    bool LocalColors() const { return FLocalColors; }
    int ExtensionCount() const { return int(FExtensions.size()); }
    TExtension* Extension(int index) const { return FExtensions.at(size_t(index)).get(); }
    // The frame's colour table (local, or a copy of the global one).
    const controls::visual::gif::ColorTable& ColorMap() const { return FImage->FColorMap; }

protected:
    void AssignTo(TPersistent* dest) override;

private:
    friend class TGIFImage;
    void NewImage();
    void NewBitmap();
    bool HasData() const { return FImage && FImage->FImageData && FImage->FImageData->Size() > 0; }
    void EncodeBitmapToData();
    void UpdateExtensions();
    TExtension* FindComment(bool create);

    TGIFImage* FOwner;
    std::unique_ptr<TBitmap> FBitmap;
    std::shared_ptr<TGIFItem> FImage;
    std::vector<std::unique_ptr<TExtension>> FExtensions;
    TPoint FTopLeft;
    bool FInterlaced = false;
    bool FCorrupted = false;
    bool FGrayscale = false;
    TColor FTransparentColor = clNone;
    quint16 FAnimateInterval = 0;
    quint8 FDisposal = 0;
    bool FLocalColors = false;
};

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    void Assign(TPersistent* source) override;
    TGraphic* NewInstance() const override { return new TGIFImage; }

    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    // A GIF image cannot be resized: 61099.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    bool Equals(TGraphic* other) override;
    TPaletteEntries Palette() const override;
    // True when any frame has a transparent colour.
    bool Transparent() const override;

    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;
    void LoadFromClipboardFormat(unsigned format, const QByteArray& data, const TPaletteEntries& palette) override;
    void SaveToClipboardFormat(unsigned& format, QByteArray& data, TPaletteEntries& palette) override;

    // Appends a frame made from the graphic and makes it current; returns its index.
    int AddFrame(TGraphic* graphic);
    int Count() const { return int(FItems.size()); }
    TGIFFrame* Frames(int index) const { return FItems.at(size_t(index)).get(); }
    int FrameIndex() const { return FFrameIndex; }
    void SetFrameIndex(int index);
    int ScreenWidth() const { return FItems.empty() ? 0 : FScreenWidth; }
    int ScreenHeight() const { return FItems.empty() ? 0 : FScreenHeight; }
    TColor BackgroundColor() const { return FBackgroundColor; }
    bool Looping() const { return FLooping; }
    void SetLooping(bool value);
    quint16 RepeatCount() const { return FRepeatCount; }
    TStrings* Comment() const { return FImage->FComment.get(); }
    // 0 none, 1 "87a", 2 "89a".
    quint8 Version() const { return FVersion; }

protected:
    void Draw(TCanvas* canvas, const TRect& r) override;
    void AssignTo(TPersistent* dest) override;

private:
    friend class TGIFFrame;
    void NewImage();
    void ClearItems();
    void UpdateScreenSize();
    void ReadImage(const std::vector<char>& bytes, bool decodeFirst);
    QByteArray WriteImage();
    controls::visual::gif::Progress ProgressHandler();

    std::shared_ptr<TGIFData> FImage;
    quint8 FVersion = 0;
    std::vector<std::unique_ptr<TGIFFrame>> FItems;
    int FFrameIndex = -1;
    quint16 FScreenWidth = 0, FScreenHeight = 0;
    TColor FBackgroundColor = clNone;
    bool FLooping = false;
    bool FFlag = false;  // copied with the image, cleared on reset
    quint16 FRepeatCount = 1;
};
