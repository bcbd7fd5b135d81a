#pragma once
// The string grid: a painted table of text cells with fixed rows and columns, a current cell
// (or row, with goRowSelect) moved by the mouse and the arrow keys, and no data link.
#include "platform/forms/StdCtrls.h"

#include <QString>
#include <vector>

enum TGridOption : unsigned {
    goFixedVertLine = 1u << 0, goFixedHorzLine = 1u << 1, goVertLine = 1u << 2, goHorzLine = 1u << 3,
    goRowSelect = 1u << 4, goDrawFocusSelected = 1u << 5, goColSizing = 1u << 6, goTabs = 1u << 7
};
using TGridOptions = unsigned;

class TStringGrid : public TCustomControl {
public:
    explicit TStringGrid(TComponent* owner);
    ~TStringGrid() override;

    int ColCount() const { return FColCount; }
    void SetColCount(int value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value) { FScrollBars = value; }
    // Lines between cells, in pixels.
    int GridLineWidth() const { return FGridLineWidth; }

    // Text of a cell; outside the grid reads empty and writes nothing.
    QString Cells(int col, int row) const;
    void SetCells(int col, int row, const QString& text);
    // The current cell.
    int Row() const { return FRow; }
    void SetRow(int value);
    int Col() const { return FCol; }
    void SetCol(int value);
    // The first row below the fixed ones that is shown.
    int TopRow() const { return FTopRow; }
    // Cell under a client point: false outside the cells.
    bool MouseToCell(int x, int y, int& col, int& row) const;
    TRect CellRect(int col, int row) const;

    bool WantsKey(quint16 key, TShiftState shift) const override;
    void KeyDown(quint16& key, TShiftState shift) override;
    bool WidgetEvent(QEvent* event) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    // Fits the cell arrays and the current cell to the counts (not the control's own Resize).
    void ResizeCells();
    void MakeVisible();
    int VisibleDataRows() const;

    int FColCount = 5, FRowCount = 5, FFixedCols = 1, FFixedRows = 1;
    int FDefaultRowHeight = 24, FDefaultColWidth = 64, FGridLineWidth = 1;
    std::vector<int> FColWidths;
    std::vector<std::vector<QString>> FCells;  // [row][col]
    TGridOptions FOptions = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;
    TScrollStyle FScrollBars = ssBoth;
    int FRow = 1, FCol = 1, FTopRow = 1;
};
