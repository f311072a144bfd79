#include "app/win32/dpi_layout.h"

#include <cmath>

namespace kerbcall::win32 {

namespace {

// A function of user32 that older Windows versions lack; null there.
template <typename Function>
Function User32Function(const char* name) {
    // Through the generic function pointer type, which converts to any other.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

}  // namespace

int WindowDpi(HWND window) {
    static const auto getDpiForWindow = User32Function<decltype(&GetDpiForWindow)>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, app::layout::kTwipsPerInch); }

ScaledFont::~ScaledFont() {
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

void ScaledFont::Apply(int dpi, std::initializer_list<HWND> controls) {
    const int height = -static_cast<int>(std::lround(points_ * dpi / 72.0));
    HFONT font = CreateFontA(height, 0, 0, 0, weight_, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face_);
    for (HWND control : controls) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    // Only now that no control uses it any more.
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
    font_ = font;
}

void PlaceControls(std::initializer_list<PlacedControl> controls, int dpi) {
    for (const auto& [control, place] : controls) {
        SetWindowPos(control, nullptr, TwipsToPixels(place.left, dpi), TwipsToPixels(place.top, dpi),
                     TwipsToPixels(place.width, dpi), TwipsToPixels(place.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

SIZE FrameSize(HWND window, const app::layout::Size& client, int dpi) {
    RECT frame{0, 0, TwipsToPixels(client.width, dpi), TwipsToPixels(client.height, dpi)};
    const auto style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    static const auto adjustForDpi = User32Function<decltype(&AdjustWindowRectExForDpi)>("AdjustWindowRectExForDpi");
    if (adjustForDpi != nullptr) {
        adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi));
    } else {
        // Without per-monitor DPI the frame is the system's, whatever `dpi`.
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void SizeFrame(HWND window, const app::layout::Size& client, int dpi, std::optional<POINT> topLeft) {
    constexpr UINT kSizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    SIZE size = FrameSize(window, client, dpi);
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, kSizeOnly);
    // The frame drawn can differ from the one computed, where the system's
    // frame metrics stay at another DPI than the window's.
    RECT area{};
    GetClientRect(window, &area);
    size.cx += TwipsToPixels(client.width, dpi) - area.right;
    size.cy += TwipsToPixels(client.height, dpi) - area.bottom;
    const POINT corner = topLeft.value_or(
        POINT{(GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2, (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2});
    SetWindowPos(window, nullptr, corner.x, corner.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kerbcall::win32
