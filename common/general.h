#pragma once

#include <QString>
#include <QStringList>

// True when a file (not a folder) of that name exists.
bool FileExists(const QString &path);

// Names (without folder) of the files of a folder, sub-folders and hidden files left out, in byte
// order of their names so that a file keeps its number from run to run. The list always holds at
// least one element: a missing or empty folder gives one empty name.
QStringList ListFolderFiles(const QString &folder);
