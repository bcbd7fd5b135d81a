#pragma once
// Edits with a small button inside their right edge and, optionally, a popup that drops down
// under them (calendar, calculator): the popup base, the button, the combo edit and its popup
// protocol, the date edit and the file-name edit.
#include "controls/visual/ZBCtrls.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Mask.h"
#include "platform/forms/Menus.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variant.h"

#include <memory>

class QObject;

ZB_EXCEPTION(EComboEditError, Exception)

class TCustomComboEdit;

// The window that drops down under an edit. It never takes the activation: the edit keeps the
// focus and hands it the keys.
class TPopupWindow : public TCustomControl {
public:
    explicit TPopupWindow(TWinControl* owner);
    TWinControl* EditControl() const { return FEditControl; }
    TEvent<TObject*, bool> OnCloseUp;

    virtual Variant GetValue() = 0;
    virtual void SetValue(const Variant& value) = 0;
    virtual void CloseUp(bool accept);
    virtual QString GetPopupText() const { return QString(); }

    void Show(TPoint origin);
    void Hide();
    // The edit repaints its text part (it shows GetPopupText while the popup is open).
    void RepaintEditor();
    // A one-pixel border, as a bordered popup window has.
    void AdjustClientRect(TRect& rect) const override;

protected:
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Paint() override;

private:
    TWinControl* FEditControl;
};

class TEditButton : public TZbSpeedButton {
public:
    explicit TEditButton(TComponent* owner);
    bool SkipClick() const { return FSkipClick; }
    void Click() override;

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void Paint() override;

private:
    bool FSkipClick = false;
};

enum TPopupAlign { epaRight, epaLeft };
enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

class TCustomComboEdit : public TCustomMaskEdit {
public:
    explicit TCustomComboEdit(TComponent* owner);
    ~TCustomComboEdit() override;

    TEditButton* Button() const { return FButton; }
    TWinControl* ButtonContainer() const { return FBtnControl; }
    TPopupWindow* Popup() const { return FPopup; }

    TShortCut ClickKey() const { return FClickKey; }
    void SetClickKey(TShortCut v) { FClickKey = v; }
    bool ReadOnly() const { return GetReadOnly(); }
    void SetReadOnly(bool v) override;
    bool DirectInput() const { return FDirectInput; }
    void SetDirectInput(bool v);
    bool AlwaysEnableButton() const { return FAlwaysEnableButton; }
    void SetAlwaysEnableButton(bool v) { FAlwaysEnableButton = v; }
    TAlignment EditAlignment() const { return FAlignment; }
    void SetEditAlignment(TAlignment v);
    bool PopupVisible() const { return FPopupVisible; }
    TPopupAlign PopupAlign() const { return FPopupAlign; }
    void SetPopupAlign(TPopupAlign v) { FPopupAlign = v; }
    TGlyphKind GlyphKind() const { return FGlyphKind; }
    void SetGlyphKind(TGlyphKind v);
    int ButtonWidth() const;
    void SetButtonWidth(int v);
    TBitmap* Glyph() const { return FButton->Glyph(); }
    void SetGlyph(TBitmap* v);
    int NumGlyphs() const { return FButton->NumGlyphs(); }
    void SetNumGlyphs(int v);
    QString ButtonHint() const { return FButton->Hint(); }
    void SetButtonHint(const QString& v) { FButton->SetHint(v); }

    TNotifyEvent OnButtonClick;

    // Opens the popup; with lockText the text cannot be typed into while it is open.
    virtual void DropDown(bool lockText);
    // Closes the popup, accepting its value or not.
    void CloseUpPopup(TObject* sender, bool accept);
    void ButtonPressed(TObject* sender = nullptr);
    void SelectAll();
    // The paste and cut of the keyboard; only with DirectInput on an editable edit.
    virtual void WMPaste();
    void WMCut();
    // The edit's own menu pastes and cuts by the same rule as the keys.
    void PasteFromClipboard() override;
    void CutToClipboard() override;
    // Smallest height the edit takes.
    int MinEditHeight() const;

    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    bool WantsKey(quint16 key, TShiftState shift) const override;
    void DoEnter() override;
    void DoExit() override;
    void CMCancelMode(TControl* sender) override;
    void CMEnabledChanged() override;
    void CMFontChanged() override;

protected:
    // The default button bitmap of the class (the caller owns it); none in the base.
    virtual std::unique_ptr<TBitmap> DefaultGlyph() { return nullptr; }
    virtual void ShowPopup(TPoint origin);
    virtual void HidePopup();
    virtual bool CanAcceptPopup(Variant& value);
    virtual void ApplyPopupValue(const Variant& value);
    virtual void SetPopupValue(const Variant& value);
    virtual Variant GetPopupValue();
    virtual void PopupTextChanged() {}
    virtual bool GetReadOnly() const { return FReadOnly; }
    virtual void DoButtonClick();
    bool EditCanModify() override { return !GetReadOnly(); }
    void Change() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void BoundsChanged(bool sizeChanged) override;
    void Notification(TComponent* component, TOperation operation) override;

