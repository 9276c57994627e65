// The parameter fields checked against the working arrays' bounds, and the
// loop counts the fields give. Every operation that walks an array by a
// field's number checks here first, so a field never sends an index past
// the arrays.
#pragma once

#include <initializer_list>

namespace vorn {
class MainWindow;
class Platform;
}  // namespace vorn

namespace vorn::workset {

enum class BoundedField {
    FrameSize,    // Text2, positions 1..100
    FrameCount,   // Text3, frames 1..100
    HiddenUnits,  // Text4, units 1..3
    InputUnits,   // Text4 read as the second index of pesosEntrada, 1..100
};

// How many times "for k = 1 to bound" runs: the whole part of the bound,
// none below 1.
int loop_count(double bound);

// Shows why and returns false when one of the fields asks for more than
// the arrays hold; true when all fit.
bool fields_within_arrays(const MainWindow& w, Platform& platform, std::initializer_list<BoundedField> fields);

}  // namespace vorn::workset
