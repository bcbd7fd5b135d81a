#pragma once
// Lookup controls: they show a key value of one dataset (the data field) as the display fields
// of another (the lookup dataset), search it as the user types and write the chosen key back.
// The list shows the lookup rows; the combo drops such a list down.
#include "controls/data/DBLocateHelpers.h"
#include "controls/edit/ToolEdit.h"
#include "platform/forms/Controls.h"

#include <functional>
#include <memory>
#include <vector>

class TGraphic;
class TZbLookupControl;
class TZbDBLookupCombo;

enum TLookupListStyle { lsFixed, lsDelimited };
enum TDropDownAlign { daLeft, daRight, daCenter };
using TGetImageEvent = TEvent<TObject*, bool, TGraphic*&, int&>;

namespace controls::data {
// The clock of the incremental search (milliseconds); tests install their own.
using TTickSource = std::function<qint64()>;
void SetLookupClock(TTickSource clock);
qint64 LookupTickCount();
}  // namespace controls::data

// The two links of a lookup control: the data dataset and the lookup dataset.
class TDataSourceLink : public TDataLink {
public:
    explicit TDataSourceLink(TZbLookupControl* control) : FControl(control) {}

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void FocusControl(TField** field) override;

private:
    TZbLookupControl* FControl;
};

class TLookupSourceLink : public TDataLink {
public:
    explicit TLookupSourceLink(TZbLookupControl* control) : FControl(control) {}

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void DataSetChanged() override;
    void RecordChanged(TField*) override { DataSetChanged(); }

private:
    TZbLookupControl* FControl;
};

class TZbLookupControl : public TCustomControl {
public:
    explicit TZbLookupControl(TComponent* owner);
    ~TZbLookupControl() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* value);
    QString DataField() const { return FDataFieldName; }
    void SetDataField(const QString& value);
    TDataSource* LookupSource() const;
    void SetLookupSource(TDataSource* value);
    QString LookupField() const { return FLookupFieldName; }
    void SetLookupField(const QString& value);
    QString LookupDisplay() const { return FLookupDisplay; }
    void SetLookupDisplay(const QString& value);
    int LookupDisplayIndex() const { return FLookupDisplayIndex; }
    void SetLookupDisplayIndex(int value);
    QString DisplayEmpty() const { return FDisplayEmpty; }
    void SetDisplayEmpty(const QString& value);
    QString EmptyValue() const { return FEmptyValue; }
    void SetEmptyValue(const QString& value);
    TColor EmptyItemColor() const { return FEmptyItemColor; }
    void SetEmptyItemColor(TColor value);
    bool IgnoreCase() const { return FIgnoreCase; }
    void SetIgnoreCase(bool value) { FIgnoreCase = value; }
    bool IndexSwitch() const { return FIndexSwitch; }
    void SetIndexSwitch(bool value) { FIndexSwitch = value; }
    int ItemHeight() const { return FItemHeight; }
    virtual void SetItemHeight(int value);
    QChar FieldsDelimiter() const { return FFieldsDelimiter; }
    void SetFieldsDelimiter(QChar value);
    TLookupListStyle ListStyle() const { return FListStyle; }
    void SetListStyle(TLookupListStyle value);
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool value) { FDataLink->SetReadOnly(value); }

    // The key text of the chosen row and its display text.
    QString Value() const { return FValue; }
    void SetValue(const QString& value);
    QString DisplayValue() const { return FDisplayValue; }
    void SetDisplayValue(const QString& value);
    QString SearchText() const { return FSearchText; }
    bool ListActive() const { return FListActive; }
    TField* KeyField() const { return FKeyField; }
    TField* DisplayField() const { return FDisplayField; }
    TField* MasterField() const { return FMasterField; }
    const std::vector<TField*>& ListFields() const { return FListFields; }
    bool LookupMode() const { return FLookupMode; }
    bool CanModify() const;
    // Clears the value (and the field): EmptyValue, no display text, DisplayEmpty shown.
    virtual void ResetField();
    // The incremental search on one typed character.
    void ProcessSearchKey(QChar key);
    // Chooses a key as the user does: writes it into the field and runs OnChange when it changed.
    void SelectKeyValue(const QString& value);

    TNotifyEvent OnChange;
    TGetImageEvent OnGetImage;

    // Link notifications.
    virtual void DataLinkActiveChanged();
    virtual void DataLinkRecordChanged(TField* field);
    virtual void ListLinkActiveChanged();
    virtual void ListLinkDataChanged() {}
    virtual void LookupDataChanged() {}

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // The current value changed: locate it and show it.
    virtual void KeyValueChanged();
    virtual void DisplayValueChanged() {}
    virtual void DisplayEmptyChanging() {}
    bool EmptyRowVisible() const { return !FDisplayEmpty.isEmpty(); }
    bool ValueIsEmpty(const QString& value) const { return value.isEmpty() || value == FEmptyValue; }
    // Locates the text in the field; on success gives the row's key.
    bool Locate(TField* searchField, const QString& value, bool exact, QString* key = nullptr);
    // The text of a row's display fields for the delimited style.
    QString RowText() const;
    int TextHeight() const;
    TGraphic* GetPicture(bool isEmpty, int& textMargin);
    void RebuildListFields();
    void CheckNotCircular() const;
    void CheckNotLookupMode() const;
    void SetValueSilently(const QString& value);
    TDataSet* LookupDataSet() const;

    std::unique_ptr<TDataSource> FLookupSource;  // used in lookup mode
    std::unique_ptr<TDataSourceLink> FDataLink;
    std::unique_ptr<TLookupSourceLink> FLookupLink;
    QString FDataFieldName, FLookupFieldName, FLookupDisplay;
    int FLookupDisplayIndex = 0;
    TField* FDataField = nullptr;
    TField* FMasterField = nullptr;
    TField* FKeyField = nullptr;
    TField* FDisplayField = nullptr;
    std::vector<TField*> FListFields;
    QString FValue, FDisplayValue, FDisplayEmpty, FSearchText, FEmptyValue;
    TColor FEmptyItemColor = clWindow;
    bool FListActive = false;
    bool FPopup = false;
    bool FFocused = false;
    std::unique_ptr<TLocateObject> FLocate;
    bool FIndexSwitch = true;
    bool FIgnoreCase = true;
    int FItemHeight = 0;
    QChar FFieldsDelimiter = QLatin1Char(',');
    TLookupListStyle FListStyle = lsFixed;
    bool FLookupMode = false;
    TDataSource* FUserLookupSource = nullptr;
    QString FUserLookupField;
    QString FRowText;      // all display texts of the chosen row
    bool FLocating = false;
};

