#include "ga/reports.h"

#include <array>
#include <charconv>
#include <cmath>

#include "shell/number_text.h"

namespace vorn::ga {

namespace {

constexpr const char* kPopulationTitle = "GA Browse de Data1";
constexpr const char* kTotalsTitle = "Sumas Browse de Data3";
constexpr const char* kPopulationHeading = "Reg.Num\t Codigo Decimal Crossover Cadena Nueva";
constexpr const char* kConvergeTitle = "Converge Browse de Data4";
constexpr const char* kTargetsTitle = "GATargets Browse de Data9";
constexpr const char* kRondaStart = "Ronda Nro";
constexpr const char* kChromosomeHeading = "Cadena (Fitness*N\xC2\xBAveces) Decodificacion  Veces %Veces %Fitness";
constexpr const char* kPairingHeading = "Reg.Num Codigo Decimal Crossover";
constexpr const char* kUnpairedTitle = "Browse de Data5 borrar2";
constexpr const char* kUnpairedHeading = "Reg.Num Codigo Decimal Crossover Cadena Nueva";
constexpr const char* kUnpairedSeparator = "    * ";
constexpr size_t kListedBits = 10;
constexpr size_t kListedDescription = 45;
constexpr size_t kPrintColumn = 16;

}  // namespace

std::string whole_text(long long value) {
    std::array<char, 24> buffer{};
    buffer[0] = ' ';
    char* start = value < 0 ? buffer.data() : buffer.data() + 1;
    const auto [end, ec] = std::to_chars(start, buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), end);
}

namespace {

std::string whole(long long value) { return whole_text(value); }

// The short form of any number; whole values (chromosome values, codes)
// take the quick path, which writes them exactly as format_short does.
std::string number(double value) {
    constexpr double kPlainLimit = 1e15;
    if (value == std::floor(value) && std::fabs(value) < kPlainLimit) {
        return whole(static_cast<long long>(value));
    }
    return format_short(value);
}

std::string text_or_empty(const std::optional<std::string>& text) { return text.value_or(""); }

// floor(part / total * 10000) / 100 and "%"; "0%" when the total is 0.
std::string percent(double part, double total) {
    if (total == 0) return "0%";
    return format_short(std::floor(part / total * 10000) / 100) + "%";
}

std::string joined(std::initializer_list<std::string> values, std::string_view separator) {
    std::string line;
    bool first = true;
    for (const std::string& value : values) {
        if (!first) line += separator;
        line += value;
        first = false;
    }
    return line;
}

}  // namespace

std::string left_chars(std::string_view text, size_t count) {
    size_t i = 0;
    for (size_t taken = 0; i < text.size() && taken < count; ++taken) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return std::string(text.substr(0, i));
}

std::string value_text(const std::optional<double>& value) { return value ? number(*value) : ""; }

std::string value_text(const std::optional<long long>& value) { return value ? whole(*value) : ""; }

std::vector<std::string> population_lines(const std::vector<GaRow>& rows) {
    std::vector<std::string> lines{kPopulationTitle, kPopulationHeading};
    lines.reserve(rows.size() + 2);
    for (const GaRow& row : rows) {
        lines.push_back(joined({whole(row.recno), whole(row.codigo), number(row.decimal),
                                value_text(row.crossover), row.cadena, text_or_empty(row.nueva)},
                               "\t"));
    }
    return lines;
}

std::string total_line(double total) { return format_short(total) + "\t"; }

std::vector<std::string> totals_lines(const std::vector<double>& totals) {
    std::vector<std::string> lines{kTotalsTitle, kPopulationHeading};
    for (double total : totals) lines.push_back(total_line(total));
    return lines;
}