    void SetPopup(TPopupWindow* popup) { FPopup = popup; }
    void SyncPopupVisible();
    void DoChange() { TCustomMaskEdit::Change(); }
    void LayoutButton();
    void UpdateEditRect();
    void RebuildGlyph();
    void ShowEditCaret();
    void ApplyDirectInput();
    void TakeFocus();

    int FDefNumGlyphs = 1;
    bool FCreating = true;

private:
    TEditButton* FButton = nullptr;
    TWinControl* FBtnControl = nullptr;
    TPopupWindow* FPopup = nullptr;
    TShortCut FClickKey = 32808;
    bool FReadOnly = false;
    bool FDirectInput = true;
    bool FAlwaysEnableButton = false;
    TAlignment FAlignment = taLeftJustify;
    bool FPopupVisible = false;
    TPopupAlign FPopupAlign = epaRight;
    TGlyphKind FGlyphKind = gkCustom;
};

class TComboEdit : public TCustomComboEdit {
public:
    explicit TComboEdit(TComponent* owner);
};

namespace controls::edit {
// Paints an edit's text the owner-drawn way (unfocused number edits); false means the edit
// should paint itself.
bool PaintComboEdit(TCustomComboEdit* editor, const QString& text, TAlignment alignment, bool standardPaint,
                    TCanvas* canvas, QPainter* painter);
// The default button picture of the number edits (two images).
std::unique_ptr<TBitmap> CalcEditGlyph();
}  // namespace controls::edit

// ------------------------------------------------------------------ date edit

enum TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
using TDaysOfWeek = unsigned;  // bit (1 << day) for each TDayOfWeekName
constexpr TDaysOfWeek DayBit(TDayOfWeekName d) { return 1u << unsigned(d); }
enum TYearDigits { dyDefault, dyFour, dyTwo };
enum TCalendarStyle { csPopup, csDialog };

constexpr double NullDate = 0.0;
using TExecDateDialog = TEvent<TObject*, TDateTime&, bool&>;

class TCustomDateEdit : public TCustomComboEdit {
public:
    explicit TCustomDateEdit(TComponent* owner);
    ~TCustomDateEdit() override;

    TDateTime Date();
    void SetDate(TDateTime value);
    QString DateFormat() const { return FDateFormat; }
    bool DefaultToday() const { return FDefaultToday; }
    void SetDefaultToday(bool v) { FDefaultToday = v; }
    bool CheckOnExit() const { return FCheckOnExit; }
    void SetCheckOnExit(bool v) { FCheckOnExit = v; }
    QChar BlanksChar() const { return FBlanksChar; }
    void SetBlanksChar(QChar v);
    TStrings* CalendarHints() const { return FCalendarHints.get(); }
    void SetCalendarHints(TStrings* v) { FCalendarHints->Assign(v); }
    TDayOfWeekName StartOfWeek() const { return FStartOfWeek; }
    void SetStartOfWeek(TDayOfWeekName v);
    TDaysOfWeek Weekends() const { return FWeekends; }
    void SetWeekends(TDaysOfWeek v);
    TColor WeekendColor() const { return FWeekendColor; }
    void SetWeekendColor(TColor v);
    TYearDigits YearDigits() const { return FYearDigits; }
    void SetYearDigits(TYearDigits v);
    TCalendarStyle CalendarStyle() const { return Popup() ? csPopup : csDialog; }
    void SetCalendarStyle(TCalendarStyle v);
    QString DialogTitle() const { return FTitle; }
    void SetDialogTitle(const QString& v) { FTitle = v; }

    TExecDateDialog OnAcceptDate;

    virtual void ApplyDate(TDateTime value);
    virtual void UpdateMask();
    void CheckValidDate();
    bool HasDateText() const;
    bool FourDigitYearInUse() const;

    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;

    // The edit re-formats itself when the application's settings change (UpdateFormatSettings).
    bool Hooked() const { return FSettingsHook != nullptr; }

protected:
    std::unique_ptr<TBitmap> DefaultGlyph() override;
    bool CanAcceptPopup(Variant& value) override;
    void ApplyPopupValue(const Variant& value) override;
    void SetPopupValue(const Variant& value) override;
    void DoButtonClick() override;
    void Change() override;

private:
    void RefreshDateFormat();
    void SetupPopup();
    void CalendarHintsChanged();
    void CreatePopup();

