// The network's own arrays (weights, hidden outputs, error history),
// shared by the files that implement Network (loaders, forward pass,
// training, weights); the frames are the working set's.
#pragma once

#include <array>
#include <vector>

#include "engine/kernel.h"
#include "engine/network.h"

namespace vorn::engine {

constexpr int kSide = kMaxIndex + 1;
// The error history grows past this when the pass limit asks for more.
constexpr int kInitialHistoryCells = 2002;

struct Network::State {
    // pesosEntrada(i, j) at [i * kSide + j]: weight input i -> hidden j.
    // The table may name units up to 100; the kernel reads units 1..3.
    std::vector<Cell> pesos_entrada = std::vector<Cell>(kSide * kSide);
    std::array<Cell, kMaxHidden + 1> pesos_oculta{};
    std::array<Cell, kMaxHidden + 1> salidas_oculta{};
    std::array<Cell, kMaxHidden + 1> deltas_oculta{};
    std::vector<double> historial_error = std::vector<double>(kInitialHistoryCells, 0.0);
    // The training run's flat copy of the arrays, kept between runs only
    // so that a run allocates nothing; each run fills what it reads.
    KernelNet kernel;

    Cell& peso_entrada(int i, int j) { return pesos_entrada[static_cast<size_t>(i) * kSide + j]; }
};

}  // namespace vorn::engine
