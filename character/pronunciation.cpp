#include "character/pronunciation.h"

#include <array>

namespace quorvel {

namespace {

// The parts Italian number words are made of, with the forms that lose their last vowel before
// "uno" and "otto" ("ventuno", "centottanta"). Longer parts first, so that "sessanta" wins over
// "sessant" when both would do.
constexpr std::array kParts {
    u"diciassette", u"diciannove", u"quattordici", u"cinquanta", u"quaranta", u"quindici",
    u"tredici",     u"sessanta",   u"settanta",    u"diciotto",  u"miliardo", u"miliardi",
    u"novanta",     u"ottanta",    u"quattro",     u"undici",    u"dodici",   u"sedici",
    u"cinquant",    u"quarant",    u"sessant",     u"settant",   u"milione",  u"milioni",
    u"trenta",      u"cinque",     u"novant",      u"ottant",    u"dieci",    u"venti",
    u"cento",       u"mille",      u"sette",       u"trent",     u"mila",     u"otto",
    u"nove",        u"zero",       u"vent",        u"cent",      u"uno",      u"due",
    u"tre",         u"tré",        u"sei",         u"un",
};

// Splits a lower-case word into number parts; returns the start of each part, or nothing when
// the word is not made of number parts alone.
QList<int> numberParts(QStringView word)
{
    const int n = int(word.size());
    // next[i]: length of the part that starts a full split of word[i..], 0 if there is none
    QList<int> next(n + 1, 0);
    QList<bool> done(n + 1, false);
    done[n] = true;
    for (int i = n - 1; i >= 0; --i) {
        for (const char16_t *part : kParts) {
            const QStringView candidate(part);
            const qsizetype end = i + candidate.size();
            if (end <= n && done[end] && word.mid(i).startsWith(candidate)) {
                next[i] = int(candidate.size());
                break;
            }
        }
        done[i] = next[i] > 0;
    }
    QList<int> starts;
    if (n == 0 || !done[0])
        return starts;
    for (int i = 0; i < n; i += next[i])
        starts.append(i);
    return starts;
}

void append(SpokenText &spoken, QChar c, int source)
{
    spoken.text.append(c);
    spoken.source.append(source);
}

} // namespace

SpokenText spokenForm(const QString &text)
{
    SpokenText spoken;
    spoken.text.reserve(text.size() + 8);
    spoken.source.reserve(text.size() + 8);
    int i = 0;
    while (i < text.size()) {
        if (!text[i].isLetter()) {
            append(spoken, text[i], i);
            ++i;
            continue;
        }
        int end = i;
        while (end < text.size() && text[end].isLetter())
            ++end;
        const QString word = text.mid(i, end - i);
        const QString lower = word.toLower();
        const QList<int> parts = lower.size() == word.size() ? numberParts(lower) : QList<int>();
        const bool compound = parts.size() >= 2;
        const bool endsInTre = compound && lower.mid(parts.last()) == u"tre";
        for (int k = 0; k < word.size(); ++k) {
            if (compound && k > 0 && parts.contains(k) && lower[k] == u's')
                append(spoken, u'-', i + k);
            QChar c = word[k];
            if (endsInTre && k == word.size() - 1)
                c = c.isUpper() ? QChar(u'É') : QChar(u'é');
            append(spoken, c, i + k);
        }
        i = end;
    }
    return spoken;
}

} // namespace quorvel
