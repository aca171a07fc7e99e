#include "ControlHost.h"
#include <map>
#include <olectl.h>

namespace {

// A property bag kept in memory, as a container would keep it.
class CBag : public IPropertyBag {
public:
    ~CBag()
    {
        for (auto& v : values)
            VariantClear(&v.second);
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = (riid == IID_IUnknown || riid == IID_IPropertyBag) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override
    {
        auto it = values.find(name);
        if (it == values.end())
            return E_INVALIDARG;
        VARTYPE want = v->vt;
        VariantInit(v);
        if (want == VT_EMPTY || want == it->second.vt)
            return VariantCopy(v, &it->second);
        return VariantChangeType(v, &it->second, 0, want);
    }
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* v) override
    {
        VARIANT copy;
        VariantInit(&copy);
        VariantCopy(&copy, v);
        VariantClear(&values[name]);
        values[name] = copy;
        return S_OK;
    }
    std::map<std::wstring, VARIANT> values;
};

IFontDisp* MakeFont(const wchar_t* name, LONGLONG points, bool underline)
{
    FONTDESC d = {};
    d.cbSizeofstruct = sizeof d;
    d.lpstrName = const_cast<LPOLESTR>(name);
    d.cySize.int64 = points * 10000;
    d.sWeight = FW_BOLD;
    d.sCharset = DEFAULT_CHARSET;
    d.fUnderline = underline;
    IFontDisp* f = nullptr;
    OleCreateFontIndirect(&d, IID_IFontDisp, reinterpret_cast<void**>(&f));
    return f;
}

std::wstring FontName(IDispatch* ctrl, const wchar_t* prop, CY* size = nullptr, BOOL* underline = nullptr)
{
    Call c;
    Get(c, ctrl, prop);
    if (c.result.vt != VT_DISPATCH || !c.result.pdispVal)
        return L"<none>";
    IFont* f = nullptr;
    c.result.pdispVal->QueryInterface(IID_IFont, reinterpret_cast<void**>(&f));
    BSTR name = nullptr;
    f->get_Name(&name);
    if (size)
        f->get_Size(size);
    if (underline)
        f->get_Underline(underline);
    std::wstring out = name ? name : L"";
    SysFreeString(name);
    f->Release();
    return out;
}

// What this system makes of a font description (it may choose another face).
std::wstring Realised(const wchar_t* name, LONGLONG points, bool underline, CY* size)
{
    IFontDisp* disp = MakeFont(name, points, underline);
    IFont* f = nullptr;
    disp->QueryInterface(IID_IFont, reinterpret_cast<void**>(&f));
    BSTR n = nullptr;
    f->get_Name(&n);
    f->get_Size(size);
    std::wstring out = n ? n : L"";
    SysFreeString(n);
    f->Release();
    disp->Release();
    return out;
}

// Sets every persisted property away from its default.
void Customise(IDispatch* ctrl)
{
    Call a, b, c, d, e, f;
    Put(a, ctrl, L"Style", VLong(2));
    Put(b, ctrl, L"ShowContextMenu", VBool(false));
    Put(c, ctrl, L"Visible", VBool(false));
    Put(d, ctrl, L"TipTextColor", VLong(0x123456));
    VARIANT font;
    VariantInit(&font);
    font.vt = VT_DISPATCH;
    font.pdispVal = MakeFont(L"Tahoma", 15, true);
    Put(e, ctrl, L"TipTextFont", font);
    ASSERT_EQ(e.hr, S_OK);
    VariantClear(&font);
    Call notPersisted;
    Put(notPersisted, ctrl, L"ColNameHeader", VStr(L"Name"));
}

void ExpectCustomised(IDispatch* ctrl)
{
    Call style, menu, visible, color, header;
    Get(style, ctrl, L"Style");
    Get(menu, ctrl, L"ShowContextMenu");
    Get(visible, ctrl, L"Visible");
    Get(color, ctrl, L"TipTextColor");
    Get(header, ctrl, L"ColNameHeader");
    EXPECT_EQ(style.Long(), 2);
    EXPECT_FALSE(menu.Bool());
    EXPECT_FALSE(visible.Bool());
    EXPECT_EQ(color.Long(), 0x123456);
    EXPECT_EQ(header.Str(), "~~~NAME"); // not persisted
    CY size = {}, expectedSize = {};
    BOOL underline = FALSE;
    std::wstring expected = Realised(L"Tahoma", 15, true, &expectedSize);
    EXPECT_EQ(FontName(ctrl, L"TipTextFont", &size, &underline), expected);
    EXPECT_EQ(size.int64, expectedSize.int64);
    EXPECT_TRUE(underline);
}

class Persist : public ControlTest {};

} // namespace

