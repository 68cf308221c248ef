#include "gui/common/AppIcons.h"
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QHash>

namespace {
// name -> files of every size, found once.
const QHash<QString, QStringList>& AdwaitaIndex() {
    static const QHash<QString, QStringList> index = [] {
        QHash<QString, QStringList> h;
        const QString base = QStringLiteral("/usr/share/icons/Adwaita/");
        for (const char* size : {"16x16", "24x24", "32x32", "48x48"}) {
            QDirIterator it(base + QLatin1String(size), {QStringLiteral("*.png")}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = it.next();
                QString name = it.fileName();
                name.chop(4); // .png
                // Only the symbolic set: the legacy full-colour icons of the
                // same names look faded next to them.
                if (!name.endsWith(QLatin1String("-symbolic.symbolic"))) continue;
                name.chop(18);
                h[name] << file;
            }
        }
        return h;
    }();
    return index;
}

struct ImageName {
    const char* name;
    QStyle::StandardPixmap fallback;
};

ImageList Build(std::initializer_list<ImageName> names) {
    ImageList list;
    for (const ImageName& n : names)
        list << ThemeIcon(QLatin1String(n.name), n.fallback);
    return list;
}
} // namespace

QIcon ThemeIcon(const QString& name, QStyle::StandardPixmap fallback) {
    const auto it = AdwaitaIndex().constFind(name);
    if (it != AdwaitaIndex().constEnd()) {
        QIcon icon;
        for (const QString& f : *it)
            icon.addFile(f);
        return icon;
    }
    const QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull()) return themed;
    return QApplication::style()->standardIcon(fallback);
}

namespace {
using S = QStyle;
const ImageName kToolImages[] = {
    {"view-dual", S::SP_DesktopIcon},                     // 0 3D view
    {"help-about", S::SP_MessageBoxInformation},          // 1 about
    {"document-new", S::SP_FileIcon},                     // 2
    {"folder-open", S::SP_DirOpenIcon},                   // 3 browse
    {"folder", S::SP_DirIcon},                            // 4
    {"user-trash", S::SP_TrashIcon},                      // 5 delete to trash
    {"edit-clear-all", S::SP_DialogResetButton},          // 6 internet cache
    {"edit-copy", S::SP_FileLinkIcon},                    // 7
    {"sidebar-show", S::SP_DirLinkIcon},                  // 8 explorer view
    {"application-exit", S::SP_DialogCloseButton},        // 9
    {"view-pin", S::SP_ArrowRight},                       // 10 explode
    {"view-list", S::SP_FileDialogListView},              // 11
    {"view-grid", S::SP_FileDialogDetailedView},          // 12
    {"view-list-bullet", S::SP_FileDialogDetailedView},   // 13
    {"edit-copy", S::SP_FileLinkIcon},                    // 14
    {"edit-find", S::SP_FileDialogContentsView},          // 15 duplicates
    {"help-contents", S::SP_DialogHelpButton},            // 16 help
    {"dialog-information", S::SP_MessageBoxInformation},  // 17 hints
    {"document-open-recent", S::SP_FileDialogBack},       // 18 history
    {"drive-harddisk", S::SP_DriveHDIcon},                // 19 free space
    {"insert-text", S::SP_FileDialogInfoView},            // 20 labels
    {"view-list-bullet", S::SP_FileDialogListView},       // 21 legend
    {"user-trash-full", S::SP_TrashIcon},                 // 22 empty trash
    {"help-faq", S::SP_DialogHelpButton},                 // 23
    {"document-open", S::SP_DialogOpenButton},            // 24 open result
    {"insert-image", S::SP_DialogSaveButton},             // 25 save picture
    {"document-print", S::SP_ComputerIcon},               // 26 print
    {"document-properties", S::SP_FileDialogInfoView},    // 27
    {"object-rotate-right", S::SP_BrowserReload},         // 28 rotate
    {"media-playback-start", S::SP_MediaPlay},            // 29 run
    {"document-save", S::SP_DialogSaveButton},            // 30 save result
    {"system-search", S::SP_FileDialogContentsView},      // 31
    {"view-sort-descending", S::SP_ArrowDown},            // 32 sort charts
    {"view-refresh", S::SP_BrowserReload},                // 33
    {"go-up", S::SP_FileDialogToParent},                  // 34 up one dir
    {"package-x-generic", S::SP_DriveFDIcon},             // 35 archive
    {"folder-new", S::SP_FileDialogNewFolder},            // 36
    {"edit-clear", S::SP_DialogResetButton},              // 37 recent documents
    {"web-browser", S::SP_DialogDiscardButton},           // 38 browser history
    {"drive-multidisk", S::SP_DriveHDIcon},               // 39 defragment, clean-up
    {"system-software-install", S::SP_DialogApplyButton}, // 40 uninstall
};
} // namespace

