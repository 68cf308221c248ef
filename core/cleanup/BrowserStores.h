#pragma once
// The browsers' disk caches and history stores of this user: Firefox, and the
// Chromium family (Chromium, Google Chrome, Brave). A browser that is running
// (its profile lock is held) is left alone: its entries are in use.
#include <QString>
#include <QStringList>

// Where the stores are looked for; tests point them at fixtures.
struct BrowserPlaces {
    QString cacheHome;          // $XDG_CACHE_HOME: the disk caches
    QString configHome;         // $XDG_CONFIG_HOME: Chromium-family profiles, newer Firefox
    QString firefoxProfileRoot; // ~/.mozilla/firefox
    static BrowserPlaces FromEnvironment();
};

struct BrowserCleanResult {
    int removed = 0; // cache files removed, or history databases cleared
    int failed = 0;  // cache files that stayed, or databases left damaged or locked
    int inUse = 0;   // profiles left alone because their browser runs
};

// Removes every cache entry (one cached file is one entry) of the browsers'
// disk caches; links in a cache are removed, never followed.
BrowserCleanResult
DeleteCacheEntries(const BrowserPlaces& places = BrowserPlaces::FromEnvironment());

// Clears the browsing history of every profile, one transaction per profile,
// keeping bookmarks, passwords, cookies and settings.
BrowserCleanResult ClearUrlHistory(const BrowserPlaces& places = BrowserPlaces::FromEnvironment());

// A profile lock held by a live process: the symbolic link "lock" (Firefox,
// target "ADDRESS:+PID") or "SingletonLock" (Chromium, "HOST-PID"), or the
// record lock on Firefox's ".parentlock".
bool ProfileLockHeld(const QString& profileDir);
