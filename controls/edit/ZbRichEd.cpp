#include "controls/edit/ZbRichEd.h"

#include "controls/edit/ZbRichEd_rtf.h"
#include "platform/forms/GraphicsGlue.h"
#include "platform/forms/Host.h"
#include "platform/forms/Printers.h"

#include <QAbstractTextDocumentLayout>
#include <cmath>
#include <cstring>
#include <QClipboard>
#include <QDir>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QTextObjectInterface>

using platform::forms::Guarded;
using platform::forms::QtColor;
using platform::forms::QtFont;
using platform::forms::THost;
namespace rtf = controls::edit::rtf;

const QString CF_RTF = QStringLiteral("text/rtf");
const QString CF_RTFNOOBJS = QStringLiteral("Rich Text Format Without Objects");

namespace {

// Names other programs give RTF on the clipboard, ours first.
const QStringList& RtfFormats() {
    static const QStringList names = {CF_RTF, QStringLiteral("application/rtf"), QStringLiteral("text/richtext"),
                                      QStringLiteral("Rich Text Format"), CF_RTFNOOBJS};
    return names;
}

// Draws an embedded object, which cannot be run here, as a framed box in the text.
class TObjectPainter : public QObject, public QTextObjectInterface {
public:
    using QObject::QObject;
    // Without moc: the layout finds the interface through this cast.
    void* qt_metacast(const char* name) override {
        if (name && std::strcmp(name, qobject_interface_iid<QTextObjectInterface*>()) == 0)
            return static_cast<QTextObjectInterface*>(this);
        return QObject::qt_metacast(name);
    }
    QSizeF intrinsicSize(QTextDocument*, int, const QTextFormat& format) override {
        const QFontMetricsF m(format.toCharFormat().font());
        return QSizeF(m.height() * 2, m.height() * 1.5);
    }
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat&) override {
        painter->save();
        painter->setPen(QColor(128, 128, 128));
        painter->setBrush(QColor(224, 224, 224));
        painter->drawRect(rect.adjusted(0.5, 0.5, -1.5, -1.5));
        painter->drawLine(rect.topLeft() + QPointF(3, 3), rect.bottomRight() - QPointF(4, 4));
        painter->drawLine(rect.topRight() + QPointF(-4, 3), rect.bottomLeft() + QPointF(3, -4));
        painter->restore();
    }
};

void RegisterObjectPainter(QTextDocument* doc) {
    doc->documentLayout()->registerHandler(rtf::EmbeddedObjectType, new TObjectPainter(doc));
}

struct TConversionFormat {
    QString Extension;
    TConversionClass ConversionClass;
    bool PlainText;
};

std::vector<TConversionFormat>& ConversionFormats() {
    static std::vector<TConversionFormat> formats = {
        {QStringLiteral("txt"), [] { return std::make_unique<TConversion>(); }, true},
        {QStringLiteral("rtf"), [] { return std::make_unique<TConversion>(); }, false},
    };
    return formats;
}

const TConversionFormat* FindConversion(const QString& fileName) {
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const int slash = fileName.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash) return nullptr;
    const QString ext = fileName.mid(dot + 1).toLower();
    for (const TConversionFormat& f : ConversionFormats())
        if (f.Extension == ext) return &f;
    return nullptr;
}

TColor ColorOf(const QColor& c) { return platform::graphics::FromQRgb(c.rgb()); }

// Clicks on the text's links, seen on the editor's viewport.
class TLinkFilter : public QObject {
public:
    explicit TLinkFilter(std::function<bool(QMouseEvent*)> handler) : FHandler(std::move(handler)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease)
            FHandler(static_cast<QMouseEvent*>(e));
        return false;
    }

private:
    std::function<bool(QMouseEvent*)> FHandler;
};

const QRegularExpression& LinkPattern() {
    static const QRegularExpression re(
        QStringLiteral(R"((?:(?:https?|ftp|file|mailto|news):[^\s<>"]+|www\.[^\s<>"]+))"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

}  // namespace

// ------------------------------------------------------------------ converter

int TConversion::ConvertReadStream(TStream* stream, char* buffer, int bufSize) {
    return int(stream->Read(buffer, bufSize));
}

int TConversion::ConvertWriteStream(TStream* stream, const char* buffer, int bufSize) {
    return int(stream->Write(buffer, bufSize));
}

// ------------------------------------------------------------------ character attributes

TZbTextAttributes::TZbTextAttributes(TZbCustomRichEdit* owner, TAttributeType type) : FRichEdit(owner), FType(type) {}

QTextCharFormat TZbTextAttributes::Get() const {
    QTextEdit* ed = FRichEdit->Editor();
    const QFont def = ed->document()->defaultFont();
    QTextCharFormat f;
    if (FType == atDefaultText) {
        f.setFont(def);
        if (FRichEdit->FDefaultColor != clWindowText) f.setForeground(QtColor(FRichEdit->FDefaultColor));
        return f;
    }
    QTextCursor c = ed->textCursor();
    if (FType == atWord && !c.hasSelection()) c.select(QTextCursor::WordUnderCursor);
    if (c.hasSelection()) {
        QTextCursor at(ed->document());
        at.setPosition(c.selectionStart() + 1);
        f = at.charFormat();
    } else {
        f = ed->currentCharFormat();
    }
    if (f.fontFamilies().toStringList().isEmpty()) f.setFontFamilies(QStringList{def.family()});
    if (f.fontPointSize() <= 0) f.setFontPointSize(def.pointSizeF() > 0 ? def.pointSizeF() : 10);
    return f;
}

void TZbTextAttributes::Set(const QTextCharFormat& changes) {
    QTextEdit* ed = FRichEdit->Editor();
    QTextDocument* doc = ed->document();
    // Colour "automatic" is the absence of a colour: merging cannot remove it.
    const bool autoColor = changes.hasProperty(QTextFormat::UserProperty + 99);
    const auto modify = [&](QTextCharFormat f) {
        f.merge(changes);
        f.clearProperty(QTextFormat::UserProperty + 99);
        if (autoColor) f.clearForeground();
        if (changes.hasProperty(rtf::PitchProperty) && changes.intProperty(rtf::PitchProperty) == 0)
            f.clearProperty(rtf::PitchProperty);
        return f;
    };
    if (FType == atDefaultText) {
        QFont font = doc->defaultFont();
        const QTextCharFormat f = modify(Get());
        font.setFamilies(f.fontFamilies().toStringList());
        font.setPointSizeF(f.fontPointSize());
        font.setBold(f.fontWeight() >= QFont::DemiBold);
        font.setItalic(f.fontItalic());
        font.setUnderline(f.fontUnderline());
        font.setStrikeOut(f.fontStrikeOut());
        font.setFixedPitch(f.fontFixedPitch());
        doc->setDefaultFont(font);
        FRichEdit->FDefaultColor = f.hasProperty(QTextFormat::ForegroundBrush) ? ColorOf(f.foreground().color()) : clWindowText;
        QPalette pal = ed->palette();
        pal.setColor(QPalette::Text, QtColor(FRichEdit->FDefaultColor));
        ed->setPalette(pal);
        return;
    }
    QTextCursor c = ed->textCursor();
    if (FType == atWord && !c.hasSelection()) c.select(QTextCursor::WordUnderCursor);
    if (!c.hasSelection()) {
        ed->setCurrentCharFormat(modify(ed->currentCharFormat()));
        return;
    }
    const int start = c.selectionStart(), end = c.selectionEnd();
    // The runs are taken first: changing a format merges and splits the fragments.
    struct TRun {
        int Start, End;
        QTextCharFormat Format;
    };
    std::vector<TRun> runs;
    for (QTextBlock b = doc->findBlock(start); b.isValid() && b.position() < end; b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            const int s = std::max(start, fr.position()), e = std::min(end, fr.position() + fr.length());
            if (s < e) runs.push_back({s, e, modify(fr.charFormat())});
        }
    QTextCursor w(doc);
    w.beginEditBlock();
    for (const TRun& r : runs) {
        w.setPosition(r.Start);
        w.setPosition(r.End, QTextCursor::KeepAnchor);
        w.setCharFormat(r.Format);
    }
    w.endEditBlock();
}

TColor TZbTextAttributes::Color() const {
    const QTextCharFormat f = Get();
    return f.hasProperty(QTextFormat::ForegroundBrush) ? ColorOf(f.foreground().color()) : clWindowText;
}

void TZbTextAttributes::SetColor(TColor v) {
    QTextCharFormat f;
    if (v == clWindowText || v == clDefault) f.setProperty(QTextFormat::UserProperty + 99, true);
    else f.setForeground(QtColor(v));
    Set(f);
}

QString TZbTextAttributes::Name() const {
    const QStringList fam = Get().fontFamilies().toStringList();
    return fam.isEmpty() ? QString() : fam.first();
}

void TZbTextAttributes::SetName(const QString& v) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{v.left(31)});
    Set(f);
}

