#include "platform/forms/DBGrids.h"

#include "platform/forms/Dialogs.h"
#include "platform/forms/GraphicsGlue.h"
#include "platform/rtl/SysUtils.h"

#include <QFontMetrics>
#include <QHash>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <deque>

using namespace platform::forms;

namespace {
constexpr int kIndicatorWidth = 11;

// Puts the link's active record back however the drawing ends.
class TActiveRecordGuard {
public:
    explicit TActiveRecordGuard(TDataLink* link) : FLink(link), FOld(link->ActiveRecord()) {}
    ~TActiveRecordGuard() { FLink->SetActiveRecord(FOld); }
    int Old() const { return FOld; }

private:
    TDataLink* FLink;
    int FOld;
};
}  // namespace

class TCustomDBGrid::TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TCustomDBGrid* grid) : FGrid(grid) {}

protected:
    void ActiveChanged() override { FGrid->LinkActiveChanged(); }
    void DataSetChanged() override { FGrid->LinkDataChanged(); }
    void DataSetScrolled(int) override { FGrid->LinkDataChanged(); }
    void LayoutChanged() override { FGrid->LinkLayoutChanged(); }
    void RecordChanged(TField*) override { FGrid->Invalidate(); }
    void EditingChanged() override { FGrid->Invalidate(); }

private:
    TCustomDBGrid* FGrid;
};

// ---------------------------------------------------------------------------------------------
// Columns

QString TColumnTitle::Caption() const {
    if (FCaptionSet) return FCaption;
    TField* f = FColumn ? FColumn->Field() : nullptr;
    return f ? f->DisplayLabel() : (FColumn ? FColumn->FieldName() : QString());
}

void TColumnTitle::SetCaption(const QString& v) {
    FCaption = v;
    FCaptionSet = true;
    if (FColumn) FColumn->Grid()->Invalidate();
}

TColumn::TColumn(TCustomDBGrid* grid) : FGrid(grid) { FTitle.FColumn = this; }

TField* TColumn::Field() const {
    if (FField) return FField;
    TDataSet* ds = FGrid->FDataLink->DataSet();
    if (!ds || !ds->Active() || FFieldName.isEmpty()) return nullptr;
    return ds->FindField(FFieldName);
}

void TColumn::SetFieldName(const QString& v) {
    FFieldName = v;
    FGrid->Invalidate();
}

int TColumn::Width() const {
    if (FWidth >= 0) return FWidth;
    return FGrid->ColumnDefaultWidth(Field(), FTitle.Caption());
}

void TColumn::SetWidth(int v) {
    FWidth = std::max(0, v);
    FGrid->UpdateHorzScrollBar();
    FGrid->Invalidate();
}

bool TColumn::Visible() const {
    if (FField) return FField->Visible();
    return FVisible;
}

void TColumn::SetVisible(bool v) {
    if (FField) FField->SetVisible(v);
    FVisible = v;
    FGrid->Invalidate();
}

TAlignment TColumn::Alignment() const {
    if (FAlignmentSet) return FAlignment;
    TField* f = Field();
    return f ? f->Alignment() : taLeftJustify;
}

int TColumn::Index() const {
    for (int i = 0; i < FGrid->Columns()->Count(); ++i)
        if (FGrid->Columns()->Items(i) == this) return i;
    return -1;
}

TColumn* TDBGridColumns::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[size_t(index)].get();
}

TColumn* TDBGridColumns::Add() {
    if (FState == csDefault) {
        FItems.clear();
        FState = csCustomized;
    }
    FItems.push_back(std::make_unique<TColumn>(FGrid));
    FGrid->Invalidate();
    return FItems.back().get();
}

void TDBGridColumns::Clear() {
    FItems.clear();
    FGrid->Invalidate();
}

void TDBGridColumns::SetState(TDBGridColumnsState v) {
    FState = v;
    if (v == csDefault) RebuildColumns();
}

void TDBGridColumns::RebuildColumns() {
    if (FState != csDefault) return;
    FItems.clear();
    TDataSet* ds = FGrid->FDataLink->DataSet();
    if (!ds || !ds->Active()) return;
    // One column per field, hidden ones included: Visible decides whether it shows.
    for (int i = 0; i < ds->FieldCount(); ++i) {
        auto c = std::make_unique<TColumn>(FGrid);
        c->FField = ds->Fields()->Fields(i);
        c->FFieldName = c->FField->FieldName();
        FItems.push_back(std::move(c));
    }
}

