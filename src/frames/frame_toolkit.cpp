#include "frames/frame_toolkit.h"

#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/report_window.h"

namespace vorn::frames {

namespace {
constexpr const char* kNoSuchFrame = "No existe trama ";
constexpr const char* kMissingElement = "Falta el valor del elemento";
constexpr const char* kMissingOfFrame = " de la trama";
constexpr const char* kNothingAdded = "\rNo se agrego ninguna trama";
constexpr const char* kShortFrame = "La trama ";
constexpr const char* kShortFrameNeeds = " tiene menos de ";
constexpr const char* kShortFrameElements = " elementos";
constexpr const char* kFrameHasPatternRow = "SELECT 1 FROM BPN WHERE capa = 1 AND columna = ? LIMIT 1";
}  // namespace

FrameToolkit::FrameToolkit(MainWindow& window, Platform& platform, workset::WorkingSet& frames,
                           ReportWindows& reports, std::function<void()> show_last_step)
    : w_(window),
      platform_(platform),
      frames_(frames),
      reports_(reports),
      show_last_step_(std::move(show_last_step)),
      store_(window, platform, frames) {}

void FrameToolkit::connect() {
    w_.Command33.set_handler([this] { ask_delete_all(); }, Access::Writes);
    w_.Command34.set_handler([this] { informacion(); });
    w_.Command47.set_handler([this] { insert_random_record(); }, Access::Writes);
    w_.Command32.set_handler([this] { trama_aleatoria(); }, Access::Writes);

    w_.Command22.set_handler([this] { ask_combine(Operator::Sum); }, Access::Writes);
    w_.Command21.set_handler([this] { ask_combine(Operator::Difference); }, Access::Writes);
    w_.Command19.set_handler([this] { ask_combine(Operator::Product); }, Access::Writes);
    w_.Command20.set_handler([this] { ask_combine(Operator::Quotient); }, Access::Writes);

    w_.Command26.set_handler([this] { ask_recode(Recoding::Binary); }, Access::Writes);
    w_.Command27.set_handler([this] { ask_recode(Recoding::Bipolar); }, Access::Writes);
    w_.Command28.set_handler([this] { ask_recode(Recoding::QuasiBinary); }, Access::Writes);
    w_.Command24.set_handler([this] { ask_recode(Recoding::Trend); }, Access::Writes);
    w_.Command25.set_handler([this] { ask_recode(Recoding::Sigmoid); }, Access::Writes);
    w_.Command29.set_handler([this] { ask_recode(Recoding::Tanh); }, Access::Writes);
    w_.Command23.set_handler([this] { ask_ratio(Ratio::Plain); }, Access::Writes);
    w_.Command39.set_handler([this] { ask_ratio(Ratio::Cumulative); }, Access::Writes);

    w_.Command18.set_handler([this] { ask_moving_average(); }, Access::Writes);
    w_.Command30.set_handler([this] { ask_partition(false); }, Access::Writes);
    w_.Command40.set_handler([this] { ask_partition(true); }, Access::Writes);

    w_.Command35.set_handler([this] { ask_normalize(false); }, Access::Writes);
    w_.Command36.set_handler([this] { ask_normalize(true); }, Access::Writes);
    w_.Command43.set_handler([this] { ask_sigma(); });
}

std::optional<int> FrameToolkit::ask_frame(std::string_view prompt, std::string_view title,
                                           std::string_view default_text) {
    std::optional<double> answer = ask_number(platform_, prompt, title, default_text);
    if (!answer) return std::nullopt;
    std::optional<int> frame = whole_frame(*answer);
    if (!frame) say_no_such_frame(*answer);
    return frame;
}

void FrameToolkit::say_no_such_frame(double t) { refuse(kNoSuchFrame + format_short(t)); }

void FrameToolkit::refuse(const std::string& text) {
    if (!quiet_refusals_) platform_.message(text);
}

bool FrameToolkit::long_enough(int t, int size) {
    if (frames_.frame_length(t) >= size) return true;
    refuse(kShortFrame + frame_text(t) + kShortFrameNeeds + frame_text(size) + kShortFrameElements);
    return false;
}

bool FrameToolkit::frame_in_table(int t) {
    return !store_.database().query_bound(kFrameHasPatternRow, {Value(std::int64_t{t})}).rows.empty();
}

void FrameToolkit::say_missing_element(int frame, int element) {
    platform_.message(kMissingElement + format_short(element) + kMissingOfFrame + format_short(frame) + kNothingAdded,
                      "", Icon::Exclamation);
}

void FrameToolkit::show_progress(const std::string& text) { reports_.get().set_caption(text); }

DataSource* FrameToolkit::source_by_number(int source) {
    switch (source) {
        case 1: return &w_.bpn();
        case 2: return &w_.pesos();
        case 3: return &w_.targets();
        case 4: return &w_.pasadas();
        default: return nullptr;
    }
}

}  // namespace vorn::frames
