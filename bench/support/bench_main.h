// The body of every benchmark program's main(): numbers with the decimal
// point, Google Benchmark's own options, every registered benchmark run.
#pragma once

#include <benchmark/benchmark.h>

#include "shell/number_text.h"

namespace vorn::bench {

// False when the command line had an option Google Benchmark does not know.
inline bool run_benchmarks(int& argc, char** argv) {
    set_decimal_separator('.');
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return true;
}

}  // namespace vorn::bench
