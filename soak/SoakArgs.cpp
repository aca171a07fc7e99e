#include "SoakArgs.h"
#include <cstdlib>
#include <olectl.h>
#include <cstdio>

namespace soak {

std::mt19937 g_rng;
std::string g_drive = "S:", g_cacheFolder = "C:\\soak", g_genres = "S:\\genres.ini";
IDispatch* g_notAFont = nullptr;

namespace {

enum Kind { GET = 1, PUT = 2, METHOD = 4 };
enum Arg { A_NONE, A_STR, A_FILTER, A_SHORT, A_LONG, A_BOOL, A_FONT, A_VIEW, A_STYLE, A_COLOR, A_PATH, A_VOLUME, A_PATTERNS,
           A_COUNT, A_REFSHORT, A_REFLONG, A_REFSTR, A_INDEX, A_INI, A_LENGTH };

struct Member {
    const wchar_t* name;
    int kinds;
    Arg args[3]; // the put's value for a property
    int argc;
};

const Member kMembers[] = {
    {L"Style", GET | PUT, {A_STYLE}, 0},
    {L"ColNameHeader", GET | PUT, {A_STR}, 0},
    {L"ColTimeHeader", GET | PUT, {A_STR}, 0},
    {L"ColTypeHeader", GET | PUT, {A_STR}, 0},
    {L"ColSourceHeader", GET | PUT, {A_STR}, 0},
    {L"ColNameWidth", GET | PUT, {A_SHORT}, 0},
    {L"ColTimeWidth", GET | PUT, {A_SHORT}, 0},
    {L"ColTypeWidth", GET | PUT, {A_SHORT}, 0},
    {L"ColSourceWidth", GET | PUT, {A_SHORT}, 0},
    {L"TipText", GET | PUT, {A_STR}, 0},
    {L"TipTextColor", GET | PUT, {A_COLOR}, 0},
    {L"GenreIniFilePath", GET | PUT, {A_INI}, 0},
    {L"Visible", GET | PUT, {A_BOOL}, 0},
    {L"ShowContextMenu", GET | PUT, {A_BOOL}, 0},
    {L"StrNoFileFound", GET | PUT, {A_STR}, 0},
    {L"CacheFile", GET | PUT, {A_PATH}, 0},
    {L"TipTextFont", GET | PUT, {A_FONT}, 0},
    {L"View", GET | PUT, {A_VIEW}, 0},
    {L"StrLang", PUT, {A_STR}, 0},
    {L"IsLookupAlive", GET, {}, 0},
    {L"IsLookupSetupOk", GET, {}, 0},
    {L"Font", GET | PUT, {A_FONT}, 0},
    {L"BorderStyle", GET | PUT, {A_SHORT}, 0},
    {L"ExtendedTags", GET | PUT, {A_BOOL}, 0},
    {L"UnicodeNames", GET | PUT, {A_BOOL}, 0},
    {L"FolderSearch", GET | PUT, {A_BOOL}, 0},
    {L"WatchFolders", GET | PUT, {A_BOOL}, 0},
    {L"FilterText", GET | PUT, {A_FILTER}, 0},
    {L"BeginSearch", METHOD, {}, 0},
    {L"StopSearch", METHOD, {}, 0},
    {L"DelAllSearches", METHOD, {}, 0},
    {L"DeleteSearch", METHOD, {A_VOLUME}, 1},
    {L"HideHelp", METHOD, {}, 0},
    {L"GetSelectedItems", METHOD, {A_REFSHORT}, 1},
    {L"AddSearch", METHOD, {A_VOLUME, A_PATTERNS, A_COUNT}, 3},
    {L"SaveFile", METHOD, {A_PATH}, 1},
    {L"LoadFile", METHOD, {A_PATH}, 1},
    {L"Lookup", METHOD, {}, 0},
    {L"SetViewString", METHOD, {A_INDEX, A_STR}, 2},
    {L"SetUnknString", METHOD, {A_INDEX, A_STR}, 2},
    {L"SetContextMenuString", METHOD, {A_INDEX, A_STR}, 2},
    {L"SetToolbarString", METHOD, {A_INDEX, A_STR}, 2},
    {L"GetMusicCounts", METHOD, {A_REFLONG, A_REFLONG, A_REFLONG}, 3},
    {L"GetSelectedItemsString", METHOD, {A_REFSTR}, 1},
    {L"GetItemsFoundCount", METHOD, {A_PATTERNS}, 1},
    {L"HideItems", METHOD, {A_PATTERNS}, 1},
    {L"SetupCDDB", METHOD, {A_STR, A_STR, A_STR}, 3},
    {L"EnableHotKeyForVB", METHOD, {}, 0},
    {L"SetHideAudioLength", METHOD, {A_LENGTH}, 1},
    {L"AboutBox", METHOD, {}, 0},
};
const int kMemberCount = int(sizeof kMembers / sizeof kMembers[0]);

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

VARIANT Str(const std::wstring& s)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(s.data(), UINT(s.size()));
    return v;
}
VARIANT Num(VARTYPE vt, LONG value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    if (vt == VT_I2)
        v.iVal = SHORT(value);
    else if (vt == VT_BOOL)
        v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    else
        v.lVal = value;
    return v;
}

// Texts as hosts write them, and as they should not: empty, huge, high bytes,
// beyond the code page, a lone surrogate.
std::wstring Text()
{
    static const wchar_t* const words[] = {L"",        L"Artist",       L"~~~VIEW",   L"&Add",    L"Genre",
                                           L"Drücken", L"a|b\"c<d>",    L"東京 Пётр", L"\xD834x", L"\U0001D11E"};
    switch (Pick(12)) {
    case 0: return std::wstring(size_t(Pick(3) ? 300 : 70000), wchar_t(L'A' + Pick(26)));
    case 1: {
        std::wstring s;
        for (int i = Pick(40); i > 0; --i)
            s += wchar_t(1 + Pick(0x2FF));
        return s;
    }
    default: return words[Pick(10)];
    }
}

// The roots a host names: the drive, and with FolderSearch its folders (the one
// whose files come and go, one named in Cyrillic, one by a path to be tidied);
// and what it should not: missing ones, forms that depend on a current folder
// or that no share or drive answers, the system's long forms, a file, a path
// beyond the length limit.
// What a user types in a filter box, a letter at a time, and what a host
// should not write there.
std::wstring FilterText()
{
    static const wchar_t* const words[] = {L"", L"", L"n", L"ni", L"nightjar", L"mira ho", L"  ", L"\t3:",
                                           L"Ольга", L"mp3 wav", L"lanterns harbour", L"zzz"};
    return Chance(80) ? words[Pick(12)] : Text();
}

std::wstring Volume()
{
    static const wchar_t* const folders[] = {L"\\lookup",          L"\\Nightjar",      L"\\incoming",
                                             L"\\incoming\\f1\\",  L"\\Ольга Ветрова", L"/lookup//../Mira Holt/",
                                             L"\\The Lanterns\\Harbour Lights"};
    static const wchar_t* const odd[] = {L"",         L"R:",       L"Q:",           L"S:\\none",      L"S:x",
                                         L"S:lookup", L"\\lookup", L"lookup",       L"\\\\nosuch\\share", L"\\\\nas",
                                         L"S:/lookup/", L"\\\\?\\S:\\lookup", L"\\\\.\\S:", L"S:\\..\\..",
                                         L"S:\\genres.ini", L"Ü:\\x"};
    const std::wstring drive = Wide(g_drive);
    if (Chance(70))
        return Chance(60) ? drive : drive + folders[Pick(7)];
    if (Chance(10)) // beyond the length limit
        return drive + L"\\incoming" + std::wstring(size_t(300), L'x');
    return odd[Pick(16)];
}

std::wstring FilePath()
{
    char name[64];
    std::snprintf(name, sizeof name, "%s\\cache%d.snd", g_cacheFolder.c_str(), Pick(4));
    switch (Pick(6)) {
    case 0: return L"";
    case 1: return Wide(g_cacheFolder + "\\missing\\x.snd");
    case 2: return Wide(g_cacheFolder); // a folder
    default: return Wide(name);
    }
}

// A string array of patterns, or something that only looks like one.
VARIANT Patterns(bool hostile)
{
    static const wchar_t* const pats[] = {L"*.mp3", L"*.wav", L"*.MP3", L"*.*", L"*", L"mp3", L"", L"*.ogg"};
    int n = hostile ? Pick(4) : 1 + Pick(3);
    LONG lower = hostile && Chance(30) ? LONG(Pick(5)) - 2 : 0;
    VARIANT v;
    VariantInit(&v);
    if (hostile && Chance(30)) { // two dimensions
        SAFEARRAYBOUND b[2] = {{ULONG(n), lower}, {2, 0}};
        v.vt = VT_ARRAY | VT_BSTR;
        v.parray = SafeArrayCreate(VT_BSTR, 2, b);
        return v;
    }
    VARTYPE vt = hostile && Chance(40) ? (Chance(50) ? VT_VARIANT : VT_I4) : VT_BSTR;
    SAFEARRAYBOUND b = {ULONG(n), lower};
    v.vt = VT_ARRAY | vt;
    v.parray = SafeArrayCreate(vt, 1, &b);
    for (LONG i = 0; i < n; ++i) {
        LONG at = lower + i;
        if (vt == VT_BSTR) {
            BSTR s = SysAllocString(pats[Pick(8)]);
            SafeArrayPutElement(v.parray, &at, s);
            SysFreeString(s);
        } else if (vt == VT_VARIANT) {
            VARIANT e = Chance(50) ? Str(pats[Pick(8)]) : Num(VT_I4, LONG(g_rng()));
            SafeArrayPutElement(v.parray, &at, &e);
            VariantClear(&e);
        } else {
            LONG e = LONG(g_rng());
            SafeArrayPutElement(v.parray, &at, &e);
        }
    }
    return v;
}

VARIANT FontArg()
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    switch (Pick(4)) {
    case 0: v.pdispVal = nullptr; return v;
    case 1: v.pdispVal = g_notAFont; g_notAFont->AddRef(); return v;
    default: {
        static const wchar_t* const faces[] = {L"Tahoma", L"MS Sans Serif", L"No Such Face", L""};
        FONTDESC d = {sizeof(FONTDESC), const_cast<LPOLESTR>(faces[Pick(4)]), {{ULONG(Pick(400000)), 0}},
                      SHORT(Pick(1000)), DEFAULT_CHARSET, BOOL(Pick(2)), BOOL(Pick(2)), BOOL(Pick(2))};
        if (FAILED(OleCreateFontIndirect(&d, IID_IDispatch, reinterpret_cast<void**>(&v.pdispVal))))
            v.pdispVal = nullptr;
        return v;
    }
    }
}

