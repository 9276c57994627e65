#include "engine/table_rows.h"

#include <cmath>

#include "shell/number_text.h"
#include "shell/record_store.h"

namespace vorn::engine {

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

}  // namespace vorn::engine
