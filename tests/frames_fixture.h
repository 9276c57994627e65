// A workbench on an empty database with readers for the frames in BPN, for
// the frame toolkit's and the sample sets' tests.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/network.h"
#include "frames/frame_toolkit.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {

class FramesTest : public WorkbenchTest {
protected:
    frames::FrameToolkit& toolkit() { return bench->frame_toolkit(); }

    // The pattern values of frame n, by element.
    std::vector<double> values(int n) {
        std::vector<double> out;
        for (const auto& row : rows("SELECT valor FROM BPN WHERE capa=1 AND columna=" + std::to_string(n) +
                                    " ORDER BY fila")
                                   .rows) {
            out.push_back(as_number(row[0]));
        }
        return out;
    }
    // The target of frame n; nullopt when it has no target row.
    std::optional<double> target(int n) {
        auto result = rows("SELECT valor FROM BPN WHERE capa=10 AND columna=" + std::to_string(n)).rows;
        if (result.empty()) return std::nullopt;
        return as_number(result[0][0]);
    }
    std::string name(int n) {
        auto result = rows("SELECT DISTINCT nombre FROM BPN WHERE columna=" + std::to_string(n)).rows;
        return result.size() == 1 ? as_text(result[0][0]) : "<" + std::to_string(result.size()) + " nombres>";
    }
    long count(const std::string& where = "1=1") {
        return static_cast<long>(as_number(rows("SELECT count(*) FROM BPN WHERE " + where).rows[0][0]));
    }
    long frames() { return static_cast<long>(as_number(rows("SELECT count(DISTINCT columna) FROM BPN").rows[0][0])); }
    // Queues the answers of the next input boxes.
    void answer(std::initializer_list<std::optional<std::string>> answers) {
        for (const auto& a : answers) platform.inputs.push_back(a);
    }
    // Frames 1..n of the given values (each with a target when given), as
    // loaded by a click of "Info".
    void add_frames(const std::vector<std::vector<double>>& frames, const std::vector<std::optional<double>>& targets) {
        for (size_t f = 0; f < frames.size(); ++f) {
            add_frame(static_cast<int>(f) + 1, frames[f], f < targets.size() ? targets[f] : std::nullopt);
        }
        refresh_all();
        click(w().Command34);
    }
};

}  // namespace vorn::testing
