#include "gui/commands/CommandTable.h"
#include "gui/commands/FileMenu.h"
#include "gui/widgets/ImageMenu.h"
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWidget>

namespace {
QString Tr(const char* s) {
    return QString::fromUtf8(s);
}

// Hints keep their line breaks in tool tips and lose them in the status bar.
QString ShownHint(QString hint) {
    return hint.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
QString OneLine(QString hint) {
    return hint.replace(QLatin1String("\r\n"), QLatin1String(" ")).simplified();
}
} // namespace

CommandTable::CommandTable(QWidget* owner) : QObject(owner), owner_(owner) {
    Images = BuildToolImages();
    HotImages = Images;
    MenuImgList = BuildMenuImgList();

    // ActionList1
    Add("actBrowseDir", "Browse directory", "Opens browse dir dialog", 3, "F2");
    Add("actRun", "Run", "Calclulate Size of selected directory incl. all sub dirs ", 29, "F9");
    Add("actPrint", "Print visible sheet",
        "Plain print of the active and visible sheet. For more print options go to Export/Print",
        26, "Ctrl+P");
    Add("actUpOneDir", "Up one dir", "Up to Parent Directory", 34, "F10");
    Add("actO_C_DirTree", "Toggle Explorer View", "Toggle Explorer View", 8, "F3");
    Add("actToggle3D", "3D View off / on", "Toggle between 2D and 3D mode", 0, "F7", true, true);
    Add("actSavePicture", "Save Picture", "Save Picture to File", 25);
    Add("actAbout", "About Morvane", "About Morvane", 1);
    Add("actHelp", "Help me !", "Opens Help File", 16, "F1");
    Add("actExplodeBiggest", "Explode biggest pie", "Shows biggest pie cut out", 10, "F8", true);
    Add("actMarkVisible", "Mark Visible", "Toggle Labels", 20, "F6", true, true);
    Add("actShowLegend", "Show Legend", "Show Legend", 21, "F5", true);
    Add("actShowHints", "Show Hints", "Show hints on/off", 17, "F4", true, true);
    Add("ACTSave", "Save", "Save folder list and charts in Morvane++ file", 30, "Ctrl+S");
    Add("ACTOpen", "Open", "Open saved folder size file and charts in Morvane++", 24, "Ctrl+O");
    Add("actCompareSnapshot", "Compare with snapshot\u2026",
        "Compare the analysis shown with an earlier snapshot (ncdu/gdu JSON export);\r\nagain "
        "to stop comparing",
        -1, {}, true);
    Add("actChartShowsChange", "Bar chart shows change",
        "The bar chart shows what each folder gained or lost since the snapshot compared with", -1,
        {}, true);
    Add("actToggleHistCombo", "Folder History off / on", "Toggle folder history on- off.", 18);
    Add("actEmptyRecBin", "Empty Recycle Bin", "Empty recycle bin", 22);
    Add("actDelIECache", "Delete internet cache", "Delete IE internet cache", 6);
    Add("actStartDefrag", "Start Windows Defrag", "Starts Windows Defrag", 39);
    Add("actDelToRecBin", "Del to Rec. Bin", "Deletes checked files to recycle bin.", 5);
    Add("actFindDuplicates", "Find Duplicates", "", 15);
    Add("actMoveToArchive", "Move to Archive", "Moves checked files into zip archive!", 35);
    Add("actElyptic", "Show elyptic pie", "Show elyptic pie", -1, {}, true);
    Add("actClrDocs", "Clear Document List", "Clears recent documents list", 37);
    Add("actUninstallMnu", "Uninstall Menu", "Open Add Remove Programs Menu", 40);
    // ActionList2
    Add("actUncheck_Selected", "actUncheck_Selected", "", -1)->setIcon(MenuImgList.value(18));

    // Menu items and tool buttons that are not bound to an action of the lists.
    auto item = [this](const char* name, const char* caption, const char* hint, const QIcon& icon,
                       const char* key = nullptr, bool checkable = false) {
        QAction* a = Add(QLatin1String(name), QLatin1String(caption), QLatin1String(hint), -1,
                         key ? QLatin1String(key) : QString(), checkable);
        a->setIcon(icon);
        return a;
    };
    item("ExitItem", "Exit", "", MenuImgList.value(9), "Ctrl+Q");
    item("ExportListItem", "Print / Export List",
         "Enhanced Print options, save or export size list", MenuImgList.value(8));
    item("SettingsItem", "Settings", "", MenuImgList.value(17));
    item("LoadButtonImagesItem", "Load button images", "", MenuImgList.value(25));
    item("HelpContentsItem", "Help Contents", "", QIcon());
    item("HelpIndexItem", "Help Index", "", QIcon());
    item("SortChart", "Sort Charts",
         "This will sort the charts\r\nbased on the folder size in MB.\r\n\r\nDefault sort Chart "
         "by clicking\r\nappropriate Folder Size List Header.",
         Images.value(32));
    item("FreeSpaceButt", "Including Free Space", "Including Free Space", Images.value(19), nullptr,
         true);
    item("Move", "Rotate", "Rotate", Images.value(28), nullptr, true);
    item("ClearHistoryButton", "Clear IE History", "Clear IE History", Images.value(38));
    item("DiskCleanupButton", "Disk Cleanup", "Disk Cleanup", Images.value(39));
    for (const auto& [name, image] : {std::pair{"SortChart", 32},
                                      {"FreeSpaceButt", 19},
                                      {"Move", 28},
                                      {"ClearHistoryButton", 38},
                                      {"DiskCleanupButton", 39}})
        Action(QLatin1String(name))->setProperty("imageIndex", image);

    // Items with a caption, hint or image of their own.
    Proxy("ExportPictureItem", Action("actSavePicture"), Tr("Save Picture As"), {},
          MenuImgList.value(19));
    Proxy("MarkVisibleItem", Action("actMarkVisible"), Tr("Show Labels"),
          Tr("Toggle Labels on / off"), MenuImgList.value(12));
    Proxy("MarkVisibleButton", Action("actMarkVisible"), {}, Tr("Switch labels on / off"), {});

    historyPop_ = new QMenu(owner_);
    historyPop_->setObjectName(QStringLiteral("HistoryPop"));
    historyPop_->setToolTipsVisible(true);
    QAction* del = item("DeleteHistoryItem", "Delete Item", "Deletes current item", QIcon());
    historyPop_->addAction(del);
    historyPop_->addAction(item("DeleteAllHistoryItems", "Delete all Items", "", QIcon()));
    historyPop_->addSeparator();
    historyPop_->addAction(item("ShowAllHistoryItems", "Show all items", "", QIcon()));

    folderListPopUp_ = new QMenu(owner_);
    folderListPopUp_->setObjectName(QStringLiteral("FolderListPopUp"));
    folderListPopUp_->addAction(
        item("OpenFolderItem", "Open with Explorer", "", MenuImgList.value(21)));
    folderListPopUp_->addSeparator();
    folderListPopUp_->addAction(
        item("DeleteListFolderItem", "Delete Folder", "", MenuImgList.value(5)));
    folderListPopUp_->addAction(
        item("MoveListFolderItem", "Move Folder", "", MenuImgList.value(3)));
    folderListPopUp_->addAction(
        item("CopyListFolderItem", "Copy Folder", "", MenuImgList.value(14)));
    folderListPopUp_->addAction(
        item("MoveFolderToArchive", "Move to archive", "", MenuImgList.value(0)));

    dirTreePopUp_ = new QMenu(owner_);
    dirTreePopUp_->setObjectName(QStringLiteral("DirTreePopUp"));
    dirTreePopUp_->addAction(item("RunSizeCheckItem", "Run size check", "", Images.value(29)));
    dirTreePopUp_->addSeparator();
    dirTreePopUp_->addAction(item("CopyFolderItem", "Copy", "", MenuImgList.value(14)));
    dirTreePopUp_->addAction(item("MoveFolderItem", "Move", "", MenuImgList.value(3)));
    dirTreePopUp_->addAction(item("DeleteFolderItem", "Delete", "", MenuImgList.value(5)));
    dirTreePopUp_->addSeparator();
    dirTreePopUp_->addAction(
        item("TreeMoveToArchiveItem", "Move to Archive", "", MenuImgList.value(0)));
}

QAction* CommandTable::Add(const QString& name, const QString& caption, const QString& hint,
                           int image, const QString& key, bool checkable, bool checked) {
    auto* a = new QAction(caption, owner_);
    a->setObjectName(name);
    // Tool tips show the caption when there is no hint.
    a->setToolTip(ShownHint(hint.isEmpty() ? caption : hint));
    a->setStatusTip(OneLine(hint));
    if (image >= 0) {
        a->setIcon(Images.value(image));
        a->setProperty("imageIndex", image);
    }
    if (!key.isEmpty()) {
        a->setShortcut(QKeySequence(key));
        a->setShortcutContext(Qt::WindowShortcut);
    }
    a->setCheckable(checkable);
    a->setChecked(checked);
    owner_->addAction(a);
    actions_.insert(name, a);
    return a;
}

QAction* CommandTable::Proxy(const QString& name, QAction* action, const QString& caption,
                             const QString& hint, const QIcon& icon) {
    auto* p = new QAction(caption.isEmpty() ? action->text() : caption, owner_);
    p->setObjectName(name);
    p->setToolTip(hint.isEmpty() ? action->toolTip() : ShownHint(hint));
    p->setStatusTip(hint.isEmpty() ? action->statusTip() : OneLine(hint));
    p->setIcon(icon.isNull() ? action->icon() : icon);
    if (icon.isNull()) p->setProperty("imageIndex", action->property("imageIndex"));
    // The key shows beside the item; it fires only while the menu has the
    // focus, so it never competes with the action's own.
    if (!action->shortcut().isEmpty()) {
        p->setShortcut(action->shortcut());
        p->setShortcutContext(Qt::WidgetShortcut);
    }
    p->setCheckable(action->isCheckable());
    p->setChecked(action->isChecked());
    p->setEnabled(action->isEnabled());
    connect(p, &QAction::triggered, action, [action] { action->trigger(); });
    // Counted so a check of the action's own handlers can leave these out.
    action->setProperty("proxies", action->property("proxies").toInt() + 1);
    connect(action, &QAction::toggled, p, &QAction::setChecked);
    connect(action, &QAction::enabledChanged, p, &QAction::setEnabled);
    // The item follows the action's checked state, not its own click.
    connect(p, &QAction::triggered, p, [p, action] { p->setChecked(action->isChecked()); });
    actions_.insert(name, p);
    return p;
}

void CommandTable::SetButtonImages(const ImageList& normal, const ImageList& hot) {
    Images = normal;
    HotImages = hot;
    for (QAction* a : std::as_const(actions_)) {
        bool ok = false;
        const int i = a->property("imageIndex").toInt(&ok);
        if (!ok) continue;
        // The hot image is the one a flat tool button shows under the mouse.
        QIcon icon;
        for (const QSize& size : Images.value(i).availableSizes())
            icon.addPixmap(Images.value(i).pixmap(size), QIcon::Normal);
        for (const QSize& size : HotImages.value(i).availableSizes())
            icon.addPixmap(HotImages.value(i).pixmap(size), QIcon::Active);
        a->setIcon(icon.isNull() ? Images.value(i) : icon);
    }
}

QAction* CommandTable::Action(const QString& name) const {
    return actions_.value(name);
}

QStringList CommandTable::Names() const {
    return actions_.keys();
}

void CommandTable::BuildMainMenu(QMenuBar* bar,
                                 std::function<std::pair<QColor, QColor>()> bandColors) {
    auto add = [this](QMenu* m, const char* name) { m->addAction(Action(QLatin1String(name))); };
    QMenu* file =
        new FileMenu(QStringLiteral("&File"), bar, std::move(bandColors), &Images, &HotImages);
    bar->addMenu(file);
    file->setObjectName(QStringLiteral("MenuFile"));
    file->setToolTipsVisible(true);
    add(file, "actRun");
    file->addSeparator();
    add(file, "actUpOneDir");
    add(file, "actBrowseDir");
    file->addSeparator();
    add(file, "actPrint");
    file->addSeparator();
    add(file, "ACTSave");
    add(file, "ACTOpen");
    add(file, "actCompareSnapshot");
    file->addSeparator();
    add(file, "ExitItem");

    // Items of the other menus with their image in the menu image list; -1
    // keeps the item's own image.
    auto menu = [bar](const char* title, const char* name) {
        auto* m = new ImageMenu(QLatin1String(title), bar);
        m->setObjectName(QLatin1String(name));
        m->setToolTipsVisible(true);
        bar->addMenu(m);
        return m;
    };
    auto put = [this](ImageMenu* m, const char* name, int image) {
        QAction* a = Action(QLatin1String(name));
        m->addAction(a);
        if (image >= 0) m->SetImage(a, MenuImgList.value(image));
    };
    ImageMenu* tools = menu("&Tools", "MenuTools");
    put(tools, "ExportPictureItem", -1);
    put(tools, "ExportListItem", -1);
    tools->addSeparator();
    put(tools, "actUninstallMnu", 37);
    put(tools, "actDelIECache", 1);
    put(tools, "actEmptyRecBin", 15);
    put(tools, "actClrDocs", 37);
    put(tools, "actStartDefrag", 4);
    tools->addSeparator();
    put(tools, "SettingsItem", -1);

    ImageMenu* view = menu("&View", "MenuView");
    put(view, "actToggle3D", 20);
    put(view, "MarkVisibleItem", -1);
    put(view, "actShowLegend", 13);
    put(view, "actShowHints", 10);
    put(view, "actElyptic", 7);
    put(view, "actExplodeBiggest", 9);
    put(view, "actChartShowsChange", -1);
    put(view, "actToggleHistCombo", 11);
    view->addSeparator();
    put(view, "actO_C_DirTree", 21);
    put(view, "LoadButtonImagesItem", -1);

    ImageMenu* about = menu("&About", "MenuAbout");
    put(about, "actHelp", 23);
    put(about, "HelpContentsItem", -1);
    put(about, "HelpIndexItem", -1);
    about->addSeparator();
    put(about, "actAbout", 24);
}

void CommandTable::BuildMainToolBar(QToolBar* bar, QWidget* label, QWidget* gauge) {
    auto add = [this, bar](const char* name) { bar->addAction(Action(QLatin1String(name))); };
    add("actRun");
    add("actUpOneDir");
    add("actBrowseDir");
    add("actO_C_DirTree");
    bar->addSeparator();
    add("SortChart");
    add("FreeSpaceButt");
    add("Move");
    add("actExplodeBiggest");
    add("MarkVisibleButton");
    add("actShowLegend");
    add("actToggleHistCombo");
    bar->addSeparator();
    bar->addWidget(label);
    bar->addSeparator();
    bar->addWidget(gauge);
    bar->addSeparator();
    add("actEmptyRecBin");
    add("actDelIECache");
    add("actClrDocs");
    add("ClearHistoryButton");
    add("actUninstallMnu");
    add("DiskCleanupButton");
}