// ---------------------------------------------------------------------------------------------
// Grid

TCustomDBGrid::TCustomDBGrid(TComponent* owner)
    : TCustomControl(owner), FDataLink(std::make_unique<TGridDataLink>(this)),
      FColumns(std::make_unique<TDBGridColumns>(this)), FTitleFont(std::make_unique<TFont>()) {
    SetTabStop(true);
    SetColor(clWindow);
    // Paint covers every pixel the bars leave: no background fill before it.
    FWidget->setAttribute(Qt::WA_OpaquePaintEvent);
    FVScroll = new QScrollBar(Qt::Vertical, FWidget);
    FVScroll->setFocusPolicy(Qt::NoFocus);
    FVScroll->setRange(0, 0);
    FVScroll->hide();
    QObject::connect(FVScroll, &QScrollBar::actionTriggered, FVScroll, [this](int action) {
        if (!FSyncingScroll) Guarded(this, [&] { ScrollBarAction(action); });
    });
    QObject::connect(FVScroll, &QScrollBar::sliderReleased, FVScroll, [this] {
        Guarded(this, [&] { ScrollBarAction(QAbstractSlider::SliderMove); });
    });
    FHScroll = new QScrollBar(Qt::Horizontal, FWidget);
    FHScroll->setFocusPolicy(Qt::NoFocus);
    FHScroll->setRange(0, 0);
    FHScroll->hide();
    QObject::connect(FHScroll, &QScrollBar::valueChanged, FHScroll, [this](int value) {
        if (!FSyncingScroll) Guarded(this, [&] { SetLeftCol(value); });
    });
    FTitleFont->OnChange = [this](TObject*) { Invalidate(); };
    SetBounds(0, 0, 320, 120);
}

TCustomDBGrid::~TCustomDBGrid() { FDataLink->SetDataSource(nullptr); }

TDataSource* TCustomDBGrid::DataSource() const { return FDataLink->DataSource(); }

TDataLink* TCustomDBGrid::DataLink() const { return FDataLink.get(); }

void TCustomDBGrid::SetDataSource(TDataSource* source) {
    FDataLink->SetDataSource(source);
    LinkActiveChanged();
}

void TCustomDBGrid::SetOptions(TDBGridOptions v) {
    if (v & dgRowSelect) v &= ~(dgEditing | dgAlwaysShowEditor);
    FOptions = v;
    UpdateBufferCount();
    Invalidate();
}

std::vector<TColumn*> TCustomDBGrid::VisibleColumns() const {
    std::vector<TColumn*> out;
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Items(i)->Visible()) out.push_back(FColumns->Items(i));
    return out;
}

int TCustomDBGrid::FieldCount() const { return int(VisibleColumns().size()); }

TField* TCustomDBGrid::Fields(int index) const {
    const auto cols = VisibleColumns();
    if (index < 0 || index >= int(cols.size())) return nullptr;
    return cols[size_t(index)]->Field();
}

TColumn* TCustomDBGrid::SelectedColumn() const {
    const auto cols = VisibleColumns();
    if (FSelectedIndex < 0 || FSelectedIndex >= int(cols.size())) return nullptr;
    return cols[size_t(FSelectedIndex)];
}

TField* TCustomDBGrid::SelectedField() const {
    TColumn* c = SelectedColumn();
    return c ? c->Field() : nullptr;
}

void TCustomDBGrid::SetSelectedIndex(int v) {
    const int count = FieldCount();
    if (count == 0) return;
    v = std::clamp(v, 0, count - 1);
    if (v == FSelectedIndex) return;
    ColExit();
    FSelectedIndex = v;
    MakeSelectedVisible();
    UpdateHorzScrollBar();
    ColEnter();
    Invalidate();
}

void TCustomDBGrid::SetDefaultRowHeight(int value) {
    value = std::max(0, value);
    if (value == FRowHeight) return;
    FRowHeight = value;
    UpdateBufferCount();
    UpdateScrollBar();
    Invalidate();
}

void TCustomDBGrid::SetLeftCol(int value) {
    value = std::clamp(value, 0, std::max(0, FieldCount() - 1));
    if (value == FLeftCol) return;
    FLeftCol = value;
    UpdateHorzScrollBar();
    Invalidate();
}

