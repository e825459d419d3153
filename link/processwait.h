#pragma once

#include <QtGlobal>

#include <optional>

// Waits, without a time limit, until the process with the given id has ended. Nothing else
// runs meanwhile. None when the process cannot be opened for waiting (no such process); else
// its exit status where the system gives it (to its parent only), -1 where it does not.
std::optional<int> WaitForProcessEnd(qint64 pid);
