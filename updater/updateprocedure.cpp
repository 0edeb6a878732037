#include "updateprocedure.h"

#include "atomicfile.h"
#include "cabfile.h"
#include "codepage.h"
#include "download.h"
#include "general.h"
#include "linkpolicy.h"
#include "placement.h"
#include "playerwindows.h"
#include "updateinfo.h"
#include "updateplan.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QProcess>

#include <cstdio>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// An update file is given up when less than this arrives in a minute: 1 KiB/s on average.
constexpr qint64 kMinimumBytesPerMinute = 60 * 1024;

const QString kMissingFile = u"أحد الملفات اللازمة للتحديث ناقص"_s;
const QString kExtractFailed = u"حدث خطأ أثناء استخراج ملفات التحديث"_s;
// Said when an update brought program files that an installed copy leaves to its package.
const QString kProgramFilesLeft =
    u"البرنامج مثبَّت من حزمة النظام، فيُحدَّث الفهرس وحده، ويتولى مدير الحزم تحديث البرنامج نفسه؛ "
    u"لذا لم تُنسخ ملفات البرنامج التي جاءت مع هذا التحديث."_s;
// The text the player's main window caption holds; the players to close are found by it.
const QString kPlayerTitle = u"Marvoli"_s;

// One file of an update on its way: unpacked, then staged beside its target, then renamed over it.
struct StagedFile
{
    QString source;
    QString target;
    QString staged;
    Placement placement;
};

bool stage(StagedFile &file)
{
    QByteArray bytes;
    file.staged = file.target + u".renfold-new"_s;
    // A folder (or anything but a file) in the target's place could not be replaced later, when
    // other files of the update are already in place.
    const QFileInfo target(file.target);
    if (target.exists() && !target.isFile())
        return false;
    return readRegularFile(file.source, bytes) && writeFileAtomically(file.staged, bytes);
}

// Replaces the target by its staged copy in one step: a starting player sees the old file or
// the new one, never a part.
bool commit(const StagedFile &file)
{
    return std::rename(QFile::encodeName(file.staged).constData(),
                       QFile::encodeName(file.target).constData()) == 0;
}

QString readmeText(const QString &path)
{
    QString text;
    for (const QString &line : readCodePageLines(path))
        text += u"\r\n"_s + line;
    return text;
}

} // namespace

UpdateProcedure::UpdateProcedure(QString appFolder, QObject *parent)
    : QObject(parent)
    , m_appFolder(std::move(appFolder))
    , m_programFolder(m_appFolder)
{
    closePlayers = [](const QString &titleFragment) {
        ClosePlayerWindows(titleFragment);
    };
    startProgram = [](const QString &program) {
        return QProcess::startDetached(program, {}, QFileInfo(program).absolutePath());
    };
}

UpdateProcedure::~UpdateProcedure() = default;

QString UpdateProcedure::path(const QString &name) const
{
    return QDir(m_appFolder).filePath(name);
}

QString UpdateProcedure::playerPath() const
{
    return QDir(m_programFolder).filePath(u"Marvoli"_s);
}

void UpdateProcedure::cancel()
{
    m_cancelled = true;
    if (m_download)
        m_download->cancel();
}

int UpdateProcedure::DownloadFile(const QString &address, const QString &target)
{
    QCoreApplication::processEvents();
    if (m_cancelled || linkKind(address) != LinkKind::Web)
        return 1;
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    Download download(*m_network);
    download.setStallTimeout(m_stallTimeout);
    // A server that keeps the connection alive with a byte now and then is given up as well.
    download.setMinimumRate(kMinimumBytesPerMinute, std::chrono::minutes(1));
    QEventLoop loop;
    connect(&download, &Download::finished, &loop, &QEventLoop::quit);
    m_download = &download;
    download.start(QUrl(address), target);
    loop.exec();
    m_download = nullptr;
    const Download::Result &result = download.result();
    if (result.status == Download::Status::Success)
        return 0;
    return result.status == Download::Status::HttpError ? result.httpStatus : 1;
}

