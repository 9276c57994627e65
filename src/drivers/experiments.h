// The experiments and their log: an experiment builds a fresh data set with
// the dataset pipeline, gives the network new random weights, trains it and
// logs one row in PasadasBPN with its final error, and the training curve
// of that run in PasadasBPNCurva. Random experiments ("Command41", and a
// hundred of them after a purge of the log, "Command45"), coded ones from a
// 12-bit code ("Command44" and the experiment timer Timer1), the log listed
// by error ("BD4") with each line's curve on a double-click.
//
// An experiment is one unit. It computes its frames, weights and curve on
// working copies of BPN and BPNPESOS with no transaction open, and stores
// them with its log row (and, at start-up, the copies of the user's tables
// and their checksums) in one store phase at its end; "test.csv" and
// "last.csv" are put in place only after that commit. A kill, a full disk,
// a declined lock or a stop request leaves every table as it was before
// the experiment. A stop ends the experiment's training at the end of its
// pass and abandons the experiment whole.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/error_curve.h"
#include "engine/network.h"
#include "shell/session.h"

namespace vorn {
class Database;
class MainWindow;
class Platform;
class ReportWindows;
namespace frames {
class FrameToolkit;
}
namespace exchange {
class PatternFiles;
}
namespace drivers {
class DatasetPipeline;
}
}  // namespace vorn

namespace vorn::drivers {

using engine::HistoryWriter;
using engine::Network;
using engine::ThinnedHistory;

// The binary value of a text, most significant digit first, after trimming:
// the sum of digit x 2^(position from the right). A character that is not a
// digit counts 0.
long binario_a_decimal(std::string_view text);

class Experiments : public HistoryWriter {
public:
    // `files` receives the training history pass by pass ("test.csv");
    // the experiments keep a thinned copy for the curve they log.
    Experiments(MainWindow& window, Platform& platform, Network& network, frames::FrameToolkit& toolkit,
                DatasetPipeline& pipeline, ReportWindows& reports, exchange::PatternFiles& files);

    // Gives Command41, Command42, Command44, Command45 and Timer1 their
    // handlers, and the report list its double-click.
    void connect();

    // Where the experiment timer hands its bit string and result to the
    // genetic-algorithm window (creating it hidden when needed). Set by the
    // composition; without it the timer hands nothing.
    using GaHandOff = std::function<void(const std::string& bits, const std::string& result)>;
    void set_ga_hand_off(GaHandOff hand_off) { ga_hand_off_ = std::move(hand_off); }
    // Where the hundred report which experiment runs ("Experimento k de 100").
    void set_progress(std::function<void(const Progress&)> progress) { progress_ = std::move(progress); }

    // One random experiment (Command41); its logged error, nullopt when
    // nothing was logged (refused, not stored, or stopped).
    std::optional<double> experimento_aleatorio();
    // One experiment from a 12-character code; its logged error, nullopt
    // when nothing was logged.
    std::optional<double> experimento_codificado(std::string_view code);
    void probar_codigo();     // Command44
    void purgar_y_repetir();  // Command45
    void listar_pasadas();    // "BD4"
    // "Restaurar tramas anteriores": puts back the frames and weights the
    // last start-up experiment replaced, after a question whose default
    // is No.
    void restaurar_tramas_anteriores();
    void temporizador();      // Timer1
    // Draws in Consultas.Curva the curve of the experiment on line `index`
    // (0-based) of the "BD4" listing; nothing when the list shows another
    // listing now.
    void dibujar_curva(int index);

    void begin_history() override;
    void add_pass(double mean_error) override;
    void keep_history(bool weights_stored) override;
    void discard_history() override;

    // Wall time spent training inside experiments since the workbench
    // started, to tell the network's share of an experiment from the
    // pipeline's.
    std::chrono::steady_clock::duration training_time() const { return training_time_; }

private:
    struct Settings {
        bool random = false;
        std::string code;
    };
    std::optional<double> run_experiment(const Settings& settings, bool startup = false);
    // The frames of the experiment, built step by step on the working
    // copies; false when a stop request ended it.
    bool build_frames(const Settings& settings, std::string& description);
    // Tells that the experiment was abandoned and drops its files.
    void abandon();
    // Points the log data source back at PasadasBPN, after saying so, when
    // its first field is not numero.
    void check_log_source();
    // Inside the start-up experiment's store phase: copies the stored BPN
    // and BPNPESOS aside, each when it holds rows and differs from what the
    // last start-up left.
    void keep_user_tables();
    // Notes a checksum of both tables as the start-up experiment leaves them.
    void remember_startup_tables();

    MainWindow& w_;
    Platform& platform_;
    Network& network_;
    frames::FrameToolkit& toolkit_;
    DatasetPipeline& pipeline_;
    ReportWindows& reports_;
    exchange::PatternFiles& files_;
    std::function<void(const Progress&)> progress_;
    GaHandOff ga_hand_off_;

    // The per-pass errors of the last training run, thinned.
    ThinnedHistory history_;
    // Inside an experiment the history is kept only with the experiment:
    // whether the training asked to keep it.
    bool in_experiment_ = false;
    bool history_wanted_ = false;
    // The log rows behind the lines of the last "BD4" listing, valid while
    // the report list is still at list_revision_.
    std::vector<std::int64_t> listed_rows_;
    unsigned long long list_revision_ = 0;
    // The timer's first firing at start is the start-up experiment; a front
    // end that stops the timer first (--no-startup) cancels it.
    bool startup_pending_ = true;
    bool in_timer_ = false;
    std::chrono::steady_clock::duration training_time_{};
};

// The fitness of the "Red" strategy of the genetic search: the first 12
// bits of a chromosome are an experiment code, run as "Command44" runs one
// (frames and weights replaced, one log row), and the fitness is
// 1 / (error + 0.001). Each distinct code is run once per search run; a
// chromosome shorter than 12 bits has fitness 0, said once per run.
class RedFitness {
public:
    RedFitness(Experiments& experiments, Platform& platform);
    double operator()(const std::string& chromosome);
    // A new search run: codes are run again, and the short-chromosome
    // message may show again.
    void reset();
    // "Red=" followed by the code the chromosome stands for.
    static std::string describir(const std::string& chromosome);

private:
    Experiments& experiments_;
    Platform& platform_;
    std::map<std::string, double, std::less<>> fitness_of_code_;
    bool told_short_ = false;
};

}  // namespace vorn::drivers
