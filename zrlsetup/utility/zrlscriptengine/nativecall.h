// The one machine-level piece of the engine: calling a code address with a
// list of 32-bit words as its stack arguments.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrl::script {

// Calls `address` with `words` as its arguments (first word at the lowest
// address) and returns the 32-bit return register. Works for callee-cleans
// (__stdcall) and caller-cleans (__cdecl) callees alike: the stack pointer is
// restored from a saved copy after the call, so a callee that removes more,
// fewer or no argument bytes cannot unbalance the caller's stack. Sixteen
// zero words follow the arguments, so a callee that expects a few more
// arguments than it got reads zeros instead of the caller's frame.
uint32_t CallWithWords(const void* address, const uint32_t* words, size_t count);

} // namespace zrl::script
