// Record store speed: refreshing and walking a 1,000-row BPN, and 1,000
// add-new/update pairs inside one handler's transaction.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "shell/default_database.h"
#include "shell/record_store.h"

namespace {

using vorn::Database;
using vorn::DataSource;
using vorn::Value;

struct ScratchDb {
    ScratchDb() {
        std::random_device rd;
        path = std::filesystem::temp_directory_path() / ("vorn2-bench-" + std::to_string(rd()) + ".mdb");
        db = std::make_unique<Database>(path.string());
        db->execute_script(vorn::embedded_schema());
    }
    ~ScratchDb() {
        db.reset();
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + suffix);
    }
    std::filesystem::path path;
    std::unique_ptr<Database> db;
};

void fill_bpn(Database& db, int rows) {
    db.begin();
    for (int i = 0; i < rows; ++i) {
        db.execute_bound("INSERT INTO BPN VALUES (?,?,?,?,?)",
                         {Value(std::int64_t{1}), Value(std::int64_t{i % 100 + 1}), Value(std::int64_t{i / 100 + 1}),
                          Value(i * 0.5), Value(std::string("trama"))});
    }
    db.commit();
}

void BM_RefreshAndWalk1000(benchmark::State& state) {
    ScratchDb scratch;
    fill_bpn(*scratch.db, 1000);
    DataSource bpn(*scratch.db, "BPN");
    for (auto _ : state) {
        bpn.refresh();
        double sum = 0;
        for (bpn.move_first(); !bpn.eof(); bpn.move_next()) {
            sum += vorn::as_number(bpn.field("capa")) + vorn::as_number(bpn.field("fila")) +
                   vorn::as_number(bpn.field("columna")) + vorn::as_number(bpn.field("valor"));
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_RefreshAndWalk1000)->Unit(benchmark::kMillisecond);

void BM_AddNew1000InOneHandler(benchmark::State& state) {
    ScratchDb scratch;
    DataSource bpn(*scratch.db, "BPN");
    for (auto _ : state) {
        scratch.db->begin();
        scratch.db->execute("delete bpn.* from bpn");
        bpn.refresh();
        for (int i = 0; i < 1000; ++i) {
            bpn.add_new();
            bpn.set("capa", Value(std::int64_t{1}));
            bpn.set("fila", Value(std::int64_t{i % 100 + 1}));
            bpn.set("columna", Value(std::int64_t{i / 100 + 1}));
            bpn.set("valor", Value(i * 0.25));
            bpn.set("nombre", Value(std::string("MULT(1,2)")));
            bpn.update();
        }
        scratch.db->commit();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_AddNew1000InOneHandler)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
