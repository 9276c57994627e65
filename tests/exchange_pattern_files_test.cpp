// "bpn.csv", "test.csv" and "last.csv": formats, the import's round trip, refused files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "exchange/pattern_files.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class ExchangePatternFiles : public WorkbenchTest {
protected:
    std::string read(const std::string& name) {
        std::ifstream in(dir.path() / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    void write(const std::string& name, const std::string& content) {
        std::ofstream(dir.path() / name, std::ios::binary) << content;
    }
    std::vector<std::string> shown_by(Command& command) {
        platform.messages.clear();
        click(command);
        return platform.texts();
    }
    std::vector<std::vector<Value>> bpn() {
        return rows("SELECT capa, fila, columna, valor FROM BPN ORDER BY rowid").rows;
    }
};

TEST_F(ExchangePatternFiles, export_writes_one_line_per_row_in_the_users_decimal_form_or_changes_nothing) {
    write("bpn.csv", "previous");
    EXPECT_TRUE(shown_by(w().Command6).empty());  // an empty table
    add_bpn(1, 1, 1, 0.5, "uno");
    add_bpn(10, 1, 1, 1);
    Workbench elsewhere(*db, platform, dir.path() / "missing");
    EXPECT_EQ(shown_by(elsewhere.main().Command6),
              std::vector<std::string>{"No se pudo crear el archivo " + (dir.path() / "missing" / "bpn.csv").string() +
                                       ".\rNo se exporto ninguna trama."});
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
    EXPECT_EQ(read("bpn.csv"), "previous");

    EXPECT_EQ(shown_by(w().Command6), std::vector<std::string>{"1;1;1;0.5\r10;1;1;1\r"});
    EXPECT_EQ(read("bpn.csv"), "1;1;1;0.5\r\n10;1;1;1\r\n");
    set_decimal_separator(',');
    db->execute(
        "INSERT INTO BPN (capa, fila, columna, valor) VALUES (1, 2, 1, 0.00001), (1, 3, 1, NULL), "
        "(1, 4, 1, -1234.5)");
    EXPECT_EQ(shown_by(w().cambiarparams).size(), 1u);
    EXPECT_EQ(read("bpn.csv"), "1;1;1;0,5\r\n10;1;1;1\r\n1;2;1;1E-05\r\n1;3;1;\r\n1;4;1;-1234,5\r\n");
}

TEST_F(ExchangePatternFiles, import_restores_an_export_and_reads_leading_numbers_and_either_decimal_mark) {
    for (char separator : {'.', ','}) {
        SCOPED_TRACE(separator);
        set_decimal_separator(separator);
        db->execute("DELETE FROM BPN");
        db->execute(
            "INSERT INTO BPN (capa, fila, columna, valor) VALUES (10, 1, 2, 0.1), (1, 2, 2, -0.375), "
            "(1, 1, 2, 1e-7), (1, 1, 1, 123456.789), (1, 2, 1, NULL)");
        const auto before = bpn();
        click(w().Command6);
        EXPECT_EQ(shown_by(w().Command16).at(0), "Habia:5\rQuedan:5");
        EXPECT_EQ(bpn(), before);
        EXPECT_TRUE(consultas().visible());  // the import ends by listing the table
    }

    auto numbers = [&] {
        std::vector<std::vector<double>> table;
        for (const auto& r : bpn())
            table.push_back({as_number(r[0]), as_number(r[1]), as_number(r[2]), as_number(r[3])});
        return table;
    };
    write("bpn.csv", "3x;7;2;1\r\n 1 ;+2.5;-1e3; 0,25 \r\n;;;7\r\n10;1;1;-1E-05\r\n");
    EXPECT_EQ(shown_by(w().Command16).at(0), "Habia:5\rQuedan:4");
    EXPECT_EQ(numbers(),
              (std::vector<std::vector<double>>{{3, 7, 2, 1}, {1, 2.5, -1, 0.25}, {0, 0, 0, 7}, {10, 1, 1, -1e-5}}));
    // No final line break, and a point is a decimal mark under a comma locale as well.
    write("bpn.csv", "1;1;1;0.5\n1;2;1;0,5");
    click(w().Command16);
    EXPECT_EQ(numbers(), (std::vector<std::vector<double>>{{1, 1, 1, 0.5}, {1, 2, 1, 0.5}}));
}

TEST_F(ExchangePatternFiles, a_bad_or_missing_file_is_refused_by_line_and_bpn_is_kept) {
    add_bpn(1, 1, 1, 0.5, "keep");
    const auto before = bpn();
    const std::string kept = "\rLa tabla BPN no se cambio.";
    const std::string short_line = ": tiene menos de tres \";\" (se espera capa;fila;columna;valor)." + kept;
    auto not_a_number = [&](const std::string& line, const std::string& value) {
        return "bpn.csv, linea " + line + ": el valor \"" + value + "\" no es un numero." + kept;
    };
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {std::nullopt, "No se pudo leer el archivo " + (dir.path() / "bpn.csv").string() + ": no existe." + kept},
        {"", "No hay lineas para pasar"},
        {"1;1;1;1\r\n1;2;1\r\n", "bpn.csv, linea 2" + short_line},
        {"1;1;1;1\r\n\r\n1;2;1;1\r\n", "bpn.csv, linea 2" + short_line},
        {"1;1;1;1\r\n1;1;2;abc\r\n", not_a_number("2", "abc")},
        {"1;1;1;0.5;9\r\n", not_a_number("1", "0.5;9")},
        {"1;1;1;1,234.5\r\n", not_a_number("1", "1,234.5")},
        {"1;1;1;nan\r\n", not_a_number("1", "nan")},
    };
    for (const auto& [content, expected] : cases) {
        SCOPED_TRACE(expected);
        std::filesystem::remove(dir.path() / "bpn.csv");
        if (content) write("bpn.csv", *content);
        EXPECT_EQ(shown_by(w().Command16), std::vector<std::string>{expected});
        EXPECT_EQ(bpn(), before);
        EXPECT_FALSE(consultas().visible());
    }
}

TEST_F(ExchangePatternFiles, test_csv_holds_each_pass_and_last_csv_shows_its_first_line_or_says_it_is_missing) {
    set_decimal_separator(',');
    std::vector<double> history = {99, 0.25, -0.5, 1e-5, 3, 77};
    bench->pattern_files().write_training_history(history, 4);
    EXPECT_EQ(read("test.csv"), " 0,25 \r\n-0,5 \r\n 1E-05 \r\n 3 \r\n");
    bench->pattern_files().write_training_history(history, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "test.csv"));
    EXPECT_EQ(read("test.csv"), "");

    EXPECT_EQ(shown_by(w().Command48),
              std::vector<std::string>{"No se pudo leer el archivo " + (dir.path() / "last.csv").string() +
                                       ".\rTodavia no hay ningun resultado guardado."});
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "last.csv"));
    for (const char* content : {"Set1 %(3)\rSigm(4)\r\n", "Set1 %(3)\r\nmas", "Set1 %(3)\nmas", "Set1 %(3)"}) {
        write("last.csv", content);
        EXPECT_EQ(shown_by(w().Command48), std::vector<std::string>{"Set1 %(3)"}) << content;
    }
}

}  // namespace
}  // namespace vorn::testing
