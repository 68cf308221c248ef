#include "gui/common/SnapshotFile.h"
#include "core/snapshot/Snapshot.h"
#include "gui/common/WaitCursor.h"
#include "gui/dialogs/MessageBoxes.h"
#include "platform/Errors.h"

bool WithSnapshotFile(QWidget* parent, const QString& fileName,
                      const std::function<void(std::shared_ptr<const Snapshot>)>& use) {
    QString error;
    {
        const WaitCursor wait;
        try {
            use(std::make_shared<const Snapshot>(Snapshot::Read(fileName)));
            return true;
        } catch (const EMorvaneError& e) {
            error = e.message();
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("%1 is too large to open.").arg(fileName);
        }
    }
    ShowErrorMessage(parent, error);
    return false;
}
