#include "workset/table_rows.h"

#include <algorithm>
#include <cmath>

#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"

namespace vorn::workset {

namespace {

RowNumber number_of(const Value& value) {
    if (is_null(value)) return {};
    return {as_number(value), false};
}

std::string describe(const RowNumber& number) {
    return number.null ? "vacia" : format_general(number.value);
}

}  // namespace

std::vector<TableRow> read_network_rows(DataSource& source) {
    QueryResult result = source.refresh_and_read({"capa", "fila", "columna", "valor"});
    std::vector<TableRow> rows;
    rows.reserve(result.rows.size());
    long record = 0;
    for (const auto& values : result.rows) {
        rows.push_back({++record, number_of(values[1]), number_of(values[2]), number_of(values[3]), number_of(values[4])});
    }
    return rows;
}

std::optional<int> array_index(const RowNumber& number, int max) {
    if (number.null || !std::isfinite(number.value)) return std::nullopt;
    double whole = std::nearbyint(number.value);
    if (whole < 0 || whole > max) return std::nullopt;
    return static_cast<int>(whole);
}

std::string describe_row(const TableRow& row) {
    return "capa " + describe(row.capa) + ", fila " + describe(row.fila) + ", columna " + describe(row.columna);
}

namespace {

constexpr const char* kErrorTitle = "Error";
constexpr const char* kRowOutsideRecord = ": el registro ";
constexpr const char* kRowOutsideOf = " de ";
constexpr const char* kRowOutsideOpen = " (";
constexpr const char* kRowOutsideClose = ") queda fuera de la red: ";
constexpr const char* kRowOutsideEnd = ".\rNo se cargo nada; corrija la tabla y vuelva a intentarlo.";
constexpr const char* kRuleInputs = "fila y columna van de 0 a 100";
constexpr const char* kNotFiniteClose = ") tiene un valor que no es un numero finito (";
constexpr const char* kNotFiniteEnd = ").\rNo se cargo nada; corrija la tabla y vuelva a intentarlo.";

std::string row_named(const LoaderNames& names, const TableRow& row) {
    return std::string(names.loader) + kRowOutsideRecord + format_int(row.record) + kRowOutsideOf + names.table +
           kRowOutsideOpen + describe_row(row);
}

}  // namespace

void refuse_row(Platform& platform, const LoaderNames& names, const TableRow& row, const char* rule) {
    platform.message(row_named(names, row) + kRowOutsideClose + rule + kRowOutsideEnd, kErrorTitle, Icon::Exclamation);
}

// An infinity (or a NaN) written by another program would turn every
// weight and output it touches into one; the loader refuses the table.
bool refuse_non_finite(Platform& platform, const std::vector<TableRow>& rows, const LoaderNames& names,
                       double capa) {
    for (const TableRow& row : rows) {
        if (row.capa_is(capa) && !row.valor.null && !std::isfinite(row.valor.value)) {
            platform.message(row_named(names, row) + kNotFiniteClose +
                                 (std::isnan(row.valor.value) ? "NaN" : row.valor.value > 0 ? "infinito" : "-infinito") +
                                 kNotFiniteEnd,
                             kErrorTitle, Icon::Exclamation);
            return true;
        }
    }
    return false;
}

std::optional<Load> check_rows(MainWindow& w, Platform& platform, const std::vector<TableRow>& rows,
                               const LoaderNames& names) {
    if (rows.empty()) {
        w.Text1.set_text(names.empty_status);
        if (w.Text9.text() == "SI") platform.message(names.empty_text);
        return Load::Empty;
    }
    if (refuse_non_finite(platform, rows, names, names.capa)) return Load::Refused;
    return std::nullopt;
}

Cell cell_of(const RowNumber& number) { return number.null ? Cell::null() : Cell::number(number.value); }

std::optional<Extent> pattern_extent(Platform& platform, const std::vector<TableRow>& rows, const LoaderNames& names) {
    Extent extent;
    for (const TableRow& row : rows) {
        if (!row.capa_is(1)) continue;
        if (!array_index(row.fila, kMaxIndex) || !array_index(row.columna, kMaxIndex)) {
            refuse_row(platform, names, row, kRuleInputs);
            return std::nullopt;
        }
        extent.max_fila = std::max(extent.max_fila, row.fila.value);
        extent.max_columna = std::max(extent.max_columna, row.columna.value);
    }
    return extent;
}

}  // namespace vorn::workset
