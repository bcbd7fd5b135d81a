#pragma once
// Menus: a tree of items ("&" marks the accelerator, "-" is a separator) shown as the form's menu
// bar or as a popup menu; shortcuts are looked up by the form before the focused control.
#include "platform/classes/Component.h"
#include "platform/forms/Controls.h"
#include "platform/rtl/Exceptions.h"

#include <QString>
#include <vector>

class QAction;
class QKeyEvent;
class QMenu;
class QMenuBar;
class TCustomForm;

ZB_EXCEPTION(EMenuError, Exception)

using TShortCut = quint16;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;

TShortCut ShortCut(quint16 key, TShiftState shift);
// "Ctrl+N", "Shift+F5", "Ctrl+Supr"... and back; an unknown text gives 0.
QString ShortCutToText(TShortCut shortCut);
TShortCut TextToShortCut(const QString& text);
// The accelerator character of a caption ("&Nuevo" -> 'N'), or null.
QChar GetHotkey(const QString& caption);
QString StripHotkey(const QString& caption);
bool IsAccel(QChar key, const QString& caption);

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
enum TPopupAlignment { paLeft, paRight, paCenter };

class TMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& v);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut v);
    bool Checked() const { return FChecked; }
    void SetChecked(bool v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool v);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int v) { FGroupIndex = v; }
    bool Default() const { return FDefault; }
    void SetDefault(bool v);
    TMenuBreak Break() const { return FBreak; }
    void SetBreak(TMenuBreak v) { FBreak = v; }
    QString Hint() const { return FHint; }
    void SetHint(const QString& v) { FHint = v; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v) { FImageIndex = v; }
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int v) { FHelpContext = v; }
    // A number unique among the program's items.
    int Command() const { return FCommand; }
    bool IsLine() const { return FCaption == QLatin1String("-"); }

    int Count() const { return int(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(size_t(index)); }
    TMenuItem* Parent() const { return FParent; }
    int IndexOf(const TMenuItem* item) const;
    int MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Delete(int index);
    void Remove(TMenuItem* item);
    void Clear();
    TMenuItem* Find(const QString& caption) const;
    // The menu whose tree holds this item.
    TMenu* GetParentMenu() const;

    virtual void Click();
    TNotifyEvent OnClick;

    // Builds the Qt menu of this item's children (the popup of a submenu or of a popup menu).
    virtual void FillQtMenu(QMenu* menu);

private:
    friend class TMenu;
    void Changed();
    // A change of this item's caption or state, not of the menu's shape.
    void StateChanged();

    QString FCaption;
    TShortCut FShortCut = 0;
    bool FChecked = false, FEnabled = true, FVisible = true, FRadioItem = false, FDefault = false;
    int FGroupIndex = 0;
    TMenuBreak FBreak = mbNone;
    QString FHint;
    int FImageIndex = -1;
    int FHelpContext = 0;
    int FCommand;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;  // set on the root item
    std::vector<TMenuItem*> FItems;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;
    TMenuItem* Items() const { return FItems; }
    // Runs the item with this shortcut when it and its parents are enabled; true when found.
    bool IsShortCut(TShortCut shortCut);
    TMenuItem* FindItem(int value, bool byCommand = true) const;
    // The items changed (added, removed, shown, hidden): the Qt side is brought up to date.
    virtual void MenuChanged() {}
    // One item of the top row changed its caption or state: only its own action follows.
    virtual void ItemChanged(TMenuItem*) { MenuChanged(); }

    // An item of this menu was highlighted in an open menu, or (none) the menu closed: the
    // application's hint follows it.
    virtual void MenuSelect(TMenuItem* item);
    // A key pressed while the children of `parent` are shown in `menu`; true when handled here.
    virtual bool MenuKey(TMenuItem* parent, QMenu* menu, QKeyEvent* key);
    // The item of one of this menu's actions (none for a separator or a foreign action).
    TMenuItem* ItemOfAction(const QAction* action) const;

private:
    TMenuItem* FItems;
};

class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* owner);
    ~TMainMenu() override;
    void MenuChanged() override;
    void ItemChanged(TMenuItem* item) override;
    // Internal: shows this menu as the bar of a form.
    void AttachToForm(TCustomForm* form);
    void DetachFromForm(TCustomForm* form);

private:
    void Rebuild();
    static void ShowState(TMenuItem* item, QAction* action);
    TCustomForm* FForm = nullptr;
    QMenuBar* FBar = nullptr;
    std::vector<std::pair<TMenuItem*, QAction*>> FActions;  // the bar's action of each top item
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool v) { FAutoPopup = v; }
    TPopupAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment v) { FAlignment = v; }
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* c) { FPopupComponent = c; }

    // Fires OnPopup and shows the menu at the screen point; returns when it closes. Under the
    // test harness the menu is not shown (the test clicks the items it wants).
    virtual void Popup(int x, int y);
    TNotifyEvent OnPopup;
    // How many times the menu has been popped up (the harness reads it).
    int PopupCount() const { return FPopupCount; }

private:
    bool FAutoPopup = true;
    TPopupAlignment FAlignment = paLeft;
    TComponent* FPopupComponent = nullptr;
    int FPopupCount = 0;
};
