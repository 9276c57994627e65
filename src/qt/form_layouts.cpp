#include "qt/form_layouts.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "ga/ga_window.h"
#include "qt/binder.h"
#include "qt/lines_model.h"
#include "shell/main_window.h"
#include "shell/report_window.h"

namespace vorn::qt {

namespace {

// Wide enough for "0.0000001" and a ten-character bit string.
constexpr int kFieldWidth = 110;
constexpr int kButtonColumns = 5;
// The groups beside the fields, narrower so the main window fits beside
// the other two on a small screen.
constexpr int kSideButtonColumns = 4;
constexpr int kGenericButtonColumns = 6;
constexpr int kCurveHeight = 160;

using FieldRow = std::pair<Label*, TextField*>;

// One row per field, its label on the left and the field at the right edge
// with the width every field has; gives the row after the last.
int add_field_rows(Binder& binder, QGridLayout& grid, std::initializer_list<FieldRow> rows) {
    int row = 0;
    for (auto [label, field] : rows) {
        grid.addWidget(binder.widget(*label), row, 0);
        QWidget* edit = binder.widget(*field);
        edit->setFixedWidth(kFieldWidth);
        grid.addWidget(edit, row, 1, Qt::AlignRight);
        ++row;
    }
    return row;
}

QGroupBox* shape_with_fields(Binder& binder, Shape& shape, std::initializer_list<FieldRow> rows) {
    auto* box = binder.widget_as<QGroupBox>(shape);
    auto* grid = new QGridLayout(box);
    add_field_rows(binder, *grid, rows);
    grid->setColumnStretch(0, 1);
    return box;
}

QGroupBox* button_group(Binder& binder, const char* title, std::initializer_list<Button*> buttons,
                        int columns = kButtonColumns) {
    auto* box = new QGroupBox(QString::fromUtf8(title));
    auto* grid = new QGridLayout(box);
    int index = 0;
    for (Button* button : buttons) {
        QWidget* push = binder.widget(*button);
        grid->addWidget(push, index / columns, index % columns);
        ++index;
    }
    return box;
}

// A form's data controls, three to a row.
QGroupBox* data_group(Binder& binder, std::initializer_list<DataControl*> controls) {
    auto* box = new QGroupBox(QStringLiteral("Datos"));
    auto* grid = new QGridLayout(box);
    int index = 0;
    for (DataControl* control : controls) {
        grid->addWidget(binder.widget(*control), index / 3, index % 3);
        ++index;
    }
    return box;
}

// The strip above a listing that holds its column titles: the titles start
// where the lines' text starts and slide sideways with the list, and the
// strip takes room only while the titles are shown.
class HeadingStrip : public QWidget {
public:
    HeadingStrip(QLabel& titles, QListView& list) : titles_(titles) {
        titles_.setParent(this);
        titles_.installEventFilter(this);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        setHidden(titles_.isHidden());
        // Where a row's text starts: inside the list's frame, past the
        // margin the style leaves before an item's text.
        text_left_ = list.frameWidth() + list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
        QObject::connect(list.horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int scrolled) {
            scrolled_ = scrolled;
            place();
        });
    }
    QSize sizeHint() const override { return {0, titles_.sizeHint().height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &titles_) {
            if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
                setHidden(titles_.isHidden());
            } else if (event->type() == QEvent::LayoutRequest) {
                updateGeometry();
                place();
            }
        }
        return QWidget::eventFilter(watched, event);
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        place();
    }

private:
    void place() {
        const int left = text_left_ - scrolled_;
        titles_.setGeometry(left, 0, std::max(titles_.sizeHint().width(), width() - left), height());
    }

    QLabel& titles_;
    int text_left_ = 0;
    int scrolled_ = 0;
};

// Listings line their columns up with blanks and tabs, so the list shows
// them in a fixed-width font with the tabs expanded, never elides a line
// and scrolls sideways instead; the titles above it are in the same font.
QWidget* show_as_listing(QListView& list, QLabel& heading) {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // A platform without a fixed-width font of its own names none.
    const QFontMetrics metrics(fixed);
    if (metrics.horizontalAdvance(QLatin1Char('i')) != metrics.horizontalAdvance(QLatin1Char('M'))) {
        fixed.setFamilies({QStringLiteral("monospace")});
        fixed.setStyleHint(QFont::TypeWriter);
        fixed.setFixedPitch(true);
    }
    list.setFont(fixed);
    list.setTextElideMode(Qt::ElideNone);
    list.setWordWrap(false);
    list.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (auto* model = qobject_cast<LinesModel*>(list.model())) {
        list.setItemDelegate(new WidestLineDelegate(*model, &list));
    }
    heading.setFont(fixed);
    return new HeadingStrip(heading, list);
}

}  // namespace

