#include "gui/dialogs/SettingsDialog.h"
#include "core/settings/IniFile.h"
#include "core/settings/SettingsDefaults.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include "platform/Errors.h"
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString kKeyListColor = QStringLiteral("ListColor");
const QString kKeyGrad1 = QStringLiteral("GradientColor1");
const QString kKeyGrad2 = QStringLiteral("GradientColor2");
const QString kKeyLegendColor = QStringLiteral("LegendColor");
const QString kKeyBarColor = QStringLiteral("BarColor");
const QString kKeyBarFontColor = QStringLiteral("BarFontColor");
const QString kKeyListFont = QStringLiteral("ListFont");
const QString kKeyChartFont = QStringLiteral("ChartFont");
const QString kKeyLegendFont = QStringLiteral("LegendFont");

// The small colour panel beside a font button.
ColorPanel* FontColorPanel(QWidget* parent) {
    auto* panel = new ColorPanel(parent);
    panel->setFixedSize(22, 22);
    panel->setToolTip(QStringLiteral("Font colour"));
    return panel;
}

QWidget* FontChoice(QWidget* parent, QPushButton* button, ColorPanel* color) {
    auto* box = new QWidget(parent);
    auto* lay = new QHBoxLayout(box);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(button);
    lay->addWidget(color);
    return box;
}

QWidget* Row(QWidget* parent, QWidget* control, const QString& caption) {
    auto* row = new QWidget(parent);
    auto* lay = new QHBoxLayout(row);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(control);
    auto* label = new QLabel(caption, row);
    label->setBuddy(control);
    lay->addWidget(label, 1);
    return row;
}
} // namespace

