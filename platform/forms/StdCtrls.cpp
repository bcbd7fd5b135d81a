#include "platform/forms/StdCtrls.h"

#include "platform/forms/GraphicsGlue.h"
#include "platform/forms/Host.h"
#include "platform/forms/Menus.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QGuiApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QIcon>

#include <algorithm>
#include <functional>
#include <memory>
#include <type_traits>

using namespace platform::forms;

namespace {
Qt::Alignment QtAlign(TAlignment a) {
    switch (a) {
    case taRightJustify: return Qt::AlignRight;
    case taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

// Item painting of owner-drawn lists and combos: the control's DrawItem on its canvas.
class TOwnerDrawDelegate : public QStyledItemDelegate {
public:
    using DrawFn = std::function<void(QPainter*, int, const QRect&, TOwnerDrawState)>;
    using OwnerDrawnFn = std::function<bool()>;
    using HeightFn = std::function<int(int)>;
    TOwnerDrawDelegate(QObject* parent, DrawFn draw, OwnerDrawnFn ownerDrawn, HeightFn height)
        : QStyledItemDelegate(parent), FDraw(std::move(draw)), FOwnerDrawn(std::move(ownerDrawn)),
          FHeight(std::move(height)) {}
    // Pixels between tab stops for items holding tab characters (0: the style's default).
    std::function<int()> TabPixels;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (!FOwnerDrawn()) {
            const QString text = index.data().toString();
            const int tab = TabPixels ? TabPixels() : 0;
            if (tab <= 0 || !text.contains(QLatin1Char('\t'))) {
                QStyledItemDelegate::paint(painter, option, index);
                return;
            }
            // Columns of a list aligned on its tab stops.
            QStyleOptionViewItem opt = option;
            initStyleOption(&opt, index);
            opt.text.clear();
            const QWidget* w = opt.widget;
            QStyle* style = w ? w->style() : QApplication::style();
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
            QTextOption to;
            to.setTabStopDistance(tab);
            to.setWrapMode(QTextOption::NoWrap);
            painter->save();
            painter->setPen(opt.palette.color((opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
            painter->drawText(QRectF(opt.rect.adjusted(2, 0, -2, 0)), text, to);
            painter->restore();
            return;
        }
        TOwnerDrawState state = 0;
        if (option.state & QStyle::State_Selected) state |= odSelected;
        if (option.state & QStyle::State_HasFocus) state |= odFocused;
        if (!(option.state & QStyle::State_Enabled)) state |= odDisabled;
        FDraw(painter, index.row(), option.rect, state);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        if (FOwnerDrawn()) s.setHeight(FHeight(index.row()));
        return s;
    }

private:
    DrawFn FDraw;
    OwnerDrawnFn FOwnerDrawn;
    HeightFn FHeight;
};

// The combo box widget, with its style option reachable for owner drawing.
class TComboHost : public THost<QComboBox> {
public:
    using THost<QComboBox>::THost;
    void Option(QStyleOptionComboBox* option) const { initStyleOption(option); }
    // The list opening and closing, however the user does it.
    void showPopup() override {
        if (auto* c = dynamic_cast<TCustomComboBox*>(FControl)) Guarded(c, [c] { c->DoDropDown(); });
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        if (auto* c = dynamic_cast<TCustomComboBox*>(FControl)) Guarded(c, [c] { c->OnCloseUp(c); });
    }
};

// As the system hands an owner-drawn item over: a selected one on the highlight colours.
void PrepareItemCanvas(TCanvas* canvas, TOwnerDrawState state) {
    if (!(state & odSelected)) return;
    canvas->Brush()->SetColor(clHighlight);
    canvas->Font()->SetColor(clHighlightText);
}

void DefaultDrawItem(TCanvas* canvas, const QString& text, TRect rect, TOwnerDrawState state) {
    if (state & odSelected) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->Font()->SetColor(clHighlightText);
    }
    canvas->FillRect(rect);
    canvas->TextOut(rect.Left + 2, rect.Top, text);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Label

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 17);
    FControlStyle |= csOpaque;
    SetParentColor(true);
}

void TCustomLabel::CMTextChanged() {
    TGraphicControl::CMTextChanged();
    AdjustBounds();
}

void TCustomLabel::CMFontChanged() {
    TGraphicControl::CMFontChanged();
    AdjustBounds();
}

bool TCustomLabel::CMDialogChar(QChar ch) {
    if (FFocusControl && FShowAccelChar && IsAccel(ch, Caption()) && FFocusControl->CanFocus()) {
        FFocusControl->SetFocus();
        return true;
    }
    return false;
}

void TCustomLabel::DoDrawText(TRect& rect, bool calcRect) {
    QString text = Caption();
    const QFont font = QtFont(Font());
    const QFontMetrics fm(font);
    int flags = int(QtAlign(FAlignment));
    // "&" underlines the accelerator; without ShowAccelChar it is an ordinary character.
    if (FShowAccelChar) flags |= Qt::TextShowMnemonic;
    else text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (FWordWrap) flags |= Qt::TextWordWrap;
    if (calcRect) {
        const QRect r = FWordWrap ? fm.boundingRect(QRect(0, 0, std::max(1, rect.Width()), 10000), flags, text)
                                  : fm.boundingRect(QRect(0, 0, 10000, 10000), flags, text);
        rect.Right = rect.Left + r.width();
        rect.Bottom = rect.Top + std::max(r.height(), fm.height());
        return;
    }
    QPainter* p = Canvas()->Painter();
    if (!p) return;
    switch (FLayout) {
    case tlCenter: flags |= Qt::AlignVCenter; break;
    case tlBottom: flags |= Qt::AlignBottom; break;
    default: flags |= Qt::AlignTop; break;
    }
    p->save();
    p->setFont(font);
    p->setPen(QtColor(Enabled() ? Font()->Color() : clGrayText));
    p->drawText(platform::graphics::ToQRect(rect), flags, text);
    p->restore();
}

void TCustomLabel::Paint() {
    TRect r = ClientRect();
    if (!FTransparent) {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(r);
    }
    DoDrawText(r, false);
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize || HasState(csLoading)) return;
    TRect r = ClientRect();
    DoDrawText(r, true);
    int left = Left();
    if (FAlignment == taRightJustify) left += Width() - r.Width();
    SetBounds(left, Top(), FWordWrap ? Width() : r.Width(), r.Height());
}

// ---------------------------------------------------------------------------------------------
// Edit

namespace {
// The paste and cut keys go through the control, as its menu does: a data-aware one must start
// editing its record first.
template <class Control>
void ClipboardKeys(Control* c, quint16& key, TShiftState shift) {
    const bool paste = (key == 'V' && shift == ssCtrl) || (key == VK_INSERT && shift == ssShift);
    const bool cut = (key == 'X' && shift == ssCtrl) || (key == VK_DELETE && shift == ssShift);
    if (!paste && !cut) return;
    if (paste) c->PasteFromClipboard();
    else c->CutToClipboard();
    key = 0;
}

// The standard menu's actions by what they do; the one-line edit's carry no names, only texts.
QString ActionName(const QAction* a) {
    if (!a->objectName().isEmpty()) return a->objectName();
    static const std::pair<const char*, const char*> texts[] = {
        {"&Undo", "edit-undo"}, {"&Redo", "edit-redo"}, {"Cu&t", "edit-cut"}, {"&Paste", "edit-paste"}, {"Delete", "edit-delete"}};
    const QString text = a->text().section(QLatin1Char('\t'), 0, 0);
    for (const auto& [source, name] : texts)
        if (text == QCoreApplication::translate("QLineEdit", source)) return QLatin1String(name);
    return QString();
}

// What changes the text of an edit or a memo from its own menu or with the mouse goes through
// the control, as its keys do: a data-aware one must start editing its record first, and the
// text stays as it is when the record cannot be edited.
template <class Base, class Control>
class TTextHost : public THost<Base> {
public:
    using THost<Base>::THost;

protected:
    Control* Text() const { return dynamic_cast<Control*>(this->LinkedControl()); }

    void contextMenuEvent(QContextMenuEvent* e) override {
        Control* c = Text();
        std::unique_ptr<QMenu> menu(this->createStandardContextMenu());
        for (QAction* a : menu->actions()) {
            const QString name = ActionName(a);
            std::function<void()> act;
            if (name == u"edit-cut") act = [c] { c->CutToClipboard(); };
            else if (name == u"edit-paste") act = [c] { c->PasteFromClipboard(); };
            else if (name == u"edit-delete") act = [c] { c->ClearSelection(); };
            else if (name == u"edit-undo") act = [c] { c->Undo(); };
            else if (name == u"edit-redo") act = [c] { c->Redo(); };
            if (!c || !act) continue;
            QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
            QObject::connect(a, &QAction::triggered, this, [c, act] { Guarded(c, act); });
        }
        menu->exec(e->globalPos());
        e->accept();
    }

    // The middle button pastes the selection of another program; a one-line edit takes it as
    // its paste does (one line, within its length, through its mask).
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
            e->accept();
            if constexpr (std::is_same_v<Control, TCustomEdit>) {
                if (Control* c = Text()) {
                    Guarded(c, [c] { c->PasteSelection(); });
                    return;
                }
            }
            if (!MayChange()) return;
        }
        THost<Base>::mouseReleaseEvent(e);
    }

    void dropEvent(QDropEvent* e) override {
        if (!MayChange()) {
            e->ignore();
            return;
        }
        THost<Base>::dropEvent(e);
    }

private:
    bool MayChange() {
        Control* c = Text();
        if (!c) return true;
        bool may = false;
        Guarded(c, [&] { may = c->EditCanModify(); });
        return may;
    }
};
using TLineEditHost = TTextHost<QLineEdit, TCustomEdit>;
}  // namespace

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    auto* le = new TLineEditHost(this);
    SetWidget(le);
    le->setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    SetColor(clWindow);
    SetParentColor(false);
    SetBounds(0, 0, 121, 21);
    QObject::connect(le, &QLineEdit::textChanged, le, [this](const QString& t) {
        FitMaxLength(t.size());
        if (!FSettingText) {
            FModified = true;
            Guarded(this, [this] { EditTextChanged(); });
        }
        Guarded(this, [this] { Change(); });
    });
}

