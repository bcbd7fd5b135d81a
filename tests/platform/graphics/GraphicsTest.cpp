#include "platform/graphics/Graphics.h"

#include <gtest/gtest.h>

TEST(Colors, SystemColorsResolve) { EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0); }
