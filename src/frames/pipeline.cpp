// The dataset pipeline: "Merval", and generartrama, one step of building a
// data set from the market tables: a source frame when BPN is empty, then
// one toolkit operation drawn at random, described line by line.
#include <cmath>

#include "exchange/listings.h"
#include "exchange/pattern_files.h"
#include "frames/frame_toolkit.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/store_phase.h"

extern "C" {
#include <sqlite3.h>
}

namespace vorn::frames {

namespace {

// The index's frames follow the frames BPN holds: its column numbers are
// moved past the largest frame number there.
constexpr const char* kCopyMerval =
    "INSERT INTO BPN (capa, fila, columna, valor, nombre) "
    "SELECT capa, fila, columna + ?, valor, nombre FROM merval ORDER BY rowid";
constexpr const char* kLastRowIsTarget = "UPDATE BPN SET capa = 10 WHERE rowid = (SELECT max(rowid) FROM BPN)";
constexpr const char* kKeepFrame = "DELETE FROM bpn WHERE columna<>";

constexpr const char* kMervalSet2 = "% de Merval Set2";
constexpr const char* kSet3 = " Set3";
constexpr const char* kData1Vacio = "data1 vacio";
constexpr const char* kOjoOjo = "OjoOjo";
constexpr const char* kBeforePartition = "Estoy antes de particionartrama";
constexpr const char* kBorrarTodo = "Borrar Todo";
constexpr const char* kCase19 = "case 19 Merval";
constexpr const char* kFlatTitle = "Borrar trama de sigma = 0";
constexpr const char* kFlatQuestion = "Borro la trama?";
constexpr const char* kFlatSigma = "Sigma:";
constexpr const char* kFlatMean = "AVG";

constexpr int kOperations = 19;
// A frame whose deviation is at most this teaches the network nothing.
constexpr double kFlatDeviation = 0.01;
// Above this mean the sigmoid of every element is 0 or 1.
constexpr double kSigmoidMeanLimit = 20;

std::string n2s(long n) { return frame_text(static_cast<double>(n)); }

}  // namespace

void FrameToolkit::merval() {
    if (refuse_if_read_only(store_.database(), platform_)) return;
    load_merval();
}

void FrameToolkit::load_merval() {
    Database& db = store_.database();
    {
        Database::Savepoint all_or_nothing(db);
        const std::int64_t before = sqlite3_total_changes64(db.handle());
        db.execute_bound(kCopyMerval, {Value(std::int64_t{store_.largest_frame_number()})});
        // Only a row of the index becomes a target, never one of the user's.
        if (sqlite3_total_changes64(db.handle()) != before) db.execute_bound(kLastRowIsTarget, {});
        all_or_nothing.release();
    }
    store_.bpn().refresh();
    renumerartramas();
    informacion();
}

std::string FrameToolkit::generartrama(int& t1, int& t2) {
    struct Quiet {
        bool& flag;
        bool saved;
        explicit Quiet(bool& f) : flag(f), saved(f) { flag = true; }
        ~Quiet() { flag = saved; }
    } quiet(quiet_refusals_);

    std::string description = w_.Text1.text();
    w_.Text1.set_visible(true);
    informacion();

    if (store_.record_count() == 0) {
        const std::string& set = w_.Combo1.text();
        if (set == "Set1") {
            description = inserttrama(MarketTable::AccionesXmes, draw_record(w_.acciones().record_count()));
        } else if (set == "Set2") {
            load_merval();
            description = kMervalSet2;
            store_.database().execute(kKeepFrame + n2s(t1));
            store_.bpn().refresh();
            if (store_.bpn().record_count() == 0) {
                platform_.message(kData1Vacio);
                return "";
            }
            long count = store_.record_count();
            if (count == 0) {
                platform_.message(kOjoOjo);
                return "";
            }
            t2 = static_cast<int>(std::floor(platform_.random() * static_cast<double>(count) / 2));
            particionartrama(t1, t2);
            borrartrama(t1);
            description = "PART(" + description + n2s(t1) + "," + n2s(t2) + ")";
        } else if (set == "Set3") {
            description = inserttrama(MarketTable::Mercap, draw_record(w_.mercap().record_count())) + kSet3;
            w_.Text1.set_text(description);
            informacion();
        }
    }

    platform_.reseed();
    const int op = 1 + static_cast<int>(std::floor(platform_.random() * kOperations));
    if (!apply_operation(op, t1, t2, description)) {
        files_.write_last_csv(description);
        return description;
    }

    informacion();
    listings_.browse_bpn();

    // A frame that barely varies is taken out (after asking, when the user
    // wants to be asked).
    const std::string criteria = "where columna=" + n2s(t1);
    Value deviation = sigmacrit(1, "bpn", "valor", criteria);
    Value mean = promediodonde(1, "bpn", "valor", criteria);
    if (is_numeric(deviation) && std::fabs(as_number(deviation)) <= kFlatDeviation) {
        const double s = std::fabs(as_number(deviation));
        const double m = is_numeric(mean) ? std::fabs(as_number(mean)) : 0;
        Answer answer = Answer::Yes;
        if (w_.Text9.text() == "SI") {
            answer = platform_.question(std::string(kFlatQuestion) + "\r" + kFlatSigma + format_short(s) + "\r" +
                                            kFlatMean + format_short(m),
                                        kFlatTitle, Icon::Question);
        }
        if (answer == Answer::Yes) {
            borrartrama(t1);
            informacion();
            listings_.browse_bpn();
        }
    }

    files_.write_last_csv(description);
    return description;
}

bool FrameToolkit::apply_operation(int op, int& t1, int& t2, std::string& description) {
    const std::string a = n2s(t1);
    const std::string b = n2s(t2);
    std::string line;
    switch (op) {
        case 1: line = "MAV(" + a + "," + b + ")"; break;
        case 2: line = "PART-(" + a + "," + b + ")"; break;
        case 3: line = "PART+(" + a + "," + b + ")"; break;
        case 4: line = "/(" + a + "," + b + ")"; break;
        case 5: line = "-(" + a + "," + b + ")"; break;
        case 6: line = "+(" + a + "," + b + ")"; break;
        case 7: line = "*(" + a + "," + b + ")"; break;
        case 11: line = "%(" + a + ")"; break;
        case 12: line = "+-(" + a + ")"; break;
        case 13: line = "%Acum(" + a + ")"; break;
        case 14: line = "Sigm(z)(" + a + ")"; break;
        case 15: line = "Sigm(" + a + ")"; break;
        case 16: line = "Z(" + a + ")"; break;
        case 17: line = "Tanh(z)(" + a + ")"; break;
        case 18: line = "Borrar(" + a + ")"; break;
        case 19: line = kBorrarTodo; break;
        default: break;
    }

    // Every operation but the last two works on a frame: with none there,
    // the step only notes what it drew.
    const bool has_frames = store_.record_count() > 0;
    // The operations that take a limit read it from the frame's mean; a
    // frame without rows has none, and no limit is made up for it.
    Value mean;
    if (op >= 8 && op <= 10) {
        mean = has_frames ? promediodonde(1, "bpn", "valor", "where columna=" + a) : Value();
        const std::string limit =
            is_numeric(mean) ? frame_text(std::floor(std::fabs(as_number(mean)) * 100) / 100) : std::string("");
        const char* prefix = op == 8 ? "0,1(" : op == 9 ? "1,-1(" : "0.1,0.9(";
        line = prefix + a + "," + limit + ")";
    }
    description += "\r" + line;
    if (!has_frames && op != 19) return true;

    switch (op) {
        case 1: movingaverage(t1, t2); break;
        case 2:
            store_.database().execute(kKeepFrame + a);
            store_.bpn().refresh();
            if (store_.bpn().record_count() == 0) return false;
            platform_.message(kBeforePartition);
            particionartrama(t1, t2);
            break;
        case 3:
            if (particionartrama(t1, t2)) invertir_numeracion();
            break;
        case 4: dividirtramas(t1, t2); break;
        case 5: restartramas(t1, t2); break;
        case 6: sumartramas(t1, t2); break;
        case 7: multiplicartramas(t1, t2); break;
        case 8:
        case 9:
        case 10: {
            if (!is_numeric(mean)) break;
            const double limit = std::floor(std::fabs(as_number(mean)) * 100) / 100;
            if (op == 8) binariodetrama(t1, limit);
            if (op == 9) bipolardetrama(t1, limit);
            if (op == 10) cuasibinariodetrama(t1, limit);
            break;
        }
        case 11: tramaaporcentaje(t1); break;
        case 12: tendenciadetrama(t1); break;
        case 13: tramaaporcentajeacumulado(t1); break;
        case 14:
            normalizartrama(t1);
            sigmoidedetrama(t1);
            break;
        case 15: {
            Value m = promediodonde(1, "bpn", "valor", "where columna=" + a);
            if (is_numeric(m) && std::fabs(as_number(m)) < kSigmoidMeanLimit) sigmoidedetrama(t1);
            break;
        }
        case 16: normalizartrama(t1); break;
        case 17:
            normalizartrama(t1);
            tanhdetrama(t1);
            break;
        case 18: borrartrama(t1); break;
        case 19:
            borrartodas();
            load_merval();
            description = kCase19;
            break;
        default: break;
    }
    return true;
}

}  // namespace vorn::frames
