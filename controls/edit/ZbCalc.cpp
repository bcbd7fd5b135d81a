#include "controls/edit/ZbCalc.h"

#include "controls/edit/PickDate.h"
#include "controls/visual/StrHelpers.h"
#include "platform/forms/Beep.h"
#include "platform/graphics/Clipbrd.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>

namespace {
struct TKindSpec {
    const char* Caption;
    TColor Color;
    TPoint Popup;  // x < 0: not in the popup layout
    TPoint Dialog;
};

// Kinds 1..28: digits 0..9, sign, decimal, / * - +, sqrt % 1/x =, <- C, MP MS MR MC, OK, Cancel.
const TKindSpec Kinds[29] = {
    {"", 0, {-1, -1}, {-1, -1}},
    {"0", clBtnText, {6, 75}, {47, 104}},   {"1", clBtnText, {6, 52}, {47, 80}},
    {"2", clBtnText, {29, 52}, {85, 80}},   {"3", clBtnText, {52, 52}, {123, 80}},
    {"4", clBtnText, {6, 29}, {47, 56}},    {"5", clBtnText, {29, 29}, {85, 56}},
    {"6", clBtnText, {52, 29}, {123, 56}},  {"7", clBtnText, {6, 6}, {47, 32}},
    {"8", clBtnText, {29, 6}, {85, 32}},    {"9", clBtnText, {52, 6}, {123, 32}},
    {"±", clBtnText, {52, 75}, {85, 104}},  {",", clBtnText, {29, 75}, {123, 104}},
    {"/", clPurple, {75, 6}, {161, 32}},    {"*", clPurple, {75, 29}, {161, 56}},
    {"-", clPurple, {75, 52}, {161, 80}},   {"+", clPurple, {75, 75}, {161, 104}},
    {"sqrt", clNavy, {-1, -1}, {199, 32}},  {"%", clNavy, {-1, -1}, {199, 56}},
    {"1/x", clNavy, {-1, -1}, {199, 80}},   {"=", clPurple, {52, 98}, {199, 104}},
    {"<-", clMaroon, {29, 98}, {145, 6}},   {"C", clMaroon, {6, 98}, {191, 6}},
    {"MP", clNavy, {-1, -1}, {5, 104}},     {"MS", clNavy, {-1, -1}, {5, 80}},
    {"MR", clNavy, {-1, -1}, {5, 56}},      {"MC", clNavy, {-1, -1}, {5, 32}},
    {"OK", clBtnText, {-1, -1}, {47, 6}},   {"X", clBtnText, {-1, -1}, {85, 6}},
};

// The key a button kind sends to the state machine (0: none).
QChar KeyOfKind(int kind) {
    if (kind >= 1 && kind <= 10) return QChar('0' + kind - 1);
    switch (kind) {
    case 11: return QLatin1Char('_');
    case 12: return FormatSettings.DecimalSeparator;
    case 13: return QLatin1Char('/');
    case 14: return QLatin1Char('*');
    case 15: return QLatin1Char('-');
    case 16: return QLatin1Char('+');
    case 17: return QLatin1Char('Q');
    case 18: return QLatin1Char('%');
    case 19: return QLatin1Char('R');
    case 20: return QLatin1Char('=');
    case 21: return QChar(8);
    case 22: return QLatin1Char('C');
    default: return QChar();
    }
}

int KindOfKey(QChar key) {
    const QChar k = key.toUpper();
    if (k == QLatin1Char('.') || k == QLatin1Char(',') || k == FormatSettings.DecimalSeparator) return 12;
    if (k == QChar(13)) return 20;
    if (k == QChar(27)) return 22;
    if (k >= QLatin1Char('0') && k <= QLatin1Char('9')) return k.unicode() - '0' + 1;
    for (int kind = 11; kind <= 22; ++kind)
        if (kind != 12 && kind != 21 && KeyOfKind(kind) == k) return kind;
    return 0;
}

void SetCalcFont(TFont* font) {
    FontSetDefault(font);
    font->SetStyle({fsBold});
}
}  // namespace

