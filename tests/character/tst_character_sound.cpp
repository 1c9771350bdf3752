// The sound stream against a private PulseAudio server (a null sink) that misbehaves: one that
// gives no operation to start a short sound, one that takes connections and answers nothing.

#include "character/voice/sound_stream.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <pulse/stream.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/prctl.h>

#include <cmath>
#include <memory>

using namespace quorvel;

namespace {

bool g_refuseTrigger = false;
int g_triggers = 0;

constexpr int kRate = 22050;

QByteArray tone(int ms)
{
    QByteArray samples(qsizetype(kRate) * ms / 1000 * 2, Qt::Uninitialized);
    auto *sample = reinterpret_cast<qint16 *>(samples.data());
    for (qsizetype i = 0; i < samples.size() / 2; ++i)
        sample[i] = qint16(8000 * std::sin(2 * M_PI * 440 * double(i) / kRate));
    return samples;
}

} // namespace

// Linked before the client library's: its own, or no operation, as it gives for a server that
// starts playing at once (no prebuffering) or a stream that has just failed.
extern "C" pa_operation *pa_stream_trigger(pa_stream *stream, pa_stream_success_cb_t done,
                                           void *data)
{
    static const auto library
        = reinterpret_cast<decltype(&pa_stream_trigger)>(dlsym(RTLD_NEXT, "pa_stream_trigger"));
    ++g_triggers;
    return g_refuseTrigger ? nullptr : library(stream, done, data);
}

class TestCharacterSound : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        // Ends with this test, whatever its end: a server left behind would hold ctest's output.
        m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_server.setStandardOutputFile(QProcess::nullDevice());
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start(QStringLiteral("pulseaudio"),
                       {"--daemonize=no", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
                        "--load=module-null-sink sink_name=quorvel_test",
                        "--load=module-native-protocol-unix"});
        QVERIFY2(m_server.waitForStarted(), "no pulseaudio");
        // A connection made before the server's loop runs waits in the socket's backlog.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_runtime.filePath("pulse/native")), 20000);
    }

    void cleanupTestCase()
    {
        ::kill(pid_t(m_server.processId()), SIGCONT);
        m_server.kill();
        m_server.waitForFinished();
    }

    // A sound shorter than what the server waits for before it plays is started by hand; without
    // an operation for that, the stream goes on with the next sound.
    void untriggeredShortSound()
    {
        SoundStream sound;
        g_refuseTrigger = true;
        g_triggers = 0;
        QVERIFY(sound.play(tone(20), kRate));
        QTRY_COMPARE_WITH_TIMEOUT(g_triggers, 1, 20000);
        g_refuseTrigger = false;
        QVERIFY(sound.play(tone(300), kRate));
        sound.append(tone(300)); // heard as one sound
        QTRY_VERIFY_WITH_TIMEOUT(sound.isDone(), 20000);
        QVERIFY(sound.playedMs() > 300);
    }

    // A server that takes connections and answers nothing (stopped) is not waited for: the sound
    // is reported failed, and a stream still connecting is let go of at once. Once the server
    // answers again, the next sound is heard.
    void serverNotAnswering()
    {
        const auto server = pid_t(m_server.processId());
        ::kill(server, SIGSTOP);
        auto sound = std::make_unique<SoundStream>();
        QSignalSpy failed(sound.get(), &SoundStream::failed);
        QVERIFY(sound->play(tone(300), kRate));
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 20000);
        QVERIFY(sound->play(tone(300), kRate));
        sound.reset();
        ::kill(server, SIGCONT);
        SoundStream again;
        QVERIFY(again.play(tone(300), kRate));
        QTRY_VERIFY_WITH_TIMEOUT(again.isDone(), 20000);
    }

private:
    QTemporaryDir m_runtime;
    QProcess m_server;
};

QTEST_GUILESS_MAIN(TestCharacterSound)

#include "tst_character_sound.moc"
