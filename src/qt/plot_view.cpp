#include "qt/plot_view.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "shell/controls.h"

namespace vorn::qt {

namespace {

constexpr int kMargin = 6;
constexpr int kWidthHint = 280;
constexpr int kHeightHint = 200;
constexpr int kMinWidth = 120;
constexpr int kMinHeight = 80;
constexpr int kSignificantDigits = 4;

QString axis_text(double value) { return QString::number(value, 'g', kSignificantDigits); }

}  // namespace

PlotView::PlotView(const Plot& plot, QWidget* parent) : QWidget(parent), plot_(plot) {
    repaint_.setSingleShot(true);
    repaint_.setInterval(kRepaintMs);
    connect(&repaint_, &QTimer::timeout, this, [this] { update(); });
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotView::changed() {
    if (!repaint_.isActive()) repaint_.start();
}

QSize PlotView::sizeHint() const { return {kWidthHint, kHeightHint}; }

QSize PlotView::minimumSizeHint() const { return {kMinWidth, kMinHeight}; }

void PlotView::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    // Every line shares the axes, so one scale spans all their points.
    const auto& lines = plot_.lines();
    constexpr double kNone = std::numeric_limits<double>::infinity();
    double x_low = kNone, x_high = -kNone, y_low = kNone, y_high = -kNone;
    for (const auto& points : lines) {
        for (const Plot::Point& p : points) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
            x_low = std::min(x_low, p.x);
            x_high = std::max(x_high, p.x);
            y_low = std::min(y_low, p.y);
            y_high = std::max(y_high, p.y);
        }
    }
    if (x_low > x_high) return;  // no finite point
    // A flat curve or a single point still needs an interval to map onto.
    if (x_high == x_low) x_high = x_low + 1;
    if (y_high == y_low) {
        y_low -= 0.5;
        y_high += 0.5;
    }

    const QFontMetrics metrics = fontMetrics();
    const QString top = axis_text(y_high), bottom = axis_text(y_low);
    const int label_width = std::max(metrics.horizontalAdvance(top), metrics.horizontalAdvance(bottom));
    const QRectF area(kMargin + label_width + kMargin, kMargin, width() - label_width - 3 * kMargin,
                      height() - metrics.height() - 3 * kMargin);
    if (area.width() < 2 || area.height() < 2) return;

    painter.setPen(palette().color(QPalette::Text));
    painter.drawLine(area.bottomLeft(), area.topLeft());
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawText(QRectF(kMargin, area.top(), label_width, metrics.height()), Qt::AlignRight, top);
    painter.drawText(QRectF(kMargin, area.bottom() - metrics.height(), label_width, metrics.height()), Qt::AlignRight,
                     bottom);
    const QRectF x_labels(area.left(), area.bottom() + kMargin, area.width(), metrics.height());
    painter.drawText(x_labels, Qt::AlignLeft, axis_text(x_low));
    painter.drawText(x_labels, Qt::AlignRight, axis_text(x_high));

    auto at = [&](const Plot::Point& p) {
        return QPointF(area.left() + (p.x - x_low) / (x_high - x_low) * area.width(),
                       area.bottom() - (p.y - y_low) / (y_high - y_low) * area.height());
    };
    painter.setRenderHint(QPainter::Antialiasing);
    // The first line in the highlight colour, the others in the text's.
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto& points = lines[i];
        QPainterPath path;
        bool open = false;
        for (const Plot::Point& p : points) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
                open = false;
                continue;
            }
            if (open) {
                path.lineTo(at(p));
            } else {
                path.moveTo(at(p));
                open = true;
            }
        }
        QPen curve(palette().color(i == 0 ? QPalette::Highlight : QPalette::Dark));
        curve.setWidthF(1.5);
        if (i > 0) curve.setStyle(Qt::DashLine);
        painter.setPen(curve);
        painter.drawPath(path);
        if (points.size() == 1) painter.drawEllipse(at(points.front()), 2, 2);
    }
}

}  // namespace vorn::qt
