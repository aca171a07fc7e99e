// A window object: the window procedure finds the object through the window's
// user data, set at WM_NCCREATE and cleared at WM_NCDESTROY.
#pragma once
#include <windows.h>
#include <unknwn.h>

namespace fw {

class CWindow {
public:
    CWindow() = default;
    virtual ~CWindow() = default;
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    // The COM object this window belongs to is kept alive while the window
    // handles a message: a host may release it from inside an event.
    void SetLifetimeOwner(IUnknown* owner) { m_pOwner = owner; }
    // Registers the class on first use (CS_DBLCLKS, no cursor, brush or icon unless given).
    bool Create(const char* className, DWORD exStyle, DWORD style, const RECT& rect, HWND parent, UINT id,
                HCURSOR cursor = nullptr, HBRUSH background = nullptr, UINT classStyle = CS_DBLCLKS);
    // Creates a window of a system class (a list view, say) and takes over its
    // messages; what this object does not handle goes to the class's own procedure.
    bool CreateSubclassed(const char* systemClass, DWORD exStyle, DWORD style, const RECT& rect, HWND parent,
                          UINT id);

    // A parent hands a child's notification (WM_NOTIFY, WM_COMMAND from a
    // control) back to the child window object that sent it; true when that
    // child handled it, with its result.
    static bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // A notification this window sent to its parent, handed back to it.
    virtual bool OnChildNotify(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp)
    {
        return m_pOldProc ? CallWindowProcA(m_pOldProc, m_hWnd, msg, wp, lp) : DefWindowProcA(m_hWnd, msg, wp, lp);
    }
    virtual void OnFinalMessage() {}

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND m_hWnd = nullptr;
    WNDPROC m_pOldProc = nullptr;
    IUnknown* m_pOwner = nullptr; // not counted: the owner outlives the window object
};

} // namespace fw
