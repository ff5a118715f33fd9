// Threads that keep pqstat.dll loaded while they run, so a caller may unload
// the DLL while a bounded wait has left a network call behind.
#pragma once

#include <functional>

namespace pqstat {

// Runs `body` on a new thread that holds its own reference on this DLL and
// drops it when the thread ends. False when the thread could not be created.
bool StartPinnedThread(std::function<void()> body);

} // namespace pqstat
