#include "controls/data/ZbDBComb.h"

#include "platform/forms/Beep.h"

#include <QComboBox>
#include <QLineEdit>

namespace {
bool IsListStyle(TComboBoxStyle s) { return s == csDropDownList || s == csOwnerDrawFixed || s == csOwnerDrawVariable; }
}  // namespace

TCustomDBComboBox::TCustomDBComboBox(TComponent* owner)
    : TCustomComboBox(owner), FDataLink(std::make_unique<platform::forms::TControlDataLink>(this)) {
    FDataLink->OnDataChange = [this](TObject*) { DataChange(); };
    FDataLink->OnUpdateData = [this](TObject*) { UpdateData(); };
    FDataLink->OnEditingChange = [this](TObject*) { EditingChange(); };
    FDataLink->OnActiveChange = [this](TObject*) { DataChange(); };
    UpdateEditReadOnly();
}

TCustomDBComboBox::~TCustomDBComboBox() { FDataLink->SetDataSource(nullptr); }

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
    FInChange = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FInChange};
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
        platform::forms::MessageBeep();
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

// ---------------------------------------------------------------------------------------------- with values

TZbDBComboBox::TZbDBComboBox(TComponent* owner)
    : TCustomDBComboBox(owner), FValues(std::make_unique<platform::forms::TControlStrings>([this] {
          if (FEnableValues) DataChange();
      })) {}

TZbDBComboBox::~TZbDBComboBox() = default;

void TZbDBComboBox::SetEnableValues(bool value) {
    if (value == FEnableValues) return;
    if (value && (Style() == csDropDown || Style() == csSimple)) TCustomDBComboBox::SetStyle(csDropDownList);
    FEnableValues = value;
    DataChange();
}

void TZbDBComboBox::SetStyle(TComboBoxStyle value) {
    if (FEnableValues && (value == csDropDown || value == csSimple)) value = csDropDownList;
    TCustomDBComboBox::SetStyle(value);
}

QString TZbDBComboBox::GetComboText() const {
    if ((Style() == csDropDown || Style() == csSimple) && !FEnableValues) return Text();
    int i = ItemIndex();
    if (i < 0) return QString();
    if (FEnableValues) return i < FValues->Count() ? FValues->Strings(i) : QString();
    return i < Items()->Count() ? Items()->Strings(i) : QString();
}

void TZbDBComboBox::SetComboText(const QString& value) {
    if (!FEnableValues) {
        TCustomDBComboBox::SetComboText(value);
        return;
    }
    if (value == GetComboText()) return;
    if (Style() != csDropDown) {
        int i = value.isEmpty() ? -1 : FValues->IndexOf(value);
        SetItemIndex(i < Items()->Count() ? i : -1);
        Invalidate();
        if (i >= 0) return;
    }
    if (Style() == csDropDown || Style() == csSimple) SetText(value);
}

QString TZbDBComboBox::GetPaintText() const {
    if (!FEnableValues) return TCustomDBComboBox::GetPaintText();
    TField* f = Field();
    if (!f) return QString();
    int i = FValues->IndexOf(f->Text());
    return i >= 0 && i < Items()->Count() ? Items()->Strings(i) : QString();
}
