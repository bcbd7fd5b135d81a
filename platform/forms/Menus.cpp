#include "platform/forms/Menus.h"

#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <QActionGroup>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <algorithm>

using namespace platform::forms;

namespace {
int gNextCommand = 1;

struct TKeyName {
    quint16 Key;
    const char* Name;
};
// Names as a Spanish workstation shows them in menus.
const TKeyName kKeyNames[] = {
    {VK_BACK, "Retroceso"}, {VK_TAB, "Tab"},        {VK_RETURN, "Entrar"}, {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Espacio"},  {VK_PRIOR, "RePág"},    {VK_NEXT, "AvPág"},    {VK_END, "Fin"},
    {VK_HOME, "Inicio"},    {VK_LEFT, "Izquierda"}, {VK_UP, "Arriba"},     {VK_RIGHT, "Derecha"},
    {VK_DOWN, "Abajo"},     {VK_INSERT, "Insert"},  {VK_DELETE, "Supr"},
};
// Hands the keys and the closing of a Qt menu to the menu its items belong to.
class TMenuWatch : public QObject {
public:
    TMenuWatch(QMenu* menu, TMenuItem* parent) : QObject(menu), FParent(parent) { setObjectName(Name()); }
    static QString Name() { return QStringLiteral("zbMenuWatch"); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        TMenu* owner = FParent->GetParentMenu();
        if (!owner) return false;
        auto* menu = static_cast<QMenu*>(watched);
        if (event->type() == QEvent::KeyPress) {
            bool handled = false;
            Guarded(owner, [&] { handled = owner->MenuKey(FParent, menu, static_cast<QKeyEvent*>(event)); });
            return handled;
        }
        // A menu of its own (not a submenu) closing ends the hint of its items.
        if (event->type() == QEvent::Hide && !qobject_cast<QMenu*>(menu->parentWidget()))
            Guarded(owner, [&] { owner->MenuSelect(nullptr); });
        return false;
    }

private:
    TMenuItem* FParent;
};
}  // namespace

TShortCut ShortCut(quint16 key, TShiftState shift) {
    if (key & 0xFF00) return 0;
    TShortCut sc = key;
    if (shift & ssShift) sc |= scShift;
    if (shift & ssCtrl) sc |= scCtrl;
    if (shift & ssAlt) sc |= scAlt;
    return sc;
}

static QString KeyName(quint16 key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return QString(QChar(key));
    if (key >= VK_F1 && key <= VK_F12) return QStringLiteral("F%1").arg(key - VK_F1 + 1);
    for (const auto& k : kKeyNames)
        if (k.Key == key) return QString::fromUtf8(k.Name);
    return {};
}

QString ShortCutToText(TShortCut shortCut) {
    const QString name = KeyName(shortCut & 0xFF);
    if (name.isEmpty()) return {};
    QString text;
    if (shortCut & scShift) text += QStringLiteral("Mayús+");
    if (shortCut & scCtrl) text += QStringLiteral("Ctrl+");
    if (shortCut & scAlt) text += QStringLiteral("Alt+");
    return text + name;
}

TShortCut TextToShortCut(const QString& text) {
    QString rest = text;
    TShortCut shift = 0;
    for (;;) {
        if (rest.startsWith(QStringLiteral("Mayús+"), Qt::CaseInsensitive) || rest.startsWith(QStringLiteral("Shift+"), Qt::CaseInsensitive)) {
            shift |= scShift;
            rest = rest.mid(rest.indexOf(QLatin1Char('+')) + 1);
        } else if (rest.startsWith(QStringLiteral("Ctrl+"), Qt::CaseInsensitive)) {
            shift |= scCtrl;
            rest = rest.mid(5);
        } else if (rest.startsWith(QStringLiteral("Alt+"), Qt::CaseInsensitive)) {
            shift |= scAlt;
            rest = rest.mid(4);
        } else {
            break;
        }
    }
    for (int key = 1; key < 256; ++key)
        if (!KeyName(quint16(key)).isEmpty() && KeyName(quint16(key)).compare(rest, Qt::CaseInsensitive) == 0)
            return TShortCut(key | shift);
    return 0;
}

QChar GetHotkey(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (caption[i + 1] == QLatin1Char('&')) {
                ++i;
                continue;
            }
            return caption[i + 1].toUpper();
        }
    }
    return {};
}

QString StripHotkey(const QString& caption) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

bool IsAccel(QChar key, const QString& caption) {
    const QChar h = GetHotkey(caption);
    return !h.isNull() && h == key.toUpper();
}

// ---------------------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(gNextCommand++) {}

