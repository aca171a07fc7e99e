// What the soak has done: counts of calls and events, the last calls made (for
// the report of a crash), and the report itself.
#pragma once
#include <cstdint>
#include <string>

namespace soak {

extern unsigned g_seed;
extern uint64_t g_calls;
extern uint64_t g_events;

// Notes one call (counted) or one step that is not a call (not counted).
void Note(const std::string& what, bool isCall = true);
// Prints the seed and the last calls to stderr and ends the process with code 3.
[[noreturn]] void Crash(const char* why);
// Reports faults that leave no exception (a damaged heap) and unhandled exceptions.
void InstallCrashReport();
// Every heap of the process checked; a damaged one is a crash.
void CheckHeaps();
// How many steps have been noted, and one of the last 32 by its number ("" when gone).
uint64_t NotedSoFar();
std::string NotedAt(uint64_t number);

} // namespace soak
