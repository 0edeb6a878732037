#include "apppaths.h"

#include <QDir>

AppPaths::AppPaths(QString folder)
    : m_folder(std::move(folder))
{}

QString AppPaths::file(const char *name) const
{
    return QDir(m_folder).filePath(QString::fromLatin1(name));
}

QString AppPaths::db() const
{
    return file(kDbFolder);
}

QString AppPaths::config() const
{
    return file(kConfigFile);
}

QString AppPaths::recent() const
{
    return file(kRecentFile);
}

QString AppPaths::positions() const
{
    return file(kPositionsFile);
}

QString AppPaths::listening() const
{
    return file(kListeningFile);
}

QString AppPaths::updateIni() const
{
    return file(kUpdateIniFile);
}

QString AppPaths::updateInfo() const
{
    return file(kUpdateInfoFile);
}

QString AppPaths::favourites() const
{
    return QDir(db()).filePath(QString::fromLatin1(kFavouritesFile));
}

QString AppPaths::additions() const
{
    return QDir(db()).filePath(QString::fromLatin1(kAdditionsFile));
}
