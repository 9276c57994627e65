// The store phase of a long handler (a training, a GA run, an experiment).
//
// A long handler loads what it needs, ends its read transaction, computes
// with no transaction open, and then writes its result through
// store_result(): the write lock is taken with BEGIN IMMEDIATE (waiting the
// busy timeout for another program), write() runs and the transaction is
// committed before anything reports the result. While the database stays
// locked the user is asked whether to retry; declining, or five locked tries
// in one store phase, leaves every table as it was and says that the result
// was not stored.
#pragma once

#include <functional>
#include <initializer_list>

namespace vorn {

class Command;
class Database;
class Platform;

// Every operation that writes to the database asks this before it starts
// its work: on a database opened read-only it shows why the operation
// cannot run and returns true.
bool refuse_if_read_only(Database& db, Platform& platform);

// Gives each command's handler the read-only refusal in front of it, for
// the operations that write (set their handlers first).
void refuse_writing_when_read_only(Database& db, Platform& platform, std::initializer_list<Command*> commands);

// Ends the handler's read transaction so that no snapshot is held across
// the computation that follows.
void end_load_phase(Database& db);

// True when write() ran and was committed; false when the user declined or
// the lock outlasted every try (the tables are then as they were and the
// user was told). Engine failures other than a lock (a full disk, say) roll
// back, leave every table as it was and throw; a failed commit throws
// CommitError. write() runs inside a savepoint under the write lock: what
// it shows is not committed first, so it should show nothing. Called
// inside another store phase (or any savepoint), it joins that one.
bool store_result(Database& db, Platform& platform, const std::function<void()>& write);

}  // namespace vorn