QLineEdit* TCustomEdit::LineEdit() const { return static_cast<QLineEdit*>(FWidget); }

QString TCustomEdit::GetText() const { return LineEdit()->text(); }

void TCustomEdit::SetTextValue(const QString& v) {
    FSettingText = true;
    QString t = v;
    if (FCharCase == ecUpperCase) t = t.toUpper();
    if (FCharCase == ecLowerCase) t = t.toLower();
    // The length limits what the user types, not what the program puts in: a longer text (the
    // addresses picked for a mail, a name check's full addresses) stays whole instead of losing
    // its end, and the user can only shorten it until it fits.
    FitMaxLength(t.size());
    LineEdit()->setText(t);
    FSettingText = false;
}

void TCustomEdit::FitMaxLength(qsizetype length) {
    LineEdit()->setMaxLength(FMaxLength > 0 ? int(std::max<qsizetype>(FMaxLength, length)) : 32767);
}

void TCustomEdit::Change() { OnChange(this); }
void TCustomEdit::EditTextChanged() {
    if (FCharCase == ecNormal) return;
    const QString t = FCharCase == ecUpperCase ? LineEdit()->text().toUpper() : LineEdit()->text().toLower();
    if (t != LineEdit()->text()) {
        const int pos = LineEdit()->cursorPosition();
        FSettingText = true;
        LineEdit()->setText(t);
        LineEdit()->setCursorPosition(pos);
        FSettingText = false;
    }
}