TCalcButton::TCalcButton(TComponent* owner, int kind) : TZbSpeedButton(owner), FKind(kind) {
    SetTag(kind >= 1 && kind <= 22 ? kind - 1 : -1);
    SetStyle(bsNew);
    Font()->SetColor(Kinds[kind].Color);
}

void TCalcButton::CMParentFontChanged() {
    if (FFontChanging) return;
    FFontChanging = true;
    TZbSpeedButton::CMParentFontChanged();
    Font()->SetColor(Kinds[FKind].Color);
    FFontChanging = false;
}

TCalculatorPanel::TCalculatorPanel(TComponent* owner, TCalcPanelLayout layout) : TPanel(owner) {
    SetColor(clBtnFace);
    if (layout == clDialog) SetBounds(0, 0, 240, 129);
    else SetBounds(0, 0, 98, 124);
    SetCalcFont(Font());
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    for (int kind = 1; kind <= 28; ++kind) {
        const TPoint pos = layout == clPopup ? Kinds[kind].Popup : Kinds[kind].Dialog;
        if (pos.X < 0) continue;
        auto* b = new TCalcButton(this, kind);
        b->SetParent(this);
        int w = layout == clPopup ? 21 : 36;
        const int h = layout == clPopup ? 21 : 22;
        if ((layout == clDialog && (kind == 21 || kind == 22)) || (layout == clPopup && kind == 20)) w = 44;
        b->SetBounds(pos.X, pos.Y, w, h);
        b->SetCaption(kind == 12 ? QString(FormatSettings.DecimalSeparator) : QString::fromUtf8(Kinds[kind].Caption));
        b->SetParentFont(true);
        b->Font()->SetColor(Kinds[kind].Color);
        b->OnClick = [this, kind](TObject*) { ButtonAction(kind); };
        FButtons.push_back(b);
    }
    if (layout == clDialog) {
        FIndicatorPanel = new TPanel(this);
        FIndicatorPanel->SetParent(this);
        FIndicatorPanel->SetBounds(6, 7, 34, 20);
        FIndicatorPanel->SetBevelInner(bvLowered);
        FMemoryLabel = new TLabel(this);
        FMemoryLabel->SetParent(FIndicatorPanel);
        FMemoryLabel->SetAutoSize(false);
        FMemoryLabel->SetBounds(3, 3, 26, 14);
        FMemoryLabel->SetAlignment(taCenter);
        FMemoryLabel->SetParentFont(false);
        FontSetDefault(FMemoryLabel->Font());
    }
}

void TCalculatorPanel::SetText(const QString& value) {
    if (value == FText) return;
    FText = value;
    TextChanged();
}

void TCalculatorPanel::TextChanged() {
    if (FDisplayControl) FDisplayControl->SetCaption(FText);
    OnTextChange(this);
}

void TCalculatorPanel::Beep() const {
    if (FBeepOnError) platform::forms::MessageBeep();
}

void TCalculatorPanel::SetDisplay(double value) {
    const QString s = FloatToStrF(value, ffGeneral, std::max(2, FPrecision), 0);
    if (s == FText) return;
    SetText(s);
    OnDisplayChange(this);
}

double TCalculatorPanel::GetDisplay() const {
    if (FStatus == csError) return 0;
    QString s = Trim(FText);
    if (s.endsWith(FormatSettings.DecimalSeparator)) s.chop(1);
    double v = 0;
    return TryStrToFloat(s, v) ? v : 0;
}

void TCalculatorPanel::Clear() {
    FStatus = csFirst;
    SetDisplay(0);
    FOperator = QLatin1Char('=');
}

void TCalculatorPanel::Copy() { Clipboard()->SetAsText(FText); }

