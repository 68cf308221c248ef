#pragma once
// Which folders may be handed to the clean-up tools: never a special folder,
// the system folders or a folder of installed programs.
#include "platform/SpecialFolders.h"
#include <QString>
#include <QStringList>
#include <functional>

// "Not this system folder please!\n\r"; each refusal is this text and a path.
QString ProtectedFolderMessage();

// One message per reason to refuse folder, in order: each special place it
// equals, the system folder, the Windows folder, then the program folders.
// Places compare as exact texts; the program folders by path, also through links.
QStringList FolderRefusals(const QString& folder,
                           const SpecialPlaces& places = CurrentSpecialPlaces());

// True when folder may be used; otherwise every refusal goes to show first.
bool CheckFolderAllowed(const QString& folder, const std::function<void(const QString&)>& show,
                        const SpecialPlaces& places = CurrentSpecialPlaces());
