#include "CddbSession.h"

CDiscIndexPtr CCddbSession::Index()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_pIndex || !m_pIndex->FolderFound())
        m_pIndex = CDiscIndex::Open(m_strFolder);
    return m_pIndex;
}

bool CCddbSession::DatabaseReadable()
{
    if (m_strFolder.empty() || !Index()->FolderFound())
        return false;
    // The folder (or the archive, a file) may have gone since the index was built.
    return GetFileAttributesW(m_strFolder.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CCddbSession::SetCandidates(const CDiscIndexPtr& pIndex, std::vector<uint32_t> vecCandidates)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_pCandidatesIndex = pIndex;
    m_vecCandidates = std::move(vecCandidates);
}

HRESULT CCddbSession::GetResultList(ICddbResultList** ppResults)
{
    if (!ppResults)
        return E_POINTER;
    *ppResults = nullptr;
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_vecCandidates.empty())
        return S_OK;
    return CreateCddbResultList(m_pCandidatesIndex, m_vecCandidates, ppResults);
}
