// Finding the links of a long reply: 100,000 links must take well under 50 ms, since the chat
// looks for them on the main thread.
#include <benchmark/benchmark.h>

#include "assistant/chat/PlusLinkDetector.h"

namespace {

void BM_WebLinks(benchmark::State& state) {
    QString text;
    for (int i = 0; i < state.range(0); ++i)
        text += QStringLiteral("see https://example.com/f%1.zip, ").arg(i);
    for (auto _ : state) benchmark::DoNotOptimize(tarvel::webLinks(text));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WebLinks)->Arg(30'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Markdown links glued into one unbroken run, and closing brackets that close nothing.
void BM_WebLinksGlued(benchmark::State& state) {
    QString text;
    for (int i = 0; i < state.range(0); ++i) text += QStringLiteral("[x](https://a.io/%1)").arg(i);
    text += QString(state.range(0), ')');
    for (auto _ : state) benchmark::DoNotOptimize(tarvel::webLinks(text));
}
BENCHMARK(BM_WebLinksGlued)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
