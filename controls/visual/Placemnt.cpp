#include "controls/visual/Placemnt.h"

#include "controls/visual/IniHelpers.h"
#include "controls/visual/PropsStorage.h"
#include "platform/classes/IniFiles.h"
#include "platform/classes/Registry.h"
#include "platform/forms/Forms.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TWinMinMaxInfo

void TWinMinMaxInfo::SetMinMax(int index, int value) {
    if (index < 0 || index >= IndexCount || FValues[index] == value)
        return;
    FValues[index] = value;
    if (FOwner)
        FOwner->MinMaxInfoModified();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
    return std::all_of(std::begin(FValues), std::end(FValues), [](int v) { return v == 0; });
}

void TWinMinMaxInfo::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TWinMinMaxInfo*>(source)) {
        std::copy(std::begin(other->FValues), std::end(other->FValues), std::begin(FValues));
        if (FOwner)
            FOwner->MinMaxInfoModified();
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TIniLink

TIniLink::~TIniLink() {
    OnSave = nullptr;
    OnLoad = nullptr;
    SetStorage(nullptr);
}

void TIniLink::SetStorage(TFormPlacement* value) {
    if (FStorage)
        FStorage->RemoveLink(this);
    if (value)
        value->AddLink(this);
}

TObject* TIniLink::IniObject() const { return FStorage ? FStorage->IniFileObject() : nullptr; }

QString TIniLink::RootSection() const {
    if (!FStorage)
        return QString();
    const QString section = FStorage->StoredIniSection();
    return section.isEmpty() ? QString() : section + QLatin1Char('\\');
}

void TIniLink::SaveToIni() {
    if (OnSave)
        OnSave(this);
}

void TIniLink::LoadFromIni() {
    if (OnLoad)
        OnLoad(this);
}

// ---------------------------------------------------------------------------------------------
// TFormPlacement

TFormPlacement::TFormPlacement(TComponent* owner)
    : TComponent(owner), FWinMinMaxInfo(std::make_unique<TWinMinMaxInfo>(this)) {
    if (dynamic_cast<TCustomForm*>(owner))
        FOptions = PlacementOptions({fpState, fpPosition});
    // Not owned by the form: it belongs to this component, which frees it.
    FWinHook = new TZbWindowHook(nullptr);
    FWinHook->AfterMessage = THookMessageEvent(this, &TFormPlacement::WndMessage);
}

TFormPlacement::~TFormPlacement() {
    SaveOnDestroy();
    IniFree();
    while (!FLinks.empty())
        RemoveLink(FLinks.back());
    if (!HasState(csDesigning)) {
        ReleaseConstraints();
        FWinHook->SetWinControl(nullptr);
        if (FEventsTaken)
            if (TCustomForm* form = Form()) {
                form->OnShow = FSaveFormShow;
                form->OnDestroy = FSaveFormDestroy;
                form->OnCloseQuery = FSaveFormCloseQuery;
            }
    }
    delete FWinHook;
}

TCustomForm* TFormPlacement::Form() const { return dynamic_cast<TCustomForm*>(Owner()); }

QString TFormPlacement::IniFileName() const {
    if (!FIniFileName.isEmpty() || HasState(csDesigning))
        return FIniFileName;
    return FUseRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
}

QString TFormPlacement::IniSection() const {
    if (!FIniSection.isEmpty() || HasState(csDesigning))
        return FIniSection;
    // While the form is being destroyed its class is no longer its own: the name taken when it
    // was restored stands.
    if (FDestroying && !FDefaultSection.isEmpty())
        return FDefaultSection;
    return GetDefaultSection(Owner());
}

TObject* TFormPlacement::IniFileObject() const {
    if (FUseRegistry)
        return FRegIniFile.get();
    return FIniFile.get();
}

void TFormPlacement::IniNeeded() {
    if (FUseRegistry) {
        if (!FRegIniFile)
            FRegIniFile = std::make_unique<TRegIniFile>(IniFileName());
    } else if (!FIniFile) {
        FIniFile = std::make_unique<TIniFile>(IniFileName());
    }
}

void TFormPlacement::IniFree() {
    FIniFile.reset();
    FRegIniFile.reset();
}

void TFormPlacement::AddLink(TIniLink* link) {
    FLinks.push_back(link);
    link->FStorage = this;
}

void TFormPlacement::RemoveLink(TIniLink* link) {
    link->FStorage = nullptr;
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
}

QString TFormPlacement::ReadString(const QString& section, const QString& ident, const QString& defaultValue) {
    if (IniFileObject())
        return IniReadString(IniFileObject(), section, ident, defaultValue);
    IniNeeded();
    QString result;
    try {
        result = IniReadString(IniFileObject(), section, ident, defaultValue);
    } catch (...) {
        IniFree();
        throw;
    }
    IniFree();
    return result;
}

void TFormPlacement::WriteString(const QString& section, const QString& ident, const QString& value) {
    if (IniFileObject()) {
        IniWriteString(IniFileObject(), section, ident, value);
        return;
    }
    IniNeeded();
    try {
        IniWriteString(IniFileObject(), section, ident, value);
    } catch (...) {
        IniFree();
        throw;
    }
    IniFree();
}

void TFormPlacement::EraseSection(const QString& section) {
    if (IniFileObject()) {
        IniEraseSection(IniFileObject(), section);
        return;
    }
    IniNeeded();
    try {
        IniEraseSection(IniFileObject(), section);
    } catch (...) {
        IniFree();
        throw;
    }
    IniFree();
}

void TFormPlacement::SaveFormPlacement() {
    // A form that was never shown keeps what is stored.
    if (FActive && !FRestored)
        return;
    IniNeeded();
    try {
        SavePlacement();
        DoSave();
        FSaved = true;
    } catch (...) {
        IniFree();
        throw;
    }
    IniFree();
}

void TFormPlacement::RestoreFormPlacement() {
    FSaved = false;
    FDefaultSection = GetDefaultSection(Owner());
    IniNeeded();
    try {
        RestorePlacement();
        FRestored = true;
        DoRestore();
        TCustomForm* form = Form();
        if ((FOptions & (1u << fpActiveControl)) && form) {
            const QString name = IniReadString(IniFileObject(), IniSection(), QStringLiteral("ActiveControl"), QString());
            if (auto* control = dynamic_cast<TWinControl*>(form->FindComponent(name)); control && !name.isEmpty())
                if (control->CanFocus())
                    form->SetActiveControl(control);
        }
    } catch (...) {
        IniFree();
        throw;
    }
    IniFree();
    UpdatePlacement();
}

void TFormPlacement::SavePlacement() {
    TCustomForm* form = Form();
    if (form) {
        const QString section = IniSection();
        WriteFormPlacement(form, IniFileObject(), section);
        if ((FOptions & (1u << fpActiveControl)) && form->ActiveControl())
            IniWriteString(IniFileObject(), section, QStringLiteral("ActiveControl"), form->ActiveControl()->Name());
        IniWriteInteger(IniFileObject(), section, QStringLiteral("Visible"), FDestroying ? 1 : 0);
    }
    const auto links = FLinks;
    for (TIniLink* link : links)
        link->SaveToIni();
}

void TFormPlacement::RestorePlacement() {
    if (TCustomForm* form = Form()) {
        const bool position = FOptions & (1u << fpPosition);
        ReadFormPlacement(form, IniFileObject(), IniSection(), FOptions & (1u << fpState), position);
        if (position)
            KeepOnScreen();
    }
    const auto links = FLinks;
    for (TIniLink* link : links)
        link->LoadFromIni();
}

void TFormPlacement::KeepOnScreen() {
    // A placement saved with another monitor arrangement may lie where no screen is now.
    TCustomForm* form = Form();
    const auto screens = QGuiApplication::screens();
    if (!form || screens.isEmpty())
        return;
    const QRect window(form->Left(), form->Top(), form->Width(), form->Height());
    for (const QScreen* screen : screens) {
        const QRect area = screen->availableGeometry();
        const QRect seen = area.intersected(window);
        // Enough of the window's top edge to take hold of it.
        if (window.top() >= area.top() && window.top() < area.bottom() && seen.width() >= std::min(100, window.width()) &&
            seen.height() >= std::min(24, window.height()))
            return;
    }
    const TRect area = Screen->WorkAreaRect();
    const int width = std::min(form->Width(), area.Width());
    const int height = std::min(form->Height(), area.Height());
    const int left = std::clamp(form->Left(), area.Left, area.Right - width);
    const int top = std::clamp(form->Top(), area.Top, area.Bottom - height);
    form->SetBounds(left, top, width, height);
}

void TFormPlacement::DoSave() {
    if (OnSavePlacement)
        OnSavePlacement(this);
}

void TFormPlacement::DoRestore() {
    if (OnRestorePlacement)
        OnRestorePlacement(this);
}

void TFormPlacement::Loaded() {
    // Made while its form was being loaded: the form's events are taken over now.
    const bool loading = HasState(csLoading) || (Owner() && Owner()->HasState(csLoading));
    TComponent::Loaded();
    if (HasState(csDesigning))
        return;
    TCustomForm* form = Form();
    if (loading && form && !FEventsTaken) {
        FSaveFormShow = form->OnShow;
        form->OnShow = TNotifyEvent(this, &TFormPlacement::FormShow);
        FSaveFormCloseQuery = form->OnCloseQuery;
        form->OnCloseQuery = TCloseQueryEvent(this, &TFormPlacement::FormCloseQuery);
        FSaveFormDestroy = form->OnDestroy;
        form->OnDestroy = TNotifyEvent(this, &TFormPlacement::FormDestroy);
        FEventsTaken = true;
        FDefMaximize = (form->BorderIcons() & biMaximize) != 0;
    }
    if (FPreventResize)
        UpdatePreventResize();
    CheckToggleHook();
}

void TFormPlacement::SetPreventResize(bool value) {
    if (!Form() || value == FPreventResize)
        return;
    FPreventResize = value;
    UpdatePlacement();
    UpdatePreventResize();
}

void TFormPlacement::UpdatePreventResize() {
    TCustomForm* form = Form();
    if (!form || HasState(csDesigning))
        return;
    if (FPreventResize)
        FDefMaximize = (form->BorderIcons() & biMaximize) != 0;
    const bool wasActive = FActive;
    FActive = false;
    if (!FPreventResize && FDefMaximize && form->BorderStyle() != bsDialog)
        form->SetBorderIcons(form->BorderIcons() | biMaximize);
    else
        form->SetBorderIcons(form->BorderIcons() & ~TBorderIcons(biMaximize));
    FActive = wasActive;
    if (!HasState(csLoading))
        CheckToggleHook();
}

void TFormPlacement::MinMaxInfoModified() {
    if (HasState(csLoading))
        return;
    CheckToggleHook();
    UpdatePlacement();
}

void TFormPlacement::CheckToggleHook() {
    TCustomForm* form = Form();
    if (form && (FPreventResize || !FWinMinMaxInfo->DefaultMinMaxInfo())) {
        FWinHook->SetWinControl(form);
        FWinHook->SetActive(true);
        ApplyConstraints();
    } else {
        FWinHook->SetWinControl(nullptr);
        ReleaseConstraints();
    }
}

void TFormPlacement::ApplyConstraints() {
    // The window system asks a window for its tracking sizes; here they are the form's
    // constraints, which the window keeps while it is dragged.
    TCustomForm* form = Form();
    if (!form)
        return;
    TSizeConstraints* c = form->Constraints();
    if (!FConstrained) {
        FSavedConstraints[0] = c->MinWidth();
        FSavedConstraints[1] = c->MinHeight();
        FSavedConstraints[2] = c->MaxWidth();
        FSavedConstraints[3] = c->MaxHeight();
        FConstrained = true;
    }
    if (FPreventResize) {
        c->SetMinWidth(form->Width());
        c->SetMinHeight(form->Height());
        c->SetMaxWidth(form->Width());
        c->SetMaxHeight(form->Height());
        return;
    }
    const TWinMinMaxInfo& info = *FWinMinMaxInfo;
    c->SetMinWidth(info.MinTrackWidth() ? info.MinTrackWidth() : FSavedConstraints[0]);
    c->SetMinHeight(info.MinTrackHeight() ? info.MinTrackHeight() : FSavedConstraints[1]);
    c->SetMaxWidth(info.MaxTrackWidth() ? info.MaxTrackWidth() : FSavedConstraints[2]);
    c->SetMaxHeight(info.MaxTrackHeight() ? info.MaxTrackHeight() : FSavedConstraints[3]);
}

void TFormPlacement::ReleaseConstraints() {
    if (!FConstrained)
        return;
    FConstrained = false;
    if (TCustomForm* form = Form()) {
        TSizeConstraints* c = form->Constraints();
        c->SetMinWidth(FSavedConstraints[0]);
        c->SetMinHeight(FSavedConstraints[1]);
        c->SetMaxWidth(FSavedConstraints[2]);
        c->SetMaxHeight(FSavedConstraints[3]);
    }
}

void TFormPlacement::WndMessage(TObject*, TMessage& msg, bool&) {
    TCustomForm* form = Form();
    if (!form || !form->Widget() || (!FPreventResize && FWinMinMaxInfo->DefaultMinMaxInfo()))
        return;
    // Showing is when the window takes its tracking sizes: a fixed form keeps the size it has then.
    if (msg.Msg == QEvent::Show) {
        ApplyConstraints();
        msg.Result = 1;
        return;
    }
    if (FPreventResize || FApplyingBounds)
        return;
    switch (msg.Msg) {
    case QEvent::WindowStateChange:
        // The window system maximises a window over the work area; the bounds given here
        // replace its own.
        if (form->Widget()->isMaximized())
            ApplyMaximizedBounds();
        break;
    case QEvent::Resize:
    case QEvent::Move:
        // Moved or sized by the user: no longer shown at the maximised bounds.
        if (FZoomed && form->Widget()->frameGeometry() != FZoomRect)
            FZoomed = false;
        break;
    default: break;
    }
}

QRect TFormPlacement::MaximizedBounds() const {
    const TRect area = Screen->WorkAreaRect();
    const TWinMinMaxInfo& info = *FWinMinMaxInfo;
    return QRect(info.MaxPosLeft() ? info.MaxPosLeft() : area.Left, info.MaxPosTop() ? info.MaxPosTop() : area.Top,
                 info.MaxSizeWidth() ? info.MaxSizeWidth() : area.Width(),
                 info.MaxSizeHeight() ? info.MaxSizeHeight() : area.Height());
}

bool TFormPlacement::HasMaximizedBounds() const {
    const TWinMinMaxInfo& info = *FWinMinMaxInfo;
    return info.MaxPosLeft() || info.MaxPosTop() || info.MaxSizeWidth() || info.MaxSizeHeight();
}

void TFormPlacement::ApplyMaximizedBounds() {
    QWidget* w = Form() ? Form()->Widget() : nullptr;
    if (!w || !HasMaximizedBounds())
        return;
    const QRect bounds = MaximizedBounds();
    // A window the window system keeps maximised cannot take bounds of its own: it is shown at
    // them as a normal window instead.
    FApplyingBounds = true;
    try {
        if (w->isMaximized())
            w->setWindowState(w->windowState() & ~Qt::WindowMaximized);
        const QRect inner = w->geometry(), outer = w->frameGeometry();
        w->setGeometry(bounds.adjusted(inner.left() - outer.left(), inner.top() - outer.top(),
                                       inner.right() - outer.right(), inner.bottom() - outer.bottom()));
    } catch (...) {
        FApplyingBounds = false;
        throw;
    }
    FApplyingBounds = false;
    FZoomed = true;
    FZoomRect = w->frameGeometry();
}

void TFormPlacement::UpdatePlacement() {
    TCustomForm* form = Form();
    if (!form || !form->Widget() || HasState(csDesigning) || HasState(csLoading) || form->HasState(csLoading) ||
        FPreventResize)
        return;
    if (!FZoomed)
        return;
    if (HasMaximizedBounds()) {
        // Other bounds: the form moves to them at once.
        ApplyMaximizedBounds();
    } else if (FWinMinMaxInfo->DefaultMinMaxInfo()) {
        // None left: the window system maximises the form as it does any window.
        FZoomed = false;
        form->Widget()->setWindowState(form->Widget()->windowState() | Qt::WindowMaximized);
    }
}

void TFormPlacement::FormShow(TObject* sender) {
    if (FActive) {
        try {
            RestoreFormPlacement();
        } catch (...) {
            Application->HandleException(this);
        }
    }
    FSaveFormShow(sender);
}

void TFormPlacement::FormCloseQuery(TObject* sender, bool& canClose) {
    FSaveFormCloseQuery(sender, canClose);
    TCustomForm* form = Form();
    if (canClose && FActive && form && form->Widget()) {
        try {
            SaveFormPlacement();
        } catch (...) {
            Application->HandleException(this);
        }
    }
}

void TFormPlacement::FormDestroy(TObject* sender) {
    if (FActive && !FSaved) {
        FDestroying = true;
        try {
            SaveFormPlacement();
        } catch (...) {
            Application->HandleException(this);
        }
        FDestroying = false;
    }
    FSaveFormDestroy(sender);
}

void TFormPlacement::SaveOnDestroy() {
    // A form that frees its components before its own OnDestroy runs still saves once.
    if (!FEventsTaken || !FActive || FSaved || !FRestored || !Form())
        return;
    FDestroying = true;
    try {
        SaveFormPlacement();
    } catch (...) {
        Application->HandleException(this);
    }
    FDestroying = false;
}

// ---------------------------------------------------------------------------------------------
// TFormStorage

namespace controls::visual {
TComponent* FindStoredOwner(const QString& name) {
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->Name().compare(name, Qt::CaseInsensitive) == 0)
            return Screen->Forms(i);
    TApplication* app = Application;
    for (int i = 0; i < app->ComponentCount(); ++i) {
        TComponent* c = app->Components(i);
        if (!dynamic_cast<TCustomForm*>(c) && c->Name().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    }
    return nullptr;
}
}  // namespace controls::visual

namespace {
bool SplitStoredLine(const QString& line, QString& component, QString& property) {
    const qsizetype dot = line.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    component = line.left(dot).trimmed();
    property = line.mid(dot + 1).trimmed();
    return !component.isEmpty() && !property.isEmpty();
}
}  // namespace

TFormStorage::TFormStorage(TComponent* owner) : TFormPlacement(owner), FStoredProps(std::make_unique<TStringList>()) {
    static const bool lookupInstalled = [] {
        controls::visual::SetStoredOwnerLookup(&controls::visual::FindStoredOwner);
        return true;
    }();
    (void)lookupInstalled;
}

TFormStorage::~TFormStorage() = default;

void TFormStorage::ResolveStoredProps() {
    TComponent* root = Owner();
    for (int i = FStoredProps->Count() - 1; i >= 0; --i) {
        QString compName, propName;
        TComponent* component = nullptr;
        if (SplitStoredLine(FStoredProps->Strings(i), compName, propName) && root)
            component = root->FindComponent(compName);
        if (!component) {
            FStoredProps->Delete(i);
            continue;
        }
        FStoredProps->PutObject(i, component);
        component->FreeNotification(this);
    }
}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
    if (!HasState(csDesigning))
        ResolveStoredProps();
}

