// qv_screenshot FILE.png: the whole screen of $DISPLAY as a PNG, kept when a
// test that drives the program fails, to show what the screen looked like.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (args.size() != 2 || !screen) {
        std::fprintf(stderr, "usage: qv_screenshot FILE.png (with a screen)\n");
        return 1;
    }
    return screen->grabWindow(0).save(args[1], "PNG") ? 0 : 2;
}
