#include "shell/number_text.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace vorn {

namespace {

char g_separator = '.';

// Locales whose decimal separator is a comma. The list covers the languages
// a Spanish-speaking user is likely to run; anything else keeps the point.
constexpr std::array<std::string_view, 24> kCommaLanguages = {
    "es", "de", "fr", "it", "pt", "nl", "da", "sv", "fi", "nb", "nn", "no",
    "ru", "pl", "cs", "sk", "tr", "el", "ro", "hu", "ca", "gl", "eu", "id"};

// Digits and decimal exponent of |x| rounded to 15 significant digits,
// trailing zeros dropped: x = 0.d1d2d3... * 10^(exponent + 1).
struct Decimal {
    std::string digits;
    int exponent = 0;
};

Decimal decompose(double magnitude) {
    std::array<char, 64> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                std::chars_format::scientific, 14);
    std::string_view text(buffer.data(), static_cast<size_t>(result.ptr - buffer.data()));
    size_t e = text.find('e');
    Decimal d;
    for (char c : text.substr(0, e)) {
        if (c != '.') d.digits.push_back(c);
    }
    int exponent = 0;
    std::string_view exp_text = text.substr(e + 1);
    if (!exp_text.empty() && exp_text.front() == '+') exp_text.remove_prefix(1);
    std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);
    d.exponent = exponent;
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// Formats |x| (not zero) with the given decimal mark; zero_before_point
// chooses "0.5" over ".5".
std::string format_magnitude(double magnitude, char point, bool zero_before_point) {
    Decimal d = decompose(magnitude);
    std::string out;
    if (d.exponent >= -4 && d.exponent < 15) {
        if (d.exponent < 0) {
            if (zero_before_point) out.push_back('0');
            out.push_back(point);
            out.append(static_cast<size_t>(-d.exponent - 1), '0');
            out += d.digits;
        } else {
            size_t whole = static_cast<size_t>(d.exponent) + 1;
            if (d.digits.size() <= whole) {
                out = d.digits;
                out.append(whole - d.digits.size(), '0');
            } else {
                out = d.digits.substr(0, whole);
                out.push_back(point);
                out += d.digits.substr(whole);
            }
        }
        return out;
    }
    out.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
        out.push_back(point);
        out += d.digits.substr(1);
    }
    out.push_back('E');
    out.push_back(d.exponent < 0 ? '-' : '+');
    int e = std::abs(d.exponent);
    if (e < 10) out.push_back('0');
    out += std::to_string(e);
    return out;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

char decimal_separator() { return g_separator; }

void set_decimal_separator(char separator) { g_separator = separator == ',' ? ',' : '.'; }

char separator_from_environment() {
    const char* names[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        std::string_view locale(value);
        if (locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0) return '.';
        std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
        for (std::string_view comma : kCommaLanguages) {
            if (language == comma) return ',';
        }
        return '.';
    }
    return '.';
}

std::string format_short(double x) {
    if (x == 0 || std::isnan(x)) return " 0";
    if (std::isinf(x)) return x < 0 ? "-1E+308" : " 1E+308";
    std::string body = format_magnitude(std::fabs(x), '.', false);
    return (x < 0 ? "-" : " ") + body;
}

std::string format_general(double x) { return format_general(x, g_separator); }

std::string format_general(double x, char separator) {
    if (x == 0 || std::isnan(x)) return "0";
    if (std::isinf(x)) return x < 0 ? "-1E+308" : "1E+308";
    std::string body = format_magnitude(std::fabs(x), separator, true);
    return x < 0 ? "-" + body : body;
}

// The point is always a mark, so naming the comma as the separator accepts
// both.
double parse_leading(std::string_view text) { return parse_leading(text, ','); }

double parse_leading(std::string_view text, char separator) {
    size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string number;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) number.push_back(text[i++]);
    if (i < text.size() && (text[i] == '.' || text[i] == separator)) {
        std::string fraction;
        size_t j = i + 1;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) fraction.push_back(text[j++]);
        if (!fraction.empty()) number += "." + fraction;
    }
    if (number.empty()) return 0;
    double value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return negative ? -value : value;
}

bool has_leading_number(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) ++i;
    return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
}

bool parse_number_strict(std::string_view text, double& out) {
    text = trim(text);
    if (text.empty()) return false;
    std::string normal(text);
    for (char& c : normal) {
        if (c == ',') c = '.';
    }
    const char* begin = normal.data();
    const char* end = begin + normal.size();
    if (*begin == '+') ++begin;
    if (begin == end) return false;
    // from_chars accepts "inf" and "nan"; a pattern file must not.
    if (!std::isdigit(static_cast<unsigned char>(*begin)) && *begin != '.' && *begin != '-') return false;
    auto result = std::from_chars(begin, end, out);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(out);
}

std::string format_sql(double x) {
    if (!std::isfinite(x)) return "NULL";
    std::array<char, 64> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
    return std::string(buffer.data(), result.ptr);
}

std::string format_int(long long x) { return std::to_string(x); }

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace vorn
