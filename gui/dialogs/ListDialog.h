#pragma once
// A read-only list of text lines in a fixed-pitch font, e.g. a file's type and
// attributes. The caller sets ListText and shows the window modally.
#include <QDialog>

class QListWidget;
class QToolButton;

class ListDialog : public QDialog {
    Q_OBJECT
public:
    explicit ListDialog(QWidget* parent = nullptr);

    QString ListText;
    // The lines the window shows for text.
    static QStringList SplitLines(const QString& text);

protected:
    // The lines are reloaded from ListText each time the window becomes active.
    bool event(QEvent* e) override;

private:
    void LoadLines();

    // Found by these object names.
    QListWidget* linesList_ = nullptr;
    QToolButton* closeButton_ = nullptr;
};
