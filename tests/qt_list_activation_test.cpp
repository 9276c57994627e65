// Consultas' list and curve in the Qt front end: a double-click on a line runs
// the list's activation handler through the form's boundary, and the curve is
// drawn from its points.
#include <QImage>
#include <QListView>
#include <QPixmap>

#include "qt/ui.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

using QtListActivationTest = WorkbenchTest;

TEST_F(QtListActivationTest, a_double_click_runs_the_handler_for_that_line_and_the_curve_is_drawn_from_its_points) {
    qt::Ui ui(*bench);
    ReportWindow& report = consultas();
    std::vector<int> activated;
    bool inside_boundary = false;
    report.List1.set_activation_handler([&](int index) {
        activated.push_back(index);
        inside_boundary = bench->busy();
    });
    auto* view = qobject_cast<QListView*>(ui.widget(report.List1));
    ASSERT_NE(view, nullptr);
    report.add_line("uno");
    report.add_line("dos");
    report.refresh();
    emit view->doubleClicked(view->model()->index(1, 0));
    EXPECT_EQ(activated, std::vector<int>{1});
    EXPECT_TRUE(inside_boundary);

    QWidget* curve = ui.widget(report.Curva);
    ASSERT_NE(curve, nullptr);
    curve->resize(200, 120);
    const QImage empty = curve->grab().toImage();
    report.Curva.set_points({{1, 0.5}, {2, 0.25}, {3, 0.125}});
    EXPECT_NE(curve->grab().toImage(), empty);
    // A flat curve of one point is drawn too, not divided by a zero range.
    report.Curva.set_points({{1, 0.5}});
    EXPECT_FALSE(curve->grab().toImage().isNull());
    report.Curva.set_visible(false);
    EXPECT_TRUE(curve->isHidden());
}

}  // namespace
}  // namespace vorn::testing
