#include "controls/data/ZbLookup.h"

#include "controls/data/BdeUtils.h"

#include "platform/db/Espera.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Graphics.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>

namespace {
controls::data::TTickSource Clock;
qint64 SearchTickCount = 0;  // shared by every lookup control
constexpr int MaxSearchLength = 32;
constexpr int SearchTimeout = 2000;
}  // namespace

void controls::data::SetLookupClock(TTickSource clock) { Clock = std::move(clock); }
// The tick count, not the calendar clock: a clock set back (by hand or by the network) would
// make every keystroke continue the last search until it caught up again.
qint64 controls::data::LookupTickCount() {
    if (Clock) return Clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ---------------------------------------------------------------------------------------------- links

void TDataSourceLink::ActiveChanged() { FControl->DataLinkActiveChanged(); }
void TDataSourceLink::LayoutChanged() { FControl->DataLinkActiveChanged(); }
void TDataSourceLink::RecordChanged(TField* field) { FControl->DataLinkRecordChanged(field); }
void TDataSourceLink::FocusControl(TField** field) {
    if (field && *field && *field == FControl->MasterField() && FControl->CanFocus()) {
        *field = nullptr;
        FControl->SetFocus();
    }
}

void TLookupSourceLink::ActiveChanged() { FControl->ListLinkActiveChanged(); }
void TLookupSourceLink::LayoutChanged() { FControl->ListLinkActiveChanged(); }
void TLookupSourceLink::DataSetChanged() {
    FControl->ListLinkDataChanged();
    FControl->LookupDataChanged();
}

// ---------------------------------------------------------------------------------------------- base

TZbLookupControl::TZbLookupControl(TComponent* owner)
    : TCustomControl(owner), FLookupSource(std::make_unique<TDataSource>(nullptr)),
      FDataLink(std::make_unique<TDataSourceLink>(this)), FLookupLink(std::make_unique<TLookupSourceLink>(this)) {
    FControlStyle |= csOpaque;
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    FTakesComposedText = true;
    FValue = FEmptyValue;
    // The engine's locate object (index and filtered-clone searches), even when nothing else
    // of the engine unit is linked in.
    InitBdeUtils();
    FLocate = CreateLocate(nullptr);
}

TZbLookupControl::~TZbLookupControl() {
    FLookupLink->SetDataSource(nullptr);
    FDataLink->SetDataSource(nullptr);
}

TDataSet* TZbLookupControl::LookupDataSet() const {
    TDataSource* s = FLookupLink->DataSource();
    return s ? s->DataSet() : nullptr;
}

TDataSource* TZbLookupControl::LookupSource() const { return FLookupLink->DataSource(); }

void TZbLookupControl::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (FDataLink && component == FDataLink->DataSource()) SetDataSource(nullptr);
    if (FLookupLink && component == FUserLookupSource) {
        FUserLookupSource = nullptr;
        if (!FLookupMode) FLookupLink->SetDataSource(nullptr);
    }
}

namespace {
bool SameSource(TDataSource* a, TDataSource* b) {
    if (!a || !b) return false;
    return a == b || (a->DataSet() && a->DataSet() == b->DataSet());
}
}  // namespace

void TZbLookupControl::CheckNotCircular() const {
    if (SameSource(FDataLink->DataSource(), LookupSource())) _DBError(QStringLiteral("Circular datalinks are not allowed"));
}

void TZbLookupControl::CheckNotLookupMode() const {
    if (FDataLink->DataSourceFixed()) _DBError(QStringLiteral("Operation not allowed in a DBCtrlGrid"));
    if (FLookupMode) _DBError(QStringLiteral("Property already defined by lookup field"));
}

void TZbLookupControl::SetDataSource(TDataSource* value) {
    if (value == FDataLink->DataSource()) return;
    if (!FDataFieldName.isEmpty() && SameSource(value, LookupSource()))
        _DBError(QStringLiteral("Circular datalinks are not allowed"));
    FDataLink->SetDataSource(value);
    if (value) value->FreeNotification(this);
}

void TZbLookupControl::SetDataField(const QString& value) {
    if (value == FDataFieldName) return;
    if (FDataLink->Active() && !value.isEmpty()) CheckNotCircular();
    FDataFieldName = value;
    DataLinkActiveChanged();
}

void TZbLookupControl::SetLookupSource(TDataSource* value) {
    if (value == FUserLookupSource && !FLookupMode) return;
    CheckNotLookupMode();
    if (FDataLink->Active() && !FDataFieldName.isEmpty() && SameSource(FDataLink->DataSource(), value))
        _DBError(QStringLiteral("Circular datalinks are not allowed"));
    FUserLookupSource = value;
    FLookupLink->SetDataSource(value);
    if (value) value->FreeNotification(this);
    else ListLinkActiveChanged();
}

void TZbLookupControl::SetLookupField(const QString& value) {
    if (value == FLookupFieldName) return;
    CheckNotLookupMode();
    FLookupFieldName = value;
    ListLinkActiveChanged();
}

void TZbLookupControl::SetLookupDisplay(const QString& value) {
    if (value == FLookupDisplay) return;
    FLookupDisplay = value;
    ListLinkActiveChanged();
}

void TZbLookupControl::SetLookupDisplayIndex(int value) {
    if (value == FLookupDisplayIndex) return;
    FLookupDisplayIndex = value;
    ListLinkActiveChanged();
}

void TZbLookupControl::SetDisplayEmpty(const QString& value) {
    if (value == FDisplayEmpty) return;
    DisplayEmptyChanging();
    FDisplayEmpty = value;
    ListLinkActiveChanged();
}

void TZbLookupControl::SetEmptyValue(const QString& value) {
    if (value == FEmptyValue) return;
    if (FValue == FEmptyValue) FValue = value;
    FEmptyValue = value;
    Invalidate();
}

void TZbLookupControl::SetEmptyItemColor(TColor value) {
    if (value == FEmptyItemColor) return;
    FEmptyItemColor = value;
    Invalidate();
}

void TZbLookupControl::SetItemHeight(int value) {
    if (value == FItemHeight) return;
    FItemHeight = value;
    Invalidate();
}

