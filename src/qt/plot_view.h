// Draws a Plot control: its points joined by a line, on axes labelled with
// the first and last x and the lowest and highest y. The core keeps the
// series and tells of each change; the view repaints at most every
// kRepaintMs, so a curve that grows by a point per pass costs nothing
// between repaints.
#pragma once

#include <QTimer>
#include <QWidget>

namespace vorn {
class Plot;
}

namespace vorn::qt {

class PlotView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRepaintMs = 100;

    PlotView(const Plot& plot, QWidget* parent = nullptr);

    // The plot changed; it is drawn again within kRepaintMs.
    void changed();
    // Times the curve was drawn, for tests and benchmarks.
    long paints() const { return paints_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Plot& plot_;
    QTimer repaint_;
    long paints_ = 0;
};

}  // namespace vorn::qt
