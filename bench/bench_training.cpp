// Training speed on two nets: 8 frames x 9 inputs x 3 hidden units for
// 2000 passes (the default pattern set's shape), and 100 frames x 100
// inputs x 3 hidden units for 200 passes (the largest the arrays hold).
//
//   kernel/*   the numerical kernel alone, from the same start each time;
//   fann/*     FANN on the same nets (incremental, learning rate 0.5, no
//              momentum, sigmoid units, linear error), when it is installed;
//   handler/*  the whole "E" handler on a bare workbench: loading the
//              tables, the run with its report lines, storing the weights,
//              "test.csv" and the commit.
//
// Every case reports ns_per_update: nanoseconds per frame presented
// (one forward pass and one weight update). Compare minimums of one run
// (--benchmark_repetitions=5 --benchmark_report_aggregates_only=false).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>

#include "support/quiet_platform.h"
#include "engine/kernel.h"
#include "shell/default_database.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "app/workbench.h"

#ifdef VORN_HAVE_FANN
#include <doublefann.h>
#endif

namespace {

using namespace vorn;

struct Shape {
    int frames, inputs, hidden, passes;
};
constexpr Shape kSmall{8, 9, 3, 2000};
constexpr Shape kLarge{100, 100, 3, 200};

// The data both peers train on: inputs and targets in [0.1, 0.9], weights
// in [0, 1) as "P.Ini" draws them.
struct Problem {
    Shape shape;
    std::vector<std::vector<double>> x;  // x[n][i], n and i from 0
    std::vector<double> t;
    std::vector<std::vector<double>> w_in;  // w_in[i][j]
    std::vector<double> w_out;

    explicit Problem(Shape s) : shape(s) {
        std::mt19937_64 rng(42);
        std::uniform_real_distribution<double> value(0.1, 0.9), weight(0.0, 1.0);
        x.assign(static_cast<size_t>(s.frames), std::vector<double>(static_cast<size_t>(s.inputs)));
        for (auto& frame : x) {
            for (double& v : frame) v = value(rng);
        }
        for (int n = 0; n < s.frames; ++n) t.push_back(n % 2 == 0 ? 0.9 : 0.1);
        w_in.assign(static_cast<size_t>(s.inputs), std::vector<double>(static_cast<size_t>(s.hidden)));
        for (auto& row : w_in) {
            for (double& w : row) w = weight(rng);
        }
        for (int j = 0; j < s.hidden; ++j) w_out.push_back(weight(rng));
    }

