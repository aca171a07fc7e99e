#include "TestRuntime.h"

void ForEachRuntimeState(const std::function<void(const RuntimeState&)>& check)
{
    check({"the single-byte rules", false});
}
