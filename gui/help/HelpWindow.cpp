#include "gui/help/HelpWindow.h"
#include <QAction>
#include <QFile>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

// Outside the anonymous namespace: the resource's init function has external linkage.
static void InitHelpResource() {
    Q_INIT_RESOURCE(help);
}

namespace {
const QString kManual = QStringLiteral("qrc:/help/manual.html");

QString ManualHtml() {
    InitHelpResource();
    QFile f(QStringLiteral(":/help/manual.html"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString PlainText(const QString& html) {
    QTextDocument doc;
    doc.setHtml(html);
    return doc.toPlainText();
}
} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Morvane ++ Help"));
    resize(900, 640);
    auto* split = new QSplitter(this);
    tabs_ = new QTabWidget(split);

    contents_ = new QTreeWidget(tabs_);
    contents_->setHeaderHidden(true);
    tabs_->addTab(contents_, QStringLiteral("Contents"));

    auto* indexPage = new QWidget(tabs_);
    auto* il = new QVBoxLayout(indexPage);
    indexFilter_ = new QLineEdit(indexPage);
    indexFilter_->setPlaceholderText(QStringLiteral("Type the word to find"));
    index_ = new QListWidget(indexPage);
    il->addWidget(indexFilter_);
    il->addWidget(index_);
    tabs_->addTab(indexPage, QStringLiteral("Index"));

    auto* searchPage = new QWidget(tabs_);
    auto* sl = new QVBoxLayout(searchPage);
    searchBox_ = new QLineEdit(searchPage);
    searchBox_->setPlaceholderText(QStringLiteral("Words to search for"));
    results_ = new QListWidget(searchPage);
    sl->addWidget(searchBox_);
    sl->addWidget(results_);
    tabs_->addTab(searchPage, QStringLiteral("Search"));

    auto* textPane = new QWidget(split);
    auto* tl = new QVBoxLayout(textPane);
    tl->setContentsMargins(0, 0, 0, 0);
    auto* navigation = new QToolBar(textPane);
    back_ =
        navigation->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"));
    forward_ = navigation->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                     QStringLiteral("Forward"));
    back_->setObjectName(QStringLiteral("HelpBack"));
    forward_->setObjectName(QStringLiteral("HelpForward"));
    back_->setShortcut(QKeySequence::Back);
    forward_->setShortcut(QKeySequence::Forward);
    back_->setEnabled(false);
    forward_->setEnabled(false);
    navigation->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    browser_ = new QTextBrowser(textPane);
    browser_->setObjectName(QStringLiteral("HelpText"));
    browser_->setOpenExternalLinks(true);
    tl->addWidget(navigation);
    tl->addWidget(browser_);
    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    split->setStretchFactor(1, 1);
    split->setSizes({240, 660});
    (new QHBoxLayout(this))->addWidget(split);

    Load();
    // Opening a tab by its header puts the pointer where the typing goes.
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == tabIndex) indexFilter_->setFocus();
        if (tab == tabSearch) searchBox_->setFocus();
    });

    auto go = [this](const QString& anchor) {
        if (!anchor.isEmpty()) ShowTopic(anchor);
    };
    connect(contents_, &QTreeWidget::itemClicked, this,
            [go](QTreeWidgetItem* i) { go(i->data(0, Qt::UserRole).toString()); });
    connect(index_, &QListWidget::itemActivated, this,
            [go](QListWidgetItem* i) { go(i->data(Qt::UserRole).toString()); });
    connect(index_, &QListWidget::itemClicked, this,
            [go](QListWidgetItem* i) { go(i->data(Qt::UserRole).toString()); });
    connect(indexFilter_, &QLineEdit::textChanged, this, [this](const QString& t) {
        // Jumps to the first entry starting with the typed text, as a paper index.
        for (int i = 0; i < index_->count(); ++i) {
            if (index_->item(i)->text().startsWith(t, Qt::CaseInsensitive)) {
                index_->setCurrentRow(i);
                index_->scrollToItem(index_->item(i));
                return;
            }
        }
    });
    connect(indexFilter_, &QLineEdit::returnPressed, this, [this, go] {
        if (QListWidgetItem* i = index_->currentItem()) go(i->data(Qt::UserRole).toString());
    });
    connect(searchBox_, &QLineEdit::returnPressed, this, [this] { Search(searchBox_->text()); });
    connect(results_, &QListWidget::itemClicked, this, [this](QListWidgetItem* i) {
        ShowHit(i->data(Qt::UserRole).toString(),
                searchBox_->text().split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0));
    });
}

