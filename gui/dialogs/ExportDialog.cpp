#include "gui/dialogs/ExportDialog.h"
#include "core/settings/IniFile.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include "gui/dialogs/PrintSheet.h"
#include "gui/widgets/ColorPanel.h"
#include "platform/Errors.h"
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {
// The hourglass for the length of a command, restored also when it fails.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QButtonGroup* RadioGroup(QGroupBox* box, const QStringList& items, bool vertical = true) {
    auto* group = new QButtonGroup(box);
    QBoxLayout* lay = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(box))
                               : static_cast<QBoxLayout*>(new QHBoxLayout(box));
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items.at(i), box);
        group->addButton(radio, i);
        lay->addWidget(radio);
    }
    group->button(0)->setChecked(true);
    return group;
}

QSpinBox* Spin(QWidget* parent, SpinRange range, int value) {
    auto* spin = new QSpinBox(parent);
    spin->setRange(range.min, range.max);
    spin->setValue(value);
    return spin;
}

int Checked(const QButtonGroup* group) {
    return std::max(0, group->checkedId());
}

void Check(QButtonGroup* group, int id) {
    if (QAbstractButton* b = group->button(id)) b->setChecked(true);
}
} // namespace

ExportDialog::ExportDialog(const QString& iniFileName, QWidget* parent)
    : QDialog(parent), iniFileName_(iniFileName), exportList_(std::make_unique<ExportWriter>()) {
    setWindowTitle(QStringLiteral("Export / Print Size List"));
    setMinimumWidth(540); // every page's tab in view
    LaunchFile = [](const QString& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); };
    auto* lay = new QVBoxLayout(this);
    PageControl = new QTabWidget(this);
    auto* exportPage = new QWidget(PageControl);
    auto* htmlPage = new QWidget(PageControl);
    auto* printPage = new QWidget(PageControl);
    PageControl->addTab(exportPage, QStringLiteral("Export Folder List (1)"));
    PageControl->addTab(htmlPage, QStringLiteral("Export Folder List (2)"));
    PageControl->addTab(printPage, QStringLiteral("Print / Text Lists"));
    lay->addWidget(PageControl);
    BuildExportPage(exportPage);
    BuildHtmlPage(htmlPage);
    BuildPrintPage(printPage);

    auto* buttons = new QHBoxLayout;
    BtnFile = new QPushButton(QStringLiteral("File"), this);
    BtnPrint = new QPushButton(QStringLiteral("Print"), this);
    BtnFile->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    BtnPrint->setIcon(QIcon::fromTheme(QStringLiteral("document-print"),
                                       style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    BtnClose = new QPushButton(this);
    BtnClose->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    BtnClose->setToolTip(QStringLiteral("Close"));
    BtnClose->setAccessibleName(QStringLiteral("Close"));
    buttons->addWidget(BtnFile);
    buttons->addWidget(BtnPrint);
    buttons->addStretch(1);
    buttons->addWidget(BtnClose);
    lay->addLayout(buttons);
    connect(BtnFile, &QPushButton::clicked, this, &ExportDialog::FileClick);
    connect(BtnPrint, &QPushButton::clicked, this, &ExportDialog::PrintClick);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);

    CbxLaunchFile->setToolTip(QStringLiteral(
        "Check if the appropriate program shall load the generated file.\n\rApplies for all type "
        "of files according to the settings.\n\rHTML, Text, CSV and Excel files."));
    PageControl->setTabToolTip(
        1, QStringLiteral("HTML Settings: Specify your HTML settings here. Then at the Export tab "
                          "\n\rselect HTML and press OK. The other relevant settings\n\rfrom the "
                          "Export page are applied as well."));
    RGFileTypeBox->setToolTip(QStringLiteral("Select what kind of file you want tocreate and "
                                             "press OK button.\n\rThen select location and "
                                             "filename"));

    ApplyFlatDesign(1);
    LoadExportSettings();
}

ExportDialog::~ExportDialog() = default;

