#pragma once
// "About Morvane": what the program does, its version and the libraries it uses.
#include <QDialog>

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    // The text shown: description, version and library versions.
    static QString Comment();
    static QString Libraries();
};
