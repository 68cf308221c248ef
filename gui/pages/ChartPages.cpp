#include "gui/pages/ChartPages.h"
#include "core/export/ExportWriter.h"
#include "core/export/PictureFiles.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLayout>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cstring>

namespace {

void OpenWithDesktop(const QString& folder) {
    QDesktopServices::openUrl(FileUrl(folder));
}

ChartPages::OpenerFunction& Opener() {
    static ChartPages::OpenerFunction opener = OpenWithDesktop;
    return opener;
}

bool RunPictureDialog(QString& fileName, PictureKind& kind) {
    static const QStringList filters = {
        QStringLiteral("Metafiles (*.wmf)"), QStringLiteral("Enhanced Metafiles (*.emf)"),
        QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("JPEG Image File (*.jpg)")};
    static const QStringList suffixes = {QStringLiteral("wmf"), QStringLiteral("emf"),
                                         QStringLiteral("bmp"), QStringLiteral("jpg")};
    QFileDialog dlg(QApplication::activeWindow(),
                    QStringLiteral("Save Chart as WMF, BMP or Jpeg file"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilters(filters);
    dlg.setDefaultSuffix(suffixes[0]);
    // A name typed without extension gets the one of the chosen kind.
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, [&dlg](const QString& f) {
        dlg.setDefaultSuffix(suffixes.value(int(filters.indexOf(f)), suffixes[0]));
    });
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    fileName = dlg.selectedFiles().constFirst();
    // A typed extension of one of the kinds wins over the filter, so the file's
    // data matches its name.
    const qsizetype typed = suffixes.indexOf(QFileInfo(fileName).suffix().toLower().replace(
        QLatin1String("jpeg"), QLatin1String("jpg")));
    kind = PictureKind((typed >= 0 ? typed : filters.indexOf(dlg.selectedNameFilter())) + 1);
    if (kind < pkWmf) kind = pkWmf;
    return true;
}

ChartPages::PictureDialogFunction& PictureDialog() {
    static ChartPages::PictureDialogFunction dialog = RunPictureDialog;
    return dialog;
}

RawPicture ToRawPicture(const QImage& image) {
    const QImage img = image.convertToFormat(QImage::Format_RGB888);
    RawPicture pic(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y)
        std::memcpy(pic.Pixel(0, y), img.constScanLine(y), std::size_t(img.width()) * 3);
    return pic;
}

void AddToPage(QWidget* page, QWidget* chart) {
    if (!page->layout()) {
        auto* l = new QVBoxLayout(page);
        l->setContentsMargins(0, 0, 0, 0);
    }
    page->layout()->addWidget(chart);
}

} // namespace

void ChartPages::SetFileManagerOpener(OpenerFunction opener) {
    Opener() = std::move(opener);
}
void ChartPages::SetPictureDialog(PictureDialogFunction dialog) {
    PictureDialog() = dialog ? std::move(dialog) : PictureDialogFunction(RunPictureDialog);
}

ChartPages::ChartPages(QWidget* barPage, QWidget* piePage, const ChartCommands& commands,
                       ChartHost host, QObject* parent)
    : QObject(parent), cmd_(commands), host_(std::move(host)) {
    Bars = new BarChart(barPage);
    Pies = new PieChart(piePage);
    AddToPage(barPage, Bars);
    AddToPage(piePage, Pies);
    const QStringList first = {QStringLiteral("Select drive or directory and press run !")};
    Bars->SetTitle(first);
    Pies->SetTitle(first);
    Bars->setToolTip(BarsHint);
    Pies->setToolTip(PiesHint);

    for (QAction* a : {cmd_.actToggle3D, cmd_.actMarkVisible, cmd_.actShowLegend,
                       cmd_.actExplodeBiggest, cmd_.actElyptic, cmd_.Move})
        a->setCheckable(true);
    // Checkable actions flip their state before triggered arrives.
    connect(cmd_.actToggle3D, &QAction::triggered, this, &ChartPages::actToggle3DExecute);
    connect(cmd_.actMarkVisible, &QAction::triggered, this, &ChartPages::actMarkVisibleExecute);
    connect(cmd_.actShowLegend, &QAction::triggered, this, &ChartPages::actShowLegendExecute);
    connect(cmd_.actExplodeBiggest, &QAction::triggered, this,
            &ChartPages::actExplodeBiggestExecute);
    connect(cmd_.actElyptic, &QAction::triggered, this, &ChartPages::actElypticExecute);
    connect(cmd_.Move, &QAction::triggered, this, &ChartPages::MoveClick);
    connect(cmd_.actSavePicture, &QAction::triggered, this, &ChartPages::actSavePictureExecute);
    connect(cmd_.RotateTimer, &QTimer::timeout, this, &ChartPages::RotateTimerTick);
    connect(Bars, &ChartBase::ClickSeries, this, &ChartPages::BarsClickSeries);
    connect(Pies, &ChartBase::ClickSeries, this, &ChartPages::PiesClickSeries);
    // The legends follow the restored switch at once.
    connect(cmd_.actShowLegend, &QAction::toggled, this, [this](bool on) {
        Bars->SetLegendVisible(on);
        Pies->SetLegendVisible(on);
    });
    // The pie form flag reaches the pie as soon as it is restored.
    connect(cmd_.actElyptic, &QAction::toggled, this, [this] { Pies->SetCircular(PieFormFlag()); });
    Pies->SetCircular(PieFormFlag());
    Bars->SetLegendVisible(cmd_.actShowLegend->isChecked());
    Pies->SetLegendVisible(cmd_.actShowLegend->isChecked());
    // Every HTML report made from now on gets the pictures of these charts.
    ExportWriter::DefaultPictureMaker = [this](int chart, const QString& path) {
        return MakePicture(chart, path);
    };
}

ChartPages::~ChartPages() {
    ExportWriter::DefaultPictureMaker = {};
}

bool ChartPages::MakePicture(int chart, const QString& jpgPath) {
    try {
        Savejpg(jpgPath, chart);
        return true;
    } catch (const EMorvaneError&) {
        return false;
    }
}

bool ChartPages::PieFormFlag() const {
    return !cmd_.actElyptic->isChecked();
}

void ChartPages::FillCharts(const QStringList& paths, const QStringList& mbTexts) {
    Bars->BarSerie.Clear();
    Pies->DiscoSerie.Clear();
    Bars->UndoZoom();
    // The rows' own folder: an opened result need not be of the current folder.
    const QString folder = FolderOfRows(paths);
    const QStringList title = {QStringLiteral("Folder Size in:"),
                               folder.isEmpty() ? host_.currentFolder() : folder};
    Bars->SetTitle(title);
    Pies->SetTitle(title);
    // Point by point, so a bad text stops the fill at its row.
    for (qsizetype k = 0; k < paths.size(); ++k) {
        const ChartPoint p = MakeChartPoint(paths[k], StrToSizeFloat(mbTexts.value(k)), int(k));
        Pies->DiscoSerie.Add(p);
        Bars->BarSerie.Add(p);
    }
    Bars->PointsChanged();
    Pies->PointsChanged();
}

void ChartPages::ApplyChartOptions() {
    Pies->SetExplodeBiggest(cmd_.actExplodeBiggest->isChecked() ? 10 : 0);
    Bars->SetMarksVisible(cmd_.actMarkVisible->isChecked());
    Pies->SetMarksVisible(cmd_.actMarkVisible->isChecked());
    Bars->SetLegendVisible(cmd_.actShowLegend->isChecked());
    Pies->SetLegendVisible(cmd_.actShowLegend->isChecked());
    Bars->SetView3D(cmd_.actToggle3D->isChecked());
    Pies->SetView3D(cmd_.actToggle3D->isChecked());
    Pies->SetCircular(PieFormFlag());
}

void ChartPages::ApplyLook(const ChartLook& look, bool enableZoom, bool circelPie) {
    Bars->SetLook(look);
    Pies->SetLook(look);
    Bars->SetZoomEnabled(enableZoom);
    Pies->SetCircular(circelPie);
}

void ChartPages::actToggle3DExecute() {
    Bars->SetView3D(cmd_.actToggle3D->isChecked());
    Pies->SetView3D(cmd_.actToggle3D->isChecked());
}

void ChartPages::actMarkVisibleExecute() {
    Bars->SetMarksVisible(cmd_.actMarkVisible->isChecked());
    Pies->SetMarksVisible(cmd_.actMarkVisible->isChecked());
}

void ChartPages::actShowLegendExecute() {
    Bars->SetLegendVisible(cmd_.actShowLegend->isChecked());
    Pies->SetLegendVisible(cmd_.actShowLegend->isChecked());
}

void ChartPages::actExplodeBiggestExecute() {
    Pies->SetExplodeBiggest(cmd_.actExplodeBiggest->isChecked() ? 10 : 0);
}

void ChartPages::actElypticExecute() {
    Pies->SetCircular(PieFormFlag());
}

void ChartPages::MoveClick() {
    // The switch is the button's own state; the timer reads it on each tick.
}

void ChartPages::RotateTimerTick() {
    const bool rotating = cmd_.Move->isChecked() && cmd_.Move->isEnabled();
    if (rotating) Pies->SetRotation(NextRotation(Pies->Rotation(), true));
}

void ChartPages::BarsClickSeries(int index, Qt::MouseButton button) {
    ClickSeries(Bars, index, button);
}

void ChartPages::PiesClickSeries(int index, Qt::MouseButton button) {
    ClickSeries(Pies, index, button);
}

void ChartPages::ClickSeries(ChartBase* chart, int index, Qt::MouseButton button) {
    if (index < 0 || index >= chart->Series().Count()) return;
    // The point's own row path: the current folder may have moved on since the fill.
    DrillOrOpen(ChartClickTarget(chart->Series().points[std::size_t(index)].path), button);
}

void ChartPages::DrillOrOpen(const QString& target, Qt::MouseButton button) {
    if (button == Qt::LeftButton) {
        host_.selectAndAnalyse(target);
    } else if (button == Qt::RightButton) {
        Opener()(target);
    }
}

ChartBase* ChartPages::ChartOf(int chart) const {
    if (chart == 0) {
        const int page = host_.activePage();
        chart = page == BarPage ? 1 : page == PiePage ? 2 : -1;
    }
    return chart == 1 ? static_cast<ChartBase*>(Bars) : chart == 2 ? Pies : nullptr;
}

void ChartPages::Savejpg(const QString& fileName, int chart) {
    QClipboard* clip = QApplication::clipboard();
    if (ChartBase* c = ChartOf(chart)) clip->setImage(c->Picture(c->ScreenSize()));
    const QImage image = clip->image();
    if (image.isNull()) throw EMorvaneError(QStringLiteral("There is no chart to save."));
    SaveJpegFile(ToRawPicture(image), fileName);
}

void ChartPages::SavePictureAs(const QString& fileName, PictureKind kind) {
    if (kind == pkJpeg) {
        Savejpg(fileName, 0);
        return;
    }
    ChartBase* c = ChartOf(0);
    if (!c) return;
    const RawPicture pic = ToRawPicture(c->Picture(c->ScreenSize()));
    switch (kind) {
    case pkWmf:
        SaveWmfFile(pic, fileName);
        break;
    case pkEmf:
        SaveEmfFile(pic, fileName);
        break;
    default:
        SaveBmpFile(pic, fileName);
        break;
    }
}

void ChartPages::actSavePictureExecute() {
    if (host_.ownPictureShown && host_.ownPictureShown()) return;
    QString fileName;
    PictureKind kind = pkWmf;
    if (!PictureDialog()(fileName, kind)) return;
    try {
        SavePictureAs(fileName, kind);
    } catch (const EMorvaneError& e) {
        host_.showMessage(e.message());
    }
}
