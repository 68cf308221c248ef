// morvane-window: the main window; started by morvane.
#include "gui/window/AppIcon.h"
#include "gui/window/MainWindow.h"
#include "gui/window/SplashScreen.h"
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QStyleFactory>
#include <chrono>
#include <memory>
#include <thread>

namespace {
long long TickCount() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
    QApplication::setWindowIcon(icon);
    // Lets the desktop match the window to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("morvane"));
    if (qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE"))
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    auto splash = std::make_unique<SplashScreen>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    // Keep the splash up at least into the next whole second.
    const long long t = TickCount();
    const long long until = (t / 1000 + 1) * 1000;
    while (TickCount() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QApplication::processEvents();
    }

    QApplication::setApplicationName(QStringLiteral("Morvane"));
    MainWindow form(QString(), QApplication::arguments().mid(1));
    splash.reset();
    form.show();
    return QApplication::exec();
}
