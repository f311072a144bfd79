#include "app/qt/twips.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace kerbcall::qt {

namespace {
constexpr double kDefaultDpi = 96.0;
}  // namespace

double HorizontalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchX() : kDefaultDpi;
}

double VerticalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchY() : kDefaultDpi;
}

QRect PixelRect(const app::layout::Place& place) {
    const double x = HorizontalDpi();
    const double y = VerticalDpi();
    return {TwipsToPixels(place.left, x), TwipsToPixels(place.top, y), TwipsToPixels(place.width, x),
            TwipsToPixels(place.height, y)};
}

QSize PixelSize(const app::layout::Size& size) {
    return {TwipsToPixels(size.width, HorizontalDpi()), TwipsToPixels(size.height, VerticalDpi())};
}

QFont BoldSansFont(double pointSize) {
    const QString wanted = QString::fromLatin1(app::layout::kFontFace);
    QFont font =
        QFontDatabase::hasFamily(wanted) ? QFont(wanted) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize);
    font.setWeight(static_cast<QFont::Weight>(app::layout::kBoldWeight));
    return font;
}

}  // namespace kerbcall::qt