void TCustomEdit::SetMaxLength(int v) {
    FMaxLength = v;
    FitMaxLength(LineEdit()->text().size());
}

void TCustomEdit::SetReadOnly(bool v) {
    FReadOnly = v;
    LineEdit()->setReadOnly(v);
}

void TCustomEdit::SetPasswordChar(QChar c) {
    FPasswordChar = c;
    LineEdit()->setEchoMode(c.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void TCustomEdit::SetCharCase(TEditCharCase v) {
    FCharCase = v;
    if (v != ecNormal) SetTextValue(GetText());
}

void TCustomEdit::SetAlignment(TAlignment v) {
    FAlignment = v;
    LineEdit()->setAlignment(QtAlign(v) | Qt::AlignVCenter);
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
    FBorder = v;
    LineEdit()->setFrame(v != bsNone);
}

int TCustomEdit::SelStart() const {
    const int s = LineEdit()->selectionStart();
    return s >= 0 ? s : LineEdit()->cursorPosition();
}

void TCustomEdit::SetSelStart(int v) { LineEdit()->setCursorPosition(v); }
int TCustomEdit::SelLength() const { return int(LineEdit()->selectedText().size()); }

void TCustomEdit::SetSelLength(int v) { LineEdit()->setSelection(SelStart(), v); }
QString TCustomEdit::SelText() const { return LineEdit()->selectedText(); }
void TCustomEdit::SetSelText(const QString& v) { LineEdit()->insert(v); }
void TCustomEdit::SelectAll() { LineEdit()->selectAll(); }
void TCustomEdit::CopyToClipboard() { LineEdit()->copy(); }
void TCustomEdit::CutToClipboard() {
    if (EditCanModify()) LineEdit()->cut();
}

void TCustomEdit::ClearSelection() {
    if (LineEdit()->hasSelectedText() && EditCanModify()) LineEdit()->del();
}

void TCustomEdit::Undo() {
    if (LineEdit()->isUndoAvailable() && EditCanModify()) LineEdit()->undo();
}

void TCustomEdit::Redo() {
    if (LineEdit()->isRedoAvailable() && EditCanModify()) LineEdit()->redo();
}

namespace {
QString TextToPaste(const QString& clip, int length, int selected, int maxLength) {
    // One line, as the system's own one-line edit takes it: a line break would reach the record.
    QString t = clip;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (t[i] == QLatin1Char('\r') || t[i] == QLatin1Char('\n')) {
            t.truncate(i);
            break;
        }
    if (maxLength > 0) {
        const int room = std::max(0, maxLength - (length - selected));
        if (t.size() > room) {
            // Half a character would be saved as a replacement mark.
            t.truncate(room);
            if (!t.isEmpty() && t.back().isHighSurrogate()) t.chop(1);
        }
    }
    return t;
}
}  // namespace

void TCustomEdit::PasteFromClipboard() {
    if (!EditCanModify()) return;
    QLineEdit* le = LineEdit();
    le->insert(TextToPaste(ClipboardText(), int(le->text().size()),
                           int(le->selectedText().size()), FMaxLength));
}

QString TCustomEdit::ClipboardText() const {
    return QGuiApplication::clipboard()->text(FPastingSelection ? QClipboard::Selection : QClipboard::Clipboard);
}

void TCustomEdit::PasteSelection() {
    QScopedValueRollback<bool> selection(FPastingSelection, true);
    PasteFromClipboard();
}

void TCustomEdit::DoEnter() {
    if (FAutoSelect && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::KeyDown(quint16& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    ClipboardKeys(this, key, shift);
}

bool TCustomEdit::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) return true;
    return TWinControl::WantsKey(key, shift);
}

// ---------------------------------------------------------------------------------------------
// Memo

TCustomMemo::TCustomMemo(TComponent* owner)
    : TWinControl(owner), FLines(std::make_unique<TControlStrings>([this](const TItemsEdit&) { LinesChanged(); })) {
    FLines->SetLineBreak(QStringLiteral("\r\n"));
    auto* ed = new TTextHost<QPlainTextEdit, TCustomMemo>(this);
    SetWidget(ed);
    ed->setFocusPolicy(Qt::StrongFocus);
    ed->setTabChangesFocus(true);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 185, 89);
    QObject::connect(ed, &QPlainTextEdit::textChanged, ed, [this] { EditorChanged(); });
    QObject::connect(ed->document(), &QTextDocument::contentsChange, ed,
                     [this](int position, int removed, int added) { KeepWithinMaxLength(position, removed, added); });
}

TCustomMemo::~TCustomMemo() = default;

// The limit counts the text as the program reads it, a line break as two characters: what the
// user types or pastes past it is left out at once, not cut from the record when it is saved.
void TCustomMemo::KeepWithinMaxLength(int position, int removed, int added) {
    if (FMaxLength <= 0 || added <= removed || FSyncing || FSettingText) return;
    QTextDocument* doc = Editor()->document();
    const QString all = Editor()->toPlainText();
    int excess = int(all.size() + all.count(QLatin1Char('\n'))) - FMaxLength;
    if (excess <= 0) return;
    const int end = std::min(position + added, int(all.size()));
    int from = end;
    while (from > position && excess > 0) {
        --from;
        excess -= all[from] == QLatin1Char('\n') ? 2 : 1;
    }
    // Half a character would be saved as a replacement mark.
    if (from > position && all[from].isLowSurrogate()) --from;
    QTextCursor c(doc);
    c.joinPreviousEditBlock();  // one undo takes back the whole paste
    c.setPosition(from);
    c.setPosition(end, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    c.endEditBlock();
}

QPlainTextEdit* TCustomMemo::Editor() const { return static_cast<QPlainTextEdit*>(FWidget); }

QString TCustomMemo::GetText() const {
    QString t = Editor()->toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

void TCustomMemo::SetTextValue(const QString& v) {
    QString t = v;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QScopedValueRollback<bool> setting(FSettingText, true);
    Editor()->setPlainText(t);
}

void TCustomMemo::LinesChanged() {
    if (FSyncing) return;
    FSyncing = true;
    QStringList lines;
    for (int i = 0; i < FLines->Count(); ++i) lines << FLines->Strings(i);
    Editor()->setPlainText(lines.join(QLatin1Char('\n')));
    FSyncing = false;
    Guarded(this, [this] { Change(); });
}

void TCustomMemo::EditorChanged() {
    if (FSyncing) return;
    FSyncing = true;
    FModified = true;
    FLines->BeginUpdate();
    FLines->Clear();
    const QString text = Editor()->toPlainText();
    if (!text.isEmpty())
        for (const QString& line : text.split(QLatin1Char('\n'))) FLines->Add(line);
    FLines->EndUpdate();
    FSyncing = false;
    Guarded(this, [this] { Change(); });
}

void TCustomMemo::Change() { OnChange(this); }

void TCustomMemo::SetReadOnly(bool v) {
    FReadOnly = v;
    Editor()->setReadOnly(v);
}

void TCustomMemo::SetWordWrap(bool v) {
    FWordWrap = v;
    Editor()->setLineWrapMode(v ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TCustomMemo::SetScrollBars(TScrollStyle v) {
    FScrollBars = v;
    Editor()->setHorizontalScrollBarPolicy((v == ssHorizontal || v == ssBoth) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    Editor()->setVerticalScrollBarPolicy((v == ssVertical || v == ssBoth) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
}

void TCustomMemo::SelectAll() { Editor()->selectAll(); }

void TCustomMemo::SetWantTabs(bool v) {
    FWantTabs = v;
    Editor()->setTabChangesFocus(!v);
}

int TCustomMemo::SelStart() const { return Editor()->textCursor().selectionStart(); }

void TCustomMemo::SetSelStart(int v) {
    QTextCursor c = Editor()->textCursor();
    c.setPosition(qBound(0, v, Editor()->document()->characterCount() - 1));
    Editor()->setTextCursor(c);
}

int TCustomMemo::SelLength() const {
    const QTextCursor c = Editor()->textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TCustomMemo::SetSelLength(int v) {
    QTextCursor c = Editor()->textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(qBound(start, start + v, Editor()->document()->characterCount() - 1), QTextCursor::KeepAnchor);
    Editor()->setTextCursor(c);
}

QString TCustomMemo::SelText() const {
    QString t = Editor()->textCursor().selectedText();
    t.replace(QChar(0x2029), QStringLiteral("\r\n"));
    return t;
}

void TCustomMemo::CopyToClipboard() { Editor()->copy(); }
void TCustomMemo::CutToClipboard() {
    if (Editor()->textCursor().hasSelection() && EditCanModify()) Editor()->cut();
}

void TCustomMemo::PasteFromClipboard() {
    if (EditCanModify()) Editor()->paste();
}

void TCustomMemo::ClearSelection() {
    if (Editor()->textCursor().hasSelection() && EditCanModify()) Editor()->textCursor().removeSelectedText();
}

void TCustomMemo::Undo() {
    if (Editor()->document()->isUndoAvailable() && EditCanModify()) Editor()->undo();
}

void TCustomMemo::Redo() {
    if (Editor()->document()->isRedoAvailable() && EditCanModify()) Editor()->redo();
}

void TCustomMemo::KeyDown(quint16& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    ClipboardKeys(this, key, shift);
}

bool TCustomMemo::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_RETURN) return FWantReturns;
    if (key == VK_TAB) return FWantTabs && !(shift & ssCtrl);
    if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) return true;
    return TWinControl::WantsKey(key, shift);
}

// ---------------------------------------------------------------------------------------------
// Buttons

bool TButtonControl::CMDialogChar(QChar ch) {
    if (IsAccel(ch, Caption()) && CanFocus()) {
        Click();
        return true;
    }
    return false;
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    auto* pb = new THost<QPushButton>(this);
    SetWidget(pb);
    pb->setFocusPolicy(Qt::StrongFocus);
    pb->setAutoDefault(false);
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
    FControlStyle &= ~csClickEvents;
    QObject::connect(pb, &QPushButton::clicked, pb, [this] { Guarded(this, [this] { Click(); }); });
}

QPushButton* TButton::PushButton() const { return static_cast<QPushButton*>(FWidget); }
QString TButton::GetText() const { return PushButton()->text(); }
// Qt would make the "&" letter a shortcut of its own, ahead of the form's menus and key
// handlers; accelerators go through the form's dialog characters instead.
void TButton::SetTextValue(const QString& v) {
    PushButton()->setText(v);
    PushButton()->setShortcut(QKeySequence());
}

void TButton::SetDefault(bool v) {
    FDefault = v;
    PushButton()->setDefault(v);
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TButtonControl::Click();
}

bool TButton::CMDialogKey(quint16 key, TShiftState shift) {
    if (shift != 0) return false;
    if (key == VK_RETURN) {
        // The focused button answers Enter; otherwise the default button does.
        TCustomForm* form = GetParentForm(this);
        TWinControl* active = form ? form->ActiveControl() : nullptr;
        const bool isActive = dynamic_cast<TButton*>(active) ? active == this : FDefault;
        if (!isActive || !IsShowing() || !Enabled()) return false;
        Click();
        return true;
    }
    if (key == VK_ESCAPE && FCancel && IsShowing() && Enabled()) {
        Click();
        return true;
    }
    return false;
}

void TButton::CMFocusChanged(TWinControl* focused) {
    // The default look goes to the focused button while one has the focus.
    const bool other = dynamic_cast<TButton*>(focused) != nullptr;
    PushButton()->setDefault(other ? focused == this : FDefault);
}

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
    auto* cb = new THost<QCheckBox>(this);
    SetWidget(cb);
    cb->setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    SetBounds(0, 0, 97, 17);
    FControlStyle &= ~csClickEvents;
    QObject::connect(cb, &QCheckBox::stateChanged, cb, [this](int st) {
        const auto s = Qt::CheckState(st);
        if (FSetting) return;
        FState = s == Qt::Checked ? cbChecked : s == Qt::PartiallyChecked ? cbGrayed : cbUnchecked;
        Guarded(this, [this] { Toggled(); });
    });
}

QCheckBox* TCustomCheckBox::CheckBox() const { return static_cast<QCheckBox*>(FWidget); }
QString TCustomCheckBox::GetText() const { return CheckBox()->text(); }
void TCustomCheckBox::SetTextValue(const QString& v) {
    CheckBox()->setText(v);
    CheckBox()->setShortcut(QKeySequence());
}

void TCustomCheckBox::SetState(TCheckBoxState v) {
    if (v == FState) return;
    FState = v;
    FSetting = true;
    CheckBox()->setCheckState(v == cbChecked ? Qt::Checked : v == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    FSetting = false;
    Toggled();
}

void TCustomCheckBox::SetAllowGrayed(bool v) {
    FAllowGrayed = v;
    CheckBox()->setTristate(v);
}

void TCustomCheckBox::SetAlignment(TAlignment v) {
    FAlignment = v;
    CheckBox()->setLayoutDirection(v == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCustomCheckBox::Toggled() { Click(); }

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    auto* rb = new THost<QRadioButton>(this);
    SetWidget(rb);
    rb->setFocusPolicy(Qt::StrongFocus);
    SetBounds(0, 0, 113, 17);
    FControlStyle &= ~csClickEvents;
    QObject::connect(rb, &QRadioButton::toggled, rb, [this](bool on) {
        if (FSetting) return;
        FChecked = on;
        SetTabStop(on);
        if (on) Guarded(this, [this] { Click(); });
    });
}

QRadioButton* TRadioButton::RadioButton() const { return static_cast<QRadioButton*>(FWidget); }
QString TRadioButton::GetText() const { return RadioButton()->text(); }
void TRadioButton::SetTextValue(const QString& v) {
    RadioButton()->setText(v);
    RadioButton()->setShortcut(QKeySequence());
}

void TRadioButton::SetChecked(bool v) {
    if (v == FChecked) return;
    FChecked = v;
    SetTabStop(v);
    FSetting = true;
    RadioButton()->setChecked(v);
    FSetting = false;
    if (v) {
        // Siblings on the same parent go out, as the exclusive group does.
        if (Parent())
            for (int i = 0; i < Parent()->ControlCount(); ++i)
                if (auto* r = dynamic_cast<TRadioButton*>(Parent()->Controls(i)); r && r != this) {
                    r->FChecked = false;
                    r->SetTabStop(false);
                }
        Click();
    }
}

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TWinControl(owner) {
    SetWidget(new THost<QGroupBox>(this));
    SetBounds(0, 0, 185, 105);
    FControlStyle |= csAcceptsControls;
}

QString TCustomGroupBox::GetText() const { return FCaption; }

void TCustomGroupBox::SetTextValue(const QString& v) {
    FCaption = v;
    // Shown without the accelerator mark: Qt would turn it into a shortcut of its own.
    static_cast<QGroupBox*>(FWidget)->setTitle(StripHotkey(v));
}

void TCustomGroupBox::AdjustClientRect(TRect& rect) const {
    // Below the frame as the style draws it: a top taken from the caption's height alone put the
    // first row of a radio group across the frame's line.
    auto* box = static_cast<QGroupBox*>(FWidget);
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.fontMetrics = QFontMetrics(QtFont(Font()));
    opt.rect = QRect(rect.Left, rect.Top, rect.Width(), rect.Height());
    opt.text = box->title();
    opt.textAlignment = box->alignment();
    opt.lineWidth = 1;
    opt.subControls = QStyle::SC_GroupBoxFrame | (opt.text.isEmpty() ? QStyle::SC_None : QStyle::SC_GroupBoxLabel);
    const QRect inner = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxContents, box);
    rect.Top = std::max(rect.Top + opt.fontMetrics.height(), inner.top());
    InflateRect(rect, -1, -1);
}

// ---------------------------------------------------------------------------------------------
// Combo box

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), FItems(std::make_unique<TControlStrings>([this](const TItemsEdit& e) { ItemsChanged(e); })),
      FCanvas(std::make_unique<TCanvas>()) {
    auto* cb = new TComboHost(this);
    SetWidget(cb);
    cb->setFocusPolicy(Qt::StrongFocus);
    cb->setEditable(true);
    cb->setInsertPolicy(QComboBox::NoInsert);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
    cb->setItemDelegate(new TOwnerDrawDelegate(
        cb,
        [this](QPainter* p, int row, const QRect& r, TOwnerDrawState s) {
            BindCanvas(FCanvas.get(), p, Font(), Color());
            PrepareItemCanvas(FCanvas.get(), s);
            Guarded(this, [&] { DrawItem(row, platform::graphics::FromQRect(r), s); });
            UnbindCanvas(FCanvas.get());
        },
        [this] { return FOwnerDrawnItems || FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable; },
        [this](int row) {
            int h = FItemHeight;
            if (FStyle == csOwnerDrawVariable) Guarded(this, [&] { OnMeasureItem(this, row, h); });
            return h;
        }));
    QObject::connect(cb, &QComboBox::currentIndexChanged, cb, [this](int) {
        if (!FSyncing) Guarded(this, [this] { Change(); });
    });
    // Typing over a chosen item keeps the platform's current index on that item: the text typed
    // is a change all the same, or a bound combo would write the item back.
    QObject::connect(cb, &QComboBox::editTextChanged, cb, [this](const QString& text) {
        if (FSyncing || FStyle == csDropDownList) return;
        const int i = ComboBox()->currentIndex();
        if (i < 0 || ComboBox()->itemText(i) != text) Guarded(this, [this] { Change(); });
    });
}

TCustomComboBox::~TCustomComboBox() = default;

QComboBox* TCustomComboBox::ComboBox() const { return static_cast<QComboBox*>(FWidget); }

void TCustomComboBox::ItemsChanged(const TItemsEdit& edit) {
    if (edit.Kind == TItemsEdit::Object) return;
    QComboBox* cb = ComboBox();
    const int n = FItems->Count();
    FSyncing = true;
    const QString text = cb->currentText();
    const int index = cb->currentIndex();
    // One line changed follows on its own: filling a combo line by line showed every line again
    // on each, in time that grew with the square of the lines.
    if (edit.Kind == TItemsEdit::Insert && cb->count() == n - 1)
        cb->insertItem(edit.Index, FItems->Strings(edit.Index));
    else if (edit.Kind == TItemsEdit::Delete && cb->count() == n + 1)
        cb->removeItem(edit.Index);
    else if (edit.Kind == TItemsEdit::Put && cb->count() == n)
        cb->setItemText(edit.Index, FItems->Strings(edit.Index));
    else {
        cb->clear();
        QStringList lines;
        lines.reserve(n);
        for (int i = 0; i < n; ++i) lines << FItems->Strings(i);
        cb->addItems(lines);
    }
    // The current line and the edit text end as a rebuild of every line leaves them.
    if (index >= 0 && index < FItems->Count() && FItems->Strings(index) == text)
        ComboBox()->setCurrentIndex(index);
    else {
        ComboBox()->setCurrentIndex(-1);
        if (FStyle != csDropDownList) ComboBox()->setEditText(text);
    }
    FSyncing = false;
}

int TCustomComboBox::ItemIndex() const { return ComboBox()->currentIndex(); }

void TCustomComboBox::SetItemIndex(int v) {
    FSyncing = true;
    ComboBox()->setCurrentIndex(v >= 0 && v < FItems->Count() ? v : -1);
    if (v < 0 && ComboBox()->isEditable()) ComboBox()->setEditText(QString());
    FSyncing = false;
}

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
    FStyle = v;
    FSyncing = true;
    ComboBox()->setEditable(v == csDropDown || v == csSimple);
    if (ComboBox()->isEditable()) ComboBox()->setInsertPolicy(QComboBox::NoInsert);
    FSyncing = false;
}

void TCustomComboBox::SetDropDownCount(int v) {
    FDropDownCount = v;
    ComboBox()->setMaxVisibleItems(std::max(1, v));
}

void TCustomComboBox::SetMaxLength(int v) {
    FMaxLength = v;
    if (ComboBox()->lineEdit()) ComboBox()->lineEdit()->setMaxLength(v > 0 ? v : 32767);
}

bool TCustomComboBox::DroppedDown() const { return ComboBox()->view() && ComboBox()->view()->isVisible(); }

void TCustomComboBox::SetDroppedDown(bool v) {
    if (v)
        ComboBox()->showPopup();
    else
        ComboBox()->hidePopup();
}

void TCustomComboBox::DoDropDown() { DropDown(); }

void TCustomComboBox::Clear() {
    FItems->Clear();
    SetText(QString());
}

QString TCustomComboBox::GetText() const { return ComboBox()->currentText(); }

void TCustomComboBox::SetTextValue(const QString& v) {
    FSyncing = true;
    const int i = ComboBox()->findText(v, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (FStyle == csDropDownList || FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) {
        ComboBox()->setCurrentIndex(i);
    } else {
        ComboBox()->setCurrentIndex(i);
        ComboBox()->setEditText(v);
    }
    FSyncing = false;
}

void TCustomComboBox::Change() { OnChange(this); }

bool TCustomComboBox::WidgetEvent(QEvent* event) {
    if (event->type() == QEvent::Paint && (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable)) {
        // The frame and arrow are the style's; the shown item is drawn like the list's items.
        auto* cb = static_cast<TComboHost*>(FWidget);
        QStylePainter painter(cb);
        QStyleOptionComboBox opt;
        cb->Option(&opt);
        opt.currentText.clear();
        opt.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, opt);
        const QRect edit = cb->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, cb);
        TOwnerDrawState state = odComboBoxEdit;
        if (Focused()) state |= odSelected | odFocused;
        if (!Enabled()) state |= odDisabled;
        BindCanvas(FCanvas.get(), &painter, Font(), Color());
        PrepareItemCanvas(FCanvas.get(), state);
        Guarded(this, [&] { DrawItem(ItemIndex(), platform::graphics::FromQRect(edit), state); });
        UnbindCanvas(FCanvas.get());
        return true;
    }
    return TWinControl::WidgetEvent(event);
}
void TCustomComboBox::DropDown() { OnDropDown(this); }

void TCustomComboBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    DefaultDrawItem(FCanvas.get(), index >= 0 && index < FItems->Count() ? FItems->Strings(index) : QString(), rect, state);
}

bool TCustomComboBox::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT) return true;
    if ((key == VK_RETURN || key == VK_ESCAPE) && DroppedDown()) return true;
    return TWinControl::WantsKey(key, shift);
}

