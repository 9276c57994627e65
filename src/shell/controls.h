// The controls a form owns, as plain objects. A control tells its observers
// when its state changes (Change::Value) and when the running handler asks
// for it to be repainted now (Change::Repaint); that is all a front end
// needs to stay in step. Controls never hold workbench logic: a button only
// runs the handler the form gave it, through the form's handler boundary.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class Form;
class DataSource;
class Database;

enum class Change { Value, Repaint };

class Control {
public:
    using Observer = std::function<void(Change)>;

    Control(Form& form, std::string name);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const std::string& name() const { return name_; }
    Form& form() const { return form_; }

    bool visible() const { return visible_; }
    void set_visible(bool visible);

    // A few Spanish words on what the control does, for the front end's
    // tooltip; empty for none.
    const std::string& tooltip() const { return tooltip_; }
    void set_tooltip(std::string tooltip) { tooltip_ = std::move(tooltip); }

    // Observers live as long as the control; front ends attach theirs once.
    void observe(Observer observer) { observers_.push_back(std::move(observer)); }

protected:
    void notify(Change change = Change::Value);

private:
    Form& form_;
    std::string name_;
    bool visible_ = true;
    std::string tooltip_;
    std::vector<Observer> observers_;
};

// A single-line text field. Handlers read it as text every time they need
// a number, as the form's users expect.
class TextField : public Control {
public:
    TextField(Form& form, std::string name, std::string text);
    const std::string& text() const { return text_; }
    void set_text(std::string text);
    // Repaints the field now, for progress figures inside long handlers.
    void refresh() { notify(Change::Repaint); }
    // A field that still shows its own control name was never set; the
    // operations then take their default for it.
    bool never_set() const { return text_ == name(); }
    // Gives a never-set field its default text.
    void default_if_never_set(std::string text) {
        if (never_set()) set_text(std::move(text));
    }

private:
    std::string text_;
};

class Label : public Control {
public:
    Label(Form& form, std::string name, std::string caption);
    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption);
    void refresh() { notify(Change::Repaint); }

private:
    std::string caption_;
};

// A command button or a menu item: a caption and the handler it runs.
// Whether a handler writes to the database, declared where it is attached.
// One that writes is refused on a database opened read-only, and takes the
// write lock before it starts (see HandlerBoundary::refuse_writing).
enum class Access { Reads, Writes };

class Command : public Control {
public:
    Command(Form& form, std::string name, std::string caption);
    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption);
    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled);

    // A handler declared as writing is refused, before its work, when the
    // form's boundary refuses writing (a read-only database), whether it
    // runs by a click or from another handler.
    void set_handler(std::function<void()> handler, Access access = Access::Reads);
    bool has_handler() const { return static_cast<bool>(handler_); }
    const std::function<void()>& handler() const { return handler_; }
    // What a user's click does: the handler, inside the form's boundary
    // (transaction, engine failures shown as a message). Nested calls from
    // another handler use run() so they join the running handler.
    void click();
    void run() const {
        if (handler_) handler_();
    }

private:
    std::string caption_;
    bool enabled_ = true;
    std::function<void()> handler_;
};

class Button : public Command {
public:
    Button(Form& form, std::string name, std::string caption, bool bold = false);
    bool bold() const { return bold_; }

private:
    bool bold_;
};

// A menu of the menu bar, or one of its items.
class MenuItem : public Command {
public:
    MenuItem(Form& form, std::string name, std::string caption, MenuItem* parent = nullptr);
    MenuItem* parent() const { return parent_; }
    const std::vector<MenuItem*>& items() const { return items_; }
    // A key that chooses the item from anywhere in its window ("F1").
    void set_shortcut(std::string keys) { shortcut_ = std::move(keys); }
    const std::string& shortcut() const { return shortcut_; }

private:
    MenuItem* parent_;
    std::string shortcut_;
    std::vector<MenuItem*> items_;
};

class ComboBox : public Control {
public:
    ComboBox(Form& form, std::string name, std::string text);
    const std::string& text() const { return text_; }
    void set_text(std::string text);
    const std::vector<std::string>& items() const { return items_; }
    void add_item(std::string item);
    void clear();

private:
    std::string text_;
    std::vector<std::string> items_;
};

// A list of text lines. Adding lines only marks the list changed; a front
// end coalesces those and repaints on refresh(), so long listings stay
// cheap. "Hiding the list" while it is filled is the visible flag.
class ListBox : public Control {
public:
    ListBox(Form& form, std::string name);
    const std::vector<std::string>& lines() const { return lines_; }
    void add_line(std::string line);
    void clear();
    void refresh() { notify(Change::Repaint); }
    // Counts every change, so a front end can tell cheaply whether its copy
    // is stale.
    unsigned long long revision() const { return revision_; }

