// The working set: the frames held in memory, as the last load of BPN left
// them, with their targets and lengths, and the fields that size them
// (Text2 frame size, Text3 frame count). The network trains and executes on
// it; the frame operations read it to compute derived frames.
//
// Frame t exists when BPN had a pattern row (capa 1) of column t; its
// length is its largest fila. Cells past a frame's length, and every cell
// of a frame that does not exist, read as empty, never as leftovers of an
// earlier table. A refused table leaves the set exactly as it was.
#pragma once

#include <initializer_list>
#include <vector>

#include "workset/cell.h"
#include "workset/limits.h"
#include "workset/table_rows.h"

namespace vorn {
class MainWindow;
class Platform;
}  // namespace vorn

namespace vorn::workset {

class WorkingSet {
public:
    WorkingSet(MainWindow& window, Platform& platform);

    // The loaders of BPN: fijarEntradas also corrects the frame-size and
    // frame-count fields. Each says what it found (see Load).
    Load fijarEntradas();
    Load fijarTarget();
    // The same on rows already read.
    Load load_inputs(const std::vector<TableRow>& rows);
    Load load_targets(const std::vector<TableRow>& rows);

    // False, after naming the first row, when BPN holds a frame or target
    // value that is not a finite number, for operations that compute on
    // the table without loading it.
    bool frames_are_finite();

    // entradas(i, n): element i of frame n as loaded; empty outside the
    // bounds and past the frame's length.
    Cell entrada(int i, int n) const;
    Cell target(int n) const;
    bool frame_exists(int n) const;
    int frame_length(int n) const;

    // True when every named field fits the arrays; otherwise says which
    // does not (for operations that walk the arrays by those fields).
    bool fields_fit(std::initializer_list<BoundedField> fields);

private:
    static constexpr int kSide = kMaxIndex + 1;
    // Which frames the rows hold and how long each is; every input cell
    // starts empty again.
    void record_frames(const std::vector<TableRow>& rows);

    MainWindow& w_;
    Platform& platform_;
    // entradas(i, n) at [i * kSide + n].
    std::vector<Cell> entradas_ = std::vector<Cell>(kSide * kSide);
    std::vector<Cell> targets_ = std::vector<Cell>(kSide);
    // -1 when the last load found no pattern row of frame n.
    std::vector<int> frame_length_ = std::vector<int>(kSide, -1);
};

}  // namespace vorn::workset
