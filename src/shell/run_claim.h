// One long run at a time per database file, whichever program starts it.
//
// A run that rewrites shared tables for minutes (the genetic search, and
// every method or study that writes the same tables) holds a RunClaim for
// its whole length. A second claim on the same file, from another program
// or from another connection of this one, is refused at once instead of
// waiting. The claim is a flock() on the database's write-ahead log (why
// not on the database file itself: see run_claim.cpp), so the kernel drops
// it when the holder dies: a killed program never blocks the next run.
//
// Not reentrant: a run that starts another run on the same database lends
// it its claim rather than taking a second one.
#pragma once

namespace vorn {

class Database;

class RunClaim {
public:
    // Tries to claim db's file; held() says whether it succeeded. On a
    // file the claim cannot be taken on at all (a read-only database), it
    // counts as held: there is nothing to protect.
    explicit RunClaim(Database& db);
    ~RunClaim();
    RunClaim(const RunClaim&) = delete;
    RunClaim& operator=(const RunClaim&) = delete;

    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace vorn
