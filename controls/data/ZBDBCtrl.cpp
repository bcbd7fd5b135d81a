#include "controls/data/ZBDBCtrl.h"

#include "controls/data/DBLocateHelpers.h"
#include "controls/visual/IniHelpers.h"
#include "platform/forms/Beep.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/SysUtils.h"

#include <QFontMetrics>
#include <QScopedValueRollback>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {
constexpr int MarkerWidth = 8;  // sort marker glyph
}  // namespace

// ---------------------------------------------------------------------------------------------- grid

TZbDBGrid::TZbDBGrid(TComponent* owner) : TDBGrid(owner), FIniLink(std::make_unique<TIniLink>()) {
    FIniLink->OnSave = TNotifyEvent(this, &TZbDBGrid::IniSave);
    FIniLink->OnLoad = TNotifyEvent(this, &TZbDBGrid::IniLoad);
    // The library's defaults without tab stepping.
    TDBGrid::SetOptions(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgConfirmDelete |
                        dgCancelOnExit);
    // Every cell is drawn here, with the cell events and the selection.
    TDBGrid::SetDefaultDrawing(false);
    TDBGrid::OnDrawColumnCell = TDrawColumnCellEvent(this, &TZbDBGrid::DrawCell);
}

TZbDBGrid::~TZbDBGrid() { FIniLink.reset(); }

void TZbDBGrid::SetIniStorage(TFormPlacement* value) {
    FIniLink->SetStorage(value);
    if (value) value->FreeNotification(this);
}

QString TZbDBGrid::LinkSection() const {
    QString own;
    if (Columns()->State() == csCustomized) own = DefaultSection();
    else if (TDataSet* ds = DataSet()) own = DataSetSectionName(ds);
    return FIniLink->RootSection() + own;
}

void TZbDBGrid::IniSave(TObject*) {
    if (!Name().isEmpty() && FIniLink->IniObject()) SaveLayout(FIniLink->IniObject(), LinkSection());
}

void TZbDBGrid::IniLoad(TObject*) {
    if (!Name().isEmpty() && FIniLink->IniObject()) RestoreLayout(FIniLink->IniObject(), LinkSection());
}

TDataSet* TZbDBGrid::DataSet() const { return DataSource() ? DataSource()->DataSet() : nullptr; }

void TZbDBGrid::SetRowsHeight(int value) {
    if (!(ComponentState() & csDesigning)) SetDefaultRowHeight(value);
}

TDBGridOptions TZbDBGrid::Options() const {
    TDBGridOptions o = TDBGrid::Options() & ~dgMultiSelect;
    return FMultiSelect ? o | dgMultiSelect : o;
}

void TZbDBGrid::SetOptions(TDBGridOptions value) {
    FMultiSelect = (value & dgMultiSelect) != 0;
    if (!FMultiSelect) UnselectAll();
    TDBGrid::SetOptions(value & ~dgMultiSelect);
    Invalidate();
}

void TZbDBGrid::SetMultiSelect(bool value) {
    if (value == FMultiSelect) return;
    FMultiSelect = value;
    if (!value) UnselectAll();
    Invalidate();
}

void TZbDBGrid::SetShowGlyphs(bool value) {
    if (value == FShowGlyphs) return;
    FShowGlyphs = value;
    Invalidate();
}

void TZbDBGrid::SetTitleButtons(bool value) {
    if (value == FTitleButtons) return;
    FTitleButtons = value;
    SetOptions(Options());
}

void TZbDBGrid::SetFixedCols(int value) {
    value = std::max(0, value);
    TDataSet* ds = DataSet();
    if (ds && ds->Active() && FieldCount() > 1) value = std::min(value, FieldCount() - 1);
    FFixedCols = value;
    KeepOutOfFixedColumns();
    Invalidate();
}

void TZbDBGrid::KeepOutOfFixedColumns() {
    if (FFixedCols > 0 && SelectedIndex() < FFixedCols && FieldCount() > FFixedCols) SetSelectedIndex(FFixedCols);
}

// ---- selection

