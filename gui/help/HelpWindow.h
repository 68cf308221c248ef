#pragma once
// The program's manual: contents, index and search beside the text. Topics
// are anchors of the manual ("help5" for help-context number 5).
#include <QWidget>

class QAction;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    enum Tab { tabContents, tabIndex, tabSearch };
    void ShowTab(Tab tab);
    // Shows the topic of that anchor; false (and the contents) when there is none.
    bool ShowTopic(const QString& anchor);
    static QString TopicOf(int helpContext) { return QStringLiteral("help%1").arg(helpContext); }
    // Anchors the manual defines.
    static QStringList Anchors();
    // Titles of the chapters holding every word of text, in manual order.
    QStringList Search(const QString& text);
    // Shows the chapter of anchor with the first hit of word inside it selected.
    void ShowHit(const QString& anchor, const QString& word);

    QTextBrowser* Browser() const { return browser_; }
    QTabWidget* Tabs() const { return tabs_; }

private:
    struct Chapter {
        QString anchor, title, text;
    };
    void Load();

    QTabWidget* tabs_;
    QTreeWidget* contents_;
    QLineEdit* indexFilter_;
    QListWidget* index_;
    QLineEdit* searchBox_;
    QListWidget* results_;
    QTextBrowser* browser_;
    QAction* back_;
    QAction* forward_;
    QList<Chapter> chapters_;
};
