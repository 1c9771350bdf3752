// Every number the game can show, and a sample of the big ones, through the pronunciation rewrite
// and espeak-ng's own phonemes (voice "it", IPA), judged as an Italian teacher would hear them.
//
// The judge cuts the written number word into its components ("settemilasettecentosette": sette,
// mila, sette, cento, sette), and the phonemes into vowel groups: a run of vowels is one group
// when one of two neighbours is a high vowel (i, u: the diphthongs of "sei", "due"), unless a
// stress mark stands between them (a new stressed syllable: "mila-ùno" is two groups, "milàuno"
// one); a stress mark belongs to the group after it. Each component has a known number of groups
// and a stressed one (the table below; "milione" is mi-li-ó-ne in the engine's careful reading).
// Then, for every number:
//  1. nothing dropped or merged: the groups are exactly as many as the components' together;
//  2. every stress falls on a component's own stressed group, never on another syllable;
//  3. the last component carries the last stress ("ventitré", "centoSEI");
//  4. "mila", "mille", the millions and billions, and "cento" (unless a scale word follows:
//     "centomila" is one group) carry their own stress;
//  5. no more than four unstressed groups run together;
//  6. no z: the s of "sei", "sette", "sedici", "sessanta", "settanta" stays unvoiced.

#include "character/pronunciation.h"
#include "character/speech.h"
#include "words/numlett.h"

#include <QRandomGenerator>
#include <QTest>

using namespace quorvel;