TMenuItem::~TMenuItem() {
    Destroying();
    if (FParent) FParent->Remove(this);
    while (!FItems.empty()) delete FItems.back();
}

void TMenuItem::Changed() {
    // Only the top row is built ahead; deeper items are read when their menu opens, so their
    // changes need not rebuild the bar.
    if (FParent && FParent->FParent) return;
    if (TMenu* m = GetParentMenu()) m->MenuChanged();
}

void TMenuItem::StateChanged() {
    if (FParent && FParent->FParent) return;
    if (TMenu* m = GetParentMenu()) m->ItemChanged(this);
}

void TMenuItem::SetCaption(const QString& v) {
    if (v == FCaption) return;
    FCaption = v;
    StateChanged();
}
void TMenuItem::SetShortCut(TShortCut v) {
    if (v == FShortCut) return;
    FShortCut = v;
    StateChanged();
}

void TMenuItem::SetChecked(bool v) {
    bool changed = v != FChecked;
    FChecked = v;
    // A checked radio item unchecks the others of its group.
    if (v && FRadioItem && FParent)
        for (TMenuItem* s : FParent->FItems)
            if (s != this && s->FRadioItem && s->FGroupIndex == FGroupIndex) {
                changed = changed || s->FChecked;
                s->FChecked = false;
            }
    if (changed) StateChanged();
}

void TMenuItem::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    StateChanged();
}
void TMenuItem::SetVisible(bool v) {
    if (v == FVisible) return;
    FVisible = v;
    Changed();
}
void TMenuItem::SetRadioItem(bool v) {
    if (v == FRadioItem) return;
    FRadioItem = v;
    StateChanged();
}
void TMenuItem::SetDefault(bool v) {
    if (v == FDefault) return;
    FDefault = v;
    StateChanged();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) return;
    if (item->FParent) throw EMenuError(QStringLiteral("Menu inserted twice"));
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
    Changed();
}

void TMenuItem::Delete(int index) {
    if (index < 0 || index >= Count()) throw EMenuError(QStringLiteral("Menu index out of range"));
    TMenuItem* item = FItems[size_t(index)];
    FItems.erase(FItems.begin() + index);
    item->FParent = nullptr;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
    const int i = IndexOf(item);
    if (i >= 0) Delete(i);
}

void TMenuItem::Clear() {
    while (!FItems.empty()) delete FItems.back();
}

TMenuItem* TMenuItem::Find(const QString& caption) const {
    const QString wanted = StripHotkey(caption);
    for (TMenuItem* i : FItems)
        if (StripHotkey(i->FCaption).compare(wanted, Qt::CaseInsensitive) == 0) return i;
    return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* root = this;
    while (root->FParent) root = root->FParent;
    return root->FMenu;
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    if (FRadioItem && !FChecked) SetChecked(true);
    OnClick(this);
}

void TMenuItem::FillQtMenu(QMenu* menu) {
    menu->clear();
    if (!menu->findChild<QObject*>(TMenuWatch::Name(), Qt::FindDirectChildrenOnly))
        menu->installEventFilter(new TMenuWatch(menu, this));
    QActionGroup* group = nullptr;
    for (TMenuItem* item : FItems) {
        if (!item->FVisible) continue;
        if (item->IsLine()) {
            menu->addSeparator();
            continue;
        }
        QString text = item->FCaption;
        if (item->FShortCut) text += QLatin1Char('\t') + ShortCutToText(item->FShortCut);
        QAction* action = nullptr;
        if (item->Count() > 0) {
            QMenu* sub = menu->addMenu(item->FCaption);
            action = sub->menuAction();
            QPointer<QMenu> guard = sub;
            TMenuItem* it = item;
            QObject::connect(sub, &QMenu::aboutToShow, sub, [it, guard] {
                if (!guard) return;
                Guarded(it, [&] { it->OnClick(it); });
                it->FillQtMenu(guard);
            });
        } else {
            action = menu->addAction(text);
            TMenuItem* it = item;
            QObject::connect(action, &QAction::triggered, action, [it] { Guarded(it, [it] { it->Click(); }); });
        }
        action->setData(item->FCommand);
        {
            TMenuItem* it = item;
            QObject::connect(action, &QAction::hovered, action, [it] {
                if (TMenu* m = it->GetParentMenu()) Guarded(m, [&] { m->MenuSelect(it); });
            });
        }
        action->setEnabled(item->FEnabled);
        if (item->FChecked || item->FRadioItem) {
            action->setCheckable(true);
            action->setChecked(item->FChecked);
            if (item->FRadioItem) {
                if (!group) group = new QActionGroup(menu);
                group->addAction(action);
            }
        }
        if (item->FDefault) {
            QFont f = action->font();
            f.setBold(true);
            action->setFont(f);
        }
    }
}

