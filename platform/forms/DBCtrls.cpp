#include "platform/forms/DBCtrls.h"

#include "platform/forms/Beep.h"
#include "platform/forms/Host.h"
#include "platform/rtl/SysUtils.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScopedValueRollback>

using namespace platform::forms;

namespace {
bool IsEditingKey(QChar key) { return key == QChar(8) || key.unicode() >= 32; }
bool IsListStyle(TComboBoxStyle s) { return s == csDropDownList || s == csOwnerDrawFixed || s == csOwnerDrawVariable; }
}  // namespace

namespace platform::forms {

TFieldBinding::TFieldBinding(TComponent* control, std::function<void()> dataChange, std::function<void()> updateData)
    : FDataLink(std::make_unique<TFieldDataLink>()) {
    FDataLink->SetControl(control);
    if (dataChange) {
        FDataLink->OnDataChange = [dataChange](TObject*) { dataChange(); };
        FDataLink->OnActiveChange = [dataChange](TObject*) { dataChange(); };
    }
    if (updateData) FDataLink->OnUpdateData = [updateData](TObject*) { updateData(); };
}

// The link leaves its data source before the control goes, telling the control nothing: by
// now the control's own parts are gone.
TFieldBinding::~TFieldBinding() {
    FDataLink->OnDataChange = nullptr;
    FDataLink->OnActiveChange = nullptr;
    FDataLink->OnUpdateData = nullptr;
    FDataLink->OnEditingChange = nullptr;
    FDataLink->SetDataSource(nullptr);
}

}  // namespace platform::forms

// ---------------------------------------------------------------------------------------------
// TDBEdit

TDBEdit::TDBEdit(TComponent* owner) : TCustomMaskEdit(owner), TFieldBinding(this, [this] { DataChange(); }, [this] { UpdateData(); }) {
}

TDBEdit::~TDBEdit() = default;

void TDBEdit::SetReadOnly(bool v) {
    FDataLink->SetReadOnly(v);
    TCustomMaskEdit::SetReadOnly(v);
}

void TDBEdit::DataChange() {
    FSyncing = true;
    if (TField* f = FDataLink->Field()) {
        if (EditMask() != f->EditMask()) SetEditMask(f->EditMask());
        SetAlignment(f->Alignment());
        if (f->DataType() == ftString && MaxLength() == 0 && !IsMasked()) SetMaxLength(f->Size());
        // While the user works in the edit it shows the field's edit text, else its display text.
        SetText(FFocused && FDataLink->CanModify() ? f->Text() : f->DisplayText());
    } else {
        SetText(QString());
    }
    SetModified(false);
    FSyncing = false;
}

void TDBEdit::UpdateData() {
    ValidateEdit();
    if (TField* f = FDataLink->Field()) f->SetText(Text());
}

void TDBEdit::Change() {
    if (!FSyncing) FDataLink->Modified();
    TCustomMaskEdit::Change();
}

void TDBEdit::KeyDown(quint16& key, TShiftState shift) {
    TCustomMaskEdit::KeyDown(key, shift);
    if ((key == VK_DELETE || (key == VK_INSERT && (shift & ssShift))) && !FDataLink->Edit()) key = 0;
}

void TDBEdit::KeyPress(QChar& key) {
    // The field decides which characters it takes, and the data source whether editing may start.
    if (key.unicode() >= 32 && FDataLink->Field() && !FDataLink->Field()->IsValidChar(key)) {
        MessageBeep();
        key = QChar();
        return;
    }
    if (key == QChar(27)) {
        FDataLink->Reset();
        SelectAll();
        key = QChar();
        return;
    }
    if (IsEditingKey(key) && !FDataLink->Edit()) {
        key = QChar();
        return;
    }
    TCustomMaskEdit::KeyPress(key);
}

QChar TDBEdit::KeypadDecimal(QChar typed) const {
    // An amount or a rate is written with the locale's separator, which is what the field reads.
    return dynamic_cast<const TFloatField*>(FDataLink->Field()) ? FormatSettings.DecimalSeparator : typed;
}

