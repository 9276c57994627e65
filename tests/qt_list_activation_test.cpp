// A double-click on a line of a list view runs the list's activation
// handler through the form's boundary, with the line's index.
#include <QListView>

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

}  // namespace
}  // namespace vorn::testing
