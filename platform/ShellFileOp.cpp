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

QStringList FolderEntries(const QString& folder) {
    // By their bytes: a merged folder may hold names that are not UTF-8.
    QStringList names = EntryNames(folder);
    names.sort();
    return names;
}

} // namespace

// One item to move or copy and what happened to it, for undoing. A source
// folder merged into a folder of the same name gives one item per entry below
// it that is not merged itself.
struct ShellFileOp::TransferItem {
    QString source;
    QString dest;
    int top = 0;          // index of the source given to Run
    bool replace = false; // dest exists and goes to the Trash first
    bool isDir = false;
    bool renamed = false; // moved by rename
    bool copied = false;  // dest written by copying
    bool trashed = false; // the replaced dest is in the Trash
    TrashedItem replaced;
    std::int64_t bytes = 0;
};

// A source folder whose entries were merged into an existing folder; after a
// move it is removed once empty (entries skipped keep it).
struct ShellFileOp::MergedFolder {
    QString source;
    int top = 0;
};

struct ShellFileOp::TransferPlan {
    QString verb;
    std::vector<TransferItem> items;
    std::vector<MergedFolder> merged; // parents before their subfolders
    std::vector<char> skipped;        // per source: something of it was skipped
    bool replaceAll = false;
};

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
    handledFlags_.assign(std::size_t(sources.size()), 0);
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

// Plans one source (or an entry of a merged folder) onto dest: a new item, a
// merge of two folders entry by entry, or a clash that the user decides.
int ShellFileOp::Plan(TransferPlan& plan, int top, const QString& source, const QString& dest,
                      bool more) {
    struct stat st, dst;
    if (!Exists(source, &st)) return Fail(OpError(plan.verb, source, errno));
    TransferItem it;
    it.source = source;
    it.dest = dest;
    it.top = top;
    it.isDir = S_ISDIR(st.st_mode);
    if (Exists(dest, &dst)) {
        if (dst.st_dev == st.st_dev && dst.st_ino == st.st_ino)
            return Fail(QStringLiteral("Cannot %1 \"%2\": it is already in \"%3\".")
                            .arg(plan.verb, source, QFileInfo(dest).path()));
        // Two real folders (never a link) are merged as a file manager does.
        if (it.isDir && S_ISDIR(dst.st_mode)) {
            plan.merged.push_back({source, top});
            for (const QString& name : FolderEntries(source)) {
                const int r = Plan(plan, top, source + QLatin1Char('/') + name,
                                   dest + QLatin1Char('/') + name, true);
                if (r != sorOk) return r;
            }
            return sorOk;
        }
        const int r = AskReplace(plan, it, more);
        if (r != sorOk || !it.replace) return r;
    }
    it.bytes = TreeBytes(Enc(source));
    plan.items.push_back(it);
    return sorOk;
}

// dest exists: Replace (its old item goes to the Trash), Skip or Cancel.
int ShellFileOp::AskReplace(TransferPlan& plan, TransferItem& it, bool more) {
    if (!ui_) return Fail(OpError(plan.verb, it.source, EEXIST));
    ReplaceAnswer a = ReplaceAnswer::Replace;
    if (Asks() && !plan.replaceAll) a = ui_->AskReplace(it.dest, it.source, more);
    if (a == ReplaceAnswer::Cancel) return sorCancelled;
    if (a == ReplaceAnswer::Skip) {
        plan.skipped[std::size_t(it.top)] = 1;
        return sorOk;
    }
    if (a == ReplaceAnswer::ReplaceAll) plan.replaceAll = true;
    // The question promised the Trash: where no trash can take the old item,
    // this replace is refused before anything changes.
    QString why;
    if (TrashDirFor(it.dest, &why).isEmpty())
        return Fail(QStringLiteral("\"%1\" cannot be replaced: no Trash can take it (%2). "
                                   "Nothing was changed.")
                        .arg(it.dest, why));
    it.replace = true;
    return sorOk;
}

