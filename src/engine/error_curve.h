// The curve of a training's mean error per pass, drawn live in a Plot. A
// run of fifteen million passes must not keep fifteen million points: the
// curve keeps every pass while there are few, and each time it would pass
// its bound it drops every other point and from then on takes every other
// pass, so the points stay evenly spaced and between half the bound and
// the bound, whatever the run's length.
#pragma once

#include <cstddef>

namespace vorn {
class Plot;
}

namespace vorn::engine {

class ErrorCurve {
public:
    static constexpr std::size_t kMaxPoints = 1000;

    // Starts a new curve: the plot is cleared.
    explicit ErrorCurve(Plot& plot, std::size_t max_points = kMaxPoints);

    // The mean error of pass (1, 2, 3, ... in order).
    void add(long long pass, double mean);
    // Ends the curve on the run's last pass, whether or not it fell on the
    // grid, so the curve ends where the run did.
    void finish(long long last_pass, double mean);

private:
    Plot& plot_;
    std::size_t max_points_;
    long long stride_ = 1;
};

}  // namespace vorn::engine
