// The six browses: every line format, what is shown afterwards, and fields past the arrays.
#include <gtest/gtest.h>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class ExchangeListings : public WorkbenchTest {
protected:
    const std::vector<std::string>& lines() { return consultas().List1.lines(); }
};

TEST_F(ExchangeListings, table_browses_list_every_row_and_an_empty_table_shows_nothing) {
    click(w().Command11);
    EXPECT_TRUE(lines().empty());
    EXPECT_FALSE(consultas().visible());

    add_bpn(1, 2, 3, 0.5, "  uno ");
    add_bpn(10, 1, 3, -2, "");
    db->execute("INSERT INTO BPN (capa, fila, columna, valor, nombre) VALUES (1, NULL, 4, NULL, NULL)");
    click(w().Command2);
    EXPECT_EQ(lines(), (std::vector<std::string>{" 1- 2, 3,\t0.5 _uno", " 10- 1, 3,\t-2 _", " 1-, 4,\t _"}));
    EXPECT_TRUE(consultas().visible() && consultas().List1.visible());
    EXPECT_EQ(as_number(w().bpn().field("fila")), 2);  // back on the first row
    // Again from the menu: the same lines, not appended, with a decimal comma.
    set_decimal_separator(',');
    click(w().data1bpn);
    EXPECT_EQ(lines(), (std::vector<std::string>{" 1- 2, 3,\t0,5 _uno", " 10- 1, 3,\t-2 _", " 1-, 4,\t _"}));

    set_decimal_separator('.');
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 2, 0.25), (2, 1, 3, -1.5)");
    click(w().Command11);
    EXPECT_EQ(lines(), (std::vector<std::string>{" 1- 1, 2,\t .25", " 2- 1, 3,\t-1.5"}));
    // A table emptied later clears the list and hides it again.
    db->execute("DELETE FROM BPNPESOS");
    click(w().Command11);
    EXPECT_TRUE(lines().empty());
    EXPECT_FALSE(consultas().List1.visible());
}

TEST_F(ExchangeListings, array_browses_walk_the_fields_bounds_and_skip_null_cells) {
    add_frame(1, {0.5, 1}, 0.9);
    add_frame(2, {-0.25}, 0.1);
    db->execute("INSERT INTO BPN (capa, fila, columna, valor) VALUES (1, 2, 2, NULL)");
    add_frame(3, {7, 8}, 0.3);
    add_frame(4, {}, 0.7);
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.125), (1, 2, 2, 2), (2, 1, 1, -0.5)");
    engine::Network& net = bench->network();
    using Load = workset::Load;
    for (Load found : {net.fijarEntradas(), net.fijarEntradaPesos(), net.fijarPesosOculta(), net.fijarTarget()})
        ASSERT_EQ(found, Load::Loaded);
    w().Text3.set_text("4");
    w().Text4.set_text("2");

    click(w().Command7);
    EXPECT_EQ(lines(),
              (std::vector<std::string>{" 1 1 .5", " 1 2-.25", " 1 3 7", " 1 4 0", " 2 1 1", " 2 3 8", " 2 4 0"}));
    click(w().Command8);
    EXPECT_EQ(lines(), (std::vector<std::string>{" 1 1 .125", " 1 2 0", " 2 1 0", " 2 2 2"}));
    click(w().Command9);
    EXPECT_EQ(lines(), (std::vector<std::string>{" 1 .9", " 2 .1", " 3 .3", " 4 .7"}));
    click(w().target);
    EXPECT_EQ(lines().size(), 4u);
    click(w().Command10);
    EXPECT_EQ(lines(), (std::vector<std::string>{" 1-.5", " 2 0"}));
    EXPECT_TRUE(consultas().visible());
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ExchangeListings, array_browses_refuse_fields_beyond_the_arrays_and_list_the_largest_in_full) {
    auto refusal = [&](Command& button, TextField& field, const char* text) {
        for (TextField* any : {&w().Text2, &w().Text3, &w().Text4}) any->set_text("2");
        field.set_text(text);
        platform.messages.clear();
        click(button);
        return platform.texts();
    };
    const std::string frames = "Numero de Tramas (Text3) dice ",
                      units = "Numero de Unidades en capa oculta (Text4) dice ";
    auto most = [](const char* max) {
        return std::string(", pero la red admite como maximo ") + max + ".\rCorrija el campo y vuelva a intentarlo.";
    };
    EXPECT_EQ(refusal(w().Command7, w().Text3, "101"), std::vector<std::string>{frames + "101" + most("100")});
    EXPECT_EQ(refusal(w().Command8, w().Text4, "500"), std::vector<std::string>{units + "500" + most("100")});
    EXPECT_EQ(refusal(w().Command9, w().Text3, "250x"), std::vector<std::string>{frames + "250x" + most("100")});
    EXPECT_EQ(refusal(w().Command10, w().Text4, "4"), std::vector<std::string>{units + "4" + most("3")});
    w().Text2.set_text("100");
    w().Text3.set_text("100");
    click(w().Command7);
    EXPECT_EQ(lines().size(), 10000u);
    EXPECT_EQ(lines().back(), " 100 100 0");
}

}  // namespace
}  // namespace vorn::testing
