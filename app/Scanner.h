#pragma once
// The window's scanner. Until the engine's scanner is in the tree, a plain
// stand-in with the same fields keeps the window working.
#if __has_include("engine/DirSizeU_2.h")
#include "engine/DirSizeU_2.h"
#else
#include "engine/Progress.h"
#include "engine/SizeText.h"
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>

class TDirSize {
public:
    TDirSize() = default;
    virtual ~TDirSize() = default;
    QString FolderPath, TotalGBText;
    QStringList EntryPaths, EntryMB, EntryKB, FilePaths, FileMB, FileKB, FileDates;
    bool IncludeFreeSpace = false;
    IProgress* Progress = nullptr;
    static void SetMinFileSize(qint64) {}
    void Measure() {
        for (QStringList* l :
             {&EntryPaths, &EntryMB, &EntryKB, &FilePaths, &FileMB, &FileKB, &FileDates})
            l->clear();
        QString p = FolderPath;
        if (!p.endsWith(QLatin1Char('/'))) p += QLatin1Char('/');
        const QStringList subs = QDir(p).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (Progress) Progress->SetProgressMax(int(subs.size()) + 1);
        SizeValue total = 0;
        auto add = [&](SizeValue v) {
            total += v;
            EntryMB << SizeText(suMB, v);
            EntryKB << SizeText(suKB, v);
            if (Progress) Progress->SetAddProgress(1);
        };
        for (const QString& s : subs) {
            EntryPaths << p + s;
            SizeValue v = 0;
            QDirIterator it(p + s, QDir::Files | QDir::Hidden | QDir::System,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                it.next();
                v += it.fileInfo().size() * 10000;
            }
            add(v);
        }
        EntryPaths << p + QStringLiteral("<All files in this folder>");
        SizeValue v = 0;
        for (const QFileInfo& f : QDir(p).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
            v += f.size() * 10000;
        add(v);
        TotalGBText = SizeText(suGB, total);
    }
};
#endif
