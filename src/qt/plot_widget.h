// A plot control drawn with QPainter: the curve's points joined in order,
// scaled to the widget with a small margin, the axes' ranges written at
// the corners. The core keeps the series; the widget only draws it, and a
// change asks for a repaint that Qt coalesces.
#pragma once

#include <QWidget>

namespace vorn {
class Plot;
}

namespace vorn::qt {

class PlotWidget : public QWidget {
public:
    PlotWidget(const Plot& plot, QWidget* parent);
    QSize sizeHint() const override { return {320, 200}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Plot& plot_;
};

}  // namespace vorn::qt
