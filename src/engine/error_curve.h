// The curve of a training's mean error per pass, drawn live in a Plot. A
// run of fifteen million passes must not keep fifteen million points: the
// curve keeps every pass while there are few, and each time it would pass
// its bound it drops every other point and from then on takes every other
// pass, so the points stay evenly spaced and between half the bound and
// the bound, whatever the run's length.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

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

// The same thinning without a plot, for the curve an experiment logs: the
// mean error of every pass while the run is short (at most `buffer`
// passes), then of every other, every fourth... pass, so memory stays
// flat however long the run.
class ThinnedHistory {
public:
    explicit ThinnedHistory(std::size_t buffer = 4096);
    void clear();
    // The mean error of the next pass (1, 2, 3, ...).
    void add(double mean);
    long long passes() const { return passes_; }
    // At most max_points (pass, mean error) pairs, evenly spaced over the
    // run, its first and last pass always among them. While every pass is
    // kept they are exactly the passes round(k (passes - 1) / (n - 1)) + 1;
    // past that, the kept pass nearest to each.
    std::vector<std::pair<long long, double>> points(std::size_t max_points) const;

private:
    std::size_t buffer_;
    std::vector<double> kept_;  // passes 1, 1 + stride, 1 + 2 stride, ...
    long long stride_ = 1;
    long long passes_ = 0;
    double last_ = 0;
};

}  // namespace vorn::engine
