#include "workset/limits.h"

#include <cmath>
#include <string>

#include "workset/cell.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"

namespace vorn::workset {

namespace {

constexpr const char* kBeyondTitle = "Error";
constexpr const char* kBeyondFirst = " (";
constexpr const char* kBeyondSecond = ") dice ";
constexpr const char* kBeyondThird = ", pero la red admite como maximo ";
constexpr const char* kBeyondLast = ".\rCorrija el campo y vuelva a intentarlo.";

struct FieldBound {
    const TextField* field;
    const char* label;
    int max;
};

FieldBound bound_of(const MainWindow& w, BoundedField which) {
    switch (which) {
        case BoundedField::FrameSize: return {&w.Text2, "Tamaño de Tramas", kMaxIndex};
        case BoundedField::FrameCount: return {&w.Text3, "Numero de Tramas", kMaxIndex};
        case BoundedField::HiddenUnits: return {&w.Text4, "Numero de Unidades en capa oculta", kMaxHidden};
        case BoundedField::InputUnits: return {&w.Text4, "Numero de Unidades en capa oculta", kMaxIndex};
    }
    return {&w.Text2, "", kMaxIndex};
}

}  // namespace

int loop_count(double bound) {
    if (!(bound >= 1)) return 0;
    if (bound > 1e9) return 1000000000;
    return static_cast<int>(std::floor(bound));
}

bool fields_within_arrays(const MainWindow& w, Platform& platform, std::initializer_list<BoundedField> fields) {
    for (BoundedField which : fields) {
        FieldBound bound = bound_of(w, which);
        if (loop_count(parse_leading(bound.field->text())) <= bound.max) continue;
        platform.message(std::string(bound.label) + kBeyondFirst + bound.field->name() + kBeyondSecond +
                             bound.field->text() + kBeyondThird + format_int(bound.max) + kBeyondLast,
                         kBeyondTitle, Icon::Exclamation);
        return false;
    }
    return true;
}

}  // namespace vorn::workset