void TCalculatorPanel::Paste() {
    const QString clip = Clipboard()->AsText();
    if (clip.isEmpty()) return;
    const QString s = Trim(ReplaceStr(clip, FormatSettings.CurrencyString, QString()));
    double v = 0;
    if (TryStrToFloat(s, v)) SetDisplay(v);
    else SetText(QStringLiteral("0"));
}

void TCalculatorPanel::CheckFirst() {
    if (FStatus != csFirst) return;
    FStatus = csValid;
    SetText(QStringLiteral("0"));
}

void TCalculatorPanel::Error() {
    FStatus = csError;
    SetText(QStringLiteral("Error"));
    Beep();
    OnError(this);
}

void TCalculatorPanel::CalcKey(QChar key) {
    key = key.toUpper();
    if (FStatus == csError && key != QLatin1Char('C')) key = QChar();
    OnCalcKey(this, key);
    const QChar dec = FormatSettings.DecimalSeparator;
    if (key.isNull()) return;
    if (key == dec || key == QLatin1Char('.') || key == QLatin1Char(',')) {
        CheckFirst();
        if (!FText.contains(dec)) SetText(FText + dec);
    } else if (key >= QLatin1Char('0') && key <= QLatin1Char('9')) {
        CheckFirst();
        QString t = FText == QLatin1String("0") ? QString() : FText;
        if (!t.contains(QLatin1Char('E'))) {
            const int limit = std::max(2, FPrecision) + (t.contains(QLatin1Char('-')) ? 1 : 0);
            if (t.size() < limit) t += key;
            else Beep();
        }
        SetText(t.isEmpty() ? QStringLiteral("0") : t);
    } else if (key == QLatin1Char('_')) {
        SetDisplay(-GetDisplay());
    } else if (key == QLatin1Char('Q') || key == QLatin1Char('R')) {
        if (FStatus == csError) return;
        FStatus = csFirst;
        const double v = GetDisplay();
        if (key == QLatin1Char('Q')) {
            if (v < 0) Error();
            else SetDisplay(std::sqrt(v));
        } else {
            if (v == 0) Error();
            else SetDisplay(1.0 / v);
        }
    } else if (key == QChar(8)) {
        CheckFirst();
        if (FText.size() == 1 || (FText.size() == 2 && FText[0] == QLatin1Char('-'))) SetText(QStringLiteral("0"));
        else SetText(FText.left(FText.size() - 1));
    } else if (QStringLiteral("+-*/%=\r").contains(key)) {
        if (FStatus == csValid) {
            FStatus = csFirst;
            double r = GetDisplay();
            if (key == QLatin1Char('%')) {
                if (FOperator == QLatin1Char('+') || FOperator == QLatin1Char('-')) r = FOperand * r * 0.01;
                else if (FOperator == QLatin1Char('*') || FOperator == QLatin1Char('/')) r *= 0.01;
            }
            switch (FOperator.unicode()) {
            case '+': SetDisplay(FOperand + r); break;
            case '-': SetDisplay(FOperand - r); break;
            case '*': SetDisplay(FOperand * r); break;
            case '/':
                if (r == 0) Error();
                else SetDisplay(FOperand / r);
                break;
            default: break;
            }
        }
        FOperator = key;
        FOperand = GetDisplay();
        if (key == QChar(13) || key == QLatin1Char('%') || key == QLatin1Char('=')) OnResult(this);
    } else if (key == QLatin1Char('C') || key == QChar(27)) {
        Clear();
    } else if (key == QChar(3)) {
        Copy();
    } else if (key == QChar(22)) {
        Paste();
    }
}

TCalcButton* TCalculatorPanel::ButtonOfKind(int kind) const {
    for (TCalcButton* b : FButtons)
        if (b->Kind() == kind) return b;
    return nullptr;
}

TCalcButton* TCalculatorPanel::FindButton(QChar key) const {
    const int kind = KindOfKey(key);
    return kind ? ButtonOfKind(kind) : nullptr;
}

