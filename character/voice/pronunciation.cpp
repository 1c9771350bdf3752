#include "character/voice/pronunciation.h"

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

// The words after which a teacher starts the next part afresh: thousands, millions, billions.
bool isScale(QStringView part)
{
    return part == u"mille" || part == u"mila" || part == u"milione" || part == u"milioni"
        || part == u"miliardo" || part == u"miliardi";
}

bool isVowel(QChar c)
{
    return QStringView(u"aeiouéò").contains(c);
}

// Syllables as spelled: vowel runs, without the i of "ci", "gi" before a vowel and the u of "qu".
int syllables(const QStringList &parts)
{
    const QString word = parts.join(QString());
    int count = 0;
    bool inNucleus = false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const bool glide = i > 0 && i + 1 < word.size() && isVowel(word[i + 1])
            && ((word[i] == u'i' && (word[i - 1] == u'c' || word[i - 1] == u'g'))
                || (word[i] == u'u' && word[i - 1] == u'q'));
        const bool nucleus = isVowel(word[i]) && !glide;
        if (nucleus && !inNucleus)
            ++count;
        inNucleus = nucleus;
    }
    return count;
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
    spoken.text.reserve(text.size() + 16);
    spoken.source.reserve(text.size() + 16);
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
        const QList<int> starts = lower.size() == word.size() ? numberParts(lower) : QList<int>();
        if (starts.size() < 2) {
            for (int k = 0; k < word.size(); ++k)
                append(spoken, word[k], i + k);
            i = end;
            continue;
        }
        QStringList parts;
        for (qsizetype p = 0; p < starts.size(); ++p)
            parts.append(lower.mid(
                starts[p], (p + 1 < starts.size() ? starts[p + 1] : lower.size()) - starts[p]));
        const qsizetype last = parts.size() - 1;
        QList<bool> hyphenBefore(parts.size(), false);
        qsizetype segment = 0; // the first part since the last hyphen
        for (qsizetype p = 1; p < parts.size(); ++p) {
            // Millions and billions are words of their own to a teacher ("ventun milioni"), and so
            // are the thousands after a long multiplier ("diciassette mila", "novantanove mila"),
            // or after one that follows a cut and starts with a vowel ("cento uno mila", whose
            // "uno" would otherwise melt into "cento"): five unstressed syllables or a lost one.
            const bool longMultiplier = p - segment >= 2
                || syllables(parts.mid(segment, p - segment)) >= 4
                || (segment > 0 && isVowel(parts[segment][0]));
            hyphenBefore[p] = isScale(parts[p - 1])
                || (parts[p - 1] == u"cento" && !isScale(parts[p])) || parts[p].startsWith(u's')
                || parts[p].startsWith(u"milion") || parts[p].startsWith(u"miliard")
                || (isScale(parts[p]) && longMultiplier);
            if (hyphenBefore[p])
                segment = p;
        }
        QList<std::pair<int, QChar>> accents; // where in the word, and the accented letter
        for (qsizetype p = 0; p < parts.size(); ++p) {
            // Last in its stress group, where espeak-ng would stress the wrong syllable or
            // open the wrong vowel.
            if (p != last && !hyphenBefore[p + 1])
                continue;
            if (parts[p] == u"tre")
                accents.append({starts[p] + 2, u'é'});
            else if (parts[p] == u"venti")
                accents.append({starts[p] + 1, u'é'});
            else if (parts[p] == u"nove" && p > 0 && !hyphenBefore[p])
                accents.append({starts[p] + 1, u'ò'});
        }
        for (int k = 0; k < word.size(); ++k) {
            const qsizetype p = starts.indexOf(k);
            if (p > 0 && hyphenBefore[p]) {
                // After the millions and billions espeak-ng melts a hyphen-joined vowel into
                // theirs ("miliardi-ottocento" loses a syllable); a space keeps them apart.
                const bool apart = isVowel(parts[p][0])
                    && (parts[p - 1].startsWith(u"milion") || parts[p - 1].startsWith(u"miliard"));
                append(spoken, apart ? u' ' : u'-', i + k);
            }
            QChar c = word[k];
            for (const auto &[at, accented] : std::as_const(accents)) {
                if (at == k)
                    c = c.isUpper() ? accented.toUpper() : accented;
            }
            append(spoken, c, i + k);
        }
        i = end;
    }
    return spoken;
}

} // namespace quorvel
