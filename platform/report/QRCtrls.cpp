#include "platform/report/QRCtrls.h"

#include "platform/rtl/SysUtils.h"

#include <QFontMetrics>
#include <QPainter>
#include <QHash>
#include <QRawFont>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace platform::report;

namespace platform::report {
int TElementOutput::NeededHeight(int ownHeight) const {
    if (!Text || !Stretch) return ownHeight;
    return std::max(ownHeight, int(Lines.size()) * LineHeight);
}

void TElementOutput::Reset() {
    Lines.clear();
    Color = QColor();
    LineHeight = X = Width = Flags = 0;
    Stretch = PageCount = Text = false;
}
}  // namespace platform::report

namespace {

QColor ToQColor(TColor c) { return QColor::fromRgb(platform::graphics::ToQRgb(c)); }

int QtAlign(TAlignment a) {
    switch (a) {
    case taRightJustify: return Qt::AlignRight | Qt::AlignTop;
    case taCenter: return Qt::AlignHCenter | Qt::AlignTop;
    default: return Qt::AlignLeft | Qt::AlignTop;
    }
}

// The Qt font of an element's font, made once per face, height, style and pitch: a font made
// anew for every printed text looks its face up again, and so does every painter it reaches.
struct TFontInfo {
    QString Name;
    int Height = 0;
    unsigned Style = 0;
    TFontPitch Pitch = fpDefault;
    QFont Font;
    QFontMetrics Metrics{QFont()};
    QRawFont Raw;  // the same face's glyph advances
    int Slack = 0;  // per character: what kerning and ligatures may add to the advances
    // The advance of each plain character as the face gives it (NaN: not asked yet, -1: no
    // glyph of its own), and the widths of texts measured whole: lists print the same
    // captions and values on every page.
    mutable std::vector<double> Advances;
    mutable QHash<QString, int> Widths;