TFontStyles TZbTextAttributes::Style() const {
    const QTextCharFormat f = Get();
    TFontStyles s;
    if (f.fontWeight() >= QFont::DemiBold) s += fsBold;
    if (f.fontItalic()) s += fsItalic;
    if (f.fontUnderline()) s += fsUnderline;
    if (f.fontStrikeOut()) s += fsStrikeOut;
    return s;
}

void TZbTextAttributes::SetStyle(TFontStyles v) {
    QTextCharFormat f;
    f.setFontWeight(v.Contains(fsBold) ? QFont::Bold : QFont::Normal);
    f.setFontItalic(v.Contains(fsItalic));
    f.setFontUnderline(v.Contains(fsUnderline));
    f.setFontStrikeOut(v.Contains(fsStrikeOut));
    Set(f);
}

int TZbTextAttributes::Size() const { return int(Get().fontPointSize()); }

void TZbTextAttributes::SetSize(int points) {
    QTextCharFormat f;
    f.setFontPointSize(std::clamp(points, 1, 1638));
    Set(f);
}

TFontPitch TZbTextAttributes::Pitch() const {
    const QTextCharFormat f = Get();
    const int p = f.hasProperty(rtf::PitchProperty) ? f.intProperty(rtf::PitchProperty) : (f.fontFixedPitch() ? 1 : 0);
    return p == 1 ? fpFixed : p == 2 ? fpVariable : fpDefault;
}

void TZbTextAttributes::SetPitch(TFontPitch v) {
    QTextCharFormat f;
    f.setFontFixedPitch(v == fpFixed);
    f.setProperty(rtf::PitchProperty, v == fpFixed ? 1 : v == fpVariable ? 2 : 0);
    Set(f);
}

void TZbTextAttributes::Assign(TPersistent* source) {
    if (auto* font = dynamic_cast<TFont*>(source)) {
        QTextCharFormat f;
        if (font->Color() == clWindowText || font->Color() == clDefault) f.setProperty(QTextFormat::UserProperty + 99, true);
        else f.setForeground(QtColor(font->Color()));
        f.setFontFamilies(QStringList{font->Name().left(31)});
        const TFontStyles s = font->Style();
        f.setFontWeight(s.Contains(fsBold) ? QFont::Bold : QFont::Normal);
        f.setFontItalic(s.Contains(fsItalic));
        f.setFontUnderline(s.Contains(fsUnderline));
        f.setFontStrikeOut(s.Contains(fsStrikeOut));
        f.setFontPointSize(std::clamp(font->Size(), 1, 1638));
        f.setFontFixedPitch(font->Pitch() == fpFixed);
        f.setProperty(rtf::PitchProperty, font->Pitch() == fpFixed ? 1 : font->Pitch() == fpVariable ? 2 : 0);
        Set(f);
        return;
    }
    if (auto* other = dynamic_cast<TZbTextAttributes*>(source)) {
        QTextCharFormat f = other->Get();
        if (!f.hasProperty(QTextFormat::ForegroundBrush)) f.setProperty(QTextFormat::UserProperty + 99, true);
        if (!f.hasProperty(rtf::PitchProperty)) f.setProperty(rtf::PitchProperty, f.fontFixedPitch() ? 1 : 0);
        Set(f);
        return;
    }
    TPersistent::Assign(source);
}

void TZbTextAttributes::AssignTo(TPersistent* dest) {
    if (auto* font = dynamic_cast<TFont*>(dest)) {
        font->SetColor(Color());
        font->SetName(Name());
        font->SetStyle(Style());
        font->SetSize(Size());
        font->SetPitch(Pitch());
        return;
    }
    TPersistent::AssignTo(dest);
}

// ------------------------------------------------------------------ paragraph attributes

namespace {

QTextBlockFormat FirstBlockFormat(TZbCustomRichEdit* edit) {
    const QTextCursor c = edit->Editor()->textCursor();
    return edit->Document()->findBlock(c.selectionStart()).blockFormat();
}

// Runs `change` on the format of every paragraph the selection touches.
void ChangeParagraphs(TZbCustomRichEdit* edit, const std::function<void(QTextBlockFormat&, const QTextBlock&)>& change) {
    QTextDocument* doc = edit->Document();
    const QTextCursor sel = edit->Editor()->textCursor();
    QTextCursor w(doc);
    w.beginEditBlock();
    const QTextBlock last = doc->findBlock(sel.selectionEnd());
    for (QTextBlock b = doc->findBlock(sel.selectionStart()); b.isValid(); b = b.next()) {
        QTextBlockFormat f = b.blockFormat();
        change(f, b);
        w.setPosition(b.position());
        w.setBlockFormat(f);
        if (b == last) break;
    }
    w.endEditBlock();
}

}  // namespace

TAlignment TZbParaAttributes::Alignment() const {
    const Qt::Alignment a = FirstBlockFormat(FRichEdit).alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify) return taLeftJustify;
    if (a & Qt::AlignHCenter) return taCenter;
    if (a & Qt::AlignRight) return taRightJustify;
    return taLeftJustify;
}

