#pragma once

namespace tallwick {

// A request, for the whole process, that every statement running on a connection opened by
// OpenSqlite end at its next few steps with SQLite's "interrupted" error, and every statement
// after it until the request is cleared. This is how a runaway statement (a condition that never
// ends) is stopped: the engine checks the request while it works, so it acts even while no code
// of ours runs. Safe in a signal handler and from any thread.
void RequestStatementStop() noexcept;
void ClearStatementStop() noexcept;
bool StatementStopRequested() noexcept;

}  // namespace tallwick
