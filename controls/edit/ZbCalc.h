#pragma once
// Pocket calculator: the panel with its display text and arithmetic state machine, its buttons
// in a dialog or a popup layout, and the popup of the calculator edit.
#include "controls/edit/ToolEdit.h"
#include "platform/forms/ExtCtrls.h"

#include <vector>

enum TCalcPanelLayout { clDialog, clPopup };

// Status of the calculator.
constexpr quint8 csFirst = 0, csValid = 1, csError = 2;

using TCalcKeyEvent = TEvent<TObject*, QChar&>;

class TCalcButton : public TZbSpeedButton {
public:
    TCalcButton(TComponent* owner, int kind);
    int Kind() const { return FKind; }
    void CMParentFontChanged() override;

private:
    int FKind;
    bool FFontChanging = false;
};

class TCalculatorPanel : public TPanel {
public:
    TCalculatorPanel(TComponent* owner, TCalcPanelLayout layout);

    // The display text.
    QString Text() const { return FText; }
    void SetText(const QString& value);
    quint8 Status() const { return FStatus; }
    QChar Operator() const { return FOperator; }
    double Operand() const { return FOperand; }
    double Memory() const { return FMemory; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int v) { FPrecision = std::max(2, v); }
    bool BeepOnError() const { return FBeepOnError; }
    void SetBeepOnError(bool v) { FBeepOnError = v; }
    TControl* DisplayControl() const { return FDisplayControl; }
    void SetDisplayControl(TControl* c) { FDisplayControl = c; }
    TLabel* MemoryLabel() const { return FMemoryLabel; }

    TNotifyEvent OnError, OnOk, OnCancel, OnResult, OnTextChange, OnDisplayChange;
    TCalcKeyEvent OnCalcKey;

    void CalcKey(QChar key);
    void CalcKeyPress(TObject* sender, QChar& key);
    void SetDisplay(double value);
    double GetDisplay() const;
    void Clear();
    // Start status with no pending operator, the display kept.
    void ResetState() {
        FStatus = csFirst;
        FOperator = QLatin1Char('=');
    }
    void Copy();
    void Paste();
    // The button that stands for a key, or none.
    TCalcButton* FindButton(QChar key) const;
    TCalcButton* ButtonOfKind(int kind) const;
    const std::vector<TCalcButton*>& CalcButtons() const { return FButtons; }

protected:
    virtual void TextChanged();

private:
    void ButtonAction(int kind);
    void CheckFirst();
    void Error();
    void UpdateMemoryLabel();
    void Beep() const;

    QString FText = QStringLiteral("0");
    quint8 FStatus = csFirst;
    QChar FOperator = QLatin1Char('=');
    double FOperand = 0;
    double FMemory = 0;
    int FPrecision = 15;
    bool FBeepOnError = true;
    TControl* FDisplayControl = nullptr;
    TPanel* FIndicatorPanel = nullptr;
    TLabel* FMemoryLabel = nullptr;
    std::vector<TCalcButton*> FButtons;
};

class TLocCalculator : public TCalculatorPanel {
public:
    explicit TLocCalculator(TComponent* owner);
};

class TPopupCalculator : public TPopupWindow {
public:
    explicit TPopupCalculator(TWinControl* owner);
    TLocCalculator* CalcPanel() const { return FCalcPanel; }
    Variant GetValue() override;
    void SetValue(const Variant& value) override;
    QString GetPopupText() const override { return FCalcPanel->Text(); }
    void KeyPress(QChar& key) override;

private:
    TLocCalculator* FCalcPanel;
};

TPopupWindow* CreatePopupCalculator(TWinControl* owner);
void SetupPopupCalculator(TWinControl* popup, int precision, bool beepOnError);