void ExportDialog::BuildExportPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);
    RGFileTypeBox = new QGroupBox(QStringLiteral("Save File as:"), page);
    RGFileType =
        RadioGroup(RGFileTypeBox, {QStringLiteral("CSV file (,)"), QStringLiteral("CSV file (;)"),
                                   QStringLiteral("Excel file"), QStringLiteral("Text file"),
                                   QStringLiteral("HTML file")});
    lay->addWidget(RGFileTypeBox);
    auto* headRow = new QHBoxLayout;
    auto* headLabel = new QLabel(QStringLiteral("Your Header:"), page);
    EdtHead = new QLineEdit(QStringLiteral("Foldersize at"), page);
    EdtHead->setAutoFillBackground(true);
    headLabel->setBuddy(EdtHead);
    headRow->addWidget(headLabel);
    headRow->addWidget(EdtHead, 1);
    lay->addLayout(headRow);
    CbxFolderName = new QCheckBox(QStringLiteral("Folder Name"), page);
    cbxHead = new QCheckBox(QStringLiteral("Header + Date"), page);
    cbxColumnHeader = new QCheckBox(QStringLiteral("Column Header Row"), page);
    CbxSummary = new QCheckBox(QStringLiteral("Summary Row"), page);
    for (QCheckBox* box : {CbxFolderName, cbxHead, cbxColumnHeader, CbxSummary}) {
        box->setChecked(true);
        lay->addWidget(box);
    }
    lay->addStretch(1);
}

void ExportDialog::BuildHtmlPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);
    CbxLaunchFile = new QCheckBox(QStringLiteral("Launch generated file"), page);
    CbxInclChart = new QCheckBox(QStringLiteral("Include Charts in HTML"), page);
    lay->addWidget(CbxLaunchFile);
    lay->addWidget(CbxInclChart);
    auto* form = new QFormLayout;
    SpnHTMLFontSize = Spin(page, kHTMLFontSizeRange, 0);
    form->addRow(QStringLiteral("HTML Font Size"), SpnHTMLFontSize);
    pnlHTMLFont = new ColorPanel(page);
    pnlHTMLFont->SetColorValue(clBlack);
    form->addRow(QStringLiteral("HTML Font"), pnlHTMLFont);
    PnlHTMLBack = new ColorPanel(page);
    PnlHTMLBack->SetColorValue(clSilver);
    form->addRow(QStringLiteral("HTML Bgnd Color"), PnlHTMLBack);
    lay->addLayout(form);
    HtmlPreview = new QPlainTextEdit(page);
    HtmlPreview->setReadOnly(true);
    HtmlPreview->setAutoFillBackground(true);
    HtmlPreview->setPlainText(QStringLiteral(
        "These settings apply to the HTML report: the size of its text (0 to 6, added to the "
        "browser's base size), the colour of its text and of its background, and whether "
        "pictures of the bar and pie chart are saved beside the report (in a folder named "
        "after the report with \"_images\" appended) and shown in it.\n\n"
        "\"Launch generated file\" opens every exported file, whatever its type, in the "
        "program the desktop uses for it."));
    lay->addWidget(HtmlPreview, 1);
    connect(pnlHTMLFont, &ColorPanel::Clicked, this, [this] { ChooseColor(pnlHTMLFont); });
    connect(PnlHTMLBack, &ColorPanel::Clicked, this, [this] { ChooseColor(PnlHTMLBack); });
}

