#include "gui/charts/ChartSettings.h"
#include "gui/commands/CommandContext.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/ChartPages.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "gui/window/ResultFileCommands.h"

#include <QAction>
#include <QTabWidget>
#include <QTimer>

// Puts the bar and pie charts on pages 1 and 2 and wires them to the
// commands, RotateTimer, runs and settings.
ChartPages* MainWindow::InstallChartPages() {
    MainWindow& form = *this;
    ChartCommands cmd;
    cmd.toggle3D = form.Action(QStringLiteral("actToggle3D"));
    cmd.markVisible = form.Action(QStringLiteral("actMarkVisible"));
    cmd.showLegend = form.Action(QStringLiteral("actShowLegend"));
    cmd.showHints = form.Action(QStringLiteral("actShowHints"));
    cmd.explodeBiggest = form.Action(QStringLiteral("actExplodeBiggest"));
    cmd.elliptic = form.Action(QStringLiteral("actElyptic"));
    cmd.savePicture = form.Action(QStringLiteral("actSavePicture"));
    cmd.rotate = form.Action(QStringLiteral("Move"));
    // The pie turns a step on each tick while the rotate switch is on.
    cmd.rotateTimer = new QTimer(&form);
    cmd.rotateTimer->setObjectName(QStringLiteral("RotateTimer"));
    cmd.rotateTimer->setInterval(20);
    cmd.rotateTimer->start();

    ChartHost host;
    AnalysisSession& session = form.Session();
    host.currentFolder = [&session] { return session.CurrentFolder(); };
    host.selectAndAnalyse = [&form, &session](const QString& folder) {
        if (session.Running()) return; // the views still show the last run
        if (!form.FolderThereOrSay(folder)) return;
        session.SelectFolder(folder);
        form.Guarded([&form, &folder] { form.AnalyseFolder(folder); });
    };
    host.activePage = [&form] { return form.pageControl_->currentIndex(); };
    host.showMessage = [&form](const QString& text) { ShowErrorMessage(&form, text); };
    host.ownPictureShown = [&form] {
        return form.pageControl_->currentIndex() == MainWindow::pgTreemap;
    };

    auto* charts = new ChartPages(form.Page(MainWindow::pgBarChart),
                                  form.Page(MainWindow::pgPieChart), cmd, host, &form);
    QObject::connect(&form, &MainWindow::ChartsFillRequested, charts, &ChartPages::FillCharts);
    QObject::connect(&form, &MainWindow::ApplyChartOptionsRequested, charts,
                     &ChartPages::ApplyChartOptions);
    QObject::connect(&form, &MainWindow::SettingsApplied, charts, [charts, &session] {
        const ChartSettings s = ReadChartSettings(session.IniFileName());
        charts->ApplyLook(s.look, s.enableZoom, s.circelPie);
    });
    new ResultFileCommands(PartsContext(), *charts, *snapshots_, [this] { ShowSessionRows(); });
    return charts;
}