UpdateProcedure::End UpdateProcedure::run(bool restartPlayer)
{
    m_running = true;
    m_cancelled = false;
    qint16 installed = 0;
    qint16 newest = 0;
    qint16 complete = -1;
    QStringList templates;
    End end = check(installed, newest, complete, templates);
    if (end == End::Done)
        end = install(installed, newest, complete, templates, restartPlayer);
    m_running = false;
    return end;
}

UpdateProcedure::End UpdateProcedure::check(qint16 &installed, qint16 &newest, qint16 &complete,
                                            QStringList &templates)
{
    Q_EMIT status(u"جاري تحديث البرنامج وقاعدة البيانات"_s);
    QDir().mkpath(workFolder());
    const QString local = path(u"updtinfos"_s);
    const UpdateInfo mine = readUpdateInfo(local, UpdateInfoUse::Installed);
    if (mine.status == UpdateInfoStatus::Missing) {
        Q_EMIT status(kMissingFile);
        return End::CheckFailed;
    }
    if (!mine.isValid())
        return errorStop();
    installed = mine.number;

    Q_EMIT status(u"جاري فحص آخر التحديثات اللازمة"_s);
    const QString fresh = QDir(workFolder()).filePath(u"updtinfos"_s);
    QFile::remove(fresh); // a copy left by an earlier run says nothing about the server now
    int result = 0;
    for (const QString &address : mine.infoAddresses)
        if ((result = DownloadFile(address, fresh)) == 0)
            break;
    if (m_cancelled)
        return End::Cancelled;
    if (result != 0) {
        Q_EMIT status(u"فشلت عملية التحميل، الرجاء المحاولة مرة أخرى"_s);
        return End::CheckFailed;
    }
    const UpdateInfo offered = readUpdateInfo(fresh, UpdateInfoUse::Offered);
    switch (offered.status) {
    case UpdateInfoStatus::Missing:
        Q_EMIT status(kMissingFile);
        return End::CheckFailed;
    case UpdateInfoStatus::NotUpdateInfo:
        Q_EMIT status(u"الملف updtinfos غير صالح"_s);
        return End::CheckFailed;
    case UpdateInfoStatus::BadNumber:
        return errorStop();
    default:
        break;
    }
    if (offered.number < 0)
        return End::CheckFailed;
    newest = offered.number;
    if (newest <= installed) {
        Q_EMIT status(u"لا توجد تحديثات جديدة"_s);
        return End::NoUpdates;
    }
    if (!offered.isValid())
        return errorStop();
    complete = offered.completeNumber;
    templates = offered.cabinetTemplates;

    // The server's copy becomes the local one (its addresses serve the next check); the old one
    // is kept beside it.
    QByteArray bytes;
    if (!readRegularFile(local, bytes) || !writeFileAtomically(local + u".bak"_s, bytes) ||
        !readRegularFile(fresh, bytes) || !writeFileAtomically(local, bytes))
        return errorStop();
    QFile::remove(fresh);
    return End::Done;
}

UpdateProcedure::End UpdateProcedure::install(qint16 installed, qint16 newest, qint16 complete,
                                              const QStringList &templates, bool restartPlayer)
{
    const UpdatePlan plan = planUpdates(installed, newest, complete);
    if (!plan.countText.isEmpty())
        Q_EMIT status(plan.countText);
    const QString local = path(u"updtinfos"_s);
    // The copy carries the server's number: until an update is in place, the installed one holds.
    if (!SetInstalledNumber(local, installed))
        return errorStop();

    const QString cabinet = path(u"MVupdates.cab"_s);
    int done = 0;
    for (int i = plan.first; i <= plan.last; ++i) {
        Q_EMIT status(plan.progressText(i));
        int result = 1;
        for (const QString &addressTemplate : templates)
            if ((result = DownloadFile(cabinetAddress(addressTemplate, i), cabinet)) == 0)
                break;
        if (m_cancelled)
            return End::Cancelled;
        if (!QFile::exists(cabinet)) {
            Q_EMIT status(plan.downloadFailedText(i));
            return errorStop();
        }
        if (result != 0)
            continue; // only an older cabinet is there: this update is skipped
        Q_EMIT status(u"استخراج ملفات التحديث ..."_s);
        bool replaced = false;
        if (!installCabinet(cabinet, qint16(i), replaced)) {
            Q_EMIT status(kExtractFailed);
            return errorStop();
        }
        if (replaced)
            return End::PlayerReplaced;
        QFile::remove(cabinet);
        ++done;
        if (!SetInstalledNumber(local, qint16(i)))
            return errorStop();
    }

    if (done == 0) {
        Q_EMIT status(u"لم تتم عملية التحميل بنجاح ... يرجى المحاولة في وقت لاحق"_s);
        return errorStop();
    }
    Q_EMIT status(done < plan.total() ? u"تعذر تحميل بعض التحديثات"_s
                                      : u"تم تحميل جميع التحديثات بنجاح"_s);
    QDir(workFolder()).removeRecursively();
    if (restartPlayer) {
        if (closePlayers)
            closePlayers(kPlayerTitle);
        startProgram(playerPath());
    }
    return End::Done;
}

