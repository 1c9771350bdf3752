#include "words/numlett.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace quorvel {

namespace {

std::string quoted(std::string_view text)
{
    constexpr std::size_t shown = 40; // the text ends up in an error box
    std::string result = "\"" + std::string(text.substr(0, shown));
    return result + (text.size() > shown ? "...\"" : "\"");
}

bool allDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Entry v is the word for v from 0 to 20; entry t + 18 is the tens word of the tens digit t
// from 2 to 9 ("venti" serves both as 20 and as the tens word of 21 to 29).
constexpr std::array<std::string_view, 28> words {
    "",         "uno",        "due",         "tre",      "quattro",  "cinque",
    "sei",      "sette",      "otto",        "nove",     "dieci",    "undici",
    "dodici",   "tredici",    "quattordici", "quindici", "sedici",   "diciassette",
    "diciotto", "diciannove", "venti",       "trenta",   "quaranta", "cinquanta",
    "sessanta", "settanta",   "ottanta",     "novanta"};

// A group of exactly one takes the singular alone: "mille", not "unomila".
struct Scale
{
    std::int64_t size;
    std::string_view one;
    std::string_view many;
};
constexpr std::array<Scale, 4> scales {{
    {1'000'000'000, "unmiliardo", "miliardi"},
    {1'000'000, "unmilione", "milioni"},
    {1'000, "mille", "mila"},
    {1, "uno", ""},
}};
constexpr std::int64_t largestNamed = 999'999'999'999;

// group: 2 to 999.
void appendGroup(std::string &text, std::size_t group)
{
    const std::size_t hundreds = group / 100;
    const std::size_t rest = group % 100;
    if (hundreds > 1)
        text += words[hundreds];
    if (hundreds > 0)
        text += "cento";
    if (rest <= 20) {
        text += words[rest];
        return;
    }
    const std::size_t units = rest % 10;
    text += words[rest / 10 + 18];
    // The tens word loses its final vowel before "uno" and "otto" (ventuno, trentotto); after
    // "cento" and the scale words it stays (centouno, milleotto).
    if (units == 1 || units == 8)
        text.pop_back();
    text += words[units];
}

} // namespace

Currency Currency::fromText(std::string_view text)
{
    std::string_view rest = text;
    const bool negative = !rest.empty() && rest.front() == '-';
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+'))
        rest.remove_prefix(1);
    const std::size_t point = rest.find('.');
    const std::string_view whole = rest.substr(0, point);
    const std::string_view fraction
        = point == std::string_view::npos ? std::string_view {} : rest.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || !allDigits(whole) || !allDigits(fraction))
        throw std::invalid_argument(quoted(text) + " non è un numero decimale");

    // Read sign, whole digits and the first four decimals as one integer of ten-thousandths;
    // std::from_chars does the overflow check, INT64_MIN included.
    std::string digits = negative ? "-" : "";
    digits.append(whole)
        .append(fraction.substr(0, 4))
        .append(4 - std::min<std::size_t>(fraction.size(), 4), '0');
    std::int64_t units = 0;
    const auto read = std::from_chars(digits.data(), digits.data() + digits.size(), units);
    const auto outOfRange = [&] {
        return std::out_of_range(quoted(text) + " è fuori dall'intervallo della valuta");
    };
    if (read.ec == std::errc::result_out_of_range)
        throw outOfRange();

    // Past the fourth decimal: to the nearest ten-thousandth, a tie to the even one.
    if (fraction.size() > 4) {
        const std::string_view dropped = fraction.substr(4);
        const bool moreThanHalf = dropped.find_first_not_of('0', 1) != std::string_view::npos;
        if (dropped.front() > '5' || (dropped.front() == '5' && (moreThanHalf || units % 2 != 0))) {
            constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
            constexpr auto highest = std::numeric_limits<std::int64_t>::max();
            if (units == (negative ? lowest : highest))
                throw outOfRange();
            units += negative ? -1 : 1;
        }
    }
    return fromTenThousandths(units);
}

std::string numlett(Currency numer)
{
    std::int64_t rest = numer.wholePart();
    std::string text;
    // Beyond the billions the groups would run past three digits, and the table with them.
    if (rest < 1 || rest > largestNamed)
        return text;
    for (const Scale &scale : scales) {
        const auto group = static_cast<std::size_t>(rest / scale.size);
        rest %= scale.size;
        if (group == 1) {
            text += scale.one;
        } else if (group > 1) {
            appendGroup(text, group);
            text += scale.many;
        }
    }
    return text;
}

} // namespace quorvel
