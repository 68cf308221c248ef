#include "gui/dialogs/AboutDialog.h"
#include "gui/common/AppIcon.h"
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>
#include <sqlite3.h>
#include <xlsxwriter.h>
#include <zip.h>

#ifndef MORVANE_VERSION
#define MORVANE_VERSION "unknown"
#endif

QString AboutDialog::Comment() {
    return QStringLiteral(
        "Morvane ++ shows where the space on your disks goes: every folder's size as a "
        "sortable list, a bar chart and a pie chart. Go down into the big folders, list and "
        "filter their files, find duplicates, move, copy or trash what you do not need, save "
        "and reopen an analysis, export it as CSV, Excel, text or HTML, print it, and clean "
        "broken shortcuts, empty folders, the Trash and the browsers' caches.");
}

QString AboutDialog::Libraries() {
    return QStringLiteral("Qt %1, libzip %2, libxlsxwriter %3, SQLite %4, libjpeg %5")
        .arg(QLatin1String(qVersion()), QLatin1String(zip_libzip_version()),
             QLatin1String(LXW_VERSION), QLatin1String(sqlite3_libversion()))
        .arg(JPEG_LIB_VERSION / 10.0, 0, 'f', 1);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About Morvane"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap::fromImage(DrawAppIcon(64)));
    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("AboutText"));
    text->setWordWrap(true);
    text->setTextFormat(Qt::RichText);
    text->setText(QStringLiteral("<h2>Morvane ++</h2><p>Version %1</p><p>%2</p><p><small>Built "
                                 "with %3.</small></p>")
                      .arg(QLatin1String(MORVANE_VERSION), Comment().toHtmlEscaped(),
                           Libraries().toHtmlEscaped()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(440);
}
