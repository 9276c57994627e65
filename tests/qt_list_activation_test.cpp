// A double-click on a line of a list view runs the list's activation
// handler through the form's boundary, with the line's index.
#include <QImage>
#include <QListView>
#include <QPixmap>

#include "qt/ui.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class QtListActivationTest : public WorkbenchTest {
protected:
    void SetUp() override { WorkbenchTest::SetUp(); ui = std::make_unique<qt::Ui>(*bench); }
    void TearDown() override {
        ui.reset();
        WorkbenchTest::TearDown();
    }
    std::unique_ptr<qt::Ui> ui;
};

TEST_F(QtListActivationTest, a_double_click_runs_the_handler_for_that_line) {
    ReportWindow& report = consultas();
    std::vector<int> activated;
    bool inside_boundary = false;
    report.List1.set_activation_handler([&](int index) {
        activated.push_back(index);
        inside_boundary = bench->busy();
    });
    auto* view = qobject_cast<QListView*>(ui->widget(report.List1));
    ASSERT_NE(view, nullptr);
    report.add_line("uno");
    report.add_line("dos");
    report.refresh();
    emit view->doubleClicked(view->model()->index(1, 0));
    EXPECT_EQ(activated, std::vector<int>{1});
    EXPECT_TRUE(inside_boundary);
}

TEST_F(QtListActivationTest, the_curve_beside_the_list_is_drawn_from_its_points) {
    ReportWindow& report = consultas();
    QWidget* curve = ui->widget(report.Curva);
    ASSERT_NE(curve, nullptr);
    curve->resize(200, 120);
    const QImage empty = curve->grab().toImage();
    report.Curva.set_points({{1, 0.5}, {2, 0.25}, {3, 0.125}});
    const QImage drawn = curve->grab().toImage();
    EXPECT_NE(empty, drawn);
    // A flat curve of one point is drawn too, not divided by a zero range.
    report.Curva.set_points({{1, 0.5}});
    EXPECT_FALSE(curve->grab().toImage().isNull());
    report.Curva.set_visible(false);
    EXPECT_TRUE(curve->isHidden());
}

}  // namespace
}  // namespace vorn::testing