bool TZbDBGrid::IsSelected(const TBookmark& bookmark) const {
    return std::find(FSelectedRows.begin(), FSelectedRows.end(), bookmark) != FSelectedRows.end();
}

void TZbDBGrid::SelectRecord(bool select) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || ds->IsEmpty()) return;
    TBookmark bm = ds->GetBookmark();
    auto it = std::find(FSelectedRows.begin(), FSelectedRows.end(), bm);
    if (select && it == FSelectedRows.end()) FSelectedRows.push_back(bm);
    else if (!select && it != FSelectedRows.end()) FSelectedRows.erase(it);
    Invalidate();
}

void TZbDBGrid::ToggleCurrent() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || ds->IsEmpty()) return;
    SelectRecord(!IsSelected(ds->GetBookmark()));
}

void TZbDBGrid::SelectAll() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    TBookmark keep = ds->GetBookmark();
    ds->DisableControls();
    FSelectedRows.clear();
    for (ds->First(); !ds->Eof(); ds->Next()) FSelectedRows.push_back(ds->GetBookmark());
    if (keep) ds->SetToBookmark(keep);
    ds->EnableControls();
    Invalidate();
}

void TZbDBGrid::UnselectAll() {
    if (FSelectedRows.empty()) return;
    FSelectedRows.clear();
    FAnchor = TBookmark();
    Invalidate();
}

void TZbDBGrid::DeleteSelected() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || ds->IsEmpty()) return;
    if (FSelectedRows.empty()) {
        ds->Delete();
        return;
    }
    ds->DisableControls();
    try {
        // A record another user removed meanwhile is simply skipped.
        for (const TBookmark& bm : std::vector<TBookmark>(FSelectedRows)) {
            if (ds->BookmarkValid(bm) && ds->SetToBookmark(bm)) ds->Delete();
            FSelectedRows.erase(std::find(FSelectedRows.begin(), FSelectedRows.end(), bm));
        }
    } catch (...) {
        ds->EnableControls();
        Invalidate();
        throw;
    }
    ds->EnableControls();
    Invalidate();
}

// ---- drawing

int TZbDBGrid::FieldGlyph(TField* field) const {
    if (!FShowGlyphs || !field) return -1;
    if (field->OnGetText && field->OnSetText && !ReadOnly() && field->CanModify()) return -1;
    switch (field->DataType()) {
    case ftBytes: case ftVarBytes: case ftBlob: return 0;
    case ftMemo: case ftFmtMemo: return 1;
    case ftGraphic: return 2;
    default: return -1;
    }
}

TRect TZbDBGrid::TitleRect(int column) const {
    TRect r = CellRect(0, column);
    if (r.Right <= r.Left) return {};
    return Rect(r.Left, 0, r.Right, r.Top);
}

