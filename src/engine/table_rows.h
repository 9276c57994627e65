// Reading the network tables (BPN, BPNPESOS) through their data sources,
// and the index checks that keep every row inside the working arrays.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vorn {
class DataSource;
}

namespace vorn::engine {

// A numeric column of a row: its number (a text reads as its leading
// number) or null.
struct RowNumber {
    double value = 0;
    bool null = true;
};

// One row of BPN or BPNPESOS, with its record number in cursor order
// (from 1) so that a message can name it.
struct TableRow {
    long record = 0;
    RowNumber capa, fila, columna, valor;

    bool capa_is(double code) const { return !capa.null && capa.value == code; }
};

// Refreshes the data source and reads every row in cursor order; the
// cursor then stands on the first record.
std::vector<TableRow> read_network_rows(DataSource& source);

// The array index a column names: the nearest whole number (halves to
// even, as array subscripts have always been rounded), or nullopt when it
// is null or lies outside 0..max.
std::optional<int> array_index(const RowNumber& number, int max);

// "capa 1, fila 150, columna 2", for messages that name a row.
std::string describe_row(const TableRow& row);

}  // namespace vorn::engine
