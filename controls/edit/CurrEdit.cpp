#include "controls/edit/CurrEdit.h"

#include "controls/visual/BitmapHelpers.h"
#include "controls/edit/ZbCalc.h"
#include "controls/visual/StrHelpers.h"
#include "platform/forms/Beep.h"
#include "platform/rtl/SysUtils.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <cmath>

using platform::forms::MessageBeep;

QString TextToValText(const QString& s) {
    QString r = TrimSpaces(s);
    const QChar dec = FormatSettings.DecimalSeparator, th = FormatSettings.ThousandSeparator;
    if (dec != th) r.remove(th);
    if (dec != QLatin1Char('.') && th != QLatin1Char('.')) r.replace(QLatin1Char('.'), dec);
    if (dec != QLatin1Char(',') && th != QLatin1Char(',')) r.replace(QLatin1Char(','), dec);
    if (r.isEmpty()) r = QStringLiteral("0");
    else if (r == QLatin1String("-")) r = QStringLiteral("-0");
    return r;
}

bool IsValidFloat(const QString& s, double& value) {
    for (QChar c : s)
        if (!c.isDigit() && c != QLatin1Char('+') && c != QLatin1Char('-') && c != QLatin1Char('E') &&
            c != QLatin1Char('e') && c != FormatSettings.DecimalSeparator)
            return false;
    return TryStrToFloat(s, value);
}

QString FormatFloatStr(const QString& s, bool thousands) {
    QString body = s, sign;
    if (body.startsWith(QLatin1Char('+')) || body.startsWith(QLatin1Char('-'))) {
        sign = body.left(1);
        body = body.mid(1);
    }
    int end = 0;
    while (end < body.size() && body[end] != FormatSettings.DecimalSeparator && body[end].toUpper() != QLatin1Char('E'))
        ++end;
    const QString digits = body.left(end), rest = body.mid(end);
    QString out;
    for (int i = 0; i < digits.size(); ++i) {
        const int fromRight = digits.size() - i;
        if (thousands && i > 0 && fromRight % 3 == 0) out += FormatSettings.ThousandSeparator;
        out += digits[i];
    }
    return sign + out + rest;
}

// ---------------------------------------------------------------------------------------------

TCustomNumEdit::TCustomNumEdit(TComponent* owner) : TCustomComboEdit(owner), FCanvas(std::make_unique<TCanvas>()) {
    SetControlStyle(ControlStyle() & ~csSetCaption);
    SetMaxLength(0);
    FDisplayFormat = DefaultDisplayFormat();
    TCustomComboEdit::SetText(QString());
    SetEditAlignment(taLeftJustify);
    FDefNumGlyphs = 2;
    DataChanged();
    FCreating = true;
    SetGlyphKind(gkDefault);
    SetButtonWidth(20);
    FCreating = false;
    FPaintHook = AddMessageHook([this](QEvent* e) { return PaintHook(e); }, nullptr);
}

TCustomNumEdit::~TCustomNumEdit() { RemoveMessageHook(FPaintHook); }

bool TCustomNumEdit::PaintHook(QEvent* event) {
    if (event->type() != QEvent::Paint) return false;
    // The display format is only known here once the subclass is built; take it on first paint.
    if (FInEditMode && !PopupVisible()) return false;  // the edit paints its own text
    QPainter painter(Widget());
    return controls::edit::PaintComboEdit(this, PaintedText(), FAlignment, false, FCanvas.get(), &painter);
}

QString TCustomNumEdit::PaintedText() {
    if (PopupVisible() && Popup()) return Popup()->GetPopupText();
    return GetDisplayText();
}

void TCustomNumEdit::SetEditText(const QString& text) {
    const bool was = FFormatting;
    FFormatting = true;
    TCustomComboEdit::SetText(text);
    FFormatting = was;
}

double TCustomNumEdit::CheckValue(double newValue, bool raiseOnError) const {
    double result = newValue;
    if (FMaxValue > FMinValue) {
        result = std::clamp(newValue, FMinValue, FMaxValue);
    } else if (FMinValue > FMaxValue) {
        if (FMaxValue == 0) result = std::max(newValue, FMinValue);
        else if (FMinValue == 0) result = std::min(newValue, FMaxValue);
    }
    if (raiseOnError && result != newValue) {
        const QString fmt = ReplaceStr(ResStr(61595), QStringLiteral("%d"),
                                       QStringLiteral("%.*f"));
        throw ERangeError(Format(fmt, FDecimalPlaces, FMinValue, FDecimalPlaces, FMaxValue));
    }
    return result;
}

void TCustomNumEdit::UpdateData() {
    ValidateEdit();
    FValue = CheckValue(StrToFloat(TextToValText(TCustomComboEdit::Text())), false);
}

double TCustomNumEdit::Value() {
    // A text that is no number is refused as on exit: falling back to a limit would let a form
    // store a typing error as 0.
    try {
        UpdateData();
    } catch (const Exception&) {
        SelectAll();
        TakeFocus();
        throw;
    }
    return FValue;
}

