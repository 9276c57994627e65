// "bpn.csv", "test.csv" and "last.csv" through the main window: the file
// formats under both decimal marks, the import's round trip and its
// quoted line readings, and the files it must refuse without touching BPN.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "exchange/pattern_files.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class ExchangePatternFiles : public WorkbenchTest {
protected:
    std::string read(const std::string& name) {
        std::ifstream in(dir.path() / name, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }
    void write(const std::string& name, const std::string& content) {
        std::ofstream(dir.path() / name, std::ios::binary) << content;
    }
    std::vector<std::vector<Value>> bpn() {
        return rows("SELECT capa, fila, columna, valor FROM BPN ORDER BY rowid").rows;
    }
};

TEST_F(ExchangePatternFiles, export_writes_one_line_per_row_in_the_users_decimal_form) {
    add_bpn(1, 1, 1, 0.5, "uno");
    add_bpn(10, 1, 1, 1);
    click(w().Command6);
    EXPECT_EQ(read("bpn.csv"), "1;1;1;0.5\r\n10;1;1;1\r\n");
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"1;1;1;0.5\r10;1;1;1\r"});

    set_decimal_separator(',');
    db->execute("INSERT INTO BPN (capa, fila, columna, valor) VALUES (1, 2, 1, 0.00001)");
    db->execute("INSERT INTO BPN (capa, fila, columna, valor) VALUES (1, 3, 1, NULL)");
    db->execute("INSERT INTO BPN (capa, fila, columna, valor) VALUES (1, 4, 1, -1234.5)");
    platform.messages.clear();
    click(w().cambiarparams);
    EXPECT_EQ(read("bpn.csv"), "1;1;1;0,5\r\n10;1;1;1\r\n1;2;1;1E-05\r\n1;3;1;\r\n1;4;1;-1234,5\r\n");
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(ExchangePatternFiles, export_of_an_empty_table_or_to_a_folder_that_is_not_there_changes_nothing) {
    write("bpn.csv", "previous");
    click(w().Command6);
    EXPECT_EQ(read("bpn.csv"), "previous");
    EXPECT_TRUE(platform.messages.empty());

    add_bpn(1, 1, 1, 0.5);
    Workbench elsewhere(*db, platform, dir.path() / "missing");
    elsewhere.main().Command6.click();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "No se pudo crear el archivo " +
                                             (dir.path() / "missing" / "bpn.csv").string() +
                                             ".\rNo se exporto ninguna trama.");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
    EXPECT_EQ(read("bpn.csv"), "previous");
}

TEST_F(ExchangePatternFiles, import_restores_an_export_in_file_order_under_both_decimal_marks) {
    for (char separator : {'.', ','}) {
        SCOPED_TRACE(separator);
        set_decimal_separator(separator);
        db->execute("DELETE FROM BPN");
        add_bpn(10, 1, 2, 0.1);
        add_bpn(1, 2, 2, -0.375);
        add_bpn(1, 1, 2, 1e-7);
        add_bpn(1, 1, 1, 123456.789);
        db->execute("INSERT INTO BPN (capa, fila, columna, valor) VALUES (1, 2, 1, NULL)");
        const auto before = bpn();
        click(w().Command6);
        platform.messages.clear();
        click(w().Command16);
        EXPECT_EQ(bpn(), before);
        ASSERT_GE(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, "Habia:5\rQuedan:5");
        // The import ends by listing the table.
        EXPECT_TRUE(consultas().visible());
        EXPECT_EQ(consultas().List1.lines().size(), 5u);
    }
}

