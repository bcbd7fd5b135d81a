#include "platform/classes/Component.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>
#include <vector>

namespace {
// Records what it is told and counts its own destruction.
class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, std::vector<QString>* log = nullptr) : TComponent(owner), FLog(log) {}
    ~TProbe() override { if (FLog) FLog->push_back(QStringLiteral("free ") + Name()); }
    TComponent* Watched = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == opRemove && c == Watched) {
            Watched = nullptr;
            if (FLog) FLog->push_back(Name() + QStringLiteral(" lost ") + c->Name());
        }
    }

private:
    std::vector<QString>* FLog;
};
}  // namespace

TEST(Component, OwnerFreesOwnedLastFirstAndKeepsCreationOrder) {
    std::vector<QString> log;
    auto* root = new TProbe(nullptr, &log);
    root->SetName(QStringLiteral("Root"));
    auto* a = new TProbe(root, &log);
    a->SetName(QStringLiteral("A"));
    auto* b = new TProbe(root, &log);
    b->SetName(QStringLiteral("B"));
    ASSERT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(root->Components(0), a);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(root->FindComponent(QStringLiteral("b")), b);
    EXPECT_EQ(root->FindComponent(QStringLiteral("C")), nullptr);
    EXPECT_THROW(root->Components(2), EListError);
    delete root;
    // The root's own destructor body runs first; its owned ones go last created first.
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], QStringLiteral("free Root"));
    EXPECT_EQ(log[1], QStringLiteral("free B"));
    EXPECT_EQ(log[2], QStringLiteral("free A"));
}

TEST(Component, DeletingAnOwnedComponentTellsItsSiblingsAndLeavesTheOwner) {
    std::vector<QString> log;
    TProbe root(nullptr);
    auto* a = new TProbe(&root, &log);
    a->SetName(QStringLiteral("A"));
    auto* b = new TProbe(&root, &log);
    b->SetName(QStringLiteral("B"));
    a->Watched = b;
    delete b;
    EXPECT_EQ(a->Watched, nullptr);
    EXPECT_EQ(root.ComponentCount(), 1);
    EXPECT_EQ(log.front(), QStringLiteral("free B"));
}

TEST(Component, FreeNotificationReachesComponentsOfOtherOwners) {
    TProbe form1(nullptr), form2(nullptr);
    auto* a = new TProbe(&form1);
    auto* b = new TProbe(&form2);
    a->Watched = b;
    b->FreeNotification(a);
    delete b;
    EXPECT_EQ(a->Watched, nullptr);
    // The other direction was unhooked too: deleting a later must not touch freed b.
    delete a;
    EXPECT_EQ(form1.ComponentCount(), 0);
}

TEST(Component, RemovingAFreeNotificationUnhooksBothSides) {
    TProbe form1(nullptr), form2(nullptr);
    auto* a = new TProbe(&form1);
    auto* b = new TProbe(&form2);
    b->FreeNotification(a);
    b->RemoveFreeNotification(a);  // a data source let go of its dataset
    delete b;
    // a must not tell freed b of its own end.
    delete a;
    EXPECT_EQ(form1.ComponentCount(), 0);
}

TEST(Component, NamesAreIdentifiersAndUniqueAmongSiblings) {
    TProbe root(nullptr);
    auto* a = new TProbe(&root);
    a->SetName(QStringLiteral("btOk"));
    auto* b = new TProbe(&root);
    EXPECT_THROW(b->SetName(QStringLiteral("BTOK")), EComponentError);
    EXPECT_THROW(b->SetName(QStringLiteral("1abc")), EComponentError);
    EXPECT_THROW(b->SetName(QStringLiteral("año")), EComponentError);
    b->SetName(QStringLiteral("btNo"));
    EXPECT_EQ(b->Name(), QStringLiteral("btNo"));
    a->SetName(QStringLiteral("BtOk"));  // a case change of its own name is allowed
    EXPECT_EQ(a->Name(), QStringLiteral("BtOk"));
}

TEST(Component, AssignWithoutSupportEndsInConvertError) {
    TProbe a(nullptr), b(nullptr);
    try {
        a.Assign(&b);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot assign a TProbe to a TProbe"));
    }
}

namespace {
class TLoadProbe : public TComponent {
public:
    using TComponent::TComponent;
    int LoadedCalls = 0;

protected:
    void Loaded() override {
        TComponent::Loaded();
        ++LoadedCalls;
    }
};
}  // namespace

