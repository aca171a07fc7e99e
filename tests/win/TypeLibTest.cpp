// The type library walked member by member against the dispatch table as the
// control answers it: every name the library declares reaches the same DISPID
// through the control's GetIDsOfNames and through TarnwickDispIds.h, is reached
// the same way (get, put, call) and takes the same number of arguments; the
// table holds nothing the library lacks but the stock BorderStyle. Only getters
// run: every other call is one the table refuses before it reaches a handler.
#include "ControlHost.h"
#include "control/TarnwickDispIds.h"
#include "framework/Dispatch.h"
#include "host/EventSink.h"
#include <olectl.h>
#include <iterator>
#include <map>
#include <set>

namespace {

const IID kDispatchIid = {0x56BE5EA0, 0x4E38, 0x48DF, {0xB5, 0xB3, 0xE5, 0x3A, 0x82, 0xD6, 0x99, 0x68}};
const CLSID kClsid = {0xA6711A49, 0x5CDB, 0x4BD0, {0xB6, 0x54, 0x79, 0xB1, 0x98, 0xBA, 0xE8, 0x0D}};

struct Named {
    const wchar_t* name; // the automation name in capitals; names match ignoring case
    DISPID id;
};
#define TW_MEMBER(NAME) {L"" #NAME, DISPID_TW_##NAME}
#define TW_EVENT(NAME) {L"" #NAME, DISPID_TW_EVENT_##NAME}

// In the order that numbers them: properties, methods, the stock members, then
// the members added later.
const Named kMembers[] = {
    TW_MEMBER(STYLE), TW_MEMBER(COLNAMEHEADER), TW_MEMBER(COLTIMEHEADER), TW_MEMBER(COLTYPEHEADER),
    TW_MEMBER(COLSOURCEHEADER), TW_MEMBER(COLNAMEWIDTH), TW_MEMBER(COLTIMEWIDTH), TW_MEMBER(COLTYPEWIDTH),
    TW_MEMBER(COLSOURCEWIDTH), TW_MEMBER(TIPTEXT), TW_MEMBER(TIPTEXTCOLOR), TW_MEMBER(GENREINIFILEPATH),
    TW_MEMBER(VISIBLE), TW_MEMBER(SHOWCONTEXTMENU), TW_MEMBER(STRNOFILEFOUND), TW_MEMBER(CACHEFILE),
    TW_MEMBER(TIPTEXTFONT), TW_MEMBER(VIEW), TW_MEMBER(STRLANG), TW_MEMBER(ISLOOKUPALIVE),
    TW_MEMBER(ISLOOKUPSETUPOK), TW_MEMBER(BEGINSEARCH), TW_MEMBER(STOPSEARCH), TW_MEMBER(DELALLSEARCHES),
    TW_MEMBER(DELETESEARCH), TW_MEMBER(HIDEHELP), TW_MEMBER(GETSELECTEDITEMS), TW_MEMBER(ADDSEARCH),
    TW_MEMBER(SAVEFILE), TW_MEMBER(LOADFILE), TW_MEMBER(LOOKUP), TW_MEMBER(SETVIEWSTRING),
    TW_MEMBER(SETUNKNSTRING), TW_MEMBER(SETCONTEXTMENUSTRING), TW_MEMBER(SETTOOLBARSTRING),
    TW_MEMBER(GETMUSICCOUNTS), TW_MEMBER(GETSELECTEDITEMSSTRING), TW_MEMBER(GETITEMSFOUNDCOUNT),
    TW_MEMBER(HIDEITEMS), TW_MEMBER(SETUPCDDB), TW_MEMBER(ENABLEHOTKEYFORVB), TW_MEMBER(SETHIDEAUDIOLENGTH),
    TW_MEMBER(FONT), TW_MEMBER(ABOUTBOX), TW_MEMBER(EXTENDEDTAGS), TW_MEMBER(UNICODENAMES),
    TW_MEMBER(FOLDERSEARCH), TW_MEMBER(WATCHFOLDERS), TW_MEMBER(FILTERTEXT)};

const Named kEvents[] = {TW_EVENT(ADDINGFILE),     TW_EVENT(ITEMDBLCLICK),   TW_EVENT(ENDSEARCH),
                         TW_EVENT(STARTSEARCH),    TW_EVENT(DOCOMMAND),      TW_EVENT(SEARCHPROGRESS),
                         TW_EVENT(LOOKUPPROGRESS), TW_EVENT(STARTLOOKUP),    TW_EVENT(ENDLOOKUP),
                         TW_EVENT(GETUSERINFO),    TW_EVENT(LOOKUPERROR),    TW_EVENT(DISABLEDVIEW),
                         TW_EVENT(ITEMSSELECTED),  TW_EVENT(CATALOGUECHANGED)};

template <size_t N>
const Named* Find(const Named (&table)[N], const std::wstring& name)
{
    for (const Named& n : table)
        if (_wcsicmp(n.name, name.c_str()) == 0)
            return &n;
    return nullptr;
}

std::wstring NameOf(ITypeInfo* info, MEMBERID id)
{
    BSTR name = nullptr;
    info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
    std::wstring out = name ? name : L"";
    SysFreeString(name);
    return out;
}

// The VARIANT type that carries a value of the library's type. Colours are
// unsigned in the library and travel as longs, as containers expect.
VARTYPE Carried(ITypeInfo* info, const TYPEDESC& t)
{
    if (t.vt == VT_PTR)
        return Carried(info, *t.lptdesc);
    if (t.vt != VT_USERDEFINED)
        return t.vt == VT_UI4 ? VARTYPE(VT_I4) : t.vt;
    ITypeInfo* ref = nullptr;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetRefTypeInfo(t.hreftype, &ref)) || FAILED(ref->GetTypeAttr(&attr)))
        return VT_ILLEGAL;
    VARTYPE vt = VT_ILLEGAL;
    if (attr->typekind == TKIND_ENUM)
        vt = VT_I4;
    else if (attr->typekind == TKIND_ALIAS)
        vt = Carried(ref, attr->tdescAlias);
    else if (attr->typekind == TKIND_DISPATCH)
        vt = VT_DISPATCH;
    ref->ReleaseTypeAttr(attr);
    ref->Release();
    return vt;
}