SettingsDialog::SettingsDialog(const QString& iniFileName, QWidget* parent)
    : QDialog(parent), iniFileName_(iniFileName) {
    setWindowTitle(QStringLiteral("Morvane Settings"));
    colorDialog_ = new QColorDialog(this);
    fontDialog_ = new QFontDialog(this);
    noticeTimer_ = new QTimer(this);
    noticeTimer_->setSingleShot(true);
    noticeTimer_->setInterval(2000);
    connect(noticeTimer_, &QTimer::timeout, this, [this] { invalidKeyNotice_->clear(); });

    auto* lay = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    auto* menuPage = new QWidget(pages_);
    auto* chartPage = new QWidget(pages_);
    pages_->addTab(menuPage, QStringLiteral("Menu and List"));
    pages_->addTab(chartPage, QStringLiteral("Chart"));
    lay->addWidget(pages_);
    BuildMenuPage(menuPage);
    BuildChartPage(chartPage);
    NameControls();
    LoadSettings();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::NameControls() {
    const std::pair<QObject*, const char*> names[] = {
        {barFontColor_, "PnlBarFontColor"},
        {barColor_, "PnlBarColor"},
        {listFontButton_, "BtnFontList"},
        {listFontSample_, "LblListFont"},
        {listFontColor_, "PnlListFontColor"},
        {listColor_, "PnlListColor"},
        {minFileSizeEdit_, "EdtMinFileSize"},
        {invalidKeyNotice_, "LblInvalidKey"},
        {showIconsBox_, "CbxShowIcons"},
        {designSpin_, "Spin3D"},
        {historySpin_, "HistorySpin"},
        {resetButton_, "BtnReset"},
        {closeButton_, "BtnClose"},
        {chartFontButton_, "BtnFontChart"},
        {chartFontSample_, "LblChartFont"},
        {chartFontColor_, "PnlChartFontColor"},
        {legendFontButton_, "BtnFontLegend"},
        {legendFontSample_, "lblLegendFont"},
        {legendFontColor_, "PnlLegendFontColor"},
        {gradientTop_, "PnlGradientTop"},
        {gradientBottom_, "PnlGradientBottom"},
        {legendColor_, "pnlLegendColor"},
        {enableZoomBox_, "CbxEnableZoom"},
        {barStyleCombo_, "CboBarStyle"},
        {pages_, "PageControl"},
    };
    for (const auto& [control, name] : names)
        control->setObjectName(QLatin1String(name));
}

void SettingsDialog::BuildMenuPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);

    auto* menuColors = new QGroupBox(QStringLiteral("Menu Colors"), page);
    auto* mc = new QVBoxLayout(menuColors);
    barFontColor_ = new ColorPanel(menuColors);
    barColor_ = new ColorPanel(menuColors);
    mc->addWidget(Row(menuColors, barFontColor_, QStringLiteral("Menu Bar / Gauge Font")));
    mc->addWidget(Row(menuColors, barColor_, QStringLiteral("Menu Bar / Gauge Back")));
    lay->addWidget(menuColors);

    auto* listSettings = new QGroupBox(QStringLiteral("List Settings"), page);
    auto* ls = new QVBoxLayout(listSettings);
    listFontButton_ = new QPushButton(QStringLiteral("Font..."), listSettings);
    listFontColor_ = FontColorPanel(listSettings);
    listFontSample_ = new QLabel(QStringLiteral("Choose Font"), listSettings);
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(listFontButton_);
    fontRow->addWidget(listFontColor_);
    fontRow->addWidget(listFontSample_, 1);
    ls->addLayout(fontRow);
    listColor_ = new ColorPanel(listSettings);
    ls->addWidget(Row(listSettings, listColor_, QStringLiteral("List Background Color")));
    minFileSizeEdit_ = new QLineEdit(listSettings);
    minFileSizeEdit_->setMaxLength(kMinFileSizeDigits);
    minFileSizeEdit_->setMaximumWidth(90);
    minFileSizeEdit_->setAutoFillBackground(true);
    // Pasted text is held to digits as well.
    minFileSizeEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    minFileSizeEdit_->installEventFilter(this);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(minFileSizeEdit_);
    auto* sizeLabel = new QLabel(QStringLiteral("Min file size for file list (kb)"), listSettings);
    sizeLabel->setBuddy(minFileSizeEdit_);
    sizeRow->addWidget(sizeLabel);
    invalidKeyNotice_ = new QLabel(listSettings);
    invalidKeyNotice_->setStyleSheet(QStringLiteral("color: #b00020; font-weight: bold;"));
    sizeRow->addWidget(invalidKeyNotice_, 1);
    ls->addLayout(sizeRow);
    showIconsBox_ = new QCheckBox(QStringLiteral("      Show Icons in File List"), listSettings);
    ls->addWidget(showIconsBox_);
    lay->addWidget(listSettings);

    auto* grid = new QGridLayout;
    designSpin_ = new QSpinBox(page);
    designSpin_->setRange(0, kDesignMax);
    historySpin_ = new QSpinBox(page);
    historySpin_->setRange(kHistoryMin, kHistoryMax);
    historySpin_->setValue(20);
    grid->addWidget(designSpin_, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Application 3D Settings"), page), 0, 1);
    grid->addWidget(historySpin_, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("History Length"), page), 1, 1);
    lay->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    resetButton_ = new QPushButton(QStringLiteral("Reset all to default"), page);
    closeButton_ = new QPushButton(QStringLiteral("                     Close"), page);
    closeButton_->setDefault(true);
    buttons->addWidget(resetButton_);
    buttons->addStretch(1);
    buttons->addWidget(closeButton_);
    lay->addStretch(1);
    lay->addLayout(buttons);

    connect(barFontColor_, &ColorPanel::Clicked, this,
            [this] { ChooseColor(barFontColor_, kKeyBarFontColor); });
    connect(barColor_, &ColorPanel::Clicked, this,
            [this] { ChooseColor(barColor_, kKeyBarColor); });
    connect(listColor_, &ColorPanel::Clicked, this,
            [this] { ChooseColor(listColor_, kKeyListColor); });
    connect(listFontButton_, &QPushButton::clicked, this,
            [this] { ChooseFont(listFontSample_, kKeyListFont); });
    connect(listFontColor_, &ColorPanel::Clicked, this,
            [this] { ChooseFontColor(listFontSample_, kKeyListFont); });
    connect(showIconsBox_, &QCheckBox::clicked, this, [this](bool on) {
        Write(
            [&] { WriteIniBool(iniFileName_, kSettingsSection, QStringLiteral("ShowIcons"), on); });
    });
    connect(designSpin_, &QSpinBox::valueChanged, this, [this](int n) {
        if (loading_) return;
        Write([&] {
            WriteIniInteger(iniFileName_, kSettingsSection, QStringLiteral("FlatDesign"), n);
        });
        ApplyFlatDesign(n);
    });
    connect(historySpin_, &QSpinBox::valueChanged, this, [this](int n) {
        if (loading_) return;
        Write([&] {
            WriteIniInteger(iniFileName_, kSettingsSection, QStringLiteral("HistorySize"), n);
        });
    });
    connect(resetButton_, &QPushButton::clicked, this, &SettingsDialog::ResetToDefault);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void SettingsDialog::BuildChartPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);
    auto* group = new QGroupBox(QStringLiteral("Chart Settings"), page);
    auto* g = new QGridLayout(group);
    chartFontButton_ = new QPushButton(QStringLiteral("Font..."), group);
    chartFontColor_ = FontColorPanel(group);
    chartFontSample_ = new QLabel(QStringLiteral("Choose Header Font"), group);
    legendFontButton_ = new QPushButton(QStringLiteral("Font..."), group);
    legendFontColor_ = FontColorPanel(group);
    legendFontSample_ = new QLabel(QStringLiteral("Choose Legend Font"), group);
    g->addWidget(FontChoice(group, chartFontButton_, chartFontColor_), 0, 0);
    g->addWidget(chartFontSample_, 0, 1);
    g->addWidget(FontChoice(group, legendFontButton_, legendFontColor_), 1, 0);
    g->addWidget(legendFontSample_, 1, 1);
    gradientTop_ = new ColorPanel(group);
    gradientBottom_ = new ColorPanel(group);
    legendColor_ = new ColorPanel(group);
    g->addWidget(gradientTop_, 2, 0);
    g->addWidget(new QLabel(QStringLiteral("Gradient Color Top"), group), 2, 1);
    g->addWidget(gradientBottom_, 3, 0);
    g->addWidget(new QLabel(QStringLiteral("Gradient Color Bottom"), group), 3, 1);
    g->addWidget(legendColor_, 4, 0);
    g->addWidget(new QLabel(QStringLiteral("Chart Legend Color"), group), 4, 1);
    enableZoomBox_ = new QCheckBox(QStringLiteral("  Enable Zoom in Bar Chart"), group);
    g->addWidget(enableZoomBox_, 5, 0, 1, 2);
    g->setColumnStretch(1, 1);
    lay->addWidget(group);
    lay->addStretch(1);

    // The bar shape has no effect on the charts; its key is kept, the list not shown.
    barStyleCombo_ = new QComboBox(page);
    barStyleCombo_->addItems({QStringLiteral("Rectangle"), QStringLiteral("Pyramid"),
                              QStringLiteral("Invert Pyramid"), QStringLiteral("Cylinder"),
                              QStringLiteral("Elypse"), QStringLiteral("Arrow"),
                              QStringLiteral("Grad.Rectangle"), QStringLiteral("Cone")});
    barStyleCombo_->hide();

    connect(chartFontButton_, &QPushButton::clicked, this,
            [this] { ChooseFont(chartFontSample_, kKeyChartFont); });
    connect(legendFontButton_, &QPushButton::clicked, this,
            [this] { ChooseFont(legendFontSample_, kKeyLegendFont); });
    connect(chartFontColor_, &ColorPanel::Clicked, this,
            [this] { ChooseFontColor(chartFontSample_, kKeyChartFont); });
    connect(legendFontColor_, &ColorPanel::Clicked, this,
            [this] { ChooseFontColor(legendFontSample_, kKeyLegendFont); });
    connect(gradientTop_, &ColorPanel::Clicked, this,
            [this] { ChooseColor(gradientTop_, kKeyGrad2); });
    connect(gradientBottom_, &ColorPanel::Clicked, this,
            [this] { ChooseColor(gradientBottom_, kKeyGrad1); });
    connect(legendColor_, &ColorPanel::Clicked, this,
            [this] { ChooseColor(legendColor_, kKeyLegendColor); });
    connect(enableZoomBox_, &QCheckBox::clicked, this, [this](bool on) {
        Write([&] {
            WriteIniBool(iniFileName_, kSettingsSection, QStringLiteral("EnableZoom"), on);
        });
    });
    connect(barStyleCombo_, &QComboBox::currentIndexChanged, this, [this](int n) {
        if (loading_ || n < 0) return;
        Write([&] {
            WriteIniInteger(iniFileName_, kSettingsSection, QStringLiteral("BarStyle"), n);
        });
    });
}

