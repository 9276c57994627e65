// The numbers of a training progress line: each cut to four decimals as
// floor(x * 10000) / 10000 and written in short form. A run writes one line
// per frame and pass, so this avoids the general formatter where the cut
// makes the digits plain integer arithmetic; the text is the same.
#pragma once

#include <string>

namespace vorn::engine {

// Room a put_* call may use.
constexpr int kMaxNumberText = 32;

// Writes format_short(floor(x * 10000) / 10000) at p; returns the end.
char* put_cut_short(char* p, double x);
// Writes format_short(k) for a whole number k at p; returns the end.
char* put_whole_short(char* p, long long k);

// The same, appended to a string.
void append_cut_short(std::string& out, double x);
void append_whole_short(std::string& out, long long k);

}  // namespace vorn::engine