void TZbParaAttributes::SetAlignment(TAlignment v) {
    const Qt::Alignment a = v == taCenter ? Qt::AlignHCenter : v == taRightJustify ? (Qt::AlignRight | Qt::AlignAbsolute)
                                                                                    : (Qt::AlignLeft | Qt::AlignAbsolute);
    ChangeParagraphs(FRichEdit, [a](QTextBlockFormat& f, const QTextBlock&) { f.setAlignment(a); });
}

TNumberingStyle TZbParaAttributes::Numbering() const {
    const QTextCursor c = FRichEdit->Editor()->textCursor();
    return FRichEdit->Document()->findBlock(c.selectionStart()).textList() ? nsBullet : nsNone;
}

void TZbParaAttributes::SetNumbering(TNumberingStyle v) {
    const qreal ppp = FRichEdit->PixelsPerPoint();
    QTextDocument* doc = FRichEdit->Document();
    const QTextCursor sel = FRichEdit->Editor()->textCursor();
    QTextCursor w(doc);
    w.beginEditBlock();
    if (v == nsNone) {
        ChangeParagraphs(FRichEdit, [&](QTextBlockFormat& f, const QTextBlock& b) {
            if (QTextList* list = b.textList()) list->remove(b);
            f.setObjectIndex(-1);
            rtf::SetIndents(f, rtf::StartIndent(f, ppp), 0, false, ppp);
        });
    } else {
        ChangeParagraphs(FRichEdit, [&](QTextBlockFormat& f, const QTextBlock&) {
            rtf::SetIndents(f, rtf::StartIndent(f, ppp), std::max(200, rtf::Offset(f, ppp)), true, ppp);
        });
        const QTextBlock first = doc->findBlock(sel.selectionStart());
        const QTextBlock last = doc->findBlock(sel.selectionEnd());
        QTextList* list = first.textList();
        if (!list && first.previous().isValid()) list = first.previous().textList();
        if (!list) {
            QTextCursor c(first);
            QTextListFormat lf;
            lf.setStyle(QTextListFormat::ListDisc);
            lf.setIndent(0);
            list = c.createList(lf);
        }
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            if (b.textList() != list) {
                if (QTextList* other = b.textList()) other->remove(b);
                list->add(b);
            }
            if (b == last) break;
        }
    }
    w.endEditBlock();
}

int TZbParaAttributes::FirstIndent() const { return rtf::StartIndent(FirstBlockFormat(FRichEdit), FRichEdit->PixelsPerPoint()) / 20; }

void TZbParaAttributes::SetFirstIndent(int v) {
    const qreal ppp = FRichEdit->PixelsPerPoint();
    ChangeParagraphs(FRichEdit, [&](QTextBlockFormat& f, const QTextBlock& b) {
        rtf::SetIndents(f, v * 20, rtf::Offset(f, ppp), b.textList() != nullptr, ppp);
    });
}

int TZbParaAttributes::LeftIndent() const { return rtf::Offset(FirstBlockFormat(FRichEdit), FRichEdit->PixelsPerPoint()) / 20; }

void TZbParaAttributes::SetLeftIndent(int v) {
    const qreal ppp = FRichEdit->PixelsPerPoint();
    ChangeParagraphs(FRichEdit, [&](QTextBlockFormat& f, const QTextBlock& b) {
        rtf::SetIndents(f, rtf::StartIndent(f, ppp), v * 20, b.textList() != nullptr, ppp);
    });
}

int TZbParaAttributes::RightIndent() const {
    return qRound(FirstBlockFormat(FRichEdit).rightMargin() / FRichEdit->PixelsPerPoint());
}

void TZbParaAttributes::SetRightIndent(int v) {
    const qreal px = std::max(0, v) * FRichEdit->PixelsPerPoint();
    ChangeParagraphs(FRichEdit, [px](QTextBlockFormat& f, const QTextBlock&) { f.setRightMargin(px); });
}

int TZbParaAttributes::Tab(int index) const {
    const QList<QTextOption::Tab> tabs = FirstBlockFormat(FRichEdit).tabPositions();
    if (index < 0 || index >= tabs.size()) return 0;
    return qRound(tabs[index].position / FRichEdit->PixelsPerPoint());
}

void TZbParaAttributes::SetTab(int index, int v) {
    if (index < 0 || index > 31) return;
    const qreal px = v * FRichEdit->PixelsPerPoint();
    ChangeParagraphs(FRichEdit, [&](QTextBlockFormat& f, const QTextBlock&) {
        QList<QTextOption::Tab> tabs = f.tabPositions();
        // The stop set counts: the list grows to hold it.
        while (tabs.size() <= index) tabs.append(QTextOption::Tab(0, QTextOption::LeftTab));
        tabs[index].position = px;
        f.setTabPositions(tabs);
    });
}

int TZbParaAttributes::TabCount() const { return int(FirstBlockFormat(FRichEdit).tabPositions().size()); }

void TZbParaAttributes::SetTabCount(int v) {
    v = std::clamp(v, 0, 32);
    ChangeParagraphs(FRichEdit, [v](QTextBlockFormat& f, const QTextBlock&) {
        QList<QTextOption::Tab> tabs = f.tabPositions();
        while (tabs.size() > v) tabs.removeLast();
        while (tabs.size() < v) tabs.append(QTextOption::Tab(0, QTextOption::LeftTab));
        f.setTabPositions(tabs);
    });
}

void TZbParaAttributes::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TZbParaAttributes*>(source)) {
        SetAlignment(other->Alignment());
        SetFirstIndent(other->FirstIndent());
        SetLeftIndent(other->LeftIndent());
        SetRightIndent(other->RightIndent());
        SetNumbering(other->Numbering());
        SetTabCount(other->TabCount());
        for (int i = 0; i < other->TabCount(); ++i) SetTab(i, other->Tab(i));
        return;
    }
    TPersistent::Assign(source);
}

// ------------------------------------------------------------------ lines

TRichEditStrings::~TRichEditStrings() = default;

int TRichEditStrings::Count() const {
    const QTextDocument* doc = FRichEdit->Document();
    int n = doc->blockCount();
    if (doc->lastBlock().length() <= 1) --n;
    return n;
}

QString TRichEditStrings::Get(int index) const {
    const QTextBlock b = FRichEdit->Document()->findBlockByNumber(index);
    if (!b.isValid()) return QString();
    QString t = b.text();
    t.replace(QChar(0x2028), QLatin1Char('\v'));
    return t;
}

void TRichEditStrings::Put(int index, const QString& s) {
    const QTextBlock b = FRichEdit->Document()->findBlockByNumber(index);
    if (!b.isValid()) return;
    QTextCursor c(b);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    if (!FRichEdit->ChangeAllowed(pcProgram, c.selectionStart(), c.selectionEnd())) return;
    QString t = s;
    t.replace(QLatin1Char('\v'), QChar(0x2028));
    c.insertText(t);
}