void ExportDialog::BuildPrintPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);
    auto* widths = new QGridLayout;
    SpinFolder = Spin(page, kFolderCharsRange, 30);
    SpinMB = Spin(page, kSizeMBCharsRange, 10);
    SpinKB = Spin(page, kSizeKBCharsRange, 13);
    SpinPath = Spin(page, kPathCharsRange, 35);
    SpinDate = Spin(page, kDateCharsRange, 35);
    LblMB = new QLabel(page);
    LblKB = new QLabel(page);
    LblDate = new QLabel(page);
    widths->addWidget(new QLabel(QStringLiteral("Name"), page), 0, 0);
    widths->addWidget(LblMB, 0, 1);
    widths->addWidget(LblKB, 0, 2);
    widths->addWidget(new QLabel(QStringLiteral("Full Path"), page), 0, 3);
    widths->addWidget(LblDate, 0, 4);
    widths->addWidget(SpinFolder, 1, 0);
    widths->addWidget(SpinMB, 1, 1);
    widths->addWidget(SpinKB, 1, 2);
    widths->addWidget(SpinPath, 1, 3);
    widths->addWidget(SpinDate, 1, 4);
    lay->addLayout(widths);

    auto* sizeRow = new QHBoxLayout;
    SpinSize = Spin(page, kFontSizeRange, 10);
    auto* sizeLabel = new QLabel(QStringLiteral("Font size"), page);
    sizeLabel->setBuddy(SpinSize);
    sizeRow->addWidget(sizeLabel);
    sizeRow->addWidget(SpinSize);
    sizeRow->addStretch(1);
    lay->addLayout(sizeRow);

    auto* radios = new QHBoxLayout;
    auto* orientBox = new QGroupBox(QStringLiteral("Orientation"), page);
    RadOrient = RadioGroup(orientBox, {QStringLiteral("Portrait"), QStringLiteral("Landscape")});
    auto* printBox = new QGroupBox(QStringLiteral("Destination"), page);
    RadPrint = RadioGroup(printBox, {QStringLiteral("Print"), QStringLiteral("Preview")});
    auto* listBox = new QGroupBox(QStringLiteral("List"), page);
    RadList = RadioGroup(listBox, {QStringLiteral("Folder List"), QStringLiteral("File List")});
    radios->addWidget(orientBox);
    radios->addWidget(printBox);
    radios->addWidget(listBox);
    lay->addLayout(radios);
    lay->addStretch(1);
    SetSizeLabels();
    connect(RadList, &QButtonGroup::idClicked, this, [this](int) { SetSizeLabels(); });
}

void ExportDialog::SetSizeLabels() {
    const QStringList labels = SizeLabels(Checked(RadList));
    LblMB->setText(labels.at(0));
    LblKB->setText(labels.at(1));
    LblDate->setText(labels.at(2));
}

void ExportDialog::SetLists(const IRowSource* folderList, const IRowSource* fileList) {
    folderList_ = folderList;
    fileList_ = fileList;
}

void ExportDialog::SetTotals(const QString& totalKB, const QString& totalMB,
                             const QString& totalGB) {
    exportList_->ExportTotalKB = totalKB;
    exportList_->ExportTotalMB = totalMB;
    exportList_->ExportTotalGB = totalGB;
}

void ExportDialog::SetPictureMaker(std::function<bool(int, const QString&)> maker) {
    exportList_->PictureMaker = std::move(maker);
}

ExportChoices ExportDialog::Choices() const {
    ExportChoices c;
    c.ActPage = PageControl->currentIndex();
    c.FileType = Checked(RGFileType);
    c.HeadText = EdtHead->text();
    c.InclFolderName = CbxFolderName->isChecked();
    c.InclHead = cbxHead->isChecked();
    c.InclHeadCol = cbxColumnHeader->isChecked();
    c.InclSumRow = CbxSummary->isChecked();
    c.LaunchFile = CbxLaunchFile->isChecked();
    c.InclChartInHTML = CbxInclChart->isChecked();
    c.HTMLFontSize = SpnHTMLFontSize->value();
    c.HTMLFontColor = pnlHTMLFont->ColorValue();
    c.HTMLBackColor = PnlHTMLBack->ColorValue();
    c.FolderChars = SpinFolder->value();
    c.SizeMBChars = SpinMB->value();
    c.SizeKBChars = SpinKB->value();
    c.PathChars = SpinPath->value();
    c.DateChars = SpinDate->value();
    c.FontSize = SpinSize->value();
    c.Orientation = Checked(RadOrient);
    c.Print = Checked(RadPrint);
    c.List = Checked(RadList);
    c.FilePathChars = filePathChars_;
    return c;
}

