#include "platform/DisplayCheck.h"

QString MissingDisplay() {
    // The first platform named is the one tried first.
    const QString platform =
        qEnvironmentVariable("QT_QPA_PLATFORM").section(QLatin1Char(';'), 0, 0);
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.isEmpty()) {
        if (x11 || wayland) return {};
        return QStringLiteral("cannot open the window: no display (DISPLAY and WAYLAND_DISPLAY "
                              "are not set); use morvane --report for a headless report");
    }
    if (platform.startsWith(QLatin1String("xcb")) && !x11)
        return QStringLiteral("cannot open the window: no X display (DISPLAY is not set)");
    if (platform.startsWith(QLatin1String("wayland")) && !wayland)
        return QStringLiteral("cannot open the window: no Wayland display (WAYLAND_DISPLAY is "
                              "not set)");
    return {}; // offscreen, vnc, eglfs, ... need no display server
}