void TDBEdit::DoEnter() {
    FFocused = true;
    if (FDataLink->Field() && FDataLink->CanModify() && !FDataLink->IsModified()) DataChange();
    TCustomMaskEdit::DoEnter();
}

void TDBEdit::DoExit() {
    // The typed text reaches the field before anyone else hears the focus went.
    FDataLink->UpdateRecord();
    FFocused = false;
    if (!FDataLink->Editing() || !FDataLink->IsModified()) DataChange();
    TCustomMaskEdit::DoExit();
}

// ---------------------------------------------------------------------------------------------
// TDBText

TDBText::TDBText(TComponent* owner) : TCustomLabel(owner), TFieldBinding(this, [this] { DataChange(); }, nullptr) {
    SetAutoSize(false);
    SetShowAccelChar(false);
}

TDBText::~TDBText() = default;

void TDBText::DataChange() {
    TField* f = FDataLink->Field();
    SetCaption(f ? f->DisplayText() : QString());
}

// ---------------------------------------------------------------------------------------------
// TDBMemo

TDBMemo::TDBMemo(TComponent* owner) : TCustomMemo(owner), TFieldBinding(this, [this] { DataChange(); }, [this] { UpdateData(); }) {
}

TDBMemo::~TDBMemo() = default;

void TDBMemo::DataChange() {
    FSyncing = true;
    TField* f = FDataLink->Field();
    SetText(f ? f->AsString() : QString());
    SetModified(false);
    FSyncing = false;
}

void TDBMemo::UpdateData() {
    if (TField* f = FDataLink->Field()) f->SetAsString(Text());
}

void TDBMemo::Change() {
    if (!FSyncing) FDataLink->Modified();
    TCustomMemo::Change();
}

void TDBMemo::KeyDown(quint16& key, TShiftState shift) {
    TCustomMemo::KeyDown(key, shift);
    if (key == VK_DELETE && !FDataLink->Edit()) key = 0;
}

void TDBMemo::KeyPress(QChar& key) {
    TCustomMemo::KeyPress(key);
    if (key == QChar(27)) {
        FDataLink->Reset();
        key = QChar();
        return;
    }
    if ((IsEditingKey(key) || key == QLatin1Char('\r')) && !FDataLink->Edit()) key = QChar();
}

void TDBMemo::DoExit() {
    FDataLink->UpdateRecord();
    TCustomMemo::DoExit();
}

// ---------------------------------------------------------------------------------------------
// TDBCheckBox

TDBCheckBox::TDBCheckBox(TComponent* owner)
    : TCustomCheckBox(owner), TFieldBinding(this, [this] { DataChange(); }, [this] { UpdateData(); }) {
}

TDBCheckBox::~TDBCheckBox() = default;

TCheckBoxState TDBCheckBox::FieldState() const {
    TField* f = FDataLink->Field();
    if (!f) return cbUnchecked;
    if (f->IsNull()) return cbGrayed;
    if (f->DataType() == ftBoolean) return f->AsBoolean() ? cbChecked : cbUnchecked;
    const QString text = f->Text();
    auto matches = [&](const QString& list) {
        for (const QString& v : list.split(QLatin1Char(';')))
            if (v.compare(text, Qt::CaseInsensitive) == 0) return true;
        return false;
    };
    if (matches(FValueChecked)) return cbChecked;
    if (matches(FValueUnchecked)) return cbUnchecked;
    return cbGrayed;
}

void TDBCheckBox::DataChange() {
    FSyncing = true;
    SetState(FieldState());
    FSyncing = false;
}

void TDBCheckBox::Toggled() {
    if (FSyncing) return;
    // The box changes only when the record may be edited; otherwise it goes back.
    if (!FDataLink->Edit()) {
        DataChange();
        return;
    }
    FDataLink->Modified();
    TCustomCheckBox::Toggled();
}