    // What a double-click on line `index` (0-based) runs: the handler, inside
    // the form's boundary, as a click does. An index outside the list, or a
    // list without a handler, does nothing.
    void set_activation_handler(std::function<void(int)> handler) { activation_ = std::move(handler); }
    void activate(int index);

private:
    std::vector<std::string> lines_;
    unsigned long long revision_ = 0;
    std::function<void(int)> activation_;
};

// A plot of one or more lines: points in the order they were added (x, y),
// and what a reader needs to make sense of them (a title, the axes' titles,
// the lines' names, where each pass of a run begins). The core keeps all of
// it; a front end draws it, repainting by time, and a script reads the
// points with text(). Long curves are thinned by their owner, never here.
class Plot : public Control {
public:
    struct Point {
        double x = 0, y = 0;
    };
    Plot(Form& form, std::string name);
    // The first line; a plot always has one, perhaps without points.
    const std::vector<Point>& points() const { return lines_.front(); }
    // Every line, the first one first.
    const std::vector<std::vector<Point>>& lines() const { return lines_; }
    // Adds a point to line `line`, making the lines up to it.
    void add_point(double x, double y, size_t line = 0);
    // The plot becomes one line with these points.
    void set_points(std::vector<Point> points);
    // Drops the points and the pass marks; the titles and names stay until
    // whoever draws next sets its own.
    void clear();
    void refresh() { notify(Change::Repaint); }
    // Line i as one "x;y" pair per point, joined by blanks, numbers in
    // general form with "." (what `get FORM.Curva` prints, a line each).
    std::string line_text(size_t line) const;
    // Every line's text, joined by a newline.
    std::string text() const;
    unsigned long long revision() const { return revision_; }

    const std::string& title() const { return title_; }
    void set_title(std::string title);
    const std::string& x_title() const { return x_title_; }
    const std::string& y_title() const { return y_title_; }
    void set_axis_titles(std::string x_title, std::string y_title);
    // A line without a name (or past the names) has none in the legend.
    const std::vector<std::string>& line_names() const { return line_names_; }
    void set_line_names(std::vector<std::string> names);
    // A training's error falls by orders of magnitude, so an error curve
    // is shown on a logarithmic scale unless the reader asks otherwise.
    bool error_curve() const { return error_curve_; }
    void set_error_curve(bool error_curve);
    // The x at which each pass of a run begins, in order.
    const std::vector<double>& pass_marks() const { return pass_marks_; }
    void add_pass_mark(double x);

    // The points as a table for a spreadsheet: a heading (the x axis's
    // title, then each line's name), then one row per x, ascending, with a
    // cell per line, empty where the line has no finite point at that x.
    // ";" between fields, "." as decimal point, CRLF line ends.
    std::string csv_text() const;

private:
    void changed();

    std::vector<std::vector<Point>> lines_{1};
    unsigned long long revision_ = 0;
    std::string title_, x_title_, y_title_;
    std::vector<std::string> line_names_;
    bool error_curve_ = false;
    std::vector<double> pass_marks_;
};

// A one-shot-or-repeating timer: interval in milliseconds, 0 = stopped. The
// handler never runs inside another handler; a timer that comes due while
// one runs fires after it returns.
class Timer : public Command {
public:
    Timer(Form& form, std::string name, int interval_ms);
    int interval() const { return interval_; }
    void set_interval(int interval_ms);
    bool armed() const { return interval_ > 0; }

private:
    int interval_;
};

class PushButton3D : public Command {
public:
    PushButton3D(Form& form, std::string name, std::string caption);
    bool pressed() const { return pressed_; }
    void set_pressed(bool pressed);

private:
    bool pressed_ = false;
};

class Frame3D : public Control {
public:
    Frame3D(Form& form, std::string name, std::string caption);
    const std::string& caption() const { return caption_; }

private:
    std::string caption_;
};

class OptionButton : public Control {
public:
    OptionButton(Form& form, std::string name, std::string caption, Frame3D* container);
    const std::string& caption() const { return caption_; }
    Frame3D* container() const { return container_; }
    bool value() const { return value_; }
    void set_value(bool value);

private:
    std::string caption_;
    Frame3D* container_;
    bool value_ = false;
};

class Shape : public Control {
public:
    Shape(Form& form, std::string name, std::string back_color);
    const std::string& back_color() const { return back_color_; }

private:
    std::string back_color_;
};

// The visible data control: a caption beside a data source.
class DataControl : public Control {
public:
    DataControl(Form& form, std::string name, std::string caption, Database& db,
                std::string record_source);
    ~DataControl() override;
    const std::string& caption() const { return caption_; }
    void set_caption(std::string caption);
    DataSource& source() { return *source_; }
    const DataSource& source() const { return *source_; }

private:
    std::string caption_;
    std::unique_ptr<DataSource> source_;
};

}  // namespace vorn
