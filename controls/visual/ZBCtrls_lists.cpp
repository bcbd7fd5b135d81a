#include "controls/visual/ZBCtrls_lists.h"

#include "controls/visual/IniHelpers.h"
#include "platform/forms/GraphicsGlue.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QImage>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextOption>
#include <algorithm>

using platform::forms::QtFont;

namespace {

[[noreturn]] void IndexError(int index) {
    throw EStringListError(QStringLiteral("%1: %2").arg(QStringLiteral("List index out of bounds")).arg(index));
}

// Width of a text with tab stops every `tab` pixels (none when tab <= 0).
int TextWidthWithTabs(const QFontMetrics& fm, const QString& text, int tab) {
    if (tab <= 0 || !text.contains(QLatin1Char('\t')))
        return fm.horizontalAdvance(text);
    int x = 0;
    const QStringList parts = text.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        x += fm.horizontalAdvance(parts[i]);
        if (i + 1 < parts.size())
            x = (x / tab + 1) * tab;
    }
    return x;
}

TStringList* InnerList(TStrings* items) { return dynamic_cast<TStringList*>(items); }

void ScrollToLeft(TCustomListBox* list) {
    if (QScrollBar* bar = list->ListWidget()->horizontalScrollBar())
        bar->setValue(bar->minimum());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TTextListBox

TTextListBox::TTextListBox(TComponent* owner) : TCustomListBox(owner) {
    // A list box keeps equal texts, sorted or not: two people of one name are two items.
    if (TStringList* inner = InnerList(TCustomListBox::Items()))
        inner->SetDuplicates(dupAccept);
}

void TTextListBox::CMFontChanged() {
    TCustomListBox::CMFontChanged();
    ResetHorizontalExtent();
}

int TTextListBox::ItemWidth(int index) const {
    const QFontMetrics fm(QtFont(Font()));
    const int tab = TabWidth() > 0 ? qRound(fm.horizontalAdvance(QLatin1Char('0')) * TabWidth() * 0.25) : 0;
    return TextWidthWithTabs(fm, Items()->Strings(index) + QLatin1Char('x'), tab);
}

int TTextListBox::Widest() const { return FWidths.empty() ? 0 : *std::max_element(FWidths.begin(), FWidths.end()); }

void TTextListBox::ItemsEdited(const platform::forms::TItemsEdit& edit) {
    using platform::forms::TItemsEdit;
    const size_t count = size_t(Items()->Count());
    if (edit.Kind == TItemsEdit::Object)
        return;
    if (edit.Kind == TItemsEdit::Insert && FWidths.size() + 1 == count)
        FWidths.insert(FWidths.begin() + edit.Index, ItemWidth(edit.Index));
    else if (edit.Kind == TItemsEdit::Delete && FWidths.size() == count + 1)
        FWidths.erase(FWidths.begin() + edit.Index);
    else if (edit.Kind == TItemsEdit::Put && FWidths.size() == count)
        FWidths[size_t(edit.Index)] = ItemWidth(edit.Index);
    else {
        const QFontMetrics fm(QtFont(Font()));
        const int tab = TabWidth() > 0 ? qRound(fm.horizontalAdvance(QLatin1Char('0')) * TabWidth() * 0.25) : 0;
        FWidths.resize(count);
        for (size_t i = 0; i < count; ++i)
            FWidths[i] = TextWidthWithTabs(fm, Items()->Strings(int(i)) + QLatin1Char('x'), tab);
    }
    const int widest = Widest();
    if (widest < FMaxWidth)
        ScrollToLeft(this);
    if (widest != FMaxWidth || ScrollWidth() != widest) {
        FMaxWidth = widest;
        KeepScrollWidth(widest);
    }
}

void TTextListBox::ResetHorizontalExtent() {
    const int before = ScrollWidth();
    ItemsEdited({});
    if (ScrollWidth() != before)
        SetScrollWidth(ScrollWidth());
}

// ---------------------------------------------------------------------------------------------
// TZbListBoxStrings

int TZbListBoxStrings::Count() const { return FListBox->WindowItems()->Count(); }

QString TZbListBoxStrings::Get(int index) const {
    if (index < 0 || index >= Count())
        IndexError(index);
    return FListBox->WindowItems()->Strings(index);
}

TObject* TZbListBoxStrings::GetObject(int index) const { return FListBox->GetItemData(index); }

void TZbListBoxStrings::PutObject(int index, TObject* object) { FListBox->SetItemData(index, object); }

void TZbListBoxStrings::Put(int index, const QString& s) {
    if (index < 0 || index >= Count())
        IndexError(index);
    FListBox->WindowItems()->SetString(index, s);
}

int TZbListBoxStrings::Add(const QString& s) { return AddObject(s, nullptr); }

int TZbListBoxStrings::AddObject(const QString& s, TObject* object) {
    const int index = FListBox->WindowItems()->Add(s);
    if (index < 0)
        throw EOutOfResources(QStringLiteral("Unable to insert a line"));
    if (object)
        PutObject(index, object);
    return index;
}

void TZbListBoxStrings::Insert(int index, const QString& s) { InsertObject(index, s, nullptr); }

void TZbListBoxStrings::InsertObject(int index, const QString& s, TObject* object) {
    if (index < 0 || index > Count())
        throw EOutOfResources(QStringLiteral("Unable to insert a line"));
    FListBox->WindowItems()->Insert(index, s);
    if (object)
        PutObject(index, object);
}

void TZbListBoxStrings::Delete(int index) {
    if (index < 0 || index >= Count())
        IndexError(index);
    FListBox->DeleteString(index);
}

void TZbListBoxStrings::Clear() { FListBox->ResetContent(); }

// The window's item data moves with its text, so states and flags follow exchanged and moved items.
void TZbListBoxStrings::Exchange(int index1, int index2) { FListBox->WindowItems()->Exchange(index1, index2); }

void TZbListBoxStrings::Move(int curIndex, int newIndex) { FListBox->WindowItems()->Move(curIndex, newIndex); }

int TZbListBoxStrings::IndexOf(const QString& s) const { return FListBox->WindowItems()->IndexOf(s); }

void TZbListBoxStrings::SetUpdateState(bool updating) {
    if (updating)
        FListBox->WindowItems()->BeginUpdate();
    else
        FListBox->WindowItems()->EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// TZbCustomListBox

TZbCustomListBox::TZbCustomListBox(TComponent* owner) : TCustomListBox(owner) {
    if (TStringList* inner = InnerList(WindowItems())) {
        inner->OnChange = [this](TObject*) { ResetHorizontalExtent(); };
        inner->SetDuplicates(dupAccept);
    }
    ApplyStyle();
}

TZbCustomListBox::~TZbCustomListBox() = default;

TStrings* TZbCustomListBox::CreateItems() { return new TZbListBoxStrings(this); }

void TZbCustomListBox::SetItems(TStrings* value) {
    if (!FItems)
        FItems.reset(CreateItems());
    FItems->Assign(value);
}

void TZbCustomListBox::SetStyle(TListBoxStyle value) {
    if (value == FStyle)
        return;
    FStyle = value;
    ApplyStyle();
}

void TZbCustomListBox::ApplyStyle() {
    if (!FItems)
        FItems.reset(CreateItems());
    // The window always draws its items here: grayed selections and tab stops need it.
    TCustomListBox::SetStyle(FStyle == lbOwnerDrawVariable ? lbOwnerDrawVariable : lbOwnerDrawFixed);
}

void TZbCustomListBox::SetAutoScroll(bool value) {
    if (value == FAutoScroll)
        return;
    FAutoScroll = value;
    ScrollToLeft(this);
    ResetHorizontalExtent();
}

void TZbCustomListBox::SetColumns(int value) {
    value = std::max(0, value);
    if (value == FColumns)
        return;
    FColumns = value;
    ScrollToLeft(this);
    ApplyColumns();
    ResetHorizontalExtent();
}

// Columns of (Width + Columns - 3) div Columns pixels, filled top to bottom, then sideways.
void TZbCustomListBox::ApplyColumns() {
    QListWidget* lw = ListWidget();
    if (FColumns == 0) {
        lw->setWrapping(false);
        lw->setGridSize(QSize());
        lw->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    } else {
        lw->setFlow(QListView::TopToBottom);
        lw->setWrapping(true);
        lw->setResizeMode(QListView::Adjust);
        const int rowHeight = lw->count() > 0 ? std::max(1, lw->sizeHintForRow(0)) : ItemHeight();
        lw->setGridSize(QSize(std::max(1, (Width() + FColumns - 3) / FColumns), rowHeight));
        lw->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    lw->doItemsLayout();
}

void TZbCustomListBox::SetIntegralHeight(bool value) {
    if (value == FIntegralHeight)
        return;
    FIntegralHeight = value;
    SetBounds(Left(), Top(), Width(), Height());
}

void TZbCustomListBox::SetExtendedSelect(bool value) {
    FExtendedSelect = value;
    SetMultiSelect(MultiSelect());
}

void TZbCustomListBox::SetMultiSelect(bool value) {
    TCustomListBox::SetMultiSelect(value);
    if (value && !FExtendedSelect)
        ListWidget()->setSelectionMode(QAbstractItemView::MultiSelection);
}

void TZbCustomListBox::SetBorderStyle(TBorderStyle value) {
    FBorderStyle = value;
    ListWidget()->setFrameShape(value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    SetBounds(Left(), Top(), Width(), Height());
}

void TZbCustomListBox::SetBounds(int left, int top, int width, int height) {
    if (FIntegralHeight && FStyle != lbOwnerDrawVariable && ItemHeight() > 0) {
        // The window shows whole items only: the height drops to the last one that fits.
        const int frame = 2 * ListWidget()->frameWidth();
        const int rows = std::max(1, (height - frame) / ItemHeight());
        height = rows * ItemHeight() + frame;
    }
    TCustomListBox::SetBounds(left, top, width, height);
}

void TZbCustomListBox::BoundsChanged(bool sizeChanged) {
    TCustomListBox::BoundsChanged(sizeChanged);
    if (sizeChanged && FColumns > 0)
        ApplyColumns();
}

void TZbCustomListBox::CMFontChanged() {
    TCustomListBox::CMFontChanged();
    ResetHorizontalExtent();
}

void TZbCustomListBox::CMFocusChanged(TWinControl* focused) {
    TCustomListBox::CMFocusChanged(focused);
    if (FGraySelection && MultiSelect() && SelCount() > 1)
        Invalidate();
}

int TZbCustomListBox::TabPixels() const {
    if (TabWidth() <= 0)
        return 0;
    const QFontMetrics fm(QtFont(Font()));
    return qRound(fm.horizontalAdvance(QLatin1Char('0')) * TabWidth() * 0.25);
}

bool TZbCustomListBox::Selected(int index) const {
    if (index < 0 || index >= WindowItems()->Count())
        IndexError(index);
    return TCustomListBox::Selected(index);
}

void TZbCustomListBox::SetSelected(int index, bool value) {
    if (index < 0 || index >= WindowItems()->Count())
        IndexError(index);
    TCustomListBox::SetSelected(index, value);
}

int TZbCustomListBox::ItemAtPos(const TPoint& pos, bool existing) const {
    const QWidget* viewport = ListWidget()->viewport();
    if (!viewport->rect().contains(viewport->mapFrom(ListWidget(), QPoint(pos.X, pos.Y))))
        return -1;
    return TCustomListBox::ItemAtPos(pos, existing);
}

TRect TZbCustomListBox::ItemRect(int index) const {
    const int count = WindowItems()->Count();
    if (index >= 0 && index < count)
        return TCustomListBox::ItemRect(index);
    if (index != count)
        return TRect();
    if (count == 0)
        return TRect{0, 0, ListWidget()->viewport()->width(), ItemHeight()};
    TRect r = TCustomListBox::ItemRect(count - 1);
    const int h = r.Bottom - r.Top;
    r.Top += h;
    r.Bottom += h;
    return r;
}

int TZbCustomListBox::GetItemWidth(int index) {
    if (FStyle != lbStandard && OnGetItemWidth && OnDrawItem) {
        int width = 0;
        OnGetItemWidth(this, index, width);
        return width;
    }
    const QFontMetrics fm(QtFont(Font()));
    return TextWidthWithTabs(fm, FItems->Strings(index) + QLatin1Char('x'), TabPixels());
}

void TZbCustomListBox::ResetHorizontalExtent() {
    if (!FItems)
        return;
    int widest = 0;
    if (FAutoScroll)
        for (int i = 0; i < FItems->Count(); ++i)
            widest = std::max(widest, GetItemWidth(i));
    if (widest < FMaxItemWidth)
        ScrollToLeft(this);
    if (widest != FMaxItemWidth || ScrollWidth() != widest) {
        FMaxItemWidth = widest;
        SetScrollWidth(widest);
    }
}

TObject* TZbCustomListBox::GetItemData(int index) const {
    if (index < 0 || index >= WindowItems()->Count())
        IndexError(index);
    return WindowItems()->Objects(index);
}

void TZbCustomListBox::SetItemData(int index, TObject* data) {
    if (index < 0 || index >= WindowItems()->Count())
        IndexError(index);
    WindowItems()->PutObject(index, data);
}

void TZbCustomListBox::ResetContent() {
    ScrollToLeft(this);
    WindowItems()->Clear();
}

void TZbCustomListBox::DeleteString(int index) { WindowItems()->Delete(index); }

void TZbCustomListBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetColor(Color());
    if (index >= 0 && (state & odSelected)) {
        if (!HasState(csDesigning) && FGraySelection && !Focused()) {
            canvas->Brush()->SetColor(clBtnFace);
            if (ColorToRGB(canvas->Font()->Color()) == ColorToRGB(clBtnFace))
                canvas->Font()->SetColor(clBtnText);
        } else {
            canvas->Brush()->SetColor(clHighlight);
            canvas->Font()->SetColor(clHighlightText);
        }
    }
    if (index < 0) {
        canvas->FillRect(rect);
        return;
    }
    DrawItemContent(index, rect, state);
    if (state & odFocused)
        canvas->DrawFocusRect(rect);
}

void TZbCustomListBox::DrawItemContent(int index, TRect rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    TCanvas* canvas = Canvas();
    canvas->FillRect(rect);
    if (index >= FItems->Count())
        return;
    const int x = rect.Left + 2;
    const int y = std::max(rect.Top, (rect.Top + rect.Bottom - canvas->TextHeight(QStringLiteral("Wy"))) / 2);
    const QString text = FItems->Strings(index);
    const int tab = TabPixels();
    QPainter* painter = canvas->Painter();
    if (tab <= 0 || !painter || !text.contains(QLatin1Char('\t'))) {
        canvas->SetBkMode(0);
        canvas->TextOut(x, y, text);
        return;
    }
    QTextOption option;
    option.setTabStopDistance(tab);
    option.setWrapMode(QTextOption::NoWrap);
    painter->save();
    painter->setFont(QtFont(canvas->Font()));
    painter->setPen(platform::forms::QtColor(canvas->Font()->Color()));
    painter->drawText(QRectF(x, y, std::max(0, rect.Right - x), rect.Height()), text, option);
    painter->restore();
}

// ---------------------------------------------------------------------------------------------
// The check cells

namespace controls::visual {

const QImage& CheckImages() {
    static const QImage images = [] {
        QImage img(CheckCellWidth * 6, CheckCellHeight * 3, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 6; ++col) {
                const bool disabled = col >= 3;
                const int state = col % 3;
                const QColor ink = disabled ? QColor(128, 128, 128) : QColor(0, 0, 0);
                const QColor face = disabled ? QColor(212, 208, 200) : QColor(255, 255, 255);
                const QRect cell(col * CheckCellWidth, row * CheckCellHeight, CheckCellWidth, CheckCellHeight);
                const QRect box(cell.left() + 1, cell.top(), 12, 12);
                auto tick = [&](const QColor& color) {
                    p.setPen(QPen(color, 2));
                    p.drawLine(box.left() + 3, box.top() + 6, box.left() + 5, box.top() + 8);
                    p.drawLine(box.left() + 5, box.top() + 8, box.left() + 9, box.top() + 3);
                };
                if (row == 0) {
                    p.setPen(QPen(QColor(128, 128, 128), 1));
                    p.setBrush(state == cbGrayed ? QColor(212, 208, 200) : face);
                    p.drawRect(box.adjusted(0, 0, -1, -1));
                    if (state == cbChecked)
                        tick(ink);
                    else if (state == cbGrayed)
                        tick(QColor(128, 128, 128));
                } else if (row == 1) {
                    p.setRenderHint(QPainter::Antialiasing, true);
                    p.setPen(QPen(QColor(128, 128, 128), 1));
                    p.setBrush(face);
                    p.drawEllipse(box.adjusted(0, 0, -1, -1));
                    if (state != cbUnchecked) {
                        p.setPen(Qt::NoPen);
                        p.setBrush(state == cbGrayed ? QColor(128, 128, 128) : ink);
                        p.drawEllipse(box.center(), 2, 2);
                    }
                    p.setRenderHint(QPainter::Antialiasing, false);
                } else if (state != cbUnchecked) {
                    tick(state == cbGrayed ? QColor(160, 160, 160) : ink);
                }
            }
        }
        return img;
    }();
    return images;
}

// The press on an item's check is seen after the view has moved the selection.
class TCheckListFilter : public QObject {
public:
    explicit TCheckListFilter(std::function<void(QPoint, Qt::MouseButton)> onPress) : FOnPress(std::move(onPress)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            FOnPress(me->position().toPoint(), me->button());
        }
        return false;
    }

private:
    std::function<void(QPoint, Qt::MouseButton)> FOnPress;
};

}  // namespace controls::visual

// ---------------------------------------------------------------------------------------------
// TZbCheckListBox

TZbCheckListBox::TZbCheckListBox(TComponent* owner) : TZbCustomListBox(owner), FIniLink(std::make_unique<TIniLink>()) {
    FIniLink->OnSave = TNotifyEvent(this, &TZbCheckListBox::IniSave);
    FIniLink->OnLoad = TNotifyEvent(this, &TZbCheckListBox::IniLoad);
    RecreateItems();
    QListWidget* lw = ListWidget();
    FViewportFilter = std::make_unique<controls::visual::TCheckListFilter>([this](QPoint pos, Qt::MouseButton button) {
        FPressPos = pos;
        FPressButton = button;
    });
    lw->viewport()->installEventFilter(FViewportFilter.get());
    QObject::connect(lw, &QAbstractItemView::pressed, lw, [this](const QModelIndex&) {
        platform::forms::Guarded(this, [this] { MousePressed(FPressPos, FPressButton); });
    });
    ResetItemHeight();
}

TZbCheckListBox::~TZbCheckListBox() {
    if (QListWidget* lw = ListWidget())
        lw->viewport()->removeEventFilter(FViewportFilter.get());
    // The records go before the items.
    TStrings* items = WindowItems();
    for (int i = items->Count() - 1; i >= 0; --i)
        delete items->Objects(i);
    items->BeginUpdate();
    items->Clear();
    items->EndUpdate();
}

TStrings* TZbCheckListBox::CreateItems() { return new TCheckListBoxStrings(this); }

void TZbCheckListBox::SetItems(TStrings* value) {
    if (!value)
        return;
    Items()->BeginUpdate();
    try {
        Items()->Assign(value);
        if (auto* source = dynamic_cast<TCheckListBoxStrings*>(value)) {
            auto* other = dynamic_cast<TZbCheckListBox*>(source->ListBox());
            for (int i = 0; other && i < source->Count() && i < Items()->Count(); ++i) {
                TCheckListBoxItem* rec = NeedRecord(i);
                rec->State = other->State(i);
                rec->Enabled = other->ItemEnabled(i);
            }
        }
    } catch (...) {
        Items()->EndUpdate();
        throw;
    }
    Items()->EndUpdate();
}

TCheckListBoxItem* TZbCheckListBox::Record(int index) const {
    if (index < 0 || index >= WindowItems()->Count())
        IndexError(index);
    return static_cast<TCheckListBoxItem*>(WindowItems()->Objects(index));
}

TCheckListBoxItem* TZbCheckListBox::NeedRecord(int index) {
    TCheckListBoxItem* rec = Record(index);
    if (!rec) {
        rec = new TCheckListBoxItem();
        WindowItems()->PutObject(index, rec);
    }
    return rec;
}

TObject* TZbCheckListBox::GetItemData(int index) const {
    TCheckListBoxItem* rec = Record(index);
    return rec ? rec->Data : nullptr;
}

void TZbCheckListBox::SetItemData(int index, TObject* data) { NeedRecord(index)->Data = data; }

void TZbCheckListBox::DeleteString(int index) {
    delete Record(index);
    WindowItems()->PutObject(index, nullptr);
    TZbCustomListBox::DeleteString(index);
}

void TZbCheckListBox::ResetContent() {
    TStrings* items = WindowItems();
    for (int i = items->Count() - 1; i >= 0; --i) {
        delete items->Objects(i);
        items->PutObject(i, nullptr);
    }
    TZbCustomListBox::ResetContent();
}

int TZbCheckListBox::CheckWidth() const { return controls::visual::CheckCellWidth + 2; }

int TZbCheckListBox::GetItemWidth(int index) { return TZbCustomListBox::GetItemWidth(index) + CheckWidth(); }

TCheckBoxState TZbCheckListBox::State(int index) const {
    TCheckListBoxItem* rec = Record(index);
    const TCheckBoxState state = rec ? rec->State : cbUnchecked;
    if (FCheckKind == ckRadioButtons && state != cbChecked)
        return cbUnchecked;
    return state;
}

void TZbCheckListBox::SetState(int index, TCheckBoxState value) {
    if (value == State(index) && !FInUpdateStates)
        return;
    if (FCheckKind == ckRadioButtons && value != cbChecked && State(index) == cbChecked)
        return;  // a radio group always keeps one item on
    NeedRecord(index)->State = value;
    if (FCheckKind == ckRadioButtons && value == cbChecked) {
        for (int i = WindowItems()->Count() - 1; i >= 0; --i) {
            if (i == index)
                continue;
            if (TCheckListBoxItem* rec = Record(i); rec && rec->State == cbChecked)
                rec->State = cbUnchecked;
        }
    }
    Invalidate();
    if (!HasState(csReading))
        StateChanged(index);
}

bool TZbCheckListBox::ItemEnabled(int index) const {
    TCheckListBoxItem* rec = Record(index);
    return rec ? rec->Enabled : true;
}

void TZbCheckListBox::SetItemEnabled(int index, bool value) {
    if (value == ItemEnabled(index))
        return;
    NeedRecord(index)->Enabled = value;
    Invalidate();
}

int TZbCheckListBox::CheckedIndex() const {
    if (FCheckKind != ckRadioButtons)
        return -1;
    for (int i = 0; i < WindowItems()->Count(); ++i)
        if (State(i) == cbChecked)
            return i;
    return -1;
}

void TZbCheckListBox::UpdateCheckStates() {
    if (FCheckKind != ckRadioButtons || WindowItems()->Count() == 0)
        return;
    FInUpdateStates = true;
    try {
        SetState(std::max(CheckedIndex(), 0), cbChecked);
    } catch (...) {
        FInUpdateStates = false;
        throw;
    }
    FInUpdateStates = false;
}

void TZbCheckListBox::SetCheckKind(TCheckKind value) {
    if (value == FCheckKind)
        return;
    FCheckKind = value;
    UpdateCheckStates();
    Invalidate();
}

void TZbCheckListBox::Loaded() {
    TZbCustomListBox::Loaded();
    UpdateCheckStates();
}

void TZbCheckListBox::CMFontChanged() {
    TZbCustomListBox::CMFontChanged();
    ResetItemHeight();
}

void TZbCheckListBox::ResetItemHeight() {
    if (Style() == lbOwnerDrawVariable || (Style() == lbOwnerDrawFixed && OnDrawItem))
        return;
    const QFontMetrics fm(QtFont(Font()));
    int height = std::max(fm.boundingRect(QStringLiteral("Wg")).height(), controls::visual::CheckCellHeight);
    if (Style() == lbOwnerDrawFixed)
        height = std::max(height, ItemHeight());
    SetItemHeight(height);
}

void TZbCheckListBox::ClickCheck() {
    if (OnClickCheck)
        OnClickCheck(this);
}

void TZbCheckListBox::StateChanged(int index) {
    if (OnStateChange)
        OnStateChange(this, index);
}

void TZbCheckListBox::ToggleClickCheck(int index) {
    if (index < 0 || index >= WindowItems()->Count() || !ItemEnabled(index))
        return;
    TCheckBoxState state = State(index);
    switch (state) {
    case cbUnchecked: state = AllowGrayed() ? cbGrayed : cbChecked; break;
    case cbChecked: state = cbUnchecked; break;
    case cbGrayed: state = cbChecked; break;
    }
    SetState(index, state);
    ClickCheck();
}

void TZbCheckListBox::MousePressed(const QPoint& pos, Qt::MouseButton button) {
    // The click given back after a cancelled drag selects; the press itself was seen already.
    if (button != Qt::LeftButton || ReplayingClick())
        return;
    QListWidget* lw = ListWidget();
    const QModelIndex at = lw->indexAt(pos);
    if (!at.isValid())
        return;
    const QRect item = lw->visualRect(at);
    if (pos.x() - item.left() < CheckWidth())
        ToggleClickCheck(at.row());
}

void TZbCheckListBox::KeyPress(QChar& key) {
    TZbCustomListBox::KeyPress(key);
    if (key == QLatin1Char(' ')) {
        ToggleClickCheck(ItemIndex());
        key = QChar();
    } else if (key == QLatin1Char('+') || key == QLatin1Char('-')) {
        const TCheckBoxState state = key == QLatin1Char('+') ? cbChecked : cbUnchecked;
        if (FCheckKind == ckCheckBoxes || FCheckKind == ckCheckMarks)
            for (int i = 0; i < WindowItems()->Count(); ++i)
                if (ItemEnabled(i))
                    SetState(i, state);
        ClickCheck();
    }
}

void TZbCheckListBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
    // The check strip is left of the text; the common drawing paints the text part.
    FStripLeft = rect.Left;
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(Rect(rect.Left, rect.Top, std::min(rect.Right, rect.Left + CheckWidth()), rect.Bottom));
    rect.Left += CheckWidth();
    TZbCustomListBox::DrawItem(index, rect, state);
}

