// A long game driven in-process, offscreen: ten thousand exercises, answered by the window's own
// handlers, with the event loop running between them. Prints the resident memory at exercise
// 1 000 and 10 000 and the growth between them, which should stay under 1 MiB.
//
// Every third answer is wrong. The wizard's reading of a wrong answer is left out: it takes
// seconds of real time. His praise is waited for, as a pupil would hear it out; otherwise the
// requests of the exercises that follow would pile up behind it.
#include "app/tavola.h"
#include "character/agent.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>

#include <cstdio>

namespace {

class Pupil : public quorvel::Tavola
{
public:
    using Tavola::Tavola;
    void playOne(bool right)
    {
        cmdNext_Click();
        Text3->setText(right ? Text1->text() : Text1->text() + QLatin1Char('1'));
        int enter = 13;
        Text3_KeyPress(enter);
        if (right)
            Text3_LostFocus();
        const auto merlin = Agent1->Characters().Item(CharacterId);
        while (!merlin->isIdle())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    quorvel::Tavola::Seams seams;
    seams.characterFolders = {QStringLiteral(QUORVEL_BUILD_CHARACTERS)};
    Pupil window(seams);
    window.show();
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    long at1000 = 0;
    for (int exercise = 1; exercise <= 10000; ++exercise) {
        window.playOne(exercise % 3 != 0);
        window.repaint();
        QApplication::processEvents();
        if (exercise == 1000)
            at1000 = residentKiB();
    }
    const long at10000 = residentKiB();
    if (at1000 <= 0 || at10000 <= 0) {
        std::fprintf(stderr, "bench_long_game: cannot read /proc/self/status\n");
        return 1;
    }
    std::printf("rss_kib_at_1000=%ld\nrss_kib_at_10000=%ld\ngrowth_kib=%ld\nseconds=%.1f\n", at1000,
                at10000, at10000 - at1000, clock.elapsed() / 1000.0);
    return at10000 - at1000 < 1024 ? 0 : 1;
}
