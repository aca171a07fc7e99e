// The states of the C runtime that change how it compares text: natively
// there is one; under Windows also double-byte code pages and a locale that
// folds accented letters.
#pragma once
#include <functional>
#include <string>

struct RuntimeState {
    std::string strName;
    bool bDoubleByte = false; // the runtime reads lead and trail bytes as one character
};

// Calls check in each state in turn and leaves the runtime as it found it.
void ForEachRuntimeState(const std::function<void(const RuntimeState&)>& check);
