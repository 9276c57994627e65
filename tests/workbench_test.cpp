// The main window, the report window and the handler boundary, driven the
// way a user's clicks drive them.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "support/workbench_fixture.h"

namespace vorn {
namespace {

using testing::WorkbenchTest;

class WorkbenchShellTest : public WorkbenchTest {};

TEST_F(WorkbenchShellTest, a_fresh_window_shows_its_design_texts) {
    EXPECT_EQ(w().caption(), "Red");
    EXPECT_EQ(w().Text5.text(), "6");
    EXPECT_EQ(w().Text9.text(), "NO");
    for (TextField* f : {&w().Text2, &w().Text3, &w().Text4, &w().Text6, &w().Text7, &w().Text8}) {
        EXPECT_EQ(f->text(), f->name());
    }
    for (Control* hidden : std::initializer_list<Control*>{&w().Text1, &w().Text10, &w().Text11, &w().Text12,
                                                           &w().Command1, &w().Command12, &w().Command17,
                                                           &w().Command31}) {
        EXPECT_FALSE(hidden->visible()) << hidden->name();
    }
    std::vector<std::string> menus;
    for (MenuItem* menu : w().menus()) menus.push_back(menu->caption());
    EXPECT_EQ(menus, (std::vector<std::string>{"Red", "Examinar", "Tramas", "Calcular", "Ayuda"}));
    EXPECT_EQ(w().menucalcular.items().size(), 13u);
}

TEST_F(WorkbenchShellTest, menu_items_run_their_buttons_and_dead_items_do_nothing) {
    int exports = 0, trainings = 0;
    w().Command6.set_handler([&] { ++exports; });
    w().Command4.set_handler([&] { ++trainings; });
    click(w().cambiarparams);
    click(w().pasardatosatexto);
    click(w().menuexportar);
    click(w().bpnentrenar);
    EXPECT_EQ(exports, 3);
    EXPECT_EQ(trainings, 1);
    for (MenuItem* dead : {&w().menuborrartramas, &w().menuporcentajecambioentramas, &w().menutendenciaentramas,
                           &w().menusigmoidedetrama}) {
        EXPECT_FALSE(dead->has_handler()) << dead->name();
        click(*dead);
    }
    EXPECT_TRUE(platform.messages.empty());

    bool shown = w().Frame3D1.visible();
    click(w().Command37);
    EXPECT_NE(w().Frame3D1.visible(), shown);
    click(w().Command37);
    EXPECT_EQ(w().Frame3D1.visible(), shown);
}

TEST_F(WorkbenchShellTest, salir_ends_the_program_at_once_from_button_or_menu) {
    bool after = false;
    w().Command2.set_handler([&] {
        w().Command5.run();
        after = true;
    });
    click(w().Command2);
    EXPECT_FALSE(after);
    EXPECT_EQ(bench->exit_code(), 0);
    EXPECT_EQ(platform.ended, 0);
    // Once ended, nothing else runs.
    bool ran = false;
    w().Command11.set_handler([&] { ran = true; });
    click(w().Command11);
    EXPECT_FALSE(ran);
}

TEST_F(WorkbenchShellTest, an_engine_failure_is_shown_and_earlier_changes_stay) {
    w().Command2.set_handler([&] {
        db->execute("INSERT INTO BPNTargets VALUES (0.5, 'medio')");
        db->execute("DELETE FROM no_such_table");
        db->execute("INSERT INTO BPNTargets VALUES (0.7, 'nunca')");
    });
    click(w().Command2);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].text.find("no_such_table"), std::string::npos);
    EXPECT_EQ(platform.messages[0].icon, Icon::Critical);
    EXPECT_FALSE(db->in_transaction());
    EXPECT_EQ(rows("SELECT nombre FROM BPNTargets").rows.size(), 1u);
}

