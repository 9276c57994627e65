#include "drivers/pipeline.h"

#include <cmath>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "exchange/listings.h"
#include "exchange/pattern_files.h"
#include "frames/frame_toolkit.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/store_phase.h"
#include "workset/working_set.h"

namespace vorn::drivers {

using frames::frame_text;

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

// A frame whose deviation is at most this teaches the network nothing.
constexpr double kFlatDeviation = 0.01;
// Above this mean the sigmoid of every element is 0 or 1.
constexpr double kSigmoidMeanLimit = 20;

std::string n2s(long n) { return frame_text(static_cast<double>(n)); }

}  // namespace

DatasetPipeline::DatasetPipeline(MainWindow& window, Platform& platform, workset::WorkingSet& frames,
                                 frames::FrameToolkit& toolkit, exchange::Listings& listings,
                                 exchange::PatternFiles& files)
    : w_(window),
      platform_(platform),
      toolkit_(toolkit),
      listings_(listings),
      files_(files),
      store_(window, platform, frames) {}

void DatasetPipeline::connect() {
    w_.Command38.set_handler([this] { merval(); }, Access::Writes);
}

void DatasetPipeline::merval() { load_merval(); }

void DatasetPipeline::load_merval() {
    Database& db = store_.database();
    {
        Database::Savepoint all_or_nothing(db);
        const std::int64_t before = db.change_stamp();
        db.execute_bound(kCopyMerval, {Value(std::int64_t{store_.largest_frame_number()})});
        // Only a row of the index becomes a target, never one of the user's.
        if (db.change_stamp() != before) db.execute_bound(kLastRowIsTarget, {});
        all_or_nothing.release();
    }
    store_.bpn().refresh();
    toolkit_.renumerartramas();
    toolkit_.informacion();
}

std::string DatasetPipeline::generartrama(int& t1, int& t2) {
    frames::FrameToolkit::QuietRefusals quiet(toolkit_);

    std::string description = w_.Text1.text();
    w_.Text1.set_visible(true);
    toolkit_.informacion();

    if (store_.record_count() == 0) {
        const std::string& set = w_.Combo1.text();
        if (set == "Set1") {
            description = toolkit_.inserttrama(frames::MarketTable::AccionesXmes, toolkit_.draw_record(w_.acciones().record_count()));
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
            toolkit_.particionartrama(t1, t2);
            toolkit_.borrartrama(t1);
            description = "PART(" + description + n2s(t1) + "," + n2s(t2) + ")";
        } else if (set == "Set3") {
            description = toolkit_.inserttrama(frames::MarketTable::Mercap, toolkit_.draw_record(w_.mercap().record_count())) + kSet3;
            w_.Text1.set_text(description);
            toolkit_.informacion();
        }
    }

    platform_.reseed();
    const int op = 1 + static_cast<int>(std::floor(platform_.random() * static_cast<double>(operations().size())));
    if (!apply_operation(op, t1, t2, description)) {
        files_.write_last_csv(description);
        return description;
    }

    toolkit_.informacion();
    listings_.browse_bpn();

    // A frame that barely varies is taken out (after asking, when the user
    // wants to be asked).
    const std::string criteria = "where columna=" + n2s(t1);
    Value deviation = toolkit_.sigmacrit(1, "bpn", "valor", criteria);
    Value mean = toolkit_.promediodonde(1, "bpn", "valor", criteria);
    if (is_numeric(deviation) && std::fabs(as_number(deviation)) <= kFlatDeviation) {
        const double s = std::fabs(as_number(deviation));
        const double m = is_numeric(mean) ? std::fabs(as_number(mean)) : 0;
        Answer answer = Answer::Yes;
        if (w_.Text9.text() == "SI") {
            answer = platform_.question(std::string(kFlatQuestion) + "\r" + kFlatSigma + format_short(s) + "\r" +
                                            kFlatMean + format_short(m),
                                        kFlatTitle, Icon::Question, Answer::Yes);
        }
        if (answer == Answer::Yes) {
            toolkit_.borrartrama(t1);
            toolkit_.informacion();
            listings_.browse_bpn();
        }
    }

    files_.write_last_csv(description);
    return description;
}

