#include "updateprocedure.h"

#include "apppaths.h"
#include "atomicfile.h"
#include "cabinetinstall.h"
#include "codepage.h"
#include "download.h"
#include "fileplacement.h"
#include "folderlock.h"
#include "general.h"
#include "linkpolicy.h"
#include "playerwindows.h"
#include "updateinfo.h"
#include "updateplan.h"
#include "updatesignature.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QThread>

#include <type_traits>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kMissingFile = u"أحد الملفات اللازمة للتحديث ناقص"_s;
const QString kDownloadFailed = u"فشلت عملية التحميل، الرجاء المحاولة مرة أخرى"_s;
const QString kNotUpdateInfo = u"الملف updtinfos غير صالح"_s;
const QString kExtracting = u"استخراج ملفات التحديث ..."_s;
const QString kExtractFailed = u"حدث خطأ أثناء استخراج ملفات التحديث"_s;
const QString kAllDone = u"تم تحميل جميع التحديثات بنجاح"_s;
const QString kAlreadyRunning =
    u"يجري تحديث البرنامج الآن في نافذة أخرى؛ انتظر حتى ينتهي، ثم حاول مرة أخرى إن لزم."_s;
// Said when an update brought program files that an installed copy leaves to its package.
const QString kProgramFilesLeft =
    u"البرنامج مثبَّت من حزمة النظام، فيُحدَّث الفهرس وحده، ويتولى مدير الحزم تحديث البرنامج نفسه؛ "
    u"لذا لم تُنسخ ملفات البرنامج التي جاءت مع هذا التحديث."_s;
// Said when an update brought program files without a signature of a trusted publisher.
const QString kUnsignedProgramFiles =
    u"لم تُنسخ ملفات البرنامج التي جاءت مع هذا التحديث لأنها غير موقَّعة من ناشر البرنامج؛ "
    u"نُسخت ملفات الفهرس وحدها."_s;
const QString kRestartFailed = u"تعذر تشغيل البرنامج من جديد بعد التحديث؛ شغِّله بنفسك."_s;
const QString kReplacementFailed = u"نُسخ البرنامج الجديد، لكن تعذر تشغيله؛ شغِّل البرنامج بنفسك."_s;
// The text the player's main window caption holds; the players to close are found by it.
const QString kPlayerTitle = u"Marvoli"_s;
const QString kLockName = u".renfold.lock"_s;
const QString kInfoName = QString::fromLatin1(AppPaths::kUpdateInfoFile);
const QString kCabinetName = u"MVupdates.cab"_s;
// A read-me is shown, not kept in memory whole, however large the file an update brought.
constexpr qint64 kMaxReadmeBytes = 1 << 20;

QString readmeText(const QString &path)
{
    QFile file(path);
    QString text;
    if (!file.open(QIODevice::ReadOnly))
        return text;
    CodePage::forEachLine(file.read(kMaxReadmeBytes), [&text](QByteArrayView line) {
        text += u"\r\n"_s + CodePage::decode(line);
    });
    return text;
}

