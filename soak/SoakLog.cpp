#include "SoakLog.h"
#include <windows.h>
#include <cstdio>

namespace soak {

unsigned g_seed = 0;
uint64_t g_calls = 0;
uint64_t g_events = 0;

namespace {
const int kKept = 32;
std::string g_last[kKept];
uint64_t g_noted = 0;

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* info)
{
    char why[96];
    std::snprintf(why, sizeof why, "exception %08lx at %p", info->ExceptionRecord->ExceptionCode,
                  info->ExceptionRecord->ExceptionAddress);
    Crash(why);
}

// Codes that never pass as handled: heap corruption, a broken stack.
LONG WINAPI OnFatal(EXCEPTION_POINTERS* info)
{
    DWORD code = info->ExceptionRecord->ExceptionCode;
    if (code == 0xC0000374 || code == 0xC0000409 || code == EXCEPTION_STACK_OVERFLOW)
        OnUnhandled(info);
    return EXCEPTION_CONTINUE_SEARCH;
}
} // namespace

void Note(const std::string& what, bool isCall)
{
    static const bool trace = GetEnvironmentVariableA("TW_SOAK_TRACE", nullptr, 0) > 0;
    if (trace) { // every step as it starts, for a run that hangs
        std::fprintf(stderr, "%s\n", what.c_str());
        std::fflush(stderr);
    }
    g_last[g_noted++ % kKept] = what;
    if (isCall)
        ++g_calls;
}

void Crash(const char* why)
{
    std::fprintf(stderr, "soak: CRASH after %llu calls and %llu events: %s\nsoak: seed %u; the last calls:\n",
                 (unsigned long long)g_calls, (unsigned long long)g_events, why, g_seed);
    uint64_t first = g_noted > kKept ? g_noted - kKept : 0;
    for (uint64_t i = first; i < g_noted; ++i)
        std::fprintf(stderr, "  %s\n", g_last[i % kKept].c_str());
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) {
    }
}

void InstallCrashReport()
{
    SetUnhandledExceptionFilter(&OnUnhandled);
    AddVectoredExceptionHandler(1, &OnFatal);
}

void CheckHeaps()
{
    HANDLE heaps[64];
    DWORD n = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < n && i < 64; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr))
            Crash("a heap of the process is damaged");
}

uint64_t NotedSoFar() { return g_noted; }

std::string NotedAt(uint64_t number)
{
    return number < g_noted && number + kKept >= g_noted ? g_last[number % kKept] : std::string();
}

} // namespace soak