void SettingsDialog::Write(const std::function<void()>& write) {
    try {
        write();
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void SettingsDialog::LoadSettings() {
    loading_ = true;
    const QString& f = iniFileName_;
    const QString& s = kSettingsSection;
    QStringList errors;
    auto color = [&](ColorPanel* panel, const QString& key, const QString& def) {
        try {
            panel->SetColorValue(StringToColor(def));
            panel->SetColorValue(StringToColor(ReadIniString(f, s, key, def)));
        } catch (const EConvertError& e) {
            errors << e.message();
        }
    };
    auto font = [&](QLabel* sample, FontDesc& fontDesc, const QString& key, const QString& def) {
        try {
            fontDesc = FontFromText(def);
            const FontDesc stored = FontFromText(ReadIniString(f, s, key, def));
            fontDesc = stored;
        } catch (const EConvertError& e) {
            errors << e.message();
        }
        ShowFont(sample, fontDesc);
    };
    try {
        color(listColor_, kKeyListColor, SettingsDefault::ListColor);
        ColorSizeBox(listColor_->ColorValue());
        color(gradientBottom_, kKeyGrad1, SettingsDefault::GradientColor1);
        color(gradientTop_, kKeyGrad2, SettingsDefault::GradientColor2);
        color(legendColor_, kKeyLegendColor, SettingsDefault::LegendColor);
        color(barColor_, kKeyBarColor, SettingsDefault::BarColor);
        color(barFontColor_, kKeyBarFontColor, SettingsDefault::BarFontColor);
        font(listFontSample_, listFont_, kKeyListFont, SettingsDefault::ListFont);
        font(legendFontSample_, legendFont_, kKeyLegendFont, SettingsDefault::LegendFont);
        font(chartFontSample_, chartFont_, kKeyChartFont, SettingsDefault::ChartFont);

        pages_->setCurrentIndex(
            std::clamp(ReadIniInteger(f, s, QStringLiteral("ActivePage"), 0), 0, 1));
        // A stored number outside its control's range is written back as shown.
        const int barStyle = ReadIniInteger(f, s, QStringLiteral("BarStyle"), 0);
        barStyleCombo_->setCurrentIndex(std::clamp(barStyle, 0, barStyleCombo_->count() - 1));
        if (barStyleCombo_->currentIndex() != barStyle)
            WriteIniInteger(f, s, QStringLiteral("BarStyle"), barStyleCombo_->currentIndex());
        enableZoomBox_->setChecked(ReadIniBool(f, s, QStringLiteral("EnableZoom"), false));
        showIconsBox_->setChecked(ReadIniBool(f, s, QStringLiteral("ShowIcons"), false));
        const int history = ReadIniInteger(f, s, QStringLiteral("HistorySize"), 20);
        historySpin_->setValue(ClampHistorySize(history));
        if (historySpin_->value() != history)
            WriteIniInteger(f, s, QStringLiteral("HistorySize"), historySpin_->value());
        const int design = ReadIniInteger(f, s, QStringLiteral("FlatDesign"), 0);
        designSpin_->setValue(ClampDesign(design));
        if (designSpin_->value() != design)
            WriteIniInteger(f, s, QStringLiteral("FlatDesign"), designSpin_->value());
        ApplyFlatDesign(designSpin_->value());

        QString minSize = ReadIniString(f, s, QStringLiteral("MinFileSize"), QStringLiteral("0"));
        minSize.remove(QRegularExpression(QStringLiteral("[^0-9]")));
        minFileSizeEdit_->setText(minSize.left(kMinFileSizeDigits));
        if (minFileSizeEdit_->text().isEmpty()) minFileSizeEdit_->setText(QStringLiteral("1"));
    } catch (const EMorvaneError& e) {
        errors << e.message();
    }
    loading_ = false;
    if (!errors.isEmpty()) ShowErrorMessage(this, errors.join(QLatin1Char('\n')));
}

FontDesc& SettingsDialog::FontOf(QLabel* sample) {
    return sample == listFontSample_ ? listFont_
                                     : (sample == chartFontSample_ ? chartFont_ : legendFont_);
}

ColorPanel* SettingsDialog::FontColorPanelOf(QLabel* sample) const {
    return sample == listFontSample_
               ? listFontColor_
               : (sample == chartFontSample_ ? chartFontColor_ : legendFontColor_);
}

void SettingsDialog::ShowFont(QLabel* sample, const FontDesc& font) {
    FontColorPanelOf(sample)->SetColorValue(font.color);
    sample->setFont(ToQFont(font));
    QPalette pal = sample->palette();
    pal.setColor(QPalette::WindowText, ToQColor(font.color));
    // The chart title is drawn on the gradient; show its sample there too.
    if (sample == chartFontSample_) {
        sample->setAutoFillBackground(true);
        sample->setContentsMargins(4, 2, 4, 2);
        pal.setColor(QPalette::Window, ToQColor(gradientTop_->ColorValue()));
    }
    sample->setPalette(pal);
}

void SettingsDialog::ColorSizeBox(ColorCode color) {
    QPalette pal = minFileSizeEdit_->palette();
    pal.setColor(QPalette::Base, ToQColor(color));
    minFileSizeEdit_->setPalette(pal);
    pal = barStyleCombo_->palette();
    pal.setColor(QPalette::Base, ToQColor(color));
    barStyleCombo_->setPalette(pal);
}

void SettingsDialog::ChooseColor(ColorPanel* panel, const QString& key) {
    if (ExecModal(*colorDialog_) != QDialog::Accepted) return;
    const ColorCode color = FromQColor(colorDialog_->currentColor());
    panel->SetColorValue(color);
    if (panel == listColor_) ColorSizeBox(color);
    if (panel == gradientTop_) ShowFont(chartFontSample_, chartFont_);
    Write([&] { WriteIniString(iniFileName_, kSettingsSection, key, ColorToString(color)); });
}

void SettingsDialog::ChooseFont(QLabel* sample, const QString& key) {
    if (ExecModal(*fontDialog_) != QDialog::Accepted) return;
    FontDesc& fontDesc = FontOf(sample);
    // The font dialog has no colour; the font keeps its own (its panel sets it).
    fontDesc = FromQFont(fontDialog_->currentFont(), fontDesc.color);
    ShowFont(sample, fontDesc);
    Write([&] { WriteIniString(iniFileName_, kSettingsSection, key, FontToStr(fontDesc)); });
}

void SettingsDialog::ChooseFontColor(QLabel* sample, const QString& key) {
    if (ExecModal(*colorDialog_) != QDialog::Accepted) return;
    FontDesc& fontDesc = FontOf(sample);
    fontDesc.color = FromQColor(colorDialog_->currentColor());
    ShowFont(sample, fontDesc);
    Write([&] { WriteIniString(iniFileName_, kSettingsSection, key, FontToStr(fontDesc)); });
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == minFileSizeEdit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool typed = !text.isEmpty() && text.at(0).isPrint();
        if (key->key() == Qt::Key_Backspace) return false;
        if (typed && !(text.size() == 1 && text.at(0) >= QLatin1Char('0') &&
                       text.at(0) <= QLatin1Char('9'))) {
            ShowInvalidKey();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::ShowInvalidKey() {
    invalidKeyNotice_->setText(QStringLiteral("Invalid key"));
    noticeTimer_->start();
}

void SettingsDialog::ResetToDefault() {
    if (!AskWarningYesNo(this,
                         QStringLiteral("Do you really want to overwrite your settings?\n\rAre "
                                        "you sure that you want to continue?")))
        return;
    const SettingsValues v = FactorySettings();
    loading_ = true;
    listColor_->SetColorValue(v.ListColor);
    legendColor_->SetColorValue(v.LegendColor);
    barFontColor_->SetColorValue(v.BarFontColor);
    gradientBottom_->SetColorValue(v.GradientColor1);
    gradientTop_->SetColorValue(v.GradientColor2);
    barColor_->SetColorValue(v.BarColor);
    listFont_ = v.ListFont;
    legendFont_ = v.LegendFont;
    chartFont_ = v.ChartFont;
    ShowFont(listFontSample_, listFont_);
    ShowFont(legendFontSample_, legendFont_);
    ShowFont(chartFontSample_, chartFont_);
    pages_->setCurrentIndex(v.ActivePage);
    barStyleCombo_->setCurrentIndex(v.BarStyle);
    enableZoomBox_->setChecked(v.EnableZoom);
    showIconsBox_->setChecked(v.ShowIcons);
    designSpin_->setValue(v.FlatDesign);
    historySpin_->setValue(v.HistorySize);
    ApplyFlatDesign(0);
    minFileSizeEdit_->setText(v.MinFileSize);
    ColorSizeBox(listColor_->ColorValue());
    loading_ = false;
    Write([this] { WriteValues(); });
}

void SettingsDialog::WriteValues() {
    SettingsValues v;
    v.ShowIcons = showIconsBox_->isChecked();
    v.FlatDesign = designSpin_->value();
    v.MinFileSize = minFileSizeEdit_->text();
    v.BarStyle = barStyleCombo_->currentIndex();
    v.ActivePage = pages_->currentIndex();
    v.EnableZoom = enableZoomBox_->isChecked();
    v.HistorySize = historySpin_->value();
    v.LegendColor = legendColor_->ColorValue();
    v.BarFontColor = barFontColor_->ColorValue();
    v.BarColor = barColor_->ColorValue();
    v.LegendFont = legendFont_;
    v.GradientColor2 = gradientTop_->ColorValue();
    v.GradientColor1 = gradientBottom_->ColorValue();
    v.ListColor = listColor_->ColorValue();
    v.ChartFont = chartFont_;
    v.ListFont = listFont_;
    WriteAllSettings(iniFileName_, v);
}

void SettingsDialog::ApplyFlatDesign(int design) {
    const bool normalTabs = design == 2;
    const bool bevels = design == 1 || design == 2;
    pages_->setDocumentMode(!normalTabs);
    minFileSizeEdit_->setFrame(bevels);
    for (ColorPanel* panel : findChildren<ColorPanel*>())
        panel->SetBevelled(bevels);
    for (QPushButton* button : {listFontButton_, chartFontButton_, legendFontButton_})
        button->setFlat(!normalTabs);
}

void SettingsDialog::done(int result) {
    // Closing is never refused; what could not be written has been reported.
    Write([this] {
        WriteIniString(iniFileName_, kSettingsSection, QStringLiteral("MinFileSize"),
                       minFileSizeEdit_->text());
        WriteIniInteger(iniFileName_, kSettingsSection, QStringLiteral("ActivePage"),
                        pages_->currentIndex());
    });
    QDialog::done(result);
}