TEST_F(WorkbenchShellTest, library_failures_are_shown_in_spanish_and_earlier_changes_stay) {
    const std::string internal =
        "La operacion se interrumpio por un error interno del programa. Lo que ya se habia informado quedo guardado.";
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[] { throw std::bad_alloc(); }, "No hay memoria suficiente para esta operacion"},
        {[] {
             std::vector<double> frames;
             frames.reserve(frames.max_size() + static_cast<size_t>(frames.empty()));
         },
         internal},
        {[] { (void)std::string("abc").at(7); }, internal},
        {[] { throw std::runtime_error("something went wrong"); }, internal},
        // The workbench's own Spanish texts pass as they are.
        {[] { throw EngineError("No existe trama 7", SQLITE_ERROR); }, "No existe trama 7"}};
    for (const auto& [fails, shown] : cases) {
        platform.messages.clear();
        w().Command2.set_handler([&, &fails = fails] {
            db->execute("INSERT INTO BPNTargets VALUES (0.5, 'antes')");
            fails();
        });
        click(w().Command2);
        ASSERT_EQ(platform.messages.size(), 1u) << shown;
        EXPECT_EQ(platform.messages[0].text, shown);
        EXPECT_EQ(platform.messages[0].icon, Icon::Critical);
        EXPECT_FALSE(db->in_transaction());
    }
    EXPECT_EQ(rows("SELECT nombre FROM BPNTargets").rows.size(), cases.size());
}

TEST_F(WorkbenchShellTest, timers_fire_between_handlers_never_inside_one) {
    int fired = 0;
    w().Timer1.set_handler([&] {
        ++fired;
        w().Timer1.set_interval(0);
    });
    w().Command2.set_handler([&] {
        for (Timer* t : bench->armed_timers()) bench->fire(*t);
    });
    click(w().Command2);
    EXPECT_EQ(fired, 0);
    for (Timer* t : bench->armed_timers()) bench->fire(*t);
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(bench->armed_timers().empty());

    // A timer whose handler fails stops instead of failing again.
    w().Timer1.set_interval(1);
    w().Timer1.set_handler([&] { db->execute("DELETE FROM no_such_table"); });
    for (int i = 0; i < 3; ++i) {
        for (Timer* t : bench->armed_timers()) bench->fire(*t);
    }
    EXPECT_EQ(platform.messages.size(), 1u);
    EXPECT_FALSE(w().Timer1.armed());
}

TEST_F(WorkbenchShellTest, the_report_window_is_one_hidden_instance_whose_lines_outlive_hiding) {
    EXPECT_FALSE(bench->reports().exists());
    ReportWindow& consultas = bench->reports().get();
    EXPECT_EQ(&consultas, &bench->reports().get());
    consultas.add_line("uno");
    consultas.add_line("dos");
    consultas.show();
    click(consultas.cerrar);
    EXPECT_FALSE(consultas.visible());
    consultas.show();
    click(consultas.GroupPush3D1);
    EXPECT_FALSE(consultas.visible());
    EXPECT_EQ(consultas.List1.lines(), (std::vector<std::string>{"uno", "dos"}));
    click(consultas.imprimir);
    EXPECT_TRUE(platform.printed.empty());
    click(consultas.GroupPush3D2);
    ASSERT_EQ(platform.printed.size(), 1u);
    EXPECT_FALSE(consultas.GroupPush3D2.pressed());
}

TEST_F(WorkbenchShellTest, controls_tell_observers_only_about_real_changes) {
    int changes = 0, repaints = 0;
    w().Text2.observe([&](Change c) { (c == Change::Value ? changes : repaints)++; });
    w().Text2.set_text("9");
    w().Text2.set_text("9");
    w().Text2.refresh();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(repaints, 1);
}

TEST_F(WorkbenchShellTest, refreshing_all_sources_goes_on_past_a_dropped_table) {
    add_frame(1, {1, 2}, 0.5);
    db->execute("INSERT INTO BPNTargets VALUES (0.1, 'x')");
    db->execute("DROP TABLE BPNPESOS");
    EXPECT_THROW(refresh_all(), EngineError);
    EXPECT_EQ(w().bpn().record_count(), 3);
    EXPECT_EQ(w().targets().record_count(), 1);
}

TEST_F(WorkbenchShellTest, a_database_locked_by_another_program_is_reported_in_spanish_and_loses_nothing) {
    add_frame(1, {1, 2}, 0.5);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "ga7.mdb").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    w().Command2.set_handler([&] { db->execute("delete bpn.* from bpn"); });
    click(w().Command2);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].text.find("bloqueada por otro programa"), std::string::npos);
    EXPECT_EQ(rows("SELECT * FROM BPN").rows.size(), 3u);
    click(w().Command2);  // once the other program lets go, the same click works
    EXPECT_TRUE(rows("SELECT * FROM BPN").rows.empty());
}

}  // namespace
}  // namespace vorn
