// Single-frame conversions: the in-place recodings (binary, bipolar,
// quasi-binary, trend, sigmoid, hyperbolic tangent) and the appending
// ratio conversions ("%" and "%Ac").
#include <cmath>

#include "workset/working_set.h"
#include "frames/frame_toolkit.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"

namespace vorn::frames {

namespace {

// An in-place recoding's name prefix and dialogs; the limit dialog is
// absent (null title) where the recoding takes no limit.
struct InPlace {
    const char* prefix;
    const char* title;
    const char* prompt;
    const char* limit_title;
    const char* limit_prompt;
    const char* limit_default;
};

constexpr InPlace kInPlace[] = {
    {"01(", "Convertir a Cadena Binaria 0/1", "Trama a Convertir a Cadena Binaria", "Limite para pasar de Categoria",
     "Limite", "0.99"},
    {"1-1(", "Convertir a Bipolar 1,-1", "Trama a Convertir a Bipolar", "Valor Limite para cada categoria", "Limite:",
     "0"},
    {",1,9(", "Convertir a CuasiBinario", "Trama a Convertir a CuasiBinario .9.1\r0=Todos",
     "Valor Limite para cada Categoria", "Limite", "1"},
    {"Tendencia(", "Convertir a Tendencia 1=+ 0=-", "Trama a Convertir a tendencia", nullptr, nullptr, nullptr},
    {"Sigm(", "Convertir a Sigmoide", "Trama a Convertir a Sigmoide", nullptr, nullptr, nullptr},
    {"TANH(", "Convertir a TanH", "Trama a Convertir a TanH", nullptr, nullptr, nullptr},
};
constexpr const char* kNothingToConvert = "No hay tramas en data1 para convertir";
constexpr const char* kFrameDefault = "1";

// An appending conversion's name prefix, messages and dialog.
struct Appending {
    const char* prefix;
    const char* empty_table;
    const char* frame_zero;
    const char* title;
    const char* prompt;
};

constexpr Appending kAppending[] = {
    {"%(", "No hay tramas en data1 para hacer Porcentaje", "Se pasó trama 0 a tramaaporcentaje",
     "Convertir a Porcentaje", "Trama a Convertir a Porcentaje"},
    {"%Acum(", "No hay tramas en data1 para hacer Porcentaje Acumulado",
     "Se paso trama 0 a tramaaporcentajeacumulado", "Convertir a Porcentaje Acumulado",
     "Trama a Convertir a Porcentaje Acumulado"},
};

// -1 at and below -10, 1 at and above 10, the hyperbolic tangent between.
double tangente(double x) {
    if (x <= -10) return -1;
    if (x >= 10) return 1;
    return (std::exp(x) - std::exp(-x)) / (std::exp(-x) + std::exp(x));
}

// Shows a progress figure in the status field while a conversion runs and
// gives the field its text back afterwards: later steps read that text.
class StatusProgress {
public:
    explicit StatusProgress(TextField& field) : field_(field), saved_(field.text()) {}
    ~StatusProgress() { field_.set_text(saved_); }
    void show(double percent) {
        field_.set_text(format_short(percent));
        field_.refresh();
    }

private:
    TextField& field_;
    std::string saved_;
};

}  // namespace

void FrameToolkit::binariodetrama(int t, double limite) { recode_frame(Recoding::Binary, t, limite); }
void FrameToolkit::bipolardetrama(int t, double limite) { recode_frame(Recoding::Bipolar, t, limite); }
void FrameToolkit::cuasibinariodetrama(int t, double limite) { recode_frame(Recoding::QuasiBinary, t, limite); }
void FrameToolkit::tendenciadetrama(int t) { recode_frame(Recoding::Trend, t, 0); }
void FrameToolkit::sigmoidedetrama(int t) { recode_frame(Recoding::Sigmoid, t, 0); }
void FrameToolkit::tanhdetrama(int t) { recode_frame(Recoding::Tanh, t, 0); }

void FrameToolkit::recode_frame(Recoding recoding, int t, double limite) {
    const InPlace& member = kInPlace[static_cast<int>(recoding)];
    if (store_.record_count() == 0) {
        platform_.message(kNothingToConvert);
        return;
    }
    bool every_frame = recoding == Recoding::QuasiBinary && t == 0;
    // The frame-count field is only as fresh as the last load: the table
    // itself says whether the frame exists.
    if (!every_frame && (t < 1 || !frame_in_table(t))) {
        say_no_such_frame(t);
        return;
    }
    // A null value is read as 0, as the network reads it.
    auto code = [recoding, limite](double x) {
        switch (recoding) {
            case Recoding::Binary: return x <= limite ? 0.0 : 1.0;
            case Recoding::Bipolar: return x <= limite ? -1.0 : 1.0;
            case Recoding::QuasiBinary: return x <= limite ? 0.1 : 0.9;
            case Recoding::Trend: return x > 0 ? 0.9 : 0.1;
            case Recoding::Sigmoid: return workset::sigmoide(x);
            case Recoding::Tanh: return tangente(x);
        }
        return x;
    };
    // Every row of the frame, its target row included.
    store_.recode([&](const StoredRow& row) { return every_frame || same_frame(row.columna, Value(std::int64_t{t})); },
                  [&](const StoredRow& row, long) { return Value(code(as_number(row.valor))); },
                  member.prefix + frame_text(t) + ")");
}

void FrameToolkit::ask_recode(Recoding recoding) {
    const InPlace& member = kInPlace[static_cast<int>(recoding)];
    std::optional<int> t = ask_frame(member.prompt, member.title, kFrameDefault);
    if (!t) return;
    double limite = 0;
    if (member.limit_title != nullptr) {
        std::optional<double> answer =
            ask_number(platform_, member.limit_prompt, member.limit_title, member.limit_default);
        if (!answer) return;
        limite = *answer;
    }
    recode_frame(recoding, *t, limite);
}

void FrameToolkit::tramaaporcentaje(int t) { ratio_frame(Ratio::Plain, t); }
void FrameToolkit::tramaaporcentajeacumulado(int t) { ratio_frame(Ratio::Cumulative, t); }

void FrameToolkit::ratio_frame(Ratio ratio, int t) {
    const Appending& member = kAppending[static_cast<int>(ratio)];
    if (renumerartramas() == 0) return;
    if (t == 0) {
        platform_.message(member.frame_zero);
        return;
    }
    long records = store_.record_count();
    int count = whole_count(store_.frame_count());
    if (t > count) t = count;
    if (records == 0) {
        platform_.message(member.empty_table);
        return;
    }
    if (t < 1) {
        say_no_such_frame(t);
        return;
    }
    int size = whole_count(store_.frame_size());
    if (!long_enough(t, size)) return;

    // Each element over the one before it; after a zero element the next
    // non-zero element becomes its own base. The cumulative form sums the
    // changes (ratio - 1).
    StatusProgress progress(w_.Text1);
    long frame = store_.next_frame_number();
    double p = frames_.entrada(1, t).number_or_zero();
    double sum = 0;
    std::vector<NewRow> rows;
    for (int i = 1; i <= size; ++i) {
        workset::Cell cell = frames_.entrada(i, t);
        if (cell.is_null()) {
            say_missing_element(t, i);
            return;
        }
        double x = cell.number_or_zero();
        if (p == 0 && x != 0) p = x;
        if (p == 0) p = 1;
        double r = x / p;
        p = x;
        sum += r - 1;
        rows.push_back({1, i, frame, Value(ratio == Ratio::Plain ? r : sum)});
        progress.show(100.0 * i / size);
    }

    // The target over the last element (kept as it is when that is 0); a
    // source without a target, or with a null one, gives a frame without.
    std::optional<Value> target = store_.find_target(t);
    if (target && !is_null(*target)) {
        double v = as_number(*target);
        double coded = ratio == Ratio::Plain ? (p != 0 ? v / p : v) : (p != 0 ? sum + v / p - 1 : sum);
        rows.push_back({10, 1, frame, Value(coded)});
    }
    if (!store_.append(rows, Value(member.prefix + frame_text(t) + ")"))) return;
    store_.reload();
}

void FrameToolkit::ask_ratio(Ratio ratio) {
    const Appending& member = kAppending[static_cast<int>(ratio)];
    std::optional<int> t = ask_frame(member.prompt, member.title, kFrameDefault);
    if (!t) return;
    ratio_frame(ratio, *t);
}

}  // namespace vorn::frames