ImageList BuildToolImages() {
    ImageList list;
    for (const ImageName& n : kToolImages)
        list << ThemeIcon(QLatin1String(n.name), n.fallback);
    return list;
}

QStringList ToolImageNames() {
    QStringList names;
    for (const ImageName& n : kToolImages)
        names << QLatin1String(n.name);
    return names;
}

ImageList BuildMenuImgList() {
    using S = QStyle;
    return Build({
        {"package-x-generic", S::SP_DriveFDIcon},                 // 0 archive
        {"edit-clear-all", S::SP_DialogResetButton},              // 1 internet cache
        {"object-select", S::SP_DialogApplyButton},               // 2 check
        {"go-jump", S::SP_ArrowForward},                          // 3 move
        {"drive-multidisk", S::SP_DriveHDIcon},                   // 4 defragment
        {"user-trash", S::SP_TrashIcon},                          // 5 delete
        {"document-new", S::SP_FileIcon},                         // 6
        {"zoom-fit-best", S::SP_TitleBarNormalButton},            // 7 elliptic pie
        {"document-print-preview", S::SP_FileDialogDetailedView}, // 8 export list
        {"application-exit", S::SP_DialogCloseButton},            // 9 exit, explode
        {"dialog-information", S::SP_MessageBoxInformation},      // 10 hints
        {"document-open-recent", S::SP_FileDialogBack},           // 11 history
        {"insert-text", S::SP_FileDialogInfoView},                // 12 labels
        {"view-list-bullet", S::SP_FileDialogListView},           // 13 legend
        {"edit-copy", S::SP_FileLinkIcon},                        // 14 copy
        {"user-trash-full", S::SP_TrashIcon},                     // 15 empty trash
        {"folder", S::SP_DirIcon},                                // 16
        {"preferences-system", S::SP_FileDialogInfoView},         // 17 settings, reverse
        {"edit-select", S::SP_DialogCancelButton},                // 18 uncheck
        {"insert-image", S::SP_DialogSaveButton},                 // 19 save picture
        {"view-dual", S::SP_DesktopIcon},                         // 20 3D view
        {"sidebar-show", S::SP_DirLinkIcon},                      // 21 explorer
        {"view-refresh", S::SP_BrowserReload},                    // 22
        {"help-contents", S::SP_DialogHelpButton},                // 23 help
        {"help-about", S::SP_MessageBoxInformation},              // 24 about, file type
        {"view-app-grid", S::SP_FileDialogListView},              // 25 button images
        {"go-up", S::SP_FileDialogToParent},                      // 26
        {"go-down", S::SP_ArrowDown},                             // 27
        {"media-playback-start", S::SP_MediaPlay},                // 28
        {"document-save", S::SP_DialogSaveButton},                // 29
        {"document-open", S::SP_DialogOpenButton},                // 30
        {"edit-find", S::SP_FileDialogContentsView},              // 31
        {"folder-open", S::SP_DirOpenIcon},                       // 32
        {"drive-harddisk", S::SP_DriveHDIcon},                    // 33
        {"system-search", S::SP_FileDialogContentsView},          // 34
        {"edit-clear", S::SP_DialogResetButton},                  // 35
        {"web-browser", S::SP_DialogDiscardButton},               // 36
        {"system-software-install", S::SP_DialogApplyButton},     // 37 uninstall
    });
}
