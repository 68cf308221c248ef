#include "gui/dialogs/ExportDialog.h"
#include "core/settings/IniFile.h"
#include "gui/common/WaitCursor.h"
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
    pages_ = new QTabWidget(this);
    auto* exportPage = new QWidget(pages_);
    auto* htmlPage = new QWidget(pages_);
    auto* printPage = new QWidget(pages_);
    pages_->addTab(exportPage, QStringLiteral("Export Folder List (1)"));
    pages_->addTab(htmlPage, QStringLiteral("Export Folder List (2)"));
    pages_->addTab(printPage, QStringLiteral("Print / Text Lists"));
    lay->addWidget(pages_);
    BuildExportPage(exportPage);
    BuildHtmlPage(htmlPage);
    BuildPrintPage(printPage);

    auto* buttons = new QHBoxLayout;
    fileButton_ = new QPushButton(QStringLiteral("File"), this);
    printButton_ = new QPushButton(QStringLiteral("Print"), this);
    fileButton_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    printButton_->setIcon(
        QIcon::fromTheme(QStringLiteral("document-print"),
                         style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    closeButton_ = new QPushButton(this);
    closeButton_->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    closeButton_->setToolTip(QStringLiteral("Close"));
    closeButton_->setAccessibleName(QStringLiteral("Close"));
    buttons->addWidget(fileButton_);
    buttons->addWidget(printButton_);
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    lay->addLayout(buttons);
    connect(fileButton_, &QPushButton::clicked, this, &ExportDialog::FileClick);
    connect(printButton_, &QPushButton::clicked, this, &ExportDialog::PrintClick);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);

    launchFileBox_->setToolTip(QStringLiteral(
        "Check if the appropriate program shall load the generated file.\n\rApplies for all type "
        "of files according to the settings.\n\rHTML, Text, CSV and Excel files."));
    pages_->setTabToolTip(
        1, QStringLiteral("HTML Settings: Specify your HTML settings here. Then at the Export tab "
                          "\n\rselect HTML and press OK. The other relevant settings\n\rfrom the "
                          "Export page are applied as well."));
    fileTypeBox_->setToolTip(QStringLiteral("Select what kind of file you want tocreate and "
                                            "press OK button.\n\rThen select location and "
                                            "filename"));

    NameControls();
    ApplyFlatDesign(1);
    LoadExportSettings();
}

ExportDialog::~ExportDialog() = default;

void ExportDialog::NameControls() {
    const std::pair<QObject*, const char*> names[] = {
        {fileTypeBox_, "RGFileTypeBox"},
        {fileType_, "RGFileType"},
        {headEdit_, "EdtHead"},
        {folderNameBox_, "CbxFolderName"},
        {headDateBox_, "cbxHead"},
        {columnHeaderBox_, "cbxColumnHeader"},
        {summaryBox_, "CbxSummary"},
        {launchFileBox_, "CbxLaunchFile"},
        {chartsBox_, "CbxInclChart"},
        {htmlFontSizeSpin_, "SpnHTMLFontSize"},
        {htmlFontColor_, "pnlHTMLFont"},
        {htmlBackColor_, "PnlHTMLBack"},
        {htmlNotes_, "HtmlPreview"},
        {folderCharsSpin_, "SpinFolder"},
        {mbCharsSpin_, "SpinMB"},
        {kbCharsSpin_, "SpinKB"},
        {pathCharsSpin_, "SpinPath"},
        {dateCharsSpin_, "SpinDate"},
        {fontSizeSpin_, "SpinSize"},
        {mbLabel_, "LblMB"},
        {kbLabel_, "LblKB"},
        {dateLabel_, "LblDate"},
        {orientation_, "RadOrient"},
        {destination_, "RadPrint"},
        {listChoice_, "RadList"},
        {pages_, "PageControl"},
        {fileButton_, "BtnFile"},
        {printButton_, "BtnPrint"},
        {closeButton_, "BtnClose"},
    };
    for (const auto& [control, name] : names)
        control->setObjectName(QLatin1String(name));
}

