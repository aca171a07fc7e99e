#include "LookupWorker.h"
#include <new>

namespace {

int32_t Percent(int32_t visited, int32_t total)
{
    if (total <= 0)
        return 0;
    double percent = double(visited) / double(total) * 100.0;
    return percent < 0 ? 0 : percent > 100 ? 100 : int32_t(percent);
}

int32_t LookupOnce(const CMusicInfo& info, CTrackFound& found, platform::TextCode code)
{
    try {
        return info.LookupTrack(found, code);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

DWORD WINAPI LookupThread(LPVOID param)
{
    LookupJob& job = *static_cast<LookupJob*>(param);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    HWND control = GetParent(job.hViewWnd);
    const int32_t untaggedAtStart = job.nTotal - job.nTagged;
    int32_t visited = 0, updated = 0;
    SendMessageA(control, UM_STARTLOOKUP, 0, 0);
    bool stop = false;
    for (auto entry = job.pFiles->begin(); entry != job.pFiles->end() && !stop && !job.bCancel; ++entry) {
        CMusicInfo* info = entry->second.get();
        if (info && info->m_nFileType == 1) {
            ++visited;
            if (!info->m_bTagged) {
                // The record itself changes only on the window's thread, when
                // it takes in what was found: a host's call meanwhile (a save,
                // a refile) never meets it half filled in.
                CTrackFound found;
                int32_t result = LookupOnce(*info, found, job.code);
                while (result < 0 && !stop) {
                    job.bRetry = TRUE;
                    SendMessageA(control, UM_LOOKUPERROR, WPARAM(result), LPARAM(&job.bRetry));
                    if (job.bRetry && !job.bCancel)
                        result = LookupOnce(*info, found, job.code);
                    else
                        stop = true;
                }
                if (stop)
                    break; // no progress for the entry that ended the look-up
                if (result == 1) {
                    SendMessageA(job.hViewWnd, UM_TRACKUPDATED, WPARAM(info), LPARAM(&found));
                    job.bChanged = TRUE;
                    ++updated;
                }
            }
        }
        job.progress = {Percent(visited, job.nTotal), 0, 0, FALSE};
        SendMessageA(control, UM_LOOKUPPROGRESS, WPARAM(&job.progress), 0);
        stop = job.progress.bAbort != FALSE;
    }
    job.progress = {100, 0, 0, FALSE};
    SendMessageA(control, UM_LOOKUPPROGRESS, WPARAM(&job.progress), 0);
    job.counts.lTotal = untaggedAtStart;
    job.counts.lTagged = updated;
    SendMessageA(control, UM_ENDLOOKUP, WPARAM(&job.counts), 0);
    CoUninitialize();
    return 0;
}

} // namespace

HANDLE StartLookupWorker(LookupJob& job) { return CreateThread(nullptr, 0, LookupThread, &job, 0, nullptr); }

void PumpUntilEnded(HANDLE thread)
{
    bool quit = false;
    WPARAM quitCode = 0;
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (quit)
        PostQuitMessage(int(quitCode));
}

void CancelLookupWorker(LookupJob& job, HANDLE thread)
{
    job.bCancel = true;
    // Inside a message the worker waits on (a host closing the window in one
    // of the look-up's events): answer it first, or both would wait forever.
    if (InSendMessage())
        ReplyMessage(0);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE); // answers the worker's sends
    }
}