    double Advance(char16_t c) const {
        if (Advances.empty()) Advances.assign(0x250 + (0x20d0 - 0x2010), std::numeric_limits<double>::quiet_NaN());
        double& a = Advances[c < 0x250 ? c : 0x250 + (c - 0x2010)];
        if (std::isnan(a)) {
            const QList<quint32> glyph = Raw.glyphIndexesForString(QString(QChar(c)));
            a = glyph.size() != 1 || glyph[0] == 0 ? -1 : Raw.advancesForGlyphIndexes(glyph).value(0).x();
        }
        return a;
    }
    int Width(const QString& text) const {
        auto it = Widths.constFind(text);
        if (it != Widths.cend()) return *it;
        if (Widths.size() >= 4096) Widths.clear();
        const int w = Metrics.horizontalAdvance(text);
        Widths.insert(text, w);
        return w;
    }
};

unsigned StyleBits(TFontStyles s) {
    return unsigned(s.Contains(fsBold)) | unsigned(s.Contains(fsItalic)) << 1 | unsigned(s.Contains(fsUnderline)) << 2 |
           unsigned(s.Contains(fsStrikeOut)) << 3;
}

const TFontInfo& FontInfo(const TFont* font) {
    static std::vector<std::unique_ptr<TFontInfo>> fonts;
    static const TFontInfo* last = nullptr;
    const unsigned style = StyleBits(font->Style());
    auto same = [&](const TFontInfo* f) {
        return f->Height == font->Height() && f->Style == style && f->Pitch == font->Pitch() && f->Name == font->Name();
    };
    if (last && same(last)) return *last;
    for (const auto& f : fonts)
        if (same(f.get())) return *(last = f.get());
    auto f = std::make_unique<TFontInfo>();
    f->Name = font->Name();
    f->Height = font->Height();
    f->Style = style;
    f->Pitch = font->Pitch();
    f->Font = font->ToQFont();
    f->Metrics = QFontMetrics(f->Font);
    f->Raw = QRawFont::fromFont(f->Font);
    f->Slack = std::max(1, int(std::ceil(f->Font.pixelSize() * 0.1)));
    fonts.push_back(std::move(f));
    return *(last = fonts.back().get());
}

// Letters, digits and the punctuation of office texts: their shaped width never exceeds the
// sum of their glyphs' advances by more than the font's slack per character.
bool PlainChar(char16_t c) {
    return (c >= 0x20 && c < 0x7f) || (c >= 0xa0 && c < 0x250) || (c >= 0x2010 && c < 0x2070) ||
           (c >= 0x20a0 && c < 0x20d0);
}

// Whether a single line fits `width`, without shaping it when the sum of its glyphs' advances
// leaves room enough; shaped (as it prints) otherwise.
bool Fits(const QString& text, const TFontInfo& f, int width) {
    if (width <= 0) return f.Metrics.horizontalAdvance(text) <= width;
    const qsizetype n = text.size();
    if (n == 0) return true;
    bool plain = f.Raw.isValid();
    for (qsizetype i = 0; plain && i < n; ++i) plain = PlainChar(text[i].unicode());
    if (plain) {
        double advance = 0;
        for (qsizetype i = 0; plain && i < n; ++i) {
            const double a = f.Advance(text[i].unicode());
            plain = a >= 0;  // a missing glyph comes from another face
            advance += a;
        }
        if (plain && advance + double(n) * f.Slack <= width) return true;
    }
    return f.Width(text) <= width;
}

// Breaks one paragraph into lines no wider than width, at blanks where it can.
void WrapParagraph(const QString& text, const TFontInfo& font, int width, QStringList& out) {
    const QFontMetrics& fm = font.Metrics;
    if (width <= 0 || Fits(text, font, width)) {
        out << text;
        return;
    }
    QString line;
    int i = 0, n = int(text.size());
    while (i < n) {
        int j = i;
        while (j < n && text[j] != u' ') ++j;
        while (j < n && text[j] == u' ') ++j;
        QString word = text.mid(i, j - i);
        QString candidate = line + word;
        if (fm.horizontalAdvance(candidate.trimmed()) <= width || line.isEmpty()) {
            if (line.isEmpty() && fm.horizontalAdvance(word.trimmed()) > width) {
                // A word longer than the line: cut it where it overflows.
                QString rest = word;
                while (!rest.isEmpty() && fm.horizontalAdvance(rest.trimmed()) > width) {
                    int k = 1;
                    while (k < rest.size() && fm.horizontalAdvance(rest.left(k + 1)) <= width) ++k;
                    out << rest.left(k);
                    rest = rest.mid(k);
                }
                line = rest;
            } else {
                line = candidate;
            }
        } else {
            out << line.trimmed();
            line = word;
        }
        i = j;
    }
    if (!line.trimmed().isEmpty() || out.isEmpty()) out << line.trimmed();
}

// The part of a line that fits its box: a text running out of its column is cut at the box's
// edge, on the side away from its alignment, so that it never prints over the next column.
QString FitLine(const QString& line, const TFontInfo& font, int width, TAlignment alignment) {
    if (Fits(line, font, width)) return line;
    const QFontMetrics& fm = font.Metrics;
    if (width <= 0) return QString();
    int n = int(line.size());
    auto fits = [&](int from, int count) { return fm.horizontalAdvance(line.mid(from, count)) <= width; };
    int from = 0, count = 0;
    switch (alignment) {
    case taRightJustify: {
        int lo = 0, hi = n;  // the longest tail that fits
        while (lo < hi) {
            int mid = (lo + hi + 1) / 2;
            if (fits(n - mid, mid)) lo = mid;
            else hi = mid - 1;
        }
        count = lo;
        from = n - count;
        break;
    }
    case taCenter:
        from = n / 2;
        while (count < n) {
            int f = from - (count % 2 == 0 ? 0 : 1);
            if (f < 0 || !fits(f, count + 1)) break;
            from = f;
            ++count;
        }
        break;
    default: {
        int lo = 0, hi = n;  // the longest head that fits
        while (lo < hi) {
            int mid = (lo + hi + 1) / 2;
            if (fits(0, mid)) lo = mid;
            else hi = mid - 1;
        }
        count = lo;
        break;
    }
    }
    // Never split a surrogate pair.
    if (count > 0 && line[from].isLowSurrogate()) ++from, --count;
    if (count > 0 && line[from + count - 1].isHighSurrogate()) --count;
    return line.mid(from, count);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TQRPrintable::TQRPrintable(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>()) {
    FFont->SetColor(clBlack);
    FFont->OnChange = TNotifyEvent(this, &TQRPrintable::FontChanged);
}

TQRPrintable::~TQRPrintable() { SetParent(nullptr); }

void TQRPrintable::SetParent(TQRCustomBand* band) {
    if (band == FParent) return;
    if (FParent) {
        auto& list = FParent->FControls;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    FParent = band;
    if (band) {
        band->FControls.push_back(this);
        // A font inherited from the band is where changes to this element's font start from.
        if (FParentFont) {
            FFont->OnChange = nullptr;
            FFont->Assign(const_cast<TFont*>(band->EffectiveFont()));
            FFont->OnChange = TNotifyEvent(this, &TQRPrintable::FontChanged);
        }
    }
}

void TQRPrintable::SetBounds(int left, int top, int width, int height) {
    FLeft = left;
    FTop = top;
    SetWidth(width);
    SetHeight(height);
}

const TFont* TQRPrintable::EffectiveFont() const {
    if (FParentFont && FParent) return FParent->EffectiveFont();
    return FFont.get();
}

int TQRPrintable::BandWidth() const { return FParent ? FParent->Width() : FWidth; }

void TQRPrintable::PrepareOutput(TElementOutput& out) { out.Reset(); }

void TQRPrintable::LayoutText(const QString& text, TElementOutput& out) const {
    const TFont* font = EffectiveFont();
    const TFontInfo& info = FontInfo(font);
    const QFontMetrics& fm = info.Metrics;
    out.Text = true;
    out.Font = info.Font;
    out.Color = ToQColor(font->Color());
    out.LineHeight = fm.height();
    out.Flags = QtAlign(FAlignment);
    out.Stretch = FAutoStretch;

    bool wrap = FWordWrap && (!FAutoSize || FAutoStretch);
    int boxLeft = FAlignToBand ? 0 : FLeft;
    int boxWidth = FAlignToBand ? BandWidth() : FWidth;
    out.Lines.clear();
    if (!text.contains(u'\n') && !text.contains(u'\r')) {
        // One paragraph, as nearly every field of a list prints.
        if (wrap) WrapParagraph(text, info, boxWidth, out.Lines);
        else out.Lines << text;
    } else {
        QString t = text;
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        const QStringList paragraphs = t.split(u'\n');
        for (const QString& p : paragraphs) {
            if (wrap) WrapParagraph(p, info, boxWidth, out.Lines);
            else out.Lines << p;
        }
        // A trailing line break adds no printed line.
        while (out.Lines.size() > 1 && out.Lines.back().isEmpty() && t.endsWith(u'\n')) {
            out.Lines.removeLast();
            t.chop(1);
        }
    }
    if (FAutoSize && !wrap && !FAlignToBand) {
        int w = 0;
        for (const QString& l : out.Lines) w = std::max(w, info.Width(l));
        switch (FAlignment) {
        case taRightJustify: out.X = FLeft + FWidth - w; break;
        case taCenter: out.X = FLeft + (FWidth - w) / 2; break;
        default: out.X = FLeft; break;
        }
        out.Width = w;
    } else {
        out.X = boxLeft;
        out.Width = boxWidth;
        if (!wrap)  // wrapped lines already fit
            for (QString& l : out.Lines) l = FitLine(l, info, boxWidth, FAlignment);
    }
}

void TQRPrintable::Render(TQRPageRecord& page, int x, int y, const TElementOutput& out, int firstLine, int lineCount) {
    if (!out.Text) return;
    int lh = out.LineHeight;
    int shown = std::max(lineCount, 0);
    int boxHeight = out.Stretch ? std::max(FHeight, shown * lh) : std::max(FHeight, lh);
    if (firstLine > 0) boxHeight = shown * lh;
    QRect box(x + out.X, y, out.Width, boxHeight);
    if (!FTransparent) {
        TPageOp fill;
        fill.Kind = TOpKind::Rect;
        fill.Rect = box;
        fill.PenStyle = Qt::NoPen;
        fill.Fill = ToQColor(FColor);
        page.Ops.push_back(std::move(fill));
    }
    for (int i = 0; i < shown; ++i) {
        int index = firstLine + i;
        if (index >= out.Lines.size()) break;
        page.Ops.push_back(TPageOp{.Kind = TOpKind::Text,
                                   .Rect = QRect(x + out.X, y + i * lh, out.Width, lh),
                                   .Text = out.Lines[index],
                                   .Font = out.Font,
                                   .Color = out.Color,
                                   .Flags = out.Flags,
                                   .PageCount = out.PageCount});
    }
    FFrame.Record(page, box);
}

// ---------------------------------------------------------------------------------------------

void TQRCustomLabel::PrepareOutput(TElementOutput& out) {
    out.Reset();
    QString text = PrintText();
    OnPrint(this, text);
    LayoutText(text, out);
}

TQRLabel::TQRLabel(TComponent* owner) : TQRCustomLabel(owner) {}

TQRDBText::TQRDBText(TComponent* owner) : TQRCustomLabel(owner) {}

void TQRDBText::SetDataSet(TDataSet* dataSet) {
    FDataSet = dataSet;
    if (dataSet) dataSet->FreeNotification(this);
}

void TQRDBText::Notification(TComponent* component, TOperation operation) {
    TQRCustomLabel::Notification(component, operation);
    if (operation == opRemove && component == FDataSet) FDataSet = nullptr;
    if (operation == opRemove && component == FField) FField = nullptr;
}

// Found by name once per field: every row of a list asks again.
TField* TQRDBText::Field() {
    // Pending rows are brought up first, as FieldByName does: bringing them up later, from inside
    // the read, would free the field being read.
    FDataSet->Fields();
    if (FField && FField->DataSet() == FDataSet) {
        const QString name = FField->FieldName();
        if (name == FDataField || name.compare(FDataField, Qt::CaseInsensitive) == 0) return FField;
    }
    FField = FDataSet->FieldByName(FDataField);  // a wrong name is an error, not a blank
    FField->FreeNotification(this);
    return FField;
}

QString TQRDBText::PrintText() {
    if (!FDataSet || !FDataSet->Active() || FDataField.isEmpty()) return QString();
    TField* f = Field();
    if (f->IsNull()) return QString();
    switch (f->DataType()) {
    case ftMemo:
    case ftFmtMemo:
    case ftBlob:
        return f->AsString();
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
        if (!FMask.isEmpty()) return FormatFloat(FMask, f->AsFloat());
        return f->DisplayText();
    default:
        return f->DisplayText();
    }
}

// ---------------------------------------------------------------------------------------------

TQRExpr::TQRExpr(TComponent* owner) : TQRCustomLabel(owner) {
    FEval.SetResolver([this](const QString& q, const QString& n) { return Resolve(q, n); });
}

TQRExpr::~TQRExpr() = default;

void TQRExpr::SetExpression(const QString& v) {
    if (v == FExpression) return;
    FExpression = v;
    FEval.Compile(QString());  // recompiled on next use
    FEval.Reset();
    FCompiledFor.clear();
    FCompiledOnce = false;
}

void TQRExpr::EnsureCompiled() {
    if (FCompiledOnce && FCompiledFor == FExpression) return;
    FEval.Compile(FExpression);
    FCompiledFor = FExpression;
    FCompiledOnce = true;
}

TComponent* TQRExpr::EffectiveMaster() const {
    if (FMaster) return FMaster;
    return Parent() ? Parent()->ParentReport() : nullptr;
}

TField* TQRExpr::Resolve(const QString& qualifier, const QString& name) const {
    TDataSet* set = nullptr;
    if (!qualifier.isEmpty()) {
        for (TComponent* o = Owner(); o && !set; o = o->Owner()) set = dynamic_cast<TDataSet*>(o->FindComponent(qualifier));
    } else if (auto* sub = dynamic_cast<TQRSubDetail*>(EffectiveMaster())) {
        set = sub->DataSet();
    } else if (auto* rep = dynamic_cast<TQuickRep*>(EffectiveMaster())) {
        set = rep->DataSet();
    }
    return set ? set->FindField(name) : nullptr;
}

void TQRExpr::Notification(TComponent* component, TOperation operation) {
    TQRCustomLabel::Notification(component, operation);
    if (operation == opRemove && component == FMaster) FMaster = nullptr;
}

TQRValue TQRExpr::Value() {
    EnsureCompiled();
    return FEval.Value();
}

QString TQRExpr::PrintText() { return Value().AsString(FMask); }

void TQRExpr::Reset() {
    EnsureCompiled();
    FEval.Reset();
}

void TQRExpr::Update() {
    EnsureCompiled();
    FEval.Update();
}

bool TQRExpr::IsAggregate() {
    EnsureCompiled();
    return FEval.IsAggregate();
}

// ---------------------------------------------------------------------------------------------

TQRSysData::TQRSysData(TComponent* owner) : TQRCustomLabel(owner) {}

QString TQRSysData::PrintText() {
    TQuickRep* r = Parent() ? Parent()->ParentReport() : nullptr;
    switch (FData) {
    case qrsTime: return FText + TimeToStr(Time());
    case qrsDate: return FText + DateToStr(Date());
    case qrsDateTime: return FText + DateTimeToStr(Now());
    case qrsPageNumber: return FText + IntToStr(r ? r->PageNumber() : 0);
    case qrsReportTitle: return FText + (r ? r->ReportTitle() : QString());
    case qrsDetailCount: return FText + IntToStr(r ? r->RecordCount() : 0);
    case qrsDetailNo: return FText + IntToStr(r ? r->RecordNumber() : 0);
    case qrsPageCount: return FText;
    }
    return FText;
}

void TQRSysData::PrepareOutput(TElementOutput& out) {
    if (FData != qrsPageCount) {
        TQRCustomLabel::PrepareOutput(out);
        return;
    }
    // The page count is known only when the run ends: room for it is measured now.
    out.Reset();
    QString text = PrintText();
    OnPrint(this, text);
    LayoutText(text + QStringLiteral("9999"), out);
    out.Lines = QStringList{text};
    out.PageCount = true;
}

// ---------------------------------------------------------------------------------------------

TQRMemo::TQRMemo(TComponent* owner) : TQRCustomLabel(owner), FLines(std::make_unique<TStringList>()) {
    SetAutoSize(false);
}

QString TQRMemo::PrintText() {
    QStringList l;
    for (int i = 0; i < FLines->Count(); ++i) l << FLines->Strings(i);
    return l.join(u'\n');
}

// ---------------------------------------------------------------------------------------------

TQRShape::TQRShape(TComponent* owner)
    : TQRPrintable(owner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {}

void TQRShape::Render(TQRPageRecord& page, int x, int y, const TElementOutput&, int, int) {
    Qt::PenStyle style = Qt::SolidLine;
    switch (FPen->Style()) {
    case psDash: style = Qt::DashLine; break;
    case psDot: style = Qt::DotLine; break;
    case psDashDot: style = Qt::DashDotLine; break;
    case psDashDotDot: style = Qt::DashDotDotLine; break;
    case psClear: style = Qt::NoPen; break;
    default: break;
    }
    QRect r(x + Left(), y, Width(), Height());
    auto base = [&](TOpKind kind) {
        TPageOp op;
        op.Kind = kind;
        op.Color = ToQColor(FPen->Color());
        op.PenWidth = FPen->Width();
        op.PenStyle = style;
        return op;
    };
    auto line = [&](QPoint a, QPoint b) {
        if (style == Qt::NoPen) return;
        TPageOp op = base(TOpKind::Line);
        op.Rect = QRect(a, b);
        page.Ops.push_back(std::move(op));
    };
    int right = r.x() + r.width(), bottom = r.y() + r.height();
    int midX = r.x() + r.width() / 2, midY = r.y() + r.height() / 2;
    switch (FShape) {
    case qrsRectangle:
    case qrsCircle: {
        TPageOp op = base(FShape == qrsRectangle ? TOpKind::Rect : TOpKind::Ellipse);
        op.Rect = r;
        if (FBrush->Style() != bsClear) op.Fill = ToQColor(FBrush->Color());
        page.Ops.push_back(std::move(op));
        break;
    }
    case qrsHorLine: line({r.x(), midY}, {right, midY}); break;
    case qrsVertLine: line({midX, r.y()}, {midX, bottom}); break;
    case qrsTopAndBottom:
        line({r.x(), r.y()}, {right, r.y()});
        line({r.x(), bottom}, {right, bottom});
        break;
    case qrsRightAndLeft:
        line({r.x(), r.y()}, {r.x(), bottom});
        line({right, r.y()}, {right, bottom});
        break;
    }
}

// ---------------------------------------------------------------------------------------------

TQRImage::TQRImage(TComponent* owner) : TQRPrintable(owner), FPicture(std::make_unique<TPicture>()) {
    SetAutoSize(false);
    FPicture->OnChange = TNotifyEvent(this, &TQRImage::PictureChanged);
}

TQRImage::~TQRImage() = default;

void TQRImage::Render(TQRPageRecord& page, int x, int y, const TElementOutput&, int, int) {
    TGraphic* g = FPicture->Graphic();
    if (!g || g->Empty() || g->Width() <= 0 || g->Height() <= 0) return;
    if (!FCacheValid) {
        if (auto* bmp = dynamic_cast<TBitmap*>(g)) {
            FCache = bmp->ToImage();
        } else {
            FCache = QImage(g->Width(), g->Height(), QImage::Format_ARGB32_Premultiplied);
            FCache.fill(Qt::transparent);
            QPainter p(&FCache);
            TCanvas canvas;
            canvas.Attach(&p);
            canvas.Draw(0, 0, g);
            canvas.Detach();
        }
        FCacheValid = true;
    }
    TPageOp op;
    op.Kind = TOpKind::Image;
    if (FStretch) {
        op.Rect = QRect(x + Left(), y, Width(), Height());
        op.Image = FCache;
    } else {
        int w = std::min(FCache.width(), Width()), h = std::min(FCache.height(), Height());
        int dx = FCenter ? std::max(0, (Width() - FCache.width()) / 2) : 0;
        int dy = FCenter ? std::max(0, (Height() - FCache.height()) / 2) : 0;
        op.Rect = QRect(x + Left() + dx, y + dy, w, h);
        // One copy of the part shown serves every page.
        if (w == FCache.width() && h == FCache.height()) {
            op.Image = FCache;
        } else {
            if (FCrop.size() != QSize(w, h)) FCrop = FCache.copy(0, 0, w, h);
            op.Image = FCrop;
        }
    }
    page.Ops.push_back(std::move(op));
}