void TFormStorage::Notification(TComponent* component, TOperation operation) {
    TFormPlacement::Notification(component, operation);
    if (operation != opRemove || HasState(csDestroying) || !FStoredProps)
        return;
    for (int i = FStoredProps->Count() - 1; i >= 0; --i)
        if (FStoredProps->Objects(i) == component)
            FStoredProps->Delete(i);
}

void TFormStorage::SavePlacement() {
    TFormPlacement::SavePlacement();
    SaveProperties();
}

void TFormStorage::RestorePlacement() {
    TFormPlacement::RestorePlacement();
    FRestored = true;
    RestoreProperties();
}

void TFormStorage::SaveProperties() {
    TPropsStorage storage;
    storage.SetSection(IniSection());
    storage.OnWriteString = [this](const QString& s, const QString& k, const QString& v) { WriteString(s, k, v); };
    storage.OnEraseSection = [this](const QString& s) { EraseSection(s); };
    storage.StoreObjectsProps(Owner(), FStoredProps.get());
}

void TFormStorage::RestoreProperties() {
    TPropsStorage storage;
    storage.SetSection(IniSection());
    storage.OnReadString = [this](const QString& s, const QString& k, const QString& d) { return ReadString(s, k, d); };
    storage.LoadObjectsProps(Owner(), FStoredProps.get());
}