void lay_out_main_window(MainWindow& w, Binder& b, QWidget& central) {
    auto* outer = new QVBoxLayout(&central);
    outer->addWidget(b.widget(w.Text1));
    // The network's own buttons across the top, "Detener" under "X" at the
    // left edge: in sight however narrow the window is made.
    outer->addWidget(button_group(b, "Red",
                                  {&w.Command3, &w.Command4, &w.Command14, &w.Command34, &w.Command5,
                                   &w.CommandDetener, &w.Command1, &w.Command12}));

    auto* columns = new QHBoxLayout;
    outer->addLayout(columns, 1);

    // Left: the network's parameters, the data set choice, the option frame.
    auto* left = new QVBoxLayout;
    columns->addLayout(left);
    left->addWidget(shape_with_fields(b, w.Shape1, {{&w.Label2, &w.Text2}, {&w.Label3, &w.Text3}}));
    left->addWidget(shape_with_fields(b, w.Shape2, {{&w.Label4, &w.Text4}, {&w.Label5, &w.Text5}}));
    left->addWidget(shape_with_fields(b, w.Shape3, {{&w.Label6, &w.Text6}, {&w.Label7, &w.Text7}}));
    left->addWidget(shape_with_fields(b, w.Shape4, {{&w.Label8, &w.Text8}}));
    left->addWidget(shape_with_fields(b, w.Shape5, {{&w.Label9, &w.Text9}}));
    left->addWidget(b.widget(w.Combo1));
    for (TextField* hidden : {&w.Text10, &w.Text11, &w.Text12}) left->addWidget(b.widget(*hidden));

    auto* frame_row = new QHBoxLayout;
    frame_row->addWidget(b.widget(w.Frame3D1), 1);
    auto* pushes = new QVBoxLayout;
    pushes->addWidget(b.widget(w.Command37));
    pushes->addWidget(b.widget(w.GroupPush3D1));
    pushes->addWidget(b.widget(w.GroupPush3D3));
    pushes->addStretch();
    frame_row->addLayout(pushes);
    left->addLayout(frame_row);
    left->addStretch();

    // Right: one group of buttons per kind of work.
    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);
    right->addWidget(button_group(b, "Examinar",
                                  {&w.Command2, &w.Command11, &w.Command42, &w.Command7, &w.Command8,
                                   &w.Command9, &w.Command10},
                                  kSideButtonColumns));
    right->addWidget(button_group(b, "Archivos y conjuntos",
                                  {&w.Command6, &w.Command16, &w.Command48, &w.Command13, &w.Command15,
                                   &w.Command32, &w.Command38, &w.Command47, &w.Command17},
                                  kSideButtonColumns));
    right->addWidget(button_group(b, "Tramas",
                                  {&w.Command22, &w.Command21, &w.Command19, &w.Command20, &w.Command23,
                                   &w.Command39, &w.Command24, &w.Command25, &w.Command26, &w.Command27,
                                   &w.Command28, &w.Command29, &w.Command35, &w.Command36, &w.Command43,
                                   &w.Command18, &w.Command30, &w.Command40, &w.Command33},
                                  kSideButtonColumns));
    right->addWidget(button_group(b, "Experimentos",
                                  {&w.Command41, &w.Command44, &w.Command45, &w.Command46, &w.Command31},
                                  kSideButtonColumns));
    right->addStretch();

    // Bottom: the six data controls.
    outer->addWidget(data_group(b, {&w.Data1, &w.Data2, &w.Data3, &w.Data4, &w.Data5, &w.Data6}));

    b.place_rest(*outer);
}