int ShellFileOp::Transfer(bool move, const QStringList& sources, const QString& target) {
    TransferPlan plan;
    plan.verb = move ? QStringLiteral("move") : QStringLiteral("copy");
    const QString& verb = plan.verb;
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
    plan.skipped.assign(std::size_t(sources.size()), 0);
    QSet<QString> names;
    for (int i = 0; i < sources.size(); ++i) {
        const QString source = Clean(sources[i]);
        const QString dest = t + QLatin1Char('/') + QFileInfo(source).fileName();
        if (source == QLatin1String("/") || dest == source)
            return Fail(
                QStringLiteral("Cannot %1 \"%2\": it is already in \"%3\".").arg(verb, source, t));
        struct stat sst;
        if (Exists(source, &sst) && S_ISDIR(sst.st_mode) &&
            (t == source || t.startsWith(source + QLatin1Char('/'))))
            return Fail(
                QStringLiteral("Cannot %1 the folder \"%2\" into itself.").arg(verb, source));
        if (names.contains(dest))
            return Fail(QStringLiteral("Cannot %1 two items named \"%2\" into one folder.")
                            .arg(verb, QFileInfo(dest).fileName()));
        names.insert(dest);
        if (move && access(Enc(QFileInfo(source).path()).constData(), W_OK | X_OK) != 0)
            return Fail(OpError(verb, source, errno));
        const int r = Plan(plan, i, source, dest, sources.size() > 1);
        if (r != sorOk) return r;
    }
    return Execute(move, plan, sources);
}

int ShellFileOp::Execute(bool move, TransferPlan& plan, const QStringList& sources) {
    std::vector<TransferItem>& items = plan.items;
    std::int64_t total = 0;
    for (const TransferItem& it : items)
        total += it.bytes;
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
            if (it->trashed) RestoreFromTrash(it->replaced);
            it->renamed = it->copied = it->trashed = false;
        }
    };
    auto finish = [&](int result) {
        if (progress) ui_->EndProgress();
        return result;
    };

    for (TransferItem& it : items) {
        current = it.source;
        if (progress && !ui_->StepProgress(current, done)) {
            rollback();
            return finish(sorCancelled);
        }
        if (it.replace) {
            QString why;
            if (!MoveToTrash(it.dest, &why, &it.replaced)) {
                rollback();
                return finish(Fail(QStringLiteral("\"%1\" cannot be replaced: %2 Nothing was "
                                                  "changed.")
                                       .arg(it.dest, why)));
            }
            it.trashed = true;
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
            return finish(Fail(OpError(plan.verb, it.source, err)));
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

    // Everything arrived: moved sources leave, merged folders once emptied.
    QString firstError;
    std::vector<char> failed(std::size_t(sources.size()), 0);
    for (TransferItem& it : items) {
        if (!move || !it.copied) continue;
        const TreeResult r = RemoveTree(Enc(it.source));
        if (r.ok) continue;
        failed[std::size_t(it.top)] = 1;
        if (firstError.isEmpty()) firstError = r.error;
    }
    if (move)
        for (auto m = plan.merged.rbegin(); m != plan.merged.rend(); ++m)
            if (::rmdir(Enc(m->source).constData()) != 0 && !plan.skipped[std::size_t(m->top)] &&
                !failed[std::size_t(m->top)]) {
                failed[std::size_t(m->top)] = 1;
                if (firstError.isEmpty()) firstError = OpError(plan.verb, m->source, errno);
            }
    for (int i = 0; i < sources.size(); ++i)
        if (!plan.skipped[std::size_t(i)] && !failed[std::size_t(i)]) MarkHandled(i, sources);
    if (!firstError.isEmpty()) return finish(Fail(firstError));
    return finish(handled_.size() == sources.size() ? sorOk : sorPartly);
}

void ShellFileOp::MarkHandled(int index, const QStringList& sources) {
    handled_ << Clean(sources[index]);
    handledFlags_[std::size_t(index)] = 1;
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
        handledFlags_.assign(handledFlags_.size(), 0);
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
        MarkHandled(int(trashed.size()) - 1, sources);
    }
    if (progress) ui_->EndProgress();
    return result;
}
