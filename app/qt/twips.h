#pragma once

#include <QFont>
#include <QRect>
#include <QtMath>

namespace kerbcall::qt {

inline constexpr double kTwipsPerInch = 1440.0;

// Twips to pixels at the screen's logical DPI: 15 twips a pixel at 96 DPI.
inline int TwipsToPixels(int twips, double dotsPerInch) { return qRound(twips * dotsPerInch / kTwipsPerInch); }

// The screen's logical DPI, horizontal and vertical.
double HorizontalDpi();
double VerticalDpi();

// A rectangle given in twips, in pixels at the screen's logical DPI.
QRect TwipsRect(int left, int top, int width, int height);

// The bold face of "MS Sans Serif", or of the system's sans font where it is
// missing, at the given point size.
QFont BoldSansFont(double pointSize);

}  // namespace kerbcall::qt
