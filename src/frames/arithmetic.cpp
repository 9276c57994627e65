// Two-frame arithmetic: sum, difference, product and quotient of two
// frames, element by element, appended as a new frame with its own target.
#include "workset/working_set.h"
#include "frames/frame_toolkit.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"

namespace vorn::frames {

namespace {

// What tells the four members apart besides their operator.
struct Member {
    const char* prefix;
    const char* empty_table;
    const char* missing_target;
    const char* title;
    const char* first_prompt;
    const char* second_prompt;
};

// In the order of FrameToolkit::Operator: sum, difference, product,
// quotient.
constexpr Member kMembers[] = {
    {"+(", "No hay tramas en data1 para Sumar", "SUM No encontre el target de trama ", "Sumar Tramas",
     "Trama1 a Sumar", "Trama2 a Sumar"},
    {"-(", "No hay tramas en data1 para Restar", "REST No encontre el target de trama ", "Restar Tramas",
     "Trama1 a Restar", "Trama2 a Restar"},
    {"MULT(", "No hay tramas en data1 para Multiplicar", "MULT No encontre el target de trama ",
     "Multiplicar Tramas", "Trama1 a multiplicar", "Trama2 a multiplicar"},
    {"/(", "No hay tramas en data1 para Dividir", "DIV No encontre el target de trama ", "Dividir Tramas",
     "Trama1 a Dividir", "Trama2 a Dividir"},
};
constexpr const char* kSameFrameDivision = "Sub Redividir tramas mult1=mult2=";

}  // namespace

void FrameToolkit::sumartramas(int& t1, int& t2) { combine(Operator::Sum, t1, t2); }
void FrameToolkit::restartramas(int& t1, int& t2) { combine(Operator::Difference, t1, t2); }
void FrameToolkit::multiplicartramas(int& t1, int& t2) { combine(Operator::Product, t1, t2); }
void FrameToolkit::dividirtramas(int& t1, int& t2) { combine(Operator::Quotient, t1, t2); }

void FrameToolkit::combine(Operator op, int& t1, int& t2) {
    const Member& member = kMembers[static_cast<int>(op)];
    auto apply = [op](double a, double b) {
        switch (op) {
            case Operator::Sum: return a + b;
            case Operator::Difference: return a - b;
            case Operator::Product: return a * b;
            case Operator::Quotient: return a / b;
        }
        return a;
    };

    if (t1 == 0) t1 = 1;
    if (t2 == 0) t2 = 1;
    if (renumerartramas() == 0) return;
    if (store_.record_count() == 0) {
        platform_.message(member.empty_table);
        return;
    }
    int count = whole_count(store_.frame_count());
    if (t1 > count) t1 = count;
    if (t2 > count) t2 = count;
    for (int t : {t1, t2}) {
        if (t < 1) {
            say_no_such_frame(t);
            return;
        }
    }
    // Two numbers above the frame count name the same (last) frame: the
    // comparison is of the frames actually used.
    if (op == Operator::Quotient && t1 == t2) {
        if (upper(w_.Text9.text()) != "NO") platform_.note(kSameFrameDivision + format_short(t1));
        return;
    }
    if (op == Operator::Difference && t1 == t2) return;
    int size = whole_count(store_.frame_size());
    if (!long_enough(t1, size) || !long_enough(t2, size)) return;

    // Elements: a second element of 0 (or never loaded) keeps the first
    // one, so a division by zero keeps the first frame's element. A null on
    // either side, or nothing at all to keep, is a missing element.
    long frame = store_.next_frame_number();
    std::vector<NewRow> rows;
    for (int i = 1; i <= size; ++i) {
        workset::Cell a = frames_.entrada(i, t1);
        workset::Cell b = frames_.entrada(i, t2);
        bool keeps_first = b.number_or_zero() == 0;
        int missing = 0;
        if (b.is_null()) {
            missing = t2;
        } else if (keeps_first ? !a.is_number() : a.is_null()) {
            missing = t1;
        }
        if (missing != 0) {
            say_missing_element(missing, i);
            return;
        }
        double v = keeps_first ? a.value : apply(a.number_or_zero(), b.value);
        rows.push_back({1, i, frame, Value(v)});
    }

    // Target: the first operand's, combined with the second's unless that
    // one is 0. A missing first target counts 1, a missing second one makes
    // the target 0; a null target stays null.
    Value target;
    if (std::optional<Value> first = store_.find_target(t1)) {
        target = *first;
    } else {
        platform_.message(member.missing_target + format_short(t1));
        if (op == Operator::Product) platform_.message(FrameStore::target_criteria(t1));
        show_last_step_();
        target = Value(1.0);
    }
    if (std::optional<Value> second = store_.find_target(t2)) {
        if (!is_null(*second) && as_number(*second) != 0 && !is_null(target)) {
            target = Value(apply(as_number(target), as_number(*second)));
        }
    } else {
        platform_.message(member.missing_target + format_short(t2));
        show_last_step_();
        target = Value(0.0);
    }
    rows.push_back({10, 1, frame, target});

    std::string name = member.prefix + frame_text(t1) + "," + frame_text(t2) + ")";
    if (!store_.append(rows, Value(name))) return;
    store_.reload();
}

void FrameToolkit::ask_combine(Operator op) {
    const Member& member = kMembers[static_cast<int>(op)];
    std::optional<int> t1 = ask_frame(member.first_prompt, member.title, "1");
    if (!t1) return;
    std::optional<int> t2 = ask_frame(member.second_prompt, member.title, "2");
    if (!t2) return;
    combine(op, *t1, *t2);
}

}  // namespace vorn::frames
