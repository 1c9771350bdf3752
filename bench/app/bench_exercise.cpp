// The new-exercise operation as "Nuovo calcolo" runs it, with the full repaint of the window that
// follows, offscreen.
#include "app/tavola.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

class Probe : public quorvel::Tavola
{
public:
    using Tavola::Tavola;
    void newExercise() { cmdNext_Click(); }
};

quorvel::Tavola::Seams seams()
{
    quorvel::Tavola::Seams s;
    s.characterFolders = {QStringLiteral(QUORVEL_BUILD_CHARACTERS)};
    return s;
}

void newExerciseAndRepaint(benchmark::State &state)
{
    Probe window(seams());
    window.show();
    for (auto _ : state) {
        window.newExercise();
        window.repaint();
    }
}
BENCHMARK(newExerciseAndRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
