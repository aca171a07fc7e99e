#include "ControlHost.h"
#include "control/TarnwickDispIds.h"
#include <olectl.h>

namespace {
class Dispatch : public ControlTest {
protected:
    // The control error a call raised, as a script's Err.Number shows it.
    static LONG ErrNumber(const Call& c)
    {
        return c.hr == DISP_E_EXCEPTION && HRESULT_FACILITY(c.excep.scode) == FACILITY_CONTROL
                   ? LONG(HRESULT_CODE(c.excep.scode))
                   : -1;
    }
    std::string TempPath(const char* name)
    {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        return std::string(dir) + name;
    }
};
} // namespace

TEST_F(Dispatch, PropertiesKeepWhatTheHostWrites)
{
    const struct {
        const wchar_t* name;
        VARIANT value;
        const char* back;
    } props[] = {{L"ColTypeHeader", VStr(L"Type"), "Type"},
                 {L"ColNameWidth", VLong(120), "120"}, // coerced to a short
                 {L"TipTextColor", VLong(0x00FF00), "65280"}};
    for (const auto& p : props) {
        ASSERT_EQ(Put(ctrl, p.name, p.value).hr, S_OK);
        Call get = Get(ctrl, p.name);
        VariantChangeType(&get.result, &get.result, 0, VT_BSTR);
        EXPECT_EQ(get.Str(), p.back);
    }
    EXPECT_EQ(Put(ctrl, L"ColNameWidth", VStr(L"wide")).hr, DISP_E_TYPEMISMATCH);

    // The view is not enabled before anything was found: writing View changes nothing.
    Put(ctrl, L"View", VLong(1040));
    EXPECT_EQ(Get(ctrl, L"View").Long(), 1039);
}

TEST_F(Dispatch, PatternArraysMustBeOneDimensionalStringArrays)
{
    VARIANT single = VStr(L"*.mp3");
    Call a = Method(ctrl, L"AddSearch", {VStr(L"C:"), single, VShort(1)});
    EXPECT_EQ(ErrNumber(a), 1001);
    EXPECT_EQ(a.Description(), "Type Mismatch in Parameter. Pass a string array by reference");

    SAFEARRAYBOUND two[2] = {{2, 0}, {2, 0}};
    VARIANT matrix = VPtr(VT_ARRAY | VT_BSTR, SafeArrayCreate(VT_BSTR, 2, two));
    Call b = Method(ctrl, L"GetItemsFoundCount", {matrix});
    EXPECT_EQ(ErrNumber(b), 1002);
    EXPECT_EQ(b.Description(), "Type Mismatch in Parameter. Pass a one-dimensional array");

    // A script's array (of variants), and a string array by reference, are refused too.
    SAFEARRAYBOUND one = {1, 0};
    VARIANT variants = VPtr(VT_ARRAY | VT_VARIANT, SafeArrayCreate(VT_VARIANT, 1, &one));
    Call c = Method(ctrl, L"HideItems", {VRef(&variants)});
    EXPECT_EQ(ErrNumber(c), 1001);
    VARIANT strings = VStrings({L"*.mp3"});
    Call d = Method(ctrl, L"GetItemsFoundCount", {VPtr(VT_BYREF | VT_ARRAY | VT_BSTR, &strings.parray)});
    EXPECT_EQ(ErrNumber(d), 1001);

    // Held in a script variable (by reference to a variant), a string array is fine.
    Call e = Method(ctrl, L"GetItemsFoundCount", {VRef(&strings)});
    EXPECT_EQ(e.hr, S_OK);
    EXPECT_EQ(e.Long(), 0);
    VariantClear(&variants);
    VariantClear(&strings);
}

TEST_F(Dispatch, AddSearchTakesTheElementsFromTheLowerBoundAndNoMoreThanThereAre)
{
    Call add = Method(ctrl, L"AddSearch", {VStr(L"C"), VStrings({L"*.wav", L"*.mp3"}, 1), VShort(50)});
    ASSERT_EQ(add.hr, S_OK);
    EXPECT_TRUE(add.Bool());
    // The request exists under the key C: and can be deleted once.
    EXPECT_FALSE(Method(ctrl, L"DeleteSearch", {VStr(L"C:\\")}).Bool());
    BSTR key = SysAllocString(L"C:");
    Call del1 = Method(ctrl, L"DeleteSearch", {VPtr(VT_BYREF | VT_BSTR, &key)}); // the table takes it by reference too
    EXPECT_TRUE(del1.Bool());
    EXPECT_STREQ(key, L"C:"); // read, never freed or changed
    EXPECT_FALSE(Method(ctrl, L"DeleteSearch", {VStr(L"C:")}).Bool());
    SysFreeString(key);

    // An empty volume still answers TRUE; the table ignores it.
    EXPECT_TRUE(Method(ctrl, L"AddSearch", {VStr(L""), VStrings({L"*.mp3"}), VShort(1)}).Bool());
    EXPECT_TRUE(Method(ctrl, L"DelAllSearches").Bool());
}

