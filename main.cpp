#include "app/MainFormU.h"
#include "cli/Report.h"
#include <QApplication>
#include <cstring>

int main(int argc, char** argv) {
    // The report runs without a window or a display.
    if (argc > 1 && std::strcmp(argv[1], "--report") == 0) return RunReport(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    TForm1 form;
    form.show();
    return QApplication::exec();
}
