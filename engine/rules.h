#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The game's rules, free of any screen: what the window's handlers decide, they ask here.
namespace quorvel::rules {

// A colour as red, green and blue components, 0 to 255 each.
struct Colour
{
    int red = 0;
    int green = 0;
    int blue = 0;

    // Components above 255 count as 255 (and below 0 as 0).
    static Colour clamped(int red, int green, int blue);
    friend bool operator==(const Colour &, const Colour &) = default;
};

// One of the two score counters. It counts like the 16-bit counter pupils' scores were always kept
// in, but a counter that has reached the top stays there instead of ending the game.
class Counter
{
public:
    static constexpr std::int16_t Top = 32767;

    std::int16_t value() const { return m_value; }
    void reset() { m_value = 0; }
    void increment()
    {
        if (m_value < Top)
            ++m_value;
    }

private:
    std::int16_t m_value = 0;
};

// The score display: plain decimal digits, no blanks, no leading zeros, "0" for zero.
std::string scoreText(int value);
// Right and wrong answers together, computed wide enough for two full counters (up to 65 534).
int total(const Counter &esatte, const Counter &errate);

// The answer is right only when it is the number's digits, character for character: no trimming,
// no numeric reading ("0507" and " 507" are wrong for 507).
bool isRight(std::string_view answer, std::string_view numberDigits);

struct Verdict
{
    std::string text;
    Colour colour;
};
inline constexpr std::string_view RightText = "Esatto, è incredibile!!!";
inline constexpr std::string_view WrongText = "Sbagliato!! ";
inline constexpr Colour Yellow {255, 255, 0};
inline constexpr Colour Red {255, 0, 0};
inline constexpr Colour Blue {0, 0, 255};
// After Enter the wrong verdict shows the digits, in red; a right one is yellow.
Verdict answerVerdict(bool right, std::string_view numberDigits);
// The check that opens every new exercise shows the words instead, and a right answer in blue.
Verdict checkVerdict(bool right, std::string_view numberWords);

// The digits of a number 0..9999, units first as the abacus's rods take them.
struct Digits
{
    int units;
    int tens;
    int hundreds;
    int thousands;
    friend bool operator==(const Digits &, const Digits &) = default;
};
Digits splitDigits(int number);

// The window's colour for a score: greener with right answers, redder and bluer with wrong ones.
Colour backgroundColour(const Counter &esatte, const Counter &errate);

// The gradient painted over the window at each exercise: 256 stripes, 2 units high each, over a
// client area 512 units high, from dark red at the top to violet at the bottom.
inline constexpr int GradientStripes = 256;
inline constexpr int GradientScaleHeight = 512;
struct Stripe
{
    int top; // in units of the 512-unit scale
    int bottom;
    Colour colour;
};
Stripe gradientStripe(int index);

// Praise for the right answers on display.
struct Milestone
{
    int score;
    std::string_view animation;
    std::string_view text;
};
inline constexpr std::array<Milestone, 6> Milestones {{
    {5, "congratulate_2", "Sei grande"},
    {25, "congratulate", "Sei grande"},
    {50, "wave", "Sei veramente ok. Sei arrivato a 50 punti!"},
    {70, "wave", "Sei veramente ok. Sei arrivato a 70 punti!"},
    {100, "congratulate", "Eccezionale! Siamo a 100 punti!"},
    {150, "congratulate_2", "Eccezionale! Siamo a 150 punti!"},
}};
// The caption of the score label read as a number, as the praise reads it: leading digits, with
// anything unreadable counting as 0.
double captionValue(std::string_view caption);
// The rows whose score the caption shows, in the table's order. Each row is its own test, though
// a caption holds one value and so matches one row at most.
std::vector<Milestone> praiseFor(std::string_view scoreCaption);

// The exercise's number, 0..9999, each equally likely. The generator is seeded afresh from the
// high-resolution clock at every draw. Tests replace the source to choose the numbers.
class NumberDraw
{
public:
    static constexpr int Largest = 9999;

    int next();
    void setSource(std::function<int()> source) { m_source = std::move(source); }

private:
    std::function<int()> m_source;
};

} // namespace quorvel::rules
