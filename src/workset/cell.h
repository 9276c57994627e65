// A cell of the working arrays and their bounds, shared by the network and
// the frame operations. Positions and frames run 0..100, hidden units 0..3.
#pragma once

namespace vorn::workset {

constexpr int kMaxIndex = 100;
constexpr int kMaxHidden = 3;

// A cell of a working array: never loaded (empty), loaded from a NULL
// (null), or a number. Sums and the kernel read empty and null as 0.
struct Cell {
    enum class Kind : unsigned char { Empty, Null, Number };
    Kind kind = Kind::Empty;
    double value = 0;

    static Cell number(double v) { return {Kind::Number, v}; }
    static Cell null() { return {Kind::Null, 0}; }

    bool is_number() const { return kind == Kind::Number; }
    bool is_null() const { return kind == Kind::Null; }
    bool is_empty() const { return kind == Kind::Empty; }
    double number_or_zero() const { return kind == Kind::Number ? value : 0.0; }
};

// 1 / (1 + e^-x), exactly 0 at x <= -20 and exactly 1 at x >= 20.
double sigmoide(double x);
// The same for a cell; an empty or null cell is set to 0 first, as the
// conversions that call it on a frame's value expect.
double sigmoide(Cell& x);

}  // namespace vorn::workset
