#pragma once
// Components: owned objects with a name, freed by their owner, told of each other's removal.
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

enum TOperation { opInsert, opRemove };

namespace platform::classes {
// A component's name as a key: names are identifiers, equal whatever the case of their letters.
struct TNameKey {
    QString Name;
};
bool operator==(const TNameKey& a, const TNameKey& b);
size_t qHash(const TNameKey& k, size_t seed);
}  // namespace platform::classes

// Component state flags (a set).
enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
    csAncestor = 1u << 5,
    csUpdating = 1u << 6,
    csFixups = 1u << 7,
};
using TComponentState = unsigned;

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    QString Name() const { return FName; }
    // Raises EComponentError for a name that is not an identifier or that a sibling already uses.
    virtual void SetName(const QString& name);
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }
    TComponent* Owner() const { return FOwner; }
    TPersistent* GetOwner() const override { return FOwner; }
    QString GetNamePath() const override { return FName; }

    int ComponentCount() const { return int(FComponents.size()); }
    // Room for `count` owned components, for an owner that makes many at once.
    void ReserveComponents(int count);
    TComponent* Components(int index) const;
    int ComponentIndex() const;
    TComponent* FindComponent(const QString& name) const;  // case-insensitive

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Frees every owned component, last created first.
    void DestroyComponents();
    // Frees this component as the class library's Free did: BeforeDestruction first, while every
    // derived part still lives, then the destructors. Owners free what they own the same way.
    void Free();
    virtual void BeforeDestruction() {}
    // Marks this component and its owned ones as being destroyed.
    void Destroying();

    // Asks to be told (Notification opRemove) when `component` goes, whoever owns it.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    TComponentState ComponentState() const { return FState; }
    bool HasState(TComponentStateFlag f) const { return (FState & f) != 0; }
    // Loading: flags set while a form description is applied, then Loaded on every component.
    void BeginLoading();
    void EndLoading();  // clears csLoading on this and owned components and calls Loaded

    static bool IsValidIdent(const QString& name);

protected:
    // opRemove reaches the owner and everything it owns; opInsert only the components of the
    // owner's tree that asked for it with HearInsertions (most never look at it).
    virtual void Notification(TComponent* component, TOperation operation);
    void HearInsertions();
    virtual void Loaded();
    virtual void ValidateRename(TComponent* component, const QString& curName, const QString& newName);
    void SetComponentState(TComponentState s) { FState = s; }

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void Named(TComponent* component, const QString& oldName);
    void NotifyAll(TComponent* component, TOperation operation);
    void TellInserted(TComponent* component);

    TComponent* FOwner = nullptr;
    QString FName;
    int FTag = 0;
    std::vector<TComponent*> FComponents;
    // The named ones among them by name without case, made with the first named one.
    std::unique_ptr<QHash<platform::classes::TNameKey, TComponent*>> FNamed;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FState = 0;
    bool FHearsInsertions = false;
};
