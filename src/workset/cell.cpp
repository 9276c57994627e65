#include "workset/cell.h"

#include <cmath>

namespace vorn::workset {

double sigmoide(double x) {
    if (x <= -20) return 0;
    if (x >= 20) return 1;
    return 1 / (1 + std::exp(-x));
}

double sigmoide(Cell& x) {
    if (!x.is_number()) x = Cell::number(0);
    return sigmoide(x.value);
}

}  // namespace vorn::workset
