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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Form& form_;
    std::function<void(QCloseEvent&)> on_close_;
};

}  // namespace vorn::qt
