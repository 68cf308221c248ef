#pragma once
// The file list's finder of duplicates by content: a tool bar that searches
// the current folder on a worker thread (progress bar, Esc stops), fills the
// list with the groups (the "Dup" column holds the group number) and checks
// all but one copy of each group by a rule. The checked rows then go through
// the list's own commands.
#include "core/duplicates/DuplicateFinder.h"
#include <QHash>
#include <QToolBar>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class FileListModel;
class QAction;
class QComboBox;
class QLabel;
class QProgressBar;
class QTableView;
class QTimer;
class QToolButton;

class ContentDuplicatesBar : public QToolBar {
    Q_OBJECT
public:
    ContentDuplicatesBar(FileListModel& model, QTableView& list,
                         std::function<QString()> currentFolder, QWidget* parent = nullptr);
    ~ContentDuplicatesBar() override;

    bool Running() const { return worker_.joinable(); }
    void Start();
    void Stop();
    void CheckCopies();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Poll();
    void Finish();
    void Fill(const DuplicateResult& result);

    FileListModel& model_;
    QTableView& list_;
    std::function<QString()> currentFolder_;
    QToolButton* findButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QAction* progressAction_ = nullptr;
    QComboBox* keepCombo_ = nullptr;
    QToolButton* checkButton_ = nullptr;
    QLabel* summaryLabel_ = nullptr;
    QTimer* pollTimer_ = nullptr;

    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{false};
    DuplicateProgress progress_;
    std::unique_ptr<DuplicateResult> result_; // written by the worker until done_
    // Each listed copy: its group number and time, by path.
    struct Copy {
        int group;
        qint64 mtime;
    };
    QHash<QString, Copy> copies_;
};
