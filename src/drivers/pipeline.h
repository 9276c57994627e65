// The dataset pipeline: "Merval" (the index's frames appended to BPN), and
// generartrama, one step of building a data set from the market tables: a
// source frame when BPN is empty, then one frame operation drawn at random
// from one table, described line by line and written to "last.csv".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "frames/frame_primitives.h"

namespace vorn {
class MainWindow;
class Platform;
namespace workset {
class WorkingSet;
}
namespace frames {
class FrameToolkit;
}
namespace exchange {
class Listings;
class PatternFiles;
}  // namespace exchange
}  // namespace vorn

namespace vorn::drivers {

class DatasetPipeline {
public:
    DatasetPipeline(MainWindow& window, Platform& platform, workset::WorkingSet& frames,
                    frames::FrameToolkit& toolkit, exchange::Listings& listings, exchange::PatternFiles& files);
    // Gives "Merval" (Command38) its handler.
    void connect();

    // "Merval": the index's frames appended after those BPN holds, the
    // last row becoming a target.
    void merval();
    // One step of the pipeline on frames t1 and t2 (which the operations
    // may correct): a source frame from the set in Combo1 when BPN is
    // empty, then one of the operations drawn at random. Gives the step's
    // description, also written to "last.csv". Inside a step an operation
    // that would be refused is skipped without a word.
    std::string generartrama(int& t1, int& t2);

private:
    // What an operation of the table works with.
    struct Step {
        DatasetPipeline& p;
        int& t1;
        int& t2;
        std::string& description;
        // For the codings that take one: |mean of t1| cut to 2 decimals;
        // none when the frame has no mean (the coding is then skipped).
        std::optional<double> limit;
    };
    // One operation of the pipeline. Adding one to the table is all the
    // pipeline needs to draw it.
    struct Operation {
        const char* line;   // its description line, see operations()
        bool takes_limit;   // reads its limit from the mean of frame t1
        bool needs_frames;  // only described when BPN has no rows
        std::function<bool(Step&)> run;  // false ends the step
    };
    static const std::vector<Operation>& operations();

    void load_merval();
    // Applies operation `op` (1-based) and appends its line to the
    // description; false when the step must end there.
    bool apply_operation(int op, int& t1, int& t2, std::string& description);

    MainWindow& w_;
    Platform& platform_;
    frames::FrameToolkit& toolkit_;
    exchange::Listings& listings_;
    exchange::PatternFiles& files_;
    frames::FrameStore store_;
};

}  // namespace vorn::drivers