void ExportDialog::BuildExportPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);
    fileTypeBox_ = new QGroupBox(QStringLiteral("Save File as:"), page);
    fileType_ =
        RadioGroup(fileTypeBox_, {QStringLiteral("CSV file (,)"), QStringLiteral("CSV file (;)"),
                                  QStringLiteral("Excel file"), QStringLiteral("Text file"),
                                  QStringLiteral("HTML file")});
    lay->addWidget(fileTypeBox_);
    auto* headRow = new QHBoxLayout;
    auto* headLabel = new QLabel(QStringLiteral("Your Header:"), page);
    headEdit_ = new QLineEdit(QStringLiteral("Foldersize at"), page);
    headEdit_->setAutoFillBackground(true);
    headLabel->setBuddy(headEdit_);
    headRow->addWidget(headLabel);
    headRow->addWidget(headEdit_, 1);
    lay->addLayout(headRow);
    folderNameBox_ = new QCheckBox(QStringLiteral("Folder Name"), page);
    headDateBox_ = new QCheckBox(QStringLiteral("Header + Date"), page);
    columnHeaderBox_ = new QCheckBox(QStringLiteral("Column Header Row"), page);
    summaryBox_ = new QCheckBox(QStringLiteral("Summary Row"), page);
    for (QCheckBox* box : {folderNameBox_, headDateBox_, columnHeaderBox_, summaryBox_}) {
        box->setChecked(true);
        lay->addWidget(box);
    }
    lay->addStretch(1);
}

void ExportDialog::BuildHtmlPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);
    launchFileBox_ = new QCheckBox(QStringLiteral("Launch generated file"), page);
    chartsBox_ = new QCheckBox(QStringLiteral("Include Charts in HTML"), page);
    lay->addWidget(launchFileBox_);
    lay->addWidget(chartsBox_);
    auto* form = new QFormLayout;
    htmlFontSizeSpin_ = Spin(page, kHTMLFontSizeRange, 0);
    form->addRow(QStringLiteral("HTML Font Size"), htmlFontSizeSpin_);
    htmlFontColor_ = new ColorPanel(page);
    htmlFontColor_->SetColorValue(clBlack);
    form->addRow(QStringLiteral("HTML Font"), htmlFontColor_);
    htmlBackColor_ = new ColorPanel(page);
    htmlBackColor_->SetColorValue(clSilver);
    form->addRow(QStringLiteral("HTML Bgnd Color"), htmlBackColor_);
    lay->addLayout(form);
    htmlNotes_ = new QPlainTextEdit(page);
    htmlNotes_->setReadOnly(true);
    htmlNotes_->setAutoFillBackground(true);
    htmlNotes_->setPlainText(QStringLiteral(
        "These settings apply to the HTML report: the size of its text (0 to 6, added to the "
        "browser's base size), the colour of its text and of its background, and whether "
        "pictures of the bar and pie chart are saved beside the report (in a folder named "
        "after the report with \"_images\" appended) and shown in it.\n\n"
        "\"Launch generated file\" opens every exported file, whatever its type, in the "
        "program the desktop uses for it."));
    lay->addWidget(htmlNotes_, 1);
    connect(htmlFontColor_, &ColorPanel::Clicked, this, [this] { ChooseColor(htmlFontColor_); });
    connect(htmlBackColor_, &ColorPanel::Clicked, this, [this] { ChooseColor(htmlBackColor_); });
}

