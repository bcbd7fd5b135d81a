#include "platform/rtl/Currency.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"

#include <gtest/gtest.h>
#include <functional>
#include <memory>

TEST(Currency, RoundsHalfToEvenAtTheFourthDecimal) {
    EXPECT_EQ(Currency(0.00005).Raw(), 0);
    EXPECT_EQ(Currency(0.00015).Raw(), 2);
    EXPECT_EQ(Currency(0.00025).Raw(), 2);
    EXPECT_EQ(Currency(-0.00015).Raw(), -2);
    EXPECT_EQ(Currency(1.23456).Raw(), 12346);
    EXPECT_EQ(Currency(166.386).Raw(), 1663860);
    EXPECT_THROW(Currency(1e300), EOverflow);
}

TEST(Currency, ArithmeticStaysFixedPoint) {
    Currency a(0.1), b(0.2);
    EXPECT_EQ(a + b, Currency(0.3));
    EXPECT_EQ(Currency(10) / Currency(3), Currency::FromRaw(33333));
    EXPECT_EQ(Currency(1000) * Currency(0.16), Currency(160));
    EXPECT_THROW(Currency(1) / Currency(0), EZeroDivide);
}

TEST(Variant, NullReadsAsZeroAndEmptyText) {
    Variant n = Null();
    EXPECT_TRUE(n.IsNull());
    EXPECT_EQ(n.AsInteger(), 0);
    EXPECT_EQ(n.AsString(), QString());
    EXPECT_TRUE(VarIsNull(Variant()));
    EXPECT_EQ(Variant(QStringLiteral(" 12,5")).AsFloat(), 12.5);
    EXPECT_THROW(Variant(QStringLiteral("doce")).AsFloat(), EVariantError);
    EXPECT_EQ(Variant(QStringLiteral("Año ñ")).AsString(), QStringLiteral("Año ñ"));
}

TEST(Variant, KeysCompareByValue) {
    EXPECT_EQ(Variant(3), Variant(qint64(3)));
    EXPECT_EQ(Variant(3), Variant(3.0));
    EXPECT_NE(Variant(3), Null());
    EXPECT_EQ(Null(), Variant());
    EXPECT_EQ(Variant(QStringLiteral("3")), Variant(3));
}

namespace {
struct Handler {
    int Calls = 0;
    void Click(TObject*) { ++Calls; }
    void Other(TObject*) { Calls += 10; }
};
}  // namespace

TEST(Events, SavedHandlerCanBeRestoredAndCompared) {
    Handler h;
    TNotifyEvent onClick(&h, &Handler::Click);
    TNotifyEvent saved = onClick;
    onClick = TNotifyEvent(&h, &Handler::Other);
    EXPECT_NE(onClick, saved);
    onClick(nullptr);
    onClick = saved;
    EXPECT_EQ(onClick, TNotifyEvent(&h, &Handler::Click));
    onClick(nullptr);
    EXPECT_EQ(h.Calls, 11);
    EXPECT_EQ(onClick.Data(), &h);
    onClick = nullptr;
    EXPECT_FALSE(onClick);
    onClick(nullptr);  // an empty event does nothing
    EXPECT_EQ(h.Calls, 11);
}

// A callable is shared by an event's copies: it outlives the event it was given to, copies
// compare equal to each other and to nothing else, and it is freed with the last copy.
TEST(Events, CallablesAreSharedByCopiesAndFreedWithTheLast) {
    auto calls = std::make_shared<int>(0);
    std::weak_ptr<int> alive = calls;
    TNotifyEvent saved;
    {
        TNotifyEvent first([c = calls](TObject*) { ++*c; });
        saved = first;
        EXPECT_EQ(saved, first);
        EXPECT_NE(saved, TNotifyEvent([](TObject*) {}));
        EXPECT_EQ(first.Data(), nullptr);
        first(nullptr);
        TNotifyEvent moved(std::move(first));
        EXPECT_FALSE(first);
        moved(nullptr);
        TNotifyEvent& same = saved;
        saved = same;  // a self-assignment keeps the callable
    }
    calls.reset();
    ASSERT_FALSE(alive.expired());
    saved(nullptr);
    EXPECT_EQ(*alive.lock(), 3);
    saved = TNotifyEvent(std::function<void(TObject*)>());  // an empty function assigns nothing
    EXPECT_FALSE(saved);
    EXPECT_TRUE(alive.expired());
}
