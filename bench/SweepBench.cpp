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

#include "FlatDesktop.h"
#include "app/Form1.h"

namespace popquell::bench {
namespace {

// The toolkit around Form1, doing nothing the sweep would wait for.
class NoList : public ListBox {
public:
    int ListCount() override { return 0; }
    std::int32_t ItemData(int) override { return 0; }
    void SetItemData(int, std::int32_t) override {}
    void AddItem(const std::string&) override {}
    int NewIndex() override { return -1; }
    void Refresh() override {}
    void Clear() override {}
};
class NoTimers : public TimerHost {
public:
    void startTimer(int, int) override {}
    void stopTimer(int) override {}
};
class FixedClock : public Clock {
public:
    LocalTime now() override { return LocalTime{2026, 12, 6, 0, 9, 5, 3}; }
    std::string weekdayName(int weekday) override { return englishWeekdayName(weekday); }
    std::string monthAbbrev(int month) override { return englishMonthAbbrev(month); }
};
class NoBoxes : public MessageBoxes {
public:
    int show(const std::string&, int, const std::string&) override { return kIdNo; }
};
class MainWindow : public FormWindow {
public:
    WindowHandle hWnd() override { return FlatDesktop::kMain; }
    void minimize() override {}
};
class NoDialog : public InstructionsDialog {
public:
    void showModal(const std::string&) override {}
};

struct Monitor {
    explicit Monitor(int windows, int popupsPer1000)
        : desk(windows, popupsPer1000),
          form(desk, Form1Toolkit{window, list, desk.mainMenu(), timers, clock, boxes, dialog}) {}

    FlatDesktop desk;
    MainWindow window;
    NoList list;
    NoTimers timers;
    FixedClock clock;
    NoBoxes boxes;
    NoDialog dialog;
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
    state.counters["browsers"] = m.desk.countOf(Kind::Browser);
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
