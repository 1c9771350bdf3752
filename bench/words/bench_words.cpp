#include "words/numlett.h"

#include <benchmark/benchmark.h>

#include <vector>

// One iteration names every number the game can draw, 0 to 9999.
static void numlettGameRange(benchmark::State &state)
{
    std::vector<quorvel::Currency> numbers;
    for (std::int64_t n = 0; n <= 9999; ++n)
        numbers.push_back(quorvel::Currency::fromWhole(n));
    for (auto _ : state) {
        for (const quorvel::Currency &number : numbers)
            benchmark::DoNotOptimize(quorvel::numlett(number));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(numbers.size()));
}
BENCHMARK(numlettGameRange)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
