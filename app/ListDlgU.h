#pragma once
// A read-only list of text lines in a fixed-pitch font, e.g. a file's type and
// attributes. The caller sets ListText and shows the window modally.
#include <QDialog>

class QListWidget;
class QToolButton;

class TListForm : public QDialog {
    Q_OBJECT
public:
    explicit TListForm(QWidget* parent = nullptr);

    QString ListText;
    QListWidget* ListBox1;
    QToolButton* SpeedButton1;

protected:
    // The lines are reloaded from ListText each time the window becomes active.
    bool event(QEvent* e) override;

private:
    void LoadLines();
};