class TZbDBLookupList : public TZbLookupControl {
public:
    explicit TZbDBLookupList(TComponent* owner);
    ~TZbDBLookupList() override;
    int RowCount() const { return FRowCount; }
    void SetRowCount(int value);
    int RowHeight() const;
    // The data row (0 = first record shown) under a client y, or -1 for the empty row.
    int RowAt(int y) const;
    // Scroll bar state: its maximum (4 while the rows fill the list, else 0) and position.
    int ScrollMax() const;
    int ScrollPos() const;
    // A scroll bar action (QAbstractSlider::SliderAction), and a thumb dropped at a position.
    void Scroll(int action);
    void ScrollThumb(int position);
    // Dragging beyond the list scrolls a record per tick towards the mouse, faster the further.
    bool AutoScrolling() const;
    int AutoScrollInterval() const;
    void AutoScrollTick();

    bool WantsKey(quint16 key, TShiftState shift) const override;
    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void ListLinkActiveChanged() override;
    void ListLinkDataChanged() override;
    void SetItemHeight(int value) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void DblClick() override;
    void BoundsChanged(bool sizeChanged) override;
    void KeyValueChanged() override;
    bool WidgetEvent(QEvent* event) override;
    virtual void DrawItemText(TCanvas* canvas, const TRect& rect, bool selected, bool isEmpty);
    void SelectRow(int row);
    void UpdateBufferCount();
    int BorderHeight() const { return 4; }
    int DataRowCount() const { return EmptyRowVisible() ? FRowCount - 1 : FRowCount; }

    friend class TZbDBLookupCombo;
    // The scroll bar tells only start (0), middle (2) and end (4) of the lookup dataset.
    void UpdateScrollBar();
    void ScrollAction(int action);
    int ScrollBarWidth() const;
    class QScrollBar* FScrollBar = nullptr;
    class QTimer* FTimer = nullptr;
    int FScrollDirection = 0;
    int FWheel = 0;  // wheel turns short of a notch
    void StopAutoScroll();
    int FRowCount = 7;
    int FRecordIndex = 0;   // row of the current lookup record in the window
    bool FTracking = false;
    bool FKeySelected = false;
};

class TZbPopupDataList : public TZbDBLookupList {
public:
    explicit TZbPopupDataList(TComponent* owner);
    TZbDBLookupCombo* Combo() const { return FCombo; }

private:
    TZbDBLookupCombo* FCombo = nullptr;
};

