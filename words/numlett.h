#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvel {

// A signed fixed-point amount with four decimal places, held exactly as a count of
// ten-thousandths in 64 bits: from -922 337 203 685 477.5808 to 922 337 203 685 477.5807.
// It is what the game's numbers travel in between the digit box and the number words.
class Currency
{
public:
    static constexpr std::int64_t unitsPerWhole = 10000;

    constexpr Currency() noexcept = default;

    static constexpr Currency fromTenThousandths(std::int64_t units) noexcept
    {
        Currency value;
        value.m_units = units;
        return value;
    }

    // Throws std::out_of_range when the whole number has no exact value in the type.
    static constexpr Currency fromWhole(std::int64_t whole)
    {
        constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max() / unitsPerWhole;
        if (whole > largest || whole < -largest)
            throw std::out_of_range("whole number outside the currency range");
        return fromTenThousandths(whole * unitsPerWhole);
    }

    // Reads plain decimal text, independent of the locale:
    //   [+|-] digits [. digits]     at least one digit; "12", "-0.5", "+3", "7.", ".25"
    // Nothing else is accepted: no blanks anywhere, no ',' or thousands separators, no exponent,
    // no hexadecimal. Leading zeros are fine.
    // Digits beyond the fourth decimal are not an error: the value is rounded to the nearest
    // ten-thousandth, a tie to the even one (banker's rounding):
    // "0.00005" gives 0.0000, "0.00015" gives 0.0002, "0.000051" gives 0.0001.
    // Throws std::invalid_argument for text of any other form and std::out_of_range when the
    // rounded value lies outside the type's range.
    static Currency fromText(std::string_view text);

    constexpr std::int64_t tenThousandths() const noexcept { return m_units; }

    // The whole part, with the fraction cut off toward zero: 2.9 gives 2, -2.9 gives -2.
    constexpr std::int64_t wholePart() const noexcept { return m_units / unitsPerWhole; }

private:
    std::int64_t m_units = 0;
};

// The Italian name of the whole part of numer, as one word without accents, spaces or hyphens:
// 2345 gives "duemilatrecentoquarantacinque", 21 "ventuno", 1000 "mille".
// Names are given from 1 to 999 999 999 999. Everything else gives the empty text: 0, negative
// numbers, amounts below 1 (the fraction never adds words) and numbers of 1 000 000 000 000 and
// above, which this naming scheme (billions as its largest scale) cannot name. Safe for every
// value of the type.
std::string numlett(Currency numer);

} // namespace quorvel
