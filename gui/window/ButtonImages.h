#pragma once
// Tool bar images from a pair of bitmap strips: NAME1.bmp the hot images,
// NAME2.bmp the normal ones, 16 pixels per image, the top-left pixel's
// colour transparent. The chosen "1" file is kept in the settings.
#include "gui/commands/CommandContext.h"
#include "gui/common/AppIcons.h"
#include <QImage>
#include <QString>

class CommandTable;

// One image per 16 pixels, left to right.
ImageList SplitStrip(const QImage& strip);
// Loads the pair named by its "1" file into the tool bars and stores the
// name. A missing file does nothing; returns the error to report, if any.
QString LoadButtonImages(CommandTable& commands, const QString& iniFileName,
                         const QString& fileName);
// The images of the tool bar drawn as one strip in the order of
// ToolImageNames(), from the full-colour icons; hot: lightened.
QImage DrawButtonStrip(bool hot);

// "Load button images" and the images of the last session.
void InstallButtonImages(const CommandContext& context);
