#include "ga/population.h"

#include <algorithm>
#include <cmath>

#include "ga/chromosome.h"
#include "ga/reports.h"
#include "shell/number_text.h"
#include "shell/platform.h"

namespace vorn::ga {

namespace {

constexpr const char* kNoUnpairedRow = "No encontre data1 crossover=null";
constexpr const char* kPairingQuestionStart = "Pasada=";
constexpr const char* kPairingQuestionEnd = " Termino?";
constexpr const char* kPairingQuestionTitle = "Atencion!!!";
constexpr const char* kCrossR1Missing = "No encontre crossr1 en data1";
constexpr const char* kCrossR2Missing = "No encontre crossr2 en data1";
constexpr const char* kMissingTitle = "ojo";
constexpr const char* kPartnerMissing = "Function markcross2 No encontre en data1 ";
constexpr const char* kCrossoverMissing = "Function crossover no encontre";
constexpr const char* kFinMarkcross = "Fin markcross";
constexpr const char* kMateMissing = "no encontre mate()->vmate";
constexpr double kMutationProbability = 0.005;
// Failed cut-point draws before each further one is reported.
constexpr int kQuietCutDraws = 10;

std::optional<size_t> find_recno(const std::vector<GaRow>& rows, long long recno, bool unpaired_only) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].recno == recno && (!unpaired_only || !rows[i].crossover)) return i;
    }
    return std::nullopt;
}

bool any_unpaired(const std::vector<GaRow>& rows) {
    return std::any_of(rows.begin(), rows.end(), [](const GaRow& row) { return !row.crossover; });
}

std::string recno_criteria(long long recno) { return "recno=" + format_short(static_cast<double>(recno)); }

bool stop_seen(StopCheck* stop) { return stop != nullptr && stop->requested(); }

}  // namespace

bool StopCheck::requested() {
    if (!seen_) seen_ = platform_.stop_requested();
    return seen_;
}

double sumafitness(const std::vector<GaRow>& rows) {
    double total = 0;
    for (const GaRow& row : rows) total += row.fitness.value_or(0);
    return total;
}

void probabilidades(std::vector<GaRow>& rows, double total) {
    double lowest = 0;
    for (const GaRow& row : rows) lowest = std::min(lowest, row.fitness.value_or(0));
    const double shift = lowest < 0 ? lowest : 0;
    if (shift < 0) {
        total = 0;
        for (const GaRow& row : rows) total += row.fitness.value_or(0) - shift;
    }
    double running = 0;
    for (GaRow& row : rows) {
        const double p = total != 0 ? (row.fitness.value_or(0) - shift) / total : 1;
        running += p;
        row.prob = p;
        row.acumprob = running;
    }
}

size_t ruleta(const std::vector<GaRow>& rows, RandomSource& draws) {
    draws.reseed();
    const double r = draws.random();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].acumprob && *rows[i].acumprob >= r) return i;
    }
    return rows.empty() ? 0 : rows.size() - 1;
}

std::vector<MateCopy> mate(std::vector<GaRow>& rows, long n, Platform& platform, GenerationView& view,
                           StopCheck* stop) {
    std::vector<MateCopy> copies;
    if (rows.empty()) return copies;
    for (long i = 1; i <= n; ++i) {
        if (stop_seen(stop)) return copies;
        const long long codigo = rows[ruleta(rows, platform)].codigo;
        auto drawn = std::find_if(rows.begin(), rows.end(), [codigo](const GaRow& row) { return row.codigo == codigo; });
        if (drawn == rows.end()) {
            platform.message(kMateMissing);
            continue;
        }
        drawn->mate = drawn->mate.value_or(0) + 1;
    }
    for (const GaRow& row : rows) {
        const long long count = row.mate.value_or(0);
        for (long long j = 1; j <= count; ++j) {
            copies.push_back({row.codigo, row.cadena, row.decimal, row.recno, count});
            view.progress("Pasada " + whole_text(j) + "/" + whole_text(count) + " codigo:" + whole_text(row.codigo));
        }
    }
    rows.reserve(rows.size() + copies.size());
    for (const MateCopy& copy : copies) {
        rows.push_back(GaRow{copy.recno, copy.codigo, copy.decimal, std::nullopt, std::nullopt, copy.cadena,
                             std::string(kPoolMarker), std::nullopt, std::nullopt, std::nullopt});
    }
    std::erase_if(rows, [](const GaRow& row) { return row.nueva && *row.nueva != kPoolMarker; });
    return copies;
}

long PairingDraw::moves(long m, Platform& platform) {
    long a = static_cast<long>(std::floor(static_cast<double>(m) * platform.random()));
    if (a == 0) a = 1;
    if (a > m) a = m;
    return a;
}

MarkcrossResult markcross(std::vector<GaRow>& rows, Platform& platform, GenerationView& view, StopCheck* stop) {
    PairingDraw draw;
    return markcross(rows, platform, view, draw, stop);
}

