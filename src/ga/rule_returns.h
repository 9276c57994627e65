// Rules a trader could follow, and what they would have earned in money.
//
// A rule is read with the decoders' genes, but on the previous month's
// returns: the rule holds the traded stock through month m when its
// condition holds on the returns of month m-1, which are known when month
// m begins. Returns over a span of months are compounded, and every entry
// and every exit pays a cost in percent of what is moved.
//
// Plain functions over market years already in memory: no database, no
// forms, no messages. The study's workers call them from many threads at
// once, so nothing here keeps state between calls.
#pragma once

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ga/decoders.h"

namespace vorn::ga {

// A rule needs every gene of its two comparisons.
inline constexpr size_t kReadableRuleBits = 38;

// One record of a market year: its number, its name and code, and the
// twelve monthly returns in percent (nothing where there is no return).
struct YearRow {
    long long numero = 0;
    std::string nombre;
    std::string codigo;
    std::array<std::optional<double>, 12> months{};
};

// Consecutive market years, month after month. Every year holds the same
// number of records m, numbered 1..m; a rule's genes map into 1..m.
class MarketHistory {
public:
    // Appends a year: the one after the last (any year for the first).
    // False, with nothing added, when the year does not follow, its
    // records are not numbered 1..m once each, or m differs from the
    // years before.
    bool add_year(int year, const std::vector<YearRow>& rows);

    bool has_year(int year) const { return years_ > 0 && year >= first_year_ && year <= last_year(); }
    int first_year() const { return first_year_; }
    int last_year() const { return first_year_ + years_ - 1; }
    long series_count() const { return m_; }
    // Month index 0 is January of the first year.
    int month_index(int year, int month) const { return (year - first_year_) * 12 + month - 1; }
    // The return of series numero in the month; NaN where there is none
    // (and before the first month).
    double value(int month, long numero) const {
        if (month < 0) return kNone;
        return values_[static_cast<size_t>(month) * static_cast<size_t>(m_) + static_cast<size_t>(numero - 1)];
    }
    bool statistic(long numero) const { return statistic_[static_cast<size_t>(numero - 1)]; }
    // The name and code of series numero in the year ("ALUA 2015", "ALUA").
    const std::string& name(int year, long numero) const;
    const std::string& code(int year, long numero) const;

    // The months of the year in which at least one stock (a record that is
    // not a statistic row) has a return, in order.
    std::vector<int> year_span(int year) const;
    // The spans of first..last joined, in order.
    std::vector<int> span(int first, int last) const;

private:
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    int first_year_ = 0;
    long m_ = 0;
    std::vector<double> values_;
    std::vector<bool> statistic_;
    std::vector<std::vector<std::string>> names_, codes_;  // per year, by numero - 1
    int years_ = 0;
};

// A rule with its genes mapped into 1..m and its operators decided.
struct SignalRule {
    long traded = 0, left1 = 0, right1 = 0, left2 = 0, right2 = 0;
    Comparison op1 = Comparison::Equal, op2 = Comparison::Equal;
    enum class Join { FirstOnly, Both, Either, NotFirst } join = Join::FirstOnly;
};

// The rule a chromosome reads, when it is readable: at least
// kReadableRuleBits bits, a traded gene other than 0, and the two genes of
// each comparison different (the chromosomes the classic decoders score
// -1 are the unreadable ones).
std::optional<SignalRule> readable_rule(std::string_view chromosome, long m);

// Whether the rule's condition reads the traded series itself, or a
// statistic row of the history.
bool reads_traded_series(const SignalRule& rule);
bool reads_statistic(const SignalRule& rule, const MarketHistory& history);

// Whether the rule holds in month k: its condition on month k-1's returns.
// A comparison with a missing operand is false.
bool holds_in(const SignalRule& rule, const MarketHistory& history, int k);

struct SpanReturn {
    double percent = 0;  // compounded, costs paid
    int entries = 0;     // months in which a holding began
};

// The rule's compounded return over the span, in percent: the product of
// 1 + r/100 over the months it holds the traded series, times 1 - c/100 for
// every entry and every exit, minus 1. The span starts and ends out of the
// market; a month whose traded return is missing is spent out of it; a rule
// that trades a statistic row never trades. c is cost_percent.
SpanReturn rule_return(const SignalRule& rule, const MarketHistory& history, const std::vector<int>& span,
                       double cost_percent);

// Holding series numero from the span's first month to its end: compounded
// (a missing month inside counts 0), the cost paid once on entry and once
// on exit. Nothing when it has no return in the first month, or it is a
// statistic row, or the span is empty.
std::optional<double> hold_return(long numero, const MarketHistory& history, const std::vector<int>& span,
                                  double cost_percent);

// An equal amount of every stock with a return in the span's first month,
// bought then and held to the end, as hold_return reckons each. Nothing
// when no stock has a return in the first month.
std::optional<double> basket_return(const MarketHistory& history, const std::vector<int>& span,
                                    double cost_percent);

}  // namespace vorn::ga
