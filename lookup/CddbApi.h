// The CDDB component's interfaces as its callers see them. Every interface is a
// dispatch interface whose own operations sit at fixed function-table slots:
// slot 7 is the first after IUnknown (0-2) and IDispatch (3-6). Slots that no
// caller uses hold placeholders that take nothing and answer E_NOTIMPL, so the
// slots that matter stay where callers expect them. Never reorder, insert or
// remove a method: compiled callers address them by position.
//
// Texts pass as BSTRs; an out text belongs to the caller, who frees it with
// SysFreeString. Out objects come AddRef'ed and are released by the caller.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

// The component's class and interface identities, fixed for good.
inline constexpr CLSID CLSID_CddbComponent = {0xF4BAFF02, 0xF907, 0x11D2, {0x8F, 0x8F, 0x00, 0xC0, 0x4F, 0x4C, 0x3B, 0x9F}};
inline constexpr IID IID_ICddbComponent = {0xF4BAFF01, 0xF907, 0x11D2, {0x8F, 0x8F, 0x00, 0xC0, 0x4F, 0x4C, 0x3B, 0x9F}};
inline constexpr IID IID_ICddbDisc = {0xB0528CE3, 0xF67E, 0x11D2, {0x8F, 0x8E, 0x00, 0xC0, 0x4F, 0x4C, 0x3B, 0x9F}};
inline constexpr IID IID_ICddbTrackList = {0x8B67BD60, 0x1238, 0x11D3, {0x8F, 0x9D, 0x00, 0xC0, 0x4F, 0x4C, 0x3B, 0x9F}};
inline constexpr IID IID_ICddbOptions = {0x8C703D5F, 0x0EA6, 0x4EB2, {0xA0, 0x01, 0xFC, 0x78, 0x54, 0x2A, 0x79, 0xFE}};
inline constexpr IID IID_ICddbUserInfo = {0xD42D312D, 0x4C0F, 0x4586, {0xA1, 0x2D, 0xF6, 0x15, 0xAE, 0x38, 0xD2, 0x49}};
inline constexpr IID IID_ICddbRegistration = {0x5B93E238, 0xD713, 0x4E98, {0x99, 0xE2, 0x49, 0x09, 0xD0, 0x3F, 0x51, 0x29}};
inline constexpr IID IID_ICddbLookupService = {0xEB9F28AD, 0x7F81, 0x47A2, {0xAA, 0xEF, 0xD1, 0x92, 0xD2, 0x02, 0xF1, 0x94}};
inline constexpr IID IID_ICddbResultList = {0xE2972896, 0x0FBC, 0x494B, {0x9E, 0xBD, 0xEC, 0x3C, 0x9A, 0x11, 0x42, 0xF3}};
inline constexpr IID IID_ICddbTrack = {0x653F21D8, 0xC771, 0x426F, {0xB4, 0xD5, 0x55, 0xC2, 0x19, 0x30, 0xA6, 0xA3}};

// A slot no caller uses: no arguments, always E_NOTIMPL.
#define CDDB_UNUSED_SLOT(n) \
    virtual HRESULT STDMETHODCALLTYPE Unused##n() { return E_NOTIMPL; }

struct ICddbDisc;
struct ICddbTrackList;

// Track: one track of a disc.
struct ICddbTrack : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetTitle(BSTR* pbstrTitle) = 0; // 7
};

// Track list: the tracks of a disc, numbered from 1.
struct ICddbTrackList : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCount(LONG* plCount) = 0;                     // 7
    virtual HRESULT STDMETHODCALLTYPE GetTrack(LONG lTrack, ICddbTrack** ppTrack) = 0; // 8
};

