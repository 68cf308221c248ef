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
    bars_ = new BarChart(barPage);
    pies_ = new PieChart(piePage);
    AddToPage(barPage, bars_);
    AddToPage(piePage, pies_);
    const QStringList first = {QStringLiteral("Select drive or directory and press run !")};
    bars_->SetTitle(first);
    pies_->SetTitle(first);
    bars_->setToolTip(BarsHint);
    pies_->setToolTip(PiesHint);

    for (QAction* a : {cmd_.toggle3D, cmd_.markVisible, cmd_.showLegend, cmd_.explodeBiggest,
                       cmd_.elliptic, cmd_.rotate})
        a->setCheckable(true);
    // Checkable actions flip their state before triggered arrives.
    connect(cmd_.toggle3D, &QAction::triggered, this, &ChartPages::Toggle3D);
    connect(cmd_.markVisible, &QAction::triggered, this, &ChartPages::ToggleMarks);
    connect(cmd_.showLegend, &QAction::triggered, this, &ChartPages::ToggleLegend);
    connect(cmd_.explodeBiggest, &QAction::triggered, this, &ChartPages::ToggleExplodeBiggest);
    connect(cmd_.elliptic, &QAction::triggered, this, &ChartPages::ToggleElliptic);
    connect(cmd_.rotate, &QAction::triggered, this, &ChartPages::ToggleRotation);
    connect(cmd_.savePicture, &QAction::triggered, this, &ChartPages::SavePicture);
    connect(cmd_.rotateTimer, &QTimer::timeout, this, &ChartPages::RotateStep);
    connect(bars_, &ChartBase::ClickSeries, this, &ChartPages::BarClicked);
    connect(pies_, &ChartBase::ClickSeries, this, &ChartPages::PieClicked);
    // The legends follow the restored switch at once.
    connect(cmd_.showLegend, &QAction::toggled, this, [this](bool on) {
        bars_->SetLegendVisible(on);
        pies_->SetLegendVisible(on);
    });
    // The pie form flag reaches the pie as soon as it is restored.
    connect(cmd_.elliptic, &QAction::toggled, this, [this] { pies_->SetCircular(PieFormFlag()); });
    pies_->SetCircular(PieFormFlag());
    bars_->SetLegendVisible(cmd_.showLegend->isChecked());
    pies_->SetLegendVisible(cmd_.showLegend->isChecked());
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
        SaveJpeg(jpgPath, chart);
        return true;
    } catch (const EMorvaneError&) {
        return false;
    }
}

bool ChartPages::PieFormFlag() const {
    return !cmd_.elliptic->isChecked();
}

void ChartPages::FillCharts(const QStringList& paths, const QStringList& mbTexts) {
    bars_->BarSerie.Clear();
    pies_->DiscoSerie.Clear();
    bars_->UndoZoom();
    // The rows' own folder: an opened result need not be of the current folder.
    const QString folder = FolderOfRows(paths);
    const QStringList title = {QStringLiteral("Folder Size in:"),
                               folder.isEmpty() ? host_.currentFolder() : folder};
    bars_->SetTitle(title);
    pies_->SetTitle(title);
    // Point by point, so a bad text stops the fill at its row.
    for (qsizetype k = 0; k < paths.size(); ++k) {
        const ChartPoint p = MakeChartPoint(paths[k], StrToSizeFloat(mbTexts.value(k)), int(k));
        pies_->DiscoSerie.Add(p);
        bars_->BarSerie.Add(p);
    }
    bars_->PointsChanged();
    pies_->PointsChanged();
}

void ChartPages::ApplyChartOptions() {
    pies_->SetExplodeBiggest(cmd_.explodeBiggest->isChecked() ? 10 : 0);
    bars_->SetMarksVisible(cmd_.markVisible->isChecked());
    pies_->SetMarksVisible(cmd_.markVisible->isChecked());
    bars_->SetLegendVisible(cmd_.showLegend->isChecked());
    pies_->SetLegendVisible(cmd_.showLegend->isChecked());
    bars_->SetView3D(cmd_.toggle3D->isChecked());
    pies_->SetView3D(cmd_.toggle3D->isChecked());
    pies_->SetCircular(PieFormFlag());
}

void ChartPages::ApplyLook(const ChartLook& look, bool enableZoom, bool circelPie) {
    bars_->SetLook(look);
    pies_->SetLook(look);
    bars_->SetZoomEnabled(enableZoom);
    pies_->SetCircular(circelPie);
}

void ChartPages::Toggle3D() {
    bars_->SetView3D(cmd_.toggle3D->isChecked());
    pies_->SetView3D(cmd_.toggle3D->isChecked());
}

void ChartPages::ToggleMarks() {
    bars_->SetMarksVisible(cmd_.markVisible->isChecked());
    pies_->SetMarksVisible(cmd_.markVisible->isChecked());
}

void ChartPages::ToggleLegend() {
    bars_->SetLegendVisible(cmd_.showLegend->isChecked());
    pies_->SetLegendVisible(cmd_.showLegend->isChecked());
}

void ChartPages::ToggleExplodeBiggest() {
    pies_->SetExplodeBiggest(cmd_.explodeBiggest->isChecked() ? 10 : 0);
}

void ChartPages::ToggleElliptic() {
    pies_->SetCircular(PieFormFlag());
}

void ChartPages::ToggleRotation() {
    // The switch is the button's own state; the timer reads it on each tick.
}

void ChartPages::RotateStep() {
    const bool rotating = cmd_.rotate->isChecked() && cmd_.rotate->isEnabled();
    if (rotating) pies_->SetRotation(NextRotation(pies_->Rotation(), true));
}

void ChartPages::BarClicked(int index, Qt::MouseButton button) {
    ClickSeries(bars_, index, button);
}

void ChartPages::PieClicked(int index, Qt::MouseButton button) {
    ClickSeries(pies_, index, button);
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
    return chart == 1 ? static_cast<ChartBase*>(bars_) : chart == 2 ? pies_ : nullptr;
}

void ChartPages::SaveJpeg(const QString& fileName, int chart) {
    QClipboard* clip = QApplication::clipboard();
    if (ChartBase* c = ChartOf(chart)) clip->setImage(c->Picture(c->ScreenSize()));
    const QImage image = clip->image();
    if (image.isNull()) throw EMorvaneError(QStringLiteral("There is no chart to save."));
    SaveJpegFile(ToRawPicture(image), fileName);
}

void ChartPages::SavePictureAs(const QString& fileName, PictureKind kind) {
    if (kind == pkJpeg) {
        SaveJpeg(fileName, 0);
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

void ChartPages::SavePicture() {
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
