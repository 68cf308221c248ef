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
    linesList_ = new QListWidget(this);
    linesList_->setObjectName(QStringLiteral("LinesList"));
    linesList_->setFrameShape(QFrame::NoFrame);
    QFont f(QStringLiteral("Courier New"), 8);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    linesList_->setFont(f);
    linesList_->setUniformItemSizes(true);
    linesList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(linesList_, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    closeButton_ = new QToolButton(this);
    closeButton_->setObjectName(QStringLiteral("CloseButton"));
    closeButton_->setAutoRaise(true);
    closeButton_->setIcon(ThemeIcon(QStringLiteral("window-close"), QStyle::SP_DialogCloseButton));
    closeButton_->setToolTip(QStringLiteral("Close"));
    row->addWidget(closeButton_);
    layout->addLayout(row);
    connect(closeButton_, &QToolButton::clicked, this, &QDialog::accept);
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
    linesList_->clear();
    linesList_->addItems(SplitLines(ListText));
}

bool ListDialog::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) LoadLines();
    return QDialog::event(e);
}
