// The three number forms, under both decimal separators.
#include <gtest/gtest.h>

#include "shell/number_text.h"

namespace vorn {
namespace {

TEST(NumberText, short_form_is_locale_free_with_a_blank_for_non_negatives) {
    struct Case {
        double x;
        const char* text;
    } cases[] = {
        {0, " 0"},        {1, " 1"},          {-1, "-1"},
        {0.5, " .5"},     {-0.25, "-.25"},    {12.5, " 12.5"},
        {1e-5, " 1E-05"}, {0.0001, " .0001"}, {1.23456789012345678e17, " 1.23456789012346E+17"},
        {1e15, " 1E+15"}, {999999999999999, " 999999999999999"},
        {0.1 + 0.2, " .3"},  // 15 significant digits hide the binary residue
        {-1234.5678, "-1234.5678"}, {2e-300, " 2E-300"},
    };
    for (char sep : {'.', ','}) {
        set_decimal_separator(sep);
        for (const Case& c : cases) EXPECT_EQ(format_short(c.x), c.text) << c.x << " sep " << sep;
    }
    set_decimal_separator('.');
}

TEST(NumberText, general_form_uses_the_users_separator_and_a_leading_zero) {
    for (auto [x, sep, text] : {std::tuple{0.5, '.', "0.5"}, {0.5, ',', "0,5"}, {-0.025, ',', "-0,025"}, {0.0, ',', "0"},
                                {1e-5, ',', "1E-05"}, {-3.0, '.', "-3"}, {123456.75, ',', "123456,75"}}) {
        EXPECT_EQ(format_general(x, sep), text);
    }
    set_decimal_separator(',');
    EXPECT_EQ(format_general(1.5), "1,5");
    set_decimal_separator('.');
    EXPECT_EQ(format_general(1.5), "1.5");
}

TEST(NumberText, leading_number_reads_what_the_program_wrote_in_either_locale) {
    for (char sep : {'.', ','}) {
        set_decimal_separator(sep);
        // What a person types takes either mark, whatever the locale.
        for (auto [text, x] : {std::pair{"  3x", 3.0}, {"-2.5;", -2.5}, {" .5", 0.5}, {"+7", 7.0}, {"1E5", 1.0},
                               {"Text2", 0.0}, {"", 0.0}, {"-", 0.0}, {"0,3", 0.3}, {" -1,25x", -1.25}, {"2,", 2.0},
                               {"1,2,3", 1.2}, {",5", 0.5}}) {
            EXPECT_DOUBLE_EQ(parse_leading(text), x) << text << " sep " << sep;
        }
        EXPECT_DOUBLE_EQ(parse_leading(format_short(0.025)), 0.025);
        EXPECT_DOUBLE_EQ(parse_leading(format_general(0.025)), 0.025);
        for (const char* yes : {",5", " -.5"}) EXPECT_TRUE(has_leading_number(yes)) << yes;
        for (const char* no : {"Text7", " - 1", ","}) EXPECT_FALSE(has_leading_number(no)) << no;
    }
    EXPECT_DOUBLE_EQ(parse_leading("0,025", ','), 0.025);
    EXPECT_DOUBLE_EQ(parse_leading("0,025", '.'), 0);  // a file's point is not a comma
    set_decimal_separator('.');
}

TEST(NumberText, strict_numbers_and_sql_numbers_round_trip) {
    double v = 0;
    for (auto [text, x] : {std::pair{" 0,5 ", 0.5}, {"1E-05", 1e-5}, {"-3", -3.0}}) {
        EXPECT_TRUE(parse_number_strict(text, v) && v == x) << text;
    }
    for (const char* bad : {"", "3x", "inf", "nan"}) EXPECT_FALSE(parse_number_strict(bad, v)) << bad;
    for (double x : {0.1, -2.0, 1e-300, 123456.789, 0.025}) {
        EXPECT_TRUE(parse_number_strict(format_sql(x), v));
        EXPECT_EQ(v, x);
        EXPECT_TRUE(parse_number_strict(format_general(x, ','), v));
        EXPECT_NEAR(v, x, std::abs(x) * 1e-14);
    }
}

TEST(NumberText, locale_separator_comes_from_the_environment) {
    for (auto [locale, sep] : {std::pair{"es_AR.UTF-8", ','}, {"en_US.UTF-8", '.'}, {"C", '.'}}) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(separator_from_environment(), sep) << locale;
    }
    unsetenv("LC_ALL");
}

}  // namespace
}  // namespace vorn
