#include "gui/dialogs/ListDialog.h"
#include "gui/common/AppIcons.h"
#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

ListDialog::ListDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ListForm"));
    setWindowTitle(QStringLiteral("ListForm"));
    setFixedSize(383, 317);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    LinesList = new QListWidget(this);
    LinesList->setFrameShape(QFrame::NoFrame);
    QFont f(QStringLiteral("Courier New"), 8);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    LinesList->setFont(f);
    LinesList->setUniformItemSizes(true);
    LinesList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(LinesList, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    CloseButton = new QToolButton(this);
    CloseButton->setAutoRaise(true);
    CloseButton->setIcon(ThemeIcon(QStringLiteral("window-close"), QStyle::SP_DialogCloseButton));
    CloseButton->setToolTip(QStringLiteral("Close"));
    row->addWidget(CloseButton);
    layout->addLayout(row);
    connect(CloseButton, &QToolButton::clicked, this, &QDialog::accept);
}

QStringList ListDialog::SplitLines(const QString& text) {
    // CR LF, a lone CR and a lone LF each end a line; a break at the very end
    // adds no empty line.
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            line += c;
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        lines << line;
        line.clear();
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

void ListDialog::LoadLines() {
    LinesList->clear();
    LinesList->addItems(SplitLines(ListText));
}

bool ListDialog::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) LoadLines();
    return QDialog::event(e);
}