bool TCustomDBGrid::HorzScrollBarVisible() const {
    const auto cols = VisibleColumns();
    const int line = (FOptions & dgColLines) ? 1 : 0;
    int right = DataLeft();
    for (TColumn* c : cols) right += c->Width() + line;
    return !cols.empty() && right > DataAreaWidth();
}

int TCustomDBGrid::HorzScrollBarHeight() const {
    return FHScroll && FHScroll->isVisible() ? FHScroll->sizeHint().height() : 0;
}

void TCustomDBGrid::UpdateHorzScrollBar() {
    const bool wasVisible = !FHScroll->isHidden();
    FSyncingScroll = true;
    if (HorzScrollBarVisible()) {
        const int h = FHScroll->sizeHint().height();
        FHScroll->setGeometry(0, Height() - h, DataAreaWidth(), h);
        FHScroll->setRange(0, std::max(0, FieldCount() - 1));
        FHScroll->setPageStep(1);
        FHScroll->setValue(FLeftCol);
        FHScroll->show();
    } else {
        FHScroll->hide();
        FLeftCol = 0;  // every column fits
    }
    FSyncingScroll = false;
    if (wasVisible != !FHScroll->isHidden()) UpdateBufferCount();  // the rows' room changed
}

int TCustomDBGrid::DefaultRowHeight() const {
    if (FRowHeight > 0) return FRowHeight;
    const QFontMetrics fm(QtFont(Font()));
    return fm.height() + 3 + ((FOptions & dgRowLines) ? 1 : 0);
}

int TCustomDBGrid::TitleHeight() const {
    if (!(FOptions & dgTitles)) return 0;
    if (FRowHeight > 0) return FRowHeight;
    const QFontMetrics fm(QtFont(FTitleFont.get()));
    return fm.height() + 4;
}

int TCustomDBGrid::IndicatorWidth() const { return (FOptions & dgIndicator) ? kIndicatorWidth : 0; }
int TCustomDBGrid::DataLeft() const { return IndicatorWidth() + ((FOptions & dgIndicator) && (FOptions & dgColLines) ? 1 : 0); }

int TCustomDBGrid::DataAreaWidth() const {
    return Width() - (FVScroll && FVScroll->isVisible() ? FVScroll->width() : 0);
}

int TCustomDBGrid::VisibleRowCount() const {
    const int h = Height() - TitleHeight() - (HorzScrollBarVisible() ? FHScroll->sizeHint().height() : 0);
    return std::max(1, h / DefaultRowHeight());
}

