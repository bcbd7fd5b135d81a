#pragma once
// The masked edit with the class library's edit masks: "mask;save literals;blank", e.g.
// "!99/99/9999;1;_" or "00000-l". Mask characters: L/l letter, A/a letter or digit, C/c any
// character, 0/9 digit, # digit or sign (upper case required, lower case optional); > and <
// change the case of what follows, <> stops that; ! keeps optional blanks at the front of Text;
// \ makes the next character a literal; _ stands for a blank literal. EditText is what the user
// sees (blanks shown with the blank character); Text drops them to spaces and, when the second
// field is 0, drops the literals too.
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Exceptions.h"

#include <vector>

ZB_EXCEPTION(EDBEditError, Exception)

namespace platform::forms {

// A parsed edit mask.
class TEditMask {
public:
    TEditMask() = default;
    explicit TEditMask(const QString& mask);
    bool Empty() const { return FSlots.empty(); }
    int Length() const { return int(FSlots.size()); }
    bool SaveLiterals() const { return FSave; }
    QChar Blank() const { return FBlank; }
    bool Reverse() const { return FReverse; }
    bool IsLiteral(int pos) const { return FSlots[size_t(pos)].Kind == Literal; }
    bool IsRequired(int pos) const { return FSlots[size_t(pos)].Kind == Required; }
    QChar LiteralAt(int pos) const { return FSlots[size_t(pos)].Char; }
    // Whether the character may go at the position; `ch` gets the position's case.
    bool Accepts(int pos, QChar& ch) const;

    // The edit text of an empty field: literals and blank characters.
    QString EmptyEditText() const;
    // Text from edit text (the Text property).
    QString TextFromEditText(const QString& editText) const;
    // Edit text from a Text value.
    QString EditTextFromText(const QString& text) const;
    // Index of the first required position left blank, or -1.
    int FirstMissing(const QString& editText) const;

private:
    enum SlotKind { Literal, Required, Optional };
    enum CaseMode { NoCase, Upper, Lower };
    struct Slot {
        SlotKind Kind;
        QChar Char;  // the mask character, or the literal
        CaseMode Case;
    };
    QString Strip(const QString& editText) const;   // the non-literal characters, blanks trimmed
    QString Format(const QString& chars, bool active) const;
    std::vector<Slot> FSlots;
    bool FSave = true;
    bool FReverse = false;
    QChar FBlank = QLatin1Char('_');
};

}  // namespace platform::forms

// Formats a value with a mask as the masked edit would show its Text.
QString FormatMaskText(const QString& editMask, const QString& value);

class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent* owner);
    QString EditMask() const { return FMaskText; }
    void SetEditMask(const QString& mask);
    bool IsMasked() const { return !FMask.Empty(); }
    QString EditText() const;
    void SetEditText(const QString& v);
    // Raises EDBEditError when a required position is blank (and the text was changed).
    virtual void ValidateEdit();
    const platform::forms::TEditMask& Mask() const { return FMask; }

    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void DoExit() override;
    void DoEnter() override;
    void PasteFromClipboard() override;
    void CutToClipboard() override;
    void ClearSelection() override;

protected:
    QString GetText() const override;
    void SetTextValue(const QString& v) override;
    // Types one character at the cursor as the mask allows.
    void TypeChar(QChar ch);
    void DeleteChars(bool backwards);

private:
    int NextEditable(int pos, bool forward) const;
    // No position holds a typed character yet.
    bool NothingTyped() const;
    bool PasteWhole(const QString& copied);
    QString FMaskText;
    platform::forms::TEditMask FMask;
};

class TMaskEdit : public TCustomMaskEdit {
public:
    explicit TMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
};
