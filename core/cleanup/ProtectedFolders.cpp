#include "core/cleanup/ProtectedFolders.h"
#include <QFileInfo>

QString ProtectedFolderMessage() {
    return QStringLiteral("Not this system folder please!\n\r");
}

QStringList FolderRefusals(const QString& folder, const SpecialPlaces& places) {
    QStringList refusals;
    for (const QString& place : places.specialFolders)
        if (!place.isEmpty() && place == folder) refusals << ProtectedFolderMessage() + place;
    for (const QString& place : {places.systemFolder, places.windowsFolder})
        if (!place.isEmpty() && place == folder) refusals << ProtectedFolderMessage() + place;
    // A link into a program folder would hand the programs to the cleaner too.
    const QString target = QFileInfo(folder).canonicalFilePath();
    if (IsAtOrBelowAny(folder, places.programRoots) ||
        (!target.isEmpty() && IsAtOrBelowAny(target, places.programRoots)))
        refusals << ProtectedFolderMessage() + folder;
    return refusals;
}

bool CheckFolderAllowed(const QString& folder, const std::function<void(const QString&)>& show,
                        const SpecialPlaces& places) {
    const QStringList refusals = FolderRefusals(folder, places);
    if (show)
        for (const QString& r : refusals)
            show(r);
    return refusals.isEmpty();
}
