#pragma once
// The Tools menu's housekeeping: emptying the trash (with its fill level on the
// tool button's hint), the recent-documents list, the browsers' caches and
// history and the system tools.
#include "gui/commands/CommandContext.h"

class QWidget;
struct ProgramLaunch;

// trashButton: the tool button that shows the trash's fill level as its hint.
void InstallHousekeeping(const CommandContext& context, QWidget* trashButton);

// Starts a program; one that is not installed or does not start is named in
// an error box over parent, not passed over.
void StartOrSay(QWidget* parent, const ProgramLaunch& launch);
