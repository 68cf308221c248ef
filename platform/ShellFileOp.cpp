#include "platform/ShellFileOp.h"
#include "platform/FileTree.h"
#include "platform/NativePath.h"
#include "platform/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray Enc(const QString& s) {
    return NativePath(s);
}

QString Clean(const QString& p) {
    return QDir::cleanPath(QFileInfo(p).absoluteFilePath());
}

bool Exists(const QString& p, struct stat* st = nullptr) {
    struct stat s;
    return lstat(Enc(p).constData(), st ? st : &s) == 0;
}

// One source of a move or copy and what happened to it, for undoing.
struct Item {
    QString source;
    QString dest;
    QString setAside; // the replaced item, renamed out of the way
    bool replace = false;
    bool skip = false;
    bool renamed = false; // moved by rename
    bool copied = false;  // dest written by copying
    bool isDir = false;
    std::int64_t bytes = 0;
};

QString AsideName(const QString& dest) {
    const QFileInfo fi(dest);
    for (int n = 0;; ++n) {
        const QString p = fi.path() + QStringLiteral("/.morvane-replaced-%1-%2")
                                          .arg(QString::number(getpid()), QString::number(n));
        if (!Exists(p)) return p;
    }
}

} // namespace

bool ShellFileOp::Asks() const {
    return ui_ && !(flags_ & FOF_NOCONFIRMATION);
}

bool ShellFileOp::ShowsProgress() const {
    return ui_ && !(flags_ & FOF_SILENT);
}

int ShellFileOp::Fail(const QString& message) {
    error_ = DisplayPath(message); // a name that is not UTF-8 is shown, not acted on
    if (ui_ && !(flags_ & FOF_SILENT)) ui_->ShowError(message);
    return sorFailed;
}

int ShellFileOp::Run(int operation, const QStringList& sources, const QString& target, int flags) {
    error_.clear();
    handled_.clear();
    flags_ = flags;
    if (sources.isEmpty()) return sorOk;
    switch (operation) {
    case FO_MOVE:
        return Transfer(true, sources, target);
    case FO_COPY:
        return Transfer(false, sources, target);
    case FO_DELETE:
        // Deletions always go into the Trash: nothing is removed outright.
        return Trash(sources);
    default:
        return Fail(QStringLiteral("Unknown file operation %1.").arg(operation));
    }
}

