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
    EXPECT_EQ(format_general(0.5, '.'), "0.5");
    EXPECT_EQ(format_general(0.5, ','), "0,5");
    EXPECT_EQ(format_general(-0.025, ','), "-0,025");
    EXPECT_EQ(format_general(0, ','), "0");
    EXPECT_EQ(format_general(1e-5, ','), "1E-05");
    EXPECT_EQ(format_general(-3, '.'), "-3");
    EXPECT_EQ(format_general(123456.75, ','), "123456,75");
    set_decimal_separator(',');
    EXPECT_EQ(format_general(1.5), "1,5");
    set_decimal_separator('.');
    EXPECT_EQ(format_general(1.5), "1.5");
}

TEST(NumberText, leading_number_reads_what_the_program_wrote_in_either_locale) {
    for (char sep : {'.', ','}) {
        set_decimal_separator(sep);
        EXPECT_DOUBLE_EQ(parse_leading("  3x"), 3);
        EXPECT_DOUBLE_EQ(parse_leading("-2.5;"), -2.5);
        EXPECT_DOUBLE_EQ(parse_leading(" .5"), 0.5);
        EXPECT_DOUBLE_EQ(parse_leading("+7"), 7);
        EXPECT_DOUBLE_EQ(parse_leading("1E5"), 1);
        EXPECT_DOUBLE_EQ(parse_leading("Text2"), 0);
        EXPECT_DOUBLE_EQ(parse_leading(""), 0);
        EXPECT_DOUBLE_EQ(parse_leading("-"), 0);
        EXPECT_DOUBLE_EQ(parse_leading(format_short(0.025)), 0.025);
        EXPECT_DOUBLE_EQ(parse_leading(format_general(0.025)), 0.025);
    }
    EXPECT_DOUBLE_EQ(parse_leading("0,025", ','), 0.025);
    EXPECT_DOUBLE_EQ(parse_leading("0,025", '.'), 0);  // a file's point is not a comma
    // What a person types takes either mark, whatever the locale.
    for (char sep : {'.', ','}) {
        set_decimal_separator(sep);
        EXPECT_DOUBLE_EQ(parse_leading("0,3"), 0.3);
        EXPECT_DOUBLE_EQ(parse_leading(" -1,25x"), -1.25);
        EXPECT_DOUBLE_EQ(parse_leading("2,"), 2);
        EXPECT_DOUBLE_EQ(parse_leading("1,2,3"), 1.2);
        EXPECT_DOUBLE_EQ(parse_leading(",5"), 0.5);
        EXPECT_TRUE(has_leading_number(",5"));
        EXPECT_TRUE(has_leading_number(" -.5"));
        EXPECT_FALSE(has_leading_number("Text7"));
        EXPECT_FALSE(has_leading_number(" - 1"));
        EXPECT_FALSE(has_leading_number(","));
    }
    set_decimal_separator('.');
}

TEST(NumberText, strict_numbers_and_sql_numbers_round_trip) {
    double v = 0;
    EXPECT_TRUE(parse_number_strict(" 0,5 ", v));
    EXPECT_DOUBLE_EQ(v, 0.5);
    EXPECT_TRUE(parse_number_strict("1E-05", v));
    EXPECT_DOUBLE_EQ(v, 1e-5);
    EXPECT_TRUE(parse_number_strict("-3", v));
    EXPECT_FALSE(parse_number_strict("", v));
    EXPECT_FALSE(parse_number_strict("3x", v));
    EXPECT_FALSE(parse_number_strict("inf", v));
    EXPECT_FALSE(parse_number_strict("nan", v));
    for (double x : {0.1, -2.0, 1e-300, 123456.789, 0.025}) {
        EXPECT_TRUE(parse_number_strict(format_sql(x), v));
        EXPECT_EQ(v, x);
        EXPECT_TRUE(parse_number_strict(format_general(x, ','), v));
        EXPECT_NEAR(v, x, std::abs(x) * 1e-14);
    }
}

TEST(NumberText, locale_separator_comes_from_the_environment) {
    setenv("LC_ALL", "es_AR.UTF-8", 1);
    EXPECT_EQ(separator_from_environment(), ',');
    setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_EQ(separator_from_environment(), '.');
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(separator_from_environment(), '.');
    unsetenv("LC_ALL");
}

}  // namespace
}  // namespace vorn
