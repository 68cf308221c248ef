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
    cmd.actToggle3D = form.Action(QStringLiteral("actToggle3D"));
    cmd.actMarkVisible = form.Action(QStringLiteral("actMarkVisible"));
    cmd.actShowLegend = form.Action(QStringLiteral("actShowLegend"));
    cmd.actShowHints = form.Action(QStringLiteral("actShowHints"));
    cmd.actExplodeBiggest = form.Action(QStringLiteral("actExplodeBiggest"));
    cmd.actElyptic = form.Action(QStringLiteral("actElyptic"));
    cmd.actSavePicture = form.Action(QStringLiteral("actSavePicture"));
    cmd.Move = form.Action(QStringLiteral("Move"));
    // The pie turns a step on each tick while the rotate switch is on.
    cmd.RotateTimer = new QTimer(&form);
    cmd.RotateTimer->setObjectName(QStringLiteral("RotateTimer"));
    cmd.RotateTimer->setInterval(20);
    cmd.RotateTimer->start();

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
