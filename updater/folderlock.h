#pragma once

#include <QString>

// Holds a lock file for as long as the object lives, so that one program at a time works on a
// folder. The kernel's lock (flock) goes with the process that held it, however it ended: a lock
// left by a killed program is free at once, and there is no stale file to judge.
class FolderLock
{
public:
    explicit FolderLock(QString path);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Takes the lock without waiting; false when another holder has it (or the file cannot be
    // opened).
    bool tryLock();
    bool isLocked() const { return m_fd >= 0; }

private:
    QString m_path;
    int m_fd = -1;
};