void TZbDBGrid::DrawCell(TObject*, const TRect& rect, int dataCol, TColumn* column, TGridDrawState state) {
    TCanvas* c = Canvas();
    TDataSet* ds = DataSet();
    TField* field = column ? column->Field() : nullptr;
    const bool selectedRow = FMultiSelect && ds && !ds->IsEmpty() && IsSelected(ds->GetBookmark());
    const bool highlight = (state & gdSelected) || selectedRow;
    if (selectedRow && dataCol == 0) {
        const int row = (rect.Top - TitleRect(0).Bottom) / std::max(1, DefaultRowHeight());
        FPaintedMarks.push_back({row, false});
    }
    if (FZbDefaultDrawing) {
        TColor background = highlight ? clHighlight : (column ? column->Color() : Color());
        c->Font()->Assign(Font());
        if (highlight) c->Font()->SetColor(clHighlightText);
        if (OnGetCellParams) {
            OnGetCellParams(this, field, c->Font(), background, highlight);
        } else if (OnGetCellProps) {
            const TColor fontColor = c->Font()->Color();
            OnGetCellProps(this, field, c->Font(), background);
            if (highlight) c->Font()->SetColor(fontColor);
        }
        c->Brush()->SetColor(background);
        const int glyph = FieldGlyph(field);
        if (glyph >= 0) {
            c->FillRect(rect);
            static const char* const names[] = {"(BLOB)", "(MEMO)", "(GRAPHIC)", "(OLE)"};
            TRect r = rect;
            c->DrawText(QString::fromLatin1(names[glyph]), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        } else {
            DefaultDrawColumnCell(rect, dataCol, column, state & ~gdSelected);
        }
        if (highlight && Focused() && (state & gdFocused) && !(TDBGrid::Options() & dgRowSelect)) c->DrawFocusRect(rect);
    }
    OnDrawColumnCell(this, rect, dataCol, column, state);
}

void TZbDBGrid::DrawSortMarker(TCanvas* c, const TRect& r, TSortMarker marker, bool pressed) {
    const int x = r.Right - MarkerWidth - 3 - (pressed ? 1 : 0);
    if (x <= r.Left) return;
    const int cy = (r.Top + r.Bottom) / 2 + (pressed ? 1 : 0);
    c->Brush()->SetColor(clBtnShadow);
    c->Pen()->SetColor(clBtnShadow);
    if (marker == smDown) c->Polygon({Point(x, cy - 2), Point(x + MarkerWidth - 1, cy - 2), Point(x + MarkerWidth / 2, cy + 2)});
    else c->Polygon({Point(x, cy + 2), Point(x + MarkerWidth - 1, cy + 2), Point(x + MarkerWidth / 2, cy - 2)});
}

void TZbDBGrid::DrawTitleButton(int column, const TRect& cell) {
    TCanvas* c = Canvas();
    TColumn* col = nullptr;
    {
        int n = 0;
        for (int i = 0; i < Columns()->Count(); ++i) {
            if (!Columns()->Items(i)->Visible()) continue;
            if (n++ == column) col = Columns()->Items(i);
        }
    }
    if (!col) return;
    const bool down = FTracking && FPressed && FPressedCol == column;
    TRect r = cell;
    c->Brush()->SetColor(FixedColor());
    c->FillRect(r);
    c->Pen()->SetColor(clWindowFrame);
    DrawEdge(c, r, down ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_BOTTOMRIGHT);
    DrawEdge(c, r, down ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_TOPLEFT);
    InflateRect(r, -1, -1);
    c->Font()->Assign(TitleFont());
    TColor background = FixedColor();
    TSortMarker marker = smNone;
    OnGetBtnParams(this, col->Field(), c->Font(), background, marker, down);
    c->Brush()->SetColor(background);
    c->FillRect(r);
    if (down) OffsetRect(r, 1, 1);
    TRect text = r;
    if (marker != smNone) text.Right -= MarkerWidth + 6;
    unsigned align = col->Title()->Alignment() == taRightJustify ? DT_RIGHT : col->Title()->Alignment() == taCenter ? DT_CENTER : DT_LEFT;
    TRect t = Rect(text.Left + 2, text.Top, text.Right - 2, text.Bottom);
    if (t.Right > t.Left) c->DrawText(col->Title()->Caption(), t, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (marker != smNone) DrawSortMarker(c, cell, marker, down);
}

void TZbDBGrid::DrawMarkers() {
    if (!FMultiSelect || !(TDBGrid::Options() & dgIndicator)) return;
    TCanvas* c = Canvas();
    TDataSet* ds = DataSet();
    const int current = ds && ds->Active() ? DataLink()->ActiveRecord() : -1;
    const int top = TitleRect(0).Bottom;
    const int rh = DefaultRowHeight();
    const int inset = (TDBGrid::Options() & dgColLines) && (TDBGrid::Options() & dgRowLines) ? 1 : 2;
    for (auto [row, unused] : FPaintedMarks) {
        (void)unused;
        const int y = top + row * rh;
        const int right = CellRect(0, 0).Left - 1 - inset;
        const int cy = y + rh / 2;
        c->Brush()->SetColor(clWindowText);
        c->Pen()->SetColor(clWindowText);
        if (row == current) c->Polygon({Point(right - 5, cy - 4), Point(right - 5, cy + 4), Point(right - 1, cy)});
        else c->Ellipse(right - 5, cy - 2, right - 1, cy + 2);
    }
}

void TZbDBGrid::Paint() {
    FPaintedMarks.clear();
    TDBGrid::Paint();
    if (FTitleButtons && (TDBGrid::Options() & dgTitles) && !(ComponentState() & csLoading)) {
        for (int i = 0; i < FieldCount(); ++i) {
            TRect r = TitleRect(i);
            if (r.Right > r.Left) DrawTitleButton(i, r);
        }
    }
    DrawMarkers();
}

// ---- mouse

bool TZbDBGrid::OverTitle(int x, int y, int column) const {
    TRect r = TitleRect(column);
    return x >= r.Left && x < r.Right && y >= 0 && y < r.Bottom;
}

void TZbDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TDataSet* ds = DataSet();
    int row, col;
    MouseCell(x, y, row, col);
    if (FTitleButtons && button == mbLeft && row < 0 && col >= 0 && ds && ds->Active() &&
        !(ComponentState() & csDesigning)) {
        // The column's right border still resizes.
        TRect r = TitleRect(col);
        const bool border = (TDBGrid::Options() & dgColumnResize) && (std::abs(x - r.Right) <= 2 || std::abs(x - r.Left) <= 2);
        if (!border) {
            bool enabled = col < FieldCount();
            TField* field = enabled ? Fields(col) : nullptr;
            if (OnCheckButton) OnCheckButton(this, col, field, enabled);
            if (!enabled) {
                platform::forms::MessageBeep();
                return;
            }
            SetMouseCapture(true);
            FPressedCol = col;
            FTracking = true;
            FPressed = true;
            Invalidate();
            return;
        }
    }
    if (button == mbLeft && row >= 0 && FMultiSelect && ds && ds->Active()) {
        TDBGrid::MouseDown(button, shift, x, y);
        if (shift & ssCtrl) {
            ToggleCurrent();
        } else {
            UnselectAll();
            if (FClearSelection) SelectRecord(true);
        }
        FAnchor = ds->GetBookmark();
        KeepOutOfFixedColumns();
        return;
    }
    TDBGrid::MouseDown(button, shift, x, y);
    KeepOutOfFixedColumns();
}

void TZbDBGrid::MouseMove(TShiftState shift, int x, int y) {
    if (FTracking) {
        const bool over = OverTitle(x, y, FPressedCol);
        if (over != FPressed) {
            FPressed = over;
            Invalidate();
        }
        TControl::MouseMove(shift, x, y);
        return;
    }
    TDBGrid::MouseMove(shift, x, y);
}

void TZbDBGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (FTracking) {
        FTracking = false;
        FPressed = false;
        SetMouseCapture(false);
        const int col = FPressedCol;
        FPressedCol = -1;
        Invalidate();
        if (OverTitle(x, y, col) && col < FieldCount()) OnTitleBtnClick(this, col, Fields(col));
        TControl::MouseUp(button, shift, x, y);
        return;
    }
    TDBGrid::MouseUp(button, shift, x, y);
}

