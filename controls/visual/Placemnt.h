#pragma once
// Components a form drops on itself to save and restore its window placement between runs:
// TFormPlacement (state, position, size, active control, tracking sizes, fixed size) and
// TFormStorage (the same plus published properties of the form's components). Both write into
// an ini file or a registry branch, and tell their links (TIniLink) so that other controls save
// their layout in the same pass and store.
//
// A form built in code brackets the creation of its components with BeginLoading() and
// EndLoading(), after assigning its own OnShow, OnCloseQuery and OnDestroy handlers: on loading,
// the placement takes those three events over and calls the form's own handlers from its own.
#include "controls/visual/ZbHook.h"
#include "platform/classes/Component.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Events.h"

#include <QRect>
#include <QString>
#include <memory>
#include <vector>

class TCustomForm;
class TIniFile;
class TRegIniFile;
class TFormPlacement;

enum TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = unsigned;  // a set of TPlacementOption bits
constexpr TPlacementOptions PlacementOptions(std::initializer_list<TPlacementOption> options) {
    TPlacementOptions s = 0;
    for (TPlacementOption o : options) s |= 1u << o;
    return s;
}

// Minimum and maximum sizes of the form; all zero means no constraint.
class TWinMinMaxInfo : public TPersistent {
public:
    explicit TWinMinMaxInfo(TFormPlacement* owner) : FOwner(owner) {}

    enum TIndex { MaxPosLeftIdx, MaxPosTopIdx, MaxSizeHeightIdx, MaxSizeWidthIdx, MaxTrackHeightIdx,
                  MaxTrackWidthIdx, MinTrackHeightIdx, MinTrackWidthIdx, IndexCount };
    int GetMinMax(int index) const { return FValues[index]; }
    void SetMinMax(int index, int value);

    int MaxPosLeft() const { return FValues[MaxPosLeftIdx]; }
    int MaxPosTop() const { return FValues[MaxPosTopIdx]; }
    int MaxSizeHeight() const { return FValues[MaxSizeHeightIdx]; }
    int MaxSizeWidth() const { return FValues[MaxSizeWidthIdx]; }
    int MaxTrackHeight() const { return FValues[MaxTrackHeightIdx]; }
    int MaxTrackWidth() const { return FValues[MaxTrackWidthIdx]; }
    int MinTrackHeight() const { return FValues[MinTrackHeightIdx]; }
    int MinTrackWidth() const { return FValues[MinTrackWidthIdx]; }
    void SetMaxPosLeft(int v) { SetMinMax(MaxPosLeftIdx, v); }
    void SetMaxPosTop(int v) { SetMinMax(MaxPosTopIdx, v); }
    void SetMaxSizeHeight(int v) { SetMinMax(MaxSizeHeightIdx, v); }
    void SetMaxSizeWidth(int v) { SetMinMax(MaxSizeWidthIdx, v); }
    void SetMaxTrackHeight(int v) { SetMinMax(MaxTrackHeightIdx, v); }
    void SetMaxTrackWidth(int v) { SetMinMax(MaxTrackWidthIdx, v); }
    void SetMinTrackHeight(int v) { SetMinMax(MinTrackHeightIdx, v); }
    void SetMinTrackWidth(int v) { SetMinMax(MinTrackWidthIdx, v); }

    bool DefaultMinMaxInfo() const;
    void Assign(TPersistent* source) override;

private:
    TFormPlacement* FOwner;
    int FValues[IndexCount] = {};
};

// The link through which a control saves its layout with the form's placement.
class TIniLink : public TPersistent {
public:
    TIniLink() = default;
    ~TIniLink() override;

    TFormPlacement* Storage() const { return FStorage; }
    void SetStorage(TFormPlacement* value);
    // The placement's open store (TIniFile or TRegIniFile); none when unattached or closed.
    TObject* IniObject() const;
    // The placement's IniSection as set, followed by "\" when not empty.
    QString RootSection() const;

    virtual void SaveToIni();
    virtual void LoadFromIni();

    TNotifyEvent OnSave;
    TNotifyEvent OnLoad;

private:
    friend class TFormPlacement;
    TFormPlacement* FStorage = nullptr;
};

class TFormPlacement : public TComponent {
public:
    explicit TFormPlacement(TComponent* owner);
    ~TFormPlacement() override;