// Storage for by-reference arguments: a host's own variables.
VARIANT ByRef(VARTYPE vt)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | vt;
    if (vt == VT_I2)
        v.piVal = new SHORT(SHORT(Pick(3) - 1));
    else if (vt == VT_I4)
        v.plVal = new LONG(LONG(g_rng()));
    else if (vt == VT_BSTR)
        v.pbstrVal = new BSTR(Chance(50) ? nullptr : SysAllocString(L"old"));
    else {
        v.pvarVal = new VARIANT;
        VariantInit(v.pvarVal);
    }
    return v;
}

VARIANT Meant(Arg a)
{
    switch (a) {
    case A_STR: return Str(Text());
    case A_FILTER: return Str(FilterText());
    case A_SHORT: return Num(VT_I2, Chance(80) ? Pick(300) : LONG(SHORT(g_rng())));
    case A_LONG: return Num(VT_I4, LONG(g_rng()));
    case A_BOOL: return Num(VT_BOOL, Chance(80)); // mostly on: an invisible control sees no input
    case A_FONT: return FontArg();
    case A_VIEW: return Num(VT_I4, Chance(90) ? 1039 + Pick(4) : LONG(g_rng()));
    case A_STYLE: return Num(VT_I2, Chance(90) ? 1 + Pick(2) : Pick(7) - 3);
    case A_COLOR: return Num(VT_I4, Chance(50) ? LONG(0x80000000u | unsigned(Pick(40))) : LONG(g_rng()));
    case A_PATH: return Str(FilePath());
    case A_VOLUME: return Str(Volume());
    case A_PATTERNS: return Patterns(false);
    case A_COUNT: return Num(VT_I2, Chance(80) ? 1 + Pick(3) : Pick(7) - 3);
    case A_REFSHORT: return ByRef(VT_I2);
    case A_REFLONG: return ByRef(VT_I4);
    case A_REFSTR: return ByRef(VT_BSTR);
    case A_INDEX: return Num(VT_I2, Chance(80) ? Pick(4) : LONG(SHORT(g_rng())));
    case A_INI: return Str(Chance(70) ? Wide(g_genres) : Text());
    case A_LENGTH: return Num(VT_I4, Chance(80) ? Pick(400) : LONG(g_rng()));
    default: return Num(VT_EMPTY, 0);
    }
}

