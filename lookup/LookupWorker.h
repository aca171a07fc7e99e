// The track lookup's worker thread: it looks up every untagged MP3 of the
// catalogue through the CDDB component while the window thread keeps
// answering messages, and reports through blocking sends to the view and the
// control window.
#pragma once
#include "CddbApi.h"
#include "catalogue/Catalogue.h"
#include "catalogue/Messages.h"
#include <windows.h>
#include <atomic>

// What the lookup worker is handed. It lives in the frame of the call that
// runs the look-up, so the records the worker sends stay valid until the
// worker has ended, even when the window goes inside one of the look-up's
// events.
struct LookupJob {
    const CCatalogue::FileIndex* pFiles = nullptr;
    platform::TextCode code = platform::CODE_ANSI; // of the records' texts
    HWND hViewWnd = nullptr; // its parent, the control window, hears the progress
    int32_t nTotal = 0;      // MP3 records when the look-up began
    int32_t nTagged = 0;     // tagged MP3 records then
    BOOL bChanged = FALSE;   // set by the worker when it filled in any record
    std::atomic<bool> bCancel{false}; // the window is going: end after the entry in hand
    CObjectRef<ICddbComponent> pCddb; // counted copies for the run; none when not set up
    CObjectRef<ICddbLookupService> pService;
    ProgressRecord progress = {};
    CountsRecord counts = {};
    BOOL bRetry = TRUE;
};

// Starts the worker on the job; null when the thread cannot be made.
HANDLE StartLookupWorker(LookupJob& job);

// Dispatches every message of this thread until the worker has ended. The
// wait also wakes for messages that were already waiting when the look-up
// began. A quit message met meanwhile is posted again for the host's own loop.
void PumpUntilEnded(HANDLE thread);

// Asks the worker to end after the entry in hand and waits for it, answering
// its sends meanwhile.
void CancelLookupWorker(LookupJob& job, HANDLE thread);
