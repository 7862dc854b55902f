// What one pop-up sweep costs the monitor per window it examines, on a
// desktop whose own calls cost next to nothing (FlatDesktop). The cost must
// stay flat as the desktop grows: the fitted complexity is O(N).
//
//   build/native/bench/sweep_bench

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/FlatDesktop.h"
#include "app/Form1.h"
#include "tests/sim/FakeToolkit.h"

namespace popquell::bench {
namespace {

struct Monitor {
    explicit Monitor(int windows, int popupsPer1000)
        : desk(windows, popupsPer1000),
          form(desk, Form1Toolkit{window, list, desk, timers, clock, boxes, dialog}) {}

    // The toolkit around Form1: nothing the sweep would wait for.
    FlatDesktop desk;
    sim::FakeFormWindow window{FlatDesktop::kMain};
    sim::FakeListBox list;
    sim::FakeTimerHost timers;
    sim::FakeClock clock;
    sim::ScriptedMessageBoxes boxes;
    sim::FakeInstructionsDialog dialog;
    Form1 form;
};

void sweep(benchmark::State& state, int popupsPer1000) {
    const int windows = static_cast<int>(state.range(0));
    Monitor m(windows, popupsPer1000);

    // The first tick puts the main bar on the browser frames; from then on
    // every tick sees the same desktop.
    m.form.Timer1_Timer();
    const std::int64_t examined = m.desk.styleReads;
    const std::int64_t closedPerTick = m.desk.closes;

    for (auto _ : state) {
        m.form.Timer1_Timer();
        benchmark::DoNotOptimize(m.form.totalClose);
    }

    state.SetComplexityN(examined);
    state.SetItemsProcessed(state.iterations() * examined);
    // Seconds per window, shown in ns: the inverse of windows per second.
    state.counters["per_window"] =
        benchmark::Counter(static_cast<double>(examined),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["examined"] = static_cast<double>(examined);
    state.counters["browsers"] = m.desk.browsers();
    state.counters["closed"] = static_cast<double>(closedPerTick);
}

// With repetitions, the fastest run is the best estimate of the code's own
// cost on a machine that other work shares: interference only adds time.
double fastest(const std::vector<double>& runs) { return *std::min_element(runs.begin(), runs.end()); }

// An ordinary desktop: no pop-ups, a browser frame with a menu bar in 25.
void BM_Sweep(benchmark::State& state) { sweep(state, 0); }
BENCHMARK(BM_Sweep)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN)
    ->ComputeStatistics("min", fastest);

// The same with 1 window in 100 a pop-up, closed on every tick.
void BM_SweepWithPopups(benchmark::State& state) { sweep(state, 10); }
BENCHMARK(BM_SweepWithPopups)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", fastest);

}  // namespace
}  // namespace popquell::bench

BENCHMARK_MAIN();