void TZbCheckListBox::DrawItemContent(int index, TRect rect, TOwnerDrawState state) {
    TCanvas* canvas = Canvas();
    if (index >= 0 && index < WindowItems()->Count()) {
        const int stripWidth = CheckWidth();
        const int x = FStripLeft + (stripWidth - controls::visual::CheckCellWidth) / 2;
        const int y = rect.Top + (rect.Height() - controls::visual::CheckCellHeight) / 2;
        const bool enabled = ItemEnabled(index);
        const int column = int(State(index)) + (enabled ? 0 : 3);
        if (QPainter* painter = canvas->Painter())
            painter->drawImage(QPoint(x, y), controls::visual::CheckImages(),
                               QRect(column * controls::visual::CheckCellWidth,
                                     int(FCheckKind) * controls::visual::CheckCellHeight,
                                     controls::visual::CheckCellWidth, controls::visual::CheckCellHeight));
        if (!enabled)
            canvas->Font()->SetColor((state & odSelected) ? clInactiveCaptionText : clGrayText);
    }
    if (Style() == lbStandard) {
        // A standard check list always draws its own text.
        const TDrawItemEvent saved = OnDrawItem;
        OnDrawItem = nullptr;
        try {
            TZbCustomListBox::DrawItemContent(index, rect, state);
        } catch (...) {
            OnDrawItem = saved;
            throw;
        }
        OnDrawItem = saved;
    } else {
        TZbCustomListBox::DrawItemContent(index, rect, state);
    }
}

