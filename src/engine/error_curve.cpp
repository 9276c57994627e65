#include "engine/error_curve.h"

#include <vector>

#include "shell/controls.h"

namespace vorn::engine {

ErrorCurve::ErrorCurve(Plot& plot, std::size_t max_points)
    : plot_(plot), max_points_(max_points < 2 ? 2 : max_points) {
    plot_.clear();
}

void ErrorCurve::add(long long pass, double mean) {
    // Points sit on passes 1, 1 + stride, 1 + 2 stride, ...
    if ((pass - 1) % stride_ != 0) return;
    plot_.add_point(static_cast<double>(pass), mean);
    const std::vector<Plot::Point>& points = plot_.points();
    if (points.size() <= max_points_) return;
    std::vector<Plot::Point> kept;
    kept.reserve(points.size() / 2 + 1);
    for (std::size_t k = 0; k < points.size(); k += 2) kept.push_back(points[k]);
    plot_.set_points(std::move(kept));
    stride_ *= 2;
}

void ErrorCurve::finish(long long last_pass, double mean) {
    const std::vector<Plot::Point>& points = plot_.points();
    if (last_pass < 1 || (!points.empty() && points.back().x == static_cast<double>(last_pass))) return;
    plot_.add_point(static_cast<double>(last_pass), mean);
}

}  // namespace vorn::engine