// ---------------------------------------------------------------------------------------------
// List box

namespace {
// Presses on a list's items, seen before the list selects anything.
class TListPressWatch : public QObject {
public:
    explicit TListPressWatch(std::function<bool(QMouseEvent*)> onPress) : FOnPress(std::move(onPress)) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick) return false;
        return FOnPress(static_cast<QMouseEvent*>(e));
    }

private:
    std::function<bool(QMouseEvent*)> FOnPress;
};
}  // namespace

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), FItems(std::make_unique<TControlStrings>([this](const TItemsEdit& e) { ItemsChanged(e); })),
      FCanvas(std::make_unique<TCanvas>()) {
    auto* lw = new THost<QListWidget>(this);
    SetWidget(lw);
    FTakesComposedText = true;
    lw->setFocusPolicy(Qt::StrongFocus);
    lw->setUniformItemSizes(false);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
    auto* delegate = new TOwnerDrawDelegate(
        lw,
        [this](QPainter* p, int row, const QRect& r, TOwnerDrawState s) {
            BindCanvas(FCanvas.get(), p, Font(), Color());
            PrepareItemCanvas(FCanvas.get(), s);
            Guarded(this, [&] { DrawItem(row, platform::graphics::FromQRect(r), s); });
            UnbindCanvas(FCanvas.get());
        },
        [this] { return FStyle != lbStandard; },
        [this](int row) {
            int h = FItemHeight;
            if (FStyle == lbOwnerDrawVariable) Guarded(this, [&] { OnMeasureItem(this, row, h); });
            return h;
        });
    delegate->TabPixels = [this] { return ListWidget()->property("zbTabPixels").toInt(); };
    lw->setItemDelegate(delegate);
    // Clicks on the items arrive through the view, not through the widget's own mouse events.
    QObject::connect(lw, &QListWidget::itemClicked, lw, [this](QListWidgetItem*) { Guarded(this, [this] { Click(); }); });
    QObject::connect(lw, &QListWidget::itemDoubleClicked, lw,
                     [this](QListWidgetItem*) { Guarded(this, [this] { DblClick(); }); });
    FControlStyle &= ~(csClickEvents | csDoubleClicks);
    FPressWatch = std::make_unique<TListPressWatch>([this](QMouseEvent* e) {
        bool stop = false;
        Guarded(this, [&] { stop = AutoDragPress(e); });
        return stop;
    });
    lw->viewport()->installEventFilter(FPressWatch.get());
}

