#pragma once
// The File menu, drawn with a coloured band down its left edge that carries
// the program's banner.
#include <QMenu>
#include <functional>
#include <utility>

class FileMenu : public QMenu {
    Q_OBJECT
public:
    // colors gives the band's background and text colours when it is painted.
    FileMenu(const QString& title, QWidget* parent,
             std::function<std::pair<QColor, QColor>()> colors);

    static constexpr int BandWidth = 21;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::function<std::pair<QColor, QColor>()> colors_;
};
