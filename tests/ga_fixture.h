// The genetic search with fixed draws, a small market table and the window
// opened as a user opens it.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ga/chromosome.h"
#include "ga/ga_window.h"
#include "ga/genetic_search.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {

// Queued draws first, then the platform's own stream.
class GaDrawPlatform : public ScriptedPlatform {
public:
    std::deque<double> draws;
    bool stop = false;
    double random() override {
        if (draws.empty()) return ScriptedPlatform::random();
        const double u = draws.front();
        draws.pop_front();
        return u;
    }
    // A stop asked for from the start, or at a chosen poll (stop_at_poll).
    bool stop_requested() override {
        const bool asked = ScriptedPlatform::stop_requested();
        return stop || asked;
    }
};

inline std::string bits(unsigned value, int width) {
    std::string out;
    for (int i = width - 1; i >= 0; --i) out.push_back((value >> i) & 1U ? '1' : '0');
    return out;
}

// A 40-bit rule: traded series, condition 1, connector, condition 2.
inline std::string rule(unsigned traded, unsigned left1, const char* op1, unsigned right1, const char* conn,
                        unsigned left2, const char* op2, unsigned right2) {
    return bits(traded, 6) + bits(left1, 6) + op1 + bits(right1, 6) + conn + bits(left2, 6) + op2 +
           bits(right2, 6) + "00";
}

inline constexpr const char* kGe = "010";
inline constexpr const char* kGt = "111";
inline constexpr const char* kLt = "110";
inline constexpr const char* kEq = "000";
inline constexpr const char* kNot = "00";
inline constexpr const char* kAnd = "01";
inline constexpr const char* kOr = "10";
inline constexpr const char* kEnd = "11";

// Four series whose months are easy to add by hand: "AAA" 1..12, "BBB"
// always 5, "CCC" 12..1 and a statistic row "AVG" of zeros.
inline void fill_market(Database& db, const std::string& table, const std::string& year) {
    auto add = [&](int numero, const std::string& nombre, auto month) {
        std::string sql = "INSERT INTO " + table + " VALUES (" + std::to_string(numero) + ", '" + nombre + " " +
                          year + "', 'x', " + year;
        for (int k = 1; k <= 12; ++k) sql += ", " + std::to_string(month(k));
        db.execute(sql + ")");
    };
    add(1, "AAA", [](int k) { return k; });
    add(2, "BBB", [](int) { return 5; });
    add(3, "CCC", [](int k) { return 13 - k; });
    add(4, "AVG", [](int) { return 0; });
}

class GaFixture : public ::testing::Test {
protected:
    void SetUp() override {
        set_decimal_separator('.');
        db = make_empty_database(dir.path() / "ga7.mdb");
        fill_market(*db, "AccionesXmes", "2018");
        fill_market(*db, "Mercap", "2019");
        bench = std::make_unique<Workbench>(*db, platform, dir.path());
    }
    void TearDown() override {
        bench.reset();
        db.reset();
    }
    ga::GeneticSearch& search() { return bench->genetic_search(); }
    // "GA" pressed and the window's start-up timer fired.
    ga::GaWindow& open() {
        bench->main().Command46.click();
        ga::GaWindow& w = search().window();
        bench->fire(w.Timer1);
        return w;
    }
    // The run's fields as a user types them, then the run's button.
    void start(ga::GaWindow& w, const std::string& strategy, const std::string& n, const std::string& l,
               const std::string& passes = "1") {
        w.Combo1.set_text(strategy);
        w.Text3.set_text(n);
        w.Text4.set_text(l);
        w.Text5.set_text(passes);
        w.GroupPush3D1.click();
    }
    QueryResult rows(const std::string& sql) { return db->query(sql); }
    long count(const std::string& table) {
        return static_cast<long>(as_number(rows("SELECT count(*) FROM " + table).rows[0][0]));
    }
    std::vector<std::string> texts() const { return platform.texts(); }

    TempDir dir;
    GaDrawPlatform platform;
    std::unique_ptr<Database> db;
    std::unique_ptr<Workbench> bench;
};

}  // namespace vorn::testing