// ---- keys

bool TZbDBGrid::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_DELETE && (shift & ssCtrl)) return true;
    return TDBGrid::WantsKey(key, shift);
}

void TZbDBGrid::KeyDown(quint16& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);  // the form's OnKeyDown first
    if (key == 0) return;
    TDataSet* ds = DataSet();
    const bool ctrl = (shift & ssCtrl) != 0;
    const TDBGridOptions options = TDBGrid::Options();
    const bool rowSelect = (options & dgRowSelect) != 0;
    const bool canAppend = ds && ds->CanModify() && !ReadOnly() && (options & dgEditing);
    auto base = [&] {
        // The platform grid with the form's OnKeyDown already run.
        TKeyEvent saved = OnKeyDown;
        OnKeyDown = nullptr;
        try {
            TDBGrid::KeyDown(key, shift);
        } catch (...) {
            OnKeyDown = saved;
            throw;
        }
        OnKeyDown = saved;
        KeepOutOfFixedColumns();
    };
    if (!ds || !ds->Active()) {
        base();
        return;
    }
    if (!ctrl) {
        if (key == VK_HOME && FFixedCols > 0 && FieldCount() > 1 && !rowSelect) {
            SetSelectedIndex(FFixedCols);
            key = 0;
            return;
        }
        if (key == VK_LEFT && FFixedCols > 0 && SelectedIndex() <= FFixedCols && !rowSelect) {
            key = 0;
            return;
        }
        if ((key == VK_UP || key == VK_DOWN) && ds->State() == dsBrowse) {
            const bool extend = FMultiSelect && (shift & ssShift);
            if (extend) {
                if (FSelectedRows.empty() || !FAnchor) FAnchor = ds->GetBookmark();
                SelectRecord(true);
            } else if (FMultiSelect) {
                UnselectAll();
            }
            if (key == VK_UP) {
                ds->Prior();
            } else {
                ds->Next();
                if (ds->Eof() && canAppend && !extend) ds->Append();
            }
            if (extend) {
                // Moving back over marked rows unmarks them; ahead they are marked.
                TBookmark bm = ds->GetBookmark();
                if (IsSelected(bm) && !(bm == FAnchor)) {
                    ds->DisableControls();
                    key == VK_UP ? ds->Next() : ds->Prior();
                    SelectRecord(false);
                    key == VK_UP ? ds->Prior() : ds->Next();
                    ds->EnableControls();
                } else {
                    SelectRecord(true);
                }
            }
            key = 0;
            return;
        }
        const bool clears = ((key == VK_LEFT || key == VK_RIGHT) && rowSelect) ||
                            ((key == VK_HOME || key == VK_END) && (rowSelect || FieldCount() == 1)) || key == VK_ESCAPE ||
                            key == VK_PRIOR || key == VK_NEXT || (key == VK_INSERT && canAppend) ||
                            (key == VK_TAB && !(shift & ssAlt));
        if (clears) UnselectAll();
        if (key == VK_INSERT && canAppend) {
            ds->Insert();
            key = 0;
            return;
        }
        base();
        return;
    }
    // With Ctrl.
    if (key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_HOME) {
        UnselectAll();
        base();
        return;
    }
    if (key == VK_LEFT && FFixedCols > 0) {
        SetSelectedIndex(FFixedCols);
        key = 0;
        return;
    }
    if (key == VK_DELETE) {
        key = 0;
        if (ReadOnly() || !ds->CanModify() || ds->IsEmpty()) return;
        const QString text = SelectedCount() < 2 ? QStringLiteral("Delete record?") : QStringLiteral("Delete all selected records?");
        if ((options & dgConfirmDelete) && MessageDlg(text, mtConfirmation, {mbYes, mbNo}, 0) != mrYes) return;
        DeleteSelected();
        return;
    }
    base();
}