int ShellFileOp::Transfer(bool move, const QStringList& sources, const QString& target) {
    const QString verb = move ? QStringLiteral("move") : QStringLiteral("copy");
    if (target.trimmed().isEmpty()) return Fail(QStringLiteral("No target folder was given."));
    const QString t = Clean(target);
    for (const QString& s : sources)
        if (!Exists(Clean(s))) return Fail(OpError(verb, Clean(s), errno));
    struct stat tst;
    if (!Exists(t, &tst) || (S_ISLNK(tst.st_mode) && stat(Enc(t).constData(), &tst) != 0)) {
        if (Asks() && !(flags_ & FOF_NOCONFIRMMKDIR) && !ui_->ConfirmCreateFolder(t))
            return sorCancelled;
        if (!MakeFolders(t)) return Fail(QStringLiteral("Cannot create the folder \"%1\".").arg(t));
        stat(Enc(t).constData(), &tst);
    }
    if (!S_ISDIR(tst.st_mode)) return Fail(QStringLiteral("\"%1\" is not a folder.").arg(t));

    // Plan everything first: a missing source or a refused question leaves all as it was.
    std::vector<Item> items;
    QSet<QString> names;
    bool replaceAll = false;
    for (const QString& s : sources) {
        Item it;
        it.source = Clean(s);
        struct stat st;
        if (!Exists(it.source, &st)) return Fail(OpError(verb, it.source, errno));
        it.isDir = S_ISDIR(st.st_mode);
        it.dest = t + QLatin1Char('/') + QFileInfo(it.source).fileName();
        if (it.source == QLatin1String("/") || it.dest == it.source)
            return Fail(QStringLiteral("Cannot %1 \"%2\": it is already in \"%3\".")
                            .arg(verb, it.source, t));
        if (it.isDir && (t == it.source || t.startsWith(it.source + QLatin1Char('/'))))
            return Fail(
                QStringLiteral("Cannot %1 the folder \"%2\" into itself.").arg(verb, it.source));
        if (names.contains(it.dest))
            return Fail(QStringLiteral("Cannot %1 two items named \"%2\" into one folder.")
                            .arg(verb, QFileInfo(it.dest).fileName()));
        names.insert(it.dest);
        if (move && access(Enc(QFileInfo(it.source).path()).constData(), W_OK | X_OK) != 0)
            return Fail(OpError(verb, it.source, errno));
        struct stat dst;
        if (Exists(it.dest, &dst) && dst.st_dev == st.st_dev && dst.st_ino == st.st_ino)
            return Fail(QStringLiteral("Cannot %1 \"%2\": it is already in \"%3\".")
                            .arg(verb, it.source, t));
        if (Exists(it.dest)) {
            ReplaceAnswer a = ReplaceAnswer::Replace;
            if (!ui_) return Fail(OpError(verb, it.source, EEXIST));
            if (Asks() && !replaceAll) a = ui_->AskReplace(it.dest, it.source, sources.size() > 1);
            if (a == ReplaceAnswer::Cancel) return sorCancelled;
            if (a == ReplaceAnswer::ReplaceAll) replaceAll = true;
            it.skip = a == ReplaceAnswer::Skip;
            it.replace = !it.skip;
        }
        it.bytes = TreeBytes(Enc(it.source));
        items.push_back(it);
    }

    std::int64_t total = 0;
    for (const Item& it : items)
        if (!it.skip) total += it.bytes;
    std::int64_t done = 0;
    QString current;
    const bool progress = ShowsProgress();
    if (progress)
        ui_->BeginProgress(move ? QStringLiteral("Moving") : QStringLiteral("Copying"), total);
    const CopyProgress step = [&](std::int64_t n) {
        done += n;
        return !progress || ui_->StepProgress(current, done);
    };

    // Undo in reverse order whatever was done so far.
    auto rollback = [&]() {
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            if (it->renamed) ::rename(Enc(it->dest).constData(), Enc(it->source).constData());
            if (it->copied) RemoveTree(Enc(it->dest));
            if (!it->setAside.isEmpty())
                ::rename(Enc(it->setAside).constData(), Enc(it->dest).constData());
            it->renamed = it->copied = false;
            it->setAside.clear();
        }
    };
    auto finish = [&](int result) {
        if (progress) ui_->EndProgress();
        return result;
    };

    for (Item& it : items) {
        if (it.skip) continue;
        current = it.source;
        if (progress && !ui_->StepProgress(current, done)) {
            rollback();
            return finish(sorCancelled);
        }
        if (it.replace) {
            const QString aside = AsideName(it.dest);
            if (::rename(Enc(it.dest).constData(), Enc(aside).constData()) != 0) {
                const int err = errno;
                rollback();
                return finish(Fail(OpError(QStringLiteral("replace"), it.dest, err)));
            }
            it.setAside = aside;
        }
        if (move && ::rename(Enc(it.source).constData(), Enc(it.dest).constData()) == 0) {
            it.renamed = true;
            if (!step(it.bytes)) {
                rollback();
                return finish(sorCancelled);
            }
            continue;
        }
        if (move && errno != EXDEV) {
            const int err = errno;
            rollback();
            return finish(Fail(OpError(verb, it.source, err)));
        }
        // A copy, or a move to another file system: copy now, remove the source
        // only once every item has arrived.
        const TreeResult r = CopyTree(Enc(it.source), Enc(it.dest), step);
        if (!r.ok) {
            rollback();
            return finish(r.cancelled ? sorCancelled : Fail(r.error));
        }
        it.copied = true;
    }

    // Everything arrived: now the replaced items go to the Trash and moved sources leave.
    QString firstError;
    for (Item& it : items) {
        if (it.skip) continue;
        if (!it.setAside.isEmpty() && !MoveToTrash(it.setAside, nullptr, nullptr, it.dest)) {
            const TreeResult r = RemoveTree(Enc(it.setAside));
            if (!r.ok && firstError.isEmpty()) firstError = r.error;
        }
        bool ok = true;
        if (move && it.copied) {
            const TreeResult r = RemoveTree(Enc(it.source));
            ok = r.ok;
            if (!ok && firstError.isEmpty()) firstError = r.error;
        }
        if (ok) handled_ << it.source;
    }
    if (!firstError.isEmpty()) return finish(Fail(firstError));
    return finish(handled_.size() == sources.size() ? sorOk : sorPartly);
}

int ShellFileOp::Trash(const QStringList& sources) {
    QStringList paths;
    for (const QString& s : sources) {
        const QString p = Clean(s);
        if (!Exists(p)) return Fail(OpError(QStringLiteral("delete"), p, errno));
        paths << p;
    }
    if (Asks() && !ui_->ConfirmTrash(paths)) return sorCancelled;
    const bool progress = ShowsProgress();
    if (progress) ui_->BeginProgress(QStringLiteral("Moving to the Trash"), paths.size());
    std::vector<TrashedItem> trashed;
    auto rollback = [&]() {
        for (auto it = trashed.rbegin(); it != trashed.rend(); ++it)
            RestoreFromTrash(*it);
        handled_.clear();
    };
    int result = sorOk;
    for (const QString& p : paths) {
        if (progress && !ui_->StepProgress(p, qint64(trashed.size()))) {
            rollback();
            result = sorCancelled;
            break;
        }
        TrashedItem item;
        QString err;
        if (!MoveToTrash(p, &err, &item)) {
            rollback();
            result = Fail(err);
            break;
        }
        trashed.push_back(item);
        handled_ << p;
    }
    if (progress) ui_->EndProgress();
    return result;
}
