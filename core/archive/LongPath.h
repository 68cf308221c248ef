#pragma once
// Paths of any length. A path longer than PATH_MAX is reached through its
// folder, opened piece by piece, so files deep in a tree can be read, checked
// and removed like any other.
#include <string>

// A path as an open folder and a name in it, for the *at calls. A short path
// stays whole, relative to the current folder.
class PathAt {
public:
    explicit PathAt(const std::string& path);
    ~PathAt();
    PathAt(const PathAt&) = delete;
    PathAt& operator=(const PathAt&) = delete;

    // -1 (errno set) when the folder of a long path could not be opened.
    int dir() const { return dir_; }
    const char* name() const { return name_; }

private:
    int dir_;
    int own_ = -1;
    std::string base_;
    const char* name_;
};

// Opens a folder path (links followed, as any path lookup does), with flags
// for the last step; -1 and errno when it cannot.
int OpenFolderPath(const std::string& path, int flags);

// The path of a folder through the real folders (links and ".." resolved) at
// any length, remembering the last folder asked for: the files of a folder
// and of its subfolders come in runs, and each costs only what is new.
class RealFolders {
public:
    // False (errno set) when folder cannot be resolved.
    bool Resolve(const std::string& folder, std::string& real);

private:
    bool Walk(int& dir, std::string& real, const std::string& rest, std::size_t* twist);
    std::string lastFolder_, lastReal_;
    std::size_t lastTwist_ = 0; // below this length of lastFolder_ lies a link or ".."
    int links_ = 0;
};
