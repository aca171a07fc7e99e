#include "Window.h"
#include "Module.h"
#include <new>

namespace fw {

bool CWindow::Create(const char* className, DWORD exStyle, DWORD style, const RECT& rect, HWND parent, UINT id,
                     HCURSOR cursor, HBRUSH background, UINT classStyle)
{
    WNDCLASSA wc = {};
    if (!GetClassInfoA(ModuleInstance(), className, &wc)) {
        wc.style = classStyle;
        wc.lpfnWndProc = StaticProc;
        wc.hInstance = ModuleInstance();
        wc.hCursor = cursor;
        wc.hbrBackground = background;
        wc.lpszClassName = className;
        if (!RegisterClassA(&wc))
            return false;
    }
    return CreateWindowExA(exStyle, className, "", style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(UINT_PTR(id)), ModuleInstance(),
                           this) != nullptr;
}

bool CWindow::CreateSubclassed(const char* systemClass, DWORD exStyle, DWORD style, const RECT& rect, HWND parent,
                               UINT id)
{
    HWND hwnd = CreateWindowExA(exStyle, systemClass, "", style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(UINT_PTR(id)),
                                ModuleInstance(), nullptr);
    if (!hwnd)
        return false;
    m_hWnd = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pOldProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticProc)));
    return true;
}

LRESULT CWindow::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

bool CWindow::ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    HWND child = nullptr;
    if (msg == WM_NOTIFY && lp)
        child = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
    else if (msg == WM_COMMAND)
        child = reinterpret_cast<HWND>(lp);
    else if (msg == WM_NOTIFYFORMAT && lp == NF_QUERY) // the child chooses the form of its own notifications
        child = reinterpret_cast<HWND>(wp);
    // Only windows of ours carry an object in their user data.
    if (!child || GetWindowLongPtrA(child, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(StaticProc))
        return false;
    CWindow* target = reinterpret_cast<CWindow*>(GetWindowLongPtrA(child, GWLP_USERDATA));
    if (!target)
        return false;
    try {
        return target->OnChildNotify(msg, wp, lp, result);
    } catch (...) {
        return false;
    }
}

LRESULT CALLBACK CWindow::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CWindow* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<CWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->m_hWnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self)
        return DefWindowProcA(hwnd, msg, wp, lp);
    // The owner's last reference may go while the message is handled; the
    // object is freed, if at all, only after its procedure has returned.
    IUnknown* owner = self->m_pOwner;
    if (owner)
        owner->AddRef();
    LRESULT result;
    try {
        result = self->WindowProc(msg, wp, lp);
    } catch (...) {
        result = 0; // nothing may leave a window procedure as an exception
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (self->m_pOldProc)
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->m_pOldProc));
        self->m_pOldProc = nullptr;
        self->m_hWnd = nullptr;
        self->OnFinalMessage();
    }
    if (owner)
        owner->Release();
    return result;
}

} // namespace fw
