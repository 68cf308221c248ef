#pragma once
// How a long operation (a scan, a list fill) drives the window's progress gauge.
class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void SetProgressMax(int max) = 0;
    // Advance by n and repaint at once.
    virtual void SetAddProgress(int n) = 0;
};
