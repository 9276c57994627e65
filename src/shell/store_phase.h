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
class EngineError;
class Platform;

// Every operation that writes to the database asks this before it starts
// its work: on a database opened read-only it shows why the operation
// cannot run and returns true; otherwise it takes the write lock first
// (take_write_lock in session.h) and returns true when it was not taken.
bool refuse_if_read_only(Database& db, Platform& platform);

// Ends the handler's read transaction so that no snapshot is held across
// the computation that follows.
void end_load_phase(Database& db);

// What became of a result handed to store_result().
enum class StoreOutcome {
    Stored,    // write() ran and was committed (or joined an outer phase)
    Declined,  // the database was locked and the user chose not to retry
    Locked,    // the lock outlasted every try
};

// Runs write() under the write lock and commits it. On Declined or Locked
// every table is as it was and nothing was said: the caller tells the user
// (tell_not_stored) when it sees fit. Engine failures other than a lock (a
// full disk, say) roll back, leave every table as it was and throw; a
// failed commit throws CommitError. write() runs inside a savepoint under
// the write lock and must show nothing (no dialog is ever open while this
// program holds the write lock). Called inside another store phase (or any
// savepoint), it joins that one.
StoreOutcome store_result(Database& db, Platform& platform, const std::function<void()>& write);

// Whether an engine failure is another program's lock (worth a retry).
bool is_lock(const EngineError& error);

// After a try that met another program's lock, with nothing held: Retry,
// or why not (Declined by the user, or Locked when the tries are spent).
// Every wait for the write lock asks the same question and stops at the
// same count.
enum class LockRetry { Retry, Declined, Locked };
LockRetry after_locked_try(Platform& platform, int attempt);

// Says that a result was not stored because the database stayed locked.
void tell_not_stored(Platform& platform);

// store_result() followed, when the result was not stored, by
// tell_not_stored(): for callers with nothing else to say. True when stored.
bool store_or_tell(Database& db, Platform& platform, const std::function<void()>& write);

}  // namespace vorn
