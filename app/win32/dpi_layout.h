#pragma once

#include <windows.h>

#include <initializer_list>
#include <optional>

#include "app/window_layout.h"

// The windows lay themselves out in twips at their own DPI, and again when
// Windows moves them to a monitor of another DPI, so that they are drawn
// sharp at every scaling.
namespace kerbcall::win32 {

// The DPI a window is laid out at: its monitor's where Windows gives each
// window its own, else the screen's.
int WindowDpi(HWND window);

// Twips to pixels at `dpi` (15 twips a pixel at 96 DPI).
int TwipsToPixels(int twips, int dpi);

// A font that keeps its point size at every DPI. Weight 700 is bold;
// character set 0 (ANSI).
class ScaledFont {
public:
    ScaledFont(const char* face, double points, int weight) : face_(face), points_(points), weight_(weight) {}
    ~ScaledFont();
    ScaledFont(const ScaledFont&) = delete;
    ScaledFont& operator=(const ScaledFont&) = delete;

    // Makes the font anew for `dpi` and gives it to `controls`.
    void Apply(int dpi, std::initializer_list<HWND> controls);

private:
    const char* face_;
    double points_;
    int weight_;
    HFONT font_ = nullptr;
};

// A control and where it stands in its container, in twips.
struct PlacedControl {
    HWND control;
    app::layout::Place place;
};

void PlaceControls(std::initializer_list<PlacedControl> controls, int dpi);

// The outer size of a fixed-size top-level window whose client area is
// `client` twips at `dpi`.
SIZE FrameSize(HWND window, const app::layout::Size& client, int dpi);

// Gives the window the frame around a client area of `client` twips at
// `dpi`, with its top left corner at `topLeft`, or centred on the screen.
void SizeFrame(HWND window, const app::layout::Size& client, int dpi, std::optional<POINT> topLeft = std::nullopt);

}  // namespace kerbcall::win32
