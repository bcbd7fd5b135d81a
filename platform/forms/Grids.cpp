#include "platform/forms/Grids.h"

#include "platform/forms/GraphicsGlue.h"

#include <QEvent>
#include <QWheelEvent>
#include <algorithm>

TStringGrid::TStringGrid(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetColor(clWindow);
    ResizeCells();
    SetBounds(0, 0, 320, 120);
}

TStringGrid::~TStringGrid() = default;

void TStringGrid::ResizeCells() {
    FColWidths.resize(size_t(std::max(0, FColCount)), FDefaultColWidth);
    FCells.resize(size_t(std::max(0, FRowCount)));
    for (auto& r : FCells) r.resize(size_t(std::max(0, FColCount)));
    FRow = std::clamp(FRow, std::min(FFixedRows, FRowCount - 1), std::max(0, FRowCount - 1));
    FCol = std::clamp(FCol, std::min(FFixedCols, FColCount - 1), std::max(0, FColCount - 1));
    FTopRow = std::clamp(FTopRow, FFixedRows, std::max(FFixedRows, FRowCount - 1));
    Invalidate();
}

void TStringGrid::SetColCount(int value) { FColCount = std::max(1, value); ResizeCells(); }
void TStringGrid::SetRowCount(int value) { FRowCount = std::max(1, value); ResizeCells(); }
void TStringGrid::SetFixedCols(int value) { FFixedCols = std::clamp(value, 0, FColCount - 1); ResizeCells(); }
void TStringGrid::SetFixedRows(int value) { FFixedRows = std::clamp(value, 0, FRowCount - 1); ResizeCells(); }
void TStringGrid::SetDefaultRowHeight(int value) { FDefaultRowHeight = std::max(1, value); Invalidate(); }

int TStringGrid::ColWidths(int col) const {
    return col >= 0 && col < FColCount ? FColWidths[size_t(col)] : FDefaultColWidth;
}

void TStringGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= FColCount) return;
    FColWidths[size_t(col)] = std::max(0, width);
    Invalidate();
}

void TStringGrid::SetOptions(TGridOptions value) { FOptions = value; Invalidate(); }

QString TStringGrid::Cells(int col, int row) const {
    if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount) return QString();
    return FCells[size_t(row)][size_t(col)];
}

void TStringGrid::SetCells(int col, int row, const QString& text) {
    if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount) return;
    FCells[size_t(row)][size_t(col)] = text;
    Invalidate();
}

void TStringGrid::SetRow(int value) {
    value = std::clamp(value, FFixedRows, std::max(FFixedRows, FRowCount - 1));
    if (value == FRow) return;
    FRow = value;
    MakeVisible();
    Invalidate();
    Click();
}

void TStringGrid::SetCol(int value) {
    value = std::clamp(value, FFixedCols, std::max(FFixedCols, FColCount - 1));
    if (value == FCol) return;
    FCol = value;
    Invalidate();
    Click();
}

int TStringGrid::VisibleDataRows() const {
    const int step = FDefaultRowHeight + FGridLineWidth;
    return std::max(1, (Height() - FFixedRows * step) / step);
}

void TStringGrid::MakeVisible() {
    const int rows = VisibleDataRows();
    if (FRow < FTopRow) FTopRow = FRow;
    else if (FRow >= FTopRow + rows) FTopRow = FRow - rows + 1;
    FTopRow = std::max(FTopRow, FFixedRows);
}

TRect TStringGrid::CellRect(int col, int row) const {
    if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount) return Rect(0, 0, 0, 0);
    const int step = FDefaultRowHeight + FGridLineWidth;
    int y;
    if (row < FFixedRows) y = row * step;
    else if (row < FTopRow) return Rect(0, 0, 0, 0);
    else y = (FFixedRows + row - FTopRow) * step;
    int x = 0;
    for (int c = 0; c < col; ++c) x += ColWidths(c) + FGridLineWidth;
    return Rect(x, y, x + ColWidths(col), y + FDefaultRowHeight);
}

