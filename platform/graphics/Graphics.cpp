// Colours, fonts, pens, brushes, the graphic base class and the picture with its registries.
#include "platform/graphics/Graphics.h"

#include "platform/classes/Streams.h"
#include "platform/graphics/Clipbrd.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------- colours

namespace {

// The classic desktop scheme: drawings look the same whatever the machine's theme.
TColor gSysColors[COLOR_ENDCOLORS + 1] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),       RGB(255, 255, 225),
};

struct ColorName {
    TColor Color;
    const char* Name;
};

const ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    qint64 p = qint64(a) * b;
    qint64 half = std::abs(qint64(c)) / 2;
    qint64 r = (p >= 0) == (c > 0) ? (std::abs(p) + half) / std::abs(qint64(c))
                                   : -((std::abs(p) + half) / std::abs(qint64(c)));
    return int(r);
}

}  // namespace

TColor ColorToRGB(TColor color) {
    if (color < 0) {
        int index = color & 0xFF;
        return index <= COLOR_ENDCOLORS ? gSysColors[index] : clBlack;
    }
    return color;
}

QString ColorToString(TColor color) {
    for (const auto& n : kColorNames)
        if (n.Color == color) return QString::fromLatin1(n.Name);
    return QStringLiteral("$%1").arg(quint32(color), 8, 16, QChar('0')).toUpper();
}

bool IdentToColor(const QString& ident, TColor& color) {
    for (const auto& n : kColorNames)
        if (ident.compare(QLatin1String(n.Name), Qt::CaseInsensitive) == 0) {
            color = n.Color;
            return true;
        }
    return false;
}

TColor StringToColor(const QString& text) {
    TColor c;
    if (IdentToColor(text.trimmed(), c)) return c;
    QString t = text.trimmed();
    bool ok = false;
    qint64 v = 0;
    if (t.startsWith('$'))
        v = t.mid(1).toLongLong(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toLongLong(&ok, 16);
    else
        v = t.toLongLong(&ok, 10);
    if (!ok || v < -2147483648LL || v > 0xFFFFFFFFLL)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return TColor(quint32(v));
}

namespace platform::graphics {

QRgb ToQRgb(TColor color) {
    TColor c = ColorToRGB(color);
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor FromQRgb(QRgb rgb) { return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb)); }

}  // namespace platform::graphics

// ---------------------------------------------------------------- font, pen, brush

void TGraphicsObject::Changed() { OnChange(this); }

TFont::TFont() : FName(QString::fromLatin1(platform::graphics::DefaultFontName)), FHeight(-MulDiv(8, 96, 72)) {}

void TFont::Assign(TPersistent* source) {
    if (auto* f = dynamic_cast<TFont*>(source)) {
        FName = f->FName;
        FStyle = f->FStyle;
        FColor = f->FColor;
        FPitch = f->FPitch;
        FCharset = f->FCharset;
        // The size in points survives a change of resolution (screen font onto a printer).
        FHeight = MulDiv(f->FHeight, FPixelsPerInch, f->FPixelsPerInch);
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

int TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, FPixelsPerInch, 72)); }

void TFont::SetHeight(int pixels) {
    if (pixels == FHeight) return;
    FHeight = pixels;
    Changed();
}

void TFont::SetName(const QString& name) {
    if (name.isEmpty() || name == FName) return;
    FName = name;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == FStyle) return;
    FStyle = style;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == FPitch) return;
    FPitch = pitch;
    Changed();
}

void TFont::SetPixelsPerInch(int ppi) {
    if (ppi <= 0 || ppi == FPixelsPerInch) return;
    int points = Size();
    FPixelsPerInch = ppi;
    FHeight = -MulDiv(points, ppi, 72);
    Changed();
}

