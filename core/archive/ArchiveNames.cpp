#include "core/archive/ArchiveNames.h"
#include "platform/NativePath.h"
#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

std::string NextArchiveName(const std::string& folder) {
    struct stat st {};
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    std::string base = folder;
    if (base.back() != '/') base += '/';
    base += kArchivePrefix;
    base += kRootTag;
    base += '_';
    // A gap left by a deleted archive is filled first; the bound only stops a
    // folder that answers every name.
    for (long n = 1; n < 1000000; ++n) {
        std::string name = base + std::to_string(n) + ".zip";
        if (::lstat(name.c_str(), &st) == 0) continue;
        if (errno != ENOENT) return {};
        return name;
    }
    return {};
}

std::string RestoreTarget(const std::string& archivePath) {
    const std::size_t slash = archivePath.rfind('/');
    const std::string name =
        slash == std::string::npos ? archivePath : archivePath.substr(slash + 1);
    const std::size_t prefix = std::strlen(kArchivePrefix);
    if (name.size() <= prefix || name.compare(0, prefix, kArchivePrefix) != 0) return {};
    // Every tag means the one root: there are no drives to choose from.
    return "/";
}

int CollectCheckedPaths(const FileRowTable& rows, std::vector<std::string>& paths) {
    int n = 0;
    for (int i = 0; i < rows.Count(); ++i)
        if (rows.Checked(i)) {
            paths.push_back(PathBytes(rows.Path(i)));
            ++n;
        }
    return n;
}

std::string PathBytes(const QString& path) {
    return NativePath(path).toStdString();
}

QString PathText(const std::string& path) {
    return PathFromNative(QByteArray::fromStdString(path));
}
