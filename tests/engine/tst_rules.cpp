// The game's rules without a screen: the sums, limits and tables a pupil's score depends on.
#include "engine/rules.h"
#include "engine/runtime_error.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

using namespace quorvel::rules;

namespace {

Counter counterAt(int value)
{
    Counter c;
    for (int i = 0; i < value; ++i)
        c.increment();
    return c;
}

} // namespace

TEST(Score, CountersStopAtTheTopInsteadOfEndingTheGame)
{
    Counter c = counterAt(Counter::Top);
    c.increment(); // once ended the program with an overflow
    EXPECT_EQ(c.value(), 32767);
    EXPECT_EQ(total(c, c), 65534); // two full counters, summed without overflow
}

TEST(Answer, OnlyTheExactDigitsAreRight)
{
    const std::tuple<const char *, const char *, bool> cases[] = {
        {"507", "507", true},   {"0", "0", true},       {"0507", "507", false},
        {" 507", "507", false}, {"507 ", "507", false}, {"", "507", false},
        {"", "0", false},       {"5O7", "507", false},  {"00", "0", false},
        {"9999", "9999", true},
    };
    for (const auto &[answer, digits, right] : cases)
        EXPECT_EQ(isRight(answer, digits), right) << '"' << answer << '"';
}

TEST(Abacus, EveryNumberSplitsIntoItsOwnDigits)
{
    // Digits of 0..9 that rebuild the number are its decimal digits and nothing else.
    for (int n = 0; n <= 9999; ++n) {
        const Digits d = splitDigits(n);
        for (int digit : {d.units, d.tens, d.hundreds, d.thousands})
            ASSERT_TRUE(digit >= 0 && digit <= 9) << n;
        ASSERT_EQ(d.units + 10 * d.tens + 100 * d.hundreds + 1000 * d.thousands, n);
    }
    EXPECT_THROW(splitDigits(10000), quorvel::RuntimeError);
    EXPECT_THROW(splitDigits(-1), quorvel::RuntimeError);
}

TEST(Colours, BackgroundFollowsTheScoreAndStaysInRange)
{
    // Each component just below and at its top, and the 655th wrong answer, which once
    // overflowed.
    const std::tuple<int, int, Colour> cases[] = {
        {0, 0, {20, 125, 25}},     {0, 4, {24, 125, 225}},          {0, 5, {25, 125, 255}},
        {130, 0, {20, 255, 25}},   {131, 0, {20, 255, 25}},         {0, 235, {255, 125, 255}},
        {0, 655, {255, 125, 255}}, {32767, 32767, {255, 255, 255}},
    };
    for (const auto &[right, wrong, colour] : cases)
        EXPECT_EQ(backgroundColour(counterAt(right), counterAt(wrong)), colour)
            << right << " right, " << wrong << " wrong";
}

TEST(Colours, GradientStripesCoverTheHeightOnce)
{
    int covered = 0;
    for (int i = 0; i < GradientStripes; ++i) {
        const Stripe s = gradientStripe(i);
        EXPECT_EQ(s.top, covered);
        EXPECT_EQ(s.bottom - s.top, 2);
        covered = s.bottom;
    }
    EXPECT_EQ(covered, GradientScaleHeight);
    EXPECT_THROW(gradientStripe(256), quorvel::RuntimeError);
}

TEST(Praise, MilestonesFollowTheCaption)
{
    // The caption is read as a number: "05" is the fifth point.
    for (const char *caption : {"5", "25", "50", "70", "100", "150", "05"}) {
        const auto rows = praiseFor(caption);
        ASSERT_EQ(rows.size(), 1u) << caption;
        EXPECT_EQ(rows[0].score, std::stoi(caption));
    }
    for (const char *caption :
         {"0", "4", "6", "24", "26", "49", "51", "99", "149", "151", "200", "", "io"})
        EXPECT_TRUE(praiseFor(caption).empty()) << caption;
}

TEST(Draw, NumbersComeFromTheSourceOrTheClock)
{
    NumberDraw draw;
    std::set<int> seen;
    for (int i = 0; i < 3000; ++i) {
        const int n = draw.next();
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 9999);
        seen.insert(n);
    }
    // Reseeding at every draw must not make numbers repeat or cluster.
    EXPECT_GT(seen.size(), 2000u);
    EXPECT_LT(*seen.begin(), 1000);
    EXPECT_GT(*seen.rbegin(), 9000);

    int next = 41;
    draw.setSource([&next] { return next++; });
    EXPECT_EQ(draw.next(), 41);
    EXPECT_EQ(draw.next(), 42);
    draw.setSource([] { return 10000; });
    EXPECT_THROW(draw.next(), quorvel::RuntimeError);
}
