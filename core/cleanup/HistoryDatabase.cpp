#include "core/cleanup/HistoryDatabase.h"

#include <QFile>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

struct StmtFinalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

HistoryOutcome OutcomeOf(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED ? HistoryOutcome::Locked
                                                              : HistoryOutcome::Damaged;
}

bool TableExists(sqlite3* db, const char* table) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1", -1,
                           &raw, nullptr) != SQLITE_OK)
        return false;
    Stmt s(raw);
    sqlite3_bind_text(raw, 1, table, -1, SQLITE_STATIC);
    return sqlite3_step(raw) == SQLITE_ROW;
}

bool HasColumn(sqlite3* db, const char* table, const char* column) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM pragma_table_info(?1) WHERE name=?2", -1, &raw,
                           nullptr) != SQLITE_OK)
        return false;
    Stmt s(raw);
    sqlite3_bind_text(raw, 1, table, -1, SQLITE_STATIC);
    sqlite3_bind_text(raw, 2, column, -1, SQLITE_STATIC);
    return sqlite3_step(raw) == SQLITE_ROW;
}

// The whole database is checked before anything is changed: deleting rows
// from a damaged file could spread the damage.
int QuickCheck(sqlite3* db) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &raw, nullptr);
    if (rc != SQLITE_OK) return rc;
    Stmt s(raw);
    rc = sqlite3_step(raw);
    if (rc != SQLITE_ROW) return rc;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
    return text && QByteArray(text) == "ok" ? SQLITE_OK : SQLITE_CORRUPT;
}

QByteArrayList PlacesStatements(sqlite3* db) {
    if (!TableExists(db, "moz_places") || !TableExists(db, "moz_historyvisits")) return {};
    QByteArrayList sql{"DELETE FROM moz_historyvisits"};
    for (const char* table :
         {"moz_inputhistory", "moz_places_metadata", "moz_places_metadata_search_queries"})
        if (TableExists(db, table)) sql << QByteArray("DELETE FROM ") + table;
    QByteArray unused = "DELETE FROM moz_places WHERE 1";
    if (TableExists(db, "moz_bookmarks"))
        unused += " AND id NOT IN (SELECT fk FROM moz_bookmarks WHERE fk IS NOT NULL)";
    if (TableExists(db, "moz_keywords"))
        unused += " AND id NOT IN (SELECT place_id FROM moz_keywords WHERE place_id IS NOT NULL)";
    if (HasColumn(db, "moz_places", "foreign_count")) unused += " AND foreign_count = 0";
    sql << unused;
    // Rows hanging on the places just removed.
    if (TableExists(db, "moz_annos"))
        sql << "DELETE FROM moz_annos WHERE place_id NOT IN (SELECT id FROM moz_places)";
    if (TableExists(db, "moz_origins") && HasColumn(db, "moz_places", "origin_id"))
        sql << "DELETE FROM moz_origins WHERE id NOT IN "
               "(SELECT origin_id FROM moz_places WHERE origin_id IS NOT NULL)";
    for (const char* column : {"visit_count", "last_visit_date"})
        if (HasColumn(db, "moz_places", column))
            sql << QByteArray("UPDATE moz_places SET ") + column +
                       (QByteArray(column) == "visit_count" ? " = 0" : " = NULL");
    return sql;
}

QByteArrayList ChromiumStatements(sqlite3* db) {
    if (!TableExists(db, "urls") || !TableExists(db, "visits")) return {};
    QByteArrayList sql;
    for (const char* table :
         {"visits", "visit_source", "urls", "keyword_search_terms", "segments", "segment_usage",
          "content_annotations", "context_annotations", "clusters", "clusters_and_visits",
          "cluster_keywords", "cluster_visit_duplicates"})
        if (TableExists(db, table)) sql << QByteArray("DELETE FROM ") + table;
    return sql;
}

} // namespace

HistoryOutcome ClearHistoryDatabase(const QString& file, HistoryFormat format) {
    const QByteArray path = QFile::encodeName(file);
    struct stat st;
    if (lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return HistoryOutcome::Damaged;
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW,
                             nullptr);
    Db db(raw);
    if (rc != SQLITE_OK) return OutcomeOf(rc);
    sqlite3_busy_timeout(raw, 250);
    sqlite3_exec(raw, "PRAGMA secure_delete = ON", nullptr, nullptr, nullptr);
    if ((rc = QuickCheck(raw)) != SQLITE_OK) return OutcomeOf(rc);
    if ((rc = sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr)) != SQLITE_OK)
        return OutcomeOf(rc);
    const QByteArrayList sql =
        format == HistoryFormat::Places ? PlacesStatements(raw) : ChromiumStatements(raw);
    rc = sql.isEmpty() ? SQLITE_NOTADB : SQLITE_OK;
    for (const QByteArray& statement : sql) {
        if ((rc = sqlite3_exec(raw, statement.constData(), nullptr, nullptr, nullptr)) != SQLITE_OK)
            break;
    }
    if (rc == SQLITE_OK) rc = sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
        return OutcomeOf(rc);
    }
    return HistoryOutcome::Cleared;
}