void TZbLookupControl::SetFieldsDelimiter(QChar value) {
    if (value == FFieldsDelimiter) return;
    FFieldsDelimiter = value;
    Invalidate();
}

void TZbLookupControl::SetListStyle(TLookupListStyle value) {
    if (value == FListStyle) return;
    FListStyle = value;
    Invalidate();
}

int TZbLookupControl::TextHeight() const { return QFontMetrics(Font()->ToQFont()).height(); }

bool TZbLookupControl::CanModify() const {
    if (!FListActive || FDataLink->ReadOnly()) return false;
    if (!FDataLink->DataSource()) return true;
    return FMasterField && FMasterField->CanModify();
}

void TZbLookupControl::DataLinkActiveChanged() {
    FDataField = nullptr;
    FMasterField = nullptr;
    if (FLookupMode) {
        FLookupMode = false;
        FLookupFieldName = FUserLookupField;
        FLookupLink->SetDataSource(FUserLookupSource);
    }
    TDataSet* ds = FDataLink->DataSet();
    if (FDataLink->Active() && ds && !FDataFieldName.isEmpty() && !SameSource(FDataLink->DataSource(), LookupSource())) {
        FDataField = ds->FindField(FDataFieldName);
        if (FDataField && FDataField->Lookup()) {
            FMasterField = ds->FindField(FDataField->KeyFields());
            FLookupSource->SetDataSet(FDataField->LookupDataSet());
            FUserLookupField = FLookupFieldName;
            FLookupFieldName = FDataField->LookupKeyFields();
            FLookupMode = true;
            FLookupLink->SetDataSource(FLookupSource.get());
        } else {
            FMasterField = FDataField;
        }
    }
    DataLinkRecordChanged(nullptr);
}

void TZbLookupControl::DataLinkRecordChanged(TField* field) {
    if (field && field != FMasterField) return;
    if (FMasterField) {
        QString v = FMasterField->IsNull() ? FEmptyValue : FMasterField->AsString();
        SetValueSilently(v);
    } else if (FDataLink->DataSource() && !FDataFieldName.isEmpty()) {
        SetValueSilently(FEmptyValue);
    }
}

void TZbLookupControl::ListLinkActiveChanged() { RebuildListFields(); }

void TZbLookupControl::RebuildListFields() {
    FListFields.clear();
    FKeyField = nullptr;
    FDisplayField = nullptr;
    FListActive = false;
    TDataSet* ds = LookupDataSet();
    if (FLookupLink->Active() && ds) {
        FKeyField = ds->FindField(FLookupFieldName);
        for (const QString& name : FLookupDisplay.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (TField* f = ds->FindField(name.trimmed())) FListFields.push_back(f);
        if (FLookupMode && FDataField) {
            FDisplayField = ds->FindField(FDataField->LookupResultField());
            if (FDisplayField && std::find(FListFields.begin(), FListFields.end(), FDisplayField) == FListFields.end())
                FListFields.insert(FListFields.begin(), FDisplayField);
        } else {
            if (FListFields.empty() && FKeyField) FListFields.push_back(FKeyField);
            if (!FListFields.empty()) {
                int i = FLookupDisplayIndex >= 0 && FLookupDisplayIndex < int(FListFields.size()) ? FLookupDisplayIndex : 0;
                FDisplayField = FListFields[size_t(i)];
            }
        }
        FLocate->SetDataSet(ds);
        FListActive = FKeyField != nullptr;
    } else {
        FLocate->SetDataSet(nullptr);
    }
    KeyValueChanged();
}

bool TZbLookupControl::Locate(TField* searchField, const QString& value, bool exact, QString* key) {
    FLocate->SetIndexSwitch(FIndexSwitch);
    if (!searchField || ValueIsEmpty(value) || !FListActive) return false;
    bool ok = false;
    FLocating = true;
    try {
        ok = FLocate->Locate(searchField->FieldName(), value, exact, !FIgnoreCase);
    } catch (const Exception&) {
        ok = false;  // a text the field cannot hold finds nothing
    }
    FLocating = false;
    if (ok && key) *key = FKeyField->AsString();
    return ok;
}

QString TZbLookupControl::RowText() const {
    QStringList parts;
    for (TField* f : FListFields) parts << f->DisplayText();
    return parts.join(QString(FFieldsDelimiter) + QLatin1Char(' '));
}

void TZbLookupControl::KeyValueChanged() {
    FDisplayValue.clear();
    FRowText.clear();
    if (FListActive && !ValueIsEmpty(FValue) && Locate(FKeyField, FValue, true)) {
        if (FDisplayField) FDisplayValue = FDisplayField->DisplayText();
        FRowText = RowText();
    }
    DisplayValueChanged();
    Invalidate();
}

void TZbLookupControl::SetValueSilently(const QString& value) {
    if (value == FValue && !FDisplayValue.isEmpty()) return;
    FValue = value;
    KeyValueChanged();
}

void TZbLookupControl::SetValue(const QString& value) {
    FValue = value;
    KeyValueChanged();
}

void TZbLookupControl::SetDisplayValue(const QString& value) {
    QString key;
    if (FListActive && Locate(FDisplayField, value, true, &key)) SetValue(key);
    else SetValue(FEmptyValue);
}

void TZbLookupControl::SelectKeyValue(const QString& value) {
    const QString old = FValue;
    if (FMasterField) {
        if (CanModify() && FDataLink->Edit()) {
            if (value.isEmpty()) FMasterField->Clear();
            else FMasterField->SetAsString(value);
            // The field's change has brought the value back; make sure it is shown.
            DataLinkRecordChanged(FMasterField);
        }
    } else {
        SetValue(value);
    }
    Invalidate();
    Click();
    if (FValue != old) OnChange(this);
}

void TZbLookupControl::ResetField() {
    const QString old = FValue;
    if (FMasterField) {
        if (CanModify() && FDataLink->Edit()) {
            if (FEmptyValue.isEmpty()) FMasterField->Clear();
            else FMasterField->SetAsString(FEmptyValue);
        }
    }
    FValue = FEmptyValue;
    FDisplayValue.clear();
    FRowText.clear();
    FSearchText.clear();
    DisplayValueChanged();
    Invalidate();
    Click();
    if (FValue != old) OnChange(this);
}

void TZbLookupControl::ProcessSearchKey(QChar key) {
    if (!FDisplayField) return;
    const ushort c = key.unicode();
    if (c == 9 || c == 27) {
        FSearchText.clear();
        return;
    }
    if (c < 32 && c != 8) return;
    if (c > 255 && !key.isPrint()) return;
    if (!CanModify()) return;
    if (!FPopup) {
        qint64 now = controls::data::LookupTickCount();
        if (now - SearchTickCount > SearchTimeout) FSearchText.clear();
        SearchTickCount = now;
    }
    QString candidate;
    if (c == 8) candidate = FSearchText.left(std::max<qsizetype>(0, FSearchText.size() - 1));
    else if (FSearchText.size() < MaxSearchLength) candidate = FSearchText + key;
    // An accent typed apart joins its letter: the search text counts letters as the list shows them.
    candidate = candidate.normalized(QString::NormalizationForm_C);
    // A full search text or Backspace on an empty one starts again, but never chooses a row the
    // user did not ask for: the value stays.
    bool found = false;
    if (!candidate.isEmpty()) {
        QString foundKey;
        if (Locate(FDisplayField, candidate, false, &foundKey)) {
            found = true;
            candidate = FDisplayField->DisplayText().normalized(QString::NormalizationForm_C).left(candidate.size());
            SelectKeyValue(foundKey);
        }
    }
    if (found || candidate.isEmpty()) FSearchText = candidate;
}

TGraphic* TZbLookupControl::GetPicture(bool isEmpty, int& textMargin) {
    textMargin = 0;
    TGraphic* graphic = nullptr;
    if (OnGetImage) OnGetImage(this, isEmpty, graphic, textMargin);
    return graphic;
}

// ---------------------------------------------------------------------------------------------- list

namespace {
// The scroll bar tells only where the list is; the wheel over it turns the list's rows.
class TListScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void wheelEvent(QWheelEvent* event) override {
        if (parentWidget()) QCoreApplication::sendEvent(parentWidget(), event);
    }
};
}  // namespace

