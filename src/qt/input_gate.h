// What the user may do while a handler holds the thread. The front end
// processes events at a running handler's repaint points so that the
// windows stay drawn; this filter lets through only the inputs that ask
// the run to stop ("Detener", "Salir", Escape; a window's close is not
// input and is handled by the window) and drops every other click and key
// aimed at the workbench's windows. Dropped, not deferred: a click made
// during a run never fires after it. Dialogs the handler opens, and the
// menus that lead to "Salir", take input as usual.
#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace vorn::qt {

struct GateHooks {
    // True while a handler runs; the gate is open otherwise.
    std::function<bool()> closed;
    // True for the widgets that take clicks during a run.
    std::function<bool(const QWidget&)> let_through;
    // The user pressed Escape in one of the workbench's windows.
    std::function<void()> escape;
};

class InputGate : public QObject {
    Q_OBJECT

public:
    explicit InputGate(GateHooks hooks, QObject* parent = nullptr);

    // How many inputs were dropped so far.
    long dropped() const { return dropped_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    GateHooks hooks_;
    long dropped_ = 0;
};

}  // namespace vorn::qt
