#include "platform/classes/Collections.h"
#include "platform/classes/Lists.h"
#include "platform/rtl/Exceptions.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {
QString Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const EListError& e) {
        return e.Message();
    }
    return QStringLiteral("no error");
}

// Remembers what it was told of its items.
class TLogList : public TList {
public:
    std::vector<std::pair<void*, TListNotification>> Log;

protected:
    void Notify(void* item, TListNotification action) override { Log.emplace_back(item, action); }
};

int live = 0;
class TColumn : public TCollectionItem {
public:
    explicit TColumn(TCollection* c) : TCollectionItem(c) { ++live; }
    ~TColumn() override { --live; }
    QString Title;
    void Assign(TPersistent* source) override {
        if (auto* other = dynamic_cast<TColumn*>(source)) {
            Title = other->Title;
            return;
        }
        TCollectionItem::Assign(source);
    }
    void Touch() { Changed(false); }
};

class TColumns : public TCollection {
public:
    explicit TColumns(TPersistent* owner = nullptr) : TCollection(TCollection::Make<TColumn>(), owner) {}
    std::vector<TCollectionItem*> Updates;

protected:
    void Update(TCollectionItem* item) override { Updates.push_back(item); }
};

QString Titles(const TCollection& c) {
    QStringList out;
    for (int i = 0; i < c.Count(); ++i) out << c.ItemsAs<TColumn>(i)->Title;
    return out.join(QLatin1Char('|'));
}
}  // namespace

TEST(List, PointerOperationsAndErrors) {
    int a = 1, b = 2, c = 3;
    TList list;
    list.Add(&a);
    list.Add(&b);
    list.Insert(0, &c);
    EXPECT_EQ(list.First(), &c);
    EXPECT_EQ(list.Last(), &b);
    EXPECT_EQ(list.IndexOf(&a), 1);
    list.Move(0, 2);
    EXPECT_EQ(list[2], &c);
    list.Exchange(0, 1);
    EXPECT_EQ(list[0], &b);
    EXPECT_EQ(list.Remove(&a), 1);
    EXPECT_EQ(list.Remove(&a), -1);
    list.Add(nullptr);
    list.Add(nullptr);
    list.Add(&a);
    list.Pack();
    EXPECT_EQ(list.Count(), 3);
    list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
    EXPECT_EQ(*list.ItemAs<int>(0), 1);
    EXPECT_EQ(*list.ItemAs<int>(2), 3);

    EXPECT_EQ(Message([&] { list.Items(3); }), QStringLiteral("List index out of bounds (3)"));
    EXPECT_EQ(Message([&] { list.Delete(-1); }), QStringLiteral("List index out of bounds (-1)"));
    EXPECT_EQ(Message([&] { list.Insert(5, &a); }), QStringLiteral("List index out of bounds (5)"));
    EXPECT_EQ(Message([&] { list.Move(0, 3); }), QStringLiteral("List index out of bounds (3)"));
    EXPECT_EQ(Message([&] { list.SetCapacity(1); }), QStringLiteral("List capacity out of bounds (1)"));
    EXPECT_EQ(Message([&] { list.SetCount(-2); }), QStringLiteral("List count out of bounds (-2)"));
    EXPECT_EQ(list.Count(), 3);  // failed calls changed nothing
    EXPECT_THROW(TList().First(), EListError);
    list.SetCount(5);
    EXPECT_EQ(list[4], nullptr);
}

TEST(List, DerivedListHearsOfEveryItemInAndOut) {
    int a = 0, b = 0;
    TLogList list;
    list.Add(&a);
    list.Add(&b);
    list.Extract(&a);
    list.Add(&a);
    list.Clear();
    using P = std::pair<void*, TListNotification>;
    std::vector<P> expected{P(&a, lnAdded), P(&b, lnAdded), P(&a, lnExtracted), P(&a, lnAdded), P(&a, lnDeleted),
                            P(&b, lnDeleted)};
    EXPECT_EQ(list.Log, expected);
}