void TCustomNumEdit::SetValue(double v) {
    FValue = CheckValue(v, false);
    DataChanged();
    Invalidate();
}

void TCustomNumEdit::SetMinValue(double v) {
    if (v == FMinValue) return;
    FMinValue = v;
    SetValue(FValue);
}

void TCustomNumEdit::SetMaxValue(double v) {
    if (v == FMaxValue) return;
    FMaxValue = v;
    SetValue(FValue);
}

void TCustomNumEdit::SetText(const QString& text) {
    FValue = CheckValue(StrToFloat(TextToValText(text)), false);
    DataChanged();
    Invalidate();
}

void TCustomNumEdit::DataChanged() {
    QString fmt = QStringLiteral("0");
    if (FDecimalPlaces > 0) fmt += QLatin1Char('.') + QString(FDecimalPlaces, QLatin1Char('#'));
    SetEditText(FValue == 0 && FZeroEmpty ? QString() : FormatFloat(fmt, FValue));
}

QString TCustomNumEdit::GetDisplayText() {
    double v = FValue;
    if (FInEditMode) {
        // Painting never refuses: a text that is no number yet shows the last good value.
        double typed = 0;
        if (TryStrToFloat(TextToValText(TCustomComboEdit::Text()), typed)) v = CheckValue(typed, false);
    }
    return FDisplayFormat.isEmpty() ? FloatToStr(v) : FormatFloat(FDisplayFormat, v);
}

bool TCustomNumEdit::IsValidChar(QChar key) {
    QLineEdit* le = LineEdit();
    QString s = le->text();
    const int start = le->hasSelectedText() ? le->selectionStart() : le->cursorPosition();
    const int len = le->hasSelectedText() ? int(le->selectedText().size()) : 0;
    s.replace(start, len, key);
    s = TextToValText(s);
    const int p = s.indexOf(FormatSettings.DecimalSeparator);
    if (p >= 0) {
        int e = s.indexOf(QLatin1Char('E'), p, Qt::CaseInsensitive);
        const int n = (e >= 0 ? e : int(s.size())) - p - 1;
        // No decimals at all: the separator itself is refused.
        if (n > FDecimalPlaces || FDecimalPlaces == 0) return false;
    }
    double v = 0;
    if (!IsValidFloat(s, v)) return false;
    if (FMinValue >= 0 && FMaxValue > 0 && std::signbit(v)) return false;
    return true;
}

void TCustomNumEdit::KeyPress(QChar& key) {
    if (PopupVisible() && Popup()) {
        const QChar u = key.toUpper();
        if (u == QChar(8) || u == QChar(13) || QStringLiteral("%*+,-./0123456789=CQR_").contains(u) ||
            u == FormatSettings.DecimalSeparator) {
            Popup()->KeyPress(key);
            key = QChar();
            return;
        }
    }
    if (key == QLatin1Char('.') || key == QLatin1Char(',')) key = FormatSettings.DecimalSeparator;
    TCustomComboEdit::KeyPress(key);
    if (key.isNull()) return;
    if (key.unicode() >= 32 && !IsValidChar(key)) {
        if (FBeepOnError) MessageBeep();
        key = QChar();
    } else if (key == QChar(27)) {
        DataChanged();
        SelectAll();
        key = QChar();
    }
}

void TCustomNumEdit::DoEnter() {
    FInEditMode = true;
    FFormatting = true;
    DataChanged();
    FFormatting = false;
    Invalidate();
    if (FFormatOnEditing) ReformatEditText();
    TCustomComboEdit::DoEnter();
}

void TCustomNumEdit::DoExit() {
    try {
        if (FCheckOnExit) CheckValue(StrToFloat(TextToValText(TCustomComboEdit::Text())), true);
        UpdateData();
    } catch (...) {
        SelectAll();
        TakeFocus();
        throw;
    }
    FInEditMode = false;
    DataChanged();
    Invalidate();
    LineEdit()->setCursorPosition(0);
    TCustomComboEdit::DoExit();
}

void TCustomNumEdit::Change() {
    if (FFormatting) return;
    if (FFormatOnEditing && FInEditMode) ReformatEditText();
    TCustomComboEdit::Change();
}

void TCustomNumEdit::ReformatEditText() {
    FFormatting = true;
    QString s = TCustomComboEdit::Text();
    const int oldLen = int(s.size());
    if (!s.isEmpty() && s != QLatin1String("-")) s = FormatFloatStr(TextToValText(s), FDisplayFormat.contains(QLatin1Char(',')));
    const int pos = LineEdit()->cursorPosition();
    TCustomComboEdit::SetText(s);
    if (Focused()) LineEdit()->setCursorPosition(std::clamp(pos + int(s.size()) - oldLen, 0, int(s.size())));
    FFormatting = false;
}