void TRichEditStrings::Insert(int index, const QString& s) {
    QTextDocument* doc = FRichEdit->Document();
    const int count = Count();
    if (index < 0 || index > count) throw EOutOfResources(QStringLiteral("RichEdit line insertion error"));
    QString t = s;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor c(doc);
    const int at = index < count ? doc->findBlockByNumber(index).position() : FRichEdit->GetTextLen();
    if (!FRichEdit->ChangeAllowed(pcProgram, at, at)) return;
    if (index < count) {
        c.setPosition(at);
        c.insertText(t);
        c.insertBlock();
    } else {
        c.movePosition(QTextCursor::End);
        // The empty paragraph that ends the text takes the line; else a new one follows.
        if (doc->lastBlock().length() > 1) c.insertBlock();
        c.insertText(t);
    }
}

void TRichEditStrings::Delete(int index) {
    QTextDocument* doc = FRichEdit->Document();
    if (index < 0 || index >= doc->blockCount()) return;
    const QTextBlock b = doc->findBlockByNumber(index);
    QTextCursor c(doc);
    if (b.next().isValid()) {
        c.setPosition(b.position());
        c.setPosition(b.next().position(), QTextCursor::KeepAnchor);
    } else if (b.previous().isValid()) {
        c.setPosition(b.position() - 1);
        c.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
    } else {
        c.setPosition(b.position());
        c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    }
    if (!FRichEdit->ChangeAllowed(pcProgram, c.selectionStart(), c.selectionEnd())) return;
    c.removeSelectedText();
}

void TRichEditStrings::Clear() { FRichEdit->Clear(); }

void TRichEditStrings::SetText(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (!FRichEdit->ChangeAllowed(pcProgram, 0, FRichEdit->GetTextLen())) return;
    FRichEdit->SetContentsSilently([&] { FRichEdit->Document()->setPlainText(t); });
}

void TRichEditStrings::AddStrings(const TStrings* strings) {
    const bool was = FRichEdit->FSelChangeSuspended;
    FRichEdit->FSelChangeSuspended = true;
    try {
        TStrings::AddStrings(strings);
    } catch (...) {
        FRichEdit->FSelChangeSuspended = was;
        throw;
    }
    FRichEdit->FSelChangeSuspended = was;
}

void TRichEditStrings::SetUpdateState(bool updating) {
    QTextEdit* ed = FRichEdit->Editor();
    ed->setUpdatesEnabled(!updating);
    if (!updating) {
        ed->viewport()->update();
        FRichEdit->Change();
    }
}

void TRichEditStrings::LoadFromStream(TStream* stream) {
    if (!FConverter) FConverter = std::make_unique<TConversion>();
    QByteArray data;
    try {
        char buf[4096];
        for (;;) {
            const int n = FConverter->ConvertReadStream(stream, buf, int(sizeof buf));
            if (n <= 0) break;
            data.append(buf, n);
        }
    } catch (const Exception&) {
        throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
    }
    FRichEdit->LoadBytes(data, FRichEdit->FStreamFormat, FRichEdit->FStreamMode);
}

void TRichEditStrings::SaveToStream(TStream* stream) const {
    if (!FConverter) FConverter = std::make_unique<TConversion>();
    const QByteArray data = FRichEdit->SaveBytes(FRichEdit->FStreamFormat, FRichEdit->FStreamMode);
    try {
        for (qsizetype at = 0; at < data.size();) {
            const int chunk = int(std::min<qsizetype>(4096, data.size() - at));
            const int n = FConverter->ConvertWriteStream(stream, data.constData() + at, chunk);
            if (n != chunk) throw EWriteError(QString());
            at += n;
        }
    } catch (const Exception&) {
        throw EOutOfResources(QStringLiteral("Failed to Save Stream"));
    }
}

void TRichEditStrings::LoadFromFile(const QString& fileName) {
    const TRichStreamFormat old = FRichEdit->FStreamFormat;
    if (const TConversionFormat* f = FindConversion(fileName)) {
        FRichEdit->FStreamFormat = f->PlainText ? sfPlainText : sfRichText;
        if (!FConverter) FConverter = f->ConversionClass();
    }
    try {
        TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
        LoadFromStream(&stream);
    } catch (...) {
        FRichEdit->FStreamFormat = old;
        throw;
    }
    FRichEdit->FStreamFormat = old;
}

void TRichEditStrings::SaveToFile(const QString& fileName) const {
    const TRichStreamFormat old = FRichEdit->FStreamFormat;
    if (const TConversionFormat* f = FindConversion(fileName)) {
        FRichEdit->FStreamFormat = f->PlainText ? sfPlainText : sfRichText;
        if (!FConverter) FConverter = f->ConversionClass();
    }
    try {
        TFileStream stream(fileName, fmCreate);
        SaveToStream(&stream);
    } catch (...) {
        FRichEdit->FStreamFormat = old;
        throw;
    }
    FRichEdit->FStreamFormat = old;
}

// ------------------------------------------------------------------ the edit

// The Qt editor, with the edits that could touch protected text asked for first, and the
// clipboard in the edit's own formats.
class TZbCustomRichEdit::TEditorWidget : public THost<QTextEdit> {
public:
    explicit TEditorWidget(TZbCustomRichEdit* edit) : THost<QTextEdit>(edit), FEdit(edit) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (!isReadOnly() && !KeyAllowed(e)) {
            e->accept();
            return;
        }
        THost<QTextEdit>::keyPressEvent(e);
    }

    void inputMethodEvent(QInputMethodEvent* e) override {
        if (!isReadOnly() && !e->commitString().isEmpty()) {
            const QTextCursor c = textCursor();
            if (!FEdit->ChangeAllowed(pcTyping, c.selectionStart(), c.selectionEnd())) {
                e->accept();
                return;
            }
        }
        THost<QTextEdit>::inputMethodEvent(e);
    }

    QMimeData* createMimeDataFromSelection() const override { return FEdit->ClipboardData(); }

    bool canInsertFromMimeData(const QMimeData* source) const override {
        if (!FEdit->FPlainText)
            for (const QString& f : RtfFormats())
                if (source->hasFormat(f)) return true;
        return THost<QTextEdit>::canInsertFromMimeData(source);
    }

    // Pasting and dropping.
    void insertFromMimeData(const QMimeData* source) override {
        const QTextCursor c = textCursor();
        if (!FEdit->ChangeAllowed(pcPaste, c.selectionStart(), c.selectionEnd())) return;
        if (!FEdit->InsertRichData(source)) THost<QTextEdit>::insertFromMimeData(source);
    }

    // Dragging the selection away may move it, deleting it here: asked once, as the drag starts.
    void mousePressEvent(QMouseEvent* e) override {
        FDragAsked = FDragRefused = FPressInSelection = false;
        const QTextCursor c = textCursor();
        if (e->button() == Qt::LeftButton && c.hasSelection()) {
            const int pos = cursorForPosition(e->position().toPoint()).position();
            FPressInSelection = pos >= c.selectionStart() && pos <= c.selectionEnd();
        }
        THost<QTextEdit>::mousePressEvent(e);
    }

    void mouseMoveEvent(QMouseEvent* e) override {
        if (FPressInSelection && (e->buttons() & Qt::LeftButton) && !isReadOnly()) {
            if (!FDragAsked) {
                FDragAsked = true;
                const QTextCursor c = textCursor();
                FDragRefused = !FEdit->ChangeAllowed(pcDeletion, c.selectionStart(), c.selectionEnd());
            }
            if (FDragRefused) {
                e->accept();
                return;
            }
        }
        THost<QTextEdit>::mouseMoveEvent(e);
    }

    // The control's own popup menu (or its parent's) when it has one; else the standard menu,
    // with cutting and deleting asking first like the keys do.
    void contextMenuEvent(QContextMenuEvent* e) override {
        bool propio = false;
        FEdit->ContextPopup(e->globalPos(), propio);
        if (propio) {
            e->accept();
            return;
        }
        std::unique_ptr<QMenu> menu(createStandardContextMenu(e->pos()));
        for (QAction* a : menu->actions()) {
            if (a->objectName() == QLatin1String("edit-cut")) {
                QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
                QObject::connect(a, &QAction::triggered, this, [this] { FEdit->CutToClipboard(); });
            } else if (a->objectName() == QLatin1String("edit-delete")) {
                QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
                QObject::connect(a, &QAction::triggered, this, [this] { FEdit->ClearSelection(); });
            }
        }
        menu->exec(e->globalPos());
        e->accept();
    }

