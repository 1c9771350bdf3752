// The voice: the pronunciation rewrite (checked on the engine's own phonemes), real espeak-ng
// synthesis, and how word timings lead back to the written text.

#include "character/pronunciation.h"
#include "character/speech.h"
#include "character/speech_player.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

using namespace quorvel;

namespace {

VoiceSettings italian()
{
    VoiceSettings voice;
    voice.language = QStringLiteral("it");
    voice.rate = 150;
    return voice;
}

bool engineHasItalian()
{
    return !speech_engine::phonemes(QStringLiteral("ciao"), QStringLiteral("it")).isEmpty();
}

} // namespace

class TestCharacterSpeech : public QObject
{
    Q_OBJECT

private slots:
    void spokenForm_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("ventitre") << "ventitre"
                                  << "ventitré";
        QTest::newRow("capitals") << "Trentatre VENTITRE"
                                  << "Trentatré VENTITRÉ";
        QTest::newRow("thousands") << "duemilatre"
                                   << "duemilatré";
        QTest::newRow("alone") << "tre tredici trecento"
                               << "tre tredici trecento";
        QTest::newRow("already accented") << "ventitré"
                                          << "ventitré";
        QTest::newRow("s after mila and cento") << "settemilasettecentosette"
                                                << "settemila-settecento-sette";
        QTest::newRow("sedici, sei") << "milleseicentosedici"
                                     << "mille-seicento-sedici";
        QTest::newRow("tens") << "sessantasei trentasette"
                              << "sessanta-sei trenta-sette";
        QTest::newRow("both") << "Il numero è centosettantatre."
                              << "Il numero è cento-settantatré.";
        QTest::newRow("elided") << "centottantatre ventuno"
                                << "centottantatré ventuno";
        QTest::newRow("s first") << "seicento seimila"
                                 << "seicento seimila";
        QTest::newRow("not numbers") << "Sei grande! settembre tremare l'abaco sessantenne"
                                     << "Sei grande! settembre tremare l'abaco sessantenne";
        QTest::newRow("millions") << "unmilionetre"
                                  << "unmilionetré";
        QTest::newRow("digits") << "Siamo a 150 punti!"
                                << "Siamo a 150 punti!";
    }

    void spokenForm()
    {
        QFETCH(QString, written);
        QFETCH(QString, spoken);
        const SpokenText result = quorvel::spokenForm(written);
        QCOMPARE(result.text, spoken);
        // Every spoken character leads back to the written one it stands for.
        QCOMPARE(result.source.size(), result.text.size());
        for (int i = 0; i < result.text.size(); ++i) {
            const QChar said = result.text[i];
            const QChar shown = written[result.source[i]];
            if (said == u'-')
                QCOMPARE(shown.toLower(), u's');
            else if (said != shown)
                QCOMPARE(QString(said).toLower() + QString(shown).toLower(), u"ée");
        }
    }

    void pronunciation_data()
    {
        // The engine's stress mark before the final e means "ventitré", not "ventìtre"; a z
        // would be the voiced s of "settemila-zettecento".
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("stressedOnLast");
        for (const char *word : {"ventitre", "trentatre", "quarantatre", "novantatre", "centotre",
                                 "milletre", "duemilaventitre", "novemilanovecentonovantatre",
                                 "settemilasettecentoventitre", "centosettantatre"})
            QTest::newRow(word) << word << true;
        for (const char *word :
             {"settemilasettecentosette", "duemilaseicento", "centosedici", "centosei",
              "sessantasei", "quarantasette", "settecentosettantasette", "milleseicentosessantasei",
              "seimilasei", "ventisei"})
            QTest::newRow(word) << word << false;
    }

    void pronunciation()
    {
        if (!engineHasItalian())
            QSKIP("espeak-ng has no Italian voice here");
        QFETCH(QString, number);
        QFETCH(bool, stressedOnLast);
        const QString phonemes
            = speech_engine::phonemes(quorvel::spokenForm(number).text, QStringLiteral("it"));
        const QString why = number + " → " + phonemes;
        QVERIFY2(!phonemes.contains(u'z'), qPrintable(why));
        if (stressedOnLast)
            QVERIFY2(phonemes.endsWith(QLatin1String("'e")), qPrintable(why));
        // The hyphens join the parts into one word: no word break, no pause.
        QVERIFY2(!phonemes.contains(u' '), qPrintable(why));
    }

    void synthesis()
    {
        if (!engineHasItalian())
            QSKIP("espeak-ng has no Italian voice here");
        const QString text = QStringLiteral("Attenzione hai sbagliato! Il numero è ventitre");
        const Utterance utterance = speech_engine::synthesise(text, italian());
        QVERIFY2(utterance.hasSound(), qPrintable(utterance.problem));
        QVERIFY(utterance.sampleRate >= 8000);
        // About 2.5 s of speech at 150 words a minute.
        QVERIFY2(utterance.durationMs() > 1500 && utterance.durationMs() < 6000,
                 qPrintable(QString::number(utterance.durationMs())));
        const auto *samples = reinterpret_cast<const qint16 *>(utterance.samples.constData());
        const qsizetype count = utterance.samples.size() / 2;
        double energy = 0;
        int peak = 0;
        for (qsizetype i = 0; i < count; ++i) {
            energy += double(samples[i]) * samples[i];
            peak = qMax(peak, qAbs(int(samples[i])));
        }
        QVERIFY2(std::sqrt(energy / count) > 300, "too quiet");
        QVERIFY(peak > 3000);

        // One mark per written word, in order, each on its word of the written text.
        const QStringList words {"Attenzione", "hai", "sbagliato", "Il", "numero", "è", "ventitre"};
        QCOMPARE(utterance.words.size(), words.size());
        int previous = -1;
        for (int i = 0; i < words.size(); ++i) {
            const WordMark &mark = utterance.words[i];
            QCOMPARE(text.mid(mark.start, mark.length), words[i]);
            QVERIFY(mark.ms >= previous && mark.ms < utterance.durationMs());
            previous = mark.ms;
        }
    }

    void marksOfRewrittenWordsStayInTheirWord()
    {
        if (!engineHasItalian())
            QSKIP("espeak-ng has no Italian voice here");
        const QString text = QStringLiteral("Il numero è settemilasettecentosette.");
        const Utterance utterance = speech_engine::synthesise(text, italian());
        QVERIFY(utterance.hasSound());
        const int word = int(text.indexOf(QLatin1String("settemila")));
        bool reached = false;
        for (const WordMark &mark : utterance.words) {
            QVERIFY(mark.start >= 0 && mark.start + mark.length <= text.size());
            if (mark.start >= word) {
                reached = true;
                QCOMPARE(revealEnd(text, mark.start, mark.length), text.size()); // word and "."
            }
        }
        QVERIFY(reached);
    }

    void engineInputIsPlainText()
    {
        if (!engineHasItalian())
            QSKIP("espeak-ng has no Italian voice here");
        // Markup and phoneme escapes are read as text, not obeyed.
        const Utterance tags = speech_engine::synthesise(
            QStringLiteral("<break time=\"60s\"/> [[a:::::::::]] ciao"), italian());
        QVERIFY(tags.hasSound());
        QVERIFY(tags.durationMs() < 20000);
    }

    void backgroundSynthesis()
    {
        QFutureWatcher<Utterance> watcher;
        watcher.setFuture(synthesiseInBackground(QStringLiteral("Sei grande"), italian()));
        QTRY_VERIFY(watcher.isFinished());
        QCOMPARE(watcher.future().resultCount(), 1);
        if (engineHasItalian())
            QVERIFY(watcher.result().hasSound());
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestCharacterSpeech test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_character_speech.moc"
