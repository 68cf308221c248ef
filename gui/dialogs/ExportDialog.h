#pragma once
// The export dialog: what to export or print and how. Its choices are loaded
// when it is created and stored when it closes.
#include "core/export/ExportSettings.h"
#include "core/export/ExportWriter.h"
#include <QDialog>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class ColorPanel;

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ExportDialog(const QString& iniFileName, QWidget* parent = nullptr);
    ~ExportDialog() override;

    void SetFolderName(const QString& folder) { folderName_ = folder; }
    // The window's lists; either may be null when that list does not exist.
    void SetLists(const IRowSource* folderList, const IRowSource* fileList);
    void SetTotals(const QString& totalKB, const QString& totalMB, const QString& totalGB);
    // Saves chart 1 (bar) or 2 (pie) as JPEG for the HTML report.
    void SetPictureMaker(std::function<bool(int chart, const QString& jpgPath)> maker);
    // Opens a generated file with the desktop's default program; tests replace it.
    std::function<void(const QString& file)> LaunchFile;

    ExportChoices Choices() const;
    void ShowChoices(const ExportChoices& choices);

    void LoadExportSettings();
    void SaveExportSettings();
    void ConfigureExportList();
    // Asks for the target and writes it; true when a file was written. With
    // "Launch generated file", the target is opened whenever it exists at the end.
    bool ExportToFile();
    // The chosen file name with the extension of the chosen filter entry;
    // empty when cancelled.
    QString AskExportFileName();
    void PrintExportList();
    void PreviewExportList();
    void ApplyFlatDesign(int design);

    ExportWriter& ExportList() { return *exportList_; }

    void done(int result) override;

private:
    void BuildExportPage(QWidget* page);
    void BuildHtmlPage(QWidget* page);
    void BuildPrintPage(QWidget* page);
    void SetSizeLabels();
    void ChooseColor(ColorPanel* panel);
    void PrintClick();
    void FileClick();
    // Tests and style sheets find the controls by these names.
    void NameControls();

    // Page "Export Folder List (1)"; the object names are the old designer names.
    QGroupBox* fileTypeBox_ = nullptr;
    QButtonGroup* fileType_ = nullptr;
    QLineEdit* headEdit_ = nullptr;
    QCheckBox* folderNameBox_ = nullptr;
    QCheckBox* headDateBox_ = nullptr;
    QCheckBox* columnHeaderBox_ = nullptr;
    QCheckBox* summaryBox_ = nullptr;
    // Page "Export Folder List (2)".
    QCheckBox* launchFileBox_ = nullptr;
    QCheckBox* chartsBox_ = nullptr;
    QSpinBox* htmlFontSizeSpin_ = nullptr;
    ColorPanel* htmlFontColor_ = nullptr;
    ColorPanel* htmlBackColor_ = nullptr;
    QPlainTextEdit* htmlNotes_ = nullptr;
    // Page "Print / Text Lists".
    QSpinBox* folderCharsSpin_ = nullptr;
    QSpinBox* mbCharsSpin_ = nullptr;
    QSpinBox* kbCharsSpin_ = nullptr;
    QSpinBox* pathCharsSpin_ = nullptr;
    QSpinBox* dateCharsSpin_ = nullptr;
    QSpinBox* fontSizeSpin_ = nullptr;
    QLabel* mbLabel_ = nullptr;
    QLabel* kbLabel_ = nullptr;
    QLabel* dateLabel_ = nullptr;
    QButtonGroup* orientation_ = nullptr;
    QButtonGroup* destination_ = nullptr;
    QButtonGroup* listChoice_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QPushButton* fileButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;

    QString iniFileName_;
    QString folderName_;
    const IRowSource* folderList_ = nullptr;
    const IRowSource* fileList_ = nullptr;
    TextRowSource emptyList_;
    int filePathChars_ = 55;
    std::unique_ptr<ExportWriter> exportList_;
};