TEST(Collection, OwnsItemsAndFreesThemOnDeleteClearAndDestruction) {
    live = 0;
    {
        TPersistent owner;
        TColumns columns(&owner);
        EXPECT_EQ(columns.GetOwner(), &owner);
        auto* first = columns.AddAs<TColumn>();
        first->Title = QStringLiteral("Año");
        columns.AddAs<TColumn>()->Title = QStringLiteral("Número");
        columns.AddAs<TColumn>()->Title = QStringLiteral("Cliente");
        EXPECT_EQ(live, 3);
        EXPECT_EQ(first->Collection(), &columns);
        EXPECT_EQ(first->GetOwner(), &columns);

        columns.Delete(1);
        EXPECT_EQ(live, 2);
        EXPECT_EQ(Titles(columns), QStringLiteral("Año|Cliente"));
        // IDs are not reused after a delete.
        auto* added = columns.AddAs<TColumn>();
        EXPECT_EQ(added->ID(), 3);
        EXPECT_EQ(columns.FindItemID(0), first);
        EXPECT_EQ(columns.FindItemID(1), nullptr);

        // An item freed by hand leaves its collection.
        std::unique_ptr<TColumn> gone(columns.ItemsAs<TColumn>(1));
        gone.reset();
        EXPECT_EQ(columns.Count(), 2);
        EXPECT_EQ(live, 2);

        columns.Clear();
        EXPECT_EQ(live, 0);
        columns.Add();
        columns.Add();
        EXPECT_THROW(columns.Delete(2), EListError);
    }
    EXPECT_EQ(live, 0);
}

TEST(Collection, IndexMovesItemsAndInsertPlacesThem) {
    TColumns columns;
    for (const char* t : {"a", "b", "c", "d"}) columns.AddAs<TColumn>()->Title = QString::fromLatin1(t);
    TCollectionItem* c = columns.Items(2);
    c->SetIndex(0);
    EXPECT_EQ(Titles(columns), QStringLiteral("c|a|b|d"));
    EXPECT_EQ(c->Index(), 0);
    columns.Items(0)->SetIndex(3);
    EXPECT_EQ(Titles(columns), QStringLiteral("a|b|d|c"));
    EXPECT_THROW(columns.Items(0)->SetIndex(4), EListError);
    EXPECT_EQ(Titles(columns), QStringLiteral("a|b|d|c"));  // nothing lost

    static_cast<TColumn*>(columns.Insert(1))->Title = QStringLiteral("x");
    EXPECT_EQ(Titles(columns), QStringLiteral("a|x|b|d|c"));
    EXPECT_THROW(columns.Insert(9), EListError);
    EXPECT_EQ(columns.Count(), 5);

    // An item moved to another collection belongs to it.
    TColumns other;
    TCollectionItem* moved = columns.Items(0);
    moved->SetCollection(&other);
    EXPECT_EQ(columns.Count(), 4);
    EXPECT_EQ(other.Items(0), moved);
    EXPECT_EQ(moved->Index(), 0);
}

TEST(Collection, UpdatesWaitForTheOuterEndUpdate) {
    TColumns columns;
    auto* item = columns.AddAs<TColumn>();
    columns.Updates.clear();
    item->Touch();
    ASSERT_EQ(columns.Updates.size(), 1u);
    EXPECT_EQ(columns.Updates[0], item);

    columns.Updates.clear();
    columns.BeginUpdate();
    columns.BeginUpdate();
    columns.Add();
    item->Touch();
    columns.EndUpdate();
    EXPECT_TRUE(columns.Updates.empty());
    columns.EndUpdate();
    ASSERT_EQ(columns.Updates.size(), 1u);
    EXPECT_EQ(columns.Updates[0], nullptr);  // the whole collection
}

TEST(Collection, AssignCopiesItemsThroughTheirAssign) {
    TColumns source;
    source.AddAs<TColumn>()->Title = QStringLiteral("uno");
    source.AddAs<TColumn>()->Title = QStringLiteral("dos");
    TColumns dest;
    dest.AddAs<TColumn>()->Title = QStringLiteral("viejo");
    dest.Assign(&source);
    EXPECT_EQ(Titles(dest), QStringLiteral("uno|dos"));
    EXPECT_NE(dest.Items(0), source.Items(0));
    TPersistent other;
    EXPECT_THROW(dest.Assign(&other), EConvertError);
}