// Disc: one entry of the disc database.
struct ICddbDisc : public IDispatch {
    CDDB_UNUSED_SLOT(7)
    CDDB_UNUSED_SLOT(8)
    virtual HRESULT STDMETHODCALLTYPE GetAlbum(BSTR* pbstrAlbum) = 0; // 9
    CDDB_UNUSED_SLOT(10)
    virtual HRESULT STDMETHODCALLTYPE GetArtist(BSTR* pbstrArtist) = 0; // 11
    CDDB_UNUSED_SLOT(12) CDDB_UNUSED_SLOT(13) CDDB_UNUSED_SLOT(14) CDDB_UNUSED_SLOT(15)
    CDDB_UNUSED_SLOT(16) CDDB_UNUSED_SLOT(17)
    virtual HRESULT STDMETHODCALLTYPE GetTrackTitle(LONG lTrack, BSTR* pbstrTitle) = 0; // 18
    CDDB_UNUSED_SLOT(19) CDDB_UNUSED_SLOT(20) CDDB_UNUSED_SLOT(21) CDDB_UNUSED_SLOT(22)
    CDDB_UNUSED_SLOT(23)
    // "(n)" with the ID3v1 genre number where the genre has one, else its name.
    virtual HRESULT STDMETHODCALLTYPE GetGenre(BSTR* pbstrGenre) = 0; // 24
    CDDB_UNUSED_SLOT(25) CDDB_UNUSED_SLOT(26) CDDB_UNUSED_SLOT(27) CDDB_UNUSED_SLOT(28)
    CDDB_UNUSED_SLOT(29) CDDB_UNUSED_SLOT(30) CDDB_UNUSED_SLOT(31) CDDB_UNUSED_SLOT(32)
    CDDB_UNUSED_SLOT(33) CDDB_UNUSED_SLOT(34) CDDB_UNUSED_SLOT(35) CDDB_UNUSED_SLOT(36)
    CDDB_UNUSED_SLOT(37) CDDB_UNUSED_SLOT(38) CDDB_UNUSED_SLOT(39) CDDB_UNUSED_SLOT(40)
    CDDB_UNUSED_SLOT(41)
    virtual HRESULT STDMETHODCALLTYPE GetTracks(ICddbTrackList** ppTracks) = 0; // 42
};

// Result list: the candidate discs of the last identification that found no
// direct match, numbered from 1.
struct ICddbResultList : public IDispatch {
    CDDB_UNUSED_SLOT(7)
    virtual HRESULT STDMETHODCALLTYPE GetItem(LONG lItem, ICddbDisc** ppDisc) = 0; // 8
};

// Look-up service: identifies a music file by its full path. A direct match
// gives the track number (from 1) and the disc; otherwise *ppDisc is NULL,
// *plTrack 0, and the candidates wait in the component's result list.
struct ICddbLookupService : public IDispatch {
    CDDB_UNUSED_SLOT(7) CDDB_UNUSED_SLOT(8) CDDB_UNUSED_SLOT(9) CDDB_UNUSED_SLOT(10)
    CDDB_UNUSED_SLOT(11)
    virtual HRESULT STDMETHODCALLTYPE IdentifyFile(BSTR bstrPath, LONG lFlags, LONG* plTrack,
                                                   ICddbDisc** ppDisc) = 0; // 12
};

// Registration: present only while a user is registered.
struct ICddbRegistration : public IDispatch {
};

// User information: filled by the caller, then registered with the component.
struct ICddbUserInfo : public IDispatch {
    CDDB_UNUSED_SLOT(7) CDDB_UNUSED_SLOT(8) CDDB_UNUSED_SLOT(9)
    virtual HRESULT STDMETHODCALLTYPE SetUserName(BSTR bstrUserName) = 0; // 10
    CDDB_UNUSED_SLOT(11)
    virtual HRESULT STDMETHODCALLTYPE SetPassword(BSTR bstrPassword) = 0; // 12
};

// Options: two settings a caller may give; kept, not acted upon.
struct ICddbOptions : public IDispatch {
    CDDB_UNUSED_SLOT(7) CDDB_UNUSED_SLOT(8) CDDB_UNUSED_SLOT(9) CDDB_UNUSED_SLOT(10)
    CDDB_UNUSED_SLOT(11) CDDB_UNUSED_SLOT(12) CDDB_UNUSED_SLOT(13) CDDB_UNUSED_SLOT(14)
    CDDB_UNUSED_SLOT(15) CDDB_UNUSED_SLOT(16) CDDB_UNUSED_SLOT(17) CDDB_UNUSED_SLOT(18)
    CDDB_UNUSED_SLOT(19) CDDB_UNUSED_SLOT(20) CDDB_UNUSED_SLOT(21) CDDB_UNUSED_SLOT(22)
    CDDB_UNUSED_SLOT(23) CDDB_UNUSED_SLOT(24) CDDB_UNUSED_SLOT(25) CDDB_UNUSED_SLOT(26)
    CDDB_UNUSED_SLOT(27) CDDB_UNUSED_SLOT(28) CDDB_UNUSED_SLOT(29) CDDB_UNUSED_SLOT(30)
    CDDB_UNUSED_SLOT(31) CDDB_UNUSED_SLOT(32) CDDB_UNUSED_SLOT(33) CDDB_UNUSED_SLOT(34)
    CDDB_UNUSED_SLOT(35) CDDB_UNUSED_SLOT(36) CDDB_UNUSED_SLOT(37)
    virtual HRESULT STDMETHODCALLTYPE SetProgressEvents(LONG lValue) = 0; // 38
    CDDB_UNUSED_SLOT(39) CDDB_UNUSED_SLOT(40) CDDB_UNUSED_SLOT(41) CDDB_UNUSED_SLOT(42)
    CDDB_UNUSED_SLOT(43)
    virtual HRESULT STDMETHODCALLTYPE SetLocalLookup(LONG lValue) = 0; // 44
};

