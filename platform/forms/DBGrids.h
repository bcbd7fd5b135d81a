#pragma once
// The data grid: one row per record of a data source, one column per visible field (or per
// column added by the program). It reads only the rows it shows: its data link asks the dataset
// for a buffer as tall as the visible rows and scrolls through the dataset's own navigation.
#include "platform/db/DB.h"
#include "platform/forms/ExtCtrls.h"

#include <memory>
#include <vector>

class QScrollBar;
class TCustomDBGrid;

enum TDBGridOption : unsigned {
    dgEditing = 1u << 0, dgAlwaysShowEditor = 1u << 1, dgTitles = 1u << 2, dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4, dgColLines = 1u << 5, dgRowLines = 1u << 6, dgTabs = 1u << 7,
    dgRowSelect = 1u << 8, dgAlwaysShowSelection = 1u << 9, dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11, dgMultiSelect = 1u << 12
};
using TDBGridOptions = unsigned;

enum TGridDrawStateFlag : unsigned { gdSelected = 1u, gdFocused = 2u, gdFixed = 4u };
using TGridDrawState = unsigned;

class TColumnTitle {
public:
    QString Caption() const;
    void SetCaption(const QString& v);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment v) { FAlignment = v; }

private:
    friend class TColumn;
    class TColumn* FColumn = nullptr;
    QString FCaption;
    bool FCaptionSet = false;
    TAlignment FAlignment = taLeftJustify;
};

class TColumn {
public:
    explicit TColumn(TCustomDBGrid* grid);
    TField* Field() const;
    QString FieldName() const { return FFieldName; }
    void SetFieldName(const QString& v);
    TColumnTitle* Title() { return &FTitle; }
    const TColumnTitle* Title() const { return &FTitle; }
    int Width() const;
    void SetWidth(int v);
    bool Visible() const;
    void SetVisible(bool v);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment v) { FAlignment = v; FAlignmentSet = true; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { FColor = v; }
    int Index() const;
    TCustomDBGrid* Grid() const { return FGrid; }

private:
    friend class TCustomDBGrid;
    friend class TColumnTitle;
    friend class TDBGridColumns;
    TCustomDBGrid* FGrid;
    QString FFieldName;
    TField* FField = nullptr;  // default columns hold their field directly
    TColumnTitle FTitle;
    int FWidth = -1;
    bool FVisible = true;
    TAlignment FAlignment = taLeftJustify;
    bool FAlignmentSet = false;
    bool FReadOnly = false;
    TColor FColor = clWindow;
};

enum TDBGridColumnsState { csDefault, csCustomized };

class TDBGridColumns {
public:
    explicit TDBGridColumns(TCustomDBGrid* grid) : FGrid(grid) {}
    int Count() const { return int(FItems.size()); }
    TColumn* Items(int index) const;
    TColumn* operator[](int index) const { return Items(index); }
    // A column of the program's own: the grid stops following the dataset's field list.
    TColumn* Add();
    void Clear();
    TDBGridColumnsState State() const { return FState; }
    void SetState(TDBGridColumnsState v);
    void RebuildColumns();

private:
    friend class TCustomDBGrid;
    TCustomDBGrid* FGrid;
    std::vector<std::unique_ptr<TColumn>> FItems;
    TDBGridColumnsState FState = csDefault;
};

using TDrawColumnCellEvent = TEvent<TObject*, const TRect&, int, TColumn*, TGridDrawState>;
using TDBGridClickEvent = TEvent<TColumn*>;

class TCustomDBGrid : public TCustomControl {
public:
    explicit TCustomDBGrid(TComponent* owner);
    ~TCustomDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDBGridColumns* Columns() const { return FColumns.get(); }
    TDBGridOptions Options() const { return FOptions; }
    void SetOptions(TDBGridOptions v);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool v) { FDefaultDrawing = v; }
    TFont* TitleFont() const { return FTitleFont.get(); }
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor v) { FFixedColor = v; Invalidate(); }

    int FieldCount() const;
    TField* Fields(int index) const;
    // The column of the current cell (among visible columns) and its field.
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int v);
    TField* SelectedField() const;
    TColumn* SelectedColumn() const;

    // Rows the grid shows at its current height, and their height in pixels.
    int VisibleRowCount() const;
    int DefaultRowHeight() const;
    // A fixed height for every row, the title row included (0: from the fonts).
    void SetDefaultRowHeight(int value);
    // The first visible column shown at the left of the data area, and whether the columns
    // pass its right edge (a horizontal scroll bar is shown then).
    int LeftCol() const { return FLeftCol; }
    void SetLeftCol(int value);
    bool HorzScrollBarVisible() const;
    // Cell rectangle of a visible data row (0 = first shown) and visible column.
    TRect CellRect(int row, int column) const;
    // Row and column under a point; -1 for the title row or the indicator column.
    void MouseCell(int x, int y, int& row, int& column) const;

    void DefaultDrawColumnCell(const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);

    TDrawColumnCellEvent OnDrawColumnCell;
    TDBGridClickEvent OnTitleClick;
    TDBGridClickEvent OnCellClick;
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;

    bool WantsKey(quint16 key, TShiftState shift) const override;
    void KeyDown(quint16& key, TShiftState shift) override;
    void CMFocusChanged(TWinControl* focused) override;
    bool WidgetEvent(QEvent* event) override;

    // Internal: the data link's notifications.
    void LinkActiveChanged();
    void LinkDataChanged();
    void LinkLayoutChanged();

protected:
    // The grid's own link: its rows are the page shown, its active record the current row.
    TDataLink* DataLink() const;
    void Paint() override;
    QRegion OwnPaintArea() const override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void BoundsChanged(bool sizeChanged) override;
    virtual void TitleClick(TColumn* column);
    virtual void CellClick(TColumn* column);
    virtual void ColEnter();
    virtual void ColExit();

private:
    class TGridDataLink;
    friend class TColumn;
    friend class TDBGridColumns;
    std::vector<TColumn*> VisibleColumns() const;
    int TitleHeight() const;
    int IndicatorWidth() const;
    int DataLeft() const;
    int DataAreaWidth() const;
    int ColumnDefaultWidth(TField* field, const QString& title) const;
    void UpdateBufferCount();
    void UpdateScrollBar();
    void UpdateHorzScrollBar();
    int HorzScrollBarHeight() const;
    void ScrollBarAction(int action);
    void MakeSelectedVisible();
    void PaintIndicator(const TRect& r, bool current);
    void ColumnResized(TColumn* column, int width);

    std::unique_ptr<TGridDataLink> FDataLink;
    std::unique_ptr<TDBGridColumns> FColumns;
    std::unique_ptr<TFont> FTitleFont;
    TDBGridOptions FOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines |
                              dgTabs | dgConfirmDelete | dgCancelOnExit;
    bool FReadOnly = false;
    bool FDefaultDrawing = true;
    TColor FFixedColor = clBtnFace;
    int FSelectedIndex = 0;
    int FLeftCol = 0;
    QScrollBar* FVScroll = nullptr;
    QScrollBar* FHScroll = nullptr;
    int FRowHeight = 0;
    bool FSyncingScroll = false;
    bool FCountWhenShown = false;  // the bar of a grid not shown is placed when it shows
    QRect FPaintRect;              // what the paint under way must draw; empty: all of it
    int FTitlePressed = -1;
    TColumn* FResizing = nullptr;
    int FResizeStart = 0, FResizeStartWidth = 0;
};

class TDBGrid : public TCustomDBGrid {
public:
    explicit TDBGrid(TComponent* owner) : TCustomDBGrid(owner) {}
};