MarkcrossResult markcross(std::vector<GaRow>& rows, Platform& platform, GenerationView& view, PairingDraw& draw,
                          StopCheck* stop) {
    MarkcrossResult result;
    for (size_t i = 0; i < rows.size(); ++i) rows[i].recno = static_cast<long long>(i) + 1;
    std::erase_if(rows, [](const GaRow& row) { return !row.nueva; });

    const long bound = 10 * static_cast<long>(rows.size()) + 10;
    long passes = 0;
    long long r1 = 0, r2 = 0;
    std::vector<RowTexts> texts;
    texts.reserve(rows.size());
    for (const GaRow& row : rows) texts.push_back(row_texts(row));
    std::vector<size_t> unpaired;
    for (;;) {
        view.listing(pairing_lines(rows, texts));
        if (stop_seen(stop)) return result;
        if (!any_unpaired(rows)) {
            view.progress(kNoUnpairedRow);
            break;
        }
        ++passes;
        if (passes % bound == 0) {
            const std::string question = kPairingQuestionStart + format_short(static_cast<double>(passes)) +
                                         kPairingQuestionEnd;
            if (platform.question(question, kPairingQuestionTitle, Icon::Question, Answer::Yes) == Answer::Yes) {
                throw EndProgram{0};
            }
        }
        result.borrar2.clear();
        unpaired.clear();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].crossover) continue;
            unpaired.push_back(i);
            result.borrar2.push_back(rows[i]);
        }
        view.listing(unpaired_lines(rows, texts, unpaired));

        const auto m = static_cast<long>(result.borrar2.size());
        if (m == 1) {
            // The first unpaired row is never drawn, so a last one left alone
            // would never be taken: it is paired with itself.
            r1 = r2 = result.borrar2.front().recno;
        } else {
            const long a = draw.moves(m, platform);
            if (a >= 0 && a < m) r1 = result.borrar2[static_cast<size_t>(a)].recno;
            const long b = draw.moves(m, platform);
            if (b >= 0 && b < m) r2 = result.borrar2[static_cast<size_t>(b)].recno;
        }

        std::optional<size_t> current = find_recno(rows, r1, true);
        if (current) {
            rows[*current].crossover = r2;
        } else {
            if (!any_unpaired(rows)) break;
            platform.message(kCrossR1Missing, kMissingTitle, Icon::Critical);
        }
        if (r2 != r1) {
            std::optional<size_t> partner = find_recno(rows, r2, true);
            if (partner) {
                current = partner;
            } else {
                platform.message(kCrossR2Missing, kMissingTitle, Icon::Critical);
            }
            if (current) rows[*current].crossover = r1;
        }
    }

    for (size_t i = 0; i < rows.size(); ++i) {
        if (stop_seen(stop)) return result;
        const long long r = rows[i].recno;
        const std::string s1 = rows[i].cadena;
        const long long q = rows[i].crossover.value_or(0);
        std::string s2;
        if (std::optional<size_t> partner = find_recno(rows, q, false)) {
            s2 = rows[*partner].cadena;
        } else {
            platform.message(kPartnerMissing + recno_criteria(q));
        }
        crossover(rows, 1, r, s1, q, s2, platform);
    }

    view.progress(kFinMarkcross);
    view.listing(markcross_end_lines(rows));
    return result;
}

void crossover(std::vector<GaRow>& rows, double p, long long r1, const std::string& s1, long long r2,
               const std::string& s2, Platform& platform) {
    if (p == 0) p = 1;
    const double t = std::floor(10 * platform.random());
    if (t < 1 - p) return;

    const std::string_view first = trim(s1);
    const std::string_view second = trim(s2);
    const auto l1 = static_cast<long>(first.size());
    const auto l2 = static_cast<long>(second.size());
    std::optional<size_t> row1 = find_recno(rows, r1, false);
    if (l1 <= 1) {
        // No cut point: the offspring are the parents.
        if (row1) rows[*row1].nueva = s1;
        if (std::optional<size_t> row2 = find_recno(rows, r2, false)) rows[*row2].nueva = s2;
        return;
    }
    long c = 0;
    for (int failed = 0;;) {
        c = static_cast<long>(std::floor(static_cast<double>(l1) * platform.random()));
        if (c > 0) break;
        if (++failed > kQuietCutDraws) platform.message(s1 + "\r" + format_short(static_cast<double>(c)));
    }
    if (!row1) platform.message(std::string(kCrossoverMissing) + "\r" + recno_criteria(r1));
    std::string offspring1 = std::string(first.substr(0, static_cast<size_t>(c)));
    offspring1 += mid(second, c + 1, l1);
    offspring1 = mutar(offspring1, kMutationProbability, platform);
    if (row1) rows[*row1].nueva = offspring1;

    std::string offspring2 = std::string(second.substr(0, std::min(second.size(), static_cast<size_t>(c))));
    offspring2 += mid(first, c + 1, l2);
    if (std::optional<size_t> row2 = find_recno(rows, r2, false)) rows[*row2].nueva = offspring2;
}

Representative representative(const std::vector<GaRow>& rows) {
    Representative best;
    for (const GaRow& row : rows) {
        if (row.decimal > best.decimal) best = {row.decimal, row.cadena};
    }
    return best;
}

}  // namespace vorn::ga
