// libFuzzer target: arbitrary text through Currency::fromText, compared with a second reader
// written the slow, plain way: the grammar checked character by character, the value kept as a
// decimal string and rounded by comparing the dropped digits with "5000...". Both must accept and
// refuse the same texts, for the same reason, and agree on every value.

#include "words/numlett.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

using quorvel::Currency;

namespace {

enum class Outcome { Value, NotANumber, OutOfRange };

struct Reading
{
    Outcome outcome = Outcome::NotANumber;
    std::int64_t units = 0;
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

Reading plainReading(const std::string &text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::string whole, fraction;
    while (i < text.size() && isDigit(text[i]))
        whole += text[i++];
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            fraction += text[i++];
    }
    if (i != text.size() || (whole.empty() && fraction.empty()))
        return {};

    while (fraction.size() < 4)
        fraction += '0';
    const std::string kept = fraction.substr(0, 4);
    std::string dropped = fraction.substr(4);
    // The magnitude in ten-thousandths, as long as it has fewer than 30 significant digits; more
    // is out of range whatever the sign.
    std::string digits = whole + kept;
    digits.erase(0, digits.find_first_not_of('0'));
    if (digits.size() > 30)
        return {Outcome::OutOfRange, 0};
    __int128 magnitude = 0;
    for (char c : digits)
        magnitude = magnitude * 10 + (c - '0');

    std::string half = "5";
    while (half.size() < dropped.size())
        half += '0';
    while (dropped.size() < half.size())
        dropped += '0';
    if (dropped > half || (dropped == half && magnitude % 2 == 1))
        magnitude += 1;

    const __int128 value = negative ? -magnitude : magnitude;
    if (value > INT64_MAX || value < INT64_MIN)
        return {Outcome::OutOfRange, 0};
    return {Outcome::Value, std::int64_t(value)};
}

Reading gameReading(const std::string &text)
{
    try {
        return {Outcome::Value, Currency::fromText(text).tenThousandths()};
    } catch (const std::invalid_argument &) {
        return {Outcome::NotANumber, 0};
    } catch (const std::out_of_range &) {
        return {Outcome::OutOfRange, 0};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const Reading game = gameReading(text);
    const Reading plain = plainReading(text);
    if (game.outcome != plain.outcome || game.units != plain.units)
        std::abort();
    return 0;
}
