#include "PropExchange.h"
#include <cstring>
#include <string>

namespace fw {

void CStreamExchange::Raw(void* value, ULONG size, const void* def)
{
    ULONG done = 0;
    if (m_mode == SAVE) {
        HRESULT hr = FAILED(m_hr) ? m_hr : m_pStream->Write(value, size, &done);
        if (FAILED(hr) || done != size)
            Fail(FAILED(hr) ? hr : STG_E_MEDIUMFULL);
        return;
    }
    HRESULT hr = FAILED(m_hr) ? m_hr : m_pStream->Read(value, size, &done);
    if (FAILED(hr) || done != size) {
        std::memcpy(value, def, size);
        Fail(FAILED(hr) ? hr : STG_E_READFAULT);
    }
}

// A font as its name (a 32-bit length and UTF-16 characters), size, weight,
// character set and three flags.
void CStreamExchange::Font(const wchar_t*, CFontHolder& font, const FONTDESC& def)
{
    FONTDESC desc = def;
    BSTR name = nullptr;
    BOOL italic = def.fItalic, underline = def.fUnderline, strike = def.fStrikethrough;
    if (m_mode == SAVE && font.Font()) {
        IFont* f = font.Font();
        f->get_Name(&name);
        f->get_Size(&desc.cySize);
        f->get_Weight(&desc.sWeight);
        f->get_Charset(&desc.sCharset);
        f->get_Italic(&italic);
        f->get_Underline(&underline);
        f->get_Strikethrough(&strike);
    }
    DWORD length = name ? SysStringLen(name) : DWORD(std::wcslen(def.lpstrName));
    DWORD zero = 0;
    Raw(&length, sizeof length, &zero);
    std::wstring text = m_mode == SAVE ? std::wstring(name ? name : def.lpstrName, length) : std::wstring();
    if (m_mode == LOAD && SUCCEEDED(m_hr) && length < 256) {
        text.resize(length);
        Raw(&text[0], length * sizeof(wchar_t), def.lpstrName);
    } else if (m_mode == SAVE) {
        Raw(&text[0], length * sizeof(wchar_t), nullptr);
    } else if (m_mode == LOAD) {
        Fail(STG_E_READFAULT);
    }
    Raw(&desc.cySize, sizeof desc.cySize, &def.cySize);
    Raw(&desc.sWeight, sizeof desc.sWeight, &def.sWeight);
    Raw(&desc.sCharset, sizeof desc.sCharset, &def.sCharset);
    BOOL falseValue = FALSE;
    Raw(&italic, sizeof italic, &falseValue);
    Raw(&underline, sizeof underline, &falseValue);
    Raw(&strike, sizeof strike, &falseValue);
    SysFreeString(name);
    if (m_mode != LOAD)
        return;
    if (FAILED(m_hr)) {
        font.Init(def);
        return;
    }
    desc.lpstrName = &text[0];
    desc.fItalic = italic;
    desc.fUnderline = underline;
    desc.fStrikethrough = strike;
    font.Init(desc);
}

bool CBagExchange::Read(const wchar_t* name, VARTYPE vt, VARIANT& out)
{
    VariantInit(&out);
    out.vt = vt;
    if (FAILED(m_pBag->Read(name, &out, m_pLog))) {
        VariantClear(&out);
        return false;
    }
    if (out.vt != vt && FAILED(VariantChangeType(&out, &out, 0, vt))) {
        VariantClear(&out);
        return false;
    }
    return true;
}

void CBagExchange::Write(const wchar_t* name, VARIANT& value)
{
    HRESULT hr = m_pBag->Write(name, &value);
    if (FAILED(hr))
        Fail(hr);
    VariantClear(&value);
}

void CBagExchange::Version(DWORD& value, DWORD def) { Long(L"_Version", reinterpret_cast<LONG&>(value), LONG(def)); }

void CBagExchange::Long(const wchar_t* name, LONG& value, LONG def)
{
    VARIANT v;
    if (m_mode == LOAD) {
        value = Read(name, VT_I4, v) ? v.lVal : def;
        return;
    }
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    Write(name, v);
}

void CBagExchange::Short(const wchar_t* name, SHORT& value, SHORT def)
{
    LONG wide = value;
    Long(name, wide, def);
    if (m_mode == LOAD)
        value = SHORT(wide);
}

void CBagExchange::Bool(const wchar_t* name, BOOL& value, BOOL def)
{
    VARIANT v;
    if (m_mode == LOAD) {
        value = Read(name, VT_BOOL, v) ? (v.boolVal != VARIANT_FALSE) : def;
        return;
    }
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    Write(name, v);
}

void CBagExchange::Font(const wchar_t* name, CFontHolder& font, const FONTDESC& def)
{
    VARIANT v;
    if (m_mode == LOAD) {
        bool read = Read(name, VT_DISPATCH, v);
        if (!read || !v.pdispVal || FAILED(font.Assign(v.pdispVal)))
            font.Init(def);
        if (read)
            VariantClear(&v);
        return;
    }
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = font.Dispatch();
    if (v.pdispVal)
        Write(name, v);
}

} // namespace fw
