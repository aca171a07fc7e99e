// Property exchange: one routine of the control describes its persisted
// properties; loading, saving and initialising as new each run it with their
// own exchange object.
#pragma once
#include "FontHolder.h"
#include <ocidl.h>

namespace fw {

class CPropExchange {
public:
    enum Mode { LOAD, SAVE, INIT };
    explicit CPropExchange(Mode mode) : m_mode(mode) {}
    virtual ~CPropExchange() = default;

    Mode GetMode() const { return m_mode; }
    bool IsLoading() const { return m_mode != SAVE; }
    HRESULT Result() const { return m_hr; }

    virtual void Version(DWORD& value, DWORD def) = 0;
    virtual void Long(const wchar_t* name, LONG& value, LONG def) = 0;
    virtual void Short(const wchar_t* name, SHORT& value, SHORT def) = 0;
    virtual void Bool(const wchar_t* name, BOOL& value, BOOL def) = 0;
    virtual void Font(const wchar_t* name, CFontHolder& font, const FONTDESC& def) = 0;

protected:
    void Fail(HRESULT hr)
    {
        if (SUCCEEDED(m_hr))
            m_hr = hr;
    }
    Mode m_mode;
    HRESULT m_hr = S_OK;
};

// Every property takes its default.
class CInitExchange : public CPropExchange {
public:
    CInitExchange() : CPropExchange(INIT) {}
    void Version(DWORD& value, DWORD def) override { value = def; }
    void Long(const wchar_t*, LONG& value, LONG def) override { value = def; }
    void Short(const wchar_t*, SHORT& value, SHORT def) override { value = def; }
    void Bool(const wchar_t*, BOOL& value, BOOL def) override { value = def; }
    void Font(const wchar_t*, CFontHolder& font, const FONTDESC& def) override { font.Init(def); }
};

// The values one after another in a stream, without names.
class CStreamExchange : public CPropExchange {
public:
    CStreamExchange(IStream* stream, Mode mode) : CPropExchange(mode), m_pStream(stream) {}
    void Version(DWORD& value, DWORD def) override { Raw(&value, sizeof value, &def); }
    void Long(const wchar_t*, LONG& value, LONG def) override { Raw(&value, sizeof value, &def); }
    void Short(const wchar_t*, SHORT& value, SHORT def) override { Raw(&value, sizeof value, &def); }
    void Bool(const wchar_t*, BOOL& value, BOOL def) override { Raw(&value, sizeof value, &def); }
    void Font(const wchar_t*, CFontHolder& font, const FONTDESC& def) override;

private:
    // Reads or writes size bytes; a value that cannot be read takes its default.
    void Raw(void* value, ULONG size, const void* def);
    IStream* m_pStream;
};

// Named values in a property bag; a value the bag does not hold takes its default.
class CBagExchange : public CPropExchange {
public:
    CBagExchange(IPropertyBag* bag, IErrorLog* log, Mode mode) : CPropExchange(mode), m_pBag(bag), m_pLog(log) {}
    void Version(DWORD& value, DWORD def) override;
    void Long(const wchar_t* name, LONG& value, LONG def) override;
    void Short(const wchar_t* name, SHORT& value, SHORT def) override;
    void Bool(const wchar_t* name, BOOL& value, BOOL def) override;
    void Font(const wchar_t* name, CFontHolder& font, const FONTDESC& def) override;

private:
    bool Read(const wchar_t* name, VARTYPE vt, VARIANT& out);
    void Write(const wchar_t* name, VARIANT& value);
    IPropertyBag* m_pBag;
    IErrorLog* m_pLog;
};

} // namespace fw
