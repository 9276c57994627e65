#include "qt/plot_view.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
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
constexpr int kLegendSample = 18;

QString axis_text(double value) { return QString::number(value, 'g', kSignificantDigits); }

QString qtext(const std::string& text) { return QString::fromStdString(text); }

// What a point is drawn at on the y axis; NaN for a point the scale cannot
// show (not finite, or not positive on a logarithmic scale).
double scaled(double y, bool log) {
    if (!std::isfinite(y)) return std::numeric_limits<double>::quiet_NaN();
    if (!log) return y;
    return y > 0 ? std::log10(y) : std::numeric_limits<double>::quiet_NaN();
}

// Why a file could not be written, in the reader's words where Qt's own
// are too general.
QString reason(const QSaveFile& file) {
    switch (file.error()) {
        case QFileDevice::PermissionsError:
            return QStringLiteral("no hay permiso para escribir alli");
        case QFileDevice::OpenError:
            return QStringLiteral("no se pudo crear el archivo (\u00bfexiste la carpeta?)");
        case QFileDevice::WriteError:
        case QFileDevice::ResourceError:
            return QStringLiteral("no se pudo escribir (\u00bfdisco lleno?)");
        default:
            return file.errorString();
    }
}

// Writes bytes to path whole or not at all: a file already there stays as
// it was when the new one cannot be written.
QString write_whole(const QString& path, const QByteArray& bytes, const QString& what) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return {};
    return QStringLiteral("No se pudo guardar %1 en %2: %3").arg(what, QDir::toNativeSeparators(path), reason(file));
}

// The path the reader chose, with the suffix added when the name has none.
QString with_suffix(QString path, const QString& suffix) {
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += "." + suffix;
    return path;
}

}  // namespace

PlotView::PlotView(const Plot& plot, QWidget* parent) : QWidget(parent), plot_(plot) {
    repaint_.setSingleShot(true);
    repaint_.setInterval(kRepaintMs);
    connect(&repaint_, &QTimer::timeout, this, [this] { update(); });
    setAttribute(Qt::WA_OpaquePaintEvent);

    error_curve_ = plot_.error_curve();
    log_scale_ = error_curve_;
    log_action_ = new QAction(QStringLiteral("Escala logaritmica"), this);
    log_action_->setObjectName(QStringLiteral("escalaLogaritmica"));
    log_action_->setCheckable(true);
    log_action_->setChecked(log_scale_);
    log_action_->setToolTip(QStringLiteral("Muestra el eje vertical en escala logaritmica"));
    connect(log_action_, &QAction::toggled, this, [this](bool on) { set_log_scale(on); });
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    auto* image = new QAction(QStringLiteral("Guardar imagen\u2026"), this);
    image->setObjectName(QStringLiteral("guardarImagen"));
    image->setToolTip(QStringLiteral("Guarda el grafico como imagen PNG"));
    connect(image, &QAction::triggered, this, [this] { ask_and_save_image(); });
    auto* data = new QAction(QStringLiteral("Guardar datos\u2026"), this);
    data->setObjectName(QStringLiteral("guardarDatos"));
    data->setToolTip(QStringLiteral("Guarda los puntos del grafico en un archivo CSV"));
    connect(data, &QAction::triggered, this, [this] { ask_and_save_data(); });
    addActions({log_action_, separator, image, data});
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void PlotView::changed() {
    if (plot_.error_curve() != error_curve_) {
        error_curve_ = plot_.error_curve();
        set_log_scale(error_curve_);
    }
    if (!repaint_.isActive()) repaint_.start();
}

void PlotView::set_log_scale(bool on) {
    if (log_scale_ == on) return;
    log_scale_ = on;
    log_action_->setChecked(on);
    update();
}

QString PlotView::save_image(const QString& path) const {
    QImage image(size(), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        draw(painter, image.rect());
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return QStringLiteral("No se pudo hacer la imagen del grafico");
    }
    return write_whole(path, bytes, QStringLiteral("la imagen"));
}

QString PlotView::save_data(const QString& path) const {
    return write_whole(path, QByteArray::fromStdString(plot_.csv_text()), QStringLiteral("los datos"));
}

void PlotView::ask_and_save_image() {
    const QString path = with_suffix(
        QFileDialog::getSaveFileName(this, QStringLiteral("Guardar imagen"), QStringLiteral("curva.png"),
                                     QStringLiteral("Imagen PNG (*.png)")),
        QStringLiteral("png"));
    if (path.isEmpty()) return;
    const QString problem = save_image(path);
    if (!problem.isEmpty()) QMessageBox::warning(this, QStringLiteral("Guardar imagen"), problem);
}

void PlotView::ask_and_save_data() {
    const QString path = with_suffix(
        QFileDialog::getSaveFileName(this, QStringLiteral("Guardar datos"), QStringLiteral("curva.csv"),
                                     QStringLiteral("Datos separados por punto y coma (*.csv)")),
        QStringLiteral("csv"));
    if (path.isEmpty()) return;
    const QString problem = save_data(path);
    if (!problem.isEmpty()) QMessageBox::warning(this, QStringLiteral("Guardar datos"), problem);
}

QSize PlotView::sizeHint() const { return {kWidthHint, kHeightHint}; }

QSize PlotView::minimumSizeHint() const { return {kMinWidth, kMinHeight}; }

void PlotView::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter painter(this);
    draw(painter, rect());
}