TEST_F(ExchangePatternFiles, import_reads_leading_numbers_and_the_value_in_the_users_locale) {
    add_bpn(1, 1, 1, 9);
    add_bpn(1, 2, 1, 9);
    set_decimal_separator(',');
    write("bpn.csv", "3x;7;2;1\r\n 1 ;+2.5;-1e3; 0,25 \r\n;;;7\r\n10;1;1;-1E-05;\r\n");
    // The last line's fourth ";" belongs to the value: refused below. First
    // the file without it.
    write("bpn.csv", "3x;7;2;1\r\n 1 ;+2.5;-1e3; 0,25 \r\n;;;7\r\n10;1;1;-1E-05\r\n");
    click(w().Command16);
    EXPECT_EQ(platform.messages[0].text, "Habia:2\rQuedan:4");
    auto table = bpn();
    ASSERT_EQ(table.size(), 4u);
    const double expected[4][4] = {{3, 7, 2, 1}, {1, 2.5, -1, 0.25}, {0, 0, 0, 7}, {10, 1, 1, -1e-5}};
    for (size_t r = 0; r < 4; ++r) {
        for (size_t c = 0; c < 4; ++c) EXPECT_EQ(as_number(table[r][c]), expected[r][c]) << r << "," << c;
    }
    // A file without a final line break reads the same; the point is read
    // as a decimal mark under a comma locale as well.
    write("bpn.csv", "1;1;1;0.5\n1;2;1;0,5");
    click(w().Command16);
    table = bpn();
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(as_number(table[0][3]), 0.5);
    EXPECT_EQ(as_number(table[1][3]), 0.5);
}

TEST_F(ExchangePatternFiles, a_bad_or_missing_file_is_refused_by_line_and_bpn_is_kept) {
    add_bpn(1, 1, 1, 0.5, "keep");
    const auto before = bpn();
    struct Case {
        std::optional<std::string> content;
        std::string expected;
    };
    const std::string path = (dir.path() / "bpn.csv").string();
    const std::vector<Case> cases = {
        {std::nullopt, "No se pudo leer el archivo " + path + ".\rLa tabla BPN no se cambio."},
        {"", "No hay lineas para pasar"},
        {"1;1;1;1\r\n1;2;1\r\n",
         "bpn.csv, linea 2: tiene menos de tres \";\" (se espera capa;fila;columna;valor).\rLa tabla BPN no se "
         "cambio."},
        {"1;1;1;1\r\n\r\n1;2;1;1\r\n",
         "bpn.csv, linea 2: tiene menos de tres \";\" (se espera capa;fila;columna;valor).\rLa tabla BPN no se "
         "cambio."},
        {"1;1;1;1\r\n1;1;2;abc\r\n", "bpn.csv, linea 2: el valor \"abc\" no es un numero.\rLa tabla BPN no se cambio."},
        {"1;1;1;0.5;9\r\n", "bpn.csv, linea 1: el valor \"0.5;9\" no es un numero.\rLa tabla BPN no se cambio."},
        {"1;1;1;1,234.5\r\n", "bpn.csv, linea 1: el valor \"1,234.5\" no es un numero.\rLa tabla BPN no se cambio."},
        {"1;1;1;nan\r\n", "bpn.csv, linea 1: el valor \"nan\" no es un numero.\rLa tabla BPN no se cambio."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        std::filesystem::remove(dir.path() / "bpn.csv");
        if (c.content) write("bpn.csv", *c.content);
        platform.messages.clear();
        click(w().Command16);
        EXPECT_EQ(platform.texts(), std::vector<std::string>{c.expected});
        EXPECT_EQ(bpn(), before);
        EXPECT_FALSE(consultas().visible());
    }
}

TEST_F(ExchangePatternFiles, training_history_writes_each_pass_with_blanks_around_it) {
    set_decimal_separator(',');
    std::vector<double> history = {99, 0.25, -0.5, 1e-5, 3, 77};
    bench->pattern_files().write_training_history(history, 4);
    EXPECT_EQ(read("test.csv"), " 0,25 \r\n-0,5 \r\n 1E-05 \r\n 3 \r\n");
    bench->pattern_files().write_training_history(history, 0);
    EXPECT_EQ(read("test.csv"), "");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "test.csv"));
}

TEST_F(ExchangePatternFiles, ver_last_csv_shows_the_first_line_or_says_the_file_is_missing) {
    click(w().Command48);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "No se pudo leer el archivo " + (dir.path() / "last.csv").string() +
                                             ".\rTodavia no hay ningun resultado guardado.");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "last.csv"));
    for (const char* content : {"Set1 %(3)\rSigm(4)\r\n", "Set1 %(3)\r\nmas", "Set1 %(3)\nmas", "Set1 %(3)"}) {
        write("last.csv", content);
        platform.messages.clear();
        click(w().Command48);
        EXPECT_EQ(platform.texts(), std::vector<std::string>{"Set1 %(3)"}) << content;
    }
}

}  // namespace
}  // namespace vorn::testing
