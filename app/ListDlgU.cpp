#include "app/ListDlgU.h"
#include "app/AppIcons.h"
#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

TListForm::TListForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ListForm"));
    setWindowTitle(QStringLiteral("ListForm"));
    setFixedSize(383, 317);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    ListBox1 = new QListWidget(this);
    ListBox1->setFrameShape(QFrame::NoFrame);
    QFont f(QStringLiteral("Courier New"), 8);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    ListBox1->setFont(f);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(ListBox1, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setIcon(ThemeIcon(QStringLiteral("window-close"), QStyle::SP_DialogCloseButton));
    SpeedButton1->setToolTip(QStringLiteral("Close"));
    row->addWidget(SpeedButton1);
    layout->addLayout(row);
    connect(SpeedButton1, &QToolButton::clicked, this, &QDialog::accept);
}

void TListForm::LoadLines() {
    ListBox1->clear();
    QString text = ListText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    if (!text.isEmpty() || !ListText.isEmpty()) ListBox1->addItems(text.split(QLatin1Char('\n')));
}

bool TListForm::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) LoadLines();
    return QDialog::event(e);
}
