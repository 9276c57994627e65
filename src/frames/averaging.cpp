// Moving average and partition: a smoothed copy of a frame, and a long
// frame cut into short frames, each a window of values with the value that
// follows them as its target.
#include <algorithm>

#include "workset/working_set.h"
#include "frames/frame_toolkit.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"

namespace vorn::frames {

namespace {

constexpr const char* kNoFramesToAverage = "No hay tramas en data1 para hacer Moving Average";
constexpr const char* kAverageTitle = "Crear Trama de moving Average";
constexpr const char* kAverageFramePrompt = "Numero de la Trama a\r calcular el Moving Average";
constexpr const char* kAverageFrameDefault = "1";
constexpr const char* kAveragePeriodsPrompt = "Numero de periodos\r calcular el Moving Average";
constexpr const char* kAveragePeriodsDefault = "3";

constexpr const char* kNoFramesToPartition = "No hay tramas en data1 para hacer Particion";
constexpr const char* kPartitionTitle = "Particionar Trama";
constexpr const char* kPartitionPrompt = "Trama a Particionar";
constexpr const char* kPartitionDefault = "1";
// The second box of the partition borrows the moving average's title.
constexpr const char* kPartitionSizeTitle = "Crear Trama de moving Average";
constexpr const char* kPartitionSizePrompt = "Cantidad de Elementos de la Trama\r calcular la Cantidad de Elementos";
constexpr const char* kPartitionSizeDefault = "10";

constexpr const char* kPartitionTooNarrow = "La particion necesita al menos 2 elementos";
constexpr const char* kReverseFrames = "UPDATE BPN SET columna = abs(? - columna) + 1";

}  // namespace

void FrameToolkit::movingaverage(int t, int k) {
    if (renumerartramas() == 0) return;
    if (store_.record_count() == 0) {
        platform_.message(kNoFramesToAverage);
        return;
    }
    int count = whole_count(store_.frame_count());
    int size = whole_count(store_.frame_size());
    if (t > count) t = count;
    if (k > size) k = size;
    if (t < 1) {
        say_no_such_frame(t);
        return;
    }
    if (!long_enough(t, size)) return;

    // Element i is the mean of the k elements before it (itself excluded);
    // the first k elements have no k predecessors and are 0. With k <= 0
    // the frame is copied.
    long frame = store_.next_frame_number();
    std::vector<NewRow> rows;
    for (int i = 1; i <= size; ++i) {
        double v = 0;
        if (k <= 0) {
            workset::Cell cell = frames_.entrada(i, t);
            if (!cell.is_number()) {
                say_missing_element(t, i);
                return;
            }
            v = cell.value;
        } else if (i > k) {
            double sum = 0;
            for (int j = 1; j <= k; ++j) {
                workset::Cell cell = frames_.entrada(i - j, t);
                if (cell.is_null()) {
                    say_missing_element(t, i - j);
                    return;
                }
                sum += cell.number_or_zero();
            }
            v = sum / k;
        }
        rows.push_back({1, i, frame, Value(v)});
    }
    // The source's target, unchanged; none when the source has none.
    if (std::optional<Value> target = store_.find_target(t)) rows.push_back({10, 1, frame, *target});

    std::string name = "MAV" + frame_text(t) + "," + frame_text(k);
    if (!store_.append(rows, Value(name))) return;
    store_.reload();
}

bool FrameToolkit::particionartrama(int t, int n) {
    if (renumerartramas() == 0) return false;
    if (store_.record_count() == 0) {
        platform_.message(kNoFramesToPartition);
        return false;
    }
    int count = whole_count(store_.frame_count());
    int size = whole_count(store_.frame_size());
    if (n < 1) n = 1;
    if (n > size) n = size;
    if (t > count) t = count;
    if (t < 1) {
        say_no_such_frame(t);
        return false;
    }
    // A window of one element is a target with no pattern: a frame the
    // counts would miss.
    if (n < 2) {
        refuse(kPartitionTooNarrow);
        return false;
    }
    if (!long_enough(t, size)) return false;

    // Windows from the end of the series towards its start, without
    // overlap: each takes element i as its target and the n - 1 elements
    // before it, nearest first, as its pattern. A window that would run
    // past element 1 is not kept.
    std::string name = "PART+ " + frame_text(t) + "," + frame_text(n);
    long frame = store_.next_frame_number();
    std::vector<NewRow> rows;
    for (int i = size; i >= 1 && i - (n - 1) >= 1; i -= std::max(n, 1)) {
        workset::Cell target = frames_.entrada(i, t);
        if (!target.is_number()) {
            say_missing_element(t, i);
            return false;
        }
        rows.push_back({10, 1, frame, Value(target.value)});
        for (int j = 1; j <= n - 1; ++j) {
            workset::Cell cell = frames_.entrada(i - j, t);
            if (!cell.is_number()) {
                say_missing_element(t, i - j);
                return false;
            }
            rows.push_back({1, j, frame, Value(cell.value)});
        }
        ++frame;
    }
    if (!store_.append(rows, Value(name))) return false;
    store_.reload();
    return true;
}

void FrameToolkit::invertir_numeracion() {
    // The frame count is the largest frame number, so that a frame holding
    // only a target row is reversed with the others instead of landing on
    // one of them.
    long count = std::max<long>(whole_count(store_.frame_count()), store_.largest_frame_number());
    store_.database().execute_bound(kReverseFrames, {Value(std::int64_t{count})});
    // The working arrays follow the new numbering at once.
    store_.reload();
}

void FrameToolkit::ask_moving_average() {
    std::optional<int> t = ask_frame(kAverageFramePrompt, kAverageTitle, kAverageFrameDefault);
    if (!t) return;
    std::optional<double> k = ask_number(platform_, kAveragePeriodsPrompt, kAverageTitle, kAveragePeriodsDefault);
    if (!k) return;
    movingaverage(*t, whole_count(*k));
}

void FrameToolkit::ask_partition(bool then_reverse) {
    std::optional<int> t = ask_frame(kPartitionPrompt, kPartitionTitle, kPartitionDefault);
    if (!t) return;
    std::optional<double> n = ask_number(platform_, kPartitionSizePrompt, kPartitionSizeTitle, kPartitionSizeDefault);
    if (!n) return;
    if (particionartrama(*t, whole_count(*n)) && then_reverse) invertir_numeracion();
}

}  // namespace vorn::frames