void ExportDialog::BuildPrintPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);
    auto* widths = new QGridLayout;
    folderCharsSpin_ = Spin(page, kFolderCharsRange, 30);
    mbCharsSpin_ = Spin(page, kSizeMBCharsRange, 10);
    kbCharsSpin_ = Spin(page, kSizeKBCharsRange, 13);
    pathCharsSpin_ = Spin(page, kPathCharsRange, 35);
    dateCharsSpin_ = Spin(page, kDateCharsRange, 35);
    mbLabel_ = new QLabel(page);
    kbLabel_ = new QLabel(page);
    dateLabel_ = new QLabel(page);
    widths->addWidget(new QLabel(QStringLiteral("Name"), page), 0, 0);
    widths->addWidget(mbLabel_, 0, 1);
    widths->addWidget(kbLabel_, 0, 2);
    widths->addWidget(new QLabel(QStringLiteral("Full Path"), page), 0, 3);
    widths->addWidget(dateLabel_, 0, 4);
    widths->addWidget(folderCharsSpin_, 1, 0);
    widths->addWidget(mbCharsSpin_, 1, 1);
    widths->addWidget(kbCharsSpin_, 1, 2);
    widths->addWidget(pathCharsSpin_, 1, 3);
    widths->addWidget(dateCharsSpin_, 1, 4);
    lay->addLayout(widths);

    auto* sizeRow = new QHBoxLayout;
    fontSizeSpin_ = Spin(page, kFontSizeRange, 10);
    auto* sizeLabel = new QLabel(QStringLiteral("Font size"), page);
    sizeLabel->setBuddy(fontSizeSpin_);
    sizeRow->addWidget(sizeLabel);
    sizeRow->addWidget(fontSizeSpin_);
    sizeRow->addStretch(1);
    lay->addLayout(sizeRow);

    auto* radios = new QHBoxLayout;
    auto* orientBox = new QGroupBox(QStringLiteral("Orientation"), page);
    orientation_ = RadioGroup(orientBox, {QStringLiteral("Portrait"), QStringLiteral("Landscape")});
    auto* printBox = new QGroupBox(QStringLiteral("Destination"), page);
    destination_ = RadioGroup(printBox, {QStringLiteral("Print"), QStringLiteral("Preview")});
    auto* listBox = new QGroupBox(QStringLiteral("List"), page);
    listChoice_ = RadioGroup(listBox, {QStringLiteral("Folder List"), QStringLiteral("File List")});
    radios->addWidget(orientBox);
    radios->addWidget(printBox);
    radios->addWidget(listBox);
    lay->addLayout(radios);
    lay->addStretch(1);
    SetSizeLabels();
    connect(listChoice_, &QButtonGroup::idClicked, this, [this](int) { SetSizeLabels(); });
}

void ExportDialog::SetSizeLabels() {
    const QStringList labels = SizeLabels(Checked(listChoice_));
    mbLabel_->setText(labels.at(0));
    kbLabel_->setText(labels.at(1));
    dateLabel_->setText(labels.at(2));
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
    c.ActPage = pages_->currentIndex();
    c.FileType = Checked(fileType_);
    c.HeadText = headEdit_->text();
    c.InclFolderName = folderNameBox_->isChecked();
    c.InclHead = headDateBox_->isChecked();
    c.InclHeadCol = columnHeaderBox_->isChecked();
    c.InclSumRow = summaryBox_->isChecked();
    c.LaunchFile = launchFileBox_->isChecked();
    c.InclChartInHTML = chartsBox_->isChecked();
    c.HTMLFontSize = htmlFontSizeSpin_->value();
    c.HTMLFontColor = htmlFontColor_->ColorValue();
    c.HTMLBackColor = htmlBackColor_->ColorValue();
    c.FolderChars = folderCharsSpin_->value();
    c.SizeMBChars = mbCharsSpin_->value();
    c.SizeKBChars = kbCharsSpin_->value();
    c.PathChars = pathCharsSpin_->value();
    c.DateChars = dateCharsSpin_->value();
    c.FontSize = fontSizeSpin_->value();
    c.Orientation = Checked(orientation_);
    c.Print = Checked(destination_);
    c.List = Checked(listChoice_);
    c.FilePathChars = filePathChars_;
    return c;
}

