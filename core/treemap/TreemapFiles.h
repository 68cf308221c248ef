#pragma once
// A treemap as a file: PNG (the picture as drawn) and SVG (one rectangle per
// tile with its path and size as a title, and the names). Each is built in
// memory and landed whole; a failure throws EMorvaneError and leaves no file.
#include "core/export/PictureFiles.h"
#include "core/treemap/TreemapRender.h"
#include <QByteArray>
#include <QString>

QByteArray EncodePng(const RawPicture& pic);
void SavePngFile(const RawPicture& pic, const QString& fileName);

QByteArray TreemapSvg(const Tree& tree, const TreemapLayout& map, const TypeGroupTable& groups,
                      const TreemapStyle& style);
void SaveTreemapSvg(const Tree& tree, const TreemapLayout& map, const TypeGroupTable& groups,
                    const TreemapStyle& style, const QString& fileName);