class TZbDBLookupCombo : public TZbLookupControl {
public:
    explicit TZbDBLookupCombo(TComponent* owner);
    ~TZbDBLookupCombo() override;

    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int value) { FDropDownCount = value; }
    int DropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int value) { FDropDownWidth = value; }
    TDropDownAlign DropDownAlign() const { return FDropDownAlign; }
    void SetDropDownAlign(TDropDownAlign value) { FDropDownAlign = value; }
    bool EscapeClear() const { return FEscapeClear; }
    void SetEscapeClear(bool value) { FEscapeClear = value; }
    bool DisplayAllFields() const { return FDisplayAllFields; }
    bool ListVisible() const { return FListVisible; }
    TZbPopupDataList* List() const { return FDataList; }

    // The text the combo shows: the chosen row's display value, or DisplayEmpty.
    QString GetDisplayText() const;
    virtual void DropDown();
    void CloseUp(bool accept);

    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    bool WantsKey(quint16 key, TShiftState shift) const override;
    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
    void CMCancelMode(TControl* sender) override;
    void ResetField() override;
    void SetBounds(int left, int top, int width, int height) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyValueChanged() override;
    void LookupDataChanged() override;
    int ButtonWidth() const;
    void ListMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void UpdatePicture();
public:
    // Where the list of the given size drops: below the combo, above it when it would leave the
    // screen, aligned by DropDownAlign and kept inside the screen's width.
    TRect DropDownRect(int listWidth, int listHeight, const TRect& screen) const;

private:
    TZbPopupDataList* FDataList = nullptr;
    int FDropDownCount = 8;
    int FDropDownWidth = 0;
    TDropDownAlign FDropDownAlign = daLeft;
    bool FEscapeClear = true;
    bool FListVisible = false;
    bool FDisplayAllFields = false;
    bool FTracking = false;
    bool FListTracking = false;  // the held button went on into the list: the list follows it
    bool FPressed = false;
    TGraphic* FPicture = nullptr;
    int FTextMargin = 0;
};

class TZbLookupEdit;

// The popup list of the lookup edit.
class TPopupDataWindow : public TZbPopupDataList {
public:
    TPopupDataWindow(TComponent* owner, TZbLookupEdit* editor);
    TZbLookupEdit* Editor() const { return FEditor; }
    // Locates a display text by its beginning; on success the list's value is that row's key.
    bool LocateText(const QString& text);
    TEvent<TObject*, bool> OnCloseUp;

protected:
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    TZbLookupEdit* FEditor;
};

namespace controls::data {
class TLookupPopupLink;
}

// A free-text edit whose popup list completes what is typed from the lookup dataset.
class TZbLookupEdit : public TCustomComboEdit {
public:
    explicit TZbLookupEdit(TComponent* owner);
    ~TZbLookupEdit() override;

    TPopupDataWindow* PopupList() const { return FList; }
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int value) { FDropDownCount = value; }
    int DropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int value) { FDropDownWidth = value; }
    bool PopupOnlyLocate() const { return FPopupOnlyLocate; }
    void SetPopupOnlyLocate(bool value) { FPopupOnlyLocate = value; }
    TLookupListStyle ListStyle() const { return FList->ListStyle(); }
    void SetListStyle(TLookupListStyle value) { FList->SetListStyle(value); }
    QChar FieldsDelimiter() const { return FList->FieldsDelimiter(); }
    void SetFieldsDelimiter(QChar value) { FList->SetFieldsDelimiter(value); }
    QString LookupDisplay() const { return FList->LookupDisplay(); }
    void SetLookupDisplay(const QString& value) { FList->SetLookupDisplay(value); }
    int LookupDisplayIndex() const { return FList->LookupDisplayIndex(); }
    void SetLookupDisplayIndex(int value) { FList->SetLookupDisplayIndex(value); }
    QString LookupField() const { return FList->LookupField(); }
    void SetLookupField(const QString& value) { FList->SetLookupField(value); }
    TDataSource* LookupSource() const { return FList->LookupSource(); }
    void SetLookupSource(TDataSource* value) { FList->SetLookupSource(value); }

    TGetImageEvent OnGetImage;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnDropDown;

    void DropDown(bool lockText) override;
    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    bool WantsKey(quint16 key, TShiftState shift) const override;

protected:
    void ShowPopup(TPoint origin) override;
    void HidePopup() override;
    void SetPopupValue(const Variant& value) override;
    Variant GetPopupValue() override;
    void ApplyPopupValue(const Variant& value) override;
    void Change() override;

private:
    friend class controls::data::TLookupPopupLink;
    void ListChanged();
    TPopupDataWindow* FList = nullptr;
    controls::data::TLookupPopupLink* FLink = nullptr;
    int FDropDownCount = 8;
    int FDropDownWidth = 0;
    bool FPopupOnlyLocate = true;
    bool FChanging = false;
    bool FIgnoreChange = false;
};