void TDBCheckBox::UpdateData() {
    TField* f = FDataLink->Field();
    if (!f) return;
    if (State() == cbGrayed)
        f->Clear();
    else if (f->DataType() == ftBoolean)
        f->SetAsBoolean(Checked());
    else
        f->SetText((Checked() ? FValueChecked : FValueUnchecked).section(QLatin1Char(';'), 0, 0));
}

void TDBCheckBox::DoExit() {
    FDataLink->UpdateRecord();
    TCustomCheckBox::DoExit();
}

// ---------------------------------------------------------------------------------------------
// TCustomDBComboBox

TCustomDBComboBox::TCustomDBComboBox(TComponent* owner)
    : TCustomComboBox(owner), TFieldBinding(this, [this] { DataChange(); }, [this] { UpdateData(); }) {
    FDataLink->OnEditingChange = [this](TObject*) { EditingChange(); };
    UpdateEditReadOnly();
}

TCustomDBComboBox::~TCustomDBComboBox() = default;

void TCustomDBComboBox::SetDataSource(TDataSource* source) {
    if (FDataLink->DataSourceFixed()) DatabaseError(QStringLiteral("Operation not allowed in a DBCtrlGrid"), this);
    FDataLink->SetDataSource(source);
    if (source) source->FreeNotification(this);
}

void TCustomDBComboBox::Notification(TComponent* component, TOperation operation) {
    TCustomComboBox::Notification(component, operation);
    if (operation == opRemove && FDataLink && component == FDataLink->DataSource()) FDataLink->SetDataSource(nullptr);
}

void TCustomDBComboBox::Loaded() {
    TCustomComboBox::Loaded();
    if (ComponentState() & csDesigning) DataChange();
}

void TCustomDBComboBox::SetItems(TStrings* value) {
    Items()->Assign(value);
    DataChange();
}

void TCustomDBComboBox::SetStyle(TComboBoxStyle value) {
    if (value == csSimple && FDataLink->DataSourceFixed())
        DatabaseError(QStringLiteral("Control cannot be used in a DBCtrlGrid"), this);
    TCustomComboBox::SetStyle(value);
    UpdateEditReadOnly();
    DataChange();
}

QString TCustomDBComboBox::GetComboText() const {
    if (IsListStyle(Style())) {
        int i = ItemIndex();
        return i >= 0 && i < Items()->Count() ? Items()->Strings(i) : QString();
    }
    return Text();
}

void TCustomDBComboBox::SetComboText(const QString& value) {
    if (value == GetComboText()) return;
    if (Style() != csDropDown) {
        int i = value.isEmpty() ? -1 : Items()->IndexOf(value);
        SetItemIndex(i);
        Invalidate();
        if (i >= 0) return;
    }
    if (Style() == csDropDown || Style() == csSimple) SetText(value);
}

QString TCustomDBComboBox::GetPaintText() const {
    TField* f = FDataLink->Field();
    return f ? f->DisplayText() : QString();
}

void TCustomDBComboBox::DataChange() {
    // Entering edit re-reads the record: the user's choice being made stays.
    if (DroppedDown() || FInChange) return;
    TField* f = FDataLink->Field();
    if (f) SetComboText(f->DisplayText());
    else if (ComponentState() & csDesigning) SetComboText(Name());
    else SetComboText(QString());
}

void TCustomDBComboBox::UpdateData() {
    if (TField* f = FDataLink->Field()) f->SetText(GetComboText());
}

void TCustomDBComboBox::EditingChange() { UpdateEditReadOnly(); }

// The edit part takes typing only while the record is being edited.
void TCustomDBComboBox::UpdateEditReadOnly() {
    if ((Style() == csDropDown || Style() == csSimple) && ComboBox()->lineEdit())
        ComboBox()->lineEdit()->setReadOnly(!FDataLink->Editing());
}

void TCustomDBComboBox::Change() {
    // The platform combo reports a chosen item as a change; it is the click as well.
    if (FInChange) return;
    const QScopedValueRollback<bool> changing(FInChange, true);
    if (FDataLink->Field() && !FDataLink->Edit()) {
        // The record cannot be edited: the control shows the field again.
        FInChange = false;
        DataChange();
        return;
    }
    TCustomComboBox::Change();
    FDataLink->Modified();
}