TZbDBLookupList::TZbDBLookupList(TComponent* owner) : TZbLookupControl(owner) {
    FScrollBar = new TListScrollBar(Qt::Vertical, Widget());
    FScrollBar->setFocusPolicy(Qt::NoFocus);
    FScrollBar->setRange(0, 0);
    FScrollBar->hide();
    QObject::connect(FScrollBar, &QAbstractSlider::actionTriggered, FScrollBar, [this](int action) {
        platform::forms::Guarded(this, [&] { Scroll(action); });
    });
    QObject::connect(FScrollBar, &QAbstractSlider::sliderReleased, FScrollBar, [this] {
        platform::forms::Guarded(this, [&] { ScrollThumb(FScrollBar->sliderPosition()); });
    });
    FTimer = new QTimer(Widget());
    // Scrolling reads rows: not while the program waits on the data server.
    QObject::connect(FTimer, &QTimer::timeout, FTimer, [this] {
        if (!platform::db::ServerWaitRunning()) platform::forms::Guarded(this, [&] { AutoScrollTick(); });
    });
    SetBounds(0, 0, 121, RowHeight() * FRowCount + BorderHeight());
}

bool TZbDBLookupList::AutoScrolling() const { return FTimer->isActive(); }
int TZbDBLookupList::AutoScrollInterval() const { return FTimer->interval(); }

void TZbDBLookupList::StopAutoScroll() {
    FTimer->stop();
    FScrollDirection = 0;
}

void TZbDBLookupList::AutoScrollTick() {
    TDataSet* ds = LookupDataSet();
    if (!FTracking || !FListActive || !ds || FScrollDirection == 0) {
        StopAutoScroll();
        return;
    }
    if (ds->MoveBy(FScrollDirection) != 0) SelectKeyValue(FKeyField->AsString());
}

int TZbDBLookupList::ScrollBarWidth() const { return FScrollBar && FScrollBar->isVisible() ? FScrollBar->sizeHint().width() : 0; }
int TZbDBLookupList::ScrollMax() const { return FScrollBar->maximum(); }
int TZbDBLookupList::ScrollPos() const { return FScrollBar->value(); }

void TZbDBLookupList::UpdateScrollBar() {
    TDataSet* ds = LookupDataSet();
    const bool full = FListActive && ds && FLookupLink->RecordCount() >= DataRowCount() && DataRowCount() > 0;
    FScrollBar->blockSignals(true);
    if (full) {
        FScrollBar->setRange(0, 4);
        FScrollBar->setPageStep(1);
        FScrollBar->setValue(FLookupLink->ShowsFirstRecord() ? 0 : FLookupLink->ShowsLastRecord() ? 4 : 2);
        const int w = FScrollBar->sizeHint().width();
        FScrollBar->setGeometry(Width() - w, 0, w, Height());
        FScrollBar->show();
    } else {
        FScrollBar->setRange(0, 0);
        FScrollBar->hide();
    }
    FScrollBar->blockSignals(false);
}

void TZbDBLookupList::Scroll(int action) {
    TDataSet* ds = LookupDataSet();
    if (!FListActive || !ds) return;
    FSearchText.clear();
    const int index = FLookupLink->ActiveRecord();
    const int count = FLookupLink->RecordCount();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: ds->MoveBy(-index - 1); break;
    case QAbstractSlider::SliderSingleStepAdd: ds->MoveBy(count - index); break;
    case QAbstractSlider::SliderPageStepSub: ds->MoveBy(-index - DataRowCount() + 1); break;
    case QAbstractSlider::SliderPageStepAdd: ds->MoveBy(count - index + DataRowCount() - 2); break;
    case QAbstractSlider::SliderToMinimum: ds->First(); break;
    case QAbstractSlider::SliderToMaximum: ds->Last(); break;
    default: return;
    }
    ListLinkDataChanged();
}

