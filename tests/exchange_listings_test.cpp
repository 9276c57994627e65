// The six browses: every line format, what the list and the window show
// afterwards, and the fields that would walk past the arrays.
#include <gtest/gtest.h>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class ExchangeListings : public WorkbenchTest {
protected:
    const std::vector<std::string>& lines() { return consultas().List1.lines(); }
};

TEST_F(ExchangeListings, bd1_lists_every_row_with_the_value_in_the_users_form) {
    add_bpn(1, 2, 3, 0.5, "  uno ");
    add_bpn(10, 1, 3, -2, "");
    db->execute("INSERT INTO BPN (capa, fila, columna, valor, nombre) VALUES (1, NULL, 4, NULL, NULL)");
    click(w().Command2);
    EXPECT_EQ(lines(), (std::vector<std::string>{" 1- 2, 3,\t0.5 _uno", " 10- 1, 3,\t-2 _", " 1-, 4,\t _"}));
    EXPECT_TRUE(consultas().visible());
    EXPECT_TRUE(consultas().List1.visible());
    EXPECT_EQ(as_number(w().bpn().field("fila")), 2);  // back on the first row

    // Twice: the same lines, never appended; a decimal comma in the value.
    set_decimal_separator(',');
    click(w().data1bpn);
    EXPECT_EQ(lines().size(), 3u);
    EXPECT_EQ(lines()[0], " 1- 2, 3,\t0,5 _uno");
}

TEST_F(ExchangeListings, bd2_lists_weights_in_short_form_and_an_empty_table_shows_nothing) {
    click(w().Command11);
    EXPECT_TRUE(lines().empty());
    EXPECT_FALSE(consultas().List1.visible());
    EXPECT_FALSE(consultas().visible());

    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 2, 0.25)");
    db->execute("INSERT INTO BPNPESOS VALUES (2, 1, 3, -1.5)");
    click(w().Command11);
    EXPECT_EQ(lines(), (std::vector<std::string>{" 1- 1, 2,\t .25", " 2- 1, 3,\t-1.5"}));
    EXPECT_TRUE(consultas().visible());

    // A table emptied later hides the list again and clears it.
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
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.125)");
    db->execute("INSERT INTO BPNPESOS VALUES (1, 2, 2, 2)");
    db->execute("INSERT INTO BPNPESOS VALUES (2, 1, 1, -0.5)");
    engine::Network& net = bench->network();
    net.fijarEntradas();
    net.fijarEntradaPesos();
    net.fijarPesosOculta();
    net.fijarTarget();
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

TEST_F(ExchangeListings, array_browses_refuse_fields_beyond_the_arrays) {
    struct Case {
        Command* button;
        const char* field;
        const char* text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {&w().Command7, "Text3", "101",
         "Numero de Tramas (Text3) dice 101, pero la red admite como maximo 100.\rCorrija el campo y vuelva a "
         "intentarlo."},
        {&w().Command8, "Text4", "500",
         "Numero de Unidades en capa oculta (Text4) dice 500, pero la red admite como maximo 100.\rCorrija el campo "
         "y vuelva a intentarlo."},
        {&w().Command9, "Text3", "250x",
         "Numero de Tramas (Text3) dice 250x, pero la red admite como maximo 100.\rCorrija el campo y vuelva a "
         "intentarlo."},
        {&w().Command10, "Text4", "4",
         "Numero de Unidades en capa oculta (Text4) dice 4, pero la red admite como maximo 3.\rCorrija el campo y "
         "vuelva a intentarlo."},
    };
    for (const Case& c : cases) {
        w().Text2.set_text("2");
        w().Text3.set_text("2");
        w().Text4.set_text("2");
        w().find_as<TextField>(c.field)->set_text(c.text);
        platform.messages.clear();
        click(*c.button);
        EXPECT_EQ(platform.texts(), std::vector<std::string>{c.expected}) << c.text;
    }
    // The largest bounds the arrays hold are listed in full.
    w().Text2.set_text("100");
    w().Text3.set_text("100");
    click(w().Command7);
    EXPECT_EQ(lines().size(), 10000u);
    EXPECT_EQ(lines().back(), " 100 100 0");
}

}  // namespace
}  // namespace vorn::testing
