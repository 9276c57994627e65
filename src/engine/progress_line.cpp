#include "engine/progress_line.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "shell/number_text.h"

namespace vorn::engine {

namespace {

char* put_digits(char* p, unsigned long long value) {
    // 20 digits hold any unsigned 64-bit number.
    return std::to_chars(p, p + 20, value).ptr;
}

unsigned long long magnitude_of(long long k) {
    return k < 0 ? 0ULL - static_cast<unsigned long long>(k) : static_cast<unsigned long long>(k);
}

}  // namespace

char* put_whole_short(char* p, long long k) {
    *p++ = k < 0 ? '-' : ' ';
    return put_digits(p, magnitude_of(k));
}

char* put_cut_short(char* p, double x) {
    const double scaled = std::floor(x * 10000);
    // Up to 15 digits the cut value's short form is exactly its decimal
    // digits; beyond that (and for NaN or infinities) the general path.
    if (!(std::fabs(scaled) < 1e15)) {
        const std::string text = format_short(scaled / 10000);
        std::memcpy(p, text.data(), text.size());
        return p + text.size();
    }
    const long long k = static_cast<long long>(scaled);
    if (k == 0) {
        *p++ = ' ';
        *p++ = '0';
        return p;
    }
    *p++ = k < 0 ? '-' : ' ';
    const unsigned long long magnitude = magnitude_of(k);
    const unsigned long long whole = magnitude / 10000;
    const unsigned fraction = static_cast<unsigned>(magnitude % 10000);
    if (whole > 0) p = put_digits(p, whole);
    if (fraction == 0) return p;
    // Four decimals, trailing zeros dropped; constant divisors keep this
    // to multiplications.
    p[0] = '.';
    p[1] = static_cast<char>('0' + fraction / 1000);
    p[2] = static_cast<char>('0' + fraction / 100 % 10);
    p[3] = static_cast<char>('0' + fraction / 10 % 10);
    p[4] = static_cast<char>('0' + fraction % 10);
    int length = 5;
    while (p[length - 1] == '0') --length;
    return p + length;
}

void append_cut_short(std::string& out, double x) {
    char buffer[kMaxNumberText];
    out.append(buffer, put_cut_short(buffer, x));
}

void append_whole_short(std::string& out, long long k) {
    char buffer[kMaxNumberText];
    out.append(buffer, put_whole_short(buffer, k));
}

}  // namespace vorn::engine
