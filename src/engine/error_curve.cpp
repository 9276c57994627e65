#include "engine/error_curve.h"

#include <algorithm>
#include <cmath>
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

ThinnedHistory::ThinnedHistory(std::size_t buffer) : buffer_(buffer < 4 ? 4 : buffer) { kept_.reserve(buffer_); }

void ThinnedHistory::clear() {
    kept_.clear();
    stride_ = 1;
    passes_ = 0;
    last_ = 0;
}

void ThinnedHistory::add(double mean) {
    ++passes_;
    last_ = mean;
    if ((passes_ - 1) % stride_ != 0) return;
    kept_.push_back(mean);
    if (kept_.size() < buffer_) return;
    std::size_t half = 0;
    for (std::size_t k = 0; k < kept_.size(); k += 2) kept_[half++] = kept_[k];
    kept_.resize(half);
    stride_ *= 2;
}

std::vector<std::pair<long long, double>> ThinnedHistory::points(std::size_t max_points) const {
    std::vector<std::pair<long long, double>> points;
    if (passes_ == 0 || max_points == 0) return points;
    const auto passes = static_cast<std::size_t>(passes_);
    const std::size_t count = std::min(passes, max_points);
    points.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const auto index = count == 1 ? std::size_t{0}
                                      : static_cast<std::size_t>(std::llround(static_cast<double>(k) *
                                                                              static_cast<double>(passes - 1) /
                                                                              static_cast<double>(count - 1)));
        if (index + 1 == passes) {
            points.emplace_back(passes_, last_);
            continue;
        }
        auto sample = static_cast<std::size_t>(std::llround(static_cast<double>(index) / static_cast<double>(stride_)));
        sample = std::min(sample, kept_.size() - 1);
        points.emplace_back(static_cast<long long>(sample) * stride_ + 1, kept_[sample]);
    }
    return points;
}

}  // namespace vorn::engine