namespace {
// The width of one character of a field's display width: the font's average, and never less than
// a digit, so numbers and dates of the field's width are not clipped.
int AnchoCaracter(const QFontMetrics& fm) {
    return std::max({1, fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0'))});
}

// Measures of one font, kept: every paint asks for every column's width, and a font's metrics
// never change while the program runs.
struct TMedidas {
    QString Name;
    int Height = 0;
    TFontStyles Style;
    TFontPitch Pitch = fpDefault;
    int Charset = 0, Ppi = 0;
    int Ancho = 0;
    QHash<QString, int> Titulos;
};

TMedidas& MedidasDe(const TFont* f) {
    static std::deque<TMedidas> conocidas;
    for (TMedidas& m : conocidas)
        if (m.Height == f->Height() && m.Style == f->Style() && m.Pitch == f->Pitch() && m.Charset == f->Charset() &&
            m.Ppi == f->PixelsPerInch() && m.Name == f->Name())
            return m;
    if (conocidas.size() >= 64) conocidas.pop_front();
    TMedidas m;
    m.Name = f->Name();
    m.Height = f->Height();
    m.Style = f->Style();
    m.Pitch = f->Pitch();
    m.Charset = f->Charset();
    m.Ppi = f->PixelsPerInch();
    m.Ancho = AnchoCaracter(QFontMetrics(QtFont(f)));
    conocidas.push_back(std::move(m));
    return conocidas.back();
}
}  // namespace

namespace {
// The width of a text in a font, kept with the font's measures.
int AnchoTexto(TFont* font, const QString& text) {
    TMedidas& m = MedidasDe(font);
    auto it = m.Titulos.constFind(text);
    if (it == m.Titulos.constEnd()) {
        if (m.Titulos.size() >= 4096) m.Titulos.clear();
        it = m.Titulos.insert(text, QFontMetrics(QtFont(font)).horizontalAdvance(text));
    }
    return *it;
}
}  // namespace

int TCustomDBGrid::ColumnDefaultWidth(TField* field, const QString& title) const {
    const int avg = MedidasDe(Font()).Ancho;
    int w = field ? field->DisplayWidth() * avg + 3 : 64;
    // A date or a time shows whole whatever its display width says: a width of 9 characters
    // would cut the year of a ten-character date.
    if (auto* fecha = dynamic_cast<TDateTimeField*>(field)) {
        const QString formato = fecha->DisplayFormat().isEmpty() ? fecha->DefaultFormat() : fecha->DisplayFormat();
        w = std::max(w, AnchoTexto(Font(), FormatDateTime(formato, EncodeDate(2088, 12, 28) + EncodeTime(20, 58, 58, 0))) + 4);
    }
    if (FOptions & dgTitles) w = std::max(w, AnchoTexto(FTitleFont.get(), title) + 4);
    return w;
}

void TCustomDBGrid::ColumnResized(TColumn* column, int width) {
    width = std::max(4, width);
    // Default columns keep their width in the field, which is what layouts store.
    if (column->FField) {
        const QFontMetrics fm(QtFont(Font()));
        const int avg = AnchoCaracter(fm);
        // The column first: a new display width rebuilds the default columns, this one with them.
        column->FWidth = -1;
        TField* field = column->FField;
        const bool dragged = FResizing == column;
        field->SetDisplayWidth(std::max(1, (width - 3 + avg / 2) / avg));
        // The column was rebuilt: the drag goes on with the new one of the same field, never
        // with the freed one (whose memory may hold another column by then).
        if (dragged) {
            FResizing = nullptr;
            for (int i = 0; i < FColumns->Count(); ++i)
                if (FColumns->Items(i)->FField == field) FResizing = FColumns->Items(i);
        }
    } else {
        column->FWidth = width;
    }
    UpdateHorzScrollBar();
    Invalidate();
}

TRect TCustomDBGrid::CellRect(int row, int column) const {
    const auto cols = VisibleColumns();
    if (column < 0 || column >= int(cols.size())) return {};
    int x = DataLeft();
    const int line = (FOptions & dgColLines) ? 1 : 0;
    for (int i = FLeftCol; i < column; ++i) x += cols[size_t(i)]->Width() + line;
    if (column < FLeftCol) return {};
    const int rh = DefaultRowHeight();
    const int y = TitleHeight() + row * rh;
    return Rect(x, y, x + cols[size_t(column)]->Width(), y + rh - ((FOptions & dgRowLines) ? 1 : 0));
}

void TCustomDBGrid::MouseCell(int x, int y, int& row, int& column) const {
    row = y < TitleHeight() ? -1 : (y - TitleHeight()) / DefaultRowHeight();
    column = -1;
    if (x < DataLeft()) return;
    const auto cols = VisibleColumns();
    const int line = (FOptions & dgColLines) ? 1 : 0;
    int left = DataLeft();
    for (int i = FLeftCol; i < int(cols.size()); ++i) {
        const int right = left + cols[size_t(i)]->Width() + line;
        if (x < right) {
            column = i;
            return;
        }
        left = right;
    }
}

void TCustomDBGrid::UpdateBufferCount() {
    if (FDataLink->DataSource()) FDataLink->SetBufferCount(VisibleRowCount());
}

QRegion TCustomDBGrid::OwnPaintArea() const {
    if (!FWidget) return {};
    QRegion own(FWidget->rect());
    for (QScrollBar* bar : {FVScroll, FHScroll})
        if (bar && !bar->isHidden()) own -= bar->geometry();
    return own;
}

void TCustomDBGrid::UpdateScrollBar() {
    TDataSet* ds = FDataLink->DataSet();
    FSyncingScroll = true;
    if (!ds || !ds->Active() || ds->IsEmpty()) {
        FVScroll->hide();
        FSyncingScroll = false;
        UpdateHorzScrollBar();
        return;
    }
    const int hbar = HorzScrollBarVisible() ? FHScroll->sizeHint().height() : 0;
    FVScroll->setGeometry(Width() - FVScroll->sizeHint().width(), 0, FVScroll->sizeHint().width(), Height() - hbar);
    if (!ds->IsSequenced()) {
        // Counting filtered rows means reading them all: the bar only tells top, middle, bottom.
        FVScroll->setRange(0, 2);
        FVScroll->setPageStep(1);
        FVScroll->setValue(ds->Bof() ? 0 : ds->Eof() ? 2 : 1);
    } else {
        // Steps and jumps to an end know the record's number, and a short cursor its length.
        // Otherwise counting grows with the table: the rows are drawn first and the bar is
        // placed once the window has nothing else to do, and only if no other move came since.
        const int paso = FVScroll->property("zbPaso").toInt() + 1;
        FVScroll->setProperty("zbPaso", paso);
        const bool cuenta = ds->RecordCountKnown();
        if (cuenta) {
            FVScroll->setRange(0, std::max(0, ds->RecordCount() - 1));
            FVScroll->setPageStep(VisibleRowCount());
        }
        if (cuenta && ds->State() != dsInsert && ds->RecNoKnown()) {
            FVScroll->setValue(std::max(0, ds->RecNo() - 1));
        } else if (ds->State() != dsInsert || !cuenta) {
            Later(FVScroll, [this, paso] {
                if (FVScroll->property("zbPaso").toInt() != paso) return;
                // On a page not shown nobody sees the bar: it is counted when the grid shows.
                if (!FWidget->isVisible()) {
                    FCountWhenShown = true;
                    return;
                }
                Guarded(this, [&] {
                    TDataSet* d = FDataLink->DataSet();
                    if (!d || !d->Active() || d->IsEmpty() || !d->IsSequenced()) return;
                    FSyncingScroll = true;
                    FVScroll->setRange(0, std::max(0, d->RecordCount() - 1));
                    FVScroll->setPageStep(VisibleRowCount());
                    if (d->State() != dsInsert) FVScroll->setValue(std::max(0, d->RecNo() - 1));
                    FSyncingScroll = false;
                });
            });
        }
    }
    FVScroll->show();
    FSyncingScroll = false;
    UpdateHorzScrollBar();
}

void TCustomDBGrid::ScrollBarAction(int action) {
    TDataSet* ds = FDataLink->DataSet();
    if (!ds || !ds->Active()) return;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: ds->Next(); break;
    case QAbstractSlider::SliderSingleStepSub: ds->Prior(); break;
    case QAbstractSlider::SliderPageStepAdd: ds->MoveBy(VisibleRowCount()); break;
    case QAbstractSlider::SliderPageStepSub: ds->MoveBy(-VisibleRowCount()); break;
    case QAbstractSlider::SliderToMinimum: ds->First(); break;
    case QAbstractSlider::SliderToMaximum: ds->Last(); break;
    case QAbstractSlider::SliderMove: {
        if (FVScroll->isSliderDown()) return;  // moves when the thumb is let go, not on every pixel
        const int target = FVScroll->sliderPosition();
        if (!ds->IsSequenced()) {
            if (target == 0) ds->First();
            else if (target == 2) ds->Last();
            break;
        }
        const int count = ds->RecordCount();
        // From the nearer end, so at most half the rows are passed over.
        if (target < count / 2) {
            ds->First();
            ds->MoveBy(target);
        } else {
            ds->Last();
            ds->MoveBy(target - (count - 1));
        }
        break;
    }
    default: break;
    }
}

void TCustomDBGrid::MakeSelectedVisible() {
    if (FSelectedIndex < FLeftCol) {
        FLeftCol = FSelectedIndex;
        return;
    }
    const auto cols = VisibleColumns();
    const int line = (FOptions & dgColLines) ? 1 : 0;
    for (;;) {
        int x = DataLeft();
        for (int i = FLeftCol; i <= FSelectedIndex && i < int(cols.size()); ++i) x += cols[size_t(i)]->Width() + line;
        if (x <= DataAreaWidth() || FLeftCol >= FSelectedIndex) break;
        ++FLeftCol;
    }
}

void TCustomDBGrid::LinkActiveChanged() {
    FColumns->RebuildColumns();
    FLeftCol = 0;
    FSelectedIndex = std::min(FSelectedIndex, std::max(0, FieldCount() - 1));
    UpdateBufferCount();
    UpdateScrollBar();
    Invalidate();
}

void TCustomDBGrid::LinkDataChanged() {
    UpdateScrollBar();
    Invalidate();
}

void TCustomDBGrid::LinkLayoutChanged() {
    FColumns->RebuildColumns();
    FSelectedIndex = std::min(FSelectedIndex, std::max(0, FieldCount() - 1));
    if (FLeftCol > FSelectedIndex) FLeftCol = FSelectedIndex;
    UpdateHorzScrollBar();
    Invalidate();
}

void TCustomDBGrid::BoundsChanged(bool sizeChanged) {
    TCustomControl::BoundsChanged(sizeChanged);
    if (sizeChanged) {
        UpdateBufferCount();
        UpdateScrollBar();
    }
}

void TCustomDBGrid::PaintIndicator(const TRect& r, bool current) {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(FFixedColor);
    c->FillRect(r);
    TRect frame = r;
    Frame3D(c, frame, clBtnHighlight, clBtnShadow, 1);
    if (!current) return;
    TDataSet* ds = FDataLink->DataSet();
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    c->Brush()->SetColor(clBlack);
    c->Pen()->SetColor(clBlack);
    if (ds && ds->State() == dsInsert) {
        c->MoveTo(cx, cy - 4);
        c->LineTo(cx, cy + 4);
        c->MoveTo(cx - 2, cy - 4);
        c->LineTo(cx + 3, cy - 4);
        c->MoveTo(cx - 2, cy + 4);
        c->LineTo(cx + 3, cy + 4);
    } else if (ds && ds->State() == dsEdit) {
        c->MoveTo(cx - 3, cy + 4);
        c->LineTo(cx + 3, cy - 4);
    } else {
        c->Polygon({{cx - 2, cy - 4}, {cx - 2, cy + 4}, {cx + 2, cy}});
    }
}

void TCustomDBGrid::Paint() {
    TCanvas* c = Canvas();
    const int areaW = DataAreaWidth();
    c->Brush()->SetColor(Color());
    c->FillRect(Rect(0, 0, areaW, Height()));
    // The corner between the two bars.
    if (areaW < Width()) c->FillRect(Rect(areaW, Height() - HorzScrollBarHeight(), Width(), Height()));
    const auto cols = VisibleColumns();
    const int th = TitleHeight();
    const int rh = DefaultRowHeight();
    const int line = (FOptions & dgColLines) ? 1 : 0;
    const QRect dirty = FPaintRect.isEmpty() ? QRect(0, 0, Width(), Height()) : FPaintRect;
    if (dirty.left() >= areaW) return;  // only under the bars
    // Titles.
    if (FOptions & dgTitles) {
        if (FOptions & dgIndicator) PaintIndicator(Rect(0, 0, kIndicatorWidth, th), false);
        int x = DataLeft();
        for (int i = FLeftCol; i < int(cols.size()) && x < areaW; ++i) {
            TRect r = Rect(x, 0, x + cols[size_t(i)]->Width(), th);
            c->Brush()->SetColor(FFixedColor);
            c->FillRect(Rect(r.Left, r.Top, r.Right + line, r.Bottom));
            TRect frame = Rect(r.Left, r.Top, r.Right + line, r.Bottom);
            Frame3D(c, frame, clBtnHighlight, clBtnShadow, 1);
            QPainter* p = c->Painter();
            p->save();
            p->setFont(QtFont(FTitleFont.get()));
            p->setPen(QtColor(FTitleFont->Color()));
            const TAlignment a = cols[size_t(i)]->Title()->Alignment();
            const int flags = int(Qt::AlignVCenter) | (a == taRightJustify ? int(Qt::AlignRight) : a == taCenter ? int(Qt::AlignHCenter) : int(Qt::AlignLeft));
            const QRect qr = platform::graphics::ToQRect(r).adjusted(2, 0, -2, 0);
            p->setClipRect(qr);
            p->drawText(qr, flags, cols[size_t(i)]->Title()->Caption());
            p->restore();
            x = r.Right + line;
        }
    }
    TDataSet* ds = FDataLink->DataSet();
    if (!ds || !ds->Active()) return;
    const int rows = FDataLink->RecordCount();
    TActiveRecordGuard guard(FDataLink.get());
    const int current = guard.Old();
    const bool focused = Focused();
    for (int row = 0; row < rows; ++row) {
        FDataLink->SetActiveRecord(row);
        const int y = th + row * rh;
        if (FOptions & dgIndicator) PaintIndicator(Rect(0, y, kIndicatorWidth, y + rh), row == current);
        int x = DataLeft();
        for (int i = FLeftCol; i < int(cols.size()) && x < areaW; ++i) {
            TColumn* col = cols[size_t(i)];
            const TRect r = Rect(x, y, x + col->Width(), y + rh - ((FOptions & dgRowLines) ? 1 : 0));
            TGridDrawState state = 0;
            const bool showSel = focused || (FOptions & dgAlwaysShowSelection);
            if (row == current && showSel && ((FOptions & dgRowSelect) || i == FSelectedIndex)) state |= gdSelected;
            if (row == current && focused && i == FSelectedIndex) state |= gdFocused;
            c->Font()->Assign(Font());
            c->Brush()->SetColor(col->Color());
            if (FDefaultDrawing) DefaultDrawColumnCell(r, i, col, state);
            if (OnDrawColumnCell) OnDrawColumnCell(this, r, i, col, state);
            // Lines between columns and rows.
            c->Pen()->SetColor(clSilver);
            if (line) {
                c->MoveTo(r.Right, r.Top);
                c->LineTo(r.Right, y + rh);
            }
            if (FOptions & dgRowLines) {
                c->MoveTo(r.Left, y + rh - 1);
                c->LineTo(r.Right + line, y + rh - 1);
            }
            x = r.Right + line;
        }
    }
}

void TCustomDBGrid::DefaultDrawColumnCell(const TRect& rect, int, TColumn* column, TGridDrawState state) {
    TField* f = column ? column->Field() : nullptr;
    TCanvas* c = Canvas();
    if (state & gdSelected) {
        c->Brush()->SetColor(clHighlight);
        c->Font()->SetColor(clHighlightText);
    }
    c->FillRect(rect);
    if (!f) return;
    QPainter* p = c->Painter();
    if (!p) return;
    p->save();
    p->setFont(QtFont(c->Font()));
    p->setPen(QtColor(c->Font()->Color()));
    const TAlignment a = column->Alignment();
    const int flags = int(Qt::AlignVCenter) | (a == taRightJustify ? int(Qt::AlignRight) : a == taCenter ? int(Qt::AlignHCenter) : int(Qt::AlignLeft));
    const QRect qr = platform::graphics::ToQRect(rect).adjusted(2, 0, -2, 0);
    p->setClipRect(platform::graphics::ToQRect(rect));
    p->drawText(qr, flags, f->DisplayText());
    p->restore();
}

bool TCustomDBGrid::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_TAB) {
        if (!(FOptions & dgTabs) || (shift & (ssCtrl | ssAlt))) return false;
        // At the last cell of the last row (or the first of the first, going back) there is no
        // cell left to go to: the focus leaves the grid instead of staying in it for good.
        TDataSet* ds = FDataLink->DataSet();
        if (!ds || !ds->Active() || ds->IsEmpty()) return false;
        return (shift & ssShift) ? !(FSelectedIndex <= 0 && ds->Bof()) : !(FSelectedIndex >= FieldCount() - 1 && ds->Eof());
    }
    if (key == VK_UP || key == VK_DOWN || key == VK_LEFT || key == VK_RIGHT) return true;
    return TCustomControl::WantsKey(key, shift);
}

