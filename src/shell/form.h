// A form: a named window with a caption, its controls in creation order,
// and the boundary every user-started handler runs inside.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/controls.h"

namespace vorn {

// What wraps one user-started handler: a transaction, engine failures shown
// as a message, timers held back until it returns. The workbench provides
// it; a form without one runs handlers bare (as unit tests of controls do).
class HandlerBoundary {
public:
    virtual ~HandlerBoundary() = default;
    virtual void run(const std::function<void()>& handler) = 0;
    // Asked before a writing handler starts: true (after saying why) when it
    // must not run.
    virtual bool refuse_writing() { return false; }
};

class Form {
public:
    Form(std::string name, std::string caption, bool visible);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form() = default;

    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption);
    bool visible() const { return visible_; }
    void set_visible(bool visible);
    // What an operation's "show the window" does: makes it visible and
    // asks the front end to bring it to the front, even when it already
    // was visible (behind another window, say). Setting the visible flag
    // alone brings nothing forward.
    void show();
    void hide() { set_visible(false); }
    // How many times show() was called, so a front end can tell a new
    // request to bring the window forward from one it already honoured.
    unsigned long long show_requests() const { return show_requests_; }

    // Controls in creation order, and by name (case-insensitive, as users
    // type them in scripts).
    const std::vector<Control*>& controls() const { return controls_; }
    Control* find(std::string_view name) const;
    template <class T>
    T* find_as(std::string_view name) const {
        return dynamic_cast<T*>(find(name));
    }
    // The top-level menus of the menu bar, left to right.
    std::vector<MenuItem*> menus() const;

    void set_boundary(HandlerBoundary* boundary) { boundary_ = boundary; }
    void run_handler(const std::function<void()>& handler);
    // Whether a writing handler must not run now (see HandlerBoundary).
    bool refuse_writing() { return boundary_ != nullptr && boundary_->refuse_writing(); }

    // Called by controls on construction.
    void add_control(Control& control) { controls_.push_back(&control); }

    void observe(std::function<void()> observer) { observers_.push_back(std::move(observer)); }

private:
    void notify();

    std::string name_;
    std::string caption_;
    bool visible_;
    unsigned long long show_requests_ = 0;
    std::vector<Control*> controls_;
    HandlerBoundary* boundary_ = nullptr;
    std::vector<std::function<void()>> observers_;
};

}  // namespace vorn