void TZbCheckListBox::IniSave(TObject*) {
    TObject* ini = FIniLink->IniObject();
    if (!ini)
        return;
    // The section found when the states were loaded: a form being destroyed no longer has its
    // own class name.
    const QString section = FIniLink->RootSection() + (FIniSection.isEmpty() ? GetDefaultSection(this) : FIniSection);
    IniEraseSection(ini, section);
    const int count = WindowItems()->Count();
    IniWriteInteger(ini, section, QStringLiteral("Count"), count);
    for (int i = 0; i < count; ++i)
        IniWriteInteger(ini, section, QStringLiteral("Item%1").arg(i), int(State(i)));
}

void TZbCheckListBox::IniLoad(TObject*) {
    TObject* ini = FIniLink->IniObject();
    if (!ini)
        return;
    FIniSection = GetDefaultSection(this);
    const QString section = FIniLink->RootSection() + FIniSection;
    // Never more than the items the list has, whatever the file says.
    const int count = std::min(IniReadInteger(ini, section, QStringLiteral("Count"), 0), WindowItems()->Count());
    for (int i = 0; i < count; ++i) {
        const int stored = IniReadInteger(ini, section, QStringLiteral("Item%1").arg(i), 0);
        const TCheckBoxState state = stored == cbChecked ? cbChecked : stored == cbGrayed ? cbGrayed : cbUnchecked;
        SetState(i, state);
        if (FCheckKind == ckRadioButtons && State(i) == cbChecked)
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// The form description of a check list

void TZbCheckListBox::DefineProperties(TFiler* filer) {
    filer->DefineProperty(QStringLiteral("InternalVersion"), TReaderProc(this, &TZbCheckListBox::ReadVersion),
                          TWriterProc(this, &TZbCheckListBox::WriteVersion), true);
    filer->DefineProperty(QStringLiteral("Strings"), TReaderProc(this, &TZbCheckListBox::ReadStrings),
                          TWriterProc(this, &TZbCheckListBox::WriteStrings), WindowItems()->Count() > 0);
}

void TZbCheckListBox::ReadVersion(TReader* reader) { FStoredVersion = reader->ReadInteger(); }

void TZbCheckListBox::WriteVersion(TWriter* writer) { writer->WriteInteger(202); }

void TZbCheckListBox::ReadStrings(TReader* reader) {
    struct TRead {
        QString Text;
        TCheckBoxState State;
        bool Enabled;
    };
    std::vector<TRead> read;
    reader->ReadListBegin();
    while (!reader->EndOfList()) {
        TRead item;
        item.Text = reader->ReadString();
        if (FStoredVersion < 202) {
            item.State = reader->ReadBoolean() ? cbChecked : cbUnchecked;
            item.Enabled = reader->ReadBoolean();
            if (FStoredVersion > 0) {
                const int state = reader->ReadInteger();
                item.State = state == cbChecked ? cbChecked : state == cbGrayed ? cbGrayed : cbUnchecked;
            }
        } else {
            const int state = reader->ReadInteger();
            item.State = state == cbChecked ? cbChecked : state == cbGrayed ? cbGrayed : cbUnchecked;
            item.Enabled = reader->ReadBoolean();
        }
        read.push_back(item);
    }
    reader->ReadListEnd();
    // Only a list read whole replaces the items.
    platform::classes::InUpdate(Items(), [&] {
        ResetContent();
        for (const TRead& item : read) {
            const int index = Items()->Add(item.Text);
            TCheckListBoxItem* rec = NeedRecord(index);
            rec->State = item.State;
            rec->Enabled = item.Enabled;
        }
    });
    UpdateCheckStates();
}

void TZbCheckListBox::WriteStrings(TWriter* writer) {
    writer->WriteListBegin();
    for (int i = 0; i < WindowItems()->Count(); ++i) {
        writer->WriteString(Items()->Strings(i));
        writer->WriteInteger(int(State(i)));
        writer->WriteBoolean(ItemEnabled(i));
    }
    writer->WriteListEnd();
}
