#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <QStringList>
#include <cstddef>

// File names on disk are bytes. They are shown as UTF-8, but files put in place by other programs
// (an archive extractor writing windows-1256 names, say) may carry names that are not valid UTF-8.
// Such a name must still be listed and opened, so a name is turned into text reversibly: valid
// UTF-8 decodes as usual, and each byte that does not decode becomes the lone low surrogate
// U+DC00 + byte (U+DC80..U+DCFF). Valid UTF-8 never yields a lone surrogate, so the mapping can be
// undone exactly.

// The text of a file name (or path) as read from the file system.
QString fileNameFromNative(QByteArrayView bytes);
// The bytes of a file name (or path) given as text: the inverse of fileNameFromNative, and the same
// as QFile::encodeName for a name holding no such escaped byte.
QByteArray nativeFileName(const QString &path);

// True when a file (not a folder) of that name exists; a symbolic link counts as what it points to.
bool FileExists(const QString &path);

// Reads the regular file at path whole into bytes, reusing its memory. Anything else (a folder, a
// FIFO, a device, a link to one of them) is refused without waiting on it: false, and bytes is
// left as it was (a read failing part-way leaves it empty).
bool readRegularFile(const QString &path, QByteArray &bytes);

// Asks for huge pages for the whole 2 MiB pages inside a block about to be filled: a large
// catalogue fills a few hundred megabytes at once, and huge pages save most of the page faults,
// which are a good part of the loading time. Only a hint: without it the memory works the same.
void adviseHugePages(const void *data, std::size_t bytes);

// The size of the regular file at path (links followed), or 0 when there is none.
qint64 regularFileSize(const QString &path);

// Names (without folder) of the regular files of a folder (links followed), sub-folders, other
// special files and hidden files (names beginning with a dot) left out, in byte order of their
// names so that a file keeps its number from run to run. Names are given as fileNameFromNative
// makes them. The list always holds at least one element: a missing or empty folder gives one empty
// name.
QStringList ListFolderFiles(const QString &folder);
