// GetSelectedItems converts each selected row's path to Unicode itself:
// plain ASCII directly, every other byte through the ANSI code page.
#include "HostedControl.h"

namespace {
std::wstring Ansi(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), int(text.size()), &wide[0], int(wide.size()));
    wide.resize(size_t(n > 0 ? n : 0));
    return wide;
}
} // namespace

TEST_F(Views, SelectedPathsComeThroughTheAnsiCodePage)
{
    Write("T:\\tree\\plain.mp3", "x");
    Write("T:\\tree\\\x80 and \x92quotes\x92.mp3", "x"); // the euro sign and a quote: not Latin-1 below 0xA0
    AddSearch(L"T:\\tree", {L"*.mp3"});
    ASSERT_TRUE(RunSearch());
    HWND files = Shown();
    ASSERT_EQ(SendMessageA(files, LVM_GETITEMCOUNT, 0, 0), 2);
    LVITEMA all = {};
    all.stateMask = all.state = LVIS_SELECTED;
    SendMessageA(files, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&all));

    VARIANT n;
    n.vt = VT_I2;
    n.iVal = 0;
    Call c = Method(ctrl, L"GetSelectedItems", {VRef(&n)});
    ASSERT_EQ(c.result.vt, VT_ARRAY | VT_BSTR);
    EXPECT_EQ(n.iVal, 2);
    bool euro = false;
    for (LONG i = 0; i < 2; ++i) {
        BSTR got = nullptr;
        SafeArrayGetElement(c.result.parray, &i, &got);
        std::wstring expected = Ansi(Cell(files, int(i), 3));
        EXPECT_EQ(std::wstring(got ? got : L"", got ? SysStringLen(got) : 0), expected);
        euro = euro || expected.find(L'\x20AC') != std::wstring::npos; // the code page's, not byte 0x80 widened
        SysFreeString(got);
    }
    EXPECT_TRUE(euro);
}
