// The character's costly steps: reading Merlin's file, drawing a frame, preparing and
// synthesising a sentence. Everything but the synthesis runs on the UI thread.

#include "character/format/character_file.h"
#include "character/view/character_window.h"
#include "character/voice/pronunciation.h"
#include "character/voice/synthesis.h"

#include <QApplication>
#include <QFile>

#include <benchmark/benchmark.h>

using namespace quorvel;

namespace {

const QString kMerlin = QStringLiteral(QUORVEL_SOURCE_CHARACTERS "/merlin.acs");
const QString kGreeting = QStringLiteral("Ciao. Vuoi giocare con me con l'abaco? E allora che il "
                                         "gioco abbia inizio. Che la magia sia con te");

void parseManifest(benchmark::State &state)
{
    QFile file(kMerlin);
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no merlin.acs");
        return;
    }
    const QByteArray json = file.readAll();
    const PictureCheck any = [](const QString &, QSizeF) {
        return QString();
    };
    for (auto _ : state)
        benchmark::DoNotOptimize(parseCharacterManifest(json, kMerlin, any));
}
BENCHMARK(parseManifest)->Unit(benchmark::kMicrosecond);

// The pictures are checked here and parsed only when drawn (drawFrames).
void loadWithPictures(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(loadCharacterFile(kMerlin));
}
BENCHMARK(loadWithPictures)->Unit(benchmark::kMillisecond);

void drawFrames(benchmark::State &state)
{
    const auto merlin = loadCharacterFile(kMerlin);
    CharacterWindow window(merlin);
    window.show(); // a hidden character draws nothing
    window.setCharacterHeight(int(state.range(0)));
    const CharacterAnimation &idle = merlin->model.animations[merlin->model.idle];
    int frame = 0;
    for (auto _ : state) {
        // A new height throws the drawn frames away, as Height does.
        window.setCharacterHeight(int(state.range(0)) + (frame & 1));
        window.showFrame(merlin->model.idle, frame++ % int(idle.frames.size()));
    }
}
BENCHMARK(drawFrames)->Arg(205)->Arg(600)->Unit(benchmark::kMillisecond);

void rewriteNumbers(benchmark::State &state)
{
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QStringLiteral("Il numero è settemilasettecentosettantatre. ");
    for (auto _ : state)
        benchmark::DoNotOptimize(spokenForm(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(rewriteNumbers)->Unit(benchmark::kMicrosecond);

void synthesiseGreeting(benchmark::State &state)
{
    VoiceSettings voice;
    for (auto _ : state) {
        const Utterance utterance = synthesise(kGreeting, voice);
        state.counters["speech_ms"] = utterance.durationMs();
    }
}
BENCHMARK(synthesiseGreeting)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
