// Draws a Plot control: its title, its lines on axes labelled with the
// first and last x and the lowest and highest y and titled as the plot
// says, a legend of the named lines and a dotted line where each pass of a
// run begins. The core keeps the series and tells of each change; the view
// repaints at most every kRepaintMs, so a curve that grows by a point per
// pass costs nothing between repaints.
//
// Its context menu switches the logarithmic scale (on when the plot shows
// an error curve, until the reader switches it) and saves the picture or
// the points to a file the reader chooses.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

class QAction;
class QPainter;

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

    bool log_scale() const { return log_scale_; }
    void set_log_scale(bool on);

    // The picture as shown, at the widget's size, as a PNG file; and the
    // points as the plot's table (Plot::csv_text). Each returns what went
    // wrong, in words for the reader, or an empty text when the file was
    // written. A file that could not be written whole is left as it was.
    QString save_image(const QString& path) const;
    QString save_data(const QString& path) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void draw(QPainter& painter, const QRect& bounds) const;
    // The menu's actions: ask for a file, save, tell of a failure.
    void ask_and_save_image();
    void ask_and_save_data();

    const Plot& plot_;
    QTimer repaint_;
    long paints_ = 0;
    bool log_scale_ = false;
    // The plot's own choice as last seen: the reader's switch holds until
    // the plot starts to show a curve of the other kind.
    bool error_curve_ = false;
    QAction* log_action_ = nullptr;
};

}  // namespace vorn::qt
