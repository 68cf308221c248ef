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
    connect(noticeTimer_, &QTimer::timeout, this, [this] { LblInvalidKey->clear(); });

    auto* lay = new QVBoxLayout(this);
    PageControl = new QTabWidget(this);
    auto* menuPage = new QWidget(PageControl);
    auto* chartPage = new QWidget(PageControl);
    PageControl->addTab(menuPage, QStringLiteral("Menu and List"));
    PageControl->addTab(chartPage, QStringLiteral("Chart"));
    lay->addWidget(PageControl);
    BuildMenuPage(menuPage);
    BuildChartPage(chartPage);
    LoadSettings();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::BuildMenuPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);

    auto* menuColors = new QGroupBox(QStringLiteral("Menu Colors"), page);
    auto* mc = new QVBoxLayout(menuColors);
    PnlBarFontColor = new ColorPanel(menuColors);
    PnlBarColor = new ColorPanel(menuColors);
    mc->addWidget(Row(menuColors, PnlBarFontColor, QStringLiteral("Menu Bar / Gauge Font")));
    mc->addWidget(Row(menuColors, PnlBarColor, QStringLiteral("Menu Bar / Gauge Back")));
    lay->addWidget(menuColors);

    auto* listSettings = new QGroupBox(QStringLiteral("List Settings"), page);
    auto* ls = new QVBoxLayout(listSettings);
    BtnFontList = new QPushButton(QStringLiteral("Font..."), listSettings);
    PnlListFontColor = FontColorPanel(listSettings);
    LblListFont = new QLabel(QStringLiteral("Choose Font"), listSettings);
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(BtnFontList);
    fontRow->addWidget(PnlListFontColor);
    fontRow->addWidget(LblListFont, 1);
    ls->addLayout(fontRow);
    PnlListColor = new ColorPanel(listSettings);
    ls->addWidget(Row(listSettings, PnlListColor, QStringLiteral("List Background Color")));
    EdtMinFileSize = new QLineEdit(listSettings);
    EdtMinFileSize->setMaxLength(kMinFileSizeDigits);
    EdtMinFileSize->setMaximumWidth(90);
    EdtMinFileSize->setAutoFillBackground(true);
    // Pasted text is held to digits as well.
    EdtMinFileSize->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    EdtMinFileSize->installEventFilter(this);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(EdtMinFileSize);
    auto* sizeLabel = new QLabel(QStringLiteral("Min file size for file list (kb)"), listSettings);
    sizeLabel->setBuddy(EdtMinFileSize);
    sizeRow->addWidget(sizeLabel);
    LblInvalidKey = new QLabel(listSettings);
    LblInvalidKey->setStyleSheet(QStringLiteral("color: #b00020; font-weight: bold;"));
    sizeRow->addWidget(LblInvalidKey, 1);
    ls->addLayout(sizeRow);
    CbxShowIcons = new QCheckBox(QStringLiteral("      Show Icons in File List"), listSettings);
    ls->addWidget(CbxShowIcons);
    lay->addWidget(listSettings);

    auto* grid = new QGridLayout;
    Spin3D = new QSpinBox(page);
    Spin3D->setRange(0, kDesignMax);
    HistorySpin = new QSpinBox(page);
    HistorySpin->setRange(kHistoryMin, kHistoryMax);
    HistorySpin->setValue(20);
    grid->addWidget(Spin3D, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Application 3D Settings"), page), 0, 1);
    grid->addWidget(HistorySpin, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("History Length"), page), 1, 1);
    lay->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    BtnReset = new QPushButton(QStringLiteral("Reset all to default"), page);
    BtnClose = new QPushButton(QStringLiteral("                     Close"), page);
    BtnClose->setDefault(true);
    buttons->addWidget(BtnReset);
    buttons->addStretch(1);
    buttons->addWidget(BtnClose);
    lay->addStretch(1);
    lay->addLayout(buttons);

    connect(PnlBarFontColor, &ColorPanel::Clicked, this,
            [this] { ChooseColor(PnlBarFontColor, kKeyBarFontColor); });
    connect(PnlBarColor, &ColorPanel::Clicked, this,
            [this] { ChooseColor(PnlBarColor, kKeyBarColor); });
    connect(PnlListColor, &ColorPanel::Clicked, this,
            [this] { ChooseColor(PnlListColor, kKeyListColor); });
    connect(BtnFontList, &QPushButton::clicked, this,
            [this] { ChooseFont(LblListFont, kKeyListFont); });
    connect(PnlListFontColor, &ColorPanel::Clicked, this,
            [this] { ChooseFontColor(LblListFont, kKeyListFont); });
    connect(CbxShowIcons, &QCheckBox::clicked, this, [this](bool on) {
        Write(
            [&] { WriteIniBool(iniFileName_, kSettingsSection, QStringLiteral("ShowIcons"), on); });
    });
    connect(Spin3D, &QSpinBox::valueChanged, this, [this](int n) {
        if (loading_) return;
        Write([&] {
            WriteIniInteger(iniFileName_, kSettingsSection, QStringLiteral("FlatDesign"), n);
        });
        ApplyFlatDesign(n);
    });
    connect(HistorySpin, &QSpinBox::valueChanged, this, [this](int n) {
        if (loading_) return;
        Write([&] {
            WriteIniInteger(iniFileName_, kSettingsSection, QStringLiteral("HistorySize"), n);
        });
    });
    connect(BtnReset, &QPushButton::clicked, this, &SettingsDialog::ResetToDefault);
    connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void SettingsDialog::BuildChartPage(QWidget* page) {
    auto* lay = new QVBoxLayout(page);
    auto* group = new QGroupBox(QStringLiteral("Chart Settings"), page);
    auto* g = new QGridLayout(group);
    BtnFontChart = new QPushButton(QStringLiteral("Font..."), group);
    PnlChartFontColor = FontColorPanel(group);
    LblChartFont = new QLabel(QStringLiteral("Choose Header Font"), group);
    BtnFontLegend = new QPushButton(QStringLiteral("Font..."), group);
    PnlLegendFontColor = FontColorPanel(group);
    lblLegendFont = new QLabel(QStringLiteral("Choose Legend Font"), group);
    g->addWidget(FontChoice(group, BtnFontChart, PnlChartFontColor), 0, 0);
    g->addWidget(LblChartFont, 0, 1);
    g->addWidget(FontChoice(group, BtnFontLegend, PnlLegendFontColor), 1, 0);
    g->addWidget(lblLegendFont, 1, 1);
    PnlGradientTop = new ColorPanel(group);
    PnlGradientBottom = new ColorPanel(group);
    pnlLegendColor = new ColorPanel(group);
    g->addWidget(PnlGradientTop, 2, 0);
    g->addWidget(new QLabel(QStringLiteral("Gradient Color Top"), group), 2, 1);
    g->addWidget(PnlGradientBottom, 3, 0);
    g->addWidget(new QLabel(QStringLiteral("Gradient Color Bottom"), group), 3, 1);
    g->addWidget(pnlLegendColor, 4, 0);
    g->addWidget(new QLabel(QStringLiteral("Chart Legend Color"), group), 4, 1);
    CbxEnableZoom = new QCheckBox(QStringLiteral("  Enable Zoom in Bar Chart"), group);
    g->addWidget(CbxEnableZoom, 5, 0, 1, 2);
    g->setColumnStretch(1, 1);
    lay->addWidget(group);
    lay->addStretch(1);

    // The bar shape has no effect on the charts; its key is kept, the list not shown.
    CboBarStyle = new QComboBox(page);
    CboBarStyle->addItems({QStringLiteral("Rectangle"), QStringLiteral("Pyramid"),
                           QStringLiteral("Invert Pyramid"), QStringLiteral("Cylinder"),
                           QStringLiteral("Elypse"), QStringLiteral("Arrow"),
                           QStringLiteral("Grad.Rectangle"), QStringLiteral("Cone")});
    CboBarStyle->hide();

    connect(BtnFontChart, &QPushButton::clicked, this,
            [this] { ChooseFont(LblChartFont, kKeyChartFont); });
    connect(BtnFontLegend, &QPushButton::clicked, this,
            [this] { ChooseFont(lblLegendFont, kKeyLegendFont); });
    connect(PnlChartFontColor, &ColorPanel::Clicked, this,
            [this] { ChooseFontColor(LblChartFont, kKeyChartFont); });
    connect(PnlLegendFontColor, &ColorPanel::Clicked, this,
            [this] { ChooseFontColor(lblLegendFont, kKeyLegendFont); });
    connect(PnlGradientTop, &ColorPanel::Clicked, this,
            [this] { ChooseColor(PnlGradientTop, kKeyGrad2); });
    connect(PnlGradientBottom, &ColorPanel::Clicked, this,
            [this] { ChooseColor(PnlGradientBottom, kKeyGrad1); });
    connect(pnlLegendColor, &ColorPanel::Clicked, this,
            [this] { ChooseColor(pnlLegendColor, kKeyLegendColor); });
    connect(CbxEnableZoom, &QCheckBox::clicked, this, [this](bool on) {
        Write([&] {
            WriteIniBool(iniFileName_, kSettingsSection, QStringLiteral("EnableZoom"), on);
        });
    });
    connect(CboBarStyle, &QComboBox::currentIndexChanged, this, [this](int n) {
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
        color(PnlListColor, kKeyListColor, SettingsDefault::ListColor);
        ColorSizeBox(PnlListColor->ColorValue());
        color(PnlGradientBottom, kKeyGrad1, SettingsDefault::GradientColor1);
        color(PnlGradientTop, kKeyGrad2, SettingsDefault::GradientColor2);
        color(pnlLegendColor, kKeyLegendColor, SettingsDefault::LegendColor);
        color(PnlBarColor, kKeyBarColor, SettingsDefault::BarColor);
        color(PnlBarFontColor, kKeyBarFontColor, SettingsDefault::BarFontColor);
        font(LblListFont, listFont_, kKeyListFont, SettingsDefault::ListFont);
        font(lblLegendFont, legendFont_, kKeyLegendFont, SettingsDefault::LegendFont);
        font(LblChartFont, chartFont_, kKeyChartFont, SettingsDefault::ChartFont);

        PageControl->setCurrentIndex(
            std::clamp(ReadIniInteger(f, s, QStringLiteral("ActivePage"), 0), 0, 1));
        // A stored number outside its control's range is written back as shown.
        const int barStyle = ReadIniInteger(f, s, QStringLiteral("BarStyle"), 0);
        CboBarStyle->setCurrentIndex(std::clamp(barStyle, 0, CboBarStyle->count() - 1));
        if (CboBarStyle->currentIndex() != barStyle)
            WriteIniInteger(f, s, QStringLiteral("BarStyle"), CboBarStyle->currentIndex());
        CbxEnableZoom->setChecked(ReadIniBool(f, s, QStringLiteral("EnableZoom"), false));
        CbxShowIcons->setChecked(ReadIniBool(f, s, QStringLiteral("ShowIcons"), false));
        const int history = ReadIniInteger(f, s, QStringLiteral("HistorySize"), 20);
        HistorySpin->setValue(ClampHistorySize(history));
        if (HistorySpin->value() != history)
            WriteIniInteger(f, s, QStringLiteral("HistorySize"), HistorySpin->value());
        const int design = ReadIniInteger(f, s, QStringLiteral("FlatDesign"), 0);
        Spin3D->setValue(ClampDesign(design));
        if (Spin3D->value() != design)
            WriteIniInteger(f, s, QStringLiteral("FlatDesign"), Spin3D->value());
        ApplyFlatDesign(Spin3D->value());

        QString minSize = ReadIniString(f, s, QStringLiteral("MinFileSize"), QStringLiteral("0"));
        minSize.remove(QRegularExpression(QStringLiteral("[^0-9]")));
        EdtMinFileSize->setText(minSize.left(kMinFileSizeDigits));
        if (EdtMinFileSize->text().isEmpty()) EdtMinFileSize->setText(QStringLiteral("1"));
    } catch (const EMorvaneError& e) {
        errors << e.message();
    }
    loading_ = false;
    if (!errors.isEmpty()) ShowErrorMessage(this, errors.join(QLatin1Char('\n')));
}

FontDesc& SettingsDialog::FontOf(QLabel* sample) {
    return sample == LblListFont ? listFont_ : (sample == LblChartFont ? chartFont_ : legendFont_);
}

ColorPanel* SettingsDialog::FontColorPanelOf(QLabel* sample) const {
    return sample == LblListFont
               ? PnlListFontColor
               : (sample == LblChartFont ? PnlChartFontColor : PnlLegendFontColor);
}

void SettingsDialog::ShowFont(QLabel* sample, const FontDesc& font) {
    FontColorPanelOf(sample)->SetColorValue(font.color);
    sample->setFont(ToQFont(font));
    QPalette pal = sample->palette();
    pal.setColor(QPalette::WindowText, ToQColor(font.color));
    // The chart title is drawn on the gradient; show its sample there too.
    if (sample == LblChartFont) {
        sample->setAutoFillBackground(true);
        sample->setContentsMargins(4, 2, 4, 2);
        pal.setColor(QPalette::Window, ToQColor(PnlGradientTop->ColorValue()));
    }
    sample->setPalette(pal);
}

void SettingsDialog::ColorSizeBox(ColorCode color) {
    QPalette pal = EdtMinFileSize->palette();
    pal.setColor(QPalette::Base, ToQColor(color));
    EdtMinFileSize->setPalette(pal);
    pal = CboBarStyle->palette();
    pal.setColor(QPalette::Base, ToQColor(color));
    CboBarStyle->setPalette(pal);
}

void SettingsDialog::ChooseColor(ColorPanel* panel, const QString& key) {
    if (ExecModal(*colorDialog_) != QDialog::Accepted) return;
    const ColorCode color = FromQColor(colorDialog_->currentColor());
    panel->SetColorValue(color);
    if (panel == PnlListColor) ColorSizeBox(color);
    if (panel == PnlGradientTop) ShowFont(LblChartFont, chartFont_);
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
    if (watched == EdtMinFileSize && event->type() == QEvent::KeyPress) {
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
    LblInvalidKey->setText(QStringLiteral("Invalid key"));
    noticeTimer_->start();
}

void SettingsDialog::ResetToDefault() {
    if (!AskWarningYesNo(this,
                         QStringLiteral("Do you really want to overwrite your settings?\n\rAre "
                                        "you sure that you want to continue?")))
        return;
    const SettingsValues v = FactorySettings();
    loading_ = true;
    PnlListColor->SetColorValue(v.ListColor);
    pnlLegendColor->SetColorValue(v.LegendColor);
    PnlBarFontColor->SetColorValue(v.BarFontColor);
    PnlGradientBottom->SetColorValue(v.GradientColor1);
    PnlGradientTop->SetColorValue(v.GradientColor2);
    PnlBarColor->SetColorValue(v.BarColor);
    listFont_ = v.ListFont;
    legendFont_ = v.LegendFont;
    chartFont_ = v.ChartFont;
    ShowFont(LblListFont, listFont_);
    ShowFont(lblLegendFont, legendFont_);
    ShowFont(LblChartFont, chartFont_);
    PageControl->setCurrentIndex(v.ActivePage);
    CboBarStyle->setCurrentIndex(v.BarStyle);
    CbxEnableZoom->setChecked(v.EnableZoom);
    CbxShowIcons->setChecked(v.ShowIcons);
    Spin3D->setValue(v.FlatDesign);
    HistorySpin->setValue(v.HistorySize);
    ApplyFlatDesign(0);
    EdtMinFileSize->setText(v.MinFileSize);
    ColorSizeBox(PnlListColor->ColorValue());
    loading_ = false;
    Write([this] { WriteValues(); });
}

void SettingsDialog::WriteValues() {
    SettingsValues v;
    v.ShowIcons = CbxShowIcons->isChecked();
    v.FlatDesign = Spin3D->value();
    v.MinFileSize = EdtMinFileSize->text();
    v.BarStyle = CboBarStyle->currentIndex();
    v.ActivePage = PageControl->currentIndex();
    v.EnableZoom = CbxEnableZoom->isChecked();
    v.HistorySize = HistorySpin->value();
    v.LegendColor = pnlLegendColor->ColorValue();
    v.BarFontColor = PnlBarFontColor->ColorValue();
    v.BarColor = PnlBarColor->ColorValue();
    v.LegendFont = legendFont_;
    v.GradientColor2 = PnlGradientTop->ColorValue();
    v.GradientColor1 = PnlGradientBottom->ColorValue();
    v.ListColor = PnlListColor->ColorValue();
    v.ChartFont = chartFont_;
    v.ListFont = listFont_;
    WriteAllSettings(iniFileName_, v);
}

void SettingsDialog::ApplyFlatDesign(int design) {
    const bool normalTabs = design == 2;
    const bool bevels = design == 1 || design == 2;
    PageControl->setDocumentMode(!normalTabs);
    EdtMinFileSize->setFrame(bevels);
    for (ColorPanel* panel : findChildren<ColorPanel*>())
        panel->SetBevelled(bevels);
    for (QPushButton* button : {BtnFontList, BtnFontChart, BtnFontLegend})
        button->setFlat(!normalTabs);
}

void SettingsDialog::done(int result) {
    // Closing is never refused; what could not be written has been reported.
    Write([this] {
        WriteIniString(iniFileName_, kSettingsSection, QStringLiteral("MinFileSize"),
                       EdtMinFileSize->text());
        WriteIniInteger(iniFileName_, kSettingsSection, QStringLiteral("ActivePage"),
                        PageControl->currentIndex());
    });
    QDialog::done(result);
}
