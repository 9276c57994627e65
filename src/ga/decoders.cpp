#include "ga/decoders.h"

#include <cmath>

#include "ga/chromosome.h"
#include "shell/number_text.h"

namespace vorn::ga {

namespace {

constexpr size_t kMinRuleBits = 24;
constexpr double kExactFit = 1e17;
constexpr const char* kStatisticMarks[] = {"AVG", "MAX", "MIN", "STD"};

double gene(std::string_view s, long start, long width) { return valorbinario(mid(s, start, width)); }

// A sign bit: "1" positive, anything else negative.
double signed_gene(std::string_view s, long sign_bit, long start, long width) {
    const double magnitude = gene(s, start, width);
    return mid(s, sign_bit, 1) == "1" ? magnitude : -magnitude;
}

std::string_view right(std::string_view s, size_t count) {
    return s.size() <= count ? s : s.substr(s.size() - count);
}

// The raw genes of a rule, before mapping.
struct Genes {
    double traded, left1, right1, left2, right2;
    std::string_view op1, op2, connector;
};

Genes read_genes(std::string_view s) {
    return {gene(s, 1, 6),          gene(s, 7, 6),          gene(s, 16, 6),         gene(s, 24, 6),
            gene(s, 33, 6),         comparison(mid(s, 13, 3)), comparison(mid(s, 30, 3)),
            connector(mid(s, 22, 2))};
}

}  // namespace

Comparison comparison_of(std::string_view op) {
    if (op == "<>") return Comparison::Different;
    if (op == ">=") return Comparison::AtLeast;
    if (op == "<=") return Comparison::AtMost;
    if (op == ">") return Comparison::Above;
    if (op == "<") return Comparison::Below;
    return Comparison::Equal;
}

bool is_statistic_name(std::string_view nombre) {
    for (const char* mark : kStatisticMarks) {
        if (nombre.find(mark) != std::string_view::npos) return true;
    }
    return false;
}

MarketTable::MarketTable(std::string name, std::vector<MarketSeries> rows)
    : name_(std::move(name)), rows_(std::move(rows)) {
    for (size_t i = 0; i < rows_.size(); ++i) first_.emplace(rows_[i].numero, i);
}

const MarketSeries* MarketTable::find(long long numero) const {
    auto found = first_.find(numero);
    return found == first_.end() ? nullptr : &rows_[found->second];
}

long long map_gene(double x, long m) {
    const auto value = static_cast<long long>(x);
    long long r = value - m * (value / m);
    return r == 0 ? m : r;
}

std::string_view connector(std::string_view code) {
    if (code == "00") return "not";
    if (code == "01") return "and";
    if (code == "10") return "or";
    return "end";
}

std::string_view comparison(std::string_view code) {
    if (code == "000" || code == "001") return "=";
    if (code == "010" || code == "011") return ">=";
    if (code == "100" || code == "101") return "<=";
    if (code == "110") return "<";
    if (code == "111") return ">";
    return "<=";
}

bool compara(double a, std::string_view op, double b) {
    if (op == "<>") return a != b;
    if (op == ">=") return a >= b;
    if (op == "<=") return a <= b;
    if (op == ">") return a > b;
    if (op == "<") return a < b;
    return a == b;
}

std::optional<DecodedRule> decode_rule(std::string_view s, const MarketTable& table) {
    return decode_rule(s, table.count());
}

std::optional<DecodedRule> decode_rule(std::string_view s, long m) {
    if (s.size() < kMinRuleBits || m <= 0) return std::nullopt;
    const Genes g = read_genes(s);
    if (g.traded == 0 || g.left1 == g.right1 || g.left2 == g.right2) return std::nullopt;
    return DecodedRule{map_gene(g.traded, m), map_gene(g.left1, m), map_gene(g.right1, m), map_gene(g.left2, m),
                       map_gene(g.right2, m), std::string(g.op1), std::string(g.op2), std::string(g.connector)};
}

RuleScore score_rule(std::string_view s, const MarketTable& table) {
    if (s.size() < kMinRuleBits) return {0, RuleOutcome::TooShort};
    const Genes g = read_genes(s);
    if (g.traded == 0) return {-1, RuleOutcome::Scored};
    // With no rows there is nothing to map the genes into.
    if (table.count() == 0) return {-1, RuleOutcome::EmptyTable};
    if (g.left1 == g.right1) return {-1, RuleOutcome::Scored};
    if (g.left2 == g.right2) return {-1, RuleOutcome::Scored};
    // The rule decode_rule reads, without building it.
    const long m = table.count();
    const MarketSeries* l1 = table.find(map_gene(g.left1, m));
    const MarketSeries* r1 = table.find(map_gene(g.right1, m));
    const MarketSeries* l2 = table.find(map_gene(g.left2, m));
    const MarketSeries* r2 = table.find(map_gene(g.right2, m));
    if (!l1 || !r1 || !l2 || !r2) return {-1, RuleOutcome::Scored};
    const MarketSeries* traded = table.find(map_gene(g.traded, m));
    if (traded == nullptr) return {-1, RuleOutcome::Scored};
    if (is_statistic_name(traded->nombre)) return {0, RuleOutcome::Scored};
    const Comparison op1 = comparison_of(g.op1);
    const Comparison op2 = comparison_of(g.op2);
    const bool both = g.connector == "and", either = g.connector == "or", second_only = g.connector == "not";
    double score = 0;
    for (size_t k = 0; k < 12; ++k) {
        const bool c1 = compare(l1->months[k], op1, r1->months[k]);
        const bool c2 = compare(l2->months[k], op2, r2->months[k]);
        bool holds;
        if (both) {
            holds = c1 && c2;
        } else if (either) {
            holds = c1 || c2;
        } else if (second_only) {
            holds = !c1 && c2;
        } else {
            holds = c1;
        }
        if (holds) score += traded->months[k];
    }
    return {score, RuleOutcome::Scored};
}

std::optional<Line> line_for_length(std::string_view s, double length) {
    if (length == 4) return Line{2, valorbinario(s)};
    if (length == 8) return Line{gene(s, 1, 4), gene(s, 5, 4)};
    if (length == 10) return Line{signed_gene(s, 1, 2, 4), signed_gene(s, 6, 7, 4)};
    return std::nullopt;
}

double line_fitness(const Line& line, const std::vector<Point>& points) {
    double error = 0;
    for (const Point& p : points) error += std::fabs(p.y - (line.a * p.x + line.b));
    return error != 0 ? 1 / error : kExactFit;
}

std::string line_title(const Line& line) {
    return format_short(line.a) + (line.b < 0 ? " x " : " x +") + format_short(line.b) + " !!!";
}

std::string describe_rule(std::string_view chromosome, const SeriesName& name_of) {
    const std::string_view s = chromosome;
    // The genes as their bit texts; a short chromosome gives the genes it
    // has and stops there.
    struct Piece {
        long start, width;
        const char* before;
    };
    static constexpr Piece kPieces[] = {{1, 6, "S("},  {7, 6, ") -> "}, {13, 3, " "}, {16, 6, " "}, {22, 2, " "},
                                        {24, 6, "\r"},  {30, 3, " "},   {33, 6, " "}, {39, 2, " "}};
    std::string text;
    for (const Piece& piece : kPieces) {
        if (static_cast<size_t>(piece.start) > s.size()) break;
        const std::string_view bits = mid(s, piece.start, piece.width);
        text += piece.before;
        text += bits;
        if (piece.start == 16) {
            if (std::optional<std::string> series = name_of ? name_of(bits) : std::nullopt) text += " " + *series;
        }
    }
    return text;
}

std::string describe_line(std::string_view chromosome) {
    const std::string_view s = chromosome;
    // The a and b the line fit uses for a chromosome of this length.
    Line line{gene(s, 1, 4), valorbinario(right(trim(s), 4))};
    if (std::optional<Line> fitted = line_for_length(s, static_cast<double>(trim(s).size()))) line = *fitted;
    return format_short(line.a) + " x + " + format_short(line.b);
}

std::string describe_signed(std::string_view chromosome) {
    const std::string_view s = chromosome;
    const double a = signed_gene(s, 1, 2, 4);
    const double magnitude = valorbinario(right(trim(s), 4));
    const double b = mid(s, 6, 1) == "1" ? magnitude : -magnitude;
    return format_short(a) + " X " + format_short(b);
}

}  // namespace vorn::ga
