#pragma once
// Clearing a browser's history database with SQLite: every change in one
// transaction, so a database is either cleared or left exactly as it was.
#include <QString>

enum class HistoryFormat {
    Places,  // Firefox places.sqlite
    Chromium // History of Chromium, Google Chrome, Brave
};

enum class HistoryOutcome {
    Cleared,
    Locked, // another connection holds it: left as it was
    Damaged // not a readable history database: left as it was
};

// Places: visits, typed input and every place that no bookmark or keyword uses;
// bookmarked places stay, without their visit counts. Chromium: visits, URLs,
// search terms and segments. Other tables (bookmarks, downloads, settings) stay.
HistoryOutcome ClearHistoryDatabase(const QString& file, HistoryFormat format);
