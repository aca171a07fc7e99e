// What the benchmarks of GetSelectedItems share: the call itself with its
// short count, the bare string array of the same paths it is measured
// against, and the check that an array holds exactly the expected paths.
#pragma once
#include "host/ControlClient.h"
#include <windows.h>
#include <oleauto.h>
#include <algorithm>
#include <string>
#include <vector>

namespace bench {

// GetSelectedItems with the count passed by reference, as hosts call it.
inline HRESULT SelectedItems(IDispatch* ctrl, VARIANT& result, short& reported)
{
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_I2;
    byRef.piVal = &reported;
    VariantInit(&result);
    return InvokeByName(ctrl, L"GetSelectedItems", DISPATCH_METHOD, {byRef}, &result);
}

// The baseline of the export: a zero-based string array of the paths.
inline SAFEARRAY* BareArray(const std::vector<std::string>& paths)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, ULONG(paths.size()));
    BSTR* data = nullptr;
    if (!array || FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data))))
        return array;
    std::vector<wchar_t> wide(1024);
    for (size_t i = 0; i < paths.size(); ++i) {
        MultiByteToWideChar(CP_ACP, 0, paths[i].c_str(), -1, wide.data(), int(wide.size()));
        data[i] = SysAllocString(wide.data());
    }
    SafeArrayUnaccessData(array);
    return array;
}

// Whether the array is zero-based and holds exactly these paths, in any order.
inline bool HoldsPaths(SAFEARRAY* array, std::vector<std::string> expected)
{
    LONG low = 0, high = -1;
    if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &low)) ||
        FAILED(SafeArrayGetUBound(array, 1, &high)) || low != 0 || size_t(high - low + 1) != expected.size())
        return false;
    BSTR* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data))))
        return false;
    std::vector<std::string> got(expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        char text[1024] = {};
        if (data[i])
            WideCharToMultiByte(CP_ACP, 0, data[i], -1, text, sizeof text, nullptr, nullptr);
        got[i] = text;
    }
    SafeArrayUnaccessData(array);
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    return got == expected;
}

} // namespace bench
