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
        VARIANT& slot = values[name]; // a new slot is VT_EMPTY
        VariantClear(&slot);
        return VariantCopy(&slot, v);
    }
    std::map<std::wstring, VARIANT> values;
};

// A font's name, size and underline as one string, to compare fonts by.
std::string Described(IUnknown* font)
{
    IFont* f = font ? As<IFont>(font, IID_IFont) : nullptr;
    if (!f)
        return "<none>";
    BSTR name = nullptr;
    CY size = {};
    BOOL underline = FALSE;
    f->get_Name(&name);
    f->get_Size(&size);
    f->get_Underline(&underline);
    std::string out = Narrow(name) + " " + std::to_string(size.int64) + (underline ? " underlined" : "");
    SysFreeString(name);
    f->Release();
    return out;
}

std::string TipFont(IDispatch* ctrl)
{
    Call c = Get(ctrl, L"TipTextFont");
    return Described(c.result.vt == VT_DISPATCH ? c.result.pdispVal : nullptr);
}

// What this system makes of a font description (it may choose another face).
std::string Realised(const wchar_t* name, LONGLONG points, bool underline)
{
    IFontDisp* disp = NewFont(name, points, FW_BOLD, false, underline);
    std::string out = Described(disp);
    disp->Release();
    return out;
}

// Sets every persisted property away from its default.
void Customise(IDispatch* ctrl)
{
    Put(ctrl, L"Style", VLong(2));
    Put(ctrl, L"ShowContextMenu", VBool(false));
    Put(ctrl, L"Visible", VBool(false));
    Put(ctrl, L"TipTextColor", VLong(0x123456));
    VARIANT font = VPtr(VT_DISPATCH, NewFont(L"Tahoma", 15, FW_BOLD, false, true));
    ASSERT_EQ(Put(ctrl, L"TipTextFont", font).hr, S_OK);
    VariantClear(&font);
    Put(ctrl, L"ColNameHeader", VStr(L"Name"));
}

void ExpectCustomised(IDispatch* ctrl)
{
    EXPECT_EQ(Get(ctrl, L"Style").Long(), 2);
    EXPECT_FALSE(Get(ctrl, L"ShowContextMenu").Bool());
    EXPECT_FALSE(Get(ctrl, L"Visible").Bool());
    EXPECT_EQ(Get(ctrl, L"TipTextColor").Long(), 0x123456);
    EXPECT_EQ(Get(ctrl, L"ColNameHeader").Str(), "~~~NAME"); // not persisted
    EXPECT_EQ(TipFont(ctrl), Realised(L"Tahoma", 15, true));
}

// The persisted properties of a control initialised as new.
void ExpectDefaults(IDispatch* ctrl)
{
    EXPECT_EQ(Get(ctrl, L"Style").Long(), 1);
    EXPECT_TRUE(Get(ctrl, L"ShowContextMenu").Bool());
    EXPECT_TRUE(Get(ctrl, L"Visible").Bool());
    EXPECT_EQ(Get(ctrl, L"TipTextColor").Long(), LONG(GetSysColor(COLOR_INFOTEXT)));
    EXPECT_EQ(TipFont(ctrl), Realised(L"MS Sans Serif", 12, false));
}

class Persist : public ControlTest {};

} // namespace

TEST_F(Persist, InitNewGivesThePersistedDefaults)
{
    IPersistPropertyBag* ppb = As<IPersistPropertyBag>(ctrl, IID_IPersistPropertyBag);
    ASSERT_NE(ppb, nullptr);
    ASSERT_EQ(ppb->InitNew(), S_OK);
    EXPECT_EQ(ppb->InitNew(), E_UNEXPECTED); // once only
    ppb->Release();
    ExpectDefaults(ctrl);
}

TEST_F(Persist, StreamAndStorageRoundTrip)
{
    Customise(ctrl);
    IPersistStreamInit* psi = As<IPersistStreamInit>(ctrl, IID_IPersistStreamInit);
    EXPECT_EQ(psi->IsDirty(), S_OK);
    IStream* stream = SavedStream(ctrl);
    EXPECT_EQ(psi->IsDirty(), S_FALSE);
    psi->Release();
    IDispatch* other = LoadedControl(stream);
    ExpectCustomised(other);
    other->Release();

    // A stream cut short loads what it holds and reports the failure.
    ULARGE_INTEGER cut;
    cut.QuadPart = 10;
    stream->SetSize(cut);
    IDispatch* third = LoadedControl(stream, E_FAIL);
    ExpectDefaults(third);
    third->Release();
    stream->Release();

    // A storage holds the stream form.
    IStorage* storage = nullptr;
    ASSERT_EQ(StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE,
                               0, &storage),
              S_OK);
    IPersistStorage* ps = As<IPersistStorage>(ctrl, IID_IPersistStorage);
    ASSERT_EQ(ps->Save(storage, FALSE), S_OK);
    ps->Release();
    other = NewControl();
    ps = As<IPersistStorage>(other, IID_IPersistStorage);
    ASSERT_EQ(ps->Load(storage), S_OK);
    ExpectCustomised(other);
    ps->Release();
    other->Release();
    storage->Release();
}

TEST_F(Persist, PropertyBagRoundTripUsesTheNames)
{
    Customise(ctrl);
    CBag bag;
    IPersistPropertyBag* ppb = As<IPersistPropertyBag>(ctrl, IID_IPersistPropertyBag);
    ASSERT_NE(ppb, nullptr);
    ASSERT_EQ(ppb->Save(&bag, TRUE, TRUE), S_OK);
    ppb->Release();
    for (const wchar_t* name : {L"ToolTipFont", L"ToolTipColor", L"Style", L"Visible", L"ShowContextMenu"})
        EXPECT_EQ(bag.values.count(name), 1u) << name;
    EXPECT_EQ(bag.values[L"Style"].lVal, 2);
    EXPECT_EQ(bag.values.count(L"ColNameHeader"), 0u);

    IDispatch* other = NewControl();
    IPersistPropertyBag* load = As<IPersistPropertyBag>(other, IID_IPersistPropertyBag);
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
    load = As<IPersistPropertyBag>(third, IID_IPersistPropertyBag);
    EXPECT_EQ(load->Load(&odd, nullptr), S_OK);
    ExpectDefaults(third);
    load->Release();
    third->Release();
}
