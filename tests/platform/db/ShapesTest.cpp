// The read shapes a connection remembers: forms read with some sixty of them in turn, and each
// must still be known the next time round instead of having its text built again.
#include "platform/db/EngineSql.h"

#include <gtest/gtest.h>

namespace {

using platform::db::engine::TShape;
using platform::db::engine::TShapes;

TShape ShapeNo(int i) {
    TShape h;
    h.Table = QStringLiteral("T%1").arg(i % 7);
    h.Count = i;
    return h;
}

TEST(ShapesTest, SixtyShapesReadInTurnAreAllKeptAndTheBusyOnesOutlastNewcomers) {
    TShapes<int> shapes;
    for (int i = 0; i < 64; ++i) shapes.Add(ShapeNo(i), i);
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 64; ++i) {
            const int* found = shapes.Find(ShapeNo(i));
            ASSERT_TRUE(found) << i;
            EXPECT_EQ(*found, i);
        }
    // Far more shapes than are kept: the ones in use stay while newcomers come and go.
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(shapes.Find(ShapeNo(5)));
        if (!shapes.Find(ShapeNo(1000 + i))) shapes.Add(ShapeNo(1000 + i), i);
        EXPECT_TRUE(shapes.Find(ShapeNo(1000 + i)));
    }
    shapes.Clear();
    EXPECT_FALSE(shapes.Find(ShapeNo(5)));
}

}  // namespace