bool TZbDBLookupList::WidgetEvent(QEvent* event) {
    if (event->type() != QEvent::Wheel) return TZbLookupControl::WidgetEvent(event);
    // Three rows a notch, as many steps of the scroll bar's arrows; the chosen row stays.
    FWheel += static_cast<QWheelEvent*>(event)->angleDelta().y();
    const int notches = FWheel / 120;
    FWheel -= notches * 120;
    if (ScrollMax() > 0)
        for (int i = 0; i < 3 * std::abs(notches); ++i)
            Scroll(notches > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
    return true;
}

void TZbDBLookupList::ScrollThumb(int position) {
    switch (position) {
    case 0: Scroll(QAbstractSlider::SliderToMinimum); break;
    case 1: Scroll(QAbstractSlider::SliderPageStepSub); break;
    case 3: Scroll(QAbstractSlider::SliderPageStepAdd); break;
    case 4: Scroll(QAbstractSlider::SliderToMaximum); break;
    default: UpdateScrollBar(); break;
    }
}

TZbDBLookupList::~TZbDBLookupList() = default;

int TZbDBLookupList::RowHeight() const { return std::max(TextHeight(), FItemHeight); }

void TZbDBLookupList::SetItemHeight(int value) {
    TZbLookupControl::SetItemHeight(value);
    SetRowCount(FRowCount);
}

void TZbDBLookupList::SetRowCount(int value) {
    value = std::clamp(value, 1, 50);
    FRowCount = value;
    TControl::SetBounds(Left(), Top(), Width(), RowHeight() * FRowCount + BorderHeight());
    UpdateBufferCount();
}

void TZbDBLookupList::BoundsChanged(bool sizeChanged) {
    TZbLookupControl::BoundsChanged(sizeChanged);
    if (!sizeChanged) return;
    UpdateScrollBar();
    int rows = std::max(1, (Height() - BorderHeight()) / std::max(1, RowHeight()));
    if (rows != FRowCount || Height() != rows * RowHeight() + BorderHeight()) {
        FRowCount = std::min(rows, 50);
        UpdateBufferCount();
        if (Height() != FRowCount * RowHeight() + BorderHeight())
            TControl::SetBounds(Left(), Top(), Width(), FRowCount * RowHeight() + BorderHeight());
    }
}

void TZbDBLookupList::UpdateBufferCount() { FLookupLink->SetBufferCount(std::max(1, DataRowCount())); }

void TZbDBLookupList::ListLinkActiveChanged() {
    UpdateBufferCount();
    TZbLookupControl::ListLinkActiveChanged();
    ListLinkDataChanged();
}

void TZbDBLookupList::ListLinkDataChanged() {
    if (!FListActive) {
        FRecordIndex = 0;
        FKeySelected = false;
    } else {
        FRecordIndex = FLookupLink->ActiveRecord();
        FKeySelected = !ValueIsEmpty(FValue) && FKeyField->AsString() == FValue;
    }
    UpdateScrollBar();
    Invalidate();
}

void TZbDBLookupList::KeyValueChanged() {
    TZbLookupControl::KeyValueChanged();
    ListLinkDataChanged();
}

int TZbDBLookupList::RowAt(int y) const {
    int row = y / std::max(1, RowHeight());
    return EmptyRowVisible() ? row - 1 : row;
}

void TZbDBLookupList::SelectRow(int row) {
    if (!FListActive) return;
    if (row < 0) {
        if (EmptyRowVisible()) ResetField();
        return;
    }
    if (row >= FLookupLink->RecordCount()) return;
    TDataSet* ds = LookupDataSet();
    int delta = row - FLookupLink->ActiveRecord();
    if (delta != 0) ds->MoveBy(delta);
    SelectKeyValue(FKeyField->AsString());
}

void TZbDBLookupList::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (!FPopup && CanFocus()) SetFocus();
        FSearchText.clear();
        if (CanModify()) {
            FTracking = true;
            SelectRow(RowAt(y));
        }
    }
    TZbLookupControl::MouseDown(button, shift, x, y);
}

void TZbDBLookupList::MouseMove(TShiftState shift, int x, int y) {
    if (FTracking && (y < 0 || y >= ClientHeight())) {
        const int distance = y < 0 ? -y : y - ClientHeight() + 1;
        FScrollDirection = y < 0 ? -1 : 1;
        FTimer->setInterval(std::max(0, 200 - 15 * distance));
        if (!FTimer->isActive()) FTimer->start();
    } else if (FTracking && x >= 0 && x < ClientWidth()) {
        StopAutoScroll();
        int row = RowAt(y);
        int current = ValueIsEmpty(FValue) && EmptyRowVisible() ? -1 : FLookupLink->ActiveRecord();
        if (row != current) SelectRow(row);
    }
    TZbLookupControl::MouseMove(shift, x, y);
}

void TZbDBLookupList::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    FTracking = false;
    StopAutoScroll();
    TZbLookupControl::MouseUp(button, shift, x, y);
}

void TZbDBLookupList::DblClick() {
    if (FKeySelected || (ValueIsEmpty(FValue) && EmptyRowVisible())) TZbLookupControl::DblClick();
}

bool TZbDBLookupList::WantsKey(quint16 key, TShiftState shift) const {
    switch (key) {
    case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
        return true;
    default:
        return TZbLookupControl::WantsKey(key, shift);
    }
}

void TZbDBLookupList::KeyDown(quint16& key, TShiftState shift) {
    TZbLookupControl::KeyDown(key, shift);
    if (!CanModify()) return;
    int delta = 0;
    switch (key) {
    case VK_UP: case VK_LEFT: delta = -1; break;
    case VK_DOWN: case VK_RIGHT: delta = 1; break;
    case VK_PRIOR: delta = -std::max(1, DataRowCount() - 1); break;
    case VK_NEXT: delta = std::max(1, DataRowCount() - 1); break;
    case VK_HOME: case VK_END: break;
    default: return;
    }
    FSearchText.clear();
    TDataSet* ds = LookupDataSet();
    const quint16 k = key;
    key = 0;
    if (!ds || ds->IsEmpty()) return;
    if (k == VK_HOME || k == VK_END) {
        k == VK_HOME ? ds->First() : ds->Last();
        SelectKeyValue(FKeyField->AsString());
        return;
    }
    if (ValueIsEmpty(FValue)) {
        // From the empty value forward goes to the first record; back stays on the empty row.
        if (delta > 0) {
            ds->First();
            if (delta > 1) ds->MoveBy(delta - 1);
            SelectKeyValue(FKeyField->AsString());
        }
        return;
    }
    // Moving starts from the chosen row; a value that cannot be found starts again at the top.
    if (FKeyField->AsString() != FValue && !Locate(FKeyField, FValue, true)) {
        ds->First();
        SelectKeyValue(FKeyField->AsString());
        return;
    }
    int moved = ds->MoveBy(delta);
    if (delta < 0 && moved > delta && EmptyRowVisible()) {
        ResetField();
        return;
    }
    SelectKeyValue(FKeyField->AsString());
}

