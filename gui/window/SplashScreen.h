#pragma once
// The shaped splash window shown while the program starts.
#include <QImage>
#include <QRegion>
#include <QWidget>

// The window shape of a two-colour mask: every pixel except those of the
// top-left pixel's colour.
QRegion MaskRegion(const QImage& mask);

class SplashScreen : public QWidget {
    Q_OBJECT
public:
    explicit SplashScreen(QWidget* parent = nullptr);
    const QRegion& Region() const { return region_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage mask_;
    QRegion region_;
};
