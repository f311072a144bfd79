#pragma once

#include <cstdint>

// Where the two windows' controls stand and how they look, for every
// toolkit's views. Positions and sizes are in twips (1/1440 inch) from the
// top left corner of the control's container; 15 twips make a pixel at 96
// dots per inch.
namespace kerbcall::app::layout {

struct Size {
    int width;
    int height;
};

struct Place {
    int left;
    int top;
    int width;
    int height;
};

inline constexpr int kTwipsPerInch = 1440;

inline constexpr Size kMainWindowClient{5412, 1236};
inline constexpr Place kCommand2{3360, 360, 1215, 375};
inline constexpr Place kLabel1{600, 480, 2292, 252};
// The run's status line, below the label and the button, in the window's font.
inline constexpr Place kLblStatus{120, 840, 5172, 252};

inline constexpr Size kChooserClient{6972, 5760};
inline constexpr Place kPicture1{120, 120, 6735, 4335};
// The three lists stand on the panel Picture1.
inline constexpr Place kDrvList{120, 120, 3615, 315};
inline constexpr Place kDirList{120, 600, 3615, 3465};
inline constexpr Place kFilList{4080, 120, 2415, 3912};
inline constexpr Place kCmdSelect{1920, 5040, 1200, 480};
inline constexpr Place kCmdCancel{3840, 5040, 1200, 480};

// Label1 and the panel Picture1 carry a font of their own; the three lists on
// the panel take the panel's, and the rest keep the window's.
inline constexpr char kFontFace[] = "MS Sans Serif";
inline constexpr int kBoldWeight = 700;
inline constexpr double kLabel1Points = 9.6;
inline constexpr double kPicture1Points = 7.8;

// The chooser's background, red, green and blue alike.
inline constexpr std::uint8_t kChooserGrey = 192;

}  // namespace kerbcall::app::layout
