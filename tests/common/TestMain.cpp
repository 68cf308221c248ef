// Test entry point: every test process gets its own HOME and XDG folders so
// that no test touches the real home, trash or settings.
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#ifdef MORVANE_GUI_TESTS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/morvane-test-home-XXXXXX"));
    if (!home.isValid()) return 1;
    const QByteArray h = home.path().toLocal8Bit();
    setenv("HOME", h.constData(), 1);
    for (const char* v : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        const QByteArray p = h + "/" + QByteArray(v).toLower();
        QDir().mkpath(QString::fromLocal8Bit(p));
        setenv(v, p.constData(), 1);
    }
#ifdef MORVANE_GUI_TESTS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