QFont TFont::ToQFont() const {
    QFont f(platform::graphics::ResolveFontFamily(FName, FPitch));
    // A positive height counts the internal leading as well: about 1/7 of it for our faces.
    int px = FHeight < 0 ? -FHeight : std::max(1, int(std::lround(FHeight * 0.86)));
    f.setPixelSize(std::max(1, px));
    f.setBold(FStyle.Contains(fsBold));
    f.setItalic(FStyle.Contains(fsItalic));
    f.setUnderline(FStyle.Contains(fsUnderline));
    f.setStrikeOut(FStyle.Contains(fsStrikeOut));
    if (FPitch == fpFixed) f.setFixedPitch(true);
    // Whole-pixel advances: the width of a text is the sum of its characters' widths.
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

namespace platform::graphics {

QStringList FontFamilyChoices(const QString& faceName, TFontPitch pitch) {
    // The forms were laid out in pixels for these faces: each maps to a free face of the same
    // metrics (Liberation, Arimo: Arial, Times New Roman, Courier New), else to one of about the
    // same widths, the one of the closer line height first (Nimbus's lines are a third taller);
    // a wider face, last, cuts captions.
    static const char* const kSans[] = {"Liberation Sans", "Arimo", "DejaVu Sans Condensed", "Nimbus Sans",
                                        "Nimbus Sans L", "DejaVu Sans"};
    static const char* const kSerif[] = {"Liberation Serif", "Tinos", "Nimbus Roman", "Nimbus Roman No9 L",
                                         "DejaVu Serif Condensed", "DejaVu Serif"};
    static const char* const kMono[] = {"Liberation Mono", "Cousine", "DejaVu Sans Mono", "Nimbus Mono PS",
                                        "Nimbus Mono L"};
    static const char* const kSerifFaces[] = {"times new roman", "times", "ms serif", "georgia", "book antiqua"};
    static const char* const kMonoFaces[] = {"courier new", "courier", "fixedsys", "terminal", "lucida console",
                                             "consolas"};
    static const char* const kSansFaces[] = {"arial", "helvetica", "ms sans serif", "microsoft sans serif",
                                             "ms shell dlg", "ms shell dlg 2", "tahoma", "segoe ui", "system",
                                             "small fonts", "verdana"};
    const QString lower = faceName.toLower();
    auto among = [&](const auto& faces) {
        return std::any_of(std::begin(faces), std::end(faces), [&](const char* f) { return lower == QLatin1String(f); });
    };
    QStringList choices;
    auto add = [&](const auto& families) {
        for (const char* f : families) choices << QString::fromLatin1(f);
    };
    if (among(kSerifFaces)) {
        add(kSerif);
    } else if (among(kMonoFaces) || (pitch == fpFixed && !among(kSansFaces))) {
        add(kMono);
    } else {
        // Verdana's metrics are DejaVu Sans's own.
        if (lower == QLatin1String("verdana")) choices << QStringLiteral("DejaVu Sans");
        add(kSans);
    }
    return choices;
}

QString ResolveFontFamily(const QString& faceName, TFontPitch pitch) {
    // Every control and every grid cell asks for the face of its font: the last answer is kept
    // at hand, sparing the key and the table.
    thread_local QString lastFace, lastFamily;
    thread_local int lastPitch = -1;
    if (int(pitch) == lastPitch && faceName == lastFace) return lastFamily;
    auto remember = [&](const QString& family) {
        lastFace = faceName;
        lastPitch = int(pitch);
        lastFamily = family;
        return family;
    };
    static QHash<QString, QString> cache;
    QString key = faceName.toLower() + QChar(u'|') + QString::number(int(pitch));
    auto it = cache.constFind(key);
    if (it != cache.constEnd()) return remember(*it);

    QString wanted;
    const bool haveDb = QGuiApplication::instance() != nullptr;
    if (haveDb) {
        for (const QString& fam : QFontDatabase::families())
            if (fam.compare(faceName, Qt::CaseInsensitive) == 0) {
                wanted = fam;
                break;
            }
    }
    if (wanted.isEmpty()) {
        const QStringList choices = FontFamilyChoices(faceName, pitch);
        wanted = choices.front();
        if (haveDb) {
            // Installed twice (two foundries), a family is listed only under qualified names.
            auto found = std::find_if(choices.begin(), choices.end(),
                                      [](const QString& c) { return QFontDatabase::hasFamily(c); });
            wanted = found != choices.end() ? *found
                                            : QFontDatabase::systemFont(pitch == fpFixed ? QFontDatabase::FixedFont
                                                                                         : QFontDatabase::GeneralFont)
                                                  .family();
        }
    }
    if (!haveDb) return wanted;
    cache.insert(key, wanted);
    return remember(wanted);
}

void AssignSystemFont(TFont* font, SystemFont which) {
    if (!font) return;
    font->SetName(QString::fromLatin1(DefaultFontName));
    font->SetSize(8);
    font->SetPitch(fpDefault);
    font->SetStyle(which == SystemFont::Caption ? TFontStyles{fsBold} : TFontStyles{});
}

}  // namespace platform::graphics

void TPen::Assign(TPersistent* source) {
    if (auto* p = dynamic_cast<TPen*>(source)) {
        FColor = p->FColor;
        FWidth = p->FWidth;
        FStyle = p->FStyle;
        FMode = p->FMode;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TPen::SetColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    Changed();
}

void TPen::SetWidth(int width) {
    if (width < 0 || width == FWidth) return;
    FWidth = width;
    Changed();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    Changed();
}

void TPen::SetMode(TPenMode mode) {
    if (mode == FMode) return;
    FMode = mode;
    Changed();
}

TBrush::~TBrush() = default;

void TBrush::Assign(TPersistent* source) {
    if (auto* b = dynamic_cast<TBrush*>(source)) {
        FColor = b->FColor;
        FStyle = b->FStyle;
        FBitmap = b->FBitmap;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TBrush::SetColor(TColor color) {
    if (color == FColor && FStyle != bsClear) return;
    FColor = color;
    if (FStyle == bsClear) FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == FStyle) return;
    FStyle = style;
    if (style == bsClear) FBitmap = nullptr;
    Changed();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
    FBitmap = bitmap;
    if (bitmap) FStyle = bsSolid;
    Changed();
}

// ---------------------------------------------------------------- graphic base

void TGraphic::LoadFromFile(const QString& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const QString& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

void TGraphic::LoadFromBytes(const QByteArray& bytes) {
    TMemoryStream stream;
    if (!bytes.isEmpty()) stream.WriteBuffer(bytes.constData(), bytes.size());
    stream.SetPosition(0);
    LoadFromStream(&stream);
}

QByteArray TGraphic::SaveToBytes() {
    TMemoryStream stream;
    SaveToStream(&stream);
    return stream.Bytes();
}

void TGraphic::LoadFromClipboardFormat(unsigned, const QByteArray&, const TPaletteEntries&) {
    throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
}

void TGraphic::SaveToClipboardFormat(unsigned&, QByteArray&, TPaletteEntries&) {
    throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
}

void TGraphic::ReadData(TStream* stream) { LoadFromStream(stream); }

void TGraphic::WriteData(TStream* stream) { SaveToStream(stream); }

bool TGraphic::Equals(TGraphic* other) {
    if (!other || typeid(*other) != typeid(*this)) return false;
    if (Empty() || other->Empty()) return Empty() && other->Empty();
    return SaveToBytes() == other->SaveToBytes();
}

void TGraphic::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Changed(this);
}

void TGraphic::SetModified(bool value) {
    if (value)
        Changed(this);
    else
        FModified = false;
}

void TGraphic::Changed(TObject*) {
    FModified = true;
    OnChange(this);
}

void TGraphic::Progress(TObject* sender, TProgressStage stage, quint8 percent, bool redrawNow, const TRect& r,
                        const QString& msg) {
    OnProgress(sender, stage, percent, redrawNow, r, msg);
}

// ---------------------------------------------------------------- picture and registries

namespace {

struct FileFormat {
    QString Extension;
    QString Description;
    TGraphicClass Class;
};

struct ClipFormat {
    unsigned Format;
    TGraphicClass Class;
};

std::vector<FileFormat>& FileFormats() {
    static std::vector<FileFormat> formats{
        {QStringLiteral("bmp"), QStringLiteral("Bitmaps"), TGraphicClass::Of<TBitmap>()},
        {QStringLiteral("ico"), QStringLiteral("Icons"), TGraphicClass::Of<TIcon>()},
    };
    return formats;
}

std::vector<ClipFormat>& ClipFormats() {
    static std::vector<ClipFormat> formats{{CF_BITMAP, TGraphicClass::Of<TBitmap>()}};
    return formats;
}

QString NormalExtension(const QString& ext) {
    QString e = ext.toLower();
    if (e.startsWith('.')) e.remove(0, 1);
    return e;
}

}  // namespace

TGraphic* TGraphic::NewInstance() const {
    for (const auto& f : FileFormats())
        if (*f.Class.Type == typeid(*this)) return f.Class.Create();
    for (const auto& f : ClipFormats())
        if (*f.Class.Type == typeid(*this)) return f.Class.Create();
    throw EInvalidGraphicOperation(QStringLiteral("Cannot create a copy of %1").arg(ClassName()));
}

void TPicture::RegisterFileFormat(const QString& extension, const QString& description, TGraphicClass graphicClass) {
    QString ext = NormalExtension(extension);
    auto& formats = FileFormats();
    for (auto& f : formats)
        if (f.Extension == ext) {
            f.Description = description;
            f.Class = graphicClass;
            return;
        }
    formats.push_back({ext, description, graphicClass});
}

void TPicture::RegisterClipboardFormat(unsigned format, TGraphicClass graphicClass) {
    auto& formats = ClipFormats();
    for (auto& f : formats)
        if (f.Format == format) {
            f.Class = graphicClass;
            return;
        }
    formats.push_back({format, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
    auto& files = FileFormats();
    std::erase_if(files, [&](const FileFormat& f) { return f.Class == graphicClass; });
    auto& clips = ClipFormats();
    std::erase_if(clips, [&](const ClipFormat& f) { return f.Class == graphicClass; });
}

TGraphicClass TPicture::FindFileFormat(const QString& extension) {
    QString ext = NormalExtension(extension);
    for (const auto& f : FileFormats())
        if (f.Extension == ext) return f.Class;
    return {};
}

bool TPicture::SupportsClipboardFormat(unsigned format) {
    for (const auto& f : ClipFormats())
        if (f.Format == format) return true;
    return false;
}

QString GraphicFilter(TGraphicClass graphicClass) {
    QStringList masks, parts;
    for (const auto& f : FileFormats()) {
        if (graphicClass && !(f.Class == graphicClass)) continue;
        QString mask = QStringLiteral("*.") + f.Extension;
        masks << mask;
        parts << QStringLiteral("%1 (%2)|%2").arg(f.Description, mask);
    }
    if (masks.isEmpty()) return QString();
    QString all = masks.join(QChar(';'));
    return QStringLiteral("All (%1)|%1|").arg(all) + parts.join(QChar('|'));
}

QString GraphicExtension(TGraphicClass graphicClass) {
    for (const auto& f : FileFormats())
        if (f.Class == graphicClass) return f.Extension;
    return QString();
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::SetNewGraphic(TGraphic* graphic) {
    FGraphic.reset(graphic);
    if (FGraphic) {
        FGraphic->OnChange = TNotifyEvent(this, &TPicture::Changed);
        FGraphic->OnProgress = TProgressEvent([this](TObject* s, TProgressStage st, quint8 p, bool rd, const TRect& r,
                                                     const QString& m) { OnProgress(s, st, p, rd, r, m); });
    }
}

void TPicture::SetGraphic(TGraphic* graphic) {
    if (graphic == FGraphic.get()) return;
    if (!graphic) {
        SetNewGraphic(nullptr);
    } else {
        std::unique_ptr<TGraphic> copy(graphic->NewInstance());
        copy->Assign(graphic);
        SetNewGraphic(copy.release());
    }
    Changed(this);
}

TBitmap* TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(FGraphic.get())) {
        SetNewGraphic(new TBitmap);
        Changed(this);
    }
    return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon() {
    if (!dynamic_cast<TIcon*>(FGraphic.get())) {
        SetNewGraphic(new TIcon);
        Changed(this);
    }
    return static_cast<TIcon*>(FGraphic.get());
}

void TPicture::LoadFromFile(const QString& fileName) {
    int dot = fileName.lastIndexOf('.');
    int slash = fileName.lastIndexOf('/');
    QString ext = dot > slash ? fileName.mid(dot + 1).toLower() : QString();
    TGraphicClass cls = FindFileFormat(ext);
    if (!cls) throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    std::unique_ptr<TGraphic> g(cls.Create());
    g->OnProgress = TProgressEvent([this](TObject* s, TProgressStage st, quint8 p, bool rd, const TRect& r,
                                          const QString& m) { OnProgress(s, st, p, rd, r, m); });
    g->LoadFromFile(fileName);
    SetNewGraphic(g.release());
    Changed(this);
}

void TPicture::SaveToFile(const QString& fileName) {
    if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::LoadFromClipboardFormat(unsigned format, const QByteArray& data, const TPaletteEntries& palette) {
    TGraphicClass cls;
    for (const auto& f : ClipFormats())
        if (f.Format == format) cls = f.Class;
    if (!cls) throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
    std::unique_ptr<TGraphic> g(cls.Create());
    g->LoadFromClipboardFormat(format, data, palette);
    SetNewGraphic(g.release());
    Changed(this);
}

void TPicture::SaveToClipboardFormat(unsigned& format, QByteArray& data, TPaletteEntries& palette) {
    if (FGraphic) FGraphic->SaveToClipboardFormat(format, data, palette);
}

void TPicture::Assign(TPersistent* source) {
    if (!source) {
        SetGraphic(nullptr);
    } else if (auto* p = dynamic_cast<TPicture*>(source)) {
        SetGraphic(p->Graphic());
    } else if (auto* g = dynamic_cast<TGraphic*>(source)) {
        SetGraphic(g);
    } else {
        TPersistent::Assign(source);
    }
}

void TPicture::AssignTo(TPersistent* dest) {
    if (auto* g = dynamic_cast<TGraphic*>(dest)) {
        g->Assign(FGraphic.get());
        return;
    }
    TPersistent::AssignTo(dest);
}

void TPicture::Changed(TObject*) { OnChange(this); }
