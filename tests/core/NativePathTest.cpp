#include "platform/NativePath.h"
#include <QFile>
#include <gtest/gtest.h>

TEST(NativePath, EveryByteSequenceComesBackWhole) {
    const QByteArray samples[] = {
        "/plain/ascii",
        "/Gr\xc3\xb6\xc3\x9f"
        "e/\xe6\x97\xa5\xf0\x9f\x98\x80", // valid, 2, 3 and 4 bytes
        "/bad\xff\xfename",
        "/caf\xe9.txt",
        "/cut\xe6\x97", // stray and cut-off bytes
        "/over\xc0\x80long",
        "/sur\xed\xa0\x80rogate",
        "/big\xf4\x90\x80\x80",
        "/\xed\xb2\x80", // a kept byte's own UTF-8 look-alike
    };
    for (const QByteArray& b : samples) {
        SCOPED_TRACE(b.toStdString());
        const QString p = PathFromNative(b);
        EXPECT_EQ(NativePath(p), b);
        const bool valid = QString::fromUtf8(b).toUtf8() == b;
        EXPECT_EQ(HasRawBytes(p), !valid);
        if (valid) {
            EXPECT_EQ(p, QFile::decodeName(b));
        }
        EXPECT_FALSE(HasRawBytes(DisplayPath(p)));
        EXPECT_EQ(DisplayPath(p).contains(QChar::ReplacementCharacter), !valid);
    }
    EXPECT_EQ(DisplayPath(PathFromNative("bad\xff\xfename")),
              QString::fromUtf8("bad\uFFFD\uFFFDname"));
    EXPECT_EQ(FileUrl(PathFromNative("/a b/caf\xe9")).toEncoded(), "file:///a%20b/caf%E9");
    // And back, by the bytes; a UTF-8 name as QUrl::fromLocalFile writes it.
    EXPECT_EQ(NativePath(PathFromUrl(QUrl("file:///a%20b/caf%E9"))), "/a b/caf\xe9");
    EXPECT_EQ(PathFromUrl(QUrl::fromLocalFile(QString::fromUtf8("/x/na\u00efve"))),
              QString::fromUtf8("/x/na\u00efve"));
    EXPECT_TRUE(PathFromUrl(QUrl("https://example.org/a")).isEmpty());
}
