// CTipWnd: a borderless box with a short help text, laid over its owner.
// It takes no input, and deletes itself once its window is destroyed.
#pragma once
#include "framework/Window.h"
#include <string>

class CTipWnd : public fw::CWindow {
public:
    CTipWnd(const char* className, HWND owner) : m_strClass(className), m_hOwner(owner) {}
    ~CTipWnd() override = default;

    // The text is the window's text too, for whatever reads windows aloud.
    void SetHelpText(const std::string& text);
    void SetHelpFont(HFONT font) { m_hFont = font; }
    void SetHelpTextColor(COLORREF color) { m_clrText = color; }
    void SetHelpRect(const RECT& rect)
    {
        m_rect = rect;
        m_bWaiting = false;
    }
    // Creates and shows the window: 0 a rectangle, 1 a rounded one. FALSE before SetHelpRect.
    bool ShowHelp(int shape);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnFinalMessage() override { delete this; }

private:
    void Paint(HDC dc);

    HFONT m_hFont = nullptr;
    RECT m_rect = {};
    bool m_bWaiting = true;
    COLORREF m_clrText = 0;
    std::string m_strClass;
    std::string m_strText;
    HWND m_hOwner;
    int m_nShape = 0;
};
