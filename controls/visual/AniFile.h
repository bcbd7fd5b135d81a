#pragma once
// Windows animated cursors (RIFF form "ACON"), read only: the frames with their icons, display
// rates (in jiffies of 1/60 s) and hot spots, and the file's title and author.
#include "platform/classes/Streams.h"
#include "platform/graphics/Graphics.h"

#include <QByteArray>
#include <memory>
#include <vector>

// A chunk header: four-character id and the size of the body that follows.
struct TAniTag {
    char ckID[4] = {0, 0, 0, 0};
    quint32 ckSize = 0;
};

// The body of the "anih" chunk.
struct TAniHeader {
    quint32 cbSizeof = 0;
    quint32 cFrames = 0;
    quint32 cSteps = 0;
    quint32 cx = 0;
    quint32 cy = 0;
    quint32 cBitCount = 0;
    quint32 cPlanes = 0;
    quint32 jifRate = 0;
    quint32 fl = 0;  // bit 0: the frames are icon resources
};

class TIconFrame : public TPersistent {
public:
    TIconFrame(int index, quint32 jiffies);
    ~TIconFrame() override;
    void Assign(TPersistent* source) override;

    TIcon* Icon() const { return FIcon.get(); }
    // True when the frame's resource was an icon, false for a cursor.
    bool IsIcon() const { return FIsIcon; }
    const TAniTag& Tag() const { return FTag; }
    TPoint HotSpot() const { return FHotSpot; }
    quint32 JiffRate() const { return FJiffRate; }
    // The icon number this frame shows; -1 for a frame made for an icon no step named.
    int Seq() const { return FSeq; }

private:
    friend class TAnimatedCursorImage;
    std::unique_ptr<TIcon> FIcon;
    bool FIsIcon = false;
    TAniTag FTag;
    TPoint FHotSpot;
    quint32 FJiffRate;
    int FSeq;
};

class TAnimatedCursorImage : public TPersistent {
public:
    TAnimatedCursorImage();
    ~TAnimatedCursorImage() override;

    void Assign(TPersistent* source) override;
    // Damaged or hostile data raises EReadError "Stream read error".
    virtual void LoadFromStream(TStream* stream);
    // There is no writer: tells the user so and aborts silently.
    virtual void SaveToStream(TStream* stream);
    virtual void LoadFromFile(const QString& fileName);
    void Clear();

    int Count() const { return int(FFrames.size()); }
    TIconFrame* Frames(int index) const;
    TIcon* Icons(int index) const { return Frames(index)->Icon(); }
    const TAniHeader& Header() const { return FHeader; }
    QString Title() const;
    QString Author() const;
    // The largest colour count (2, 16 or 256; 0 for more) of the frames' images.
    int ColorCount() const { return FColorCount; }
    // All frames side by side (or one under another) over the background colour; with reduce the
    // strip is cut down to the image's colour count, at least 16 colours.
    void AssignToBitmap(TBitmap* bitmap, TColor backColor, bool reduce, bool vertical);

protected:
    void AssignTo(TPersistent* dest) override;

private:
    void ReadAniData(const QByteArray& data);
    bool ReadIconChunk(const QByteArray& body, const TAniTag& tag, std::unique_ptr<TIcon>& icon, bool& isIcon,
                       TPoint& hotSpot);

    TAniHeader FHeader;
    char FTitle[256] = {};
    char FAuthor[256] = {};
    std::vector<std::unique_ptr<TIconFrame>> FFrames;
    quint16 FColorCount = 0;
};
