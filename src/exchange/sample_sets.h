// Sample sets and snapshots: "Ex1" restores BPN, BPNPESOS and BPNTargets
// from their stored copies, "xor" loads the exclusive-or set, "2Data" saves
// the frames as a new table, "Rnd" appends a frame of random values.
#pragma once

namespace vorn {
class Database;
class MainWindow;
class Platform;
namespace engine {
class Network;
}
}  // namespace vorn

namespace vorn::exchange {

class SampleSets {
public:
    SampleSets(MainWindow& window, Platform& platform, Database& db, engine::Network& network);
    void connect();

private:
    MainWindow& w_;
    Platform& platform_;
    Database& db_;
    engine::Network& network_;
};

}  // namespace vorn::exchange