// ---- layout

QString TZbDBGrid::DefaultSection() const { return GetDefaultSection(const_cast<TZbDBGrid*>(this)); }

void TZbDBGrid::SaveLayout(TObject* iniObject, const QString& section) {
    if (Columns()->State() == csCustomized) {
        const QString sect = section.isEmpty() ? DefaultSection() : section;
        IniEraseSection(iniObject, sect);
        for (int i = 0; i < Columns()->Count(); ++i) {
            TColumn* col = Columns()->Items(i);
            IniWriteString(iniObject, sect, QStringLiteral("%1.%2").arg(Name(), col->FieldName()),
                           QStringLiteral("%1,%2").arg(col->Index()).arg(col->Width()));
        }
    } else if (TDataSet* ds = DataSet()) {
        SaveFields(ds, iniObject, section);
    }
}

void TZbDBGrid::RestoreLayout(TObject* iniObject, const QString& section) {
    if (Columns()->State() == csCustomized) {
        const QString sect = section.isEmpty() ? DefaultSection() : section;
        struct TWant {
            TColumn* Column;
            int Index;
        };
        std::vector<TWant> wants;
        for (int i = 0; i < Columns()->Count(); ++i) {
            TColumn* col = Columns()->Items(i);
            const QString entry = IniReadString(iniObject, sect, QStringLiteral("%1.%2").arg(Name(), col->FieldName()), QString());
            const QStringList words = entry.split(QLatin1Char(','));
            bool ok = false;
            int index = words.size() > 0 ? words[0].trimmed().toInt(&ok) : 0;
            if (!ok) index = col->Index();
            int width = words.size() > 1 ? words[1].trimmed().toInt(&ok) : 0;
            if (words.size() > 1 && ok) col->SetWidth(width);
            wants.push_back({col, index});
        }
        // Columns are moved by rebuilding the list in the wanted order.
        std::vector<TColumn*> order(size_t(Columns()->Count()), nullptr);
        std::vector<TColumn*> rest;
        for (int pos = 0; pos < int(order.size()); ++pos) {
            auto it = std::find_if(wants.begin(), wants.end(), [pos](const TWant& w) { return w.Index == pos; });
            if (it != wants.end()) {
                order[size_t(pos)] = it->Column;
                wants.erase(it);
            }
        }
        for (auto& w : wants) rest.push_back(w.Column);
        // Keep the columns that wanted nothing in their own order in the free places.
        size_t r = 0;
        for (auto& slot : order)
            if (!slot && r < rest.size()) slot = rest[r++];
        std::vector<std::tuple<QString, int, QString, bool>> data;
        for (TColumn* c : order) data.emplace_back(c->FieldName(), c->Width(), c->Title()->Caption(), c->Visible());
        Columns()->Clear();
        for (auto& [name, width, caption, visible] : data) {
            TColumn* c = Columns()->Add();
            c->SetFieldName(name);
            c->SetWidth(width);
            c->Title()->SetCaption(caption);
            c->SetVisible(visible);
        }
        Invalidate();
    } else if (TDataSet* ds = DataSet()) {
        ds->DisableControls();
        RestoreFields(ds, iniObject, section, false);
        ds->EnableControls();
    }
}

