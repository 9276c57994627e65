// Numbers as the workbench writes and reads them in fields, messages, list
// lines, files and SQL. Nothing here consults the C/C++ global locale: the
// decimal separator of the user's locale is passed in (or taken from the
// process-wide setting below), so the toolkit changing the locale cannot
// change what a number looks like.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

// The user's decimal separator ('.' or ','), read once from the process
// locale at start-up and settable explicitly (tests run both).
char decimal_separator();
void set_decimal_separator(char separator);
// Reads LC_NUMERIC / LC_ALL / LANG the way the C library would and returns
// the separator that locale uses ('.' when unknown).
char separator_from_environment();

// Short form: " 1", "-1", " .5", "-.25", " 1E-05", " 1.23456789012346E+17".
// Always "." as decimal point, no zero before the point, 15 significant
// digits at most, exponent form outside 1E-04 <= |x| < 1E+15.
std::string format_short(double x);

// General form: "1", "-1", "0.5" or "0,5", "1E-05". The separator is the
// user's unless given.
std::string format_general(double x);
std::string format_general(double x, char separator);

// Leading number: blanks skipped, optional sign, digits, optional fraction
// after "." or after the given separator, an optional exponent is NOT read
// ("1E5" reads 1). Anything else ends the number; no number at all reads 0.
double parse_leading(std::string_view text, char separator);
// The same for what a person typed (a field, an input box): "." and ","
// are both decimal marks whatever the user's locale, so "0,3" typed the
// Spanish way is 0.3 and not 0 silently replaced by a default. Files keep
// their own mark and use the form above.
double parse_leading(std::string_view text);

// True when the text starts (after blanks) with something the one-argument
// parse_leading reads as a number: a digit, or a sign or mark then a digit.
bool has_leading_number(std::string_view text);

// Strict number for files: the whole text, blanks around it allowed, must
// be one number in general form (either separator, optional exponent).
// Returns false for empty or malformed text.
bool parse_number_strict(std::string_view text, double& out);

// Plain number for SQL text and JSON: shortest round-trip form with ".",
// never locale-dependent ("0.025", "-3", "1e-05").
std::string format_sql(double x);

// Whole number text, "12", "-3".
std::string format_int(long long x);

// Trims blanks (spaces and tabs) at both ends.
std::string_view trim(std::string_view text);
std::string lower(std::string_view text);
std::string upper(std::string_view text);

}  // namespace vorn