private:
    // The deleting keys and the caret moves whose span they delete.
    struct TDeletingKey {
        QKeySequence::StandardKey Key;
        QTextCursor::MoveOperation Back, Forth;
    };
    static const TDeletingKey* DeletingKey(QKeyEvent* e) {
        static const TDeletingKey keys[] = {
            {QKeySequence::Delete, QTextCursor::NoMove, QTextCursor::NextCharacter},
            {QKeySequence::DeleteStartOfWord, QTextCursor::NoMove, QTextCursor::PreviousWord},
            {QKeySequence::DeleteEndOfWord, QTextCursor::NoMove, QTextCursor::NextWord},
            {QKeySequence::DeleteEndOfLine, QTextCursor::NoMove, QTextCursor::EndOfLine},
            {QKeySequence::DeleteCompleteLine, QTextCursor::StartOfLine, QTextCursor::EndOfLine},
        };
        for (const TDeletingKey& k : keys)
            if (e->matches(k.Key)) return &k;
        return nullptr;
    }

    bool KeyAllowed(QKeyEvent* e) {
        const QTextCursor c = textCursor();
        int start = c.selectionStart(), end = c.selectionEnd();
        // Without a selection, the deleting keys take what the caret's move would cross.
        const auto crossed = [&](QTextCursor::MoveOperation back, QTextCursor::MoveOperation forth) {
            if (c.hasSelection()) return true;
            QTextCursor m = c;
            if (back != QTextCursor::NoMove) m.movePosition(back);
            const int from = m.position();
            m.movePosition(forth, QTextCursor::KeepAnchor);
            start = std::min(from, m.position());
            end = std::max(from, m.position());
            return start != end;
        };
        TProtectChangeKind kind = pcTyping;
        if (e == QKeySequence::Cut) {
            if (!c.hasSelection()) return true;
            kind = pcDeletion;
        } else if (e == QKeySequence::Paste || e == QKeySequence::Undo || e == QKeySequence::Redo) {
            return true;  // pasting asks on its own
        } else if (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier)) {
            if (!crossed(QTextCursor::NoMove, QTextCursor::PreviousCharacter)) return true;
            kind = pcDeletion;
        } else if (const auto* del = DeletingKey(e)) {
            if (!crossed(del->Back, del->Forth)) return true;
            kind = pcDeletion;
        } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            kind = pcTyping;
        } else {
            const QString text = e->text();
            if (text.isEmpty() || !(text.at(0).isPrint() || (text.at(0) == QLatin1Char('\t') && !tabChangesFocus())))
                return true;
            if (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return true;
        }
        return FEdit->ChangeAllowed(kind, start, end);
    }

    TZbCustomRichEdit* FEdit;
    bool FPressInSelection = false, FDragAsked = false, FDragRefused = false;
};

TZbCustomRichEdit::TZbCustomRichEdit(TComponent* owner)
    : TWinControl(owner),
      FDefAttributes(std::make_unique<TZbTextAttributes>(this, atDefaultText)),
      FSelAttributes(std::make_unique<TZbTextAttributes>(this, atSelected)),
      FWordAttributes(std::make_unique<TZbTextAttributes>(this, atWord)),
      FParagraph(std::make_unique<TZbParaAttributes>(this)),
      FLines(std::make_unique<TRichEditStrings>(this)) {
    auto* ed = new TEditorWidget(this);
    SetWidget(ed);
    RegisterObjectPainter(ed->document());
    ed->setFocusPolicy(Qt::StrongFocus);
    ed->setTabChangesFocus(true);
    ed->setAcceptRichText(true);
    if (ed->logicalDpiY() > 0) FScreenLogPixels = ed->logicalDpiY();
    ed->document()->setDocumentMargin(2);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 185, 89);
    ApplyFontToWidget();
    SetScrollBars(ssBoth);
    SetHideSelection(true);
    QObject::connect(ed->document(), &QTextDocument::contentsChange, ed,
                     [this](int pos, int removed, int added) { EditorChanged(pos, removed, added); });
    QObject::connect(ed, &QTextEdit::cursorPositionChanged, ed, [this] { SelectionChange(); });
    QObject::connect(ed, &QTextEdit::selectionChanged, ed, [this] { SelectionChange(); });
    QObject::connect(ed->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, ed,
                     [this](const QSizeF& size) {
                         if (!OnResizeRequest) return;
                         const TRect r = Rect(0, 0, ClientWidth(), int(std::ceil(size.height())));
                         Guarded(this, [&] { RequestSize(r); });
                     });
    auto* filter = new TLinkFilter([this](QMouseEvent* e) {
        if (!FAutoURLDetect || (e->button() != Qt::LeftButton && e->button() != Qt::RightButton)) return false;
        QTextEdit* edit = Editor();
        const QPointF at = e->position() + QPointF(edit->horizontalScrollBar()->value(), edit->verticalScrollBar()->value());
        const int pos = edit->document()->documentLayout()->hitTest(at, Qt::ExactHit);
        int start = -1, length = 0;
        const QString url = pos < 0 ? QString() : URLAt(pos, &start, &length);
        const TMouseButton button = e->button() == Qt::LeftButton ? mbLeft : mbRight;
        if (e->type() == QEvent::MouseButtonPress) {
            FLinkStart = url.isEmpty() ? -1 : start;
            FLinkLength = length;
            FLinkButton = button;
        } else if (FLinkStart >= 0) {
            const bool same = !url.isEmpty() && start == FLinkStart && length == FLinkLength && button == FLinkButton;
            FLinkStart = -1;
            if (same) Guarded(this, [&] { URLClick(url, button); });
        }
        return false;
    });
    filter->setParent(ed);
    ed->viewport()->installEventFilter(filter);
}