void TCustomDBComboBox::Click() {
    FDataLink->Edit();
    TCustomComboBox::Click();
    FDataLink->Modified();
}

void TCustomDBComboBox::KeyDown(quint16& key, TShiftState shift) {
    TCustomComboBox::KeyDown(key, shift);
    if (key == VK_BACK || (key >= 32 && key <= 255)) {
        if (!FDataLink->Edit() && (key == VK_UP || key == VK_DOWN)) key = 0;
    }
}

void TCustomDBComboBox::KeyPress(QChar& key) {
    TCustomComboBox::KeyPress(key);
    const ushort c = key.unicode();
    if (c >= 32 && c <= 255 && FDataLink->Field() && !FDataLink->Field()->IsValidChar(key)) {
        MessageBeep();
        key = QChar();
        return;
    }
    if (c == 27) {
        FDataLink->Reset();
        if (ComboBox()->lineEdit()) ComboBox()->lineEdit()->selectAll();
        key = QChar();
        return;
    }
    if (c == 8 || c == 22 || c == 24 || (c >= 32 && c <= 255)) {
        if (!FDataLink->Edit()) key = QChar();
    }
}

void TCustomDBComboBox::DoExit() {
    // An error writing the value keeps the focus here (the exit does not complete).
    FDataLink->UpdateRecord();
    TCustomComboBox::DoExit();
}

// ---------------------------------------------------------------------------------------------
// TDBRadioGroup

TDBRadioGroup::TDBRadioGroup(TComponent* owner)
    : TCustomRadioGroup(owner), TFieldBinding(this, [this] { DataChange(); }, [this] { UpdateData(); }),
      FValues(std::make_unique<TStringList>()) {
}

TDBRadioGroup::~TDBRadioGroup() = default;

QString TDBRadioGroup::ItemValue(int index) const {
    if (index < 0) return {};
    if (index < FValues->Count()) return FValues->Strings(index);
    return index < Items()->Count() ? Items()->Strings(index) : QString();
}

void TDBRadioGroup::SetValue(const QString& v) {
    const QString old = FValue;
    FValue = v;
    int index = -1;
    for (int i = 0; i < Items()->Count(); ++i)
        if (ItemValue(i) == v) index = i;
    FSyncing = true;
    TCustomRadioGroup::SetItemIndex(index);
    FSyncing = false;
    if (old != v) OnChange(this);
}

void TDBRadioGroup::DataChange() {
    TField* f = FDataLink->Field();
    SetValue(f ? f->Text() : QString());
}

void TDBRadioGroup::UpdateData() {
    if (TField* f = FDataLink->Field()) f->SetText(FValue);
}

void TDBRadioGroup::ButtonClicked(int index) {
    if (FSyncing) return;
    if (!FDataLink->Edit()) {
        DataChange();  // the record cannot change: the old choice comes back
        return;
    }
    TCustomRadioGroup::ButtonClicked(index);
    const QString old = FValue;
    FValue = ItemValue(index);
    FDataLink->Modified();
    if (old != FValue) OnChange(this);
}

void TDBRadioGroup::DoExit() {
    FDataLink->UpdateRecord();
    TCustomRadioGroup::DoExit();
}

// ---------------------------------------------------------------------------------------------
// TDBLookupComboBox

class TDBLookupComboBox::TListLink : public TDataLink {
public:
    explicit TListLink(TDBLookupComboBox* owner) : FOwner(owner) {}

protected:
    void ActiveChanged() override { FOwner->ListChanged(); }
    void DataSetChanged() override {}
    void LayoutChanged() override { FOwner->ListChanged(); }

private:
    TDBLookupComboBox* FOwner;
};

