// The voice: the pronunciation rewrite leads back to the text as written (how it sounds is judged
// in tst_character_pronunciation), and real espeak-ng synthesis whose word timings do too.

#include "character/voice/pronunciation.h"
#include "character/voice/speech_player.h"
#include "character/voice/synthesis.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <span>

using namespace quorvel;

class TestCharacterSpeech : public QObject
{
    Q_OBJECT

private slots:
    void spokenForm()
    {
        const std::pair<QString, QString> cases[] = {
            {"ventitre Trentatre VENTITRE duemilatre unmilionetre centottantatre",
             "ventitré Trentatré VENTITRÉ duemila-tré un-milione-tré centottantatré"},
            {"Il numero è centosettantatre.", "Il numero è cento-settantatré."},
            {"duemilauno Centoventi ventinove duemilioniottocento",
             "duemila-uno Cento-vénti ventinòve due-milioni ottocento"},
            // Alone, already accented, not number words, or digits: as written.
            {"tre ventitré seicento Sei grande! settembre tremare sessantenne l'abaco 150", ""},
        };
        for (const auto &[written, rewritten] : cases) {
            const SpokenText spoken = quorvel::spokenForm(written);
            QCOMPARE(spoken.text, rewritten.isEmpty() ? written : rewritten);
            // Every spoken character leads back to the written one it stands for.
            QCOMPARE(spoken.source.size(), spoken.text.size());
            for (int i = 0; i < spoken.text.size(); ++i) {
                const QChar said = spoken.text[i].toLower();
                const QChar shown = written[spoken.source[i]].toLower();
                QVERIFY2(said == shown || said == u'-' || said == u' '
                             || (said == u'é' && shown == u'e') || (said == u'ò' && shown == u'o'),
                         qPrintable(written + " @ " + QString::number(i)));
            }
        }
    }

    void synthesis()
    {
        const QString text
            = QStringLiteral("Il numero è settemilasettecentosettantatre e non sessantasei.");
        const Utterance utterance = synthesise(text, VoiceSettings {});
        QVERIFY2(utterance.hasSound(), qPrintable(utterance.problem));
        // About 4 s of speech at 150 words a minute, and loud enough to be heard.
        QVERIFY2(utterance.durationMs() > 2500 && utterance.durationMs() < 8000,
                 qPrintable(QString::number(utterance.durationMs())));
        const qsizetype count = utterance.samples.size() / 2;
        double energy = 0;
        int peak = 0;
        for (const qint16 sample :
             std::span(reinterpret_cast<const qint16 *>(utterance.samples.constData()), count)) {
            energy += double(sample) * sample;
            peak = qMax(peak, qAbs(int(sample)));
        }
        QVERIFY2(std::sqrt(energy / count) > 300 && peak > 3000, "too quiet");

        // The word marks come in order, each revealing its written word, also after the rewritten
        // numbers.
        QStringList revealed;
        int previous = 0;
        for (const WordMark &mark : utterance.words) {
            QVERIFY(mark.ms >= previous && mark.ms < utterance.durationMs());
            previous = mark.ms;
            revealed << text.mid(mark.start, revealEnd(text, mark.start, mark.length) - mark.start);
        }
        QCOMPARE(revealed, text.split(u' '));

        // Markup and phoneme escapes are read out as words, not obeyed.
        const Utterance tags = synthesise(
            QStringLiteral("<break time=\"60s\"/> [[a:::::::::]] ciao"), VoiceSettings {});
        QVERIFY(tags.hasSound() && tags.durationMs() < 20000 && tags.words.size() > 2);
    }

    // A text is said a sentence at a time (here silently, by its sound's length: no sound
    // server), and every sentence's words are revealed, in order, before the speech ends.
    void sentenceAtATime()
    {
        const QString text = QStringLiteral("Ciao. Vuoi giocare con me? Allora giochiamo!");
        QList<int> revealed;
        const auto nothing = [] {
        };
        SpeechPlayer player({nothing, [&](int end) { revealed << end; }, nothing});
        player.say(text, VoiceSettings {});
        QTRY_VERIFY_WITH_TIMEOUT(revealed.contains(text.size()), 20000);
        QVERIFY(std::is_sorted(revealed.begin(), revealed.end()));
        const int lastSentence = int(text.indexOf(u"Allora"));
        QVERIFY(std::any_of(revealed.begin(), revealed.end(),
                            [&](int end) { return end > lastSentence && end < text.size(); }));
    }
};

QTEST_GUILESS_MAIN(TestCharacterSpeech)

#include "tst_character_speech.moc"
