#pragma once

#include "fileplacement.h"
#include "updatesignature.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

// One update's cabinet, from the downloaded file to its files in place: its signature checked,
// the free space for its unpacked files checked, unpacked into an empty work folder, each file
// sorted by its name and all of them placed together (FilePlacement). Touches no widget, so that
// it can run on a worker thread while the window stays live.
//
// Program files (a replacement player, anything placed outside DB/ other than a read-me) are
// code: they are placed only when the cabinet's signature verifies against a trusted key, and
// never in an installed copy, whose programs belong to the package manager. Catalogue files and
// read-mes are data and are placed in any case, unless a signature is present but wrong: then
// the cabinet was tampered with, and nothing of it is placed.
struct CabinetInstall
{
    QString appFolder;
    QString workFolder;
    QString cabinet;
    qint16 number = 0;
    bool installedCopy = false;
    std::optional<QByteArray> signature; // the publisher's detached signature, when served
    QList<UpdateKey> keys;               // the trusted publishers' keys

    enum class Outcome
    {
        Placed,    // every file of the update is in place (or it held none to place)
        Failed,    // it could not be unpacked or placed: nothing of it is in place
        NoSpace,   // the disk cannot hold its unpacked files: nothing was unpacked
        Tampered,  // a signature was served and does not verify: nothing was unpacked
        Cancelled, // stopped by the user before anything was placed
    };
    // Why program files were left out.
    enum class LeftOut
    {
        None,
        InstalledCopy,
        Unsigned,
    };
    struct Result
    {
        Outcome outcome = Outcome::Failed;
        QStringList readmes; // read-mes placed, to be shown
        QString replacement; // a replacement player placed, to be started; empty when none
        LeftOut programFiles = LeftOut::None;
    };

    // Called now and then while files are unpacked: how many are done of how many.
    std::function<void(int done, int total)> progress;

    // Unpacks and places. When the result is Placed, placement holds the placed files: the
    // caller records the update, then calls placement.finish() (or rollBack() when recording
    // fails).
    Result run(FilePlacement &placement, const std::atomic_bool &cancelled) const;
};