// ---------------------------------------------------------------------------------------------- date edit

TDBDateEdit::TDBDateEdit(TComponent* owner)
    : TCustomDateEdit(owner), FDataLink(std::make_unique<platform::forms::TControlDataLink>(this)) {
    FDataLink->OnDataChange = [this](TObject*) { DataChange(); };
    FDataLink->OnEditingChange = [this](TObject*) { EditingChange(); };
    FDataLink->OnUpdateData = [this](TObject*) { UpdateData(); };
    FDataLink->OnActiveChange = [this](TObject*) { DataChange(); };
    SetAlwaysEnableButton(true);
    TCustomDateEdit::SetReadOnly(true);
}

TDBDateEdit::~TDBDateEdit() { FDataLink->SetDataSource(nullptr); }

void TDBDateEdit::SetDataSource(TDataSource* source) {
    FDataLink->SetDataSource(source);
    if (source) source->FreeNotification(this);
}

void TDBDateEdit::Notification(TComponent* component, TOperation operation) {
    TCustomDateEdit::Notification(component, operation);
    if (operation == opRemove && FDataLink && component == FDataLink->DataSource()) FDataLink->SetDataSource(nullptr);
}

void TDBDateEdit::SetReadOnly(bool value) {
    FDataLink->SetReadOnly(value);
    EditingChange();
}

bool TDBDateEdit::GetReadOnly() const {
    return !FBrowseDropDown && (FDataLink->ReadOnly() || !FDataLink->Editing());
}

void TDBDateEdit::DropDown(bool lockText) {
    // The calendar opens in browse state too; a date chosen in it starts editing as typing
    // does (CanAcceptPopup), when the data source allows it.
    QScopedValueRollback<bool> browse(FBrowseDropDown, !FDataLink->ReadOnly() && FDataLink->Field() != nullptr);
    TCustomDateEdit::DropDown(lockText);
}

bool TDBDateEdit::EditCanModify() { return FDataLink->Edit(); }

void TDBDateEdit::DataChange() {
    FSyncing = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FSyncing};
    if (TField* f = FDataLink->Field()) {
        UpdateMask();
        SetDate(f->IsNull() ? TDateTime(NullDate) : f->AsDateTime());
    } else if (ComponentState() & csDesigning) {
        SetEditMask(QString());
        SetText(Name());
    } else {
        UpdateMask();
        SetDate(DefaultToday() ? ::Date() : TDateTime(NullDate));
    }
    SetModified(false);
}

