#include "FakeCddb.h"
#include "ControlHost.h"
#include "cddb/CddbObject.h"
#include "framework/ClassFactory.h"
#include "platform/PlatformText.h"

CFakeCddb g_cddb;

namespace {

LONG g_nAlive = 0;

// The fake keeps its texts in UTF-8.
std::string Text(BSTR text)
{
    return text ? platform::WideToUtf8(reinterpret_cast<const uint16_t*>(text), SysStringLen(text)) : std::string();
}

BSTR Out(const std::string& text)
{
    std::u16string wide = platform::Utf8ToWide(text);
    return SysAllocStringLen(reinterpret_cast<const wchar_t*>(wide.data()), UINT(wide.size()));
}

// Every fake object is a component object of the real kind, counted while it lives.
template <class I, const IID& Iid>
class TFake : public CCddbObject<I, Iid> {
public:
    TFake() { InterlockedIncrement(&g_nAlive); }
    ~TFake() override { InterlockedDecrement(&g_nAlive); }
};

// Hands out a new object unless the method fails or is to answer without one.
template <class T, class I>
HRESULT Give(const char* method, HRESULT hr, I** out, T* made)
{
    *out = nullptr;
    if (SUCCEEDED(hr) && !g_cddb.Empty(method))
        *out = made;
    else
        made->Release();
    return hr;
}

class CTrack : public TFake<ICddbTrack, IID_ICddbTrack> {
public:
    explicit CTrack(std::string title) : m_strTitle(std::move(title)) {}
    HRESULT STDMETHODCALLTYPE GetTitle(BSTR* title) override
    {
        HRESULT hr = g_cddb.Enter("GetTitle");
        *title = SUCCEEDED(hr) ? Out(m_strTitle) : nullptr;
        return hr;
    }

private:
    std::string m_strTitle;
};

class CTrackList : public TFake<ICddbTrackList, IID_ICddbTrackList> {
public:
    explicit CTrackList(std::vector<std::string> titles) : m_titles(std::move(titles)) {}
    HRESULT STDMETHODCALLTYPE GetCount(LONG* count) override
    {
        HRESULT hr = g_cddb.Enter("GetCount");
        *count = SUCCEEDED(hr) ? LONG(m_titles.size()) : 0;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetTrack(LONG number, ICddbTrack** track) override
    {
        HRESULT hr = g_cddb.Enter("GetTrack " + std::to_string(number));
        if (SUCCEEDED(hr) && (number < 1 || size_t(number) > m_titles.size()))
            hr = E_INVALIDARG;
        return Give("GetTrack", hr, track, new CTrack(SUCCEEDED(hr) ? m_titles[size_t(number - 1)] : ""));
    }

private:
    std::vector<std::string> m_titles;
};

class CDisc : public TFake<ICddbDisc, IID_ICddbDisc> {
public:
    explicit CDisc(FakeDisc disc) : m_disc(std::move(disc)) {}
    HRESULT STDMETHODCALLTYPE GetAlbum(BSTR* text) override { return Say("GetAlbum", m_disc.album, text); }
    HRESULT STDMETHODCALLTYPE GetArtist(BSTR* text) override { return Say("GetArtist", m_disc.artist, text); }
    HRESULT STDMETHODCALLTYPE GetGenre(BSTR* text) override { return Say("GetGenre", m_disc.genre, text); }
    HRESULT STDMETHODCALLTYPE GetTrackTitle(LONG number, BSTR* text) override
    {
        bool known = number >= 1 && size_t(number) <= m_disc.titles.size();
        HRESULT hr = g_cddb.Enter("GetTrackTitle " + std::to_string(number));
        *text = SUCCEEDED(hr) && known ? Out(m_disc.titles[size_t(number - 1)]) : nullptr;
        return SUCCEEDED(hr) && !known ? E_INVALIDARG : hr;
    }
    HRESULT STDMETHODCALLTYPE GetTracks(ICddbTrackList** tracks) override
    {
        return Give("GetTracks", g_cddb.Enter("GetTracks"), tracks, new CTrackList(m_disc.titles));
    }

private:
    static HRESULT Say(const char* method, const std::string& value, BSTR* text)
    {
        HRESULT hr = g_cddb.Enter(method);
        *text = SUCCEEDED(hr) ? Out(value) : nullptr;
        return hr;
    }
    FakeDisc m_disc;
};

CDisc* NewDisc(int index) { return new CDisc(g_cddb.discs.at(size_t(index))); }

class CResultList : public TFake<ICddbResultList, IID_ICddbResultList> {
public:
    explicit CResultList(int disc) : m_nDisc(disc) {}
    HRESULT STDMETHODCALLTYPE GetItem(LONG item, ICddbDisc** disc) override
    {
        HRESULT hr = g_cddb.Enter("GetItem " + std::to_string(item));
        if (FAILED(hr) || item != 1) {
            *disc = nullptr;
            return FAILED(hr) ? hr : E_INVALIDARG;
        }
        return Give("GetItem", hr, disc, NewDisc(m_nDisc));
    }

private:
    int m_nDisc;
};

class CLookupService : public TFake<ICddbLookupService, IID_ICddbLookupService> {
public:
    HRESULT STDMETHODCALLTYPE IdentifyFile(BSTR path, LONG flags, LONG* track, ICddbDisc** disc) override
    {
        std::string full = Text(path);
        std::string name = full.substr(full.find_last_of('\\') + 1);
        HRESULT hr = g_cddb.Enter("IdentifyFile " + name + (flags ? " flags" : ""));
        int index = -1;
        *track = 0;
        *disc = nullptr;
        if (SUCCEEDED(hr))
            hr = g_cddb.Identify(name, track, &index);
        if (SUCCEEDED(hr) && index >= 0)
            *disc = NewDisc(index);
        return hr;
    }
};

class COptions : public TFake<ICddbOptions, IID_ICddbOptions> {
public:
    HRESULT STDMETHODCALLTYPE SetProgressEvents(LONG value) override
    {
        return g_cddb.Enter("SetProgressEvents " + std::to_string(value));
    }
    HRESULT STDMETHODCALLTYPE SetLocalLookup(LONG value) override
    {
        return g_cddb.Enter("SetLocalLookup " + std::to_string(value));
    }
};

class CUserInfo : public TFake<ICddbUserInfo, IID_ICddbUserInfo> {
public:
    HRESULT STDMETHODCALLTYPE SetUserName(BSTR name) override { return g_cddb.Enter("SetUserName " + Text(name)); }
    HRESULT STDMETHODCALLTYPE SetPassword(BSTR word) override { return g_cddb.Enter("SetPassword " + Text(word)); }
};

using CRegistration = TFake<ICddbRegistration, IID_ICddbRegistration>;

class CComponent : public TFake<ICddbComponent, IID_ICddbComponent> {
public:
    HRESULT STDMETHODCALLTYPE GetRegistration(LONG flags, ICddbRegistration** registration) override
    {
        HRESULT hr = g_cddb.Enter("GetRegistration " + std::to_string(flags));
        *registration = SUCCEEDED(hr) && g_cddb.registered ? new CRegistration : nullptr;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE SetClientInfo(BSTR id, BSTR tag, BSTR version, BSTR reserved) override
    {
        return g_cddb.Enter("SetClientInfo " + Text(id) + "|" + Text(tag) + "|" + Text(version) + "|" +
                            Text(reserved));
    }
    HRESULT STDMETHODCALLTYPE GetUserInfo(ICddbUserInfo** info) override
    {
        return Give("GetUserInfo", g_cddb.Enter("GetUserInfo"), info, new CUserInfo);
    }
    HRESULT STDMETHODCALLTYPE RegisterUser(ICddbUserInfo* info) override
    {
        HRESULT hr = g_cddb.Enter(info ? "RegisterUser" : "RegisterUser null");
        if (SUCCEEDED(hr) && g_cddb.acceptUser)
            g_cddb.registered = true;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetOptions(ICddbOptions** options) override
    {
        return Give("GetOptions", g_cddb.Enter("GetOptions"), options, new COptions);
    }
    HRESULT STDMETHODCALLTYPE SetOptions(ICddbOptions* options) override
    {
        return g_cddb.Enter(options ? "SetOptions" : "SetOptions null");
    }
    HRESULT STDMETHODCALLTYPE GetResultList(ICddbResultList** results) override
    {
        HRESULT hr = g_cddb.Enter("GetResultList");
        int candidate = g_cddb.TakeCandidate();
        *results = nullptr;
        if (SUCCEEDED(hr) && candidate >= 0)
            return Give("GetResultList", hr, results, new CResultList(candidate));
        return hr;
    }
    HRESULT STDMETHODCALLTYPE SetWindow(LONG_PTR hwnd, LONG flags) override
    {
        return g_cddb.Enter(std::string("SetWindow ") + (IsWindow(HWND(hwnd)) ? "window " : "none ") +
                            std::to_string(flags));
    }
    HRESULT STDMETHODCALLTYPE GetLookupService(ICddbLookupService** service) override
    {
        return Give("GetLookupService", g_cddb.Enter("GetLookupService"), service, new CLookupService);
    }
    HRESULT STDMETHODCALLTYPE TestStatus(LONG flags) override
    {
        return g_cddb.Enter("TestStatus " + std::to_string(flags));
    }
};

HRESULT CreateComponent(REFIID riid, void** ppv)
{
    HRESULT hr = g_cddb.Enter("create");
    if (FAILED(hr))
        return hr;
    CComponent* component = new CComponent;
    hr = component->QueryInterface(riid, ppv);
    component->Release();
    return hr;
}

fw::CClassFactory g_factory(CreateComponent);

} // namespace

LONG FakeObjectsAlive() { return g_nAlive; }

bool CFakeCddb::Register()
{
    Forget();
    failing.clear();
    empty.clear();
    registered = false;
    acceptUser = true;
    discs.clear();
    answers.clear();
    m_nCandidate = -1;
    return SUCCEEDED(CoRegisterClassObject(CLSID_CddbComponent, &g_factory, CLSCTX_INPROC_SERVER,
                                           REGCLS_MULTIPLEUSE, &m_dwCookie));
}

void CFakeCddb::Revoke()
{
    if (m_dwCookie)
        CoRevokeClassObject(m_dwCookie);
    m_dwCookie = 0;
}

std::vector<std::string> CFakeCddb::Calls()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_calls;
}

int CFakeCddb::Count(const std::string& call)
{
    std::lock_guard<std::mutex> hold(m_lock);
    int n = 0;
    for (const std::string& c : m_calls)
        n += c.compare(0, call.size(), call) == 0;
    return n;
}

void CFakeCddb::Forget()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_calls.clear();
}

HRESULT CFakeCddb::Enter(const std::string& call)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_calls.push_back(call);
    auto fail = failing.find(call.substr(0, call.find(' ')));
    return fail == failing.end() ? S_OK : fail->second;
}

HRESULT CFakeCddb::Identify(const std::string& fileName, LONG* track, int* disc)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_nCandidate = -1;
    auto answer = answers.find(fileName);
    if (answer == answers.end())
        return S_OK;
    if (answer->second.failures > 0) {
        --answer->second.failures;
        return E_FAIL;
    }
    if (answer->second.candidate) {
        m_nCandidate = answer->second.disc;
        return S_OK;
    }
    *track = answer->second.track;
    *disc = answer->second.disc;
    return S_OK;
}

int CFakeCddb::TakeCandidate()
{
    std::lock_guard<std::mutex> hold(m_lock);
    int candidate = m_nCandidate;
    m_nCandidate = -1;
    return candidate;
}
