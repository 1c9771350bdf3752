#include "engine/rules.h"

#include "engine/runtime_error.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <random>

namespace quorvel::rules {

Colour Colour::clamped(int red, int green, int blue)
{
    auto clamp = [](int c) {
        return std::clamp(c, 0, 255);
    };
    return {clamp(red), clamp(green), clamp(blue)};
}

std::string scoreText(int value)
{
    return std::to_string(value);
}

int total(const Counter &esatte, const Counter &errate)
{
    return int(esatte.value()) + int(errate.value());
}

bool isRight(std::string_view answer, std::string_view numberDigits)
{
    return answer == numberDigits;
}

Verdict answerVerdict(bool right, std::string_view numberDigits)
{
    if (right)
        return {std::string(RightText), Yellow};
    return {std::string(WrongText) + std::string(numberDigits), Red};
}

Verdict checkVerdict(bool right, std::string_view numberWords)
{
    if (right)
        return {std::string(RightText), Blue};
    return {std::string(WrongText) + std::string(numberWords), Red};
}

Digits splitDigits(int number)
{
    if (number < 0 || number > NumberDraw::Largest)
        throw RuntimeError(RuntimeError::Overflow, "numero dell'esercizio fuori da 0..9999");
    // Lowest place first, each division exact once the lower digits are taken away.
    const int u = number % 10;
    const int t = (number - u) / 10 % 10;
    const int h = (number - 10 * t - u) / 100 % 10;
    const int m = (number - 100 * h - 10 * t - u) / 1000;
    return {u, t, h, m};
}

Colour backgroundColour(const Counter &esatte, const Counter &errate)
{
    // Worked in int, wide enough for any counter: the classic 16-bit sums overflowed from the
    // 655th wrong answer on and ended the game over a colour.
    const int wrong = errate.value();
    const int right = esatte.value();
    return Colour::clamped(wrong + 20, right + 125, wrong * 50 + 25);
}

Stripe gradientStripe(int index)
{
    if (index < 0 || index >= GradientStripes)
        throw RuntimeError(RuntimeError::SubscriptOutOfRange, "striscia fuori da 0..255");
    return {2 * index, 2 * index + 2, {180, 0, index}};
}

double captionValue(std::string_view caption)
{
    // Like the classic Val(): leading blanks skipped, then as many digits as there are.
    const auto start = caption.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return 0;
    caption.remove_prefix(start);
    double value = 0;
    const auto [end, error] = std::from_chars(caption.data(), caption.data() + caption.size(),
                                              value, std::chars_format::fixed);
    return error == std::errc() ? value : 0;
}

std::vector<Milestone> praiseFor(std::string_view scoreCaption)
{
    std::vector<Milestone> rows;
    for (const Milestone &row : Milestones)
        if (captionValue(scoreCaption) == row.score)
            rows.push_back(row);
    return rows;
}

int NumberDraw::next()
{
    if (m_source) {
        const int n = m_source();
        if (n < 0 || n > Largest)
            throw RuntimeError(RuntimeError::Overflow, "numero scelto fuori da 0..9999");
        return n;
    }
    // Seeded from the clock at every exercise, as the game always was: no two sessions repeat.
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seed {std::uint32_t(now), std::uint32_t(std::uint64_t(now) >> 32)};
    std::mt19937 generator(seed);
    return std::uniform_int_distribution<int>(0, Largest)(generator);
}

} // namespace quorvel::rules