void lay_out_report_window(ReportWindow& r, Binder& b, QWidget& central) {
    auto* outer = new QVBoxLayout(&central);
    auto* frame = b.widget_as<QGroupBox>(r.Frame3D1);
    auto* list = b.widget_as<QListView>(r.List1);
    auto* heading = b.widget_as<QLabel>(r.LabelEncabezado);
    frame->layout()->addWidget(show_as_listing(*list, *heading));
    // The titles' tabs are expanded as the lines' are: a label's own tab
    // stops drift a fraction of a character off the columns at every tab.
    // This runs after the binder has shown the caption as it is.
    QPointer<QLabel> shown = heading;
    r.LabelEncabezado.observe([shown, &titles = r.LabelEncabezado](Change) {
        if (shown) shown->setText(expand_tabs(titles.caption()));
    });
    frame->layout()->addWidget(list);
    // The curve beside the list (a training run's, or a "BD4" line's).
    auto* list_and_curve = new QHBoxLayout;
    list_and_curve->addWidget(frame, 2);
    list_and_curve->addWidget(b.widget(r.Curva), 1);
    outer->addLayout(list_and_curve, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(b.widget(r.GroupPush3D1));
    buttons->addWidget(b.widget(r.GroupPush3D2));
    buttons->addStretch();
    outer->addLayout(buttons);

    b.place_rest(*outer);
}

void lay_out_ga_window(ga::GaWindow& g, Binder& b, QWidget& central) {
    auto* outer = new QVBoxLayout(&central);
    auto* columns = new QHBoxLayout;
    outer->addLayout(columns);

    // Left: the run's parameters and what the last run left.
    auto* fields = new QGroupBox(QStringLiteral("B\u00fasqueda"));
    auto* grid = new QGridLayout(fields);
    int row = add_field_rows(b, *grid,
                             {{&g.Label1, &g.Text3},
                              {&g.Label2, &g.Text4},
                              {&g.Label3, &g.Text5},
                              {&g.Label4, &g.Text7},
                              {&g.Label6, &g.Text1},
                              {&g.Label7, &g.Text6},
                              {&g.Label8, &g.Text8},
                              {&g.LabelGeneraciones, &g.TextGeneraciones}});
    grid->addWidget(b.widget(g.LabelMetodo), row, 0);
    grid->addWidget(b.widget(g.ComboMetodo), row++, 1);
    grid->addWidget(b.widget(g.Combo1), row++, 0, 1, 2);
    grid->addWidget(b.widget(g.Text2), row++, 0, 1, 2);
    columns->addWidget(fields);

    // Right: the three 3-D buttons, then the table buttons.
    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);
    auto* pushes = new QHBoxLayout;
    for (PushButton3D* push : {&g.GroupPush3D1, &g.GroupPush3D2, &g.GroupPush3D3}) pushes->addWidget(b.widget(*push));
    right->addLayout(pushes);
    auto* tables = new QGroupBox(QStringLiteral("Tablas"));
    auto* table_grid = new QGridLayout(tables);
    int index = 0;
    for (Button* button : {&g.Command1, &g.Command2, &g.Command3, &g.Command4, &g.Command5, &g.Command8, &g.Command6,
                           &g.Command7, &g.CommandValidar}) {
        table_grid->addWidget(b.widget(*button), index / 3, index % 3);
        ++index;
    }
    right->addWidget(tables);
    auto* study = new QGroupBox(QStringLiteral("Estudio"));
    auto* study_grid = new QGridLayout(study);
    int study_row = add_field_rows(b, *study_grid,
                                   {{&g.LabelDesde, &g.TextDesde},
                                    {&g.LabelHasta, &g.TextHasta},
                                    {&g.LabelAnios, &g.TextAnios},
                                    {&g.LabelCosto, &g.TextCosto},
                                    {&g.LabelAzar, &g.TextAzar}});
    study_grid->addWidget(b.widget(g.CommandEstudio), study_row, 0);
    study_grid->addWidget(b.widget(g.CommandEstudios), study_row, 1);
    right->addWidget(study);
    right->addStretch();

    outer->addWidget(b.widget(g.Text9));
    outer->addWidget(b.widget(g.Label5));
    // The curve takes the room left; a front end without a plot widget
    // leaves the room empty.
    if (QWidget* curve = b.widget(g.Curva)) {
        curve->setMinimumHeight(kCurveHeight);
        outer->addWidget(curve, 1);
    } else {
        outer->addStretch(1);
    }

    outer->addWidget(data_group(b, {&g.Data1, &g.Data2, &g.Data3, &g.Data4, &g.Data5, &g.Data9}));

    b.place_rest(*outer);
}

void lay_out_generic(Form& form, Binder& b, QWidget& central) {
    auto* outer = new QVBoxLayout(&central);

    // Labels, fields and combo boxes in creation order, four to a row, so a
    // label made just before its field sits beside it.
    auto* fields = new QGridLayout;
    int field_index = 0;
    auto* buttons = new QGridLayout;
    int button_index = 0;
    std::vector<QWidget*> wide;
    for (Control* control : form.controls()) {
        if (dynamic_cast<Label*>(control) || dynamic_cast<TextField*>(control) ||
            dynamic_cast<ComboBox*>(control)) {
            fields->addWidget(b.widget(*control), field_index / 4, field_index % 4);
            ++field_index;
        } else if (dynamic_cast<Button*>(control) || dynamic_cast<PushButton3D*>(control)) {
            buttons->addWidget(b.widget(*control), button_index / kGenericButtonColumns,
                               button_index % kGenericButtonColumns);
            ++button_index;
        } else if (dynamic_cast<ListBox*>(control)) {
            wide.push_back(b.widget(*control));
        }
    }
    outer->addLayout(fields);
    outer->addLayout(buttons);
    for (QWidget* list : wide) outer->addWidget(list, 1);
    b.place_rest(*outer);
}

}  // namespace vorn::qt