TEST(Component, ComponentsMadeWhileTheOwnerLoadsLoadWithIt) {
    TLoadProbe form(nullptr);
    form.BeginLoading();
    auto* made = new TLoadProbe(&form);
    EXPECT_TRUE(made->HasState(csLoading));
    form.EndLoading();
    EXPECT_FALSE(made->HasState(csLoading));
    EXPECT_EQ(made->LoadedCalls, 1);
    EXPECT_EQ(form.LoadedCalls, 1);
    auto* later = new TLoadProbe(&form);
    EXPECT_FALSE(later->HasState(csLoading));
}

namespace {
// Counts the insertions it hears; asks for them only when told to.
class TInsertProbe : public TComponent {
public:
    TInsertProbe(TComponent* owner, bool listens) : TComponent(owner) {
        if (listens) HearInsertions();
    }
    std::vector<TComponent*> Heard;

protected:
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == opInsert) Heard.push_back(c);
    }
};
}  // namespace

TEST(Component, OnlyComponentsThatAskedHearOfANewComponentAnywhereInTheOwnersTree) {
    TInsertProbe form(nullptr, true);
    auto* deaf = new TInsertProbe(&form, false);
    auto* panel = new TInsertProbe(&form, false);
    auto* nested = new TInsertProbe(panel, true);  // owned by a component that does not listen
    form.Heard.clear();
    auto* made = new TInsertProbe(&form, false);
    EXPECT_EQ(form.Heard, std::vector<TComponent*>{made});
    EXPECT_EQ(nested->Heard, std::vector<TComponent*>{made});
    EXPECT_TRUE(deaf->Heard.empty());
    EXPECT_TRUE(made->Heard.empty());
    // Removal still reaches everyone: a removed sibling's watcher lets go of it.
    auto* watcher = new TProbe(&form);
    watcher->Watched = made;
    delete made;
    EXPECT_EQ(watcher->Watched, nullptr);
    // A listener that is gone is told nothing more; the others still are.
    delete nested;
    auto* later = new TInsertProbe(&form, false);
    EXPECT_EQ(form.Heard.back(), later);
}

TEST(Component, ComponentsAreFoundByNameWhateverItsCase) {
    TProbe root(nullptr);
    auto* a = new TProbe(&root);
    a->SetName(QStringLiteral("btOk_2"));
    auto* b = new TProbe(&root);
    b->SetName(QStringLiteral("btOk_3"));
    EXPECT_EQ(root.FindComponent(QStringLiteral("BTOK_2")), a);
    EXPECT_EQ(root.FindComponent(QStringLiteral("btok_3")), b);
    // Neither a sign whose code differs from a letter's by the case bit nor a longer or accented
    // name is the same name.
    EXPECT_EQ(root.FindComponent(QStringLiteral("btOk\x7f" "2")), nullptr);
    EXPECT_EQ(root.FindComponent(QStringLiteral("btOk_")), nullptr);
    EXPECT_EQ(root.FindComponent(QStringLiteral("btÖk_2")), nullptr);
    EXPECT_EQ(root.FindComponent(QStringLiteral("BT[K_2")), nullptr);
}

TEST(Component, ANameFollowsRenamesAndChangesOfOwner) {
    TProbe form1(nullptr), form2(nullptr);
    auto* a = new TProbe(&form1);
    a->SetName(QStringLiteral("edNombre"));
    a->SetName(QStringLiteral("edApellidos"));
    EXPECT_EQ(form1.FindComponent(QStringLiteral("EDNOMBRE")), nullptr);
    EXPECT_EQ(form1.FindComponent(QStringLiteral("edapellidos")), a);
    auto* b = new TProbe(&form1);
    b->SetName(QStringLiteral("edNombre"));  // the old name is free again
    EXPECT_EQ(form1.FindComponent(QStringLiteral("edNombre")), b);
    form2.InsertComponent(a);
    EXPECT_EQ(form1.FindComponent(QStringLiteral("edApellidos")), nullptr);
    EXPECT_EQ(form2.FindComponent(QStringLiteral("EDAPELLIDOS")), a);
    // One that would take a sibling's name stays where it was.
    auto* c = new TProbe(&form2);
    c->SetName(QStringLiteral("EdNombre"));
    EXPECT_THROW(form1.InsertComponent(c), EComponentError);
    EXPECT_EQ(form2.FindComponent(QStringLiteral("edNombre")), c);
    delete b;
    EXPECT_EQ(form1.FindComponent(QStringLiteral("edNombre")), nullptr);
}
