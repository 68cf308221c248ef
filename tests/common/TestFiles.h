#pragma once
// Small file helpers for tests that build trees in temporary folders.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// Sets an environment variable for the life of the object, then puts back what
// was there, so one test's HOME never becomes the next test's.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

// Writes data to path, making the folders above it.
inline void Write(const QString& path, const QByteArray& data = "x") {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A file of size bytes (sparse) at path's bytes, making the folders above it;
// for names that are not UTF-8, which QFile and QDir cannot reach.
inline void MakeFile(const QByteArray& path, off_t size) {
    for (qsizetype i = 1; i < path.size(); ++i)
        if (path.at(i) == '/') ::mkdir(path.left(i).constData(), 0755);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

// Something is at path's bytes (a link counts, not followed).
inline bool Exists(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}
