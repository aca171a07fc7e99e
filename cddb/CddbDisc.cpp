#include "CddbDisc.h"
#include "CddbObject.h"
#include <new>

namespace {

// A text of the index as a new BSTR for the caller.
HRESULT GiveText(std::wstring_view text, BSTR* pbstrOut)
{
    if (!pbstrOut)
        return E_POINTER;
    *pbstrOut = SysAllocStringLen(text.data(), UINT(text.size()));
    return *pbstrOut ? S_OK : E_OUTOFMEMORY;
}

class CCddbTrack : public CCddbObject<ICddbTrack, IID_ICddbTrack> {
public:
    CCddbTrack(CDiscRecordPtr pDisc, LONG nTrack) : m_pDisc(std::move(pDisc)), m_nTrack(nTrack) {}
    STDMETHODIMP GetTitle(BSTR* pbstrTitle) override { return GiveText(m_pDisc->TrackTitle(m_nTrack), pbstrTitle); }

private:
    CDiscRecordPtr m_pDisc;
    LONG m_nTrack;
};

class CCddbTrackList : public CCddbObject<ICddbTrackList, IID_ICddbTrackList> {
public:
    explicit CCddbTrackList(CDiscRecordPtr pDisc) : m_pDisc(std::move(pDisc)) {}

    STDMETHODIMP GetCount(LONG* plCount) override
    {
        if (!plCount)
            return E_POINTER;
        *plCount = m_pDisc->TrackCount();
        return S_OK;
    }
    STDMETHODIMP GetTrack(LONG lTrack, ICddbTrack** ppTrack) override
    {
        if (!ppTrack)
            return E_POINTER;
        *ppTrack = nullptr;
        if (lTrack < 1 || lTrack > m_pDisc->TrackCount())
            return E_INVALIDARG;
        *ppTrack = new (std::nothrow) CCddbTrack(m_pDisc, lTrack);
        return *ppTrack ? S_OK : E_OUTOFMEMORY;
    }

private:
    CDiscRecordPtr m_pDisc;
};

class CCddbDisc : public CCddbObject<ICddbDisc, IID_ICddbDisc> {
public:
    explicit CCddbDisc(CDiscRecordPtr pDisc) : m_pDisc(std::move(pDisc)) {}

    STDMETHODIMP GetAlbum(BSTR* pbstrAlbum) override { return GiveText(m_pDisc->m_strAlbum, pbstrAlbum); }
    STDMETHODIMP GetArtist(BSTR* pbstrArtist) override { return GiveText(m_pDisc->m_strArtist, pbstrArtist); }
    STDMETHODIMP GetGenre(BSTR* pbstrGenre) override { return GiveText(m_pDisc->m_strGenre, pbstrGenre); }
    STDMETHODIMP GetTrackTitle(LONG lTrack, BSTR* pbstrTitle) override
    {
        if (!pbstrTitle)
            return E_POINTER;
        *pbstrTitle = nullptr;
        if (lTrack < 1 || lTrack > m_pDisc->TrackCount())
            return E_INVALIDARG;
        return GiveText(m_pDisc->TrackTitle(lTrack), pbstrTitle);
    }
    STDMETHODIMP GetTracks(ICddbTrackList** ppTracks) override
    {
        if (!ppTracks)
            return E_POINTER;
        *ppTracks = new (std::nothrow) CCddbTrackList(m_pDisc);
        return *ppTracks ? S_OK : E_OUTOFMEMORY;
    }

private:
    CDiscRecordPtr m_pDisc;
};

class CCddbResultList : public CCddbObject<ICddbResultList, IID_ICddbResultList> {
public:
    CCddbResultList(CDiscIndexPtr pIndex, std::vector<uint32_t> vecDiscs)
        : m_pIndex(std::move(pIndex)), m_vecDiscs(std::move(vecDiscs))
    {
    }
    STDMETHODIMP GetItem(LONG lItem, ICddbDisc** ppDisc) override
    {
        if (!ppDisc)
            return E_POINTER;
        *ppDisc = nullptr;
        if (lItem < 1 || size_t(lItem) > m_vecDiscs.size())
            return E_INVALIDARG;
        return CreateCddbDisc(m_pIndex, m_vecDiscs[size_t(lItem - 1)], ppDisc);
    }

private:
    CDiscIndexPtr m_pIndex;
    std::vector<uint32_t> m_vecDiscs;
};

} // namespace

HRESULT CreateCddbDisc(const CDiscIndexPtr& pIndex, uint32_t nDisc, ICddbDisc** ppDisc)
{
    if (!ppDisc)
        return E_POINTER;
    *ppDisc = nullptr;
    // A disc that a damaged index file cannot give.
    CDiscRecordPtr pDisc = pIndex->Disc(nDisc);
    if (!pDisc)
        return E_FAIL;
    *ppDisc = new (std::nothrow) CCddbDisc(std::move(pDisc));
    return *ppDisc ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateCddbResultList(const CDiscIndexPtr& pIndex, const std::vector<uint32_t>& vecDiscs,
                             ICddbResultList** ppResults)
{
    if (!ppResults)
        return E_POINTER;
    *ppResults = nullptr;
    try {
        *ppResults = new CCddbResultList(pIndex, vecDiscs);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