void TCustomDBGrid::KeyDown(quint16& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    TDataSet* ds = FDataLink->DataSet();
    if (key == 0 || !ds || !ds->Active()) return;
    const bool ctrl = (shift & ssCtrl) != 0;
    switch (key) {
    case VK_UP: ds->Prior(); break;
    case VK_DOWN: ds->Next(); break;
    case VK_PRIOR: ds->MoveBy(-VisibleRowCount()); break;
    case VK_NEXT: ds->MoveBy(VisibleRowCount()); break;
    case VK_HOME:
        if (ctrl) ds->First();
        else SetSelectedIndex(0);
        break;
    case VK_END:
        if (ctrl) ds->Last();
        else SetSelectedIndex(FieldCount() - 1);
        break;
    case VK_LEFT: SetSelectedIndex(FSelectedIndex - 1); break;
    case VK_RIGHT: SetSelectedIndex(FSelectedIndex + 1); break;
    case VK_TAB:
        if (!(shift & ssShift)) {
            if (FSelectedIndex < FieldCount() - 1) SetSelectedIndex(FSelectedIndex + 1);
            else if (!ds->Eof()) {
                ds->Next();
                if (!ds->Eof()) SetSelectedIndex(0);
            }
        } else {
            if (FSelectedIndex > 0) SetSelectedIndex(FSelectedIndex - 1);
            else if (!ds->Bof()) {
                ds->Prior();
                if (!ds->Bof()) SetSelectedIndex(FieldCount() - 1);
            }
        }
        break;
    case VK_DELETE:
        // Only Ctrl+Delete deletes, and only in a grid that may change its data.
        if (ctrl && !FReadOnly && ds->CanModify() && !ds->IsEmpty()) {
            if (!(FOptions & dgConfirmDelete) ||
                MessageDlg(QStringLiteral("¿Borrar registro?"), mtConfirmation, mbOKCancel, 0) == mrOk)
                ds->Delete();
        }
        break;
    case VK_ESCAPE:
        if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
        break;
    default: return;
    }
    key = 0;
}

void TCustomDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    // A right click makes its row current too: the pop-up menu that follows acts on that row.
    if (button != mbLeft && button != mbRight) return;
    int row, col;
    MouseCell(x, y, row, col);
    if (row < 0) {
        if (button != mbLeft) return;
        // A title: near a column's right border starts a resize, elsewhere a title click.
        const auto cols = VisibleColumns();
        if ((FOptions & dgColumnResize) && col >= 0) {
            const TRect r = CellRect(0, col);
            const TRect prev = col > FLeftCol ? CellRect(0, col - 1) : TRect{};
            TColumn* target = nullptr;
            if (std::abs(x - r.Right) <= 2) target = cols[size_t(col)];
            else if (col > FLeftCol && std::abs(x - prev.Right) <= 2) target = cols[size_t(col - 1)];
            if (target) {
                FResizing = target;
                FResizeStart = x;
                FResizeStartWidth = target->Width();
                return;
            }
        }
        FTitlePressed = col;
        return;
    }
    TDataSet* ds = FDataLink->DataSet();
    if (!ds || !ds->Active()) return;
    if (row < FDataLink->RecordCount()) {
        const int distance = row - FDataLink->ActiveRecord();
        if (distance != 0) ds->MoveBy(distance);
    }
    if (col >= 0) SetSelectedIndex(col);
}

