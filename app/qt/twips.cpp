#include "app/qt/twips.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace kerbcall::qt {

namespace {
constexpr double kDefaultDpi = 96.0;
constexpr int kBoldWeight = 700;
}  // namespace

double HorizontalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchX() : kDefaultDpi;
}

double VerticalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchY() : kDefaultDpi;
}

QRect TwipsRect(int left, int top, int width, int height) {
    const double x = HorizontalDpi();
    const double y = VerticalDpi();
    return {TwipsToPixels(left, x), TwipsToPixels(top, y), TwipsToPixels(width, x), TwipsToPixels(height, y)};
}

QFont BoldSansFont(double pointSize) {
    const QString wanted = QStringLiteral("MS Sans Serif");
    QFont font =
        QFontDatabase::hasFamily(wanted) ? QFont(wanted) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize);
    font.setWeight(static_cast<QFont::Weight>(kBoldWeight));
    return font;
}

}  // namespace kerbcall::qt
