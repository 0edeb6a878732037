#pragma once

#include <QString>

// The files of the application folder, each named here once. Both programs reach them through
// this: the player's catalogue, settings and lists, the updater's files.
class AppPaths
{
public:
    // The names, relative to the application folder (the catalogue's own below the DB folder).
    static constexpr const char *kDbFolder = "DB";
    static constexpr const char *kConfigFile = "config.ini";
    static constexpr const char *kRecentFile = "last.txt";
    static constexpr const char *kPositionsFile = "positions.txt";
    static constexpr const char *kListeningFile = "listening.ini";
    static constexpr const char *kUpdateIniFile = "update.ini";
    static constexpr const char *kUpdateInfoFile = "updtinfos";
    static constexpr const char *kFavouritesFile = "favorites.txt"; // in DB/
    static constexpr const char *kAdditionsFile = "additions.txt";  // in DB/

    explicit AppPaths(QString folder);

    const QString &folder() const { return m_folder; }
    QString db() const;
    QString config() const;
    QString recent() const;
    QString positions() const;
    QString listening() const;
    QString updateIni() const;
    QString updateInfo() const;
    QString favourites() const;
    QString additions() const;

    // A file of the application folder, by its name.
    QString file(const char *name) const;

private:
    QString m_folder;
};
