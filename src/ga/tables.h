// The genetic search's tables as rows in memory: read once where a run or
// a listing starts, written back whole where a generation or a pass ends.
// Writers expect to run inside the caller's store phase (one transaction).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ga/decoders.h"
#include "ga/population.h"
#include "ga/reports.h"
#include "ga/rule_returns.h"

namespace vorn {
class Database;
class DataSource;
}  // namespace vorn

namespace vorn::ga {

// A record of converge (and GATargets) with everything a run writes.
struct ConvergeRecord {
    long long codigo = 0;
    std::string cadena;
    double decimal = 0;
    double fitness = 0;
    double porc = 0;
    std::string funcionfitness;
    std::string descrip;
};

// The rows of GA (or borrar2) through a data source, in its cursor order.
std::vector<GaRow> read_ga_rows(DataSource& source);
// The chromosome records through a data source, in its cursor order.
std::vector<ChromosomeRecord> read_chromosome_records(DataSource& source);
// sumafit of every row of sumas, in table order.
std::vector<double> read_totals(DataSource& source);

// A market table (AccionesXmes, Mercap) by its field positions.
MarketTable read_market_table(Database& db, const std::string& table);
// The records of a market table by their column names, in numero order,
// missing months kept missing; only those of one year when asked.
std::vector<YearRow> read_year_rows(Database& db, const std::string& table, std::optional<int> year = std::nullopt);
// The points of `series` (serie1, serie2), nulls read 0.
std::vector<Point> read_series(Database& db);

// Each replaces every row of its table by the rows given, in order.
void write_ga_rows(Database& db, const std::string& table, const std::vector<GaRow>& rows);
void write_mate_copies(Database& db, const std::vector<MateCopy>& copies);
void write_totals(Database& db, const std::vector<double>& totals);
// Adds one generation's total at the end of sumas.
void append_total(Database& db, double total);
void write_converge(Database& db, const std::vector<ConvergeRecord>& records);

}  // namespace vorn::ga
