#include "batch/json.h"

#include <array>
#include <charconv>
#include <cmath>

namespace vorn::batch {

namespace {

// Length of the valid UTF-8 sequence that starts text[i], or 0 when the
// bytes there are not one (overlong forms and surrogates included).
size_t utf8_sequence_length(std::string_view text, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    }
    return length;
}

}  // namespace

std::string_view short_escape(char c) {
    switch (c) {
        case '"': return "\\\"";
        case '\\': return "\\\\";
        case '\r': return "\\r";
        case '\n': return "\\n";
        case '\t': return "\\t";
        default: return {};
    }
}

std::string json_string(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            const std::string_view escape = short_escape(static_cast<char>(c));
            if (!escape.empty()) {
                out += escape;
            } else if (c < 0x20) {
                out += "\\u00";
                out.push_back(kHex[c >> 4]);
                out.push_back(kHex[c & 0xF]);
            } else {
                out.push_back(static_cast<char>(c));
            }
            ++i;
            continue;
        }
        size_t length = utf8_sequence_length(text, i);
        if (length == 0) {
            out += "\\ufffd";
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    out.push_back('"');
    return out;
}

std::string json_number(double x) {
    if (!std::isfinite(x)) return "null";
    std::array<char, 64> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
    return std::string(buffer.data(), result.ptr);
}

std::string json_value(const Value& value) {
    if (is_null(value)) return "null";
    if (const auto* whole = std::get_if<std::int64_t>(&value)) return std::to_string(*whole);
    if (const auto* real = std::get_if<double>(&value)) return json_number(*real);
    return json_string(std::get<std::string>(value));
}

}  // namespace vorn::batch