void ExportDialog::ShowChoices(const ExportChoices& c) {
    PageControl->setCurrentIndex(c.ActPage);
    Check(RGFileType, c.FileType);
    EdtHead->setText(c.HeadText);
    CbxFolderName->setChecked(c.InclFolderName);
    cbxHead->setChecked(c.InclHead);
    cbxColumnHeader->setChecked(c.InclHeadCol);
    CbxSummary->setChecked(c.InclSumRow);
    CbxLaunchFile->setChecked(c.LaunchFile);
    CbxInclChart->setChecked(c.InclChartInHTML);
    SpnHTMLFontSize->setValue(c.HTMLFontSize);
    pnlHTMLFont->SetColorValue(c.HTMLFontColor);
    PnlHTMLBack->SetColorValue(c.HTMLBackColor);
    SpinFolder->setValue(c.FolderChars);
    SpinMB->setValue(c.SizeMBChars);
    SpinKB->setValue(c.SizeKBChars);
    SpinPath->setValue(c.PathChars);
    SpinDate->setValue(c.DateChars);
    SpinSize->setValue(c.FontSize);
    Check(RadOrient, c.Orientation);
    Check(RadPrint, c.Print);
    Check(RadList, c.List);
    filePathChars_ = c.FilePathChars;
    SetSizeLabels();
}

void ExportDialog::LoadExportSettings() {
    // Without a settings file the dialog keeps its built-in values.
    if (!QFileInfo::exists(iniFileName_)) return;
    QStringList errors;
    try {
        ExportChoices c = Choices();
        LoadExportChoices(iniFileName_, c, &errors);
        ShowChoices(c);
        const ColorCode memoColor =
            StringToColor(ReadIniString(iniFileName_, QStringLiteral("Settings"),
                                        QStringLiteral("ListColor"), QStringLiteral("clsilver")));
        for (QWidget* w : {static_cast<QWidget*>(HtmlPreview), static_cast<QWidget*>(EdtHead)}) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Base, ToQColor(memoColor));
            w->setPalette(pal);
        }
    } catch (const EMorvaneError& e) {
        errors << e.message();
    }
    SetSizeLabels();
    try {
        ApplyFlatDesign(ReadIniInteger(iniFileName_, QStringLiteral("Settings"),
                                       QStringLiteral("FlatDesign"), 1));
    } catch (const EMorvaneError& e) {
        errors << e.message();
    }
    if (!errors.isEmpty()) ShowErrorMessage(this, errors.join(QLatin1Char('\n')));
}

void ExportDialog::SaveExportSettings() {
    SaveExportChoices(iniFileName_, Choices(), exportList_->ColumnWidths[4]);
}

void ExportDialog::ApplyFlatDesign(int design) {
    const QList<ColorPanel*> panels{pnlHTMLFont, PnlHTMLBack};
    const QList<QPushButton*> buttons{BtnFile, BtnPrint, BtnClose};
    const bool known = design >= 0 && design <= 2;
    if (known) {
        PageControl->setDocumentMode(design != 2);
        EdtHead->setFrame(design != 0);
        HtmlPreview->setFrameShape(design != 0 ? QFrame::StyledPanel : QFrame::NoFrame);
    }
    for (ColorPanel* panel : panels)
        panel->SetBevelled(design == 2);
    for (QPushButton* button : buttons)
        button->setFlat(design != 2);
}

void ExportDialog::ConfigureExportList() {
    ExportWriter& ex = *exportList_;
    ex.SetHeaderText(EdtHead->text());
    ex.SetExportFolder(folderName_);
    const bool folderList = Checked(RadList) == 0;
    const IRowSource* source = folderList ? folderList_ : fileList_;
    ex.SourceList = source ? source : &emptyList_;
    // The file list has no totals: it never carries a summary row.
    ex.SetIncludeSummary(CbxSummary->isChecked() && folderList);
    ex.SetIncludeHeadDate(cbxHead->isChecked());
    ex.SetIncludeColumnHeader(cbxColumnHeader->isChecked());
    ex.SetIncludeFolderName(CbxFolderName->isChecked());
    ex.SetIncludeCharts(CbxInclChart->isChecked());
    // The second column takes the box under the second size label.
    ex.SetColumnWidth(1, SpinFolder->value());
    ex.SetColumnWidth(2, SpinKB->value());
    ex.SetColumnWidth(3, SpinMB->value());
    ex.SetColumnWidth(4, SpinPath->value());
    ex.SetColumnWidth(5, SpinDate->value());
}

