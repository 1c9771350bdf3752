// Every number the game can show (0 to 9999, and 0 is never said) through the pronunciation
// rewrite and espeak-ng's own phonemes (voice "it", IPA), judged as an Italian teacher would hear
// them.
//
// The judge cuts the written number word into its components ("settemilasettecentosette": sette,
// mila, sette, cento, sette), and the phonemes into vowel groups: a run of vowels is one group
// when one of two neighbours is a high vowel (i, u: the diphthongs of "sei", "due"), unless a
// stress mark stands between them (a new stressed syllable: "mila-ùno" is two groups, "milàuno"
// one); a stress mark belongs to the group after it. Each component has a known number of groups
// and a stressed one (the table below). Then, for every number: nothing dropped or merged (the
// groups are exactly as many as the components' together); every stress on a component's own
// stressed group; the last component ("ventitré", "centoSEI": nothing stressed after it), "mila",
// "mille" and "cento" stressed; no more than four unstressed groups in a row; and no z: the s of
// "sei", "sette", "sedici", "sessanta", "settanta" stays unvoiced.

#include "character/voice/pronunciation.h"
#include "character/voice/synthesis.h"
#include "words/numlett.h"

#include <QTest>

#include <algorithm>

using namespace quorvel;

namespace {

struct Component
{
    QString name;
    int groups;
    int stressed; // index of the stressed group
};

// Name, groups and stressed group; longer names first, so that the cut takes "sessanta" whole
// rather than "sessant" and a dead end.
const QList<Component> kComponents = [] {
    const QString table = QStringLiteral(R"(
    diciassette 4 2  diciannove 4 2  quattordici 4 1  cinquanta 3 1  quaranta 3 1  quindici 3 0
    sessanta 3 1  settanta 3 1  diciotto 3 1  tredici 3 0  novanta 3 1  ottanta 3 1  quattro 2 0
    cinquant 2 1  quarant 2 1  sessant 2 1  settant 2 1  undici 3 0  dodici 3 0  sedici 3 0
    novant 2 1  ottant 2 1
    trenta 2 0  cinque 2 0  dieci 2 0  venti 2 0  cento 2 0  mille 2 0  sette 2 0  trent 1 0
    mila 2 0  otto 2 0  nove 2 0  vent 1 0  uno 2 0  due 1 0  tre 1 0  sei 1 0)");
    const QStringList words = table.simplified().split(u' ');
    QList<Component> list;
    for (qsizetype i = 0; i + 2 < words.size(); i += 3)
        list.append({words[i], words[i + 1].toInt(), words[i + 2].toInt()});
    return list;
}();

// The components of a number word, each the first name of the table it starts with, or nothing
// when it is not made of them.
QList<const Component *> components(QStringView word)
{
    QList<const Component *> cut;
    for (qsizetype i = 0; i < word.size(); i += cut.last()->name.size()) {
        const auto starts = [&](const Component &c) {
            return word.mid(i).startsWith(c.name);
        };
        const auto c = std::find_if(kComponents.begin(), kComponents.end(), starts);
        if (c == kComponents.end())
            return {};
        cut.append(&*c);
    }
    return cut;
}

// Whether each vowel group is stressed.
QList<bool> vowelGroups(const QString &ipa)
{
    static const QString vowels = QStringLiteral("aeiouɛɔɪʊəɐ");
    static const QString high = QStringLiteral("iuɪʊ");
    QList<bool> groups;
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
                groups.append(!mark.isNull());
            mark = QChar();
            previousVowel = c;
        } else if (c != u'ː') {
            previousVowel = QChar();
        }
    }
    return groups;
}

// What is wrong with how espeak-ng says this number, or nothing.
QString judge(long long number)
{
    const QString word
        = QString::fromStdString(numlett(Currency::fromText(std::to_string(number))));
    const QList<const Component *> parts = components(word);
    if (parts.isEmpty())
        return QStringLiteral("the words are not made of known components");
    const QString spoken = spokenForm(word).text;
    const QString ipa = phonemes(spoken, QStringLiteral("it"), Notation::Ipa);
    const QList<bool> stressed = vowelGroups(ipa);
    QStringList problems;
    if (ipa.contains(u'z'))
        problems << QStringLiteral("a voiced s");
    int expected = 0;
    for (const Component *c : parts)
        expected += c->groups;
    if (stressed.size() != expected) {
        problems << QStringLiteral("%1 vowel groups, not %2").arg(stressed.size()).arg(expected);
    } else {
        int at = 0;
        for (qsizetype p = 0; p < parts.size(); ++p) {
            const Component &c = *parts[p];
            for (int g = 0; g < c.groups; ++g) {
                if (stressed[at + g] && g != c.stressed)
                    problems << QStringLiteral("%1 stressed on group %2").arg(c.name).arg(g + 1);
            }
            const bool last = p == parts.size() - 1;
            const bool mustStress
                = last || c.name == u"mila" || c.name == u"mille" || c.name == u"cento";
            if (mustStress && !stressed[at + c.stressed])
                problems << QStringLiteral("%1 unstressed").arg(c.name);
            at += c.groups;
        }
        int run = 0, longest = 0;
        for (const bool s : stressed)
            longest = qMax(longest, run = s ? 0 : run + 1);
        if (longest > 4)
            problems << QStringLiteral("more than four unstressed groups in a row");
    }
    const QString all = problems.join(u"; ");
    return all.isEmpty()
        ? all
        : QStringLiteral("%1 %2 → %3 [%4]: %5").arg(number).arg(word, spoken, ipa, all);
}

} // namespace

class TestCharacterPronunciation : public QObject
{
    Q_OBJECT

private slots:
    void everyNumberOfTheGame()
    {
        QStringList wrong;
        for (int n = 1; n <= 9999; ++n) {
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
