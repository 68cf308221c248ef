#include "core/archive/ArchiveNames.h"
#include "platform/NativePath.h"
#include <QFile>
#include <cerrno>
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

bool IsArchiveName(const std::string& fileName) {
    const std::string start = std::string(kArchivePrefix) + kRootTag + '_';
    const std::string end = ".zip";
    if (fileName.size() <= start.size() + end.size() || !fileName.starts_with(start) ||
        !fileName.ends_with(end))
        return false;
    const std::string n =
        fileName.substr(start.size(), fileName.size() - start.size() - end.size());
    return n.front() != '0' && n.find_first_not_of("0123456789") == std::string::npos;
}

std::string RestoreTarget(const std::string& archivePath) {
    const std::size_t slash = archivePath.rfind('/');
    return IsArchiveName(slash == std::string::npos ? archivePath : archivePath.substr(slash + 1))
               ? "/"
               : std::string();
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