// Anything at all, of any type.
VARIANT Hostile()
{
    VARIANT v;
    VariantInit(&v);
    switch (Pick(12)) {
    case 0: v.vt = VT_NULL; return v;
    case 1: return v; // VT_EMPTY
    case 2: return Num(VT_I2, LONG(SHORT(g_rng())));
    case 3: return Num(VT_I4, Chance(50) ? LONG(0x80000000u) : LONG(g_rng()));
    case 4: v.vt = VT_R8; v.dblVal = Chance(50) ? 1e300 : -0.5; return v;
    case 5: v.vt = VT_BSTR; v.bstrVal = nullptr; return v; // a null string
    case 6: return Str(Text());
    case 7: return Patterns(true);
    case 8: v.vt = VT_DISPATCH; v.pdispVal = Chance(50) ? nullptr : (g_notAFont->AddRef(), g_notAFont); return v;
    case 9: return ByRef(VARTYPE(Pick(2) ? VT_I2 : VT_BSTR));
    case 10: return ByRef(VT_VARIANT);
    default: return Num(VT_BOOL, Pick(2));
    }
}

std::string Describe(const wchar_t* name, WORD flags, const std::vector<VARIANT>& args)
{
    std::string s(name, name + wcslen(name));
    s += flags == DISPATCH_PROPERTYGET ? " get" : flags == DISPATCH_PROPERTYPUT ? " put" : "";
    s += "(";
    for (size_t i = 0; i < args.size(); ++i) {
        char t[48];
        const VARIANT& a = args[i];
        if ((a.vt & ~VT_BYREF) == VT_BSTR && !(a.vt & VT_BYREF))
            std::snprintf(t, sizeof t, "%sstr[%u]", i ? "," : "", a.bstrVal ? SysStringLen(a.bstrVal) : 0u);
        else if (a.vt == VT_I2 || a.vt == VT_I4 || a.vt == VT_BOOL)
            std::snprintf(t, sizeof t, "%s%ld", i ? "," : "", a.vt == VT_I4 ? a.lVal : LONG(a.iVal));
        else
            std::snprintf(t, sizeof t, "%svt%x", i ? "," : "", unsigned(a.vt));
        s += t;
    }
    return s + ")";
}

