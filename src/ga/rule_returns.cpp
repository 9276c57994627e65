#include "ga/rule_returns.h"

#include <cmath>

namespace vorn::ga {

namespace {

// The factor a trade keeps of what it moves.
double kept(double cost_percent) { return 1 - cost_percent / 100; }

// The growth of holding series numero through the span, a missing month
// counting 0; nothing without a return in the first month.
std::optional<double> held_growth(long numero, const MarketHistory& history, const std::vector<int>& span) {
    if (span.empty() || std::isnan(history.value(span.front(), numero))) return std::nullopt;
    double growth = 1;
    for (int k : span) {
        const double r = history.value(k, numero);
        if (!std::isnan(r)) growth *= 1 + r / 100;
    }
    return growth;
}

}  // namespace

bool MarketHistory::add_year(int year, const std::vector<YearRow>& rows) {
    if (years_ > 0 && year != last_year() + 1) return false;
    const auto m = static_cast<long>(rows.size());
    if (m == 0 || (years_ > 0 && m != m_)) return false;
    std::vector<const YearRow*> by_numero(rows.size(), nullptr);
    for (const YearRow& row : rows) {
        if (row.numero < 1 || row.numero > m || by_numero[static_cast<size_t>(row.numero - 1)]) return false;
        by_numero[static_cast<size_t>(row.numero - 1)] = &row;
    }
    if (years_ == 0) {
        first_year_ = year;
        m_ = m;
        statistic_.assign(rows.size(), false);
    }
    std::vector<std::string> names, codes;
    for (const YearRow* row : by_numero) {
        names.push_back(row->nombre);
        codes.push_back(row->codigo);
    }
    names_.push_back(std::move(names));
    codes_.push_back(std::move(codes));
    // A series is a statistic row when it is one in any year: a rule never
    // trades it, whichever year it meets.
    for (size_t i = 0; i < by_numero.size(); ++i) {
        if (is_statistic_name(by_numero[i]->nombre)) statistic_[i] = true;
    }
    for (int month = 0; month < 12; ++month) {
        for (const YearRow* row : by_numero) values_.push_back(row->months[static_cast<size_t>(month)].value_or(kNone));
    }
    ++years_;
    return true;
}

const std::string& MarketHistory::name(int year, long numero) const {
    return names_[static_cast<size_t>(year - first_year_)][static_cast<size_t>(numero - 1)];
}

const std::string& MarketHistory::code(int year, long numero) const {
    return codes_[static_cast<size_t>(year - first_year_)][static_cast<size_t>(numero - 1)];
}

std::vector<int> MarketHistory::year_span(int year) const {
    std::vector<int> months;
    if (!has_year(year)) return months;
    for (int month = 1; month <= 12; ++month) {
        const int k = month_index(year, month);
        for (long numero = 1; numero <= m_; ++numero) {
            if (!statistic(numero) && !std::isnan(value(k, numero))) {
                months.push_back(k);
                break;
            }
        }
    }
    return months;
}

std::vector<int> MarketHistory::span(int first, int last) const {
    std::vector<int> months;
    for (int year = first; year <= last; ++year) {
        const std::vector<int> part = year_span(year);
        months.insert(months.end(), part.begin(), part.end());
    }
    return months;
}

std::optional<SignalRule> readable_rule(std::string_view chromosome, long m) {
    if (chromosome.size() < kReadableRuleBits) return std::nullopt;
    const std::optional<DecodedRule> decoded = decode_rule(chromosome, m);
    if (!decoded) return std::nullopt;
    SignalRule rule;
    rule.traded = static_cast<long>(decoded->traded);
    rule.left1 = static_cast<long>(decoded->left1);
    rule.right1 = static_cast<long>(decoded->right1);
    rule.left2 = static_cast<long>(decoded->left2);
    rule.right2 = static_cast<long>(decoded->right2);
    rule.op1 = comparison_of(decoded->op1);
    rule.op2 = comparison_of(decoded->op2);
    using Join = SignalRule::Join;
    rule.join = decoded->connector == "and"   ? Join::Both
                : decoded->connector == "or"  ? Join::Either
                : decoded->connector == "not" ? Join::NotFirst
                                              : Join::FirstOnly;
    return rule;
}

bool reads_traded_series(const SignalRule& rule) {
    const bool second = rule.join != SignalRule::Join::FirstOnly;
    return rule.left1 == rule.traded || rule.right1 == rule.traded ||
           (second && (rule.left2 == rule.traded || rule.right2 == rule.traded));
}

bool reads_statistic(const SignalRule& rule, const MarketHistory& history) {
    const bool second = rule.join != SignalRule::Join::FirstOnly;
    return history.statistic(rule.left1) || history.statistic(rule.right1) ||
           (second && (history.statistic(rule.left2) || history.statistic(rule.right2)));
}

bool holds_in(const SignalRule& rule, const MarketHistory& history, int k) {
    const int signal = k - 1;
    const bool c1 = compare(history.value(signal, rule.left1), rule.op1, history.value(signal, rule.right1));
    if (rule.join == SignalRule::Join::FirstOnly) return c1;
    const bool c2 = compare(history.value(signal, rule.left2), rule.op2, history.value(signal, rule.right2));
    switch (rule.join) {
        case SignalRule::Join::Both: return c1 && c2;
        case SignalRule::Join::Either: return c1 || c2;
        case SignalRule::Join::NotFirst: return !c1 && c2;
        case SignalRule::Join::FirstOnly: break;
    }
    return c1;
}

SpanReturn rule_return(const SignalRule& rule, const MarketHistory& history, const std::vector<int>& span,
                       double cost_percent) {
    SpanReturn result;
    if (history.statistic(rule.traded)) return result;
    const double keep = kept(cost_percent);
    double growth = 1;
    bool in_market = false;
    for (int k : span) {
        const double r = history.value(k, rule.traded);
        if (!std::isnan(r) && holds_in(rule, history, k)) {
            if (!in_market) {
                growth *= keep;
                ++result.entries;
                in_market = true;
            }
            growth *= 1 + r / 100;
        } else if (in_market) {
            growth *= keep;
            in_market = false;
        }
    }
    if (in_market) growth *= keep;
    result.percent = (growth - 1) * 100;
    return result;
}

std::optional<double> hold_return(long numero, const MarketHistory& history, const std::vector<int>& span,
                                  double cost_percent) {
    if (history.statistic(numero)) return std::nullopt;
    const std::optional<double> growth = held_growth(numero, history, span);
    if (!growth) return std::nullopt;
    const double keep = kept(cost_percent);
    return (*growth * keep * keep - 1) * 100;
}

std::optional<double> basket_return(const MarketHistory& history, const std::vector<int>& span,
                                    double cost_percent) {
    double sum = 0;
    long held = 0;
    for (long numero = 1; numero <= history.series_count(); ++numero) {
        if (history.statistic(numero)) continue;
        if (const std::optional<double> growth = held_growth(numero, history, span)) {
            sum += *growth;
            ++held;
        }
    }
    if (held == 0) return std::nullopt;
    const double keep = kept(cost_percent);
    return (sum / static_cast<double>(held) * keep * keep - 1) * 100;
}

}  // namespace vorn::ga