bool TStringGrid::MouseToCell(int x, int y, int& col, int& row) const {
    const int step = FDefaultRowHeight + FGridLineWidth;
    if (x < 0 || y < 0) return false;
    const int line = y / step;
    row = line < FFixedRows ? line : FTopRow + line - FFixedRows;
    if (row >= FRowCount) return false;
    int left = 0;
    for (col = 0; col < FColCount; ++col) {
        const int w = ColWidths(col) + FGridLineWidth;
        if (x < left + w) return true;
        left += w;
    }
    return false;
}

void TStringGrid::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    c->Font()->Assign(Font());
    const bool focused = Focused();
    for (int row = 0; row < FRowCount; ++row) {
        if (row >= FFixedRows && row < FTopRow) continue;
        for (int col = 0; col < FColCount; ++col) {
            const TRect r = CellRect(col, row);
            if (r.Top >= Height() || r.Left >= Width()) continue;
            const bool fixed = row < FFixedRows || col < FFixedCols;
            const bool selected = !fixed && row == FRow && ((FOptions & goRowSelect) || col == FCol) &&
                                  (focused || (FOptions & goDrawFocusSelected) || (FOptions & goRowSelect));
            TColor back = fixed ? clBtnFace : selected ? clHighlight : Color();
            c->Brush()->SetColor(back);
            c->Font()->SetColor(selected ? clHighlightText : Font()->Color());
            c->TextRect(r, r.Left + 2, r.Top + 1, FCells[size_t(row)][size_t(col)]);
            // Lines right and below the cell.
            const bool lines = fixed ? true : (FOptions & (goVertLine | goHorzLine)) != 0;
            if (lines && FGridLineWidth > 0) {
                c->Pen()->SetColor(fixed ? clBtnShadow : clSilver);
                if (fixed ? (FOptions & goFixedVertLine) : (FOptions & goVertLine)) {
                    c->MoveTo(r.Right, r.Top);
                    c->LineTo(r.Right, r.Bottom + 1);
                }
                if (fixed ? (FOptions & goFixedHorzLine) : (FOptions & goHorzLine)) {
                    c->MoveTo(r.Left, r.Bottom);
                    c->LineTo(r.Right + 1, r.Bottom);
                }
            }
        }
    }
}

void TStringGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (CanFocus() && !Focused()) SetFocus();
    int col = 0, row = 0;
    if ((button == mbLeft || button == mbRight) && MouseToCell(x, y, col, row) && row >= FFixedRows &&
        col >= FFixedCols) {
        if (row != FRow) {
            FRow = row;
            MakeVisible();
            Invalidate();
        }
        if (col != FCol) {
            FCol = col;
            Invalidate();
        }
        Click();
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

bool TStringGrid::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_UP || key == VK_DOWN || key == VK_HOME || key == VK_END || key == VK_PRIOR || key == VK_NEXT) return true;
    if (!(FOptions & goRowSelect) && (key == VK_LEFT || key == VK_RIGHT)) return true;
    return TCustomControl::WantsKey(key, shift);
}

void TStringGrid::KeyDown(quint16& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const int page = VisibleDataRows();
    switch (key) {
    case VK_UP: SetRow(FRow - 1); break;
    case VK_DOWN: SetRow(FRow + 1); break;
    case VK_PRIOR: SetRow(FRow - page); break;
    case VK_NEXT: SetRow(FRow + page); break;
    case VK_HOME: SetRow(FFixedRows); break;
    case VK_END: SetRow(FRowCount - 1); break;
    case VK_LEFT:
        if (!(FOptions & goRowSelect)) SetCol(FCol - 1);
        break;
    case VK_RIGHT:
        if (!(FOptions & goRowSelect)) SetCol(FCol + 1);
        break;
    default: return;
    }
    key = 0;
}

bool TStringGrid::WidgetEvent(QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (delta != 0) SetRow(FRow + (delta > 0 ? -1 : 1));
        return true;
    }
    return TCustomControl::WidgetEvent(event);
}