void Fill(CallPlan& plan, const Member& m, bool hostile)
{
    plan.name = m.name;
    if (m.kinds & METHOD) {
        plan.flags = DISPATCH_METHOD;
        int argc = hostile && Chance(30) ? Pick(5) : m.argc;
        for (int i = 0; i < argc; ++i)
            plan.args.push_back(hostile && (Chance(60) || i >= m.argc) ? Hostile() : Meant(m.args[i]));
    } else {
        bool put = (m.kinds & PUT) && (!(m.kinds & GET) || Chance(60));
        plan.flags = put ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYGET;
        if (hostile && Chance(20)) // a get of a write-only or a put of a read-only property, or a wrong count
            plan.flags = Chance(50) ? DISPATCH_PROPERTYPUT : DISPATCH_PROPERTYGET;
        int argc = plan.flags == DISPATCH_PROPERTYPUT ? 1 : 0;
        if (hostile && Chance(20))
            argc = Pick(3);
        for (int i = 0; i < argc; ++i)
            plan.args.push_back(hostile ? Hostile() : Meant(m.args[0]));
    }
    plan.text = Describe(plan.name, plan.flags, plan.args);
}

} // namespace

CallPlan::~CallPlan()
{
    for (VARIANT& v : args) {
        if (v.vt & VT_BYREF) {
            VARTYPE vt = VARTYPE(v.vt & ~VT_BYREF);
            if (vt == VT_I2)
                delete v.piVal;
            else if (vt == VT_I4)
                delete v.plVal;
            else if (vt == VT_BSTR) {
                SysFreeString(*v.pbstrVal);
                delete v.pbstrVal;
            } else {
                VariantClear(v.pvarVal);
                delete v.pvarVal;
            }
        } else {
            VariantClear(&v);
        }
    }
}

void PlanCall(CallPlan& plan, bool hostile)
{
    // The members that make the control work come up more often.
    static const wchar_t* const busy[] = {L"AddSearch", L"BeginSearch", L"View", L"LoadFile", L"SaveFile",
                                          L"GetSelectedItems", L"Lookup", L"StopSearch", L"SetHideAudioLength",
                                          L"HideItems", L"DelAllSearches", L"GetSelectedItemsString"};
    const wchar_t* name = Chance(40) ? busy[Pick(12)] : kMembers[Pick(kMemberCount)].name;
    // TW_SOAK_LEAVE names members left out (comma-separated), to see what a
    // figure depends on; each is then only read, never written or called.
    static const std::wstring leave = [] {
        const char* names = std::getenv("TW_SOAK_LEAVE");
        return names ? L"," + Wide(names) + L"," : std::wstring();
    }();
    if (!leave.empty() && leave.find(L"," + std::wstring(name) + L",") != std::wstring::npos)
        name = L"IsLookupAlive";
    for (const Member& m : kMembers)
        if (wcscmp(m.name, name) == 0)
            return Fill(plan, m, hostile);
}

void PlanNamed(CallPlan& plan, const wchar_t* name)
{
    for (const Member& m : kMembers)
        if (wcscmp(m.name, name) == 0)
            return Fill(plan, m, false);
}

} // namespace soak
