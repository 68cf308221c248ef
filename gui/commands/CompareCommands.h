#pragma once
// "Compare with snapshot...": compares the tree shown with an earlier snapshot
// and shows the result while the session holds it: the size list's "Change
// (MB)" column, the bar chart's change mode ("Bar chart shows change") and a
// status panel naming the base snapshot and what of the folder shown is gone.
#include <QObject>
#include <QString>
#include <functional>

class AnalysisSession;
class ChartPages;
class FolderListPage;
struct CommandContext;
class QAction;
class QLabel;
class QWidget;

class CompareCommands : public QObject {
    Q_OBJECT
public:
    static constexpr int kChangeColumn = 5;

    // The panel is made here for the window to place.
    CompareCommands(const CommandContext& context, FolderListPage& list, ChartPages& charts);

    QLabel* Panel() const { return panel_; }
    // Reads the snapshot and compares the tree shown with it; a message and
    // false when it cannot be read or nothing is shown.
    bool CompareWith(const QString& fileName);
    // After every fill of the charts: in change mode the bars show the change.
    void ChartsFilled();

    // The open dialog, given the folder it starts in; the chosen file or an
    // empty text. Replaceable for tests; empty restores it.
    using DialogFunction = std::function<QString(const QString& folder)>;
    static void SetFileDialog(DialogFunction dialog);

private:
    void CompareTriggered(bool on);
    void ComparisonChanged();
    void ShowListChanges();
    void RefillCharts();

    AnalysisSession& session_;
    FolderListPage& list_;
    ChartPages& charts_;
    QWidget* window_;
    QAction* compare_;
    QAction* chartMode_;
    QLabel* panel_;
    QString openFolder_;
    bool filling_ = false;
};
