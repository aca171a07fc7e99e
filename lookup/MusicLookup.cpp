// The look-up of one record through the CDDB component. It runs on the lookup
// worker's thread with the pointers the view lent the record and changes
// nothing: the window's thread puts the answer into the record.
#include "catalogue/MusicInfo.h"
#include "CddbApi.h"
#include "framework/Module.h"
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

UINT CodePage(platform::TextCode code) { return code == platform::CODE_UTF8 ? CP_UTF8 : CP_ACP; }

// An out text of the component as 8-bit text; empty when the call failed. The
// text is freed either way.
std::string Text(HRESULT hr, BSTR& text, platform::TextCode code)
{
    std::string out = SUCCEEDED(hr) && text ? fw::ToText(text, int(SysStringLen(text)), CodePage(code)) : std::string();
    SysFreeString(text);
    text = nullptr;
    return out;
}

std::string TrimBlanks(const char* text)
{
    std::string s = text;
    size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The genre text without its parentheses, read as a decimal number: "(17)" is
// 17, "Rock" is 0.
int32_t GenreNumber(const std::string& text)
{
    std::string bare;
    for (char ch : text)
        if (ch != '(' && ch != ')')
            bare += ch;
    return int32_t(std::strtol(bare.c_str(), nullptr, 10)); // long is 32 bits here, clamped on overflow
}

// A look-up that stops before it has a disc counts as done only when it
// failed; a success code never reads as "filled in".
int32_t NothingDone(HRESULT hr) { return FAILED(hr) ? int32_t(hr) : 0; }

} // namespace

int32_t CMusicInfo::LookupTrack(CTrackFound& found, platform::TextCode code) const
{
    auto* service = static_cast<ICddbLookupService*>(m_pLookupService.Get());
    if (!service)
        return 2;
    BSTR path = fw::ToBstr(m_strPath.c_str(), CodePage(code));
    LONG track = 0;
    CObjectRef<ICddbDisc> disc;
    HRESULT hr = service->IdentifyFile(path, 0, &track, disc.Out());
    SysFreeString(path);
    if (FAILED(hr))
        return hr;
    auto* cddb = static_cast<ICddbComponent*>(m_pCddb);
    if (!cddb)
        return NothingDone(hr);
    if (!disc) { // no direct match: the first candidate, if any
        CObjectRef<ICddbResultList> results;
        hr = cddb->GetResultList(results.Out());
        if (SUCCEEDED(hr) && results) {
            hr = results->GetItem(1, disc.Out());
            if (FAILED(hr))
                disc.Reset();
        }
        if (!disc)
            return NothingDone(hr);
    }

    BSTR text = nullptr;
    std::string artist = Text(disc->GetArtist(&text), text, code);
    std::string album = Text(disc->GetAlbum(&text), text, code);
    std::string genre = Text(disc->GetGenre(&text), text, code);
    std::string title = m_strTitle.c_str(); // kept when no track gives one
    if (track > 0) {
        HRESULT got = disc->GetTrackTitle(track, &text);
        std::string named = Text(got, text, code);
        if (SUCCEEDED(got))
            title = named;
    } else {
        int32_t result = FindTitleInPath(disc.Get(), title, code);
        if (FAILED(result))
            return result; // the record stays as it was
    }
    found.strAlbum = TrimBlanks(album.c_str());
    found.strArtist = TrimBlanks(artist.c_str());
    found.strTitle = TrimBlanks(title.c_str());
    found.nGenre = GenreNumber(genre);
    return 1;
}

void CMusicInfo::TakeTrack(const CTrackFound& found)
{
    m_strAlbum = found.strAlbum;
    m_strArtist = found.strArtist;
    m_strTitle = found.strTitle;
    m_nGenre = found.nGenre;
    m_bTagged = 1;
}

// The track list and its count must come (a failure ends the look-up of this
// track); a track or title that cannot be read is passed over. An empty title
// is in every path.
int32_t CMusicInfo::FindTitleInPath(ICddbDisc* disc, std::string& found, platform::TextCode code) const
{
    CObjectRef<ICddbTrackList> tracks;
    HRESULT hr = disc->GetTracks(tracks.Out());
    if (FAILED(hr) || !tracks)
        return FAILED(hr) ? hr : E_POINTER;
    LONG count = 0;
    if (FAILED(hr = tracks->GetCount(&count)))
        return hr;
    for (LONG number = 1; number <= count; ++number) {
        hr = disc->GetTracks(tracks.Out());
        if (FAILED(hr) || !tracks)
            return FAILED(hr) ? hr : E_POINTER;
        CObjectRef<ICddbTrack> track;
        if (FAILED(tracks->GetTrack(number, track.Out())) || !track)
            continue;
        BSTR text = nullptr;
        HRESULT got = track->GetTitle(&text);
        std::string title = Text(got, text, code);
        if (SUCCEEDED(got) && std::strstr(m_strPath.c_str(), title.c_str())) {
            found = title;
            break;
        }
    }
    return S_OK;
}