std::vector<std::string> chromosome_lines(ChromosomeTable table, std::string_view ronda,
                                          const std::vector<ChromosomeRecord>& records,
                                          const std::function<std::string(const ChromosomeRecord&)>& describe) {
    std::vector<std::string> lines{kRondaStart + std::string(ronda),
                                   table == ChromosomeTable::Converge ? kConvergeTitle : kTargetsTitle,
                                   kChromosomeHeading};
    double porc_total = 0, fitness_total = 0;
    for (const ChromosomeRecord& record : records) {
        porc_total += record.porc;
        fitness_total += record.fitness;
    }
    for (const ChromosomeRecord& record : records) {
        const std::string_view cadena = trim(record.cadena);
        std::string line = std::string(cadena.substr(0, std::min(cadena.size(), kListedBits)));
        line += " " + format_short(std::floor(record.fitness * 10000) / 100);
        line += " " + left_chars(describe(record), kListedDescription);
        line += " " + format_short(record.porc);
        line += " " + percent(record.porc, porc_total);
        if (table == ChromosomeTable::Targets) line += " " + percent(record.fitness, fitness_total);
        lines.push_back(std::move(line));
    }
    return lines;
}

RowTexts row_texts(const GaRow& row) { return {whole(row.recno), whole(row.codigo), number(row.decimal)}; }

std::vector<std::string> pairing_lines(const std::vector<GaRow>& rows, const std::vector<RowTexts>& texts) {
    std::vector<std::string> lines{kPairingHeading};
    lines.reserve(rows.size() + 1);
    for (size_t i = 0; i < rows.size(); ++i) {
        const RowTexts& t = texts[i];
        std::string line;
        line.reserve(t.recno.size() + t.codigo.size() + t.decimal.size() + 8);
        line += t.recno;
        line += '\t';
        line += t.codigo;
        line += '\t';
        line += t.decimal;
        line += '\t';
        if (rows[i].crossover) line += whole(*rows[i].crossover);
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> unpaired_lines(const std::vector<GaRow>& rows, const std::vector<RowTexts>& texts,
                                        const std::vector<size_t>& indices) {
    std::vector<std::string> lines{kUnpairedTitle, kUnpairedHeading};
    lines.reserve(indices.size() + 2);
    const size_t separator = std::string_view(kUnpairedSeparator).size();
    for (size_t i : indices) {
        const GaRow& row = rows[i];
        std::string line;
        // One allocation a line: the pairing lists these lines pass after pass.
        line.reserve(texts[i].recno.size() + texts[i].codigo.size() + texts[i].decimal.size() + 24 +
                     row.cadena.size() + (row.nueva ? row.nueva->size() : 0) + 6 * separator);
        for (const std::string* value : {&texts[i].recno, &texts[i].codigo, &texts[i].decimal}) {
            line += *value;
            line += kUnpairedSeparator;
        }
        line += value_text(row.crossover);
        line += kUnpairedSeparator;
        line += row.cadena;
        line += kUnpairedSeparator;
        line += text_or_empty(row.nueva);
        line += kUnpairedSeparator;
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> pairing_lines(const std::vector<GaRow>& rows) {
    std::vector<RowTexts> texts;
    for (const GaRow& row : rows) texts.push_back(row_texts(row));
    return pairing_lines(rows, texts);
}

std::vector<std::string> unpaired_lines(const std::vector<GaRow>& rows) {
    std::vector<RowTexts> texts;
    std::vector<size_t> indices;
    for (const GaRow& row : rows) {
        indices.push_back(texts.size());
        texts.push_back(row_texts(row));
    }
    return unpaired_lines(rows, texts, indices);
}

std::vector<std::string> markcross_end_lines(const std::vector<GaRow>& rows) {
    std::vector<std::string> lines{kUnpairedHeading};
    lines.reserve(rows.size() + 1);
    for (const GaRow& row : rows) {
        lines.push_back(joined({whole(row.recno), whole(row.codigo), number(row.decimal),
                                value_text(row.crossover), row.cadena, text_or_empty(row.nueva)},
                               "\t"));
    }
    return lines;
}

std::vector<std::string> printed_lines(std::string_view title, const std::vector<std::vector<std::string>>& records) {
    std::vector<std::string> lines{std::string(title)};
    for (const auto& record : records) {
        std::string line;
        for (const std::string& value : record) {
            line += value;
            // At least one blank between columns, even for a long value.
            line.append(value.size() < kPrintColumn ? kPrintColumn - value.size() : 1, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace vorn::ga
