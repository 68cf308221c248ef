#include "gui/pages/CommanderLogic.h"
#include <QDir>

std::array<QString, 6> CommanderCaptions(ActivePane active) {
    switch (active) {
    case ActivePane::Left:
        return {QStringLiteral("Copy >>"),           QStringLiteral("Move >>"),
                QStringLiteral("| Make Dir"),        QStringLiteral("| Delete"),
                QStringLiteral("   Copy to Zip >>"), QStringLiteral("   Move to Zip >>")};
    case ActivePane::Right:
        return {QStringLiteral("<< Copy"),           QStringLiteral("<< Move"),
                QStringLiteral("Make Dir  |"),       QStringLiteral("Delete  |"),
                QStringLiteral("   << Copy to Zip"), QStringLiteral("   << Move to Zip")};
    case ActivePane::None:
        break;
    }
    return {QStringLiteral("Copy"),   QStringLiteral("Move"),        QStringLiteral("MakeDir"),
            QStringLiteral("Delete"), QStringLiteral("Copy to zip"), QStringLiteral("Move to zip")};
}

QString FolderWithDelimiter(const QString& path) {
    if (path.isEmpty()) return path;
    QString p = QDir::cleanPath(path);
    if (!p.endsWith(QLatin1Char('/'))) p += QLatin1Char('/');
    return p;
}

QStringList FolderChain(const QString& folder) {
    const QString f = FolderWithDelimiter(folder);
    if (!f.startsWith(QLatin1Char('/'))) return f.isEmpty() ? QStringList{} : QStringList{f};
    QStringList chain{QStringLiteral("/")};
    for (qsizetype i = f.indexOf(QLatin1Char('/'), 1); i > 0;
         i = f.indexOf(QLatin1Char('/'), i + 1))
        chain << f.left(i + 1);
    return chain;
}

QList<PathEntry> PathComboEntries(const QString& folder, const QString& home,
                                  const QString& desktop, const QStringList& mounts) {
    QList<PathEntry> out;
    QStringList seen;
    for (const QString& p : FolderChain(folder)) {
        out.append({p, p});
        seen << p;
    }
    auto place = [&](const QString& caption, const QString& path) {
        const QString p = FolderWithDelimiter(path);
        if (p.isEmpty() || seen.contains(p)) return;
        seen << p;
        out.append({caption, p});
    };
    place(QStringLiteral("Home"), home);
    place(QStringLiteral("Desktop"), desktop);
    for (const QString& m : mounts)
        place(FolderWithDelimiter(m), m);
    return out;
}
