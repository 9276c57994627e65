#include "qt/plot_widget.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "shell/controls.h"
#include "shell/number_text.h"

namespace vorn::qt {

namespace {
constexpr int kMargin = 24;
}

PlotWidget::PlotWidget(const Plot& plot, QWidget* parent) : QWidget(parent), plot_(plot) {
    setMinimumSize(160, 100);
}

void PlotWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().mid().color());
    const QRect area = rect().adjusted(kMargin, kMargin / 2, -kMargin / 2, -kMargin);
    painter.drawRect(area);

    const auto& points = plot_.points();
    if (points.empty()) return;
    double x0 = points.front().x, x1 = x0, y0 = points.front().y, y1 = y0;
    for (const Plot::Point& p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    // A flat or single-point curve still gets a range to sit in.
    if (x1 == x0) x1 = x0 + 1;
    if (y1 == y0) y1 = y0 + 1;
    auto at = [&](const Plot::Point& p) {
        return QPointF(area.left() + (p.x - x0) / (x1 - x0) * area.width(),
                       area.bottom() - (p.y - y0) / (y1 - y0) * area.height());
    };

    QPainterPath path;
    bool started = false;
    for (const Plot::Point& p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        if (started) {
            path.lineTo(at(p));
        } else {
            path.moveTo(at(p));
            started = true;
        }
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().highlight().color(), 1.5));
    painter.drawPath(path);

    painter.setPen(palette().text().color());
    auto text = [](double v) { return QString::fromStdString(format_general(v)); };
    painter.drawText(QPointF(2, area.top() + 10), text(y1));
    painter.drawText(QPointF(2, area.bottom()), text(y0));
    painter.drawText(QPointF(area.left(), height() - 6), text(x0));
    const QString last = text(x1);
    painter.drawText(QPointF(area.right() - painter.fontMetrics().horizontalAdvance(last), height() - 6), last);
}

}  // namespace vorn::qt