void PlotView::draw(QPainter& painter, const QRect& bounds) const {
    painter.setFont(font());
    painter.fillRect(bounds, palette().base());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(bounds.adjusted(0, 0, -1, -1));
    const QColor ink = palette().color(QPalette::Text);
    const QFontMetrics metrics = fontMetrics();
    const int line_height = metrics.height();

    // The title over everything, in bold, cut with an ellipsis when long.
    int top = bounds.top() + kMargin;
    if (!plot_.title().empty()) {
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        const QFontMetrics bold_metrics(bold);
        const QRect line(bounds.left() + kMargin, top, bounds.width() - 2 * kMargin, bold_metrics.height());
        painter.setPen(ink);
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop,
                         bold_metrics.elidedText(qtext(plot_.title()), Qt::ElideRight, line.width()));
        painter.setFont(font());
        top += bold_metrics.height() + kMargin / 2;
    }

    // Every line shares the axes, so one scale spans all their points.
    const auto& lines = plot_.lines();
    constexpr double kNone = std::numeric_limits<double>::infinity();
    double x_low = kNone, x_high = -kNone, y_low = kNone, y_high = -kNone;
    bool any_point = false;
    for (const auto& points : lines) {
        for (const Plot::Point& p : points) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
            any_point = true;
            x_low = std::min(x_low, p.x);
            x_high = std::max(x_high, p.x);
            const double y = scaled(p.y, log_scale_);
            if (std::isnan(y)) continue;
            y_low = std::min(y_low, y);
            y_high = std::max(y_high, y);
        }
    }
    if (!any_point) return;
    if (y_low > y_high) {
        // Only values a logarithmic scale cannot show: say so rather than
        // leave the reader with an empty frame.
        painter.setPen(ink);
        painter.drawText(bounds.adjusted(kMargin, top - bounds.top(), -kMargin, -kMargin),
                         Qt::AlignCenter | Qt::TextWordWrap,
                         QStringLiteral("Ningun valor es positivo: la escala logaritmica no puede mostrarlos"));
        return;
    }
    // A flat curve or a single point still needs an interval to map onto.
    if (x_high == x_low) x_high = x_low + 1;
    if (y_high == y_low) {
        y_low -= 0.5;
        y_high += 0.5;
    }
    auto shown = [this](double y) { return log_scale_ ? std::pow(10.0, y) : y; };

    const QString top_text = axis_text(shown(y_high)), bottom_text = axis_text(shown(y_low));
    const int label_width = std::max(metrics.horizontalAdvance(top_text), metrics.horizontalAdvance(bottom_text));
    const bool y_titled = !plot_.y_title().empty();
    const bool x_titled = !plot_.x_title().empty();
    const int left = bounds.left() + kMargin + (y_titled ? line_height + kMargin / 2 : 0);
    const int bottom_band = line_height + kMargin + (x_titled ? line_height : 0);
    const QRectF area(left + label_width + kMargin, top, bounds.right() - kMargin - (left + label_width + kMargin),
                      bounds.bottom() - kMargin - bottom_band - top);
    if (area.width() < 2 || area.height() < 2) return;

    painter.setPen(ink);
    painter.drawLine(area.bottomLeft(), area.topLeft());
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawText(QRectF(left, area.top(), label_width, line_height), Qt::AlignRight, top_text);
    painter.drawText(QRectF(left, area.bottom() - line_height, label_width, line_height), Qt::AlignRight, bottom_text);
    const QRectF x_labels(area.left(), area.bottom() + kMargin, area.width(), line_height);
    painter.drawText(x_labels, Qt::AlignLeft, axis_text(x_low));
    painter.drawText(x_labels, Qt::AlignRight, axis_text(x_high));
    if (x_titled) {
        painter.drawText(QRectF(area.left(), x_labels.bottom(), area.width(), line_height), Qt::AlignHCenter,
                         metrics.elidedText(qtext(plot_.x_title()), Qt::ElideRight, static_cast<int>(area.width())));
    }
    if (y_titled) {
        painter.save();
        painter.translate(bounds.left() + kMargin, area.bottom());
        painter.rotate(-90);
        painter.drawText(QRectF(0, 0, area.height(), line_height), Qt::AlignHCenter,
                         metrics.elidedText(qtext(plot_.y_title()), Qt::ElideRight, static_cast<int>(area.height())));
        painter.restore();
    }

    auto at_x = [&](double x) { return area.left() + (x - x_low) / (x_high - x_low) * area.width(); };
    auto at_y = [&](double y) { return area.bottom() - (y - y_low) / (y_high - y_low) * area.height(); };

    // On a logarithmic scale each power of ten gets a tick, and its value
    // where there is room between the ends' labels.
    if (log_scale_) {
        // y spans at most a few hundred decades: doubles hold 10^-324 to 10^308.
        const auto first = static_cast<int>(std::ceil(y_low)), last = static_cast<int>(std::floor(y_high));
        for (int decade = first; decade <= last; ++decade) {
            const double y = at_y(decade);
            painter.drawLine(QPointF(area.left() - 3, y), QPointF(area.left(), y));
            if (y - line_height / 2.0 > area.top() + line_height && y + line_height / 2.0 < area.bottom() - line_height) {
                painter.drawText(QRectF(left, y - line_height / 2.0, label_width, line_height), Qt::AlignRight,
                                 axis_text(std::pow(10.0, decade)));
            }
        }
    }

    // Where each pass begins: a dotted line with the pass's number.
    QPen mark(palette().color(QPalette::Mid));
    mark.setStyle(Qt::DotLine);
    const auto& marks = plot_.pass_marks();
    for (size_t k = 0; k < marks.size(); ++k) {
        if (!std::isfinite(marks[k]) || marks[k] < x_low || marks[k] > x_high) continue;
        const double x = at_x(marks[k]);
        painter.setPen(mark);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        painter.setPen(ink);
        painter.drawText(QPointF(x + 2, area.top() + metrics.ascent()), QString::number(k + 1));
    }

    painter.setRenderHint(QPainter::Antialiasing);
    // The first line in the highlight colour, the others dashed in a darker one.
    auto pen_of = [this](size_t i) {
        QPen curve(palette().color(i == 0 ? QPalette::Highlight : QPalette::Dark));
        curve.setWidthF(1.5);
        if (i > 0) curve.setStyle(Qt::DashLine);
        return curve;
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        QPainterPath path;
        // A point alone between gaps has no segment to show it: it is drawn
        // as a dot.
        std::vector<QPointF> alone;
        size_t run = 0;
        QPointF last;
        for (const Plot::Point& p : lines[i]) {
            const double y = scaled(p.y, log_scale_);
            if (!std::isfinite(p.x) || std::isnan(y)) {
                if (run == 1) alone.push_back(last);
                run = 0;
                continue;
            }
            last = QPointF(at_x(p.x), at_y(y));
            if (run++ > 0) {
                path.lineTo(last);
            } else {
                path.moveTo(last);
            }
        }
        if (run == 1) alone.push_back(last);
        painter.setPen(pen_of(i));
        painter.drawPath(path);
        for (const QPointF& dot : alone) painter.drawEllipse(dot, 2, 2);
    }

    // The legend, in the top right corner, of the lines that have a name.
    const auto& names = plot_.line_names();
    int legend_width = 0, legend_lines = 0;
    for (size_t i = 0; i < names.size() && i < lines.size(); ++i) {
        if (names[i].empty()) continue;
        legend_width = std::max(legend_width, metrics.horizontalAdvance(qtext(names[i])));
        ++legend_lines;
    }
    if (legend_lines == 0) return;
    legend_width += kLegendSample + 3 * kMargin / 2;
    const QRectF legend(area.right() - legend_width - kMargin / 2, area.top() + kMargin / 2, legend_width,
                        legend_lines * line_height + kMargin / 2);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QColor under = palette().color(QPalette::Base);
    under.setAlpha(220);
    painter.fillRect(legend, under);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(legend);
    double y = legend.top() + kMargin / 4.0;
    for (size_t i = 0; i < names.size() && i < lines.size(); ++i) {
        if (names[i].empty()) continue;
        const double middle = y + line_height / 2.0;
        painter.setPen(pen_of(i));
        painter.drawLine(QPointF(legend.left() + kMargin / 2.0, middle),
                         QPointF(legend.left() + kMargin / 2.0 + kLegendSample, middle));
        painter.setPen(ink);
        painter.drawText(QRectF(legend.left() + kMargin + kLegendSample, y, legend_width, line_height),
                         Qt::AlignLeft | Qt::AlignVCenter, qtext(names[i]));
        y += line_height;
    }
}

}  // namespace vorn::qt
