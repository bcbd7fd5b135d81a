#pragma once
// The data grid with title buttons, sort markers, multi-selection, cell colour events and a
// stored column layout; and the date edit bound to a date field.
#include "controls/edit/ToolEdit.h"
#include "controls/visual/Placemnt.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/DBGrids.h"

#include <memory>
#include <vector>

enum TSortMarker { smNone, smDown, smUp };

using TCheckTitleBtnEvent = TEvent<TObject*, int, TField*, bool&>;
using TGetCellPropsEvent = TEvent<TObject*, TField*, TFont*, TColor&>;
using TGetCellParamsEvent = TEvent<TObject*, TField*, TFont*, TColor&, bool>;
using TGetBtnParamsEvent = TEvent<TObject*, TField*, TFont*, TColor&, TSortMarker&, bool>;
using TDBEditShowEvent = TEvent<TObject*, TField*, bool&>;
using TTitleClickEvent = TEvent<TObject*, int, TField*>;

class TZbDBGrid : public TDBGrid {
public:
    explicit TZbDBGrid(TComponent* owner);
    ~TZbDBGrid() override;

    // Options read back include dgMultiSelect exactly when MultiSelect is on.
    TDBGridOptions Options() const;
    void SetOptions(TDBGridOptions value);
    // The height of every row, the title row included; set at run time it lays the grid out
    // again at once.
    int RowsHeight() const { return DefaultRowHeight(); }
    void SetRowsHeight(int value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int value);
    bool ClearSelection() const { return FClearSelection; }
    void SetClearSelection(bool value) { FClearSelection = value; }
    bool DefaultDrawing() const { return FZbDefaultDrawing; }
    void SetDefaultDrawing(bool value) { FZbDefaultDrawing = value; Invalidate(); }
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    bool ShowGlyphs() const { return FShowGlyphs; }
    void SetShowGlyphs(bool value);
    bool TitleButtons() const { return FTitleButtons; }
    void SetTitleButtons(bool value);

    // Selected records (bookmarks), in the order they were marked.
    int SelectedCount() const { return int(FSelectedRows.size()); }
    bool IsSelected(const TBookmark& bookmark) const;
    void SelectRecord(bool select);  // the current record
    void SelectAll();
    void UnselectAll();
    // Deletes the selected records, or the current one when none is selected.
    void DeleteSelected();

    // The glyph a field's cells show instead of text (-1 for none): 0 blob, 1 memo, 2 picture, 3 OLE.
    int FieldGlyph(TField* field) const;
    // The title cell of a visible column (its rectangle in the title row).
    TRect TitleRect(int column) const;
    int PressedColumn() const { return FTracking ? FPressedCol : -1; }

    // Column or field layout in an ini file or registry branch.
    void SaveLayout(TObject* iniObject, const QString& section);
    void RestoreLayout(TObject* iniObject, const QString& section);
    QString DefaultSection() const;
    // The placement component whose store keeps the layout, saved and restored with the form's.
    TFormPlacement* IniStorage() const { return FIniLink->Storage(); }
    void SetIniStorage(TFormPlacement* value);

    TCheckTitleBtnEvent OnCheckButton;
    TGetCellPropsEvent OnGetCellProps;
    TGetCellParamsEvent OnGetCellParams;
    TGetBtnParamsEvent OnGetBtnParams;
    TNotifyEvent OnEditChange;
    TDBEditShowEvent OnShowEditor;
    TTitleClickEvent OnTitleBtnClick;
    TDrawColumnCellEvent OnDrawColumnCell;  // after the grid's own drawing of a cell

    void KeyDown(quint16& key, TShiftState shift) override;
    bool WantsKey(quint16 key, TShiftState shift) const override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void DrawCell(TObject* sender, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    void DrawTitleButton(int column, const TRect& rect);
    void DrawMarkers();
    void DrawSortMarker(TCanvas* c, const TRect& r, TSortMarker marker, bool pressed);
    bool OverTitle(int x, int y, int column) const;
    TDataSet* DataSet() const;
    void ToggleCurrent();
    void KeepOutOfFixedColumns();

    void IniSave(TObject* sender);
    void IniLoad(TObject* sender);
    QString LinkSection() const;
    std::unique_ptr<TIniLink> FIniLink;
    std::vector<TBookmark> FSelectedRows;
    TBookmark FAnchor;
    int FFixedCols = 0;
    bool FClearSelection = true;
    bool FZbDefaultDrawing = true;
    bool FMultiSelect = false;
    bool FShowGlyphs = true;
    bool FTitleButtons = false;
    int FPressedCol = -1;
    bool FPressed = false;
    bool FTracking = false;
    std::vector<std::pair<int, bool>> FPaintedMarks;  // rows painted as selected (row, current)
};

// The date edit bound to a date field of the current record.
class TDBDateEdit : public TCustomDateEdit {
public:
    explicit TDBDateEdit(TComponent* owner);
    ~TDBDateEdit() override;

    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* source);
    QString DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const QString& name) { FDataLink->SetFieldName(name); }
    TField* Field() const { return FDataLink->Field(); }
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool value) override;
    // The text painted for the field when a copy of the control is drawn in a grid of controls.
    QString PaintText() const;

    void KeyDown(quint16& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoExit() override;
    void DropDown(bool lockText) override;

protected:
    bool GetReadOnly() const override;
    bool CanAcceptPopup(Variant& value) override;
    void ApplyPopupValue(const Variant& value) override;
    void Change() override;
    bool EditCanModify() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void DataChange();
    void EditingChange();
    void UpdateData();
    void ResetToField();
    std::unique_ptr<platform::forms::TControlDataLink> FDataLink;
    bool FSyncing = false;
    bool FBrowseDropDown = false;  // opening the calendar in browse state
};