TZbCustomRichEdit::~TZbCustomRichEdit() {
    // Data of ours still on the clipboard: its handler may have it cleared.
    const auto held = std::find_if(FClipboardData.begin(), FClipboardData.end(), [](const QPointer<QMimeData>& d) {
        return d && QGuiApplication::instance() && QGuiApplication::clipboard()->mimeData() == d.data();
    });
    if (held == FClipboardData.end()) return;
    bool keep = true;
    const int objects = (*held)->property("zbObjects").toInt(), chars = (*held)->property("zbChars").toInt();
    Guarded(this, [&] { keep = SaveClipboard(objects, chars); });
    if (!keep) QGuiApplication::clipboard()->clear();
}

QTextEdit* TZbCustomRichEdit::Editor() const { return static_cast<QTextEdit*>(FWidget); }
QTextDocument* TZbCustomRichEdit::Document() const { return Editor()->document(); }

void TZbCustomRichEdit::RegisterConversionFormat(const QString& extension, TConversionClass conversionClass,
                                                 bool plainText) {
    ConversionFormats().push_back({extension.toLower(), std::move(conversionClass), plainText});
}

void TZbCustomRichEdit::ApplyFontToWidget() {
    TWinControl::ApplyFontToWidget();
    // The document measures in points, like the attributes.
    QFont f = QtFont(Font());
    f.setPointSize(std::max(1, Font()->Size()));
    Document()->setDefaultFont(f);
    FDefaultColor = Font()->Color();
}

void TZbCustomRichEdit::CMColorChanged() {
    TWinControl::CMColorChanged();
    SetHideSelection(FHideSelection);
}

QString TZbCustomRichEdit::GetText() const {
    QString t = Document()->toPlainText();
    t.replace(QChar(0x2028), QLatin1Char('\n'));
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

void TZbCustomRichEdit::SetTextValue(const QString& v) {
    QString t = v;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Document()->setPlainText(t);
}

int TZbCustomRichEdit::GetTextLen() const { return Document()->characterCount() - 1; }

void TZbCustomRichEdit::SetContentsSilently(const std::function<void()>& body) {
    ++FSilent;
    try {
        body();
    } catch (...) {
        --FSilent;
        throw;
    }
    --FSilent;
}

void TZbCustomRichEdit::EditorChanged(int position, int removed, int added) {
    if (FSilent) return;
    if (FMaxLength > 0 && added > removed && GetTextLen() > FMaxLength) {
        // Typing or pasting past the limit keeps only what fits.
        const int excess = GetTextLen() - FMaxLength;
        const int end = std::min(position + added, GetTextLen());
        QTextCursor c(Document());
        c.setPosition(std::max(position, end - excess));
        c.setPosition(end, QTextCursor::KeepAnchor);
        SetContentsSilently([&] { c.removeSelectedText(); });
    }
    UpdateLinks();
    if (Lines()->UpdateCount() > 0) return;
    Guarded(this, [this] { Change(); });
}

void TZbCustomRichEdit::Change() { OnChange(this); }

bool TZbCustomRichEdit::IsProtected(int start, int end) const {
    const QTextDocument* doc = Document();
    const int len = GetTextLen();
    start = std::clamp(start, 0, len);
    end = std::clamp(end, start, len);
    const auto guarded = [](const QTextCharFormat& f) { return f.boolProperty(rtf::ProtectedProperty); };
    if (start == end) {
        // Inserted text takes the format of the character before (at a paragraph's start, after).
        QTextCursor c(const_cast<QTextDocument*>(doc));
        c.setPosition(start);
        return guarded(c.charFormat());
    }
    const auto at = [&](const QTextBlock& b, int pos) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().contains(pos)) return guarded(it.fragment().charFormat());
        return false;
    };
    for (QTextBlock b = doc->findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            if (fr.position() < end && fr.position() + fr.length() > start && guarded(fr.charFormat())) return true;
        }
        // A paragraph end between two protected characters belongs to the protected text.
        const int mark = b.position() + b.length() - 1;
        const QTextBlock next = b.next();
        if (mark >= start && mark < end && next.isValid() && b.length() > 1 && next.length() > 1 &&
            at(b, mark - 1) && at(next, next.position()))
            return true;
    }
    return false;
}

bool TZbCustomRichEdit::ChangeAllowed(TProtectChangeKind kind, int start, int end) {
    if (!IsProtected(start, end)) return true;
    bool allow = false;
    // A handler that raised refuses.
    Guarded(this, [&] { allow = ProtectChange(kind, start, end); });
    return allow;
}

bool TZbCustomRichEdit::ProtectChange(TProtectChangeKind kind, int startPos, int endPos) {
    bool allow = false;
    if (OnProtectChangeEx) OnProtectChangeEx(this, kind, startPos, endPos, allow);
    else OnProtectChange(this, startPos, endPos, allow);
    return allow;
}

bool TZbCustomRichEdit::SaveClipboard(int numObjects, int numChars) {
    bool save = true;
    OnSaveClipboard(this, numObjects, numChars, save);
    return save;
}

QMimeData* TZbCustomRichEdit::ClipboardData() const {
    const QTextCursor c = Editor()->textCursor();
    const int start = c.selectionStart(), end = c.selectionEnd();
    auto* data = new QMimeData;
    QString text = c.selectedText();
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    text.replace(QChar(0x2028), QLatin1Char('\n'));
    int objects = int(text.count(QChar::ObjectReplacementCharacter));
    text.remove(QChar::ObjectReplacementCharacter);
    data->setText(text);
    if (!FPlainText) {
        data->setData(CF_RTF, rtf::Write(Document(), start, end, PixelsPerPoint()));
        data->setData(CF_RTFNOOBJS, rtf::Write(Document(), start, end, PixelsPerPoint(), rtf::NoObjects));
    } else {
        objects = 0;
    }
    data->setProperty("zbObjects", objects);
    data->setProperty("zbChars", end - start);
    std::erase_if(FClipboardData, [](const QPointer<QMimeData>& d) { return d.isNull(); });
    FClipboardData.emplace_back(data);
    return data;
}

bool TZbCustomRichEdit::InsertRichData(const QMimeData* data) {
    if (FPlainText) return false;
    QByteArray bytes;
    for (const QString& f : RtfFormats()) {
        if (!data->hasFormat(f)) continue;
        bytes = data->data(f);
        if (rtf::IsRtf(bytes)) break;
        bytes.clear();
    }
    if (bytes.isEmpty() && data->hasHtml()) {
        // Through our own RTF, so that only what the edit can express arrives.
        QTextDocument html;
        html.setDefaultFont(Document()->defaultFont());
        html.setHtml(data->html());
        bytes = rtf::Write(&html, 0, -1, PixelsPerPoint());
    }
    if (bytes.isEmpty()) return false;
    QTextCursor c = Editor()->textCursor();
    c.beginEditBlock();
    c.removeSelectedText();
    rtf::Read(bytes, c, PixelsPerPoint());
    c.endEditBlock();
    Editor()->setTextCursor(c);
    Editor()->ensureCursorVisible();
    return true;
}

