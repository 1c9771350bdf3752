// How soon the wizard speaks, measured on a real sound server (run_voice_timing.sh starts a
// private one with a null sink and records its monitor):
//   voice_timing play     plays the game: a wrong answer while the greeting is being said, then
//                         another once he is silent; prints the milliseconds from that Enter to
//                         the first sample written to the sink
//   voice_timing gaps F   reads the recording F and prints the silence between the end of each
//                         utterance's sound and the start of the next
#include "app/program.h"
#include "app/tavola.h"
#include "character/agent.h"
#include "character/format/character_file.h"
#include "character/voice/sound_stream.h"
#include "character/voice/synthesis.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <cstdio>

using namespace quorvel;

namespace {

const QString kCharacters = QStringLiteral(QUORVEL_BUILD_CHARACTERS);
const int kNumber = 7777;
const int kIdleAfter = 3; // the wizard is silent before this utterance: no gap to measure
constexpr int kQuiet = 64;

const QStringList &utterances()
{
    static const QStringList texts {
        QStringLiteral("Ciao. Vuoi giocare con me con l'abaco? E allora che il gioco abbia inizio. "
                       "Che la magia sia con te"),
        QStringLiteral("Attenzione hai sbagliato! Il numero è"),
        QStringLiteral("settemilasettecentosettantasette"),
        QStringLiteral("Attenzione hai sbagliato! Il numero è"),
        QStringLiteral("settemilasettecentosettantasette"),
    };
    return texts;
}

int play()
{
    Tavola::Seams seams;
    seams.characterFolders = {kCharacters};
    seams.numbers = [] {
        return kNumber;
    };
    Program program(seams);
    program.start();
    Tavola *window = program.window();
    if (!QTest::qWaitForWindowActive(window))
        return 1;
    auto *answer = window->findChild<QLineEdit *>(QStringLiteral("Text3"));
    Character &merlin = window->findChild<AgentControl *>()->Characters().Item("Merlin").get();
    // The voice comes into being when the greeting starts.
    SoundStream *sound = nullptr;
    if (!answer
        || !QTest::qWaitFor([&] { return sound = window->findChild<SoundStream *>(); }, 20000))
        return 1;
    int writes = 0;
    QElapsedTimer clock;
    qint64 firstWriteNs = 0;
    QObject::connect(sound, &SoundStream::started, [&] {
        ++writes;
        if (clock.isValid() && !firstWriteNs)
            firstWriteNs = clock.nsecsElapsed();
    });

    // While the greeting is being said.
    if (!QTest::qWaitFor([&] { return writes > 0 || sound->isPlaying(); }, 20000))
        return 1;
    if (!QTest::qWaitFor([&] { return answer->hasFocus(); }, 5000))
        return 1;
    QTest::keyClick(answer, Qt::Key_Return);
    if (!QTest::qWaitFor([&] { return merlin.isIdle(); }, 60000))
        return 1;

    // Silent and idle: the next exercise, then a wrong answer.
    QTest::keyClick(window->focusWidget(), Qt::Key_Return);
    if (!QTest::qWaitFor([&] { return merlin.isIdle() && answer->hasFocus(); }, 10000))
        return 1;
    QTest::qWait(300);
    clock.start();
    QTest::keyClick(answer, Qt::Key_Return);
    if (!QTest::qWaitFor([&] { return firstWriteNs > 0; }, 5000))
        return 1;
    std::printf("first-sample-ms %.2f\n", double(firstWriteNs) / 1e6);
    if (!QTest::qWaitFor([&] { return merlin.isIdle(); }, 30000))
        return 1;
    QTest::qWait(300);
    return 0;
}

int gaps(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray recording = file.readAll();
    const auto *heard = reinterpret_cast<const qint16 *>(recording.constData());
    const qsizetype heardCount = recording.size() / 2;
    const VoiceSettings voice = loadCharacterFile(kCharacters + "/merlin.acs")->model.voice;
    qsizetype position = 0;
    qsizetype previousEnd = -1;
    for (int u = 0; u < utterances().size(); ++u) {
        const QString &text = utterances()[u];
        const Utterance said = synthesise(text, voice);
        const auto *samples = reinterpret_cast<const qint16 *>(said.samples.constData());
        const qsizetype count = said.samples.size() / 2;
        qsizetype leadIn = 0;
        while (leadIn < count && qAbs(int(samples[leadIn])) < kQuiet)
            ++leadIn;
        if (said.sampleRate != 22050)
            return 1; // the recording is made at the voice's rate
        while (position < heardCount && qAbs(int(heard[position])) < kQuiet)
            ++position;
        if (position == heardCount) {
            std::printf("missing \"%s\"\n", qPrintable(text));
            return 1;
        }
        const qsizetype start = position - leadIn;
        if (u != kIdleAfter && previousEnd >= 0)
            std::printf("gap-ms %.1f\n", double(start - previousEnd) * 1000 / said.sampleRate);
        previousEnd = start + count;
        position = previousEnd;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == "play")
        return play();
    if (args.value(1) == "gaps" && args.size() == 3)
        return gaps(args[2]);
    std::fprintf(stderr, "usage: voice_timing play | gaps RECORDING\n");
    return 2;
}