// What the library says about one DISPID.
struct LibMember {
    std::wstring name;
    bool get = false, put = false, method = false;
    int params = 0;            // a method's
    VARTYPE type = VT_ILLEGAL; // a readable property's
};

std::map<MEMBERID, LibMember> Members(ITypeInfo* info)
{
    std::map<MEMBERID, LibMember> lib;
    std::set<std::pair<MEMBERID, int>> declared; // a second declaration would hide behind the first's name
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr)))
        return lib;
    const WORD vars = attr->cVars, funcs = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < vars; ++i) { // the dispinterface's properties section
        VARDESC* v = nullptr;
        if (FAILED(info->GetVarDesc(i, &v)))
            continue;
        EXPECT_TRUE(declared.insert({v->memid, INVOKE_PROPERTYGET}).second) << v->memid << " declared twice";
        LibMember& m = lib[v->memid];
        m.name = NameOf(info, v->memid);
        m.get = true;
        m.put = !(v->wVarFlags & VARFLAG_FREADONLY);
        m.type = Carried(info, v->elemdescVar.tdesc);
        info->ReleaseVarDesc(v);
    }
    for (UINT i = 0; i < funcs; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f)))
            continue;
        EXPECT_TRUE(declared.insert({f->memid, f->invkind}).second) << f->memid << " declared twice";
        LibMember& m = lib[f->memid];
        m.name = NameOf(info, f->memid);
        EXPECT_EQ(f->cParamsOpt, 0) << "no optional parameters: the count is exact";
        if (f->invkind == INVOKE_PROPERTYGET) {
            m.get = true;
            m.type = Carried(info, f->elemdescFunc.tdesc);
        } else if (f->invkind == INVOKE_FUNC) {
            m.method = true;
            m.params = f->cParams;
        } else {
            m.put = true;
        }
        info->ReleaseFuncDesc(f);
    }
    return lib;
}

