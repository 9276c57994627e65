#include "shell/controls.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

#include "shell/form.h"
#include "shell/number_text.h"
#include "shell/record_store.h"

namespace vorn {

Control::Control(Form& form, std::string name) : form_(form), name_(std::move(name)) {
    form_.add_control(*this);
}

void Control::set_visible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    notify();
}

void Control::notify(Change change) {
    for (auto& observer : observers_) observer(change);
}

TextField::TextField(Form& form, std::string name, std::string text)
    : Control(form, std::move(name)), text_(std::move(text)) {}

void TextField::set_text(std::string text) {
    if (text_ == text) return;
    text_ = std::move(text);
    notify();
}

Label::Label(Form& form, std::string name, std::string caption)
    : Control(form, std::move(name)), caption_(std::move(caption)) {}

void Label::set_caption(std::string caption) {
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    notify();
}

Plot::Plot(Form& form, std::string name) : Control(form, std::move(name)) {}

void Plot::changed() {
    ++revision_;
    notify();
}

void Plot::add_point(double x, double y, size_t line) {
    if (line >= lines_.size()) lines_.resize(line + 1);
    lines_[line].push_back({x, y});
    changed();
}

void Plot::set_points(std::vector<Point> points) {
    lines_.assign(1, std::move(points));
    changed();
}

void Plot::clear() {
    if (lines_.size() == 1 && lines_.front().empty() && pass_marks_.empty()) return;
    lines_.assign(1, {});
    pass_marks_.clear();
    changed();
}

void Plot::set_title(std::string title) {
    if (title_ == title) return;
    title_ = std::move(title);
    changed();
}

void Plot::set_axis_titles(std::string x_title, std::string y_title) {
    if (x_title_ == x_title && y_title_ == y_title) return;
    x_title_ = std::move(x_title);
    y_title_ = std::move(y_title);
    changed();
}

void Plot::set_line_names(std::vector<std::string> names) {
    if (line_names_ == names) return;
    line_names_ = std::move(names);
    changed();
}

void Plot::set_error_curve(bool error_curve) {
    if (error_curve_ == error_curve) return;
    error_curve_ = error_curve;
    changed();
}

void Plot::add_pass_mark(double x) {
    pass_marks_.push_back(x);
    changed();
}

std::string Plot::line_text(size_t line) const {
    std::string out;
    if (line >= lines_.size()) return out;
    for (const Point& p : lines_[line]) {
        if (!out.empty()) out += ' ';
        out += format_sql(p.x);
        out += ';';
        out += format_sql(p.y);
    }
    return out;
}

std::string Plot::text() const {
    std::string out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) out += '\n';
        out += line_text(i);
    }
    return out;
}

namespace {

// The shortest text that reads back as the same double, so a saved table
// loses nothing of the curve.
void append_csv_number(std::string& out, double value) {
    if (!std::isfinite(value)) return;
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error == std::errc()) out.append(buffer, end);
}

void append_csv_field(std::string& out, const std::string& field) {
    if (field.find_first_of(";\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::string Plot::csv_text() const {
    std::string out;
    append_csv_field(out, x_title_.empty() ? std::string("x") : x_title_);
    const std::string y_name = y_title_.empty() ? std::string("y") : y_title_;
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += ';';
        if (i < line_names_.size() && !line_names_[i].empty()) {
            append_csv_field(out, line_names_[i]);
        } else {
            append_csv_field(out, lines_.size() == 1 ? y_name : y_name + " " + std::to_string(i + 1));
        }
    }
    out += "\r\n";

    // Each line in x order (points of one x keep the order they came in);
    // then the lines are merged x by x. A point without a finite x has no
    // row to go in.
    std::vector<std::vector<Point>> sorted;
    sorted.reserve(lines_.size());
    for (const auto& line : lines_) {
        std::vector<Point>& kept = sorted.emplace_back();
        std::copy_if(line.begin(), line.end(), std::back_inserter(kept),
                     [](const Point& p) { return std::isfinite(p.x); });
        std::stable_sort(kept.begin(), kept.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
    }
    std::vector<size_t> next(sorted.size(), 0);
    for (;;) {
        double x = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < sorted.size(); ++i) {
            if (next[i] < sorted[i].size()) x = std::min(x, sorted[i][next[i]].x);
        }
        if (!std::isfinite(x)) break;
        // Two points of one line at the same x each get a row of their own.
        std::vector<size_t> ends(sorted.size());
        size_t rows = 0;
        for (size_t i = 0; i < sorted.size(); ++i) {
            ends[i] = next[i];
            while (ends[i] < sorted[i].size() && sorted[i][ends[i]].x == x) ++ends[i];
            rows = std::max(rows, ends[i] - next[i]);
        }
        for (size_t row = 0; row < rows; ++row) {
            append_csv_number(out, x);
            for (size_t i = 0; i < sorted.size(); ++i) {
                out += ';';
                if (next[i] + row < ends[i]) append_csv_number(out, sorted[i][next[i] + row].y);
            }
            out += "\r\n";
        }
        next = std::move(ends);
    }
    return out;
}

Command::Command(Form& form, std::string name, std::string caption)
    : Control(form, std::move(name)), caption_(std::move(caption)) {}

void Command::set_caption(std::string caption) {
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    notify();
}

void Command::set_enabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    notify();
}