// ---------------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(nullptr)) { FItems->FMenu = this; }

TMenu::~TMenu() {
    delete FItems;
    FItems = nullptr;
}

static TMenuItem* FindIn(TMenuItem* parent, const std::function<bool(TMenuItem*)>& pred) {
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (pred(item)) return item;
        if (TMenuItem* found = FindIn(item, pred)) return found;
    }
    return nullptr;
}

TMenuItem* TMenu::FindItem(int value, bool byCommand) const {
    return FindIn(FItems, [&](TMenuItem* i) { return byCommand ? i->Command() == value : i->ShortCut() == value; });
}

bool TMenu::IsShortCut(TShortCut shortCut) {
    if (!shortCut || !FItems) return false;
    TMenuItem* item = FindIn(FItems, [&](TMenuItem* i) { return i->ShortCut() == shortCut; });
    if (!item) return false;
    for (TMenuItem* p = item; p && p->Parent(); p = p->Parent())
        if (!p->Enabled() || !p->Visible()) return false;
    // Parents hear their click first, as when the user opens the submenus on the way.
    std::vector<TMenuItem*> chain;
    for (TMenuItem* p = item->Parent(); p && p->Parent(); p = p->Parent()) chain.insert(chain.begin(), p);
    for (TMenuItem* p : chain) p->OnClick(p);
    item->Click();
    return true;
}

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) {}

TMainMenu::~TMainMenu() {
    if (FForm) FForm->SetMenu(nullptr);
}

void TMainMenu::AttachToForm(TCustomForm* form) {
    FForm = form;
    if (!FBar) FBar = new QMenuBar(form->Widget());
    FBar->setParent(form->Widget());
    FBar->show();
    Rebuild();
}

void TMainMenu::DetachFromForm(TCustomForm* form) {
    if (FForm != form) return;
    FActions.clear();
    delete FBar;
    FBar = nullptr;
    FForm = nullptr;
}

void TMainMenu::MenuChanged() {
    // A closing form takes its items one by one: a bar about to go is not made again each time.
    if (FForm && (FForm->ComponentState() & csDestroying)) return;
    if (ComponentState() & csDestroying) return;
    Rebuild();
}

void TMainMenu::ItemChanged(TMenuItem* item) {
    if (!FBar) return;
    for (const auto& [it, action] : FActions)
        if (it == item) return ShowState(item, action);
    Rebuild();
}

void TMainMenu::ShowState(TMenuItem* item, QAction* action) {
    action->setText(item->Caption());
    action->setEnabled(item->Enabled());
}

void TMainMenu::Rebuild() {
    FActions.clear();
    if (!FBar || !Items()) return;
    FBar->clear();
    for (int i = 0; i < Items()->Count(); ++i) {
        TMenuItem* item = Items()->Items(i);
        if (!item->Visible()) continue;
        if (item->Count() == 0) {
            QAction* a = FBar->addAction(item->Caption());
            ShowState(item, a);
            QObject::connect(a, &QAction::triggered, a, [item] { Guarded(item, [item] { item->Click(); }); });
            FActions.emplace_back(item, a);
            continue;
        }
        QMenu* menu = FBar->addMenu(item->Caption());
        ShowState(item, menu->menuAction());
        QPointer<QMenu> guard = menu;
        QObject::connect(menu, &QMenu::aboutToShow, menu, [item, guard] {
            if (!guard) return;
            Guarded(item, [&] { item->OnClick(item); });
            item->FillQtMenu(guard);
        });
        FActions.emplace_back(item, menu->menuAction());
    }
}

void TMenu::MenuSelect(TMenuItem* item) { Application->SetHint(item ? item->Hint() : QString()); }

bool TMenu::MenuKey(TMenuItem*, QMenu*, QKeyEvent*) { return false; }

TMenuItem* TMenu::ItemOfAction(const QAction* action) const {
    if (!action || !action->data().isValid()) return nullptr;
    return FindItem(action->data().toInt());
}

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(int x, int y) {
    ++FPopupCount;
    Guarded(this, [this] { OnPopup(this); });
    if (TFormHarness::Current()) return;
    QMenu menu;
    Items()->FillQtMenu(&menu);
    QPoint at(x, y);
    const QSize size = menu.sizeHint();
    if (FAlignment == paRight) at.rx() -= size.width();
    else if (FAlignment == paCenter) at.rx() -= size.width() / 2;
    menu.exec(at);
}