void TZbCustomRichEdit::SelectionChange() {
    if (FSelChangeSuspended || FSilent) return;
    OnSelectionChange(this);
}

void TZbCustomRichEdit::RequestSize(const TRect& rect) { OnResizeRequest(this, rect); }

void TZbCustomRichEdit::URLClick(const QString& url, TMouseButton button) { OnURLClick(this, url, button); }

QString TZbCustomRichEdit::URLAt(int pos, int* start, int* length) const {
    const QTextBlock b = Document()->findBlock(pos);
    if (!FAutoURLDetect || !b.isValid()) return QString();
    const QString text = b.text();
    auto it = LinkPattern().globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QString url = m.captured();
        while (!url.isEmpty() && QStringLiteral(".,;:)!?'").contains(url.back())) url.chop(1);
        const int s = b.position() + int(m.capturedStart());
        if (pos >= s && pos < s + url.size()) {
            if (start) *start = s;
            if (length) *length = int(url.size());
            return url;
        }
    }
    return QString();
}

void TZbCustomRichEdit::UpdateLinks() {
    QList<QTextEdit::ExtraSelection> links;
    if (FAutoURLDetect) {
        QTextDocument* doc = Document();
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
            auto it = LinkPattern().globalMatch(b.text());
            while (it.hasNext()) {
                const QRegularExpressionMatch m = it.next();
                int start = 0, length = 0;
                if (URLAt(b.position() + int(m.capturedStart()), &start, &length).isEmpty()) continue;
                QTextEdit::ExtraSelection sel;
                sel.cursor = QTextCursor(doc);
                sel.cursor.setPosition(start);
                sel.cursor.setPosition(start + length, QTextCursor::KeepAnchor);
                sel.format.setForeground(QColor(0, 0, 255));
                sel.format.setFontUnderline(true);
                links.append(sel);
            }
        }
    }
    Editor()->setExtraSelections(links);
}

void TZbCustomRichEdit::SetAutoURLDetect(bool v) {
    FAutoURLDetect = v;
    UpdateLinks();
}

void TZbCustomRichEdit::SetAlignment(TAlignment v) {
    FAlignment = v;
    QTextOption o = Document()->defaultTextOption();
    o.setAlignment(v == taCenter ? Qt::AlignHCenter : v == taRightJustify ? Qt::AlignRight : Qt::AlignLeft);
    Document()->setDefaultTextOption(o);
}

void TZbCustomRichEdit::SetBorderStyle(TBorderStyle v) {
    FBorderStyle = v;
    Editor()->setFrameShape(v == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}

void TZbCustomRichEdit::SetScrollBars(TScrollStyle v) {
    FScrollBars = v;
    const Qt::ScrollBarPolicy shown = FHideScrollBars ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn;
    Editor()->setVerticalScrollBarPolicy((v == ssVertical || v == ssBoth) ? shown : Qt::ScrollBarAlwaysOff);
    Editor()->setHorizontalScrollBarPolicy(((v == ssHorizontal || v == ssBoth) && !FWordWrap) ? shown
                                                                                           : Qt::ScrollBarAlwaysOff);
}

void TZbCustomRichEdit::SetHideSelection(bool v) {
    FHideSelection = v;
    QPalette pal = Editor()->palette();
    if (v) {
        pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Base));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::Text));
    } else {
        pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    }
    Editor()->setPalette(pal);
}

void TZbCustomRichEdit::SetPlainText(bool v) {
    if (v == FPlainText) return;
    const bool modified = Modified();
    const QByteArray data = SaveBytes(v ? sfPlainText : sfRichText, 0);
    FPlainText = v;
    Editor()->setAcceptRichText(!v);
    SetContentsSilently([&] { LoadBytes(data, v ? sfPlainText : sfRichText, 0); });
    SetModified(modified);
}

void TZbCustomRichEdit::SetReadOnly(bool v) {
    FReadOnly = v;
    Editor()->setReadOnly(v);
}

void TZbCustomRichEdit::SetWantTabs(bool v) {
    FWantTabs = v;
    Editor()->setTabChangesFocus(!v);
}