TEST_F(Dispatch, CountsAndCacheFilesThroughTheAutomationInterface)
{
    // GetMusicCounts fills longs by reference, given exactly or inside variants.
    LONG tagged = 7, mp3 = 7;
    VARIANT total;
    VariantInit(&total);
    Call counts = Method(ctrl, L"GetMusicCounts",
           {VPtr(VT_BYREF | VT_I4, &tagged), VPtr(VT_BYREF | VT_I4, &mp3), VRef(&total)});
    ASSERT_EQ(counts.hr, S_OK);
    EXPECT_EQ(tagged, 0);
    EXPECT_EQ(mp3, 0);
    EXPECT_EQ(total.vt, VT_I4);
    EXPECT_EQ(total.lVal, 0);

    std::string missing = TempPath("tw-no-such-cache.snd");
    std::wstring wmissing(missing.begin(), missing.end());
    DeleteFileA(missing.c_str());
    EXPECT_EQ(Method(ctrl, L"LoadFile", {VStr(wmissing.c_str())}).Long(), 2);
    Call save = Method(ctrl, L"SaveFile", {VStr(wmissing.c_str())}); // empty catalogue, no file: nothing written
    EXPECT_EQ(save.Long(), 0);
    EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);

    // A cache file of one record whose file exists: loaded, counted, found by extension.
    std::string song = TempPath("tw-song.mp3");
    Write(song, "");
    std::string cache = "SNDF" + std::string("\x01\x00\x00\x00\xFF\xFF\x01\x00\x0A\x00", 10) + "CMusicInfo" +
                        "\x0Btw-song.mp3" + std::string(4, '\0') + char(song.size()) + song + std::string(1, '\0') +
                        std::string("\x01\x00\x00\x00\xFF\xFF\xFF\xFF\x10\x00\x00\x00\x01\x00\x00\x00", 16);
    std::string cachePath = TempPath("tw-cache.snd");
    Write(cachePath, cache);
    std::wstring wcache(cachePath.begin(), cachePath.end());
    ASSERT_EQ(Put(ctrl, L"CacheFile", VStr(wcache.c_str())).hr, S_OK);
    EXPECT_EQ(MusicCounts(ctrl), (std::vector<LONG>{1, 1, 1}));
    EXPECT_EQ(Method(ctrl, L"GetItemsFoundCount", {VStrings({L"*.Mp3"})}).Long(), 1);
    EXPECT_EQ(Method(ctrl, L"GetItemsFoundCount", {VStrings({nullptr})}).Long(), 0); // a null element: the list "|"
    DeleteFileA(song.c_str());
    DeleteFileA(cachePath.c_str());
}

TEST_F(Dispatch, SelectionIsEmptyWithoutLists)
{
    SHORT count = 9;
    Call items = Method(ctrl, L"GetSelectedItems", {VPtr(VT_BYREF | VT_I2, &count)});
    ASSERT_EQ(items.hr, S_OK);
    EXPECT_EQ(items.result.vt, VT_EMPTY);
    EXPECT_EQ(count, 0);
    BSTR text = SysAllocString(L"keep");
    EXPECT_FALSE(Method(ctrl, L"GetSelectedItemsString", {VPtr(VT_BYREF | VT_BSTR, &text)}).Bool());
    EXPECT_STREQ(text, L"keep");
    SysFreeString(text);
}

// Every member with every kind of bad argument: an error result, never a crash.
TEST_F(Dispatch, BadArgumentsGiveErrorsNotCrashes)
{
    std::wstring huge(100000, L'x');
    SAFEARRAYBOUND one = {3, 0};
    SAFEARRAY* longs = SafeArrayCreate(VT_I4, 1, &one);
    VARIANT kinds[8];
    for (VARIANT& v : kinds)
        VariantInit(&v);
    kinds[0].vt = VT_NULL;
    kinds[1].vt = VT_ERROR;
    kinds[1].scode = DISP_E_PARAMNOTFOUND;
    kinds[2].vt = VT_BSTR; // a null string
    kinds[3] = VStr(huge.c_str());
    kinds[4].vt = VT_DISPATCH; // a null object
    kinds[5] = VPtr(VT_ARRAY | VT_I4, longs);
    kinds[6] = VLong(-1);
    kinds[7] = VRef(&kinds[0]);
    const WORD flags[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                          DISPATCH_METHOD | DISPATCH_PROPERTYGET};
    for (DISPID id = DISPID_TW_ABOUTBOX - 8; id <= DISPID_TW_SETHIDEAUDIOLENGTH + 3; ++id) {
        if (id > -500 && id < 0)
            continue;
        for (WORD f : flags) {
            for (UINT count = 0; count <= 4; ++count) {
                if (id == DISPID_TW_ABOUTBOX && count == 0 && !(f & DISPATCH_PROPERTYPUT))
                    continue; // AboutBox itself would wait for a person to close it
                for (const VARIANT& kind : kinds) {
                    Invoke(ctrl, id, f, std::vector<VARIANT>(count, kind)); // its result freed at once
                }
            }
        }
    }
    // Still alive and answering.
    EXPECT_EQ(Get(ctrl, L"ColNameHeader").hr, S_OK);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(ctrl->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(ctrl->Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    VariantClear(&kinds[3]);
    SafeArrayDestroy(longs);
}