TCustomListBox::~TCustomListBox() {
    if (QListWidget* lw = ListWidget()) lw->viewport()->removeEventFilter(FPressWatch.get());
}

bool TCustomListBox::AutoDragPress(QMouseEvent* e) {
    if (FReplaying || DragMode() != dmAutomatic || e->button() != Qt::LeftButton) return false;
    // The list tells its double clicks from its presses itself (below); the toolkit's own would
    // give a second one.
    if (e->type() == QEvent::MouseButtonDblClick) return true;
    if (Dragging()) return false;
    const bool shift = e->modifiers() & Qt::ShiftModifier, ctrl = e->modifiers() & Qt::ControlModifier;
    FDragPress = e->position().toPoint();
    const QPoint at = ListWidget()->viewport()->mapTo(ListWidget(), FDragPress);
    const QPoint screen = e->globalPosition().toPoint();
    const int index = ItemAtPos(TPoint{at.x(), at.y()}, true);
    const bool doble = FLastPress.isValid() && FLastPress.elapsed() < QApplication::doubleClickInterval() &&
                       (screen - FLastPressAt).manhattanLength() <= QApplication::startDragDistance();
    if (doble && !shift && !ctrl) {
        FLastPress.invalidate();
        if (index < 0) return false;
        DblClick();
        return true;
    }
    FLastPress.start();
    FLastPressAt = screen;
    // A press on a selection keeps it: the user is about to drag it.
    if (FMultiSelect && (!shift || ctrl) && index >= 0 && Selected(index)) {
        BeginDragAt(TPoint{screen.x(), screen.y()});
        return true;
    }
    if (!(FMultiSelect && (shift || ctrl))) BeginDragAt(TPoint{screen.x(), screen.y()});
    return false;
}

