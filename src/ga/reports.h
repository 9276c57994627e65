// The genetic search's listings, as the lines the report list shows: the
// population (GA), the totals per generation (sumas), the chromosomes of
// the run (converge) and of former runs (GATargets), the pairing lists of
// markcross and the printed population. Numbers are in the short form;
// a null shows as nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ga/population.h"

namespace vorn::ga {

// "GA Browse de Data1", the heading, one line per row.
std::vector<std::string> population_lines(const std::vector<GaRow>& rows);
// "Sumas Browse de Data3", the population heading, one line per total.
std::vector<std::string> totals_lines(const std::vector<double>& totals);
// The line of one total, for a listing that grows a generation at a time.
std::string total_line(double total);

// A record of converge or GATargets as the chromosome listings read it.
struct ChromosomeRecord {
    std::string cadena;
    double decimal = 0;
    double fitness = 0;
    double porc = 0;
    std::string funcionfitness;
};
enum class ChromosomeTable { Converge, Targets };
// The chromosome listing of the records in the order given (best fitness
// first); ronda is the text of the pass-number field. describe gives the
// decoded description of a record's chromosome. A percentage whose sum is
// 0 shows "0%".
std::vector<std::string> chromosome_lines(ChromosomeTable table, std::string_view ronda,
                                          const std::vector<ChromosomeRecord>& records,
                                          const std::function<std::string(const ChromosomeRecord&)>& describe);

// The pairing lists of markcross.
std::vector<std::string> pairing_lines(const std::vector<GaRow>& rows);
std::vector<std::string> unpaired_lines(const std::vector<GaRow>& rows);
// The same, with the texts of each row's recno, codigo and decimal made
// once: markcross lists the same rows pass after pass.
struct RowTexts {
    std::string recno, codigo, decimal;
};
RowTexts row_texts(const GaRow& row);
std::vector<std::string> pairing_lines(const std::vector<GaRow>& rows, const std::vector<RowTexts>& texts);
// The rows given by their indices.
std::vector<std::string> unpaired_lines(const std::vector<GaRow>& rows, const std::vector<RowTexts>& texts,
                                        const std::vector<size_t>& indices);
std::vector<std::string> markcross_end_lines(const std::vector<GaRow>& rows);

// A printed table: the title, then one line per record with each value
// padded to its column.
std::vector<std::string> printed_lines(std::string_view title, const std::vector<std::vector<std::string>>& records);

// The first count characters of a UTF-8 text.
std::string left_chars(std::string_view text, size_t count);
// The short form of a whole number (" 12", "-3"), quickly: listings and
// the progress label write thousands of them per generation.
std::string whole_text(long long value);
// A number in the short form, nothing for a null.
std::string value_text(const std::optional<double>& value);
std::string value_text(const std::optional<long long>& value);

}  // namespace vorn::ga
