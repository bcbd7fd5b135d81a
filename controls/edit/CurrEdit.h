#pragma once
// Amount fields: the number edit (plain digits while focused, a display format when not), the
// button-less currency edit and the edit with a popup calculator.
#include "controls/edit/ToolEdit.h"

#include <memory>

class TCustomNumEdit : public TCustomComboEdit {
public:
    explicit TCustomNumEdit(TComponent* owner);
    ~TCustomNumEdit() override;

    // Reads the edit text first; a text that is no number raises EConvertError, selected, focus kept.
    double Value();
    void SetValue(double v);
    double MinValue() const { return FMinValue; }
    void SetMinValue(double v);
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double v);
    int DecimalPlaces() const { return FDecimalPlaces; }
    void SetDecimalPlaces(int v);
    bool BeepOnError() const { return FBeepOnError; }
    bool CheckOnExit() const { return FCheckOnExit; }
    void SetCheckOnExit(bool v) { FCheckOnExit = v; }
    bool ZeroEmpty() const { return FZeroEmpty; }
    void SetZeroEmpty(bool v);
    bool FormatOnEditing() const { return FFormatOnEditing; }
    void SetFormatOnEditing(bool v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v);
    QString DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& v);
    bool InEditMode() const { return FInEditMode; }

    // The text setter of the number edits: parses, clamps and re-writes (EConvertError on bad text).
    void SetText(const QString& text);
    QString Text() const { return TCustomComboEdit::Text(); }

    // The value clamped to the limits; with raiseOnError a value out of range raises ERangeError.
    double CheckValue(double newValue, bool raiseOnError) const;
    // Parses the edit text into Value (EConvertError on bad text).
    void UpdateData();
    virtual void DataChanged();
    virtual QString DefaultDisplayFormat() const { return QStringLiteral(",0.##"); }
    virtual bool IsValidChar(QChar key);
    virtual QString GetDisplayText();
    virtual void UpdatePopup() {}
    void ReformatEditText();
    // What the unfocused edit paints: the display text, or the open popup's text.
    QString PaintedText();

    void KeyPress(QChar& key) override;
    void DoEnter() override;
    void DoExit() override;
    void WMPaste() override;
    void CMEnabledChanged() override;
    void CMFontChanged() override;

protected:
    std::unique_ptr<TBitmap> DefaultGlyph() override { return controls::edit::CalcEditGlyph(); }
    void ApplyPopupValue(const Variant& value) override;
    void Change() override;
    void SetEditText(const QString& text);

private:
    bool PaintHook(QEvent* event);

    std::unique_ptr<TCanvas> FCanvas;
    TAlignment FAlignment = taRightJustify;
    bool FInEditMode = false;
    double FValue = 0;
    double FMinValue = 0, FMaxValue = 0;
    int FDecimalPlaces = 2;
    bool FBeepOnError = true;
    bool FCheckOnExit = false;
    bool FZeroEmpty = true;
    bool FFormatOnEditing = false;
    bool FFormatting = false;
    QString FDisplayFormat;
    int FPaintHook = 0;
};

class TCurrencyEdit : public TCustomNumEdit {
public:
    explicit TCurrencyEdit(TComponent* owner);
    QString DefaultDisplayFormat() const override;
};

class TZbCustomCalcEdit : public TCustomNumEdit {
public:
    explicit TZbCustomCalcEdit(TComponent* owner);
    ~TZbCustomCalcEdit() override;
    void UpdatePopup() override;
};

class TZbCalcEdit : public TZbCustomCalcEdit {
public:
    explicit TZbCalcEdit(TComponent* owner) : TZbCustomCalcEdit(owner) {}
};

// Number text as the conversion routines read it: blanks and thousand separators out, "." and
// "," as the decimal separator, "" as "0" and "-" as "-0".
QString TextToValText(const QString& s);
// Digits, signs, exponent letters and the decimal separator only, and a number.
bool IsValidFloat(const QString& s, double& value);
// Thousand separators put into the integer digits of a number text.
QString FormatFloatStr(const QString& s, bool thousands);
