#include "qt/form_window.h"

#include <QCloseEvent>

namespace vorn::qt {

FormWindow::FormWindow(Form& form, std::function<void(QCloseEvent&)> on_close)
    : form_(form), on_close_(std::move(on_close)) {
    setObjectName(QString::fromStdString(form.name()));
    setWindowTitle(QString::fromStdString(form.caption()));
}

void FormWindow::closeEvent(QCloseEvent* event) { on_close_(*event); }

void FormWindow::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    if (on_hide_) on_hide_();
}

}  // namespace vorn::qt
