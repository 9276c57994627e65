// The few mechanics every frame operation shares: reading BPN in the order
// of the BPN data source's cursor, numbering a derived frame, writing
// derived frames and recoding frames all-or-nothing, and the operand
// dialogs. The operations themselves only compute values; nothing here
// knows which operation is running.
//
// Invariant kept by every write here: a frame is written whole (its pattern
// rows with its target row) or not at all, and BPN never receives a value
// that is not a finite number (a null cell is written only where the
// caller passes a null on purpose).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workset/working_set.h"
#include "shell/record_store.h"

namespace vorn {
class MainWindow;
class Platform;
}  // namespace vorn

namespace vorn::frames {

// Bound of the working arrays: frame numbers and element indices 1..100.
constexpr long kMaxFrameNumber = workset::kMaxIndex;

// One BPN row as stored, in cursor order.
struct StoredRow {
    std::int64_t rowid = 0;
    Value capa;
    Value fila;
    Value columna;
    Value valor;
};

// One row of a derived frame, before it is written.
struct NewRow {
    int capa = 1;
    long fila = 1;
    long columna = 1;
    Value valor;
};

// The frame number in a name or criteria: "1", "-3", "2.5".
std::string frame_text(double number);

// True when two columna values name the same frame, as the cursor walks
// compare them (numbers by value, anything else by its text).
bool same_frame(const Value& a, const Value& b);

class FrameStore {
public:
    FrameStore(MainWindow& window, Platform& platform, workset::WorkingSet& frames);

    DataSource& bpn();
    Database& database();

    // Moves last on the BPN data source and reads its record count, as
    // every empty-table check does.
    long record_count();
    // The numbers in the frame-size (Text2) and frame-count (Text3) fields.
    double frame_size() const;
    double frame_count() const;

    // Refreshes the BPN data source and gives every row in its cursor order.
    std::vector<StoredRow> rows_in_cursor_order();
    // True when BPN holds a row of frame t.
    bool holds_frame(int t);
    // The largest columna in BPN (0 when none).
    long largest_frame_number();
    // The number the next derived frame takes: one past the frame-count
    // field, and past every frame number BPN already holds, so that a
    // derived frame never merges with a frame that has only a target row.
    long next_frame_number();

    // Says, when it is so, that frames up to `last` do not fit the working
    // arrays; true when they fit.
    bool fits(long last);

    // Appends rows, all carrying `nombre` (a text, or null), in one
    // savepoint. Returns false after a message when a value is not finite
    // or a frame number lies beyond the arrays; then nothing is written.
    // Refreshes BPN.
    bool append(const std::vector<NewRow>& rows, const Value& nombre);

    // Rewrites valor and nombre of every row `picks` selects, in one
    // savepoint; `code` gives the new valor from the row and its 1-based
    // position in the cursor. Returns false after a message when a new
    // value is not finite; then nothing changes. Refreshes BPN.
    bool recode(const std::function<bool(const StoredRow&)>& picks,
                const std::function<Value(const StoredRow&, long position)>& code, std::string_view nombre);

    // The target row of frame t found the way the operations find it: find
    // first on the BPN data source with "capa=10 and columna=" + t. Returns
    // nullopt when there is none; the Value may be null.
    std::optional<Value> find_target(long t);
    static std::string target_criteria(long t);

    // Refreshes BPN and reloads the working arrays and the size fields
    // (fijarEntradas, then fijarTarget). False when the loader refused.
    bool reload();

private:
    MainWindow& w_;
    Platform& platform_;
    workset::WorkingSet& frames_;
};

// The operand dialogs. Each answer is trimmed and read as a leading number
// (text that is no number reads 0); a cancel or an empty answer gives
// nullopt, and the operation does not run.
std::optional<double> ask_number(Platform& platform, std::string_view prompt, std::string_view title,
                                 std::string_view default_text);

// A count read from a dialog (periods, elements): the whole part, kept
// within a range no table can reach so that it converts safely.
int whole_count(double x);

// A frame number read from a dialog: nullopt when it is not a whole number
// (no frame is called 2.5). Huge numbers are cut to a bound the operations
// then correct or refuse as they do any number above the frame count.
std::optional<int> whole_frame(double x);

}  // namespace vorn::frames
