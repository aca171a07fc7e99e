// What a component shares with its look-up service: the database folder, the
// index (opened on first use) and the candidates of the last identification.
// The service may outlive the component, and callers use both from several
// threads, so the state is counted and locked.
#pragma once
#include "CddbDisc.h"
#include <mutex>
#include <string>

class CCddbSession {
public:
    explicit CCddbSession(std::wstring strFolder) : m_strFolder(std::move(strFolder)) {}

    // The index, built on first use; an empty one while the folder is missing.
    CDiscIndexPtr Index();
    // True while the database folder or archive can be read.
    bool DatabaseReadable();

    void SetCandidates(const CDiscIndexPtr& pIndex, std::vector<uint32_t> vecCandidates);
    // S_OK with no list when there are no candidates.
    HRESULT GetResultList(ICddbResultList** ppResults);

private:
    std::mutex m_lock;
    const std::wstring m_strFolder;
    CDiscIndexPtr m_pIndex;
    CDiscIndexPtr m_pCandidatesIndex;
    std::vector<uint32_t> m_vecCandidates;
};
