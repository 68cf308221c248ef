#include "gui/dialogs/ListDialog.h"
#include "gui/window/AppIcons.h"
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

void ListDialog::LoadLines() {
    LinesList->clear();
    QString text = ListText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    if (!text.isEmpty() || !ListText.isEmpty()) LinesList->addItems(text.split(QLatin1Char('\n')));
}

bool ListDialog::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) LoadLines();
    return QDialog::event(e);
}