void TCustomDBGrid::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    if (FResizing) ColumnResized(FResizing, FResizeStartWidth + (x - FResizeStart));
}

void TCustomDBGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (FResizing) {
        FResizing = nullptr;
        return;
    }
    int row, col;
    MouseCell(x, y, row, col);
    const auto cols = VisibleColumns();
    if (FTitlePressed >= 0 && row < 0 && col == FTitlePressed && col < int(cols.size())) TitleClick(cols[size_t(col)]);
    else if (row >= 0 && col >= 0 && col < int(cols.size())) CellClick(cols[size_t(col)]);
    FTitlePressed = -1;
}

bool TCustomDBGrid::WidgetEvent(QEvent* event) {
    if (event->type() == QEvent::Paint) {
        // A bar repainted alone asks its parent for the strip under it, not for the rows.
        FPaintRect = static_cast<QPaintEvent*>(event)->rect();
        const bool done = TCustomControl::WidgetEvent(event);
        FPaintRect = QRect();
        return done;
    }
    if (event->type() == QEvent::Show && FCountWhenShown) {
        FCountWhenShown = false;
        UpdateScrollBar();
    }
    if (event->type() == QEvent::Wheel) {
        TDataSet* ds = FDataLink->DataSet();
        if (ds && ds->Active()) {
            const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
            if (delta != 0) ds->MoveBy(delta > 0 ? -1 : 1);
        }
        return true;
    }
    return TCustomControl::WidgetEvent(event);
}

void TCustomDBGrid::CMFocusChanged(TWinControl* focused) {
    TCustomControl::CMFocusChanged(focused);
    Invalidate();
}

void TCustomDBGrid::TitleClick(TColumn* column) { OnTitleClick(column); }
void TCustomDBGrid::CellClick(TColumn* column) { OnCellClick(column); }
void TCustomDBGrid::ColEnter() { OnColEnter(this); }
void TCustomDBGrid::ColExit() { OnColExit(this); }