void ListBox::activate(int index) {
    if (!activation_ || index < 0 || static_cast<size_t>(index) >= lines_.size()) return;
    form().run_handler([this, index] { activation_(index); });
}

void Command::set_handler(std::function<void()> handler, Access access) {
    if (access == Access::Writes && handler) {
        handler_ = [this, work = std::move(handler)] {
            if (!form().refuse_writing()) work();
        };
    } else {
        handler_ = std::move(handler);
    }
}

void Command::click() {
    if (handler_) form().run_handler(handler_);
}

Button::Button(Form& form, std::string name, std::string caption, bool bold)
    : Command(form, std::move(name), std::move(caption)), bold_(bold) {}

MenuItem::MenuItem(Form& form, std::string name, std::string caption, MenuItem* parent)
    : Command(form, std::move(name), std::move(caption)), parent_(parent) {
    if (parent_ != nullptr) parent_->items_.push_back(this);
}

ComboBox::ComboBox(Form& form, std::string name, std::string text)
    : Control(form, std::move(name)), text_(std::move(text)) {}

void ComboBox::set_text(std::string text) {
    if (text_ == text) return;
    text_ = std::move(text);
    notify();
}

void ComboBox::add_item(std::string item) {
    items_.push_back(std::move(item));
    notify();
}

void ComboBox::clear() {
    items_.clear();
    notify();
}

ListBox::ListBox(Form& form, std::string name) : Control(form, std::move(name)) {}

void ListBox::add_line(std::string line) {
    lines_.push_back(std::move(line));
    ++revision_;
    notify();
}

void ListBox::clear() {
    lines_.clear();
    ++revision_;
    notify();
}

Timer::Timer(Form& form, std::string name, int interval_ms)
    : Command(form, std::move(name), ""), interval_(interval_ms) {}

void Timer::set_interval(int interval_ms) {
    if (interval_ms < 0) interval_ms = 0;
    if (interval_ == interval_ms) return;
    interval_ = interval_ms;
    notify();
}

PushButton3D::PushButton3D(Form& form, std::string name, std::string caption)
    : Command(form, std::move(name), std::move(caption)) {}

void PushButton3D::set_pressed(bool pressed) {
    if (pressed_ == pressed) return;
    pressed_ = pressed;
    notify();
}

Frame3D::Frame3D(Form& form, std::string name, std::string caption)
    : Control(form, std::move(name)), caption_(std::move(caption)) {}

OptionButton::OptionButton(Form& form, std::string name, std::string caption, Frame3D* container)
    : Control(form, std::move(name)), caption_(std::move(caption)), container_(container) {}

void OptionButton::set_value(bool value) {
    if (value_ == value) return;
    value_ = value;
    notify();
}

Shape::Shape(Form& form, std::string name, std::string back_color)
    : Control(form, std::move(name)), back_color_(std::move(back_color)) {}

DataControl::DataControl(Form& form, std::string name, std::string caption, Database& db,
                         std::string record_source)
    : Control(form, std::move(name)),
      caption_(std::move(caption)),
      source_(std::make_unique<DataSource>(db, std::move(record_source))) {}

DataControl::~DataControl() = default;

void DataControl::set_caption(std::string caption) {
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    notify();
}

Form::Form(std::string name, std::string caption, bool visible)
    : name_(std::move(name)), caption_(std::move(caption)), visible_(visible) {}

void Form::set_caption(std::string caption) {
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    notify();
}

void Form::set_visible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    notify();
}

void Form::show() {
    ++show_requests_;
    if (visible_) {
        notify();
    } else {
        set_visible(true);
    }
}

Control* Form::find(std::string_view name) const {
    std::string wanted = lower(name);
    for (Control* control : controls_) {
        if (lower(control->name()) == wanted) return control;
    }
    return nullptr;
}

std::vector<MenuItem*> Form::menus() const {
    std::vector<MenuItem*> menus;
    for (Control* control : controls_) {
        auto* item = dynamic_cast<MenuItem*>(control);
        if (item != nullptr && item->parent() == nullptr) menus.push_back(item);
    }
    return menus;
}

void Form::run_handler(const std::function<void()>& handler) {
    if (boundary_ != nullptr) {
        boundary_->run(handler);
    } else {
        handler();
    }
}

void Form::notify() {
    for (auto& observer : observers_) observer();
}

}  // namespace vorn
