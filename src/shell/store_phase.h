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

namespace vorn {

class Database;
class Platform;

// Every operation that writes to the database asks this before it starts
// its work: on a database opened read-only it shows why the operation
// cannot run and returns true.
bool refuse_if_read_only(Database& db, Platform& platform);

// Ends the handler's read transaction so that no snapshot is held across
// the computation that follows.
void end_load_phase(Database& db);

// True when write() ran and was committed; false when the user declined or
// the lock outlasted every try (the tables are then as they were and the
// user was told). Engine failures other than a lock roll back and throw.
bool store_result(Database& db, Platform& platform, const std::function<void()>& write);

}  // namespace vorn
