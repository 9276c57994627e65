// The top-level window of one form. What closing it with the window frame
// means belongs to the front end (the main window ends the program, the
// others only hide), so the window hands its close event on.
#pragma once

#include <QMainWindow>
#include <functional>

#include "shell/form.h"

namespace vorn::qt {

class FormWindow : public QMainWindow {
    Q_OBJECT

public:
    FormWindow(Form& form, std::function<void(QCloseEvent&)> on_close);
    Form& form() const { return form_; }
    // Called each time the window is hidden (closed, minimised, the
    // program ending), when its place on the screen is worth keeping.
    void set_on_hide(std::function<void()> on_hide) { on_hide_ = std::move(on_hide); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Form& form_;
    std::function<void(QCloseEvent&)> on_close_;
    std::function<void()> on_hide_;
};

}  // namespace vorn::qt