    QString FTitle;
    bool FDefaultToday = false;
    TColor FPopupColor = clBtnFace;
    bool FCheckOnExit = false;
    QChar FBlanksChar = QLatin1Char(' ');
    std::unique_ptr<TStringList> FCalendarHints;
    TDayOfWeekName FStartOfWeek = Mon;
    TDaysOfWeek FWeekends = DayBit(Sun);
    TColor FWeekendColor = clRed;
    TYearDigits FYearDigits = dyDefault;
    QString FDateFormat;
    bool FFormatting = false;
    bool FHintsChanging = false;
    std::unique_ptr<QObject> FSettingsHook;
};

class TDateEdit : public TCustomDateEdit {
public:
    explicit TDateEdit(TComponent* owner) : TCustomDateEdit(owner) {}
};

// ------------------------------------------------------------------ file-name edit

using TExecOpenDialogEvent = TEvent<TObject*, QString&, bool&>;
enum TFileDialogKind { dkOpen, dkSave };
enum TFileEditStyle { fsEdit, fsComboBox };

class TFileDirEdit : public TCustomComboEdit {
public:
    explicit TFileDirEdit(TComponent* owner);
    ~TFileDirEdit() override;

    bool AcceptFiles() const { return FAcceptFiles; }
    void SetAcceptFiles(bool v);
    bool MultipleDirs() const { return FMultipleDirs; }
    void SetMultipleDirs(bool v) { FMultipleDirs = v; }

    TNotifyEvent OnDropFiles;
    TExecOpenDialogEvent OnBeforeDialog;
    TExecOpenDialogEvent OnAfterDialog;

    virtual QString GetLongName() = 0;
    virtual QString GetShortName() = 0;
    // Files dropped from the desktop (the shell's dropped files), in order.
    void DropFiles(const QStringList& files);

protected:
    virtual void ReceptFileDir(const QString& name) = 0;
    virtual void ClearFileList() {}
    virtual void DoBeforeDialog(QString& name, bool& action) { OnBeforeDialog(this, name, action); }
    virtual void DoAfterDialog(QString& name, bool& action) { OnAfterDialog(this, name, action); }
    std::unique_ptr<TBitmap> DefaultGlyph() override;
    // Runs fn with critical-error boxes suppressed (nothing to suppress here but the rule).
    bool RunDialog(const std::function<bool()>& fn);

private:
    bool FAcceptFiles = false;
    bool FMultipleDirs = false;
    int FDropHook = 0;
};

class TFilenameEdit : public TFileDirEdit {
public:
    explicit TFilenameEdit(TComponent* owner);

    TOpenDialog* Dialog() const { return FDialog; }
    TFileDialogKind DialogKind() const { return FDialogKind; }
    void SetDialogKind(TFileDialogKind v);
    QString DefaultExt() const { return FDialog->DefaultExt(); }
    void SetDefaultExt(const QString& v) { FDialog->SetDefaultExt(v); }
    TOpenOptions DialogOptions() const { return FDialog->Options(); }
    void SetDialogOptions(TOpenOptions v) { FDialog->SetOptions(v); }
    QString DialogTitle() const { return FDialog->Title(); }
    void SetDialogTitle(const QString& v) { FDialog->SetTitle(v); }
    QString Filter() const { return FDialog->Filter(); }
    void SetFilter(const QString& v) { FDialog->SetFilter(v); }
    int FilterIndex() const { return FDialog->FilterIndex(); }
    void SetFilterIndex(int v) { FDialog->SetFilterIndex(v); }
    QString InitialDir() const { return FDialog->InitialDir(); }
    void SetInitialDir(const QString& v) { FDialog->SetInitialDir(v); }
    TFileEditStyle FileEditStyle() const { return FFileEditStyle; }
    void SetFileEditStyle(TFileEditStyle v) { FFileEditStyle = v; }
    TStrings* HistoryList() const { return FHistoryList.get(); }
    // The names gathered from a drop of several files.
    const QStringList& FileList() const { return FFiles; }

    QString FileName();
    void SetFileName(const QString& value);
    QString GetLongName() override;
    QString GetShortName() override;

protected:
    void ReceptFileDir(const QString& name) override;
    void ClearFileList() override { FFiles.clear(); }
    void DoButtonClick() override;

private:
    void CreateEditDialog();
    TOpenDialog* FDialog = nullptr;
    TFileDialogKind FDialogKind = dkOpen;
    TFileEditStyle FFileEditStyle = fsEdit;
    std::unique_ptr<TStringList> FHistoryList;
    QStringList FFiles;
};

// "name with blanks" in double quotes, unless already quoted.
QString AddQuotes(const QString& s);
// The text itself when such a file exists, else the first item of the text as a command line.
QString ClipFilename(const QString& s);
