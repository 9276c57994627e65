#include "qt/binder.h"

#include <QAbstractButton>
#include <QAction>
#include <QBoxLayout>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include "qt/lines_model.h"
#include "qt/plot_view.h"

namespace vorn::qt {

namespace {

QString qstr(const std::string& text) { return QString::fromStdString(text); }

// Setting a text the widget already shows would move the user's cursor.
void show_text(QLineEdit& edit, const std::string& text) {
    QString wanted = qstr(text);
    if (edit.text() != wanted) edit.setText(wanted);
}

void show_visible(QWidget& widget, const Control& control) {
    if (widget.isHidden() == control.visible()) widget.setHidden(!control.visible());
}

constexpr int kBoldPointSize = 12;

}  // namespace

Binder::Binder(Form& form, QWidget& owner, BinderHooks hooks)
    : form_(form), owner_(owner), hooks_(std::move(hooks)) {}

Control::Observer Binder::guarded(std::function<void(Change)> observer) const {
    return [alive = hooks_.alive, observer = std::move(observer)](Change change) {
        if (alive.expired()) return;
        observer(change);
    };
}

QWidget* Binder::widget(Control& control) {
    if (auto found = widgets_.find(&control); found != widgets_.end()) return found->second;
    QWidget* made = make(control);
    widgets_[&control] = made;
    if (made != nullptr) {
        made->setObjectName(qstr(control.name()));
        made->setToolTip(qstr(control.tooltip()));
        show_visible(*made, control);
    }
    return made;
}

QWidget* Binder::existing(const Control& control) const {
    auto found = widgets_.find(&control);
    return found == widgets_.end() ? nullptr : found->second;
}

void Binder::place_rest(QBoxLayout& layout) {
    for (Control* control : form_.controls()) {
        if (widgets_.count(control) != 0) continue;
        // An option button lives inside its frame; making the frame places it.
        if (auto* option = dynamic_cast<OptionButton*>(control); option && option->container()) {
            Frame3D& frame = *option->container();
            if (widgets_.count(&frame) == 0) {
                if (QWidget* made = widget(frame)) layout.addWidget(made);
            }
            continue;
        }
        // Forms hold no null controls: each registers itself on construction.
        if (QWidget* made = widget(*control)) layout.addWidget(made);  // NOLINT(clang-analyzer-core.NonNullParamChecker)
    }
}

QWidget* Binder::make(Control& control) {
    if (dynamic_cast<MenuItem*>(&control) || dynamic_cast<Timer*>(&control)) return nullptr;
    if (auto* c = dynamic_cast<TextField*>(&control)) return make_text_field(*c);
    if (auto* c = dynamic_cast<Label*>(&control)) return make_label(*c);
    if (auto* c = dynamic_cast<PushButton3D*>(&control)) return make_push_button(*c);
    if (auto* c = dynamic_cast<Button*>(&control)) return make_button(*c);
    if (auto* c = dynamic_cast<ComboBox*>(&control)) return make_combo(*c);
    if (auto* c = dynamic_cast<ListBox*>(&control)) return make_list(*c);
    if (auto* c = dynamic_cast<Frame3D*>(&control)) return make_frame(*c);
    if (auto* c = dynamic_cast<OptionButton*>(&control)) return make_option(*c);
    if (auto* c = dynamic_cast<Shape*>(&control)) return make_shape(*c);
    if (auto* c = dynamic_cast<DataControl*>(&control)) return make_data_control(*c);
    if (auto* c = dynamic_cast<Plot*>(&control)) return make_plot(*c);
    return nullptr;
}

QWidget* Binder::make_text_field(TextField& field) {
    auto* edit = new QLineEdit(qstr(field.text()), &owner_);
    QObject::connect(edit, &QLineEdit::textEdited, edit,
                     [&field](const QString& text) { field.set_text(text.toStdString()); });
    field.observe(guarded([this, &field, edit](Change change) {
        show_text(*edit, field.text());
        show_visible(*edit, field);
        if (change == Change::Repaint) hooks_.repaint();
    }));
    return edit;
}

QWidget* Binder::make_label(Label& label) {
    auto* shown = new QLabel(qstr(label.caption()), &owner_);
    shown->setTextFormat(Qt::PlainText);
    label.observe(guarded([this, &label, shown](Change change) {
        if (shown->text() != qstr(label.caption())) shown->setText(qstr(label.caption()));
        show_visible(*shown, label);
        if (change == Change::Repaint) hooks_.repaint();
    }));
    return shown;
}

QWidget* Binder::make_button(Button& button) {
    auto* push = new QPushButton(qstr(button.caption()), &owner_);
    push->setAutoDefault(false);
    if (button.bold()) {
        QFont font = push->font();
        font.setBold(true);
        font.setPointSize(kBoldPointSize);
        push->setFont(font);
    }
    push->setEnabled(button.enabled());
    QObject::connect(push, &QPushButton::clicked, push, [this, &button] { hooks_.run_command(button); });
    button.observe(guarded([&button, push](Change) {
        push->setText(qstr(button.caption()));
        push->setEnabled(button.enabled());
        show_visible(*push, button);
    }));
    return push;
}

QWidget* Binder::make_push_button(PushButton3D& button) {
    auto* push = new QPushButton(qstr(button.caption()), &owner_);
    push->setAutoDefault(false);
    push->setCheckable(true);
    push->setChecked(button.pressed());
    push->setEnabled(button.enabled());
    // A 3-D push button stays down once pressed, until its handler (or the
    // next click) raises it.
    QObject::connect(push, &QPushButton::clicked, push, [this, &button](bool checked) {
        button.set_pressed(checked);
        hooks_.run_command(button);
    });
    button.observe(guarded([&button, push](Change) {
        push->setText(qstr(button.caption()));
        push->setEnabled(button.enabled());
        if (push->isChecked() != button.pressed()) push->setChecked(button.pressed());
        show_visible(*push, button);
    }));
    return push;
}

QWidget* Binder::make_combo(ComboBox& combo) {
    auto* box = new QComboBox(&owner_);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // While the binder fills the box, its own signals must not write back.
    auto filling = std::make_shared<bool>(false);
    auto show_combo = [&combo, box, filling] {
        *filling = true;
        QStringList items;
        for (const auto& item : combo.items()) items << qstr(item);
        QStringList shown;
        for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
        if (shown != items) {
            box->clear();
            box->addItems(items);
        }
        if (box->currentText() != qstr(combo.text())) box->setCurrentText(qstr(combo.text()));
        *filling = false;
    };
    show_combo();
    QObject::connect(box, &QComboBox::currentTextChanged, box, [&combo, filling](const QString& text) {
        if (!*filling) combo.set_text(text.toStdString());
    });
    combo.observe(guarded([&combo, box, show_combo](Change) {
        show_combo();
        show_visible(*box, combo);
    }));
    return box;
}

QWidget* Binder::make_list(ListBox& list) {
    auto* view = new QListView(&owner_);
    auto* model = new LinesModel(list, view);
    view->setModel(model);
    // Uniform rows keep the layout of thousands of lines cheap.
    view->setUniformItemSizes(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    lists_.push_back({view, model});
    QObject::connect(view, &QAbstractItemView::doubleClicked,
                     [&list](const QModelIndex& index) { list.activate(index.row()); });
    // Lines are never pushed one by one: the front end syncs the model at
    // its next repaint point or when control returns to the event loop.
    list.observe(guarded([this, &list, view](Change change) {
        show_visible(*view, list);
        if (change == Change::Repaint) {
            hooks_.repaint();
        } else {
            hooks_.list_changed();
        }
    }));
    return view;
}

QWidget* Binder::make_frame(Frame3D& frame) {
    auto* box = new QGroupBox(qstr(frame.caption()), &owner_);
    auto* inside = new QVBoxLayout(box);
    for (Control* control : form_.controls()) {
        auto* option = dynamic_cast<OptionButton*>(control);
        if (option != nullptr && option->container() == &frame) inside->addWidget(widget(*option));
    }
    frame.observe(guarded([&frame, box](Change) { show_visible(*box, frame); }));
    return box;
}

QWidget* Binder::make_option(OptionButton& option) {
    auto* radio = new QRadioButton(qstr(option.caption()), &owner_);
    radio->setChecked(option.value());
    // toggled also reports the option that autoExclusive turned off.
    QObject::connect(radio, &QRadioButton::toggled, radio,
                     [&option](bool checked) { option.set_value(checked); });
    option.observe(guarded([&option, radio](Change) {
        if (radio->isChecked() != option.value()) radio->setChecked(option.value());
        show_visible(*radio, option);
    }));
    return radio;
}

QWidget* Binder::make_shape(Shape& shape) {
    // A shape only groups fields visually; a group box without a title
    // draws the same rectangle around whatever the layout puts inside.
    auto* box = new QGroupBox(&owner_);
    shape.observe(guarded([&shape, box](Change) { show_visible(*box, shape); }));
    return box;
}

QWidget* Binder::make_data_control(DataControl& data) {
    auto* shown = new QLabel(qstr(data.caption()), &owner_);
    shown->setTextFormat(Qt::PlainText);
    shown->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance(QStringLiteral("M")) * 12);
    data.observe(guarded([&data, shown](Change) {
        shown->setText(qstr(data.caption()));
        show_visible(*shown, data);
    }));
    return shown;
}

QWidget* Binder::make_plot(Plot& plot) {
    auto* view = new PlotView(plot, &owner_);
    // Points only mark the view stale; it draws them by time.
    plot.observe(guarded([this, &plot, view](Change change) {
        show_visible(*view, plot);
        view->changed();
        if (change == Change::Repaint) hooks_.repaint();
    }));
    return view;
}

void Binder::build_menus(QMenuBar& bar) {
    for (MenuItem* top : form_.menus()) {
        QMenu* menu = bar.addMenu(qstr(top->caption()));
        menu->setToolTipsVisible(true);
        QAction* action = menu->menuAction();
        action->setObjectName(qstr(top->name()));
        action->setToolTip(qstr(top->tooltip()));
        action->setVisible(top->visible());
        top->observe(guarded([top, action](Change) {
            action->setText(qstr(top->caption()));
            action->setVisible(top->visible());
            action->setEnabled(top->enabled());
        }));
        add_menu_items(*menu, *top);
    }
}

void Binder::add_menu_items(QMenu& menu, MenuItem& parent) {
    for (MenuItem* item : parent.items()) {
        QAction* action = nullptr;
        if (item->items().empty()) {
            action = menu.addAction(qstr(item->caption()));
            QObject::connect(action, &QAction::triggered, action, [this, item] { hooks_.run_command(*item); });
        } else {
            QMenu* sub = menu.addMenu(qstr(item->caption()));
            sub->setToolTipsVisible(true);
            action = sub->menuAction();
            add_menu_items(*sub, *item);
        }
        action->setObjectName(qstr(item->name()));
        if (!item->shortcut().empty()) action->setShortcut(QKeySequence(qstr(item->shortcut())));
        action->setToolTip(qstr(item->tooltip()));
        action->setVisible(item->visible());
        action->setEnabled(item->enabled());
        item->observe(guarded([item, action](Change) {
            action->setText(qstr(item->caption()));
            action->setVisible(item->visible());
            action->setEnabled(item->enabled());
        }));
    }
}

}  // namespace vorn::qt
