// The strategy decoders: a chromosome read as a trading rule over monthly
// market series ("Strat" on AccionesXmes, "stra2" and "set3" on Mercap),
// as a straight line fitted to the points of `series` ("Other"), and the
// readable description of a chromosome for each strategy name. Plain
// functions over chromosomes and tables already in memory: no database,
// no forms, no messages (the outcome says what the caller must tell).
//
// Rule layout, bit 1 leftmost: 1-6 traded series (0 = no rule), 7-12 left
// series of condition 1, 13-15 its operator, 16-21 its right series,
// 22-23 connector, 24-29 / 30-32 / 33-38 condition 2, 39-40 unused.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorn::ga {

// One record of a market table: its number, name and twelve monthly
// values (field positions 4 to 15; a null reads 0).
struct MarketSeries {
    long long numero = 0;
    std::string nombre;
    std::array<double, 12> months{};
};

// A market table read once into memory, records in table order.
class MarketTable {
public:
    MarketTable() = default;
    MarketTable(std::string name, std::vector<MarketSeries> rows);

    const std::string& name() const { return name_; }
    const std::vector<MarketSeries>& rows() const { return rows_; }
    // The record count m; series genes map into 1..m.
    long count() const { return static_cast<long>(rows_.size()); }
    // The first record, in table order, with this number; null when none.
    const MarketSeries* find(long long numero) const;

private:
    std::string name_;
    std::vector<MarketSeries> rows_;
    std::unordered_map<long long, size_t> first_;
};

// Gene value x mapped into 1..m (m > 0): the remainder of x by m, with 0
// standing for m.
long long map_gene(double x, long m);

// The connector of a 2-bit code: "00" not, "01" and, "10" or, else end.
std::string_view connector(std::string_view code);
// The operator of a 3-bit code: 000/001 "=", 010/011 ">=", 100/101 "<=",
// 110 "<", 111 ">", anything else "<=".
std::string_view comparison(std::string_view code);
// a op b for "=", "<>", ">=", "<=", ">", "<"; any other op is "=".
bool compara(double a, std::string_view op, double b);

// A comparison as compara reads its text, decided once per rule rather
// than once per month: scoring is the search's innermost loop.
enum class Comparison { Equal, Different, AtLeast, AtMost, Above, Below };
Comparison comparison_of(std::string_view op);
// a op b; every comparison but Different is false when a NaN takes part.
inline bool compare(double a, Comparison op, double b) {
    switch (op) {
        case Comparison::Different: return a != b;
        case Comparison::AtLeast: return a >= b;
        case Comparison::AtMost: return a <= b;
        case Comparison::Above: return a > b;
        case Comparison::Below: return a < b;
        case Comparison::Equal: break;
    }
    return a == b;
}

// Whether a market series is one of a table's statistic rows (its name
// holds "AVG", "MAX", "MIN" or "STD"): rules compare against them but
// never trade them.
bool is_statistic_name(std::string_view nombre);

enum class RuleOutcome {
    Scored,      // the score stands (-1 for a chromosome that is no rule)
    TooShort,    // fewer than 24 bits: score 0, the caller says so
    EmptyTable,  // the market table has no rows: score -1, the caller says so
};

struct RuleScore {
    double score = 0;
    RuleOutcome outcome = RuleOutcome::Scored;
};

// The rule's score on the table: the sum of the traded series' monthly
// values over the months in which the rule holds; -1 for no traded series,
// equal operands or a missing series; 0 for a statistic series (its name
// holds "AVG", "MAX", "MIN" or "STD").
RuleScore score_rule(std::string_view chromosome, const MarketTable& table);

// The rule in its parts, for describing it in words.
struct DecodedRule {
    long long traded = 0, left1 = 0, right1 = 0, left2 = 0, right2 = 0;
    std::string op1, op2, connector;
};
// Nothing when the chromosome is no rule on this table (too short, no
// traded series, equal operands, empty table).
std::optional<DecodedRule> decode_rule(std::string_view chromosome, const MarketTable& table);
// The same with the genes mapped into 1..m.
std::optional<DecodedRule> decode_rule(std::string_view chromosome, long m);

// The straight line y = a x + b that "Other" reads from a chromosome of
// the given length (4: a = 2 and b the whole value; 8: the two halves;
// 10: bits 2-5 and 7-10 signed by bits 1 and 6). Nothing for other lengths.
struct Line {
    double a = 0, b = 0;
};
std::optional<Line> line_for_length(std::string_view chromosome, double length);

struct Point {
    double x = 0, y = 0;
};
// 1 / (sum of absolute errors); 1e17 for an exact fit (or no points).
double line_fitness(const Line& line, const std::vector<Point>& points);
// The report window's title while fitting: a, " x +" (" x " for a
// negative b), b, " !!!".
std::string line_title(const Line& line);

// The readable texts of a chromosome. A rule's genes as their bit texts,
// name_of giving the series name of the right gene of condition 1 (or
// nothing to leave the name out); the line "Other" fits (a x + b); and the
// signed reading every strategy without a text of its own gets.
using SeriesName = std::function<std::optional<std::string>(std::string_view gene)>;
std::string describe_rule(std::string_view chromosome, const SeriesName& name_of);
std::string describe_line(std::string_view chromosome);
std::string describe_signed(std::string_view chromosome);

}  // namespace vorn::ga