void TCustomListBox::DragCanceled() {
    QWidget* viewport = ListWidget()->viewport();
    const QPointF local(FDragPress), global(viewport->mapToGlobal(FDragPress));
    FReplaying = true;
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &release);
    FReplaying = false;
}

QListWidget* TCustomListBox::ListWidget() const { return static_cast<QListWidget*>(FWidget); }

QListWidgetItem* TCustomListBox::NewRow(int index, int lineHeight) const {
    // Made apart and then added: an item made inside the view looks itself up in every row.
    auto* item = new QListWidgetItem(FItems->Strings(index));
    // The horizontal extent: every row is as wide as it, so the list scrolls sideways to it.
    if (FScrollWidth > 0) item->setSizeHint(QSize(FScrollWidth, lineHeight));
    return item;
}

void TCustomListBox::ItemsChanged(TItemsEdit edit) {
    QListWidget* lw = ListWidget();
    const int n = FItems->Count();
    const int scrollWidth = FScrollWidth;
    ItemsEdited(edit);
    // Another extent changes every row.
    if (FScrollWidth != scrollWidth) edit = {};
    // An object is not shown, but an owner-drawn row may draw from it.
    if (edit.Kind == TItemsEdit::Object) {
        lw->viewport()->update();
        return;
    }
    FSyncing = true;
    const int index = lw->currentRow();
    // One line changed follows on its own: filling a list line by line made every row again on
    // each, in time that grew with the square of the lines.
    const int lineHeight = FScrollWidth > 0 ? QFontMetrics(QtFont(Font())).height() + 2 : 0;
    if (edit.Kind == TItemsEdit::Insert && lw->count() == n - 1) {
        lw->insertItem(edit.Index, NewRow(edit.Index, lineHeight));
    } else if (edit.Kind == TItemsEdit::Delete && lw->count() == n + 1) {
        delete lw->takeItem(edit.Index);
    } else if (edit.Kind == TItemsEdit::Put && lw->count() == n) {
        lw->item(edit.Index)->setText(FItems->Strings(edit.Index));
    } else {
        lw->clear();
        for (int i = 0; i < n; ++i) lw->addItem(NewRow(i, lineHeight));
    }
    // As a rebuild of every row leaves them: the row at the old current index current and the only
    // one selected, or none.
    QItemSelectionModel* selection = lw->selectionModel();
    if (index >= 0 && index < n) {
        const QModelIndex at = lw->model()->index(index, 0);
        if (lw->currentRow() != index) selection->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
        selection->select(at, QItemSelectionModel::ClearAndSelect);
    } else {
        selection->clearSelection();
        if (lw->currentRow() >= 0) selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    FSyncing = false;
}

int TCustomListBox::ItemIndex() const { return ListWidget()->currentRow(); }

void TCustomListBox::SetItemIndex(int v) {
    if (v < 0 || v >= FItems->Count()) {
        ListWidget()->setCurrentRow(-1);
        ListWidget()->clearSelection();
        return;
    }
    ListWidget()->setCurrentRow(v);
}

void TCustomListBox::SetMultiSelect(bool v) {
    FMultiSelect = v;
    ListWidget()->setSelectionMode(v ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TCustomListBox::Selected(int index) const {
    QListWidgetItem* it = ListWidget()->item(index);
    if (!it) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return it->isSelected();
}

void TCustomListBox::SetSelected(int index, bool v) {
    QListWidgetItem* it = ListWidget()->item(index);
    if (!it) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    it->setSelected(v);
}

int TCustomListBox::SelCount() const { return FMultiSelect ? int(ListWidget()->selectedItems().size()) : -1; }

void TCustomListBox::SetStyle(TListBoxStyle v) {
    FStyle = v;
    ListWidget()->doItemsLayout();
}

void TCustomListBox::SetItemHeight(int v) {
    FItemHeight = v;
    ListWidget()->doItemsLayout();
}

void TCustomListBox::SetTabWidth(int v) {
    FTabWidth = v;
    // Dialog units: a quarter of the average character width each.
    const QFontMetrics fm(QtFont(Font()));
    const int pixels = v > 0 ? v * fm.averageCharWidth() / 4 : 8 * fm.horizontalAdvance(QLatin1Char(' '));
    ListWidget()->setProperty("zbTabPixels", pixels);
    ListWidget()->viewport()->update();
}

void TCustomListBox::SetScrollWidth(int v) {
    KeepScrollWidth(v);
    ItemsChanged({});
}

void TCustomListBox::KeepScrollWidth(int v) {
    FScrollWidth = std::max(0, v);
    ListWidget()->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

int TCustomListBox::ItemAtPos(const TPoint& pos, bool existing) const {
    const QModelIndex i = ListWidget()->indexAt(ListWidget()->viewport()->mapFrom(ListWidget(), QPoint(pos.X, pos.Y)));
    if (i.isValid()) return i.row();
    return existing ? -1 : FItems->Count();
}

TRect TCustomListBox::ItemRect(int index) const {
    QListWidgetItem* it = ListWidget()->item(index);
    if (!it) return {};
    return platform::graphics::FromQRect(ListWidget()->visualItemRect(it));
}

void TCustomListBox::Clear() { FItems->Clear(); }

void TCustomListBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    DefaultDrawItem(FCanvas.get(), index >= 0 && index < FItems->Count() ? FItems->Strings(index) : QString(), rect, state);
}

bool TCustomListBox::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT) return true;
    return TWinControl::WantsKey(key, shift);
}
