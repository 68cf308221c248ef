#pragma once
// Icons of the tool bars and menus: the desktop's Adwaita theme when it is
// installed, the style's standard icons otherwise.
#include <QIcon>
#include <QList>
#include <QStyle>

using ImageList = QList<QIcon>;

// A freedesktop icon name without "-symbolic" (e.g. "go-up").
QIcon ThemeIcon(const QString& name, QStyle::StandardPixmap fallback = QStyle::SP_FileIcon);

// Tool bar and action images, in their fixed positions (41 each).
ImageList BuildToolImages();
// Their icon names, one per position: a replacement strip follows this order.
QStringList ToolImageNames();
// Menu images (38).
ImageList BuildMenuImgList();
