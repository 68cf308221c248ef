#include "app/MainFormU.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Morvane ++"));
    setMinimumSize(444, 350);
    resize(700, 500);
}

TForm1::~TForm1() = default;