TDBLookupComboBox::TDBLookupComboBox(TComponent* owner)
    : TWinControl(owner), TFieldBinding(this, [this] { DataChange(); }, [this] { UpdateData(); }),
      FListLink(std::make_unique<TListLink>(this)) {
    auto* cb = new THost<QComboBox>(this);
    SetWidget(cb);
    cb->setFocusPolicy(Qt::StrongFocus);
    cb->setEditable(false);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
    QObject::connect(cb, &QComboBox::activated, cb, [this](int index) { Guarded(this, [&] { Select(index); }); });
}

TDBLookupComboBox::~TDBLookupComboBox() { FListLink->SetDataSource(nullptr); }

QComboBox* TDBLookupComboBox::ComboBox() const { return static_cast<QComboBox*>(FWidget); }

void TDBLookupComboBox::SetListSource(TDataSource* source) {
    FListLink->SetDataSource(source);
    ListChanged();
}

void TDBLookupComboBox::ListChanged() {
    FSyncing = true;
    ComboBox()->clear();
    FKeys.clear();
    TDataSet* ds = FListLink->DataSet();
    if (ds && ds->Active() && !FKeyField.isEmpty() && !FListField.isEmpty()) {
        TField* key = ds->FindField(FKeyField);
        TField* shown = ds->FindField(FListField.section(QLatin1Char(';'), 0, 0));
        if (key && shown) {
            // The list dataset is walked once and put back where it was.
            const TBookmark mark = ds->GetBookmark();
            ds->DisableControls();
            try {
                for (ds->First(); !ds->Eof(); ds->Next()) {
                    FKeys.push_back(key->Value());
                    ComboBox()->addItem(shown->DisplayText());
                }
            } catch (...) {
                ds->EnableControls();
                FSyncing = false;
                throw;
            }
            if (ds->BookmarkValid(mark)) ds->GotoBookmark(mark);
            ds->EnableControls();
        }
    }
    FSyncing = false;
    SetKeyValue(FKeyValue);
}

void TDBLookupComboBox::SetKeyValue(const Variant& v) {
    FKeyValue = v;
    int index = -1;
    for (size_t i = 0; i < FKeys.size(); ++i)
        if (!v.IsNullOrEmpty() && FKeys[i].AsString() == v.AsString()) index = int(i);
    FSyncing = true;
    ComboBox()->setCurrentIndex(index);
    FSyncing = false;
    if (index >= 0 && !FDataLink->DataSource()) LocateKey();
}

void TDBLookupComboBox::Select(int index) {
    if (FSyncing || index < 0 || index >= int(FKeys.size())) return;
    if (FDataLink->DataSource() && FDataLink->Field()) {
        if (!FDataLink->Edit()) {
            DataChange();
            return;
        }
        FKeyValue = FKeys[size_t(index)];
        FDataLink->Modified();
        FDataLink->UpdateRecord();
    } else {
        FKeyValue = FKeys[size_t(index)];
    }
    LocateKey();
    Click();
    OnCloseUp(this);
}

void TDBLookupComboBox::LocateKey() {
    // The list dataset stands on the chosen row, where a form without a data source reads it.
    TDataSet* ds = FListLink->DataSet();
    if (!ds || !ds->Active() || FKeyValue.IsNullOrEmpty() || !ds->FindField(FKeyField)) return;
    TField* key = ds->FieldByName(FKeyField);
    if (!ds->IsEmpty() && key->AsString() == FKeyValue.AsString()) return;
    ds->Locate(FKeyField, FKeyValue, 0);
}

void TDBLookupComboBox::DataChange() {
    TField* f = FDataLink->Field();
    SetKeyValue(f && !f->IsNull() ? f->Value() : Variant::Null());
}

void TDBLookupComboBox::UpdateData() {
    if (TField* f = FDataLink->Field()) f->SetValue(FKeyValue);
}

QString TDBLookupComboBox::GetText() const { return ComboBox()->currentText(); }

void TDBLookupComboBox::DoExit() {
    FDataLink->UpdateRecord();
    TWinControl::DoExit();
}

bool TDBLookupComboBox::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_UP || key == VK_DOWN) return true;
    return TWinControl::WantsKey(key, shift);
}
