#pragma once
// The File menu, drawn by the window: each command item shows its own text
// with its key, its tool bar image (the hot image when selected), and a
// coloured band with the program's banner runs down the menu's left edge.
#include "gui/common/AppIcons.h"
#include <QMenu>
#include <functional>
#include <utility>

class FileMenu : public QMenu {
    Q_OBJECT
public:
    // colors gives the band's background and text colours when it is painted;
    // images and hotImages are read at each paint, so loaded images show.
    FileMenu(const QString& title, QWidget* parent,
             std::function<std::pair<QColor, QColor>()> colors, const ImageList* images,
             const ImageList* hotImages);

    static constexpr int BandWidth = 21;
    static constexpr int ImageX = 25;
    static constexpr int TextX = 45;
    // The drawn text of an item and the index of its image; empty / -1 for
    // items drawn the standard way.
    static QString DrawnText(const QAction* a);
    static int DrawnImage(const QAction* a);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void DrawItem(QPainter& p, QAction* a, bool selected);
    void DrawSideBar(QPainter& p);

    std::function<std::pair<QColor, QColor>()> colors_;
    const ImageList* images_;
    const ImageList* hotImages_;
};