void TZbDBLookupList::KeyPress(QChar& key) {
    TZbLookupControl::KeyPress(key);
    if (key.isNull()) return;
    const ushort c = key.unicode();
    if (c == 8 || c == 9 || c == 27 || c >= 32) {
        ProcessSearchKey(key);
        if (c != 9) key = QChar();
    }
}

void TZbDBLookupList::Paint() {
    TCanvas* c = Canvas();
    c->SetFont(Font());
    const int rh = RowHeight();
    const int w = ClientWidth() - ScrollBarWidth();
    const bool showEmpty = EmptyRowVisible();
    const int buffered = FListActive ? FLookupLink->RecordCount() : 0;
    const int saved = FListActive ? FLookupLink->ActiveRecord() : 0;
    bool anySelected = false;
    for (int i = 0; i < FRowCount; ++i) {
        TRect r = Rect(0, i * rh, w, (i + 1) * rh);
        bool isEmpty = showEmpty && i == 0;
        int rec = showEmpty ? i - 1 : i;
        if (!isEmpty && rec >= buffered) {
            c->Brush()->SetColor(Color());
            c->FillRect(r);
            continue;
        }
        bool selected;
        if (isEmpty) {
            selected = ValueIsEmpty(FValue);
        } else {
            FLookupLink->SetActiveRecord(rec);
            selected = !ValueIsEmpty(FValue) && FKeyField->AsString() == FValue;
        }
        if (!selected && !anySelected && !showEmpty && rec == 0 && ValueIsEmpty(FValue)) selected = true;
        anySelected = anySelected || selected;
        c->Font()->SetColor(selected ? clHighlightText : Font()->Color());
        c->Brush()->SetColor(selected ? clHighlight : isEmpty ? FEmptyItemColor : Color());
        int margin = 0;
        TGraphic* picture = GetPicture(isEmpty, margin);
        c->FillRect(r);
        TRect textRect = r;
        if (margin > 0) {
            if (picture) {
                int px = r.Left + (margin - picture->Width()) / 2;
                int py = r.Top + (rh - picture->Height()) / 2;
                c->Draw(px, py, picture);
            }
            textRect.Left += margin;
        }
        DrawItemText(c, textRect, selected, isEmpty);
        if (selected && (Focused() || FPopup)) c->DrawFocusRect(r);
    }
    if (FListActive) FLookupLink->SetActiveRecord(saved);
}

void TZbDBLookupList::DrawItemText(TCanvas* c, const TRect& rect, bool, bool isEmpty) {
    const int rh = rect.Height();
    const int textTop = rect.Top + (rh - c->TextHeight(QStringLiteral("Xy"))) / 2;
    if (FListStyle == lsDelimited) {
        c->TextRect(rect, rect.Left + 2, textTop, isEmpty ? FDisplayEmpty : RowText());
        return;
    }
    const TColor lineColor = Color() == clBtnFace ? clBtnShadow : clBtnFace;
    const int mWidth = c->TextWidth(QStringLiteral("M"));
    int x = rect.Left;
    for (size_t j = 0; j < FListFields.size(); ++j) {
        TField* f = FListFields[j];
        bool last = j + 1 == FListFields.size();
        int colWidth = last ? rect.Right - x : f->DisplayWidth() * mWidth + 4;
        TRect cell = Rect(x, rect.Top, std::min(rect.Right, x + colWidth), rect.Bottom);
        QString text = isEmpty ? (j == 0 ? FDisplayEmpty : QString()) : f->DisplayText();
        int tw = c->TextWidth(text);
        int tx = cell.Left + 2;
        if (f->Alignment() == taRightJustify) tx = cell.Left + colWidth - tw - 3;
        else if (f->Alignment() == taCenter) tx = cell.Left + (colWidth - tw) / 2;
        c->TextRect(cell, tx, textTop, text);
        x += colWidth;
        if (!last) {
            TColor keep = c->Pen()->Color();
            c->Pen()->SetColor(lineColor);
            c->MoveTo(x, rect.Top);
            c->LineTo(x, rect.Bottom);
            c->Pen()->SetColor(keep);
            ++x;
        }
        if (x >= rect.Right) break;
    }
}

TZbPopupDataList::TZbPopupDataList(TComponent* owner) : TZbDBLookupList(owner) {
    FPopup = true;
    SetTabStop(false);
    SetCtl3D(false);
    FCombo = dynamic_cast<TZbDBLookupCombo*>(owner);
}

// ---------------------------------------------------------------------------------------------- combo

TZbDBLookupCombo::TZbDBLookupCombo(TComponent* owner) : TZbLookupControl(owner) {
    SetBounds(0, 0, 145, 21);
    FDataList = new TZbPopupDataList(this);
    FDataList->SetVisible(false);
    FDataList->MakePopupWindow();
    FDataList->OnMouseUp = TMouseEvent(this, &TZbDBLookupCombo::ListMouseUp);
}

TZbDBLookupCombo::~TZbDBLookupCombo() = default;

int TZbDBLookupCombo::ButtonWidth() const {
    return QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
}

void TZbDBLookupCombo::SetBounds(int left, int top, int width, int height) {
    // Never lower than the text with its border.
    height = std::max(height, TextHeight() + 4 + 3);
    TZbLookupControl::SetBounds(left, top, width, height);
}