namespace {

struct Component
{
    QString name;
    int groups;
    int stressed; // index of the stressed group
};

// Name, groups and stressed group; longer names first, so that the cut prefers "sessanta" to
// "sessant" + a.
const QList<Component> kComponents = [] {
    const QString table = QStringLiteral(R"(
    diciassette 4 2  diciannove 4 2  quattordici 4 1  cinquanta 3 1  quaranta 3 1  quindici 3 0
    miliardo 4 2  miliardi 4 2  sessanta 3 1  settanta 3 1  diciotto 3 1  tredici 3 0
    novanta 3 1  ottanta 3 1  quattro 2 0  milione 4 2  milioni 4 2  cinquant 2 1  quarant 2 1
    sessant 2 1  settant 2 1  undici 3 0  dodici 3 0  sedici 3 0  novant 2 1  ottant 2 1
    trenta 2 0  cinque 2 0  dieci 2 0  venti 2 0  cento 2 0  mille 2 0  sette 2 0  trent 1 0
    mila 2 0  otto 2 0  nove 2 0  vent 1 0  uno 2 0  due 1 0  tre 1 0  sei 1 0  un 1 0)");
    const QStringList words = table.simplified().split(u' ');
    QList<Component> list;
    for (qsizetype i = 0; i + 2 < words.size(); i += 3)
        list.append({words[i], words[i + 1].toInt(), words[i + 2].toInt()});
    return list;
}();

bool isScale(QStringView name)
{
    return name == u"mille" || name == u"mila" || name.startsWith(u"milion")
        || name.startsWith(u"miliard");
}

// The components of a number word, or nothing when it is not made of them.
QList<const Component *> components(QStringView word)
{
    const qsizetype n = word.size();
    QList<const Component *> next(n + 1, nullptr);
    QList<bool> ends(n + 1, false);
    ends[n] = true;
    for (qsizetype i = n - 1; i >= 0; --i) {
        for (const Component &c : kComponents) {
            const QString &name = c.name;
            if (i + name.size() <= n && ends[i + name.size()] && word.mid(i).startsWith(name)) {
                next[i] = &c;
                break;
            }
        }
        ends[i] = next[i] != nullptr;
    }
    QList<const Component *> cut;
    for (qsizetype i = 0; i < n && next[i]; i += next[i]->name.size())
        cut.append(next[i]);
    return ends[0] ? cut : QList<const Component *>();
}

struct Group
{
    bool stressed = false;
    bool primary = false;
};

QList<Group> vowelGroups(const QString &ipa)
{
    static const QString vowels = QStringLiteral("aeiouɛɔɪʊəɐ");
    static const QString high = QStringLiteral("iuɪʊ");
    QList<Group> groups;
    QChar previousVowel; // null after anything but a vowel
    QChar mark;
    for (const QChar c : ipa) {
        if (c == u'ˈ' || c == u'ˌ') {
            mark = c;
            previousVowel = QChar();
        } else if (vowels.contains(c)) {
            const bool joins
                = !previousVowel.isNull() && (high.contains(previousVowel) || high.contains(c));
            if (!joins)
                groups.append({!mark.isNull(), mark == u'ˈ'});
            mark = QChar();
            previousVowel = c;
        } else if (c != u'ː') {
            previousVowel = QChar();
        }
    }
    return groups;
}

// What is wrong with how the engine says this number, or nothing.
QString judge(long long number)
{
    const QString word
        = QString::fromStdString(numlett(Currency::fromText(std::to_string(number))));
    const QList<const Component *> parts = components(word);
    if (parts.isEmpty())
        return QStringLiteral("the words are not made of known components");
    const QString spoken = spokenForm(word).text;
    const QString ipa
        = speech_engine::phonemes(spoken, QStringLiteral("it"), speech_engine::Notation::Ipa);
    const QList<Group> groups = vowelGroups(ipa);
    QString problems;
    const auto fail = [&](const QString &why) {
        problems += why + QStringLiteral("; ");
    };
    if (ipa.contains(u'z'))
        fail(QStringLiteral("a voiced s"));
    int expected = 0;
    for (const Component *c : parts)
        expected += c->groups;
    if (groups.size() != expected) {
        fail(QStringLiteral("%1 vowel groups, not %2").arg(groups.size()).arg(expected));
    } else {
        int at = 0;
        int lastStress = -1;
        for (qsizetype p = 0; p < parts.size(); ++p) {
            const Component &c = *parts[p];
            const QString &name = c.name;
            for (int g = 0; g < c.groups; ++g) {
                if (groups[at + g].stressed && g != c.stressed)
                    fail(QStringLiteral("%1 stressed on group %2").arg(name).arg(g + 1));
            }
            const bool last = p == parts.size() - 1;
            const bool mustStress = last || (isScale(name) && name != u"un")
                || (name == u"cento" && !(p + 1 < parts.size() && isScale(parts[p + 1]->name)));
            if (mustStress && !groups[at + c.stressed].stressed)
                fail(QStringLiteral("%1 unstressed").arg(name));
            if (last && groups[at + c.stressed].stressed)
                lastStress = at + c.stressed;
            at += c.groups;
        }
        for (qsizetype g = lastStress + 1; g < groups.size(); ++g) {
            if (groups[g].stressed)
                fail(QStringLiteral("stressed after the last component's stress"));
        }
        int run = 0;
        for (const Group &g : groups) {
            run = g.stressed ? 0 : run + 1;
            if (run > 4) {
                fail(QStringLiteral("more than four unstressed groups in a row"));
                break;
            }
        }
    }
    return problems.isEmpty()
        ? QString()
        : QStringLiteral("%1 %2 → %3 [%4]: %5").arg(number).arg(word, spoken, ipa, problems);
}

} // namespace

class TestCharacterPronunciation : public QObject
{
    Q_OBJECT

private slots:
    void everyNumberOfTheGameAndSomeBigOnes()
    {
        QList<long long> numbers;
        for (long long n = 1; n <= 9999; ++n)
            numbers.append(n);
        // The seams of the scales, and a fixed sample of the rest up to the largest name.
        for (long long n : {1000000LL, 1000001LL, 2000001LL, 1000011LL, 21000000LL, 1100000LL,
                            1000000000LL, 1000000001LL, 2000000008LL, 2002002002LL, 100100100100LL,
                            999999999999LL, 17017017017LL, 606606606606LL})
            numbers.append(n);
        QRandomGenerator sample(10);
        for (int i = 0; i < 1000; ++i)
            numbers.append(sample.bounded(10000LL, 1000000000000LL));
        QStringList wrong;
        for (const long long n : std::as_const(numbers)) {
            const QString problem = judge(n);
            if (!problem.isEmpty())
                wrong.append(problem);
        }
        QVERIFY2(wrong.isEmpty(),
                 qPrintable(QString::number(wrong.size()) + " wrong, first ones:\n"
                            + wrong.mid(0, 30).join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestCharacterPronunciation)

#include "tst_character_pronunciation.moc"
