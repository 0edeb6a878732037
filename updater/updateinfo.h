#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// The update information file "updtinfos", the same format for the copy in the application folder
// and for the one on the server. Plain windows-1256 text, lines ended by CR LF:
//  1. the header: holds "update" (in any case) and at least one "]"; after the first "]" it may
//     carry the number of the newest complete update (an update holding everything up to it);
//  2. an update number: on the server the newest update offered, here the last one installed;
//  3. ... addresses of this file itself, tried in order. Line 3 is always one; the list ends before
//     the first later line whose last four characters are ".cab" in any case;
//  the first ".cab" line from line 3 on, and every line after it: address templates of update
//  cabinets, in which each "#" stands for the update number.
// Update numbers are 16-bit signed, as the file has always held them.
//
// Addresses come from a file the server sends, so only web addresses (http or https, naming a
// host) are kept. Any other line in the address or template part, a local path or another scheme,
// is dropped, and the file stays usable with the addresses that remain: one bad line on the server
// should not stop every installation from updating. Blank lines are dropped too.

// What the file is read for. The local copy only gives the installed number and where to fetch a
// fresh copy; its header is not examined. The fresh copy must be a real information file, and
// gives the complete-update number and the cabinet templates as well.
enum class UpdateInfoUse
{
    Installed,
    Offered,
};

// The outcome of reading an information file, in the order the checks are made.
enum class UpdateInfoStatus
{
    Valid,
    Missing,       // no file, or not readable as a regular file
    NotUpdateInfo, // the header does not hold "update" (Offered only)
    BadNumber,     // line 2 is missing or not a 16-bit signed decimal integer
    NoBracket,     // the header holds no "]" (Offered only)
    NoCabinetLine, // no ".cab" line from line 3 on (Offered only)
};

// An information file as read. When status is not Valid, the fields the checks before the failing
// one have read are still filled: a fresh copy failing NoBracket or NoCabinetLine gives its number,
// which decides whether there is anything to install at all before the rest of it matters.
struct UpdateInfo
{
    UpdateInfoStatus status = UpdateInfoStatus::Missing;
    qint16 number = 0;          // line 2
    qint16 completeNumber = -1; // newest complete update from the header, -1 when none
    QStringList infoAddresses;
    QStringList cabinetTemplates;
    QStringList refusedAddresses; // lines of either list dropped for not being web addresses

    bool isValid() const { return status == UpdateInfoStatus::Valid; }
};

UpdateInfo parseUpdateInfo(const QStringList &lines, UpdateInfoUse use);
UpdateInfo readUpdateInfo(const QString &path, UpdateInfoUse use);

// The address of cabinet number from a template: every "#" replaced by the number in decimal.
QString cabinetAddress(const QString &addressTemplate, int number);

// Rewrites line 2 of the information file at path as n in decimal. Every other byte of the file,
// line ends included, stays as it was; the rewrite is atomic (no temporary copy of its own; a crash
// mid-write leaves at most the atomic writer's hidden temporary, cleared by a later write). Returns
// false, and leaves the file as it was, when it is missing, unreadable, has no line 2 or cannot be
// rewritten.
bool SetInstalledNumber(const QString &path, qint16 n);
// The bytes of an information file with line 2 replaced by n, every other byte as it was; nothing
// when there is no line 2. A fresh copy from the server becomes the local file this way in one
// write, so the server's newest number never stands as the installed one.
std::optional<QByteArray> withInstalledNumber(const QByteArray &bytes, qint16 n);

// "update.ini" keeps whether the player is restarted after an update: one line holding 0 or 1.
// Reading takes the first line as a decimal integer, blanks around it ignored; 0 is false and any
// other integer true. No value when the file is missing or its first line is not an integer.
std::optional<bool> readUpdateIni(const QString &path);
// Writes the choice as " 1 " or " 0 " and CR LF, the layout the file has always had, atomically.
bool writeUpdateIni(const QString &path, bool restart);
