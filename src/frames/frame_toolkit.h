// The frame toolkit: renumbering and deleting frames, two-frame arithmetic,
// single-frame conversions, moving average and partition, statistics and
// z-normalisation, inserting a frame from a market table, and the
// information command. Every operation works on BPN through the main
// window's first data source and keeps the frame-count field in step.
//
// Frame numbers are whole numbers. The operations correct or refuse an
// operand exactly where their dialogs' users expect it (0 becomes 1 for the
// arithmetic, a number above the frame count becomes the last frame for
// the appending operations); a negative operand never reaches the working
// arrays: it is refused with "No existe trama".
//
// Derived frames are written whole or not at all (see frame_primitives.h):
// a missing element or a result that is not a finite number is reported
// and leaves BPN as it was.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "frames/frame_primitives.h"
#include "shell/record_store.h"
#include "shell/scoped_flag.h"

namespace vorn {
class MainWindow;
class Platform;
class ReportWindows;
}  // namespace vorn

namespace vorn::frames {

// The two market tables inserttrama reads.
enum class MarketTable { AccionesXmes, Mercap };

class FrameToolkit {
public:
    // `show_last_step` shows the last pipeline step ("Ver last.csv"), as
    // the arithmetic does when an operand has no target.
    FrameToolkit(MainWindow& window, Platform& platform, workset::WorkingSet& frames, ReportWindows& reports,
                 std::function<void()> show_last_step);
    // Gives the toolkit's buttons their handlers.
    void connect();

    // Common operations.
    // Renumbers the frames 1..N, one number per run of rows with one
    // columna in cursor order; 1 when the table holds pattern rows (and
    // could be loaded), else 0.
    int renumerartramas();
    void borrartrama(int n);
    void borrartodas();
    // The average of a column through data source 1..4 (BPN, BPNPESOS,
    // BPNTargets, PasadasBPN); null for any other source or no rows.
    Value promedio(int source, std::string_view table, std::string_view column);
    Value promediodonde(int source, std::string_view table, std::string_view column, std::string_view criteria);

    // Two-frame arithmetic; the corrected operands are written back.
    void sumartramas(int& t1, int& t2);
    void restartramas(int& t1, int& t2);
    void multiplicartramas(int& t1, int& t2);
    void dividirtramas(int& t1, int& t2);

    // In-place conversions of frame t (cuasibinariodetrama: t = 0 means
    // every frame).
    void binariodetrama(int t, double limite);
    void bipolardetrama(int t, double limite);
    void cuasibinariodetrama(int t, double limite);
    void tendenciadetrama(int t);
    void sigmoidedetrama(int t);
    void tanhdetrama(int t);
    // Appending conversions.
    void tramaaporcentaje(int t);
    void tramaaporcentajeacumulado(int t);

    // Moving average of frame t over k periods, and the partition of frame
    // t into frames of n elements (true when it wrote its frames).
    void movingaverage(int t, int k);
    bool particionartrama(int t, int n);
    // Reverses the numbering of every frame ("PAR+" after the partition).
    void invertir_numeracion();

    // Sample standard deviation through a data source (1..3; sigmacrit also
    // 4): a number, null, or an error text.
    Value sigma(int source, std::string_view table, std::string_view column);
    Value sigmacrit(int source, std::string_view table, std::string_view column, std::string_view criteria);
    void normalizartrama(int t);

    // Appends record n of a market table as a new frame whose last value is
    // its target; gives the record's name.
    std::string inserttrama(MarketTable table, long n);
    // "Info": the parameter fields of an experiment, then the frames
    // detected.
    void informacion();
    // "Rnd": a frame of random values (and target) after the last one.
    void trama_aleatoria();

    // A record number 1..count, uniformly.
    long draw_record(long count);

    // While a pipeline step runs, an operation that would be refused is
    // skipped without a word: an unattended experiment must not stop at a
    // message box. Nested scopes keep the outer setting.
    class QuietRefusals {
    public:
        explicit QuietRefusals(FrameToolkit& toolkit) : quiet_(toolkit.quiet_refusals_) {}

    private:
        ScopedFlag quiet_;
    };

private:
    enum class Operator { Sum, Difference, Product, Quotient };
    enum class Recoding { Binary, Bipolar, QuasiBinary, Trend, Sigmoid, Tanh };
    enum class Ratio { Plain, Cumulative };

    void combine(Operator op, int& t1, int& t2);
    void recode_frame(Recoding recoding, int t, double limite);
    void ratio_frame(Ratio ratio, int t);
    // Reads the one value of a statement through data source 1..4;
    // nullopt for any other source.
    std::optional<Value> statistic(int source, const std::string& statement);

    // The dialogs the buttons open.
    void ask_combine(Operator op);
    void ask_recode(Recoding recoding);
    void ask_ratio(Ratio ratio);
    void ask_moving_average();
    void ask_partition(bool then_reverse);
    void ask_normalize(bool then_tanh);
    void ask_sigma();
    void ask_delete_all();
    void insert_random_record();

    // A frame number from an input box; nullopt when cancelled, or after
    // saying that the answer names no frame.
    std::optional<int> ask_frame(std::string_view prompt, std::string_view title, std::string_view default_text);
    // "No existe trama " + t.
    void say_no_such_frame(double t);
    // A refusal of an operand the operation cannot work on. Inside the
    // dataset pipeline refusals are silent: an unattended experiment skips
    // the operation instead of stopping at a message box.
    void refuse(const std::string& text);
    // True when frame t (loaded) holds at least `size` elements; otherwise
    // refuses with the frame's name and the size it needs.
    bool long_enough(int t, int size);
    // True when BPN holds a pattern row of frame t.
    bool frame_in_table(int t);
    // Says which element of which frame holds no value; the operation then
    // writes nothing.
    void say_missing_element(int frame, int element);
    void show_progress(const std::string& text);
    DataSource* source_by_number(int source);

    MainWindow& w_;
    Platform& platform_;
    workset::WorkingSet& frames_;
    ReportWindows& reports_;
    std::function<void()> show_last_step_;
    FrameStore store_;
    bool quiet_refusals_ = false;
};

}  // namespace vorn::frames