void ExportDialog::ShowChoices(const ExportChoices& c) {
    pages_->setCurrentIndex(c.ActPage);
    Check(fileType_, c.FileType);
    headEdit_->setText(c.HeadText);
    folderNameBox_->setChecked(c.InclFolderName);
    headDateBox_->setChecked(c.InclHead);
    columnHeaderBox_->setChecked(c.InclHeadCol);
    summaryBox_->setChecked(c.InclSumRow);
    launchFileBox_->setChecked(c.LaunchFile);
    chartsBox_->setChecked(c.InclChartInHTML);
    htmlFontSizeSpin_->setValue(c.HTMLFontSize);
    htmlFontColor_->SetColorValue(c.HTMLFontColor);
    htmlBackColor_->SetColorValue(c.HTMLBackColor);
    folderCharsSpin_->setValue(c.FolderChars);
    mbCharsSpin_->setValue(c.SizeMBChars);
    kbCharsSpin_->setValue(c.SizeKBChars);
    pathCharsSpin_->setValue(c.PathChars);
    dateCharsSpin_->setValue(c.DateChars);
    fontSizeSpin_->setValue(c.FontSize);
    Check(orientation_, c.Orientation);
    Check(destination_, c.Print);
    Check(listChoice_, c.List);
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
        for (QWidget* w : {static_cast<QWidget*>(htmlNotes_), static_cast<QWidget*>(headEdit_)}) {
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
    const QList<ColorPanel*> panels{htmlFontColor_, htmlBackColor_};
    const QList<QPushButton*> buttons{fileButton_, printButton_, closeButton_};
    const bool known = design >= 0 && design <= 2;
    if (known) {
        pages_->setDocumentMode(design != 2);
        headEdit_->setFrame(design != 0);
        htmlNotes_->setFrameShape(design != 0 ? QFrame::StyledPanel : QFrame::NoFrame);
    }
    for (ColorPanel* panel : panels)
        panel->SetBevelled(design == 2);
    for (QPushButton* button : buttons)
        button->setFlat(design != 2);
}

void ExportDialog::ConfigureExportList() {
    ExportWriter& ex = *exportList_;
    ex.SetHeaderText(headEdit_->text());
    ex.SetExportFolder(folderName_);
    const bool folderList = Checked(listChoice_) == 0;
    const IRowSource* source = folderList ? folderList_ : fileList_;
    ex.SourceList = source ? source : &emptyList_;
    // The file list has no totals: it never carries a summary row.
    ex.SetIncludeSummary(summaryBox_->isChecked() && folderList);
    ex.SetIncludeHeadDate(headDateBox_->isChecked());
    ex.SetIncludeColumnHeader(columnHeaderBox_->isChecked());
    ex.SetIncludeFolderName(folderNameBox_->isChecked());
    ex.SetIncludeCharts(chartsBox_->isChecked());
    // The second column takes the box under the second size label.
    ex.SetColumnWidth(1, folderCharsSpin_->value());
    ex.SetColumnWidth(2, kbCharsSpin_->value());
    ex.SetColumnWidth(3, mbCharsSpin_->value());
    ex.SetColumnWidth(4, pathCharsSpin_->value());
    ex.SetColumnWidth(5, dateCharsSpin_->value());
}

QString ExportDialog::AskExportFileName() {
    const QStringList filters = ExportFilterEntries();
    const int type = Checked(fileType_);
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
        if (launchFileBox_->isChecked() && QFileInfo(target).isFile() && LaunchFile)
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
    ex.SetHtmlFontColor(htmlFontColor_->ColorValue());
    ex.SetHtmlBackColor(htmlBackColor_->ColorValue());
    ex.SetHtmlFontSize(htmlFontSizeSpin_->value());
    const int type = Checked(fileType_);
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
    AppPrinter().setPageOrientation(Checked(orientation_) == 1 ? QPageLayout::Landscape
                                                               : QPageLayout::Portrait);
    PrintTextLines(exportList_->ExportLines, fontSizeSpin_->value(), this);
}

void ExportDialog::PreviewExportList() {
    {
        WaitCursor wait;
        ConfigureExportList();
        exportList_->MakeText(false); // the preview shows what was built
    }
    PreviewTextLines(exportList_->ExportLines, fontSizeSpin_->value(),
                     Checked(orientation_) == 1 ? QPageLayout::Landscape : QPageLayout::Portrait,
                     this);
}

void ExportDialog::PrintClick() {
    try {
        if (Checked(destination_) == 1)
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