class TypeLib : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        // A table that ran members given too many arguments would run them in
        // these tests (AboutBox would wait for a person): a harmless one first.
        ASSERT_EQ(Answer(DISPID_TW_HIDEHELP, DISPATCH_METHOD, 1), DISP_E_BADPARAMCOUNT);
    }

    // The control's one type info: the dispinterface, walked.
    std::map<MEMBERID, LibMember> Library()
    {
        UINT count = 0;
        EXPECT_EQ(ctrl->GetTypeInfoCount(&count), S_OK);
        EXPECT_EQ(count, 1u);
        ITypeInfo* info = nullptr;
        TYPEATTR* attr = nullptr;
        EXPECT_EQ(ctrl->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
        if (info && SUCCEEDED(info->GetTypeAttr(&attr))) {
            EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
            EXPECT_TRUE(IsEqualGUID(attr->guid, kDispatchIid));
            info->ReleaseTypeAttr(attr);
        }
        std::map<MEMBERID, LibMember> lib = info ? Members(info) : std::map<MEMBERID, LibMember>();
        if (info)
            info->Release();
        return lib;
    }

    // Invokes id with n missing arguments (a table that accepts the count stops
    // at the first). The answer is the exception's code for an automation
    // exception, else the HRESULT; *vt receives the result's type.
    HRESULT Answer(DISPID id, WORD flags, int n, VARTYPE* vt = nullptr)
    {
        VARIANT missing = VPtr(VT_ERROR, nullptr);
        missing.scode = DISP_E_PARAMNOTFOUND;
        Call c = Invoke(ctrl, id, flags, std::vector<VARIANT>(static_cast<size_t>(n), missing));
        if (vt)
            *vt = c.result.vt;
        return c.hr == DISP_E_EXCEPTION ? c.excep.scode : c.hr;
    }
};

} // namespace

TEST_F(TypeLib, EveryLibraryMemberHasTheTablesNumberAccessAndArity)
{
    std::map<MEMBERID, LibMember> lib = Library();
    EXPECT_EQ(lib.size(), std::size(kMembers));
    const int tooMany = fw::kMaxDispParams + 1; // more than any member takes
    for (const auto& [id, m] : lib) {
        SCOPED_TRACE(std::string(m.name.begin(), m.name.end()));
        const Named* named = Find(kMembers, m.name);
        ASSERT_NE(named, nullptr);
        EXPECT_EQ(id, named->id);
        EXPECT_EQ(IdOf(ctrl, m.name.c_str()), id);
        if (m.method) {
            EXPECT_FALSE(m.get || m.put);
            EXPECT_EQ(Answer(id, DISPATCH_PROPERTYPUT, 1), DISP_E_MEMBERNOTFOUND);
            for (int n = 0; n <= tooMany; ++n) {
                if (n != m.params) {
                    EXPECT_EQ(Answer(id, DISPATCH_METHOD, n), DISP_E_BADPARAMCOUNT) << n << " arguments";
                } else if (n > 0) { // the count is taken; the missing first argument stops the call
                    EXPECT_EQ(Answer(id, DISPATCH_METHOD, n), DISP_E_PARAMNOTFOUND) << n << " arguments";
                }
            }
            continue;
        }
        if (m.get) {
            VARTYPE vt = VT_ILLEGAL;
            EXPECT_EQ(Answer(id, DISPATCH_PROPERTYGET, 0, &vt), S_OK);
            EXPECT_EQ(vt, m.type);
            EXPECT_EQ(Answer(id, DISPATCH_PROPERTYGET, 1), DISP_E_BADPARAMCOUNT);
        } else {
            EXPECT_EQ(Answer(id, DISPATCH_PROPERTYGET, 0), CTL_E_GETNOTSUPPORTED);
        }
        if (m.put) {
            EXPECT_EQ(Answer(id, DISPATCH_PROPERTYPUT, 1), DISP_E_PARAMNOTFOUND);
            EXPECT_EQ(Answer(id, DISPATCH_PROPERTYPUT, 2), DISP_E_BADPARAMCOUNT);
        } else {
            EXPECT_EQ(Answer(id, DISPATCH_PROPERTYPUT, 1), CTL_E_SETNOTSUPPORTED);
        }
    }
}

