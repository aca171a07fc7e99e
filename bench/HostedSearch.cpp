#include "HostedSearch.h"
#include "host/ControlClient.h"
#include "host/EventSink.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

class CAcceptAll : public CEventSink {
public:
    explicit CAcceptAll(LONG length) : m_lLength(length) {}
    int offered = 0;
    bool ended = false;
    void OnEvent(DISPID id, DISPPARAMS* dp) override
    {
        if (id == 1 && dp->cArgs == 5) {
            ++offered;
            *dp->rgvarg[0].pboolVal = VARIANT_TRUE;
            if (m_lLength >= 0)
                *dp->rgvarg[1].plVal = m_lLength;
        } else if (id == 3) {
            ended = true;
        }
    }

private:
    LONG m_lLength;
};

} // namespace

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

SearchRun HostedSearch(const std::string& folder, const std::vector<std::string>& patterns, LONG length,
                       const std::function<void(IDispatch*)>& configure)
{
    HWND frame = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND ax = nullptr;
    IDispatch* ctrl = HostByProgId(frame, 0, 0, 400, 300, &ax);
    CAcceptAll host(length);
    IConnectionPoint* cp = nullptr;
    DWORD cookie = 0;
    if (!ctrl || !AdviseEvents(ctrl, DIID_TarnwickEvents, &host, &cp, &cookie)) {
        std::fprintf(stderr, "bench: the control is not registered\n");
        std::exit(1);
    }
    if (configure)
        configure(ctrl);
    InvokeByName(ctrl, L"AddSearch", DISPATCH_METHOD,
                 {StrArg(folder), StringArrayArg(patterns), LongArg(long(patterns.size()))});

    SearchRun run;
    double start = Now();
    InvokeByName(ctrl, L"BeginSearch", DISPATCH_METHOD, {});
    MSG msg;
    while (!host.ended) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    run.seconds = Now() - start;
    run.offered = host.offered;
    run.counts = MusicCounts(ctrl);
    cp->Unadvise(cookie);
    cp->Release();
    ctrl->Release();
    DestroyWindow(frame);
    return run;
}