void TCalculatorPanel::CalcKeyPress(TObject*, QChar& key) {
    if (TCalcButton* b = FindButton(key)) b->ButtonClick();
    else CalcKey(key);
}

void TCalculatorPanel::UpdateMemoryLabel() {
    if (FMemoryLabel) FMemoryLabel->SetCaption(FMemory != 0 ? QStringLiteral("M") : QString());
}

void TCalculatorPanel::ButtonAction(int kind) {
    if (kind <= 22) {
        CalcKey(KeyOfKind(kind));
        return;
    }
    switch (kind) {
    case 23:
    case 24:
        if (FStatus == csError) return;
        FStatus = csFirst;
        FMemory = kind == 23 ? FMemory + GetDisplay() : GetDisplay();
        UpdateMemoryLabel();
        break;
    case 25:
        if (FStatus == csError) return;
        FStatus = csFirst;
        CheckFirst();
        SetDisplay(FMemory);
        break;
    case 26:
        FMemory = 0;
        UpdateMemoryLabel();
        break;
    case 27:
        if (FStatus != csError) {
            SetDisplay(GetDisplay());
            OnOk(this);
        } else {
            Beep();
        }
        break;
    case 28: OnCancel(this); break;
    default: break;
    }
}

TLocCalculator::TLocCalculator(TComponent* owner) : TCalculatorPanel(owner, clPopup) {
    SetTabStop(false);
    Widget()->setFocusPolicy(Qt::NoFocus);
}

// ---------------------------------------------------------------------------------------------

TPopupCalculator::TPopupCalculator(TWinControl* owner) : TPopupWindow(owner) {
    SetBounds(0, 0, 104, 127);
    SetColor(clBtnFace);
    SetCalcFont(Font());
    FCalcPanel = new TLocCalculator(this);
    FCalcPanel->SetParent(this);
    FCalcPanel->SetAlign(alClient);
    FCalcPanel->SetBevelOuter(bvRaised);
    FCalcPanel->SetPrecision(15);
    FCalcPanel->OnResult = [this](TObject*) {
        if (FCalcPanel->Status() == csError) return;
        FCalcPanel->SetDisplay(FCalcPanel->GetDisplay());
        CloseUp(true);
    };
    FCalcPanel->OnTextChange = [this](TObject*) { RepaintEditor(); };
}

void TPopupCalculator::KeyPress(QChar& key) {
    FCalcPanel->CalcKeyPress(this, key);
    TPopupWindow::KeyPress(key);
}

Variant TPopupCalculator::GetValue() {
    if (FCalcPanel->Status() == csError) {
        if (FCalcPanel->BeepOnError()) platform::forms::MessageBeep();
        return Variant(0.0);
    }
    FCalcPanel->SetDisplay(FCalcPanel->GetDisplay());
    return Variant(FCalcPanel->GetDisplay());
}

void TPopupCalculator::SetValue(const Variant& value) {
    double v = 0;
    try {
        if (value.IsNullOrEmpty()) v = 0;
        else if (value.VarType() == TVarType::varString) v = Trim(value.AsString()).isEmpty() ? 0 : StrToFloat(Trim(value.AsString()));
        else v = value.AsFloat();
    } catch (const Exception&) {
        v = 0;
    }
    FCalcPanel->SetDisplay(v);
    FCalcPanel->ResetState();
}

TPopupWindow* CreatePopupCalculator(TWinControl* owner) { return new TPopupCalculator(owner); }

void SetupPopupCalculator(TWinControl* popup, int precision, bool beepOnError) {
    auto* p = dynamic_cast<TPopupCalculator*>(popup);
    if (!p || !p->CalcPanel()) return;
    p->CalcPanel()->SetPrecision(std::max(2, precision));
    p->CalcPanel()->SetBeepOnError(beepOnError);
}