TEST_F(Persist, InitNewGivesThePersistedDefaults)
{
    IPersistPropertyBag* ppb = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&ppb)), S_OK);
    ASSERT_EQ(ppb->InitNew(), S_OK);
    EXPECT_EQ(ppb->InitNew(), E_UNEXPECTED); // once only
    ppb->Release();
    Call style, menu, color;
    Get(style, ctrl, L"Style");
    Get(menu, ctrl, L"ShowContextMenu");
    Get(color, ctrl, L"TipTextColor");
    EXPECT_EQ(style.Long(), 1);
    EXPECT_TRUE(menu.Bool());
    EXPECT_EQ(color.Long(), LONG(GetSysColor(COLOR_INFOTEXT)));
    CY size = {}, defaultSize = {};
    std::wstring defaultFont = Realised(L"MS Sans Serif", 12, false, &defaultSize);
    EXPECT_EQ(FontName(ctrl, L"TipTextFont", &size), defaultFont);
    EXPECT_EQ(size.int64, defaultSize.int64);
}

TEST_F(Persist, StreamRoundTrip)
{
    Customise(ctrl);
    IPersistStreamInit* psi = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&psi)), S_OK);
    EXPECT_EQ(psi->IsDirty(), S_OK);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ASSERT_EQ(psi->Save(stream, TRUE), S_OK);
    EXPECT_EQ(psi->IsDirty(), S_FALSE);
    psi->Release();

    IDispatch* other = NewControl();
    IPersistStreamInit* load = nullptr;
    other->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&load));
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(load->Load(stream), S_OK);
    ExpectCustomised(other);

    // A stream cut short loads what it holds and reports the failure.
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    ULARGE_INTEGER cut;
    cut.QuadPart = 10;
    stream->SetSize(cut);
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    IDispatch* third = NewControl();
    IPersistStreamInit* damaged = nullptr;
    third->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&damaged));
    EXPECT_TRUE(FAILED(damaged->Load(stream)));
    Call style;
    Get(style, third, L"Style");
    EXPECT_EQ(style.Long(), 1);
    CY size = {}, defaultSize = {};
    std::wstring defaultFont = Realised(L"MS Sans Serif", 12, false, &defaultSize);
    BOOL underline = TRUE;
    EXPECT_EQ(FontName(third, L"TipTextFont", &size, &underline), defaultFont);
    EXPECT_EQ(size.int64, defaultSize.int64);
    EXPECT_FALSE(underline);
    damaged->Release();
    third->Release();
    load->Release();
    other->Release();
    stream->Release();
}

TEST_F(Persist, PropertyBagRoundTripUsesTheNames)
{
    Customise(ctrl);
    CBag bag;
    IPersistPropertyBag* ppb = nullptr;
    ASSERT_EQ(ctrl->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&ppb)), S_OK);
    ASSERT_EQ(ppb->Save(&bag, TRUE, TRUE), S_OK);
    ppb->Release();
    for (const wchar_t* name : {L"ToolTipFont", L"ToolTipColor", L"Style", L"Visible", L"ShowContextMenu"})
        EXPECT_EQ(bag.values.count(name), 1u) << name;
    EXPECT_EQ(bag.values[L"Style"].lVal, 2);
    EXPECT_EQ(bag.values.count(L"ColNameHeader"), 0u);

    IDispatch* other = NewControl();
    IPersistPropertyBag* load = nullptr;
    other->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&load));
    ASSERT_EQ(load->Load(&bag, nullptr), S_OK);
    ExpectCustomised(other);
    load->Release();
    other->Release();

    // A bag without our values, or with values of the wrong kind, gives the defaults.
    CBag odd;
    VARIANT text = VStr(L"not a number");
    odd.Write(L"Style", &text);
    VariantClear(&text);
    IDispatch* third = NewControl();
    third->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&load));
    EXPECT_EQ(load->Load(&odd, nullptr), S_OK);
    Call style, visible;
    Get(style, third, L"Style");
    Get(visible, third, L"Visible");
    EXPECT_EQ(style.Long(), 1);
    EXPECT_TRUE(visible.Bool());
    load->Release();
    third->Release();
}

TEST_F(Persist, StorageHoldsTheStreamForm)
{
    Customise(ctrl);
    IStorage* storage = nullptr;
    ASSERT_EQ(StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE,
                               0, &storage),
              S_OK);
    IPersistStorage* ps = nullptr;
    ctrl->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&ps));
    ASSERT_EQ(ps->Save(storage, FALSE), S_OK);
    ps->Release();
    IDispatch* other = NewControl();
    other->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&ps));
    ASSERT_EQ(ps->Load(storage), S_OK);
    ExpectCustomised(other);
    ps->Release();
    other->Release();
    storage->Release();
}