namespace {
// An amount copied from a program that writes a point for the decimals ("1234.56") would lose
// its point as a thousands mark and read a hundred times larger. A lone thousands mark that
// groups no three digits, or follows more than three, with no decimal mark, is the decimals'.
QString DecimalPointOfAPaste(const QString& text) {
    const QChar dec = FormatSettings.DecimalSeparator, th = FormatSettings.ThousandSeparator;
    if (dec == th || text.contains(dec) || text.count(th) != 1) return text;
    const qsizetype at = text.indexOf(th);
    qsizetype before = at, after = at + 1;
    while (before > 0 && text[before - 1].isDigit()) --before;
    while (after < text.size() && text[after].isDigit()) ++after;
    if (after - at - 1 == 3 && at - before <= 3) return text;
    QString r = text;
    r[at] = dec;
    return r;
}
}  // namespace

void TCustomNumEdit::WMPaste() {
    const QString before = TCustomComboEdit::Text();
    TCustomComboEdit::WMPaste();
    const QString pasted = TCustomComboEdit::Text();
    if (pasted != before) {
        const QString read = DecimalPointOfAPaste(pasted);
        if (read != pasted) SetEditText(read);
    }
    try {
        UpdateData();
    } catch (const Exception&) {
        SetEditText(before);
        SelectAll();
        TakeFocus();
        if (FBeepOnError) MessageBeep();
    }
}

void TCustomNumEdit::ApplyPopupValue(const Variant& value) {
    const double v = value.IsNullOrEmpty() ? 0 : value.AsFloat();
    const QString old = TCustomComboEdit::Text();
    SetValue(v);
    if (TCustomComboEdit::Text() == old) return;
    SetModified(true);
    SyncPopupVisible();
    DoChange();
}

void TCustomNumEdit::CMEnabledChanged() {
    TCustomComboEdit::CMEnabledChanged();
    if (!FInEditMode) Invalidate();
}

void TCustomNumEdit::CMFontChanged() {
    TCustomComboEdit::CMFontChanged();
    Invalidate();
}

void TCustomNumEdit::SetZeroEmpty(bool v) {
    if (v == FZeroEmpty) return;
    FZeroEmpty = v;
    DataChanged();
}

void TCustomNumEdit::SetFormatOnEditing(bool v) {
    if (v == FFormatOnEditing) return;
    FFormatOnEditing = v;
    SetEditAlignment(v ? FAlignment : taLeftJustify);
    if (!FInEditMode) return;
    if (v) {
        ReformatEditText();
    } else {
        // A text that is no number stays as typed for the exit check to refuse.
        double typed = 0;
        if (!TryStrToFloat(TextToValText(TCustomComboEdit::Text()), typed)) return;
        FValue = CheckValue(typed, false);
        DataChanged();
    }
}

void TCustomNumEdit::SetAlignment(TAlignment v) {
    if (v == FAlignment) return;
    FAlignment = v;
    Invalidate();
}

void TCustomNumEdit::SetDisplayFormat(const QString& v) {
    if (v == FDisplayFormat) return;
    FDisplayFormat = v;
    Invalidate();
    DataChanged();
}

void TCustomNumEdit::SetDecimalPlaces(int v) {
    if (v == FDecimalPlaces) return;
    FDecimalPlaces = std::max(0, v);
    DataChanged();
    Invalidate();
}

// ---------------------------------------------------------------------------------------------

TCurrencyEdit::TCurrencyEdit(TComponent* owner) : TCustomNumEdit(owner) {
    SetDisplayFormat(DefaultDisplayFormat());
    FCreating = true;
    SetButtonWidth(0);
    FCreating = false;
    LayoutButton();
}

QString TCurrencyEdit::DefaultDisplayFormat() const {
    QString f = QStringLiteral(",0.") + QString(FormatSettings.CurrencyDecimals, QLatin1Char('0'));
    QString c;
    for (QChar ch : FormatSettings.CurrencyString) {
        if (ch == QLatin1Char(',') || ch == QLatin1Char('.')) c += QLatin1Char('\'') + ch + QLatin1Char('\'');
        else c += ch;
    }
    if (!c.isEmpty()) {
        switch (FormatSettings.CurrencyFormat) {
        case 0: f = c + f; break;
        case 1: f = f + c; break;
        case 2: f = c + QLatin1Char(' ') + f; break;
        case 3: f = f + QLatin1Char(' ') + c; break;
        default: break;
        }
    }
    return QStringLiteral("%1;-%1").arg(f);
}

TZbCustomCalcEdit::TZbCustomCalcEdit(TComponent* owner) : TCustomNumEdit(owner) {
    TPopupWindow* p = CreatePopupCalculator(this);
    p->OnCloseUp = [this](TObject* sender, bool accept) { CloseUpPopup(sender, accept); };
    SetPopup(p);
    UpdatePopup();
}

TZbCustomCalcEdit::~TZbCustomCalcEdit() {
    if (Popup()) Popup()->OnCloseUp = TEvent<TObject*, bool>();
}

void TZbCustomCalcEdit::UpdatePopup() {
    if (Popup()) SetupPopupCalculator(Popup(), 15, BeepOnError());
}