    engine::KernelNet kernel_net() const {
        engine::KernelNet net;
        net.inputs = shape.inputs;
        net.hidden = shape.hidden;
        for (int n = 1; n <= shape.frames; ++n) {
            for (int i = 1; i <= shape.inputs; ++i) net.input(i, n) = x[size_t(n - 1)][size_t(i - 1)];
            net.t[size_t(n)] = t[size_t(n - 1)];
        }
        for (int i = 1; i <= shape.inputs; ++i) {
            for (int j = 1; j <= shape.hidden; ++j) net.weight_in(i, j) = w_in[size_t(i - 1)][size_t(j - 1)];
        }
        for (int j = 1; j <= shape.hidden; ++j) net.w_out[size_t(j)] = w_out[size_t(j - 1)];
        return net;
    }
};

void report_updates(benchmark::State& state, const Shape& shape) {
    const double updates = double(shape.frames) * shape.passes;
    state.counters["ns_per_update"] =
        benchmark::Counter(updates * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void kernel_run(benchmark::State& state, Shape shape) {
    const Problem problem(shape);
    const engine::KernelNet start = problem.kernel_net();
    for (auto _ : state) {
        state.PauseTiming();
        engine::KernelNet net = start;
        state.ResumeTiming();
        double error = 0;
        for (int pass = 0; pass < shape.passes; ++pass) error = engine::train_pass(net, shape.frames, 0.5);
        benchmark::DoNotOptimize(error);
    }
    report_updates(state, shape);
}
BENCHMARK_CAPTURE(kernel_run, small, kSmall)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kernel_run, large, kLarge)->Unit(benchmark::kMillisecond);

#ifdef VORN_HAVE_FANN
void fann_run(benchmark::State& state, Shape shape) {
    const Problem problem(shape);
    std::vector<std::vector<fann_type>> inputs(problem.x.begin(), problem.x.end());
    for (auto _ : state) {
        state.PauseTiming();
        struct fann* ann = fann_create_standard(3, unsigned(shape.inputs), unsigned(shape.hidden), 1u);
        fann_set_training_algorithm(ann, FANN_TRAIN_INCREMENTAL);
        fann_set_learning_rate(ann, 0.5f);
        fann_set_learning_momentum(ann, 0.0f);
        fann_set_activation_function_hidden(ann, FANN_SIGMOID);
        fann_set_activation_function_output(ann, FANN_SIGMOID);
        // FANN's sigmoid is 1 / (1 + e^(-2 s x)): steepness 0.5 is ours.
        fann_set_activation_steepness_hidden(ann, 0.5);
        fann_set_activation_steepness_output(ann, 0.5);
        fann_set_train_error_function(ann, FANN_ERRORFUNC_LINEAR);
        fann_randomize_weights(ann, 0.0, 1.0);
        state.ResumeTiming();
        for (int pass = 0; pass < shape.passes; ++pass) {
            for (int n = 0; n < shape.frames; ++n) {
                fann_type target = problem.t[size_t(n)];
                fann_train(ann, inputs[size_t(n)].data(), &target);
            }
        }
        state.PauseTiming();
        fann_destroy(ann);
        state.ResumeTiming();
    }
    report_updates(state, shape);
}
BENCHMARK_CAPTURE(fann_run, small, kSmall)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fann_run, large, kLarge)->Unit(benchmark::kMillisecond);
#endif

// A bare workbench on a scratch database holding the problem's frames and
// weights.
class HeadlessBench {
public:
    explicit HeadlessBench(const Problem& problem) {
        db_ = std::make_unique<Database>((dir_ / "ga7.mdb").string());
        db_->execute_script(embedded_schema());
        db_->begin();
        for (int n = 1; n <= problem.shape.frames; ++n) {
            for (int i = 1; i <= problem.shape.inputs; ++i) {
                db_->execute_bound(
                    "INSERT INTO BPN VALUES (1, ?, ?, ?, 'b')",
                    {Value(std::int64_t{i}), Value(std::int64_t{n}), Value(problem.x[size_t(n - 1)][size_t(i - 1)])});
            }
            db_->execute_bound("INSERT INTO BPN VALUES (10, 1, ?, ?, 'b')",
                               {Value(std::int64_t{n}), Value(problem.t[size_t(n - 1)])});
        }
        db_->commit();
        workbench_ = std::make_unique<Workbench>(*db_, platform_, dir_);
        workbench_->main().Timer1.set_interval(0);
        problem_ = &problem;
    }
    ~HeadlessBench() {
        workbench_.reset();
        db_.reset();
    }
    // The same starting weights and fields before every run.
    void prepare() {
        db_->begin();
        db_->execute("DELETE FROM BPNPESOS");
        for (int i = 1; i <= problem_->shape.inputs; ++i) {
            for (int j = 1; j <= problem_->shape.hidden; ++j) {
                db_->execute_bound("INSERT INTO BPNPESOS VALUES (1, ?, ?, ?)",
                                   {Value(std::int64_t{i}), Value(std::int64_t{j}),
                                    Value(problem_->w_in[size_t(i - 1)][size_t(j - 1)])});
            }
        }
        for (int j = 1; j <= problem_->shape.hidden; ++j) {
            db_->execute_bound("INSERT INTO BPNPESOS VALUES (2, 1, ?, ?)",
                               {Value(std::int64_t{j}), Value(problem_->w_out[size_t(j - 1)])});
        }
        db_->commit();
        MainWindow& w = workbench_->main();
        w.Text4.set_text(format_int(problem_->shape.hidden));
        w.Text6.set_text("0.0000000001");
        w.Text7.set_text(format_int(problem_->shape.passes - 1));  // the counter starts at 0
        w.Text8.set_text("0.5");
    }
    MainWindow& w() { return workbench_->main(); }

private:
    vorn::bench::ScratchFolder scratch_{"vorn2-bench-training-"};
    const std::filesystem::path& dir_ = scratch_.path();
    vorn::bench::QuietPlatform platform_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Workbench> workbench_;
    const Problem* problem_ = nullptr;
};

void handler_run(benchmark::State& state, Shape shape) {
    const Problem problem(shape);
    HeadlessBench bench(problem);
    for (auto _ : state) {
        state.PauseTiming();
        bench.prepare();
        state.ResumeTiming();
        bench.w().Command4.click();
    }
    report_updates(state, shape);
}
BENCHMARK_CAPTURE(handler_run, small, kSmall)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(handler_run, large, kLarge)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
