#pragma once

#include <QByteArrayView>
#include <QString>

// Replaces the content of path with bytes through a temporary file in the same folder and an
// atomic rename: a crash, a full disk or an unwritable folder leaves the old file as it was.
// Returns false when the new content could not be put in place.
bool writeFileAtomically(const QString &path, QByteArrayView bytes);
