// The kernel alone: a step against a direct evaluation and the numerical gradient; the cuts.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/kernel.h"
#include "engine/network.h"
#include "engine/progress_line.h"
#include "shell/number_text.h"

namespace vorn::engine {
namespace {

TEST(EngineKernel, one_step_reports_the_frame_and_moves_every_weight_down_the_numerical_gradient) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    const double eta = 0.3;
    for (int hidden = 1; hidden <= 3; ++hidden) {
        KernelNet before;
        before.inputs = 9;
        before.hidden = hidden;
        for (int i = 1; i <= 9; ++i) {
            before.input(i, 1) = uniform(rng);
            for (int j = 1; j <= hidden; ++j) before.weight_in(i, j) = uniform(rng);
        }
        for (int j = 1; j <= hidden; ++j) before.w_out[static_cast<size_t>(j)] = uniform(rng);
        before.t[1] = 0.5 + 0.4 * uniform(rng);
        KernelNet after = before, pass = before;
        const FrameStep step = train_frame(after, 1, eta);
        double out_net = 0;
        for (int j = 1; j <= hidden; ++j) {
            double sum = 0;
            for (int i = 1; i <= 9; ++i) sum += before.input(i, 1) * before.weight_in(i, j);
            out_net += before.w_out[static_cast<size_t>(j)] / (1 + std::exp(-sum));
        }
        const double out = 1 / (1 + std::exp(-out_net));
        EXPECT_DOUBLE_EQ(step.out, out);
        EXPECT_DOUBLE_EQ(step.error, before.t[1] - out);
        EXPECT_DOUBLE_EQ(step.delta_out, step.error * out * (1 - out));
        EXPECT_DOUBLE_EQ(step.out_weight_sum, after.w_out[1] + after.w_out[2] + after.w_out[3]);
        EXPECT_EQ(train_pass(pass, 1, eta), std::fabs(step.error));  // a pass over one frame is the same step
        EXPECT_EQ(pass.w_in, after.w_in);

        auto gradient = [&](auto weight_of) {
            KernelNet plus = before, minus = before;
            weight_of(plus) += 1e-6;
            weight_of(minus) -= 1e-6;
            auto half_square = [](KernelNet net) { return 0.5 * std::pow(net.t[1] - forward(net, 1), 2); };
            return (half_square(plus) - half_square(minus)) / 2e-6;
        };
        for (int j = 1; j <= hidden; ++j) {
            const auto k = static_cast<size_t>(j);
            EXPECT_NEAR(after.w_out[k] - before.w_out[k],
                        -eta * gradient([&](KernelNet& n) -> double& { return n.w_out[k]; }), 1e-8)
                << "output weight " << j;
            for (int i = 1; i <= 9; ++i) {
                EXPECT_NEAR(after.weight_in(i, j) - before.weight_in(i, j),
                            -eta * gradient([&](KernelNet& n) -> double& { return n.weight_in(i, j); }), 1e-8)
                    << "input weight " << i << "," << j;
            }
        }
        for (int j = hidden + 1; j <= 3; ++j) EXPECT_EQ(after.w_out[static_cast<size_t>(j)], 0.0) << "unit past H";
    }
}

TEST(EngineKernel, sigmoide_is_cut_at_twenty_and_follows_the_formula_inside) {
    for (auto [x, y] : {std::pair{-25.0, 0.0}, {-20.0, 0.0}, {20.0, 1.0}}) EXPECT_EQ(sigmoide(x), y) << x;
    for (double x : {0.0, 19.9, -19.9}) EXPECT_EQ(sigmoide(x), 1 / (1 + std::exp(-x))) << x;
    // A cell that holds no number is set to 0 first.
    for (Cell cell : {Cell{}, Cell::null()}) {
        EXPECT_EQ(sigmoide(cell), 0.5);
        EXPECT_TRUE(cell.is_number() && cell.value == 0.0);
    }
}

TEST(EngineKernel, progress_numbers_are_the_short_form_of_the_four_decimal_cut) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-9, 14);
    std::vector<double> values = {0,     -0.0,    1,     -1,   0.5,  -0.5,  0.99999,    1e-5,
                                  -1e-5, 1e-4,    -1e-4, 1e11, 1e15, -1e16, 12345.6789, 123456789012.34567,
                                  NAN,   INFINITY};
    for (int k = 0; k < 20000; ++k) values.push_back(unit(rng) * std::pow(10.0, exponent(rng)));
    for (double x : values) {
        std::string text;
        append_cut_short(text, x);
        EXPECT_EQ(text, format_short(std::floor(x * 10000) / 10000)) << x;
    }
}

}  // namespace
}  // namespace vorn::engine
