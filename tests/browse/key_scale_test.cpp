// The key scale the browse control's scroll bar uses: order kept, keys spread evenly.
#include "engine/browse/key_scale.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace browse {
namespace {

std::string number(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%08d", n);
    return text;
}

TEST(KeyScale, NumbersSpreadEvenly) {
    const std::string first = number(10), last = number(1000000);
    EXPECT_NEAR(keyFraction(first, last, number(500000)), 0.5, 0.001);
    EXPECT_NEAR(keyFraction(first, last, number(250000)), 0.25, 0.001);
    const std::string middle = keyAtFraction(first, last, 0.5);
    EXPECT_GT(middle, number(499000));
    EXPECT_LT(middle, number(501000));
}

TEST(KeyScale, OrderIsKeptForAnyBytes) {
    std::mt19937 random(7);
    const std::string alphabet = " !09:@AZ[az\x7f\x80\xff";
    std::vector<std::string> keys;
    for (int n = 0; n < 2000; ++n) {
        std::string key;
        const int length = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) key += alphabet[random() % alphabet.size()];
        keys.push_back(key);
    }
    keys.push_back("");
    std::sort(keys.begin(), keys.end());
    for (const auto& [first, last] :
         {std::pair{keys.front(), keys.back()}, std::pair{std::string("A"), std::string("Z")},
          std::pair{std::string("0"), std::string("9999")}}) {
        double previous = 0;
        for (const std::string& key : keys) {
            const double f = keyFraction(first, last, key);
            EXPECT_GE(f, previous) << key;
            EXPECT_LE(f, 1.0);
            previous = f;
        }
    }
}

TEST(KeyScale, FractionAndKeyAgree) {
    for (const auto& [first, last] :
         {std::pair{"ADAMS", "YOUNG"}, std::pair{"2019/01/05", "2024/12/31"},
          std::pair{"A1", "A1\xff\xff"}}) {
        for (const double f : {0.1, 0.37, 0.5, 0.9}) {
            const std::string key = keyAtFraction(first, last, f);
            EXPECT_GT(key, first);
            EXPECT_LT(key, last);
            EXPECT_NEAR(keyFraction(first, last, key), f, 0.01) << first << " " << f;
        }
    }
    // One key, or none: everything is at the start.
    EXPECT_EQ(keyFraction("SAME", "SAME", "SAME"), 0);
    EXPECT_EQ(keyAtFraction("SAME", "SAME", 0.5), "SAME");
    EXPECT_EQ(keyFraction("", "", "X"), 0);
}

}  // namespace
}  // namespace browse