TEST_F(TypeLib, TheTableHoldsNothingTheLibraryLacksButBorderStyle)
{
    std::set<DISPID> expected = {DISPID_TW_BORDERSTYLE};
    for (const auto& member : Library())
        expected.insert(member.first);
    // Every id in a wide range, with more arguments than any member takes: the
    // table answers for its members without running them.
    std::string extra;
    for (DISPID id = -1024; id <= 1024; ++id) {
        const bool answers =
            Answer(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, fw::kMaxDispParams + 1) != DISP_E_MEMBERNOTFOUND;
        if (answers && !expected.erase(id))
            extra += " " + std::to_string(id);
    }
    EXPECT_EQ(extra, "") << "in the table only";
    EXPECT_TRUE(expected.empty()) << expected.size() << " members of the library not answered";

    EXPECT_EQ(IdOf(ctrl, L"BorderStyle"), DISPID_TW_BORDERSTYLE);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(ctrl->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
    LPOLESTR name = const_cast<LPOLESTR>(L"BorderStyle");
    MEMBERID id = 0;
    EXPECT_TRUE(FAILED(info->GetIDsOfNames(&name, 1, &id)));
    info->Release();
}

TEST_F(TypeLib, EventsCarryTheHeadersNumbersAndArgumentCounts)
{
    IProvideClassInfo2* pci = As<IProvideClassInfo2>(ctrl, IID_IProvideClassInfo2);
    ASSERT_NE(pci, nullptr);
    GUID source = {};
    EXPECT_EQ(pci->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    EXPECT_TRUE(IsEqualGUID(source, DIID_TarnwickEvents));
    ITypeInfo* cls = nullptr;
    ASSERT_EQ(pci->GetClassInfo(&cls), S_OK);
    pci->Release();
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(cls->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(IsEqualGUID(attr->guid, kClsid));
    const WORD impls = attr->cImplTypes;
    EXPECT_EQ(impls, 2);
    cls->ReleaseTypeAttr(attr);
    ITypeInfo* events = nullptr;
    for (UINT i = 0; i < impls; ++i) {
        INT flags = 0;
        HREFTYPE ref = 0;
        if (SUCCEEDED(cls->GetImplTypeFlags(i, &flags)) && flags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE) &&
            SUCCEEDED(cls->GetRefTypeOfImplType(i, &ref)))
            cls->GetRefTypeInfo(ref, &events);
    }
    cls->Release();
    ASSERT_NE(events, nullptr);

    ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cVars, 0);
    const WORD funcs = attr->cFuncs;
    events->ReleaseTypeAttr(attr);
    EXPECT_EQ(size_t(funcs), std::size(kEvents));
    std::set<MEMBERID> seen;
    for (UINT i = 0; i < funcs; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(events->GetFuncDesc(i, &f), S_OK);
        std::wstring name = NameOf(events, f->memid);
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        const Named* named = Find(kEvents, name);
        EXPECT_NE(named, nullptr);
        EXPECT_EQ(f->memid, named ? named->id : DISPID_UNKNOWN);
        EXPECT_EQ(f->invkind, INVOKE_FUNC);
        EXPECT_EQ(f->cParams, TwEventArgCount(f->memid));
        EXPECT_EQ(f->cParamsOpt, 0);
        EXPECT_TRUE(seen.insert(f->memid).second);
        events->ReleaseFuncDesc(f);
    }
    events->Release();
}