void TDBDateEdit::EditingChange() {
    TCustomDateEdit::SetReadOnly(GetReadOnly());
    if (FDataLink->Editing() && DefaultToday()) {
        TField* f = FDataLink->Field();
        if (f && (f->IsNull() || f->AsDateTime().Val == 0)) f->SetAsDateTime(Now());
    }
}

namespace {
double TimePart(TField* f) {
    if (!f || f->IsNull()) return 0;
    double v = f->AsDateTime().Val;
    return std::abs(v - std::trunc(v));
}
}  // namespace

void TDBDateEdit::UpdateData() {
    TField* f = FDataLink->Field();
    if (!f) return;
    CheckValidDate();
    const TDateTime d = Date();
    if (d.Val == NullDate) f->Clear();
    else f->SetAsDateTime(TDateTime(std::trunc(d.Val) + TimePart(f)));
}

void TDBDateEdit::ResetToField() {
    FDataLink->Reset();
    SelectAll();
}

void TDBDateEdit::KeyDown(quint16& key, TShiftState shift) {
    if (!FDataLink->ReadOnly() && (key == VK_DELETE || (key == VK_INSERT && (shift & ssShift)))) FDataLink->Edit();
    // Keypad + and - change the date as typing does: the record goes into edit first, or
    // nothing happens.
    if ((key == VK_ADD || key == VK_SUBTRACT) && shift == 0 && !PopupVisible() && DirectInput() &&
        !FDataLink->Edit()) {
        key = 0;
        return;
    }
    TCustomDateEdit::KeyDown(key, shift);
}

void TDBDateEdit::KeyPress(QChar& key) {
    const ushort c = key.unicode();
    if (c == 27 && PopupVisible()) {
        TCustomDateEdit::KeyPress(key);  // an open calendar closes first
        return;
    }
    if (c == 27) {
        ResetToField();
        key = QChar();
        return;
    }
    const bool digit = key >= QLatin1Char('0') && key <= QLatin1Char('9');
    if (c >= 32 && !digit && key != FormatSettings.DateSeparator) {
        platform::forms::MessageBeep();
        key = QChar();
        return;
    }
    if (digit || c == 8 || c == 22 || c == 24) {
        if (!FDataLink->Edit()) {
            key = QChar();
            return;
        }
    }
    TCustomDateEdit::KeyPress(key);
}

bool TDBDateEdit::CanAcceptPopup(Variant& value) {
    TDataSource* ds = FDataLink->DataSource();
    if (!ds || !ds->DataSet() || !FDataLink->Edit()) return false;
    return TCustomDateEdit::CanAcceptPopup(value);
}

void TDBDateEdit::ApplyPopupValue(const Variant& value) {
    TField* f = FDataLink->Field();
    if (!f) return;
    if (value.IsNullOrEmpty()) {
        f->Clear();
        return;
    }
    TDateTime d = value.AsDateTime();
    if (d.Val == NullDate) f->Clear();
    else f->SetAsDateTime(TDateTime(std::trunc(d.Val) + TimePart(f)));
}

void TDBDateEdit::Change() {
    if (!FSyncing) FDataLink->Modified();
    TCustomDateEdit::Change();
}

void TDBDateEdit::DoExit() {
    if (CheckOnExit()) CheckValidDate();
    FDataLink->UpdateRecord();
    TCustomComboEdit::DoExit();
}

QString TDBDateEdit::PaintText() const {
    TField* f = FDataLink->Field();
    if (!f || f->IsNull()) {
        QString s = DateFormat().toUpper();
        for (QChar& ch : s) {
            if (ch == QLatin1Char('Y') || ch == QLatin1Char('M') || ch == QLatin1Char('D')) ch = QLatin1Char(' ');
            else if (ch == QLatin1Char('/')) ch = FormatSettings.DateSeparator;
        }
        return s;
    }
    return FormatDateTime(DateFormat(), f->AsDateTime());
}
