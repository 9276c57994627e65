#include "qt/progress_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

namespace vorn::qt {

namespace {

constexpr const char* kStopping = "Deteniendo al final de la pasada...";
constexpr const char* kStoppingToEnd = "Deteniendo al final de la pasada para salir...";
// The bar's own range; a count of millions is scaled into it.
constexpr int kBarSteps = 1000;
constexpr int kBarWidth = 160;

}  // namespace

ProgressPanel::ProgressPanel(QWidget* parent)
    : QWidget(parent),
      text_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      elapsed_(new QLabel(this)),
      stop_(new QLabel(this)) {
    setObjectName(QStringLiteral("progreso"));
    text_->setObjectName(QStringLiteral("progresoTexto"));
    bar_->setObjectName(QStringLiteral("progresoBarra"));
    elapsed_->setObjectName(QStringLiteral("progresoTiempo"));
    stop_->setObjectName(QStringLiteral("progresoDetener"));
    text_->setTextFormat(Qt::PlainText);
    stop_->setTextFormat(Qt::PlainText);
    QFont bold = stop_->font();
    bold.setBold(true);
    stop_->setFont(bold);
    bar_->setRange(0, kBarSteps);
    bar_->setFixedWidth(kBarWidth);
    bar_->setTextVisible(true);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(text_, 1);
    row->addWidget(stop_);
    row->addWidget(bar_);
    row->addWidget(elapsed_);
    bar_->hide();
    elapsed_->hide();
    stop_->hide();
}

QString ProgressPanel::elapsed_text(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void ProgressPanel::start_run() { clock_.start(); }

void ProgressPanel::show_progress(const Progress& progress) {
    if (!clock_.isValid()) clock_.start();
    const QString text = QString::fromStdString(progress.text);
    if (text_->text() != text) text_->setText(text);
    if (progress.total > 0) {
        const double share = static_cast<double>(progress.done) / static_cast<double>(progress.total);
        bar_->setValue(static_cast<int>(std::clamp(share, 0.0, 1.0) * kBarSteps));
        bar_->setFormat(QStringLiteral("%1 / %2").arg(progress.done).arg(progress.total));
        bar_->show();
    } else {
        bar_->hide();
    }
    elapsed_->setText(elapsed_text(clock_.elapsed()));
    elapsed_->show();
}

void ProgressPanel::show_stop_pending(bool ending) {
    stop_->setText(QString::fromUtf8(ending ? kStoppingToEnd : kStopping));
    stop_->show();
    // The handler holds the thread: paint now rather than at its next
    // repaint point, which may be a long pass away.
    if (isVisible()) repaint();
}

void ProgressPanel::clear_stop_pending() {
    stop_->clear();
    stop_->hide();
}

}  // namespace vorn::qt
