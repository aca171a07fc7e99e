#include "ControlHost.h"
#include "control/TarnwickDispIds.h"
#include "framework/ConnectionPoint.h"
#include "host/EventSink.h"
#include <olectl.h>
#include <functional>

namespace {

const IID& DIID_Events = DIID_TarnwickEvents;

// A sink that records every event and can answer through the by-reference arguments.
class CSink : public CEventSink {
public:
    struct Event {
        DISPID id;
        std::vector<VARIANT> args; // first to last, as the event declares them
    };
    std::vector<Event> events;
    std::function<void(DISPPARAMS*)> answer;
    ULONG refs = 1;

    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    void OnEvent(DISPID id, DISPPARAMS* dp) override
    {
        Event e{id, {}};
        for (UINT i = dp->cArgs; i-- > 0;)
            e.args.push_back(dp->rgvarg[i]); // shallow: valid only during the call for strings
        events.push_back(e);
        if (answer)
            answer(dp);
    }
};

// An owner for a bare connection point.
class COwner : public IConnectionPointContainer {
public:
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
    ULONG refs = 1;
};

class Events : public ControlTest {};

} // namespace

TEST_F(Events, WritingViewRaisesItemsSelectedThroughTheConnectionPoint)
{
    IConnectionPointContainer* cpc = As<IConnectionPointContainer>(ctrl, IID_IConnectionPointContainer);
    ASSERT_NE(cpc, nullptr);
    IConnectionPoint* cp = nullptr;
    EXPECT_EQ(cpc->FindConnectionPoint(IID_IDispatch, &cp), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(cpc->FindConnectionPoint(DIID_Events, &cp), S_OK);
    IEnumConnectionPoints* e = nullptr;
    ASSERT_EQ(cpc->EnumConnectionPoints(&e), S_OK);
    IConnectionPoint* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(2, listed, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(listed[0], cp);
    listed[0]->Release();
    e->Release();

    CSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    Call view = Put(ctrl, L"View", VLong(1039)); // the current view still raises it
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].id, DISPID_TW_EVENT_ITEMSSELECTED);
    ASSERT_EQ(int(sink.events[0].args.size()), TwEventArgCount(DISPID_TW_EVENT_ITEMSSELECTED));
    EXPECT_EQ(sink.events[0].args[0].vt, VT_I4);
    EXPECT_EQ(sink.events[0].args[1].vt, VT_I4);

    // Frozen events are not delivered.
    IOleControl* oc = As<IOleControl>(ctrl, IID_IOleControl);
    oc->FreezeEvents(TRUE);
    view = Put(ctrl, L"View", VLong(1039));
    oc->FreezeEvents(FALSE);
    oc->Release();
    EXPECT_EQ(sink.events.size(), 1u);

    EXPECT_EQ(cp->Unadvise(cookie), S_OK);
    EXPECT_EQ(cp->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(sink.refs, 1u);
    view = Put(ctrl, L"View", VLong(1039));
    EXPECT_EQ(sink.events.size(), 1u);
    cp->Release();
    cpc->Release();
}

TEST(EventArgs, ArriveInOrderAndCarryOutValuesBack)
{
    COwner owner;
    fw::CConnectionPoint cp(&owner, &owner, DIID_Events);
    CSink first, second;
    DWORD c1 = 0, c2 = 0;
    ASSERT_EQ(cp.Advise(&first, &c1), S_OK);
    ASSERT_EQ(cp.Advise(&second, &c2), S_OK);
    EXPECT_EQ(owner.refs, 1u); // advising does not hold the owner
    // The first sink answers and unadvises itself in the middle of the event.
    first.answer = [&](DISPPARAMS* dp) {
        // rgvarg holds the arguments last first.
        EXPECT_EQ(dp->rgvarg[4].vt, VT_BSTR);
        EXPECT_STREQ(dp->rgvarg[4].bstrVal, L"C:\\song.mp3");
        *dp->rgvarg[3].pbstrVal = SysAllocString(L"info");
        *dp->rgvarg[2].pbstrVal = SysAllocString(L"3:20");
        *dp->rgvarg[1].plVal = 200;
        *dp->rgvarg[0].pboolVal = VARIANT_TRUE;
        cp.Unadvise(c1);
    };
    BSTR info = nullptr, time = nullptr;
    LONG length = 0;
    VARIANT_BOOL ok = VARIANT_FALSE;
    fw::CEventArgs args;
    args.Str("C:\\song.mp3").RefBstr(&info).RefBstr(&time).RefLong(&length).RefBool(&ok);
    cp.Fire(DISPID_TW_EVENT_ADDINGFILE, args.Data(), args.Count());
    EXPECT_STREQ(info, L"info");
    EXPECT_STREQ(time, L"3:20");
    EXPECT_EQ(length, 200);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(first.events.size(), 1u);
    EXPECT_EQ(second.events.size(), 1u); // the next sink is still called
    EXPECT_EQ(cp.SinkCount(), 1u);
    cp.Fire(DISPID_TW_EVENT_ADDINGFILE, args.Data(), args.Count());
    EXPECT_EQ(first.events.size(), 1u);
    EXPECT_EQ(second.events.size(), 2u);
    SysFreeString(info);
    SysFreeString(time);
    // A freed slot is used again.
    DWORD c3 = 0;
    ASSERT_EQ(cp.Advise(&first, &c3), S_OK);
    EXPECT_EQ(c3, c1);
}
