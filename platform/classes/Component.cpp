#include "platform/classes/Component.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <atomic>

namespace {
// Components alive that asked to hear of insertions: while there are none, a new component
// is announced to nobody instead of walking its owner's whole tree.
std::atomic<int> gInsertionListeners{0};
}  // namespace

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    if (FHearsInsertions) --gInsertionListeners;
    Destroying();
    // Those who asked to be told; each may remove itself from our list while being told.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto& theirs = other->FFreeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FComponents[size_t(index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

namespace platform::classes {
// Names are identifiers (ASCII): compared and hashed without case a letter at a time.
bool operator==(const TNameKey& a, const TNameKey& b) {
    if (a.Name.size() != b.Name.size()) return false;
    const QChar* p = a.Name.constData();
    const QChar* q = b.Name.constData();
    for (qsizetype i = 0; i < a.Name.size(); ++i) {
        const char16_t x = p[i].unicode(), y = q[i].unicode();
        if (x == y) continue;
        if (x >= 0x80 || y >= 0x80) return a.Name.compare(b.Name, Qt::CaseInsensitive) == 0;
        if ((x | 0x20) != (y | 0x20) || (x | 0x20) < u'a' || (x | 0x20) > u'z') return false;
    }
    return true;
}

size_t qHash(const TNameKey& k, size_t seed) {
    size_t h = seed ^ size_t(k.Name.size());
    for (QChar c : k.Name) {
        const char16_t x = c.unicode();
        h = h * 31 + ((x >= u'A' && x <= u'Z') ? char16_t(x | 0x20) : x);
    }
    return h;
}
}  // namespace platform::classes

using platform::classes::TNameKey;

void TComponent::ReserveComponents(int count) {
    if (count <= 0) return;
    FComponents.reserve(size_t(count));
    if (!FNamed) FNamed = std::make_unique<QHash<TNameKey, TComponent*>>();
    FNamed->reserve(count);
}

TComponent* TComponent::FindComponent(const QString& name) const {
    if (name.isEmpty() || !FNamed) return nullptr;
    // A module owns some thousand named components: looked up, not searched.
    return FNamed->value(TNameKey{name}, nullptr);
}

// Keeps the index of names up to date with `component`, owned here, once named `oldName`.
void TComponent::Named(TComponent* component, const QString& oldName) {
    if (!oldName.isEmpty() && FNamed) {
        auto it = FNamed->find(TNameKey{oldName});
        if (it != FNamed->end() && *it == component) FNamed->erase(it);
    }
    if (component->FOwner != this || component->FName.isEmpty()) return;
    if (!FNamed) FNamed = std::make_unique<QHash<TNameKey, TComponent*>>();
    FNamed->insert(TNameKey{component->FName}, component);
}

bool TComponent::IsValidIdent(const QString& name) {
    if (name.isEmpty()) return false;
    for (int i = 0; i < name.size(); ++i) {
        QChar c = name[i];
        bool alpha = (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                     c == QLatin1Char('_');
        bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!(alpha || (i > 0 && digit))) return false;
    }
    return true;
}

void TComponent::SetName(const QString& name) {
    if (FName == name) return;
    if (!name.isEmpty() && !IsValidIdent(name))
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(name));
    // A first name under an owner (every component a module makes gets one): checked and
    // indexed in one look-up.
    if (FOwner && FName.isEmpty() && !name.isEmpty()) {
        if (!FOwner->FNamed) FOwner->FNamed = std::make_unique<QHash<TNameKey, TComponent*>>();
        TComponent*& slot = (*FOwner->FNamed)[TNameKey{name}];
        if (slot && slot != this) throw EComponentError(QStringLiteral("A component named %1 already exists").arg(name));
        slot = this;
        FName = name;
        return;
    }
    if (FOwner)
        FOwner->ValidateRename(this, FName, name);
    else
        ValidateRename(nullptr, FName, name);
    const QString old = FName;
    FName = name;
    if (FOwner) FOwner->Named(this, old);
}

void TComponent::ValidateRename(TComponent* component, const QString& curName, const QString& newName) {
    if (component && newName.compare(curName, Qt::CaseInsensitive) != 0 && !newName.isEmpty()) {
        TComponent* other = FindComponent(newName);
        if (other && other != component)
            throw EComponentError(QStringLiteral("A component named %1 already exists").arg(newName));
    }
}

void TComponent::Insert(TComponent* component) {
    FComponents.push_back(component);
    component->FOwner = this;
    Named(component, QString());
}

void TComponent::Remove(TComponent* component) {
    component->FOwner = nullptr;
    Named(component, component->FName);
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), component), FComponents.end());
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component) return;
    if (!component->FName.isEmpty()) ValidateRename(component, QString(), component->FName);
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    Insert(component);
    // Made while its owner loads: it loads too, and hears Loaded when the owner's loading ends.
    if (FState & csLoading) component->BeginLoading();
    if (gInsertionListeners.load(std::memory_order_relaxed) > 0) TellInserted(component);
}

void TComponent::HearInsertions() {
    if (FHearsInsertions) return;
    FHearsInsertions = true;
    ++gInsertionListeners;
}

// This component first, then what it owns, as opRemove travels; one that left the list while
// others were told is skipped.
void TComponent::TellInserted(TComponent* component) {
    if (FHearsInsertions) Notification(component, opInsert);
    const std::vector<TComponent*> copy = FComponents;
    for (TComponent* c : copy)
        if (std::find(FComponents.begin(), FComponents.end(), c) != FComponents.end()) c->TellInserted(component);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->FOwner != this) return;
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        // Unhook first so the child's own destructor does not walk back into us.
        Remove(c);
        NotifyAll(c, opRemove);
        c->BeforeDestruction();
        delete c;
    }
}

void TComponent::Free() {
    BeforeDestruction();
    delete this;
}

void TComponent::NotifyAll(TComponent* component, TOperation operation) {
    Notification(component, operation);
}

void TComponent::Destroying() {
    if (FState & csDestroying) return;
    FState |= csDestroying;
    for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (FOwner && component->FOwner == FOwner) return;  // siblings are told through the owner
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
        FFreeNotifies.push_back(component);
    if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) == component->FFreeNotifies.end())
        component->FFreeNotifies.push_back(this);
}

// Both sides forget each other: the other must not tell us of its end once we have let it go.
void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component) return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), component), FFreeNotifies.end());
    auto& theirs = component->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opInsert) return;  // told directly, to those who asked (TellInserted)
    if (operation == opRemove && component) RemoveFreeNotification(component);
    // Owned components hear of it too, as siblings of the removed one; one that left the list
    // while others were told is skipped. While the list stays as it was, the slot tells.
    const std::vector<TComponent*> copy = FComponents;
    for (size_t i = 0; i < copy.size(); ++i) {
        TComponent* c = copy[i];
        const bool owned = (FComponents.size() == copy.size() && FComponents[i] == c) ||
                           std::find(FComponents.begin(), FComponents.end(), c) != FComponents.end();
        if (owned) c->Notification(component, operation);
    }
}

void TComponent::Loaded() { FState &= ~csLoading; }

void TComponent::BeginLoading() {
    FState |= csLoading;
    for (TComponent* c : FComponents) c->BeginLoading();
}

void TComponent::EndLoading() {
    std::vector<TComponent*> copy = FComponents;
    for (TComponent* c : copy) c->EndLoading();
    Loaded();
}