QString TZbDBLookupCombo::GetDisplayText() const {
    if (FListVisible) {
        if (!FDataList->SearchText().isEmpty()) return FDataList->SearchText();
        if (FDataList->ValueIsEmpty(FDataList->Value())) return FDisplayEmpty;
        return FDataList->DisplayValue();
    }
    if (FLookupMode && FDataField) return FDataField->DisplayText();
    if (ValueIsEmpty(FValue)) return FDisplayEmpty;
    if (FDisplayAllFields) return FRowText;
    return FDisplayValue;
}

void TZbDBLookupCombo::KeyValueChanged() {
    TZbLookupControl::KeyValueChanged();
    UpdatePicture();
}

void TZbDBLookupCombo::LookupDataChanged() {
    // A change of the chosen lookup row (its name edited) shows at once.
    if (FLocating || !FListActive || FListVisible || ValueIsEmpty(FValue)) return;
    if (FKeyField->AsString() == FValue && FDisplayField && FDisplayField->DisplayText() != FDisplayValue) {
        FDisplayValue = FDisplayField->DisplayText();
        FRowText = RowText();
        Invalidate();
    }
}

void TZbDBLookupCombo::UpdatePicture() { FPicture = GetPicture(ValueIsEmpty(FValue), FTextMargin); }

TRect TZbDBLookupCombo::DropDownRect(int listWidth, int listHeight, const TRect& screen) const {
    TPoint p = ClientToScreen(Point(0, 0));
    int y = p.Y + Height();
    if (y + listHeight > screen.Bottom) y = p.Y - listHeight;
    int x = p.X;
    if (FDropDownAlign == daRight) x = p.X + Width() - listWidth;
    else if (FDropDownAlign == daCenter) x = p.X + (Width() - listWidth) / 2;
    if (x + listWidth > screen.Right) x = screen.Right - listWidth;
    if (x < screen.Left) x = screen.Left;
    return Rect(x, y, x + listWidth, y + listHeight);
}

void TZbDBLookupCombo::DropDown() {
    if (FListVisible || !CanModify()) return;
    OnDropDown(this);
    TZbPopupDataList* l = FDataList;
    l->SetColor(Color());
    l->Font()->Assign(Font());
    l->SetItemHeight(FItemHeight);
    l->SetReadOnly(ReadOnly());
    l->SetEmptyValue(FEmptyValue);
    l->SetDisplayEmpty(FDisplayEmpty);
    l->SetEmptyItemColor(FEmptyItemColor);
    l->SetRowCount(FDropDownCount);
    l->FLookupFieldName = FLookupFieldName;
    l->SetListStyle(FListStyle);
    l->SetFieldsDelimiter(FFieldsDelimiter);
    l->SetIgnoreCase(FIgnoreCase);
    l->SetIndexSwitch(FIndexSwitch);
    l->OnGetImage = OnGetImage;
    QString names;
    int displayIndex = 0;
    for (size_t i = 0; i < FListFields.size(); ++i) {
        names += FListFields[i]->FieldName() + QLatin1Char(';');
        if (FListFields[i] == FDisplayField) displayIndex = int(i);
    }
    l->FLookupDisplay = names;
    l->FLookupDisplayIndex = displayIndex;
    l->FUserLookupSource = LookupSource();
    l->FLookupLink->SetDataSource(LookupSource());
    l->SetValue(FValue);

    int width = Width();
    if (FDropDownWidth > 0) {
        width = FDropDownWidth;
    } else if (FDropDownWidth < 0) {
        QFontMetrics fm(Font()->ToQFont());
        int full = 0;
        for (TField* f : FListFields) full += f->DisplayWidth() * fm.horizontalAdvance(QLatin1Char('M')) + 5;
        width = std::max(width, full);
    }
    // The edges are those of the monitor the combo is on, which need not be the main one.
    const TRect screen = Screen->MonitorRect(ClientToScreen(Point(0, 0)));
    TRect r = DropDownRect(width, l->Height(), screen);
    l->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    l->Show();
    FListVisible = true;
    Invalidate();
}

void TZbDBLookupCombo::CloseUp(bool accept) {
    if (!FListVisible) return;
    SetMouseCapture(false);
    const QString listValue = FDataList->Value();
    FDataList->Hide();
    FDataList->FUserLookupSource = nullptr;
    FDataList->FLookupLink->SetDataSource(nullptr);
    FListVisible = false;
    FSearchText.clear();
    FDataList->FSearchText.clear();
    Invalidate();
    if (accept && CanModify() && listValue != FValue) SelectKeyValue(listValue);
    else KeyValueChanged();  // the lookup dataset moved while the list was open
    if (CanFocus() && !Focused()) SetFocus();
    OnCloseUp(this);
}

void TZbDBLookupCombo::ResetField() {
    CloseUp(false);
    TZbLookupControl::ResetField();
}

void TZbDBLookupCombo::DoExit() {
    CloseUp(false);
    TZbLookupControl::DoExit();
}

void TZbDBLookupCombo::CMCancelMode(TControl* sender) {
    if (sender != this && sender != FDataList) CloseUp(false);
    TZbLookupControl::CMCancelMode(sender);
}

bool TZbDBLookupCombo::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_UP || key == VK_DOWN) return true;
    if (FListVisible && (key == VK_RETURN || key == VK_ESCAPE || key == VK_PRIOR || key == VK_NEXT)) return true;
    if (key == VK_ESCAPE && FEscapeClear && !ValueIsEmpty(FValue) && CanModify()) return true;
    return TZbLookupControl::WantsKey(key, shift);
}

