#include "general.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QStringList ListFolderFiles(const QString &folder)
{
    QStringList names;
    const QDir dir(folder);
    if (!folder.isEmpty() && dir.exists())
        names = dir.entryList(QDir::Files, QDir::Unsorted);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QFile::encodeName(a) < QFile::encodeName(b);
    });
    if (names.isEmpty())
        names.append(QString());
    return names;
}