// The pipeline's operations, numbered from 1 in this order: the line each
// adds to the description ({a}, {b} the operands, {limite} the limit of
// the codings that take one) and what it does. An operation that needs
// frames is only described when BPN has none.
const std::vector<DatasetPipeline::Operation>& DatasetPipeline::operations() {
    static const std::vector<Operation> table = {
        {"MAV({a},{b})", false, true, [](Step& s) {
             s.p.toolkit_.movingaverage(s.t1, s.t2);
             return true;
         }},
        {"PART-({a},{b})", false, true,
         [](Step& s) {
             DatasetPipeline& p = s.p;
             p.store_.database().execute(kKeepFrame + n2s(s.t1));
             p.store_.bpn().refresh();
             if (p.store_.bpn().record_count() == 0) return false;
             p.platform_.note(kBeforePartition);
             p.toolkit_.particionartrama(s.t1, s.t2);
             return true;
         }},
        {"PART+({a},{b})", false, true,
         [](Step& s) {
             if (s.p.toolkit_.particionartrama(s.t1, s.t2)) s.p.toolkit_.invertir_numeracion();
             return true;
         }},
        {"/({a},{b})", false, true, [](Step& s) {
             s.p.toolkit_.dividirtramas(s.t1, s.t2);
             return true;
         }},
        {"-({a},{b})", false, true, [](Step& s) {
             s.p.toolkit_.restartramas(s.t1, s.t2);
             return true;
         }},
        {"+({a},{b})", false, true, [](Step& s) {
             s.p.toolkit_.sumartramas(s.t1, s.t2);
             return true;
         }},
        {"*({a},{b})", false, true, [](Step& s) {
             s.p.toolkit_.multiplicartramas(s.t1, s.t2);
             return true;
         }},
        {"0,1({a},{limite})", true, true,
         [](Step& s) {
             if (s.limit) s.p.toolkit_.binariodetrama(s.t1, *s.limit);
             return true;
         }},
        {"1,-1({a},{limite})", true, true,
         [](Step& s) {
             if (s.limit) s.p.toolkit_.bipolardetrama(s.t1, *s.limit);
             return true;
         }},
        {"0.1,0.9({a},{limite})", true, true,
         [](Step& s) {
             if (s.limit) s.p.toolkit_.cuasibinariodetrama(s.t1, *s.limit);
             return true;
         }},
        {"%({a})", false, true, [](Step& s) {
             s.p.toolkit_.tramaaporcentaje(s.t1);
             return true;
         }},
        {"+-({a})", false, true, [](Step& s) {
             s.p.toolkit_.tendenciadetrama(s.t1);
             return true;
         }},
        {"%Acum({a})", false, true, [](Step& s) {
             s.p.toolkit_.tramaaporcentajeacumulado(s.t1);
             return true;
         }},
        {"Sigm(z)({a})", false, true,
         [](Step& s) {
             s.p.toolkit_.normalizartrama(s.t1);
             s.p.toolkit_.sigmoidedetrama(s.t1);
             return true;
         }},
        {"Sigm({a})", false, true,
         [](Step& s) {
             Value m = s.p.toolkit_.promediodonde(1, "bpn", "valor", "where columna=" + n2s(s.t1));
             if (is_numeric(m) && std::fabs(as_number(m)) < kSigmoidMeanLimit) s.p.toolkit_.sigmoidedetrama(s.t1);
             return true;
         }},
        {"Z({a})", false, true, [](Step& s) {
             s.p.toolkit_.normalizartrama(s.t1);
             return true;
         }},
        {"Tanh(z)({a})", false, true,
         [](Step& s) {
             s.p.toolkit_.normalizartrama(s.t1);
             s.p.toolkit_.tanhdetrama(s.t1);
             return true;
         }},
        {"Borrar({a})", false, true, [](Step& s) {
             s.p.toolkit_.borrartrama(s.t1);
             return true;
         }},
        {kBorrarTodo, false, false,
         [](Step& s) {
             s.p.toolkit_.borrartodas();
             s.p.load_merval();
             s.description = kCase19;
             return true;
         }},
    };
    return table;
}

namespace {
// An operation's description line with {a}, {b} and {limite} replaced by
// the operands and the limit.
std::string fill_line(std::string line, const std::string& a, const std::string& b, const std::string& limite) {
    for (const auto& [key, value] : {std::pair<std::string_view, const std::string&>{"{a}", a}, {"{b}", b},
                                     {"{limite}", limite}}) {
        for (size_t at = line.find(key); at != std::string::npos; at = line.find(key, at + value.size()))
            line.replace(at, key.size(), value);
    }
    return line;
}
}  // namespace

bool DatasetPipeline::apply_operation(int op, int& t1, int& t2, std::string& description) {
    const Operation& operation = operations()[static_cast<size_t>(op - 1)];
    const std::string a = n2s(t1);
    // Every operation but the last two works on a frame: with none there,
    // the step only notes what it drew.
    const bool has_frames = store_.record_count() > 0;
    // The operations that take a limit read it from the frame's mean; a
    // frame without rows has none, and no limit is made up for it.
    std::optional<double> limit;
    if (operation.takes_limit && has_frames) {
        Value mean = toolkit_.promediodonde(1, "bpn", "valor", "where columna=" + a);
        if (is_numeric(mean)) limit = std::floor(std::fabs(as_number(mean)) * 100) / 100;
    }
    description += "\r" + fill_line(operation.line, a, n2s(t2), limit ? frame_text(*limit) : std::string());
    if (!has_frames && operation.needs_frames) return true;
    Step step{*this, t1, t2, description, limit};
    return operation.run(step);
}

}  // namespace vorn::drivers
