// Helpers of the benchmarks that run the web engine: their main, and rounds of three set-ups measured
// in turn in the same run: the plain one (0), the one whose cost is measured (1), and a control alike
// to the plain one (2), which shows how far two identical set-ups differ on this machine.
#pragma once

#include "app/TApplication.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Runs the benchmark's rounds; measure(which) gives the seconds of set-up which. Sets the counters
// "plain_ms", measuredCounter (the measured set-up's median in milliseconds), "overhead_pct" and
// "control_pct"; returns the number of rounds.
template <typename Measure>
int RunRotatingRounds(benchmark::State& state, const std::string& measuredCounter, Measure measure)
{
    std::vector<double> plainTimes, measuredTimes, measuredRatios, controlRatios;
    int round = 0;
    for (auto _ : state) {
        // Rotate the order within each round, so that no set-up always runs first or last.
        double times[3] = {};
        for (int k = 0; k < 3; ++k) {
            const int which = (round + k) % 3;
            times[which] = measure(which);
        }
        ++round;
        plainTimes.push_back(times[0]);
        measuredTimes.push_back(times[1]);
        measuredRatios.push_back(times[1] / times[0]);
        controlRatios.push_back(times[2] / times[0]);
        state.SetIterationTime(times[0] + times[1]);
    }
    state.counters["plain_ms"] = Median(plainTimes) * 1000;
    state.counters[measuredCounter] = Median(measuredTimes) * 1000;
    // Medians of the ratios within each round: a round shares the machine's load of the moment.
    state.counters["overhead_pct"] = (Median(measuredRatios) - 1) * 100;
    state.counters["control_pct"] = (Median(controlRatios) - 1) * 100;
    return round;
}

// The benchmarks' main: offscreen unless a display was asked for, with the engine prepared as the
// program prepares it.
inline int RunEngineBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication::PrepareEngine();
    int qtArgc = 1;
    TApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
