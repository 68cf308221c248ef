#pragma once
// Icons by file type: a folder gets the folder icon, a file its MIME type's
// icon. One icon per type for the whole program, so long lists stay quick.
#include <QIcon>
#include <QString>

// "inode/directory" for a real folder, "inode/symlink" for a link (never
// followed), else the MIME type of the name, or of the content when the name
// tells nothing. A path that does not exist is typed by its name.
QString FileTypeOf(const QString& path);

// The icon of a MIME type: the desktop's icon theme when it has one, Adwaita's
// full-colour icons otherwise, the style's folder or file icon last.
QIcon FileTypeIcon(const QString& mimeType);
