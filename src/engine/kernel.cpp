#include "engine/kernel.h"

#include <cmath>

#include "engine/network.h"

namespace vorn::engine {

namespace {

// The hidden-unit count is a template argument so that the running sums
// stay in registers; each sum still accumulates in ascending input order.
template <int H>
double forward_loose(const double* x, const double* w, const double* w_out, int inputs, double* h) {
    double sum[kKernelHidden] = {0, 0, 0, 0};
    for (int i = 1; i <= inputs; ++i) {
        const double xi = x[i];
        const double* wi = w + static_cast<size_t>(i) * kKernelHidden;
        for (int j = 1; j <= H; ++j) sum[j] += xi * wi[j];
    }
    double out_net = 0;
    for (int j = 1; j <= H; ++j) {
        h[j] = sigmoide(sum[j]);
        out_net += w_out[j] * h[j];
    }
    return sigmoide(out_net);
}

template <int H>
double forward_fixed(KernelNet& net, int n) {
    return forward_loose<H>(&net.x[static_cast<size_t>(n) * kKernelSide], net.w_in.data(), net.w_out.data(), net.inputs,
                            net.h.data());
}

template <int H>
FrameStep train_fixed(KernelNet& net, int n, double eta) {
    FrameStep step;
    step.out = forward_fixed<H>(net, n);
    const double target = net.t[static_cast<size_t>(n)];
    step.delta_out = (target - step.out) * step.out * (1 - step.out);
    step.error = target - step.out;
    for (int j = 1; j <= H; ++j) {
        net.delta[j] = net.h[j] * (1 - net.h[j]) * net.w_out[j] * step.delta_out;
    }
    double sum = 0;
    for (int j = 1; j <= H; ++j) {
        net.w_out[j] = net.w_out[j] + eta * step.delta_out * net.h[j];
        sum += net.w_out[j];
    }
    step.out_weight_sum = sum;
    // delta * eta first, then times the input: the product order of the
    // update rule, kept so results match to the bit.
    double scaled[kKernelHidden] = {0, 0, 0, 0};
    for (int j = 1; j <= H; ++j) scaled[j] = net.delta[j] * eta;
    const double* x = &net.x[static_cast<size_t>(n) * kKernelSide];
    double* w = net.w_in.data();
    for (int i = 1; i <= net.inputs; ++i) {
        const double xi = x[i];
        double* wi = w + static_cast<size_t>(i) * kKernelHidden;
        for (int j = 1; j <= H; ++j) wi[j] = wi[j] + scaled[j] * xi;
    }
    return step;
}

template <int H>
double pass_fixed(KernelNet& net, int frames, double eta) {
    double accumulated = 0;
    for (int n = 1; n <= frames; ++n) accumulated += std::fabs(train_fixed<H>(net, n, eta).error);
    return accumulated;
}

}  // namespace

double forward(KernelNet& net, int n) {
    switch (net.hidden) {
        case 1: return forward_fixed<1>(net, n);
        case 2: return forward_fixed<2>(net, n);
        case 3: return forward_fixed<3>(net, n);
        default: return forward_fixed<0>(net, n);
    }
}

double forward_frame(const double* x, const double* w_in, const double* w_out, int inputs, int hidden, double* h) {
    switch (hidden) {
        case 1: return forward_loose<1>(x, w_in, w_out, inputs, h);
        case 2: return forward_loose<2>(x, w_in, w_out, inputs, h);
        case 3: return forward_loose<3>(x, w_in, w_out, inputs, h);
        default: return forward_loose<0>(x, w_in, w_out, inputs, h);
    }
}

double input_product_total(const KernelNet& net, int n) {
    const double* x = &net.x[static_cast<size_t>(n) * kKernelSide];
    double total = 0;
    for (int j = 1; j <= net.hidden; ++j) {
        for (int i = 1; i <= net.inputs; ++i) total += x[i] * net.w_in[static_cast<size_t>(i) * kKernelHidden + j];
    }
    return total;
}

FrameStep train_frame(KernelNet& net, int n, double eta) {
    switch (net.hidden) {
        case 1: return train_fixed<1>(net, n, eta);
        case 2: return train_fixed<2>(net, n, eta);
        case 3: return train_fixed<3>(net, n, eta);
        default: return train_fixed<0>(net, n, eta);
    }
}

double train_pass(KernelNet& net, int frames, double eta) {
    switch (net.hidden) {
        case 1: return pass_fixed<1>(net, frames, eta);
        case 2: return pass_fixed<2>(net, frames, eta);
        case 3: return pass_fixed<3>(net, frames, eta);
        default: return pass_fixed<0>(net, frames, eta);
    }
}

}  // namespace vorn::engine
