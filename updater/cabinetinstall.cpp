#include "cabinetinstall.h"

#include "apppaths.h"
#include "cabfile.h"
#include "general.h"
#include "placement.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QStorageInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

// The size of every entry once unpacked, as the cabinet declares it (libmspack writes no more).
std::optional<qint64> unpackedSize(CabFile &cab, int &entries)
{
    qint64 total = 0;
    entries = 0;
    QObject::connect(&cab, &CabFile::FileFound, &cab,
                     [&](const QString &, const QDateTime &, qint32 size, const QString &) {
                         total += quint32(size);
                         ++entries;
                     });
    const bool ok = cab.GetInfo();
    cab.disconnect(&cab);
    return ok ? std::optional<qint64>(total) : std::nullopt;
}

bool isProgramFile(Placement placement)
{
    return placement == Placement::ReplacementPlayer || placement == Placement::Application;
}

} // namespace

CabinetInstall::Result CabinetInstall::run(FilePlacement &placement,
                                           const std::atomic_bool &cancelled) const
{
    Result result;
    bool programsAllowed = false;
    if (signature && !keys.isEmpty()) {
        if (verifyFileSignature(cabinet, *signature, keys) != SignatureCheck::Verified) {
            result.outcome = Outcome::Tampered;
            return result;
        }
        programsAllowed = !installedCopy;
    }

    // An empty work folder: nothing of an earlier cabinet can be taken for part of this one.
    QDir work(workFolder);
    work.removeRecursively();
    if (!QDir().mkpath(workFolder))
        return result;
    CabFile cab;
    cab.setCabName(cabinet);
    int entries = 0;
    const std::optional<qint64> size = unpackedSize(cab, entries);
    if (!size)
        return result;
    const qint64 space = QStorageInfo(workFolder).bytesAvailable();
    if (space >= 0 && *size > space) {
        result.outcome = Outcome::NoSpace;
        return result;
    }

    int done = 0;
    int reported = -1;
    QDeadlineTimer nextReport(0);
    QObject::connect(&cab, &CabFile::BeforeExtract, &cab, [&](const QString &, bool *cancel) {
        *cancel = cancelled.load(); // the rest is passed over quickly
    });
    QObject::connect(&cab, &CabFile::AfterExtract, &cab, [&](const QString &) {
        ++done;
        if (progress && nextReport.hasExpired()) {
            progress(done, entries);
            reported = done;
            nextReport.setRemainingTime(100);
        }
    });
    const bool unpacked = cab.Extract({}, workFolder, {});
    if (cancelled.load()) {
        result.outcome = Outcome::Cancelled;
        return result;
    }
    if (!unpacked)
        return result;
    if (progress && reported != done)
        progress(done, entries);

    // Every file of the folder's top level is sorted by its name; the first rule that fits wins.
    QList<FilePlacement::File> files;
    int handled = 0;
    const QDir app(appFolder);
    for (const QString &name : ListFolderFiles(workFolder)) {
        if (name.isEmpty())
            continue;
        const Placement kind = placementOf(name);
        if (kind == Placement::RunningPlayer) {
            ++handled; // never copied over the running player: discarded on purpose
            continue;
        }
        if (isProgramFile(kind) && !programsAllowed) {
            ++handled;
            result.programFiles = installedCopy ? LeftOut::InstalledCopy : LeftOut::Unsigned;
            continue;
        }
        FilePlacement::File file{work.filePath(name), app.filePath(name),
                                 kind == Placement::ReplacementPlayer};
        if (kind == Placement::Catalogue) {
            QDir().mkpath(AppPaths(app.path()).db());
            file.target = QDir(AppPaths(app.path()).db()).filePath(name);
        }
        files.append(file);
        if (kind == Placement::ReadMe)
            result.readmes.append(file.target);
        if (kind == Placement::ReplacementPlayer) {
            result.replacement = file.target;
            break; // the files after it wait for the new player
        }
    }
    if (files.isEmpty()) {
        // A cabinet with nothing to place is no update, unless what it brought was left out on
        // purpose.
        work.removeRecursively();
        result.outcome = handled > 0 ? Outcome::Placed : Outcome::Failed;
        result.readmes.clear();
        return result;
    }
    if (cancelled.load()) {
        result.outcome = Outcome::Cancelled;
        return result;
    }
    const bool placed = placement.stage(files) && placement.place(number);
    work.removeRecursively();
    result.outcome = placed ? Outcome::Placed : Outcome::Failed;
    if (!placed) {
        result.readmes.clear();
        result.replacement.clear();
    }
    return result;
}