QString ExportDialog::AskExportFileName() {
    const QStringList filters = ExportFilterEntries();
    const int type = Checked(RGFileType);
    QFileDialog dialog(this, QStringLiteral("Export Size List"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(type));
    dialog.setDefaultSuffix(ExportFilterSuffix(type));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString& f) {
        dialog.setDefaultSuffix(ExportFilterSuffix(int(filters.indexOf(f))));
    });
    if (ExecModal(dialog) != QDialog::Accepted) return {};
    const QString name = dialog.selectedFiles().value(0);
    if (name.isEmpty()) return {};
    const int entry = std::max(0, int(filters.indexOf(dialog.selectedNameFilter())));
    return NormaliseExportFileName(name, entry);
}

bool ExportDialog::ExportToFile() {
    ConfigureExportList();
    const QString target = AskExportFileName();
    if (target.isEmpty()) return false;
    WaitCursor wait;
    ExportWriter& ex = *exportList_;
    ex.SetTargetFile(target);
    // The target is opened whenever it exists at the end: also after "No" (the
    // question promises it) and after a failed write over an existing file.
    const auto launch = qScopeGuard([this, &target] {
        if (CbxLaunchFile->isChecked() && QFileInfo(target).isFile() && LaunchFile)
            LaunchFile(target);
    });
    const QFileInfo info(target);
    if (info.exists()) {
        if (ModalMessage(this, QMessageBox::Information,
                         QStringLiteral("File exists! Overwrite?\r\n") + info.fileName() +
                             QStringLiteral(" will be opend!"),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return false;
    }
    ex.SetHtmlFontColor(pnlHTMLFont->ColorValue());
    ex.SetHtmlBackColor(PnlHTMLBack->ColorValue());
    ex.SetHtmlFontSize(SpnHTMLFontSize->value());
    const int type = Checked(RGFileType);
    bool ok = false;
    try {
        switch (type) {
        case ftCSVComma:
            ok = ex.MakeCSV();
            break;
        case ftCSVSemicolon:
            ok = ex.MakeSemicolonCSV();
            break;
        case ftExcel:
            ok = ex.MakeXLS();
            break;
        case ftText:
            ok = ex.MakeText(true);
            break;
        default:
            ok = ex.MakeHTML();
            break;
        }
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
        return false;
    }
    if (!ok) {
        ShowMessage(this, NotSavedMessage(type));
        return false;
    }
    return true;
}

void ExportDialog::PrintExportList() {
    ConfigureExportList();
    if (!exportList_->MakeText(false)) ShowMessage(this, QStringLiteral("Document not printed"));
    AppPrinter().setPageOrientation(Checked(RadOrient) == 1 ? QPageLayout::Landscape
                                                            : QPageLayout::Portrait);
    PrintTextLines(exportList_->ExportLines, SpinSize->value(), this);
}

void ExportDialog::PreviewExportList() {
    {
        WaitCursor wait;
        ConfigureExportList();
        exportList_->MakeText(false); // the preview shows what was built
    }
    PreviewTextLines(exportList_->ExportLines, SpinSize->value(),
                     Checked(RadOrient) == 1 ? QPageLayout::Landscape : QPageLayout::Portrait,
                     this);
}

void ExportDialog::PrintClick() {
    try {
        if (Checked(RadPrint) == 1)
            PreviewExportList();
        else
            PrintExportList();
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void ExportDialog::FileClick() {
    ExportToFile();
}

void ExportDialog::ChooseColor(ColorPanel* panel) {
    QColorDialog dialog(ToQColor(panel->ColorValue()), this);
    if (ExecModal(dialog) != QDialog::Accepted) return;
    panel->SetColorValue(FromQColor(dialog.currentColor()));
}

void ExportDialog::done(int result) {
    // Closing is never refused; a settings file that cannot be written is reported.
    try {
        SaveExportSettings();
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
    QDialog::done(result);
}
