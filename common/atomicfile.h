#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Replaces the content of path with bytes through a temporary file in the same folder and an
// atomic rename: a crash, a full disk or an unwritable folder leaves the old file as it was.
// Every write, the flush to disk and the close are checked, and only a complete file is renamed
// into place. A symbolic link is followed and its target rewritten; the file keeps its permission
// bits. Something other than a regular file at path (a folder, a FIFO, a device) is never replaced.
// The hidden temporaries that writes of path cut short by a crash left behind are removed once
// they are ten minutes old.
// Returns false when the new content could not be put in place.
bool writeFileAtomically(const QString &path, QByteArrayView bytes);

// Creates and opens for writing a new file named prefix (a path, the folder included) followed by
// a random suffix of digits and lower-case letters, never one that exists already. Mode 0666, so
// that the umask applies as to any new file. Returns the descriptor with the name in name, or -1
// with errno set.
int createTemporaryFile(const QByteArray &prefix, QByteArray &name);
