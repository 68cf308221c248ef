// The report's file list filter: --filter TEXT and --invert with --files.
#include "cli/Report.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList ReportLines(const QStringList& args, int* status) {
    QProcess p;
    p.start(QStringLiteral(MORVANE_BINARY), QStringList{"--report"} + args);
    p.waitForFinished(60000);
    *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace

TEST(ReportFilter, FilterAndInvertSelectFileRows) {
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/";
    for (const char* n : {"a.EXE", "b.txt", "c.Txt", "README", "d.tar.gz"}) {
        QFile f(root + n);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    int status = -1;
    QStringList lines = ReportLines(
        {root, "--files", "--bare", "--format", "csv", "--filter", "exe; txt"}, &status);
    ASSERT_EQ(status, 0);
    lines.sort();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("a.EXE,"));
    EXPECT_TRUE(lines[2].startsWith("c.Txt,"));

    lines = ReportLines({root, "--files", "--bare", "--format", "csv", "--filter=gz", "--invert"},
                        &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(lines.size(), 4);
    for (const QString& l : lines)
        EXPECT_FALSE(l.startsWith("d.tar.gz"));

    // Without --files the options mean nothing: bad input, nothing written.
    lines = ReportLines({root, "--filter", "txt"}, &status);
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(lines.isEmpty());
}