bool UpdateProcedure::installCabinet(const QString &cabinet, qint16 number, bool &replaced)
{
    // An empty work folder: nothing of an earlier cabinet can be taken for part of this one.
    QDir work(workFolder());
    work.removeRecursively();
    if (!QDir().mkpath(workFolder()))
        return false;
    CabFile cab;
    cab.setCabName(cabinet);
    if (!cab.Extract({}, workFolder(), {}))
        return false;

    // Every file first goes beside its target; only when all are there do they take their places.
    QList<StagedFile> files;
    std::optional<StagedFile> replacement;
    int programFilesLeft = 0;
    for (const QString &name : ListFolderFiles(workFolder())) {
        if (name.isEmpty())
            continue;
        StagedFile file{work.filePath(name), {}, {}, placementOf(name)};
        if (m_installed && file.placement != Placement::Catalogue &&
            file.placement != Placement::ReadMe) {
            ++programFilesLeft;
            continue;
        }
        switch (file.placement) {
        case Placement::RunningPlayer:
            continue; // the running player is never overwritten
        case Placement::Catalogue:
            file.target = QDir(path(u"DB"_s)).filePath(name);
            break;
        case Placement::ReplacementPlayer:
        case Placement::ReadMe:
        case Placement::Application:
            file.target = path(name);
            break;
        }
        if (file.placement == Placement::ReplacementPlayer) {
            replacement = file; // files after it wait for the new player
            break;
        }
        files.append(file);
    }
    if (programFilesLeft > 0)
        Q_EMIT status(kProgramFilesLeft);
    if (files.isEmpty() && !replacement) {
        // A cabinet without a file to place is no update, unless all it brought were program
        // files an installed copy leaves out: then it is handled.
        work.removeRecursively();
        return programFilesLeft > 0;
    }
    if (replacement)
        files.append(*replacement);

    bool staged = true;
    for (StagedFile &file : files)
        staged = staged && stage(file);
    if (!staged) {
        for (const StagedFile &file : files)
            QFile::remove(file.staged);
        return false;
    }
    if (replacement) {
        // The update counts as installed before the new player takes over.
        SetInstalledNumber(path(u"updtinfos"_s), number);
        QFile::setPermissions(files.last().staged,
                              QFile::permissions(files.last().staged) | QFileDevice::ExeOwner |
                                  QFileDevice::ExeGroup | QFileDevice::ExeOther);
    }
    for (const StagedFile &file : files) {
        if (!commit(file))
            return false;
        if (file.placement == Placement::ReadMe)
            Q_EMIT readme(readmeText(file.target));
    }
    work.removeRecursively();
    if (replacement) {
        replaced = true;
        QFile::remove(cabinet);
        if (closePlayers)
            closePlayers(kPlayerTitle);
        startProgram(replacement->target);
    }
    return true;
}

UpdateProcedure::End UpdateProcedure::errorStop()
{
    QDir(workFolder()).removeRecursively();
    return End::ErrorStop;
}