void TZbDBLookupCombo::KeyDown(quint16& key, TShiftState shift) {
    TZbLookupControl::KeyDown(key, shift);
    if (key == 0) return;
    if ((key == VK_UP || key == VK_DOWN) && (shift & ssAlt)) {
        FListVisible ? CloseUp(true) : DropDown();
        key = 0;
        return;
    }
    if (FListVisible) {
        // A key that types a character is left for KeyPress, which hands it to the list's
        // search: swallowed here, typing into an open list would find nothing.
        const bool tecleo = !(shift & (ssCtrl | ssAlt)) &&
                            (key == VK_BACK || key == VK_SPACE || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'));
        if (tecleo) return;
        // Enter and Esc close the list here, before a form that previews the typed keys can
        // take Enter as "next control" (which would drop the row the user chose).
        if (key == VK_RETURN || key == VK_ESCAPE) CloseUp(key == VK_RETURN);
        else FDataList->KeyDown(key, shift);
        key = 0;
        return;
    }
    if ((key == VK_UP || key == VK_DOWN) && CanModify()) {
        TDataSet* ds = LookupDataSet();
        if (ds && !ds->IsEmpty()) {
            if (ValueIsEmpty(FValue) || !Locate(FKeyField, FValue, true)) ds->First();
            else ds->MoveBy(key == VK_UP ? -1 : 1);
            SelectKeyValue(FKeyField->AsString());
        }
        key = 0;
    }
}

void TZbDBLookupCombo::KeyPress(QChar& key) {
    TZbLookupControl::KeyPress(key);
    const ushort c = key.unicode();
    if (key.isNull()) return;
    if (FListVisible) {
        if (c == 13 || c == 27) {
            CloseUp(c == 13);
            key = QChar();
            return;
        }
        FDataList->KeyPress(key);
        Invalidate();
        return;
    }
    if (c >= 32 && c <= 255) {
        DropDown();
        if (FListVisible) FDataList->ProcessSearchKey(key);
        key = QChar();
        Invalidate();
        return;
    }
    if (c == 27 && FEscapeClear && !ValueIsEmpty(FValue) && CanModify()) {
        ResetField();
        key = QChar();
        return;
    }
    // Enter and an unused Esc go to the form (its default and cancel buttons).
    if (c == 13 || c == 27) {
        if (TCustomForm* form = GetParentForm(this)) {
            form->CMDialogKey(c == 13 ? VK_RETURN : VK_ESCAPE, 0);
            key = QChar();
        }
    }
}

void TZbDBLookupCombo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (CanFocus()) SetFocus();
        if (FListVisible) {
            CloseUp(false);
        } else if (CanModify()) {
            FTracking = true;
            FPressed = true;
            SetMouseCapture(true);
            DropDown();
        }
    }
    TZbLookupControl::MouseDown(button, shift, x, y);
}

void TZbDBLookupCombo::MouseMove(TShiftState shift, int x, int y) {
    if ((FTracking || FListTracking) && FListVisible) {
        TPoint p = FDataList->ScreenToClient(ClientToScreen(Point(x, y)));
        if (FListTracking) {
            // The press stays the combo's (the toolkit sends it every move until the release):
            // the list follows the pointer as if it had the mouse, rows under it and scrolling past it.
            FDataList->MouseMove(shift | ssLeft, p.X, p.Y);
        } else if (p.X >= 0 && p.Y >= 0 && p.X < FDataList->ClientWidth() && p.Y < FDataList->ClientHeight()) {
            // One drag from the combo into the list selects rows.
            FTracking = false;
            FListTracking = true;
            SetMouseCapture(false);
            FDataList->MouseDown(mbLeft, shift | ssLeft, p.X, p.Y);
        }
    }
    TZbLookupControl::MouseMove(shift, x, y);
}

void TZbDBLookupCombo::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (FListTracking) {
        // Let go in the list: its release chooses the row under the pointer, or closes without one.
        FListTracking = false;
        FPressed = false;
        if (FListVisible) {
            TPoint p = FDataList->ScreenToClient(ClientToScreen(Point(x, y)));
            FDataList->MouseUp(button, shift, p.X, p.Y);
        }
        Invalidate();
    } else if (FTracking) {
        FTracking = false;
        FPressed = false;
        SetMouseCapture(false);
        if (FListVisible) {
            TPoint p = FDataList->ScreenToClient(ClientToScreen(Point(x, y)));
            if (p.X >= 0 && p.Y >= 0 && p.X < FDataList->ClientWidth() && p.Y < FDataList->ClientHeight()) CloseUp(true);
        }
        Invalidate();
    }
    TZbLookupControl::MouseUp(button, shift, x, y);
}

void TZbDBLookupCombo::ListMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != mbLeft) return;
    CloseUp(x >= 0 && y >= 0 && x < FDataList->ClientWidth() && y < FDataList->ClientHeight());
}

void TZbDBLookupCombo::Paint() {
    TCanvas* c = Canvas();
    c->SetFont(Font());
    const int bw = ButtonWidth();
    TRect client = ClientRect();
    // Frame.
    c->Brush()->SetColor(Color());
    c->FillRect(client);
    TRect frame = client;
    Frame3D(c, frame, clBtnShadow, clBtnHighlight, 1);
    TRect text = Rect(client.Left + 1, client.Top + 1, client.Right - 1 - bw, client.Bottom - 1);
    const bool selected = Focused() && !FListVisible;
    if (selected) {
        c->Brush()->SetColor(clHighlight);
        c->Font()->SetColor(clHighlightText);
    } else if (!Enabled()) {
        c->Font()->SetColor(clGrayText);
    }
    if (text.Width() > 4) {
        c->FillRect(text);
        int margin = FTextMargin;
        TGraphic* picture = FPicture;
        if (FListVisible) picture = FDataList->GetPicture(FDataList->ValueIsEmpty(FDataList->Value()), margin);
        if (picture && margin > 0)
            c->Draw(text.Left + (margin - picture->Width()) / 2, text.Top + (text.Height() - picture->Height()) / 2, picture);
        const QString s = GetDisplayText();
        int tw = c->TextWidth(s);
        TAlignment align = FDisplayField ? FDisplayField->Alignment() : taLeftJustify;
        int x = text.Left + margin + 2;
        if (align == taRightJustify) x = text.Left + text.Width() - tw - 6;
        else if (align == taCenter) x = text.Left + margin + (text.Width() - margin - tw) / 2;
        c->TextRect(text, x, text.Top + (text.Height() - c->TextHeight(s)) / 2, s);
        if (selected) c->DrawFocusRect(text);
    }
    // The button: a raised face with a small arrow.
    TRect button = Rect(client.Right - 1 - bw, client.Top + 1, client.Right - 1, client.Bottom - 1);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(button);
    TRect face = button;
    Frame3D(c, face, FPressed ? clBtnShadow : clBtnHighlight, FPressed ? clBtnHighlight : clBtnShadow, 1);
    int cx = (button.Left + button.Right) / 2, cy = (button.Top + button.Bottom) / 2;
    c->Brush()->SetColor(Enabled() ? clBtnText : clGrayText);
    c->Pen()->SetColor(Enabled() ? clBtnText : clGrayText);
    c->Polygon({Point(cx - 3, cy - 1), Point(cx + 3, cy - 1), Point(cx, cy + 2)});
}

