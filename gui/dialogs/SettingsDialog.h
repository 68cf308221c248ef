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
    // Tests and style sheets find the controls by these names.
    void NameControls();

    // "Menu and List" page; the object names are the old designer names.
    ColorPanel* barFontColor_ = nullptr;
    ColorPanel* barColor_ = nullptr;
    QPushButton* listFontButton_ = nullptr;
    QLabel* listFontSample_ = nullptr;
    ColorPanel* listFontColor_ = nullptr; // the font's colour: the font dialog has none
    ColorPanel* listColor_ = nullptr;
    QLineEdit* minFileSizeEdit_ = nullptr;
    QLabel* invalidKeyNotice_ = nullptr;
    QCheckBox* showIconsBox_ = nullptr;
    QSpinBox* designSpin_ = nullptr;
    QSpinBox* historySpin_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    // "Chart" page.
    QPushButton* chartFontButton_ = nullptr;
    QLabel* chartFontSample_ = nullptr;
    ColorPanel* chartFontColor_ = nullptr;
    QPushButton* legendFontButton_ = nullptr;
    QLabel* legendFontSample_ = nullptr;
    ColorPanel* legendFontColor_ = nullptr;
    ColorPanel* gradientTop_ = nullptr;
    ColorPanel* gradientBottom_ = nullptr;
    ColorPanel* legendColor_ = nullptr;
    QCheckBox* enableZoomBox_ = nullptr;
    QComboBox* barStyleCombo_ = nullptr; // kept for its key, never shown
    QTabWidget* pages_ = nullptr;

    QString iniFileName_;
    FontDesc listFont_, chartFont_, legendFont_;
    QColorDialog* colorDialog_ = nullptr;
    QFontDialog* fontDialog_ = nullptr;
    QTimer* noticeTimer_ = nullptr;
    bool loading_ = false;
};
