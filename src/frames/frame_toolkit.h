// The frame toolkit: renumbering and deleting frames, two-frame arithmetic,
// single-frame conversions, moving average and partition, statistics and
// z-normalisation. Every operation works on BPN through the main window's
// first data source and keeps the frame-count field in step.
#pragma once

namespace vorn {
class MainWindow;
class Platform;
class ReportWindows;
namespace engine {
class Network;
}
namespace exchange {
class Listings;
class PatternFiles;
}  // namespace exchange
}  // namespace vorn

namespace vorn::frames {

class FrameToolkit {
public:
    FrameToolkit(MainWindow& window, Platform& platform, engine::Network& network, ReportWindows& reports,
                 exchange::Listings& listings, exchange::PatternFiles& files);
    void connect();

private:
    MainWindow& w_;
    Platform& platform_;
    engine::Network& network_;
    ReportWindows& reports_;
    exchange::Listings& listings_;
    exchange::PatternFiles& files_;
};

}  // namespace vorn::frames