// The component: client set-up, user registration and the look-up service.
struct ICddbComponent : public IDispatch {
    CDDB_UNUSED_SLOT(7)
    // Success with *ppRegistration NULL when no user is registered.
    virtual HRESULT STDMETHODCALLTYPE GetRegistration(LONG lFlags, ICddbRegistration** ppRegistration) = 0; // 8
    virtual HRESULT STDMETHODCALLTYPE SetClientInfo(BSTR bstrClientId, BSTR bstrClientTag, BSTR bstrVersion,
                                                    BSTR bstrReserved) = 0;  // 9
    virtual HRESULT STDMETHODCALLTYPE GetUserInfo(ICddbUserInfo** ppUserInfo) = 0;  // 10
    virtual HRESULT STDMETHODCALLTYPE RegisterUser(ICddbUserInfo* pUserInfo) = 0;   // 11
    virtual HRESULT STDMETHODCALLTYPE GetOptions(ICddbOptions** ppOptions) = 0;     // 12
    virtual HRESULT STDMETHODCALLTYPE SetOptions(ICddbOptions* pOptions) = 0;       // 13
    CDDB_UNUSED_SLOT(14) CDDB_UNUSED_SLOT(15) CDDB_UNUSED_SLOT(16) CDDB_UNUSED_SLOT(17)
    // Success with *ppResults NULL when the last identification left no candidates.
    virtual HRESULT STDMETHODCALLTYPE GetResultList(ICddbResultList** ppResults) = 0; // 18
    virtual HRESULT STDMETHODCALLTYPE SetWindow(LONG_PTR hwnd, LONG lFlags) = 0;      // 19
    CDDB_UNUSED_SLOT(20) CDDB_UNUSED_SLOT(21) CDDB_UNUSED_SLOT(22) CDDB_UNUSED_SLOT(23)
    CDDB_UNUSED_SLOT(24) CDDB_UNUSED_SLOT(25) CDDB_UNUSED_SLOT(26) CDDB_UNUSED_SLOT(27)
    CDDB_UNUSED_SLOT(28) CDDB_UNUSED_SLOT(29) CDDB_UNUSED_SLOT(30) CDDB_UNUSED_SLOT(31)
    CDDB_UNUSED_SLOT(32) CDDB_UNUSED_SLOT(33) CDDB_UNUSED_SLOT(34) CDDB_UNUSED_SLOT(35)
    CDDB_UNUSED_SLOT(36) CDDB_UNUSED_SLOT(37) CDDB_UNUSED_SLOT(38) CDDB_UNUSED_SLOT(39)
    CDDB_UNUSED_SLOT(40) CDDB_UNUSED_SLOT(41) CDDB_UNUSED_SLOT(42) CDDB_UNUSED_SLOT(43)
    CDDB_UNUSED_SLOT(44) CDDB_UNUSED_SLOT(45) CDDB_UNUSED_SLOT(46) CDDB_UNUSED_SLOT(47)
    CDDB_UNUSED_SLOT(48) CDDB_UNUSED_SLOT(49) CDDB_UNUSED_SLOT(50) CDDB_UNUSED_SLOT(51)
    CDDB_UNUSED_SLOT(52) CDDB_UNUSED_SLOT(53) CDDB_UNUSED_SLOT(54) CDDB_UNUSED_SLOT(55)
    CDDB_UNUSED_SLOT(56)
    virtual HRESULT STDMETHODCALLTYPE GetLookupService(ICddbLookupService** ppService) = 0; // 57
    CDDB_UNUSED_SLOT(58) CDDB_UNUSED_SLOT(59) CDDB_UNUSED_SLOT(60) CDDB_UNUSED_SLOT(61)
    CDDB_UNUSED_SLOT(62) CDDB_UNUSED_SLOT(63)
    // Success when the disc database can be read.
    virtual HRESULT STDMETHODCALLTYPE TestStatus(LONG lFlags) = 0; // 64
};

#undef CDDB_UNUSED_SLOT
