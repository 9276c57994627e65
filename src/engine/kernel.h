// The numerical kernel of the network: online backpropagation for one
// hidden layer of at most three units and one output unit, no bias, no
// momentum. Plain loops over flat arrays of doubles; no tables, no forms,
// no allocation inside a pass, so it can be tested and benchmarked alone.
//
// Every sum runs in one fixed order (ascending input, then ascending hidden
// unit, each from 0) and every product keeps its factors' order, so results
// are identical to the bit whatever the caller: the execute command, a
// training run, or a reference computed elsewhere with the same rule.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace vorn::engine {

// Index bound of the arrays: positions, frames and input weights 0..100,
// hidden units 0..3. Index 0 exists but the kernel starts every loop at 1.
constexpr int kKernelSide = 101;
constexpr int kKernelHidden = 4;

struct KernelNet {
    int inputs = 0;  // S: inputs 1..S are used
    int hidden = 0;  // H: hidden units 1..H are used, H <= 3
    // x[n * kKernelSide + i]: input i of frame n.
    std::vector<double> x = std::vector<double>(kKernelSide * kKernelSide, 0.0);
    // w_in[i * kKernelHidden + j]: weight input i -> hidden j.
    std::vector<double> w_in = std::vector<double>(kKernelSide * kKernelHidden, 0.0);
    std::array<double, kKernelHidden> w_out{};                      // hidden j -> output
    std::array<double, kKernelHidden> h{};                          // hidden outputs of the last forward pass
    std::array<double, kKernelHidden> delta{};                      // hidden error terms of the last step
    std::vector<double> t = std::vector<double>(kKernelSide, 0.0);  // target of frame n

    double& input(int i, int n) { return x[static_cast<std::size_t>(n) * kKernelSide + i]; }
    double& weight_in(int i, int j) { return w_in[static_cast<std::size_t>(i) * kKernelHidden + j]; }
};

// Runs frame n forward: fills h[1..H] and returns the output.
double forward(KernelNet& net, int n);

// The same on loose arrays: x[1..S] the frame's inputs, w_in[i * 4 + j],
// w_out[1..H]; fills h[1..H].
double forward_frame(const double* x, const double* w_in, const double* w_out, int inputs, int hidden, double* h);

// The sum of every input-times-weight product of frame n, all hidden units
// in one running total (hidden unit outer, input inner). Zero means the
// hidden layer saw nothing at all.
double input_product_total(const KernelNet& net, int n);

struct FrameStep {
    double out = 0;             // the network's output for the frame
    double delta_out = 0;       // (t - out) * out * (1 - out)
    double error = 0;           // t - out
    double out_weight_sum = 0;  // sum of the new hidden -> output weights
};

// One online step on frame n: forward pass, output error term, hidden
// error terms with the old output weights, output-weight update, then
// input-weight update.
FrameStep train_frame(KernelNet& net, int n, double eta);

// One pass over frames 1..frames without reporting; returns the sum of
// |t - out|. What the training run does per pass, minus its report lines.
double train_pass(KernelNet& net, int frames, double eta);

}  // namespace vorn::engine
