#include "FolderTotal.h"
#include "FolderEntries.h"
#include "catalogue/Messages.h"
#include "catalogue/ScanMath.h"

namespace {

// A cross-thread send costs more than listing ten entries: polls go by the
// clock, not by the entry.
const DWORD kPollMs = 100;

class CTotalWalk {
public:
    CTotalWalk(uint32_t cluster, platform::TextCode code, HWND view)
        : m_nCluster(cluster), m_code(code), m_hView(view), m_nLastPoll(GetTickCount())
    {
    }

    // False once the view answered stop.
    bool Add(const std::string& folder, FolderTotal& total, bool root = false)
    {
        CFolderEntries entry(folder, m_code);
        if (!entry.Found())
            return true;
        total.bListed = total.bListed || root;
        do {
            if (GetTickCount() - m_nLastPoll >= kPollMs && Stopped())
                return false;
            if (entry.IsDots())
                continue;
            if (entry.IsFolder()) {
                if (!Add(folder + "\\" + entry.Name(), total))
                    return false;
                total.nBytes += m_nCluster;
            } else {
                total.nBytes += ClusterRound(entry.Size(), m_nCluster);
            }
        } while (entry.Next());
        return true;
    }

private:
    bool Stopped()
    {
        m_nLastPoll = GetTickCount();
        BOOL stop = FALSE;
        SendMessageA(m_hView, UM_QUERYABORT, WPARAM(&stop), 0);
        return stop != FALSE;
    }

    uint32_t m_nCluster;
    platform::TextCode m_code;
    HWND m_hView;
    DWORD m_nLastPoll;
};

} // namespace

FolderTotal TotalOfFolder(const std::string& root, uint32_t nClusterBytes, platform::TextCode code, HWND hViewWnd)
{
    FolderTotal total;
    total.bStopped = !CTotalWalk(nClusterBytes, code, hViewWnd).Add(root, total, true);
    return total;
}