// Runs work on a thread of its own while this one goes on handling events (the window stays
// live, and a cancel reaches the work); returns what the work returned.
template<typename Work>
std::invoke_result_t<Work> runOffThread(Work work)
{
    std::invoke_result_t<Work> result{};
    QEventLoop loop;
    const std::unique_ptr<QThread> thread(QThread::create([&] { result = work(); }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    return result;
}

} // namespace

// What the check of the update information found.
struct UpdateProcedure::Check
{
    qint16 installed = 0;
    qint16 newest = 0;
    qint16 complete = -1;
    QStringList templates;
};

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

bool UpdateProcedure::lockFolder()
{
    if (m_lock)
        return true;
    auto lock = std::make_unique<FolderLock>(path(kLockName));
    if (!lock->tryLock()) {
        Q_EMIT status(kAlreadyRunning);
        return false;
    }
    m_lock = std::move(lock);
    FilePlacement::recover(m_appFolder, path(kInfoName));
    // A cabinet and a work folder a killed run left are no part of any later update.
    QFile::remove(path(kCabinetName));
    QDir(workFolder()).removeRecursively();
    return true;
}

void UpdateProcedure::cancel()
{
    m_cancelled = true;
    if (m_download)
        m_download->cancel();
}

int UpdateProcedure::DownloadFile(const QString &address, const QString &target, qint64 maxBytes)
{
    QCoreApplication::processEvents();
    if (m_cancelled || linkKind(address) != LinkKind::Web)
        return 1;
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    Download download(*m_network);
    download.setStallTimeout(m_stallTimeout);
    download.setMaxBytes(maxBytes);
    download.setMinimumRate(m_minimumBytes, m_rateWindow);
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
    if (!lockFolder())
        return End::AlreadyRunning;
    m_running = true;
    m_cancelled = false;
    m_installedThisRun = 0;
    Check found;
    End end = check(found);
    if (end == End::Done)
        end = install(found, restartPlayer);
    m_running = false;
    return end;
}

UpdateProcedure::End UpdateProcedure::check(Check &found)
{
    Q_EMIT status(u"جاري تحديث البرنامج وقاعدة البيانات"_s);
    QDir().mkpath(workFolder());
    const QString local = path(kInfoName);
    const UpdateInfo mine = readUpdateInfo(local, UpdateInfoUse::Installed);
    if (mine.status == UpdateInfoStatus::Missing) {
        Q_EMIT status(kMissingFile);
        return End::CheckFailed;
    }
    if (!mine.isValid()) {
        Q_EMIT status(kMissingFile); // the file is there, but says nothing usable
        return errorStop();
    }
    found.installed = mine.number;

    Q_EMIT status(u"جاري فحص آخر التحديثات اللازمة"_s);
    const QString fresh = QDir(workFolder()).filePath(kInfoName);
    QFile::remove(fresh); // a copy left by an earlier run says nothing about the server now
    int result = 0;
    for (const QString &address : mine.infoAddresses)
        if ((result = DownloadFile(address, fresh, kMaxInfoBytes)) == 0)
            break;
    if (m_cancelled)
        return End::Cancelled;
    if (result != 0) {
        Q_EMIT status(kDownloadFailed);
        return End::CheckFailed;
    }
    const UpdateInfo offered = readUpdateInfo(fresh, UpdateInfoUse::Offered);
    switch (offered.status) {
    case UpdateInfoStatus::Missing:
        Q_EMIT status(kMissingFile);
        return End::CheckFailed;
    case UpdateInfoStatus::NotUpdateInfo:
        Q_EMIT status(kNotUpdateInfo);
        return End::CheckFailed;
    case UpdateInfoStatus::BadNumber:
        Q_EMIT status(kNotUpdateInfo);
        return errorStop();
    default:
        break;
    }
    if (offered.number < 0) {
        Q_EMIT status(kNotUpdateInfo);
        return End::CheckFailed;
    }
    found.newest = offered.number;
    if (found.newest <= found.installed) {
        Q_EMIT status(u"لا توجد تحديثات جديدة"_s);
        return End::NoUpdates;
    }
    if (!offered.isValid()) {
        Q_EMIT status(kNotUpdateInfo);
        return errorStop();
    }
    found.complete = offered.completeNumber;
    found.templates = offered.cabinetTemplates;

    // The server's copy becomes the local one (its addresses serve the next check), written once
    // with line 2 still the installed number; the old one is kept beside it.
    QByteArray bytes;
    QByteArray freshBytes;
    std::optional<QByteArray> composed;
    if (!readRegularFile(local, bytes) || !readRegularFile(fresh, freshBytes) ||
        !(composed = withInstalledNumber(freshBytes, found.installed)) ||
        !writeFileAtomically(local + u".bak"_s, bytes) || !writeFileAtomically(local, *composed)) {
        Q_EMIT status(kDownloadFailed);
        return errorStop();
    }
    QFile::remove(fresh);
    return End::Done;
}

bool UpdateProcedure::fetchCabinet(const Check &found, int number, QString &address)
{
    const QString cabinet = path(kCabinetName);
    // A cabinet an earlier run left is no part of this update, whatever it holds.
    QFile::remove(cabinet);
    int result = 1;
    for (const QString &addressTemplate : found.templates) {
        address = cabinetAddress(addressTemplate, number);
        if ((result = DownloadFile(address, cabinet, kMaxCabinetBytes)) == 0)
            return true;
        if (m_cancelled)
            return false;
    }
    return false;
}

bool UpdateProcedure::fetchSignature(const QString &cabinetAddress,
                                     std::optional<QByteArray> &signature)
{
    QDir().mkpath(workFolder()); // the previous update's unpacking removed it
    const QString target = QDir(workFolder()).filePath(kCabinetName + u".minisig"_s);
    const int result = DownloadFile(cabinetAddress + u".minisig"_s, target, kMaxSignatureBytes);
    if (result == 404 || result == 410)
        return true; // the publisher did not sign it
    QByteArray bytes;
    if (result != 0 || !readRegularFile(target, bytes))
        return false;
    QFile::remove(target);
    signature = bytes;
    return true;
}

UpdateProcedure::End UpdateProcedure::install(const Check &found, bool restartPlayer)
{
    const UpdatePlan plan = planUpdates(found.installed, found.newest, found.complete);
    if (!plan.countText.isEmpty())
        Q_EMIT status(plan.countText);
    const QString local = path(kInfoName);
    const QString cabinet = path(kCabinetName);
    const QList<UpdateKey> keys = readUpdateKeys(path(QLatin1StringView(kUpdateKeysFile)));

    for (int i = plan.first; i <= plan.last; ++i) {
        Q_EMIT status(plan.progressText(i));
        QString address;
        std::optional<QByteArray> signature;
        // Without a trusted key no signature could be checked: none is fetched.
        const bool fetched = fetchCabinet(found, i, address) &&
                             (keys.isEmpty() || fetchSignature(address, signature));
        if (m_cancelled) {
            QFile::remove(cabinet);
            return End::Cancelled;
        }
        if (!fetched) {
            QFile::remove(cabinet);
            Q_EMIT status(plan.downloadFailedText(i));
            return errorStop();
        }

        Q_EMIT status(kExtracting);
        CabinetInstall job{m_appFolder, workFolder(), cabinet, qint16(i),
                           m_installed, signature,    keys,    {}};
        job.progress = [this](int done, int total) {
            const QString text =
                kExtracting + u" "_s + QString::number(done) + u" من "_s + QString::number(total);
            QMetaObject::invokeMethod(
                this, [this, text] { Q_EMIT status(text); }, Qt::QueuedConnection);
        };
        FilePlacement placement(m_appFolder);
        const CabinetInstall::Result unpacked =
            runOffThread([&] { return job.run(placement, m_cancelled); });
        QFile::remove(cabinet);
        if (unpacked.outcome == CabinetInstall::Outcome::Cancelled)
            return End::Cancelled;
        // The update counts as installed only once every file of it is in place.
        const bool recorded = unpacked.outcome == CabinetInstall::Outcome::Placed &&
                              SetInstalledNumber(local, qint16(i));
        if (!recorded) {
            placement.rollBack();
            Q_EMIT status(kExtractFailed);
            return errorStop();
        }
        placement.finish();
        ++m_installedThisRun;
        if (unpacked.programFiles == CabinetInstall::LeftOut::InstalledCopy)
            Q_EMIT status(kProgramFilesLeft);
        else if (unpacked.programFiles == CabinetInstall::LeftOut::Unsigned)
            Q_EMIT status(kUnsignedProgramFiles);
        for (const QString &readmePath : unpacked.readmes)
            Q_EMIT readme(readmeText(readmePath));
        if (!unpacked.replacement.isEmpty()) {
            // Later files and updates are left for the new player and the next run.
            QDir(workFolder()).removeRecursively();
            if (closePlayers)
                closePlayers(kPlayerTitle);
            if (startProgram(unpacked.replacement))
                return End::PlayerReplaced;
            Q_EMIT status(kReplacementFailed);
            return End::Done;
        }
    }

    QDir(workFolder()).removeRecursively();
    Q_EMIT status(kAllDone);
    if (restartPlayer) {
        if (closePlayers)
            closePlayers(kPlayerTitle);
        if (!startProgram(playerPath()))
            Q_EMIT status(kAllDone + u"\n"_s + kRestartFailed);
    }
    return End::Done;
}

UpdateProcedure::End UpdateProcedure::errorStop()
{
    QDir(workFolder()).removeRecursively();
    return End::ErrorStop;
}
