#include "toolkit/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace quorvel::ui {

double logicalDpi() {
    QScreen* screen = QGuiApplication::primaryScreen();
    double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

int twipsToPx(double twips) {
    return static_cast<int>(std::lround(twips * logicalDpi() / kTwipsPerInch));
}

double pxToTwips(int px) {
    return px * kTwipsPerInch / logicalDpi();
}

}  // namespace quorvel::ui
