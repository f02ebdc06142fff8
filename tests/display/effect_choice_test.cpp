#include "display/effect_choice.h"

#include "platform/random.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::vector<int> sequence(bool random, const std::string& selection, int count, bool effects = true)
{
    std::vector<int> out;
    int n = -1;
    for (int i = 0; i < count; ++i)
        out.push_back(n = NextEffectNumber(n, effects, random, selection));
    return out;
}

std::string only(std::initializer_list<int> numbers)
{
    std::string s(kEffectCount, '0');
    for (int n : numbers)
        s[static_cast<size_t>(n - 1)] = '1';
    return s;
}

}  // namespace

TEST(EffectChoice, SequentialOrderSteppsThroughTheSelection)
{
    EXPECT_EQ(sequence(false, only({5, 9}), 5), (std::vector<int>{5, 9, 5, 9, 5}));
    // Effect 0 reads the first character: selecting effect 1 also selects plain drawing.
    EXPECT_EQ(sequence(false, only({1, 3}), 7), (std::vector<int>{0, 1, 3, 0, 1, 3, 0}));
    EXPECT_EQ(sequence(false, only({228}), 3), (std::vector<int>{228, 228, 228}));
    // An empty selection steps once each time, wrapping after the last effect.
    EXPECT_EQ(sequence(false, "", 3), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(NextEffectNumber(228, true, false, ""), 0);
    // A short selection: numbers past its end are not selected in this order.
    EXPECT_EQ(sequence(false, "0010", 3), (std::vector<int>{3, 3, 3}));
    EXPECT_EQ(sequence(false, only({7}), 3, false), (std::vector<int>{0, 0, 0}));
}

TEST(EffectChoice, RandomOrderDrawsOnlySelectedNumbers)
{
    platform::RandSeed = 42;
    std::set<int> seen;
    for (int n : sequence(true, only({5, 9, 200}), 300))
        seen.insert(n);
    EXPECT_EQ(seen, (std::set<int>{5, 9, 200}));
    // Past the end of a short selection every number counts as selected.
    seen.clear();
    for (int n : sequence(true, "00", 2000))
        seen.insert(n);
    EXPECT_FALSE(seen.count(1) || seen.count(2));
    EXPECT_TRUE(seen.count(0) == 0);  // 0 reads the first character
    EXPECT_GT(seen.size(), 200u);
    seen.clear();
    for (int n : sequence(true, "", 3000))
        seen.insert(n);
    EXPECT_EQ(seen.size(), 229u);  // 0 to 228
}

TEST(EffectChoice, ASelectionAllowingNothingEndsWithPlainDrawing)
{
    const std::string none(kEffectCount, '0');
    EXPECT_EQ(NextEffectNumber(-1, true, false, none), 0);
    EXPECT_EQ(NextEffectNumber(17, true, true, none), 0);
    EXPECT_EQ(NextEffectNumber(3, true, false, "0000"), 0);
    EXPECT_EQ(SelectionChar("10", 0), '1');
    EXPECT_EQ(SelectionChar("10", 2), '0');
    EXPECT_EQ(SelectionChar("10", 3), '\0');
}
