// morvane-window: the main window; started by morvane.
#include "gui/common/AppIcon.h"
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
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace {
// While the application object is made, Qt's messages are held back: a display
// that will not open ends there in a fatal message and an abort, which becomes
// one line and exit status 1; otherwise what was held goes out unchanged.
class HeldStartMessages {
public:
    HeldStartMessages() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        held_ = std::tmpfile();
        if (saved_ < 0 || !held_ || ::dup2(::fileno(held_), 2) < 0) return;
        previous_ = qInstallMessageHandler(&Handle);
    }
    ~HeldStartMessages() {
        qInstallMessageHandler(previous_);
        const std::string text = GiveBack() + qtLines_;
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
    HeldStartMessages(const HeldStartMessages&) = delete;
    HeldStartMessages& operator=(const HeldStartMessages&) = delete;

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type != QtFatalMsg) {
            qtLines_ += qFormatLogMessage(type, context, text).toLocal8Bit().toStdString() + '\n';
            return;
        }
        // The first line held says why: the X library's words, else Qt's.
        std::string why = GiveBack() + qtLines_;
        why.erase(0, why.find_first_not_of("\n"));
        why = why.substr(0, why.find('\n'));
        if (why.empty()) why = text.toLocal8Bit().toStdString();
        std::fprintf(stderr, "morvane: cannot open the window on display %s: %s\n",
                     qEnvironmentVariableIsEmpty("DISPLAY") ? "(none)" : std::getenv("DISPLAY"),
                     why.c_str());
        std::_Exit(1);
    }
    // Puts standard error back and returns what was written meanwhile.
    static std::string GiveBack() {
        std::string text;
        if (saved_ < 0 || !held_) return text;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
        std::rewind(held_);
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, held_)) > 0;)
            text.append(buffer, n);
        std::fclose(held_);
        held_ = nullptr;
        return text;
    }
    static inline int saved_ = -1;
    static inline std::FILE* held_ = nullptr;
    static inline QtMessageHandler previous_ = nullptr;
    static inline std::string qtLines_;
};

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
    auto held = std::make_unique<HeldStartMessages>();
    QApplication app(argc, argv);
    held.reset();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
    QApplication::setWindowIcon(icon);
    // Lets the desktop match the window to the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvane.morvane"));
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
