// The numerical kernel on its own: the update rule is gradient descent on
// the squared error (checked numerically), the forward pass agrees with a
// direct evaluation, and the progress-line numbers are the short form of
// the four-decimal cut.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/kernel.h"
#include "engine/network.h"
#include "engine/progress_line.h"
#include "shell/number_text.h"

namespace vorn::engine {
namespace {

KernelNet random_net(std::mt19937_64& rng, int inputs, int hidden) {
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    KernelNet net;
    net.inputs = inputs;
    net.hidden = hidden;
    for (int i = 1; i <= inputs; ++i) {
        net.input(i, 1) = uniform(rng);
        for (int j = 1; j <= hidden; ++j) net.weight_in(i, j) = uniform(rng);
    }
    for (int j = 1; j <= hidden; ++j) net.w_out[static_cast<size_t>(j)] = uniform(rng);
    net.t[1] = 0.5 + 0.4 * uniform(rng);
    return net;
}

double squared_error(KernelNet net) {
    double out = forward(net, 1);
    return 0.5 * (net.t[1] - out) * (net.t[1] - out);
}

TEST(EngineKernel, one_step_moves_every_weight_down_the_numerical_gradient) {
    std::mt19937_64 rng(7);
    const double eta = 0.3;
    const double h = 1e-6;
    for (int hidden = 1; hidden <= 3; ++hidden) {
        KernelNet before = random_net(rng, 5, hidden);
        KernelNet after = before;
        train_frame(after, 1, eta);
        for (int j = 1; j <= hidden; ++j) {
            const auto k = static_cast<size_t>(j);
            KernelNet plus = before, minus = before;
            plus.w_out[k] += h;
            minus.w_out[k] -= h;
            const double gradient = (squared_error(plus) - squared_error(minus)) / (2 * h);
            EXPECT_NEAR(after.w_out[k] - before.w_out[k], -eta * gradient, 1e-8) << "output weight " << j;
            for (int i = 1; i <= 5; ++i) {
                KernelNet p = before, m = before;
                p.weight_in(i, j) += h;
                m.weight_in(i, j) -= h;
                const double g = (squared_error(p) - squared_error(m)) / (2 * h);
                EXPECT_NEAR(after.weight_in(i, j) - before.weight_in(i, j), -eta * g, 1e-8)
                    << "input weight " << i << "," << j;
            }
        }
        // Units past H are never touched.
        for (int j = hidden + 1; j <= 3; ++j) EXPECT_EQ(after.w_out[static_cast<size_t>(j)], 0.0);
    }
}

TEST(EngineKernel, forward_pass_matches_a_direct_evaluation_and_reports_the_step) {
    std::mt19937_64 rng(11);
    KernelNet net = random_net(rng, 9, 3);
    double out_net = 0;
    for (int j = 1; j <= 3; ++j) {
        double sum = 0;
        for (int i = 1; i <= 9; ++i) sum += net.input(i, 1) * net.weight_in(i, j);
        out_net += net.w_out[static_cast<size_t>(j)] * (1 / (1 + std::exp(-sum)));
    }
    const double expected = 1 / (1 + std::exp(-out_net));
    KernelNet copy = net;
    EXPECT_DOUBLE_EQ(forward(copy, 1), expected);
    FrameStep step = train_frame(net, 1, 0.5);
    EXPECT_DOUBLE_EQ(step.out, expected);
    EXPECT_DOUBLE_EQ(step.error, net.t[1] - expected);
    EXPECT_DOUBLE_EQ(step.delta_out, (net.t[1] - expected) * expected * (1 - expected));
    EXPECT_DOUBLE_EQ(step.out_weight_sum, net.w_out[1] + net.w_out[2] + net.w_out[3]);
    // A pass over one frame is the same step.
    KernelNet again = copy;
    EXPECT_DOUBLE_EQ(train_pass(again, 1, 0.5), std::fabs(step.error));
    EXPECT_EQ(again.w_in, net.w_in);
}

TEST(EngineKernel, sigmoide_is_cut_at_twenty_and_follows_the_formula_inside) {
    EXPECT_EQ(sigmoide(-20.0), 0.0);
    EXPECT_EQ(sigmoide(-25.0), 0.0);
    EXPECT_EQ(sigmoide(20.0), 1.0);
    EXPECT_EQ(sigmoide(0.0), 0.5);
    EXPECT_EQ(sigmoide(19.9), 1 / (1 + std::exp(-19.9)));
    EXPECT_LT(sigmoide(19.9), 1.0);
    EXPECT_GT(sigmoide(-19.9), 0.0);
    Cell empty;
    EXPECT_EQ(sigmoide(empty), 0.5);
    EXPECT_TRUE(empty.is_number());
    Cell null = Cell::null();
    sigmoide(null);
    EXPECT_EQ(null.value, 0.0);
    EXPECT_TRUE(null.is_number());
}

TEST(EngineKernel, progress_numbers_are_the_short_form_of_the_four_decimal_cut) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-9, 14);
    std::vector<double> values = {0,
                                  -0.0,
                                  1,
                                  -1,
                                  0.5,
                                  -0.5,
                                  0.99999,
                                  1e-5,
                                  -1e-5,
                                  1e-4,
                                  -1e-4,
                                  12345.6789,
                                  1e11,
                                  1e15,
                                  -1e16,
                                  123456789012.34567,
                                  std::nan(""),
                                  INFINITY};
    for (int k = 0; k < 20000; ++k) values.push_back(unit(rng) * std::pow(10.0, exponent(rng)));
    for (double x : values) {
        std::string text;
        append_cut_short(text, x);
        EXPECT_EQ(text, format_short(std::floor(x * 10000) / 10000)) << x;
    }
    for (long long k : {0LL, 1LL, -1LL, 2001LL, -123456789LL}) {
        std::string text;
        append_whole_short(text, k);
        EXPECT_EQ(text, format_short(static_cast<double>(k)));
    }
}

}  // namespace
}  // namespace vorn::engine