// ---------------------------------------------------------------------------------------------- lookup edit

namespace controls::data {
// The combo edit's popup protocol goes through this window; the list itself is what shows.
class TLookupPopupLink : public TPopupWindow {
public:
    explicit TLookupPopupLink(TZbLookupEdit* edit) : TPopupWindow(edit), FEdit(edit) {}
    Variant GetValue() override { return FEdit->GetPopupValue(); }
    void SetValue(const Variant& value) override { FEdit->SetPopupValue(value); }

private:
    TZbLookupEdit* FEdit;
};
}  // namespace controls::data

TPopupDataWindow::TPopupDataWindow(TComponent* owner, TZbLookupEdit* editor) : TZbPopupDataList(owner), FEditor(editor) {}

bool TPopupDataWindow::LocateText(const QString& text) {
    QString key;
    if (!FListActive || !Locate(FDisplayField, text, false, &key)) return false;
    SetValue(key);
    return true;
}

void TPopupDataWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TZbPopupDataList::MouseUp(button, shift, x, y);
    if (button == mbLeft && x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) OnCloseUp(this, true);
}

TZbLookupEdit::TZbLookupEdit(TComponent* owner) : TCustomComboEdit(owner) {
    FList = new TPopupDataWindow(this, this);
    FList->SetVisible(false);
    FList->MakePopupWindow();
    FList->SetRowCount(FDropDownCount);
    FList->OnChange = [this](TObject*) { ListChanged(); };
    FList->OnCloseUp = [this](TObject*, bool accept) { CloseUpPopup(FLink, accept); };
    // Pictures are asked for with the edit as sender.
    FList->OnGetImage = [this](TObject*, bool isEmpty, TGraphic*& graphic, int& margin) {
        OnGetImage(this, isEmpty, graphic, margin);
    };
    FLink = new controls::data::TLookupPopupLink(this);
    SetPopup(FLink);
    SetGlyphKind(gkDropDown);
    FCreating = false;
}

TZbLookupEdit::~TZbLookupEdit() = default;

void TZbLookupEdit::DropDown(bool lockText) {
    if (PopupVisible() || GetReadOnly()) return;
    OnDropDown(this);
    FList->SetRowCount(FDropDownCount);
    FList->Font()->Assign(Font());
    const int width = FDropDownWidth > 0 ? FDropDownWidth : Width();
    FLink->SetBounds(FLink->Left(), FLink->Top(), width, FList->Height());
    TCustomComboEdit::DropDown(lockText);
}

void TZbLookupEdit::ShowPopup(TPoint origin) {
    FList->SetBounds(origin.X, origin.Y, FLink->Width(), FList->Height());
    FList->Show();
}

void TZbLookupEdit::HidePopup() {
    FList->Hide();
    if (PopupVisible()) OnCloseUp(this);
}

void TZbLookupEdit::SetPopupValue(const Variant& value) {
    const QString s = value.IsNullOrEmpty() ? QString() : value.AsString();
    if (s.isEmpty()) FList->SetValue(FList->EmptyValue());
    else FList->SetDisplayValue(s);
}

Variant TZbLookupEdit::GetPopupValue() {
    if (FList->Value().isEmpty() || FList->Value() == FList->EmptyValue()) return Variant(Text());
    return Variant(FList->DisplayValue());
}

void TZbLookupEdit::ApplyPopupValue(const Variant& value) {
    FChanging = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FChanging};
    TCustomComboEdit::ApplyPopupValue(value);
}

// A row chosen in the list shows its display text.
void TZbLookupEdit::ListChanged() {
    if (FChanging) return;
    FChanging = true;
    SetText(FList->DisplayValue());
    if (AutoSelect()) TCustomMaskEdit::SelectAll();
    FChanging = false;
    DoChange();
}

void TZbLookupEdit::Change() {
    if (FChanging) return;
    if (FIgnoreChange) {
        FIgnoreChange = false;
        TCustomComboEdit::Change();
        return;
    }
    const QString typed = Text();
    FChanging = true;
    if (!typed.isEmpty() && FList->LocateText(typed)) {
        // Completion: the rest of the found text, selected.
        const QString found = FList->DisplayValue();
        SetText(found);
        SetSelStart(int(typed.size()));
        SetSelLength(int(found.size() - typed.size()));
    } else {
        FList->SetValue(FList->EmptyValue());
    }
    FChanging = false;
    TCustomComboEdit::Change();
}

bool TZbLookupEdit::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_UP || key == VK_DOWN) return true;
    if (PopupVisible() && (key == VK_PRIOR || key == VK_NEXT)) return true;
    return TCustomComboEdit::WantsKey(key, shift);
}

void TZbLookupEdit::KeyDown(quint16& key, TShiftState shift) {
    const bool nav = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN;
    if (nav && PopupVisible() && !(shift & ssAlt)) {
        FList->KeyDown(key, shift);
        key = 0;
        return;
    }
    if ((key == VK_UP || key == VK_DOWN) && !(shift & ssAlt) && !GetReadOnly()) {
        FList->KeyDown(key, shift);
        if (!FList->Value().isEmpty() && FList->Value() != FList->EmptyValue()) key = 0;
        return;
    }
    if (key == VK_DELETE && shift == 0) FIgnoreChange = true;  // as Backspace
    TCustomComboEdit::KeyDown(key, shift);
    if (key == 0) FIgnoreChange = false;
}

void TZbLookupEdit::KeyPress(QChar& key) {
    // Backspace takes the completed part away and must not bring it back; a character typed
    // over the completed part completes again, on every keystroke.
    const ushort c = key.unicode();
    if (c == 8) FIgnoreChange = true;
    TCustomComboEdit::KeyPress(key);
    if (key.isNull()) FIgnoreChange = false;
}