void TZbCustomRichEdit::SetWordWrap(bool v) {
    FWordWrap = v;
    Editor()->setLineWrapMode(v ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    SetScrollBars(FScrollBars);
}

bool TZbCustomRichEdit::Modified() const { return Document()->isModified(); }
void TZbCustomRichEdit::SetModified(bool v) { Document()->setModified(v); }

int TZbCustomRichEdit::SelStart() const { return Editor()->textCursor().selectionStart(); }

void TZbCustomRichEdit::SetSelStart(int v) {
    QTextCursor c = Editor()->textCursor();
    c.setPosition(std::clamp(v, 0, GetTextLen()));
    Editor()->setTextCursor(c);
}

int TZbCustomRichEdit::SelLength() const {
    const QTextCursor c = Editor()->textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TZbCustomRichEdit::SetSelLength(int v) {
    QTextCursor c = Editor()->textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(std::clamp(start + v, 0, GetTextLen()), QTextCursor::KeepAnchor);
    Editor()->setTextCursor(c);
}

QString TZbCustomRichEdit::SelText() const {
    QString t = Editor()->textCursor().selectedText();
    t.replace(QChar(0x2029), QStringLiteral("\r\n"));
    t.replace(QChar(0x2028), QStringLiteral("\r\n"));
    return t;
}

void TZbCustomRichEdit::SetSelText(const QString& v) {
    const QTextCursor c = Editor()->textCursor();
    if (!ChangeAllowed(pcProgram, c.selectionStart(), c.selectionEnd())) return;
    QString t = v;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Editor()->textCursor().insertText(t);
}

void TZbCustomRichEdit::SelectAll() { Editor()->selectAll(); }

void TZbCustomRichEdit::Clear() {
    Document()->setPlainText(QString());
    SetModified(false);
}

void TZbCustomRichEdit::CopyToClipboard() { Editor()->copy(); }
void TZbCustomRichEdit::CutToClipboard() {
    const QTextCursor c = Editor()->textCursor();
    if (c.hasSelection() && !ChangeAllowed(pcDeletion, c.selectionStart(), c.selectionEnd())) return;
    Editor()->cut();
}
void TZbCustomRichEdit::PasteFromClipboard() { Editor()->paste(); }
void TZbCustomRichEdit::Undo() { Editor()->undo(); }

TRichStreamFormat TZbCustomRichEdit::EffectiveFormat(TRichStreamFormat f) const {
    if (f == sfDefault) return FPlainText ? sfPlainText : sfRichText;
    return f;
}

void TZbCustomRichEdit::LoadBytes(const QByteArray& data, TRichStreamFormat format, TRichStreamModes mode) {
    QTextDocument* doc = Document();
    const bool selection = mode & smSelection;
    SetContentsSilently([&] {
        QTextCursor c = Editor()->textCursor();
        c.beginEditBlock();
        if (selection) {
            c.removeSelectedText();
        } else {
            doc->setPlainText(QString());
            c = QTextCursor(doc);
        }
        bool done = false;
        if (EffectiveFormat(format) == sfRichText) done = rtf::Read(data, c, PixelsPerPoint(), mode & smNoObjects);
        if (!done) {
            // Not RTF (or plain text asked for): the bytes are text.
            QString text = (mode & smUnicode) ? QString::fromUtf16(reinterpret_cast<const char16_t*>(data.constData()),
                                                                   data.size() / 2)
                                              : platform::classes::DecodeText(data);
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            text.remove(QChar(0));
            c.insertText(text);
        }
        c.endEditBlock();
        if (!selection) {
            QTextCursor top(doc);
            Editor()->setTextCursor(top);
        }
    });
    UpdateLinks();
    Guarded(this, [this] { Change(); });
}

QByteArray TZbCustomRichEdit::SaveBytes(TRichStreamFormat format, TRichStreamModes mode) const {
    const QTextCursor sel = Editor()->textCursor();
    const bool selection = mode & smSelection;
    const int from = selection ? sel.selectionStart() : 0;
    const int to = selection ? sel.selectionEnd() : -1;
    if (EffectiveFormat(format) == sfRichText)
        return rtf::Write(Document(), from, to, PixelsPerPoint(),
                          ((mode & smPlainRtf) ? rtf::PlainRtf : 0u) | ((mode & smNoObjects) ? rtf::NoObjects : 0u));
    QTextCursor c(Document());
    c.setPosition(from);
    if (to < 0) c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    else c.setPosition(to, QTextCursor::KeepAnchor);
    QString t = c.selectedText();
    t.replace(QChar(0x2029), QStringLiteral("\r\n"));
    t.replace(QChar(0x2028), QStringLiteral("\r\n"));
    t.remove(QChar::ObjectReplacementCharacter);
    if (mode & smUnicode)
        return QByteArray(reinterpret_cast<const char*>(t.utf16()), t.size() * 2);
    return t.toUtf8();
}

int TZbCustomRichEdit::FindText(const QString& text, int startPos, int length, TSearchTypes options) const {
    if (text.isEmpty()) return -1;
    QTextDocument::FindFlags flags;
    if (options & stWholeWord) flags |= QTextDocument::FindWholeWords;
    if (options & stMatchCase) flags |= QTextDocument::FindCaseSensitively;
    const QTextCursor found = Document()->find(text, std::max(0, startPos), flags);
    if (found.isNull()) return -1;
    if (length >= 0 && found.selectionEnd() > std::max(0, startPos) + length) return -1;
    return found.selectionStart();
}

bool TZbCustomRichEdit::FindNext(const QString& text, TSearchTypes options) {
    const int pos = FindText(text, SelStart() + SelLength(), -1, options);
    if (pos < 0) {
        OnTextNotFound(this, text);
        return false;
    }
    SetSelStart(pos);
    SetSelLength(int(text.size()));
    return true;
}

void TZbCustomRichEdit::Print(const QString& caption) {
    QPrinter printer(QPrinter::HighResolution);
    if (const QString file = ::Printer()->OutputFileName(); !file.isEmpty()) {
        // The printer writes its file directly and reports no write error: the PDF is made in a
        // temporary file, checked whole (it ends with its end marker), and only then put in place,
        // so a full disk is an error and the earlier file stays.
        QTemporaryFile tmp(QDir::tempPath() + QStringLiteral("/impresion-XXXXXX.pdf"));
        if (!tmp.open()) throw EPrinter(QStringLiteral("No se puede escribir el archivo %1").arg(file));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(tmp.fileName());
        PrintTo(printer, caption);
        tmp.seek(0);
        const QByteArray pdf = tmp.readAll();
        QSaveFile out(file);
        if (!pdf.trimmed().endsWith("%%EOF") || !out.open(QIODevice::WriteOnly) || out.write(pdf) != pdf.size() ||
            !out.flush() || !out.commit())
            throw EPrinter(QStringLiteral("No se puede escribir el archivo %1").arg(file));
        return;
    } else {
        const QString name = ::Printer()->PrinterName();
        if (name.isEmpty() || !QPrinterInfo::availablePrinterNames().contains(name))
            throw EPrinter(QStringLiteral("No hay ninguna impresora disponible"));
        printer.setPrinterName(name);
    }
    PrintTo(printer, caption);
}

int TZbCustomRichEdit::PrintTo(QPrinter& printer, const QString& caption) {
    printer.setDocName(caption);
    printer.setFullPage(true);
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRect target = FPageRect.Width() > 0 && FPageRect.Height() > 0
                             ? QRect(FPageRect.Left, FPageRect.Top, FPageRect.Width(), FPageRect.Height())
                             : page;
    // A copy laid out on the printer: indents and tab stops scaled from the screen's pixels.
    std::unique_ptr<QTextDocument> doc(Document()->clone());
    RegisterObjectPainter(doc.get());
    doc->documentLayout()->setPaintDevice(&printer);
    doc->setDocumentMargin(0);
    const qreal scale = qreal(printer.logicalDpiY()) / FScreenLogPixels;
    QTextCursor w(doc.get());
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        QTextBlockFormat f = b.blockFormat();
        f.setLeftMargin(f.leftMargin() * scale);
        f.setRightMargin(f.rightMargin() * scale);
        f.setTextIndent(f.textIndent() * scale);
        QList<QTextOption::Tab> tabs = f.tabPositions();
        for (QTextOption::Tab& t : tabs) t.position *= scale;
        f.setTabPositions(tabs);
        w.setPosition(b.position());
        w.setBlockFormat(f);
    }
    doc->setPageSize(QSizeF(target.width(), target.height()));
    const int pages = std::max(1, doc->pageCount());
    QPainter painter;
    if (!painter.begin(&printer))
        throw EPrinter(QStringLiteral("No se puede iniciar la impresión en %1")
                           .arg(printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName()));
    for (int p = 0; p < pages; ++p) {
        if (p > 0) printer.newPage();
        painter.save();
        painter.translate(target.left(), target.top() - p * target.height());
        const QRectF clip(0, p * target.height(), target.width(), target.height());
        painter.setClipRect(clip);
        doc->drawContents(&painter, clip);
        painter.restore();
    }
    painter.end();
    return pages;
}

bool TZbCustomRichEdit::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_RETURN) return FWantReturns;
    if (key == VK_TAB) return FWantTabs && !(shift & ssCtrl);
    if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) return true;
    return TWinControl::WantsKey(key, shift);
}
