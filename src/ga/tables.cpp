#include "ga/tables.h"

#include <algorithm>
#include <functional>

#include "shell/number_text.h"
#include "shell/record_store.h"

namespace vorn::ga {

namespace {

const std::vector<std::string> kGaColumns{"recno", "codigo", "decimal", "crossover", "mate",
                                          "cadena", "nueva", "fitness", "prob", "acumprob"};
const std::vector<std::string> kChromosomeColumns{"cadena", "decimal", "fitness", "porc", "funcionfitness"};
// A market record's twelve months are its fields 4 to 15.
constexpr size_t kFirstMonthField = 4;

std::optional<double> optional_number(const Value& v) {
    if (is_null(v)) return std::nullopt;
    return as_number(v);
}

std::optional<long long> optional_whole(const Value& v) {
    if (is_null(v)) return std::nullopt;
    return static_cast<long long>(as_number(v));
}

std::optional<std::string> optional_text(const Value& v) {
    if (is_null(v)) return std::nullopt;
    return as_text(v);
}

Value number_value(const std::optional<double>& v) { return v ? Value(*v) : Value(); }
Value whole_value(const std::optional<long long>& v) { return v ? Value(static_cast<std::int64_t>(*v)) : Value(); }
Value text_value(const std::optional<std::string>& v) { return v ? Value(*v) : Value(); }
Value whole_value(long long v) { return Value(static_cast<std::int64_t>(v)); }

// Inserts count rows with one statement per chunk of rows: a generation
// writes its tables in one go, and a statement per row would cost more than
// the search itself. Each row adds its `width` values to the list.
void insert_rows(Database& db, const std::string& head, size_t width, size_t count,
                 const std::function<void(size_t, std::vector<Value>&)>& row_values) {
    constexpr size_t kRowsPerStatement = 100;
    std::vector<Value> values;
    for (size_t first = 0; first < count; first += kRowsPerStatement) {
        const size_t rows = std::min(kRowsPerStatement, count - first);
        std::string sql = head;
        std::string tuple = "(";
        for (size_t c = 0; c < width; ++c) tuple += c == 0 ? "?" : ",?";
        tuple += ")";
        for (size_t r = 0; r < rows; ++r) {
            if (r > 0) sql += ",";
            sql += tuple;
        }
        values.clear();
        for (size_t r = 0; r < rows; ++r) row_values(first + r, values);
        db.execute_bound(sql, values);
    }
}

}  // namespace

std::vector<GaRow> read_ga_rows(DataSource& source) {
    QueryResult result = source.refresh_and_read(kGaColumns);
    std::vector<GaRow> rows;
    rows.reserve(result.rows.size());
    for (const auto& r : result.rows) {
        GaRow row;
        row.recno = static_cast<long long>(as_number(r[1]));
        row.codigo = static_cast<long long>(as_number(r[2]));
        row.decimal = as_number(r[3]);
        row.crossover = optional_whole(r[4]);
        row.mate = optional_whole(r[5]);
        row.cadena = as_text(r[6]);
        row.nueva = optional_text(r[7]);
        row.fitness = optional_number(r[8]);
        row.prob = optional_number(r[9]);
        row.acumprob = optional_number(r[10]);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ChromosomeRecord> read_chromosome_records(DataSource& source) {
    QueryResult result = source.refresh_and_read(kChromosomeColumns);
    std::vector<ChromosomeRecord> records;
    for (const auto& r : result.rows) {
        records.push_back({as_text(r[1]), as_number(r[2]), as_number(r[3]), as_number(r[4]), as_text(r[5])});
    }
    return records;
}

std::vector<double> read_totals(DataSource& source) {
    QueryResult result = source.refresh_and_read({"sumafit"});
    std::vector<double> totals;
    for (const auto& r : result.rows) totals.push_back(as_number(r[1]));
    return totals;
}

MarketTable read_market_table(Database& db, const std::string& table) {
    // Only the two market tables' own names reach here.
    QueryResult result = db.query_bound("SELECT * FROM " + table + " ORDER BY rowid", {});
    std::vector<MarketSeries> rows;
    rows.reserve(result.rows.size());
    for (const auto& r : result.rows) {
        MarketSeries series;
        if (!r.empty()) series.numero = static_cast<long long>(as_number(r[0]));
        if (r.size() > 1) series.nombre = as_text(r[1]);
        for (size_t k = 0; k < series.months.size(); ++k) {
            const size_t field = kFirstMonthField + k;
            series.months[k] = field < r.size() ? as_number(r[field]) : 0;
        }
        rows.push_back(std::move(series));
    }
    return MarketTable(table, std::move(rows));
}

std::vector<YearRow> read_year_rows(Database& db, const std::string& table, std::optional<int> year) {
    // Only the market tables' own names reach here.
    std::string sql = "SELECT numero, nombre, codigo, anio, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12 FROM " +
                      table;
    std::vector<Value> params;
    if (year) {
        sql += " WHERE anio = ?";
        params.emplace_back(static_cast<std::int64_t>(*year));
    }
    QueryResult result = db.query_bound(sql + " ORDER BY numero, rowid", params);
    std::vector<YearRow> rows;
    rows.reserve(result.rows.size());
    for (const auto& r : result.rows) {
        YearRow row;
        row.numero = optional_whole(r[0]).value_or(0);
        row.nombre = optional_text(r[1]).value_or("");
        row.codigo = optional_text(r[2]).value_or("");
        for (size_t k = 0; k < row.months.size(); ++k) row.months[k] = optional_number(r[4 + k]);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<Point> read_series(Database& db) {
    QueryResult result = db.query_bound("SELECT serie1, serie2 FROM series ORDER BY rowid", {});
    std::vector<Point> points;
    for (const auto& r : result.rows) points.push_back({as_number(r[0]), as_number(r[1])});
    return points;
}

void write_ga_rows(Database& db, const std::string& table, const std::vector<GaRow>& rows) {
    const std::string name = table == "borrar2" ? "borrar2" : "GA";
    db.execute_bound("DELETE FROM " + name, {});
    insert_rows(db, "INSERT INTO " + name +
                        " (recno, codigo, decimal, crossover, mate, cadena, nueva, fitness, prob, acumprob) VALUES ",
                10, rows.size(), [&rows](size_t i, std::vector<Value>& values) {
                    const GaRow& row = rows[i];
                    values.insert(values.end(),
                                  {whole_value(row.recno), whole_value(row.codigo), Value(row.decimal),
                                   whole_value(row.crossover), whole_value(row.mate), Value(row.cadena),
                                   text_value(row.nueva), number_value(row.fitness), number_value(row.prob),
                                   number_value(row.acumprob)});
                });
}

void write_mate_copies(Database& db, const std::vector<MateCopy>& copies) {
    db.execute_bound("DELETE FROM borrar", {});
    insert_rows(db, "INSERT INTO borrar (codigo, cadena, decimal, recno, mate) VALUES ", 5, copies.size(),
                [&copies](size_t i, std::vector<Value>& values) {
                    const MateCopy& copy = copies[i];
                    values.insert(values.end(), {whole_value(copy.codigo), Value(copy.cadena), Value(copy.decimal),
                                                 whole_value(copy.recno), whole_value(copy.mate)});
                });
}

void write_totals(Database& db, const std::vector<double>& totals) {
    db.execute_bound("DELETE FROM sumas", {});
    for (double total : totals) db.execute_bound("INSERT INTO sumas (sumafit) VALUES (?)", {Value(total)});
}

void append_total(Database& db, double total) {
    db.execute_bound("INSERT INTO sumas (sumafit) VALUES (?)", {Value(total)});
}

void write_converge(Database& db, const std::vector<ConvergeRecord>& records) {
    db.execute_bound("DELETE FROM converge", {});
    for (const ConvergeRecord& r : records) {
        db.execute_bound(
            "INSERT INTO converge (codigo, cadena, decimal, fitness, porc, funcionfitness, descrip)"
            " VALUES (?,?,?,?,?,?,?)",
            {whole_value(r.codigo), Value(r.cadena), Value(r.decimal), Value(r.fitness), Value(r.porc),
             Value(r.funcionfitness), Value(r.descrip)});
    }
}

}  // namespace vorn::ga