void HelpWindow::Load() {
    const QString html = ManualHtml();
    browser_->setSource(QUrl(kManual));

    // Chapters run from one h2 or h3 heading to the next.
    static const QRegularExpression heading(
        QStringLiteral("<h([23])><a name=\"([^\"]+)\"></a>(.*?)</h[23]>"));
    QTreeWidgetItem* chapter = nullptr;
    auto it = heading.globalMatch(html);
    QList<QRegularExpressionMatch> found;
    while (it.hasNext())
        found << it.next();
    for (qsizetype i = 0; i < found.size(); ++i) {
        const auto& m = found[i];
        const qsizetype end = i + 1 < found.size() ? found[i + 1].capturedStart() : html.size();
        const QString title = PlainText(m.captured(3));
        const QString anchor = m.captured(2);
        if (anchor == QLatin1String("index")) continue;
        chapters_.append(
            {anchor, title, PlainText(html.mid(m.capturedStart(), end - m.capturedStart()))});
        auto* item = m.captured(1) == QLatin1String("2") || !chapter
                         ? new QTreeWidgetItem(contents_, {title})
                         : new QTreeWidgetItem(chapter, {title});
        if (m.captured(1) == QLatin1String("2")) chapter = item;
        item->setData(0, Qt::UserRole, anchor);
    }
    contents_->expandAll();

    static const QRegularExpression entry(
        QStringLiteral("<li><a href=\"#([^\"]+)\">(.*?)</a></li>"));
    const qsizetype indexStart = html.indexOf(QLatin1String("<ul class=\"index\">"));
    auto e = entry.globalMatch(html, qMax<qsizetype>(indexStart, 0));
    while (e.hasNext()) {
        const auto m = e.next();
        auto* item = new QListWidgetItem(PlainText(m.captured(2)), index_);
        item->setData(Qt::UserRole, m.captured(1));
    }
    index_->sortItems();
}

void HelpWindow::ShowTab(Tab tab) {
    tabs_->setCurrentIndex(tab);
    if (tab == tabContents) ShowTopic(QStringLiteral("contents"));
    if (tab == tabIndex) {
        ShowTopic(QStringLiteral("index"));
        indexFilter_->setFocus();
    }
    if (tab == tabSearch) searchBox_->setFocus();
}

bool HelpWindow::ShowTopic(const QString& anchor) {
    const bool known = Anchors().contains(anchor);
    browser_->setSource(
        QUrl(kManual + QLatin1Char('#') + (known ? anchor : QStringLiteral("contents"))));
    if (known) browser_->scrollToAnchor(anchor);
    return known;
}

void HelpWindow::ShowHit(const QString& anchor, const QString& word) {
    if (anchor.isEmpty() || !ShowTopic(anchor) || word.isEmpty()) return;
    // The search starts at the chapter's heading, so the hit shown is the chapter's own.
    const QTextDocument* doc = browser_->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto f = b.begin(); !f.atEnd(); ++f) {
            if (!f.fragment().charFormat().anchorNames().contains(anchor)) continue;
            QTextCursor at(browser_->document());
            at.setPosition(f.fragment().position());
            browser_->setTextCursor(at);
            browser_->find(word);
            return;
        }
    }
}

QStringList HelpWindow::Anchors() {
    static const QStringList anchors = [] {
        QStringList list;
        static const QRegularExpression name(QStringLiteral("<a name=\"([^\"]+)\">"));
        auto it = name.globalMatch(ManualHtml());
        while (it.hasNext())
            list << it.next().captured(1);
        return list;
    }();
    return anchors;
}

QStringList HelpWindow::Search(const QString& text) {
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList titles;
    results_->clear();
    if (words.isEmpty()) return titles;
    for (const Chapter& c : chapters_) {
        const bool all = std::all_of(words.begin(), words.end(), [&c](const QString& w) {
            return c.text.contains(w, Qt::CaseInsensitive);
        });
        if (!all) continue;
        titles << c.title;
        auto* item = new QListWidgetItem(c.title, results_);
        item->setData(Qt::UserRole, c.anchor);
    }
    if (titles.isEmpty()) new QListWidgetItem(QStringLiteral("No topic found"), results_);
    return titles;
}
