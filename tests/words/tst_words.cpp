// numlett's names, read back. Its reading of decimal text is compared with a plain second reader
// in fuzz/, which `scripts/quorvel check` runs.

#include "words/numlett.h"

#include <QTest>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using quorvel::Currency;
using quorvel::numlett;

namespace {

// Reads a name back into its number, on its own terms, and insists on the grammar as it goes:
// known words only, a tens word cut exactly before "uno" and "otto", "cento" after nothing or a
// digit from 2, scale words from the largest down and a group of one named by the singular alone.
// Returns -1 for text that breaks any of these.
std::int64_t readBack(const std::string &name)
{
    enum Kind { Small, Tens, CutTens, Hundred, One, Many };
    struct Word
    {
        std::string text;
        std::int64_t value;
        Kind kind;
    };
    static const std::vector<Word> vocabulary = [] {
        std::vector<Word> v {{"cento", 100, Hundred},
                             {"mille", 1000, One},
                             {"mila", 1000, Many},
                             {"unmilione", 1'000'000, One},
                             {"milioni", 1'000'000, Many},
                             {"unmiliardo", 1'000'000'000, One},
                             {"miliardi", 1'000'000'000, Many}};
        std::istringstream table("uno due tre quattro cinque sei sette otto nove dieci undici "
                                 "dodici tredici quattordici quindici sedici diciassette diciotto "
                                 "diciannove venti trenta quaranta cinquanta sessanta settanta "
                                 "ottanta novanta");
        std::int64_t value = 0;
        for (std::string word; table >> word;) {
            value += value < 20 ? 1 : 10;
            v.push_back({word, value, value < 20 ? Small : Tens});
            if (value >= 20)
                v.push_back({word.substr(0, word.size() - 1), value, CutTens});
        }
        return v;
    }();

    std::int64_t total = 0, group = 0, lastScale = INT64_MAX;
    Kind previous = One;
    for (std::size_t pos = 0; pos < name.size();) {
        const Word *word = nullptr;
        for (const Word &w : vocabulary)
            if (name.compare(pos, w.text.size(), w.text) == 0
                && (!word || w.text.size() > word->text.size()))
                word = &w;
        if (!word)
            return -1;
        pos += word->text.size();
        const bool vowelUnit = word->kind == Small && (word->value == 1 || word->value == 8);
        const bool scale = word->kind == One || word->kind == Many;
        if (((previous == CutTens || previous == Tens) && (previous == CutTens) != vowelUnit)
            || (word->kind == Hundred && (group == 1 || group > 9))
            || (word->kind == One && group != 0) || (word->kind == Many && group < 2)
            || (scale && word->value >= std::exchange(lastScale, word->value)))
            return -1;
        if (word->kind == Hundred)
            group = std::max<std::int64_t>(group, 1) * 100;
        else if (scale)
            total += std::max<std::int64_t>(std::exchange(group, 0), 1) * word->value;
        else
            group += word->value;
        previous = word->kind;
    }
    return previous == CutTens ? -1 : total + group;
}

} // namespace

class TestWords : public QObject
{
    Q_OBJECT
private slots:
    // Where the read-back cannot look: only the whole part is named, and what has no name
    // (below 1, from 10^12 up) gives the empty text.
    void namesTheEdgesOfTheType()
    {
        const std::pair<const char *, const char *> names[] = {
            {"0.9999", ""},
            {"1.9999", "uno"},
            {"21.5", "ventuno"},
            {"-1", ""},
            {"1000000000000", ""},
            {"-922337203685477.5808", ""},
            {"999999999999.9999",
             "novecentonovantanovemiliardinovecentonovantanovemilioni"
             "novecentonovantanovemilanovecentonovantanove"},
        };
        for (const auto &[number, name] : names)
            QCOMPARE(numlett(Currency::fromText(number)), std::string(name));
    }

    void everyNameIsWellFormedAndReadsBack()
    {
        // Every number the game can show, then large ones whose groups are drawn with a bias to
        // 0, 1 and the cut tens, where the naming turns. Catches a word taken from the wrong
        // entry, a vowel dropped where it must stay or kept where it must go, and anything that
        // is not a known word (blanks, accents).
        std::mt19937_64 random(20240601);
        const std::vector<int> turns {0, 0, 1, 1, 21, 28, 101, 108, 180, 981};
        auto group = [&]() -> std::int64_t {
            return random() % 2 ? turns[random() % turns.size()]
                                : static_cast<int>(random() % 1000);
        };
        for (std::int64_t i = 0; i < 110'000; ++i) {
            const std::int64_t n
                = i < 10'000 ? i : ((group() * 1000 + group()) * 1000 + group()) * 1000 + group();
            const std::string name = numlett(Currency::fromWhole(n));
            if (readBack(name) != n)
                QFAIL(qPrintable(QStringLiteral("%1 named \"%2\"").arg(n).arg(name.c_str())));
        }
    }
};

QTEST_APPLESS_MAIN(TestWords)
#include "tst_words.moc"