    bool Active() const { return FActive; }
    void SetActive(bool value) { FActive = value; }
    // The file as set, else the default (registry key or ini name of the executable).
    QString IniFileName() const;
    void SetIniFileName(const QString& value) { FIniFileName = value; }
    // The section as set, else the default section of the owner.
    QString IniSection() const;
    // The section exactly as set.
    QString StoredIniSection() const { return FIniSection; }
    void SetIniSection(const QString& value) { FIniSection = value; }
    bool UseRegistry() const { return FUseRegistry; }
    void SetUseRegistry(bool value) { FUseRegistry = value; }
    TPlacementOptions Options() const { return FOptions; }
    void SetOptions(TPlacementOptions value) { FOptions = value; }
    bool PreventResize() const { return FPreventResize; }
    void SetPreventResize(bool value);
    TWinMinMaxInfo* MinMaxInfo() const { return FWinMinMaxInfo.get(); }
    void SetMinMaxInfo(TWinMinMaxInfo* value) { FWinMinMaxInfo->Assign(value); }

    // The open store object, or none outside a save or restore.
    TObject* IniFileObject() const;

    void SaveFormPlacement();
    void RestoreFormPlacement();
    virtual QString ReadString(const QString& section, const QString& ident, const QString& defaultValue);
    virtual void WriteString(const QString& section, const QString& ident, const QString& value);
    void EraseSection(const QString& section);

    bool Saved() const { return FSaved; }
    bool Restored() const { return FRestored; }
    int LinkCount() const { return int(FLinks.size()); }
    TZbWindowHook* WindowHook() const { return FWinHook; }

    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

    // Told by TWinMinMaxInfo.
    void MinMaxInfoModified();

protected:
    virtual void SavePlacement();
    virtual void RestorePlacement();
    virtual void DoSave();
    virtual void DoRestore();
    void Loaded() override;

    TCustomForm* Form() const;
    bool FRestored = false;

private:
    friend class TIniLink;
    void IniNeeded();
    void IniFree();
    void AddLink(TIniLink* link);
    void RemoveLink(TIniLink* link);
    // A form shown at its maximised bounds follows their change; once none is left the window
    // system maximises it again.
    void UpdatePlacement();
    // The frame of the maximised form: the work area, with MaxPos and MaxSize where set.
    QRect MaximizedBounds() const;
    bool HasMaximizedBounds() const;
    void ApplyMaximizedBounds();
    void UpdatePreventResize();
    void CheckToggleHook();
    void ApplyConstraints();
    void ReleaseConstraints();
    void KeepOnScreen();
    void WndMessage(TObject* sender, TMessage& msg, bool& handled);
    void FormShow(TObject* sender);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void FormDestroy(TObject* sender);
    void SaveOnDestroy();

    bool FActive = true;
    QString FIniFileName;
    QString FIniSection;
    std::unique_ptr<TIniFile> FIniFile;
    bool FUseRegistry = false;
    std::unique_ptr<TRegIniFile> FRegIniFile;
    std::vector<TIniLink*> FLinks;
    TPlacementOptions FOptions = 0;
    bool FSaved = false;
    bool FDestroying = false;
    QString FDefaultSection;
    bool FPreventResize = false;
    std::unique_ptr<TWinMinMaxInfo> FWinMinMaxInfo;
    bool FDefMaximize = false;
    TZbWindowHook* FWinHook = nullptr;
    bool FEventsTaken = false;
    TNotifyEvent FSaveFormShow;
    TNotifyEvent FSaveFormDestroy;
    TCloseQueryEvent FSaveFormCloseQuery;
    // The form's own constraints while this component imposes its sizes.
    bool FConstrained = false;
    // Shown at the maximised bounds (FZoomRect) since the form was last maximised.
    bool FZoomed = false;
    QRect FZoomRect;
    bool FApplyingBounds = false;
    int FSavedConstraints[4] = {};
};

class TFormStorage : public TFormPlacement {
public:
    explicit TFormStorage(TComponent* owner);
    ~TFormStorage() override;

    TStrings* StoredProps() const { return FStoredProps.get(); }

    virtual void SaveProperties();
    virtual void RestoreProperties();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void SavePlacement() override;
    void RestorePlacement() override;

private:
    // Gives each line its component on the form; lines that name none are dropped.
    void ResolveStoredProps();
    std::unique_ptr<TStringList> FStoredProps;
};

namespace controls::visual {
// Forms of the screen, then the application's data modules, by name ignoring case; installed as
// the stored-properties owner lookup by the first form storage.
TComponent* FindStoredOwner(const QString& name);
}  // namespace controls::visual
