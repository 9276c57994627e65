// The widgets of one form, each bound both ways to its control: a user's
// edit or click goes to the control (or runs its handler through the
// hooks), and every change the control reports comes back to the widget.
// The binder creates a widget the first time a layout asks for it; what a
// layout never asks for is still created by place_rest(), so no control is
// left without its widget. Binding never decides anything: the controls and
// their handlers do.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "shell/controls.h"
#include "shell/form.h"

class QBoxLayout;
class QListView;
class QMenu;
class QMenuBar;
class QWidget;

namespace vorn::qt {

class LinesModel;

// What a binder needs from the front end around it.
struct BinderHooks {
    // Observers outlive the front end (controls keep them for their own
    // lifetime), so every one of them checks this first.
    std::weak_ptr<void> alive;
    // A user clicked a button or chose a menu item.
    std::function<void(Command&)> run_command;
    // A list's lines changed; the front end syncs it at its next chance.
    std::function<void()> list_changed;
    // A running handler asked for a control to be repainted now.
    std::function<void()> repaint;
};

class Binder {
public:
    // Widgets are created as children of owner; layouts move them.
    Binder(Form& form, QWidget& owner, BinderHooks hooks);
    Binder(const Binder&) = delete;
    Binder& operator=(const Binder&) = delete;

    Form& form() const { return form_; }

    // The control's widget, created and bound on first request; null for
    // controls that have none (menu items, timers).
    QWidget* widget(Control& control);
    template <class W>
    W* widget_as(Control& control) {
        return qobject_cast<W*>(widget(control));
    }
    // The widget already made for a control, or null.
    QWidget* existing(const Control& control) const;

    // Adds every control that has a widget but no place yet, in creation
    // order, to the layout.
    void place_rest(QBoxLayout& layout);

    // The form's menus on a menu bar; menu items keep following their
    // controls (caption, visible, enabled).
    void build_menus(QMenuBar& bar);

    struct ListView {
        QListView* view;
        LinesModel* model;
    };
    const std::vector<ListView>& lists() const { return lists_; }

private:
    QWidget* make(Control& control);
    QWidget* make_text_field(TextField& field);
    QWidget* make_label(Label& label);
    QWidget* make_button(Button& button);
    QWidget* make_push_button(PushButton3D& button);
    QWidget* make_combo(ComboBox& combo);
    QWidget* make_list(ListBox& list);
    QWidget* make_frame(Frame3D& frame);
    QWidget* make_option(OptionButton& option);
    QWidget* make_shape(Shape& shape);
    QWidget* make_data_control(DataControl& data);
    QWidget* make_plot(Plot& plot);
    void add_menu_items(QMenu& menu, MenuItem& parent);

    // Wraps an observer so that it does nothing once the front end is gone.
    Control::Observer guarded(std::function<void(Change)> observer) const;

    Form& form_;
    QWidget& owner_;
    BinderHooks hooks_;
    std::map<const Control*, QWidget*> widgets_;
    std::vector<ListView> lists_;
};

}  // namespace vorn::qt
