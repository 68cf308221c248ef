// morvane-window: the main window; started by morvane.
#include "gui/window/AppIcon.h"
#include "gui/window/MainWindow.h"
#include "gui/window/SplashScreen.h"
#include "platform/DisplayCheck.h"
#include "platform/NativePath.h"
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QStyleFactory>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

namespace {
long long TickCount() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

int main(int argc, char** argv) {
    // Without a display Qt would abort with a page about plugins.
    if (const QString missing = MissingDisplay(); !missing.isEmpty()) {
        std::fprintf(stderr, "morvane: %s\n", missing.toLocal8Bit().constData());
        return 1;
    }
    QApplication app(argc, argv);
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
    QApplication::setWindowIcon(icon);
    // Lets the desktop match the window to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("morvane"));
    // The folder keeps the bytes of its name (QApplication::arguments would not);
    // "--" only protects a name that begins with '-'.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        if (!(args.isEmpty() && std::strcmp(argv[i], "--") == 0))
            args << PathFromNative(argv[i], qsizetype(std::strlen(argv[i])));
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
    MainWindow form(QString(), args);
    splash.reset();
    form.show();
    return QApplication::exec();
}
