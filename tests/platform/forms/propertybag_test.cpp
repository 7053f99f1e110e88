#include "forms/propertybag.h"

#include <gtest/gtest.h>

using korimo::PropertyBag;

TEST(PropertyBag, ValueEqualToWriteDefaultIsLeftOut) {
    PropertyBag bag;
    bag.WriteProperty("SoundOver", QString(), QString());
    EXPECT_FALSE(bag.contains("SoundOver"));
    EXPECT_EQ(bag.ReadProperty("SoundOver", QStringLiteral(".\\resources\\over.wav")).toString(),
              QStringLiteral(".\\resources\\over.wav"));
    // A colour of 0 against a default of another colour is kept.
    bag.WriteProperty("XPColor_Hover", 0, static_cast<int>(0x80000016));
    ASSERT_TRUE(bag.contains("XPColor_Hover"));
    EXPECT_EQ(bag.ReadProperty("XPColor_Hover", 1).toInt(), 0);
}

TEST(PropertyBag, DefaultIsComparedInTheValuesType) {
    PropertyBag bag;
    bag.WriteProperty("Enabled", true, QStringLiteral("True"));
    EXPECT_FALSE(bag.contains("Enabled"));
    bag.WriteProperty("ButtonStyle", 3, 2);
    EXPECT_EQ(bag.ReadProperty("ButtonStyle", 2).toInt(), 3);
    bag.WriteProperty("ButtonStyle", 2, 2);
    EXPECT_FALSE(bag.contains("ButtonStyle"));
}
