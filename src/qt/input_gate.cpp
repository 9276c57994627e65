#include "qt/input_gate.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include "qt/form_window.h"

namespace vorn::qt {

namespace {

// Input that makes something happen. Pointer movement, hovering and
// tooltips stay: they change nothing and keep the windows alive to the eye.
bool is_action_input(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

}  // namespace

InputGate::InputGate(GateHooks hooks, QObject* parent) : QObject(parent), hooks_(std::move(hooks)) {}

bool InputGate::eventFilter(QObject* watched, QEvent* event) {
    if (!is_action_input(event->type()) || !hooks_.closed()) return false;
    // Events reach a window's QWindow before its widgets; the widget they
    // are meant for is where the gate decides.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) return false;
    // Dialogs and menus the running handler (or the user, for "Salir")
    // opened are not the workbench's windows.
    if (qobject_cast<FormWindow*>(widget->window()) == nullptr) return false;

    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (key && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // The override comes first and must be claimed, or Escape could
        // trigger a shortcut instead of arriving as a key press.
        if (event->type() == QEvent::KeyPress) hooks_.escape();
        event->accept();
        return true;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease &&
        event->type() != QEvent::ShortcutOverride && event->type() != QEvent::Shortcut && hooks_.let_through(*widget)) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) event->accept();
    ++dropped_;
    return true;
}

}  // namespace vorn::qt
