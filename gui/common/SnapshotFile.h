#pragma once
// Reading a snapshot file for the window: under the hourglass, with the
// reader's message (or one for a file too large for memory) shown on failure.
#include <QString>
#include <functional>
#include <memory>

class QWidget;
class Snapshot;

// Reads fileName and hands the snapshot to use, which may fail the same ways
// (running out of memory); false when either failed and the message was shown.
bool WithSnapshotFile(QWidget* parent, const QString& fileName,
                      const std::function<void(std::shared_ptr<const Snapshot>)>& use);
