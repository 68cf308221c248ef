#pragma once
// The settings dialog: colours, fonts and working values of the main window.
// Every change is written to the section "Settings" at once.
#include "gui/widgets/ColorPanel.h"
#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QColorDialog;
class QFontDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(const QString& iniFileName, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    QString IniFileName() const { return iniFileName_; }

    // Reads the section into the controls; a text that does not convert keeps
    // that control's built-in value and is reported once.
    void LoadSettings();
    // Asks, then sets and writes every key to its factory value.
    void ResetToDefault();
    // Restyles the dialog for the design number.
    void ApplyFlatDesign(int design);

    // Controls, "Menu and List" page.
    ColorPanel* PnlBarFontColor = nullptr;
    ColorPanel* PnlBarColor = nullptr;
    QPushButton* BtnFontList = nullptr;
    QLabel* LblListFont = nullptr;
    ColorPanel* PnlListFontColor = nullptr; // the font's colour: the font dialog has none
    ColorPanel* PnlListColor = nullptr;
    QLineEdit* EdtMinFileSize = nullptr;
    QLabel* LblInvalidKey = nullptr;
    QCheckBox* CbxShowIcons = nullptr;
    QSpinBox* Spin3D = nullptr;
    QSpinBox* HistorySpin = nullptr;
    QPushButton* BtnReset = nullptr;
    QPushButton* BtnClose = nullptr;
    // "Chart" page.
    QPushButton* BtnFontChart = nullptr;
    QLabel* LblChartFont = nullptr;
    ColorPanel* PnlChartFontColor = nullptr;
    QPushButton* BtnFontLegend = nullptr;
    QLabel* lblLegendFont = nullptr;
    ColorPanel* PnlLegendFontColor = nullptr;
    ColorPanel* PnlGradientTop = nullptr;
    ColorPanel* PnlGradientBottom = nullptr;
    ColorPanel* pnlLegendColor = nullptr;
    QCheckBox* CbxEnableZoom = nullptr;
    QComboBox* CboBarStyle = nullptr; // kept for its key, never shown
    QTabWidget* PageControl = nullptr;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenuPage(QWidget* page);
    void BuildChartPage(QWidget* page);
    void ChooseColor(ColorPanel* panel, const QString& key);
    void ChooseFont(QLabel* sample, const QString& key);
    void ChooseFontColor(QLabel* sample, const QString& key);
    FontDesc& FontOf(QLabel* sample);
    ColorPanel* FontColorPanelOf(QLabel* sample) const;
    void ShowFont(QLabel* sample, const FontDesc& font);
    void ColorSizeBox(ColorCode color);
    void ShowInvalidKey();
    // Runs a write; a failure is shown and the control stays changed.
    void Write(const std::function<void()>& write);
    void WriteValues(); // every key in the reset's order

    QString iniFileName_;
    FontDesc listFont_, chartFont_, legendFont_;
    QColorDialog* colorDialog_ = nullptr;
    QFontDialog* fontDialog_ = nullptr;
    QTimer* noticeTimer_ = nullptr;
    bool loading_ = false;
};
