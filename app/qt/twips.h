#pragma once

#include <QFont>
#include <QRect>
#include <QtMath>

#include "app/window_layout.h"

namespace kerbcall::qt {

// Twips to pixels at the screen's logical DPI: 15 twips a pixel at 96 DPI.
inline int TwipsToPixels(int twips, double dotsPerInch) {
    return qRound(twips * dotsPerInch / app::layout::kTwipsPerInch);
}

// The screen's logical DPI, horizontal and vertical.
double HorizontalDpi();
double VerticalDpi();

// A place or a size given in twips, in pixels at the screen's logical DPI.
QRect PixelRect(const app::layout::Place& place);
QSize PixelSize(const app::layout::Size& size);

// The bold face of the windows' font, or of the system's sans font where it
// is missing, at the given point size.
QFont BoldSansFont(double pointSize);

}  // namespace kerbcall::qt
