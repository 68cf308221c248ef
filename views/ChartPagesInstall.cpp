#include "views/ChartPagesInstall.h"
#include "app/MainFormU.h"
#include "app/MessageBoxes.h"
#include "platform/Errors.h"
#include "views/ChartPages.h"
#include "views/ChartSettings.h"
#include "views/ResultFileCommands.h"

#include <QAction>
#include <QTabWidget>

TChartPages* InstallChartPages(TForm1& form) {
    TChartCommands cmd;
    cmd.actToggle3D = form.Action(QStringLiteral("actToggle3D"));
    cmd.actMarkVisible = form.Action(QStringLiteral("actMarkVisible"));
    cmd.actShowLegend = form.Action(QStringLiteral("actShowLegend"));
    cmd.actShowHints = form.Action(QStringLiteral("actShowHints"));
    cmd.actExplodeBiggest = form.Action(QStringLiteral("actExplodeBiggest"));
    cmd.actElyptic = form.Action(QStringLiteral("actElyptic"));
    cmd.actSavePicture = form.Action(QStringLiteral("actSavePicture"));
    cmd.Move = form.Action(QStringLiteral("Move"));
    cmd.Timer1 = form.Timer1();

    TChartHost host;
    host.currentFolder = [&form] { return form.CurrentFolder(); };
    host.selectAndAnalyse = [&form](const QString& folder) {
        form.SelectFolder(folder);
        try {
            form.AnalyseFolder(folder);
        } catch (const EMorvaneError& e) {
            ShowErrorMessage(&form, e.message());
        } catch (const std::exception& e) {
            ShowErrorMessage(&form, QString::fromLocal8Bit(e.what()));
        }
    };
    host.activePage = [&form] { return form.PageControl1()->currentIndex(); };
    host.showMessage = [&form](const QString& text) { ShowErrorMessage(&form, text); };

    auto* charts = new TChartPages(form.Page(TForm1::pgBarChart), form.Page(TForm1::pgPieChart),
                                   cmd, host, &form);
    QObject::connect(&form, &TForm1::ChartsFillRequested, charts, &TChartPages::FillCharts);
    QObject::connect(&form, &TForm1::ApplyChartOptionsRequested, charts,
                     &TChartPages::ApplyChartOptions);
    QObject::connect(&form, &TForm1::SettingsApplied, charts, [charts, &form] {
        const TChartSettings s = ReadChartSettings(form.IniFileName());
        charts->ApplyLook(s.look, s.enableZoom, s.circelPie);
    });
    new TResultFileCommands(form, *charts);
    return charts;
}
