#include "audiosaving.h"

#include "linkpolicy.h"
#include "mpvplayer.h"
#include "playback.h"
#include "tapekeys.h"
#include "taperecord.h"
#include "widgets.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QProgressBar>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSaveTitle = u"حفظ المادة الصوتية"_s;
// File names are limited in bytes; Arabic letters take two each.
constexpr int kLongestName = 120;

QString linkOf(const QString &tapeKey, AudioSaving::Format format)
{
    const LinkPair links = ExtractLinks(tapeKey);
    return format == AudioSaving::Format::Mp3 ? links.mp3 : links.rm;
}

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes);
}

} // namespace

AudioSaving::AudioSaving(Playback &playback, QString appFolder, QWidget *window,
                         std::function<QString()> sourceKey)
    : QObject(window)
    , m_playback(playback)
    , m_appFolder(std::move(appFolder))
    , m_window(window)
    , m_sourceKey(std::move(sourceKey))
    , m_chooseFile([this](const QString &title, const QString &proposed) {
        return QFileDialog::getSaveFileName(m_window, title, proposed);
    })
{}

AudioSaving::~AudioSaving() = default;

// ---- copying links --------------------------------------------------------------------------

void AudioSaving::SaveMP3_Click()
{
    // Offered only while the tape last started has this link.
    QGuiApplication::clipboard()->setText(m_playback.CurrentMP3Link());
}

void AudioSaving::SaveRM_Click()
{
    QGuiApplication::clipboard()->setText(m_playback.CurrentRMLink());
}

void AudioSaving::mnuSaveMP3_Click()
{
    copyLink(linkOf(m_sourceKey(), Format::Mp3), Format::Mp3);
}

void AudioSaving::mnuSaveRM_Click()
{
    copyLink(linkOf(m_sourceKey(), Format::Rm), Format::Rm);
}

void AudioSaving::copyPlayingLink(Format format)
{
    const QString &played = m_playback.PlayedNode();
    if (played.isEmpty())
        return;
    copyLink(linkOf(played, format), format);
}

void AudioSaving::copyLink(const QString &link, Format format)
{
    if (link.isEmpty()) {
        showMessage(missingLinkText(format), u"missingLink"_s, true);
        return;
    }
    QGuiApplication::clipboard()->setText(link);
}

QString AudioSaving::missingLinkText(Format format)
{
    return u"غير متوفر بالنسبة لهذا الشريط"_s + (format == Format::Mp3 ? u" MP3 "_s : u" RM "_s) +
           u"الرابط"_s;
}

// ---- saving ---------------------------------------------------------------------------------

void AudioSaving::mnuDMP3_Click()
{
    saveTape(m_sourceKey(), Format::Mp3);
}

void AudioSaving::mnuDRM_Click()
{
    saveTape(m_sourceKey(), Format::Rm);
}

void AudioSaving::SaveMP3Now()
{
    if (!m_playback.PlayedNode().isEmpty())
        saveTape(m_playback.PlayedNode(), Format::Mp3);
}

void AudioSaving::savermNow()
{
    if (!m_playback.PlayedNode().isEmpty())
        saveTape(m_playback.PlayedNode(), Format::Rm);
}

void AudioSaving::saveTape(const QString &tapeKey, Format format)
{
    const QString link = linkOf(tapeKey, format);
    if (link.isEmpty()) {
        showMessage(missingLinkText(format), u"missingLink"_s, true);
        return;
    }
    DownloadRequest request;
    request.Title = kSaveTitle;
    request.Folder = downloadFolder();
    request.Url = link;
    // The tape's own title, whichever tape plays.
    request.TargetFile =
        QDir(request.Folder).filePath(safeFileName(TapeKeys::DisplayTitle(tapeKey), link));
    DownloadWithDialog(request);
}

QString AudioSaving::downloadFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

QString AudioSaving::safeFileName(const QString &title, const QString &link)
{
    QString name;
    name.reserve(title.size());
    for (const QChar c : title)
        name.append(c.isPrint() && c != u'/' && c != u'\\' ? c : u' ');
    name = name.simplified();
    while (name.startsWith(u'.')) // a leading dot would hide the file
        name.remove(0, 1);
    name = name.left(kLongestName).trimmed();
    if (name.isEmpty())
        name = u"شريط"_s;
    const bool realMedia = link.trimmed().endsWith(u".rm"_s, Qt::CaseInsensitive);
    return name + (realMedia ? u".rm"_s : u".mp3"_s);
}

void AudioSaving::DownloadWithDialog(const DownloadRequest &request)
{
    QUrl url;
    switch (linkKind(request.Url)) {
    case LinkKind::Refused:
        showMessage(ClipFailures::messageFor(ClipFailure::Refused), u"saveFailed"_s);
        return;
    case LinkKind::Web:
        url = QUrl(openableLink(request.Url, m_appFolder));
        break;
    case LinkKind::LocalFile:
        url = QUrl::fromLocalFile(openableLink(request.Url, m_appFolder));
        break;
    }
    // The old file at the chosen place stays until the new one is complete.
    const QString target = m_chooseFile(request.Title, request.TargetFile);
    if (target.isEmpty())
        return;

    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    auto *download = new Download(*m_network, this);
    auto *dialog = new QProgressDialog(m_window);
    dialog->setObjectName(u"downloadProgress"_s);
    dialog->setWindowTitle(request.Title);
    dialog->setLabelText(QFileInfo(target).fileName());
    dialog->setCancelButtonText(u"إلغاء"_s);
    auto *bar = new QProgressBar(dialog);
    bar->setObjectName(u"downloadBar"_s);
    bar->setAccessibleName(u"تقدم الحفظ"_s);
    dialog->setBar(bar);
    dialog->setRange(0, 0); // until the size is known
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const QString name = QFileInfo(target).fileName();
    connect(dialog, &QProgressDialog::canceled, download, &Download::cancel);
    connect(download, &Download::progress, dialog, [dialog, name](qint64 received, qint64 total) {
        QString text = name + u'\n' + sizeText(received);
        if (total > 0) {
            dialog->setRange(0, 100);
            dialog->setValue(int(received * 100 / total));
            text += u" من "_s + sizeText(total);
        }
        dialog->setLabelText(text);
    });
    connect(download, &Download::finished, this,
            [this, download, dialog](const Download::Result &result) {
                dialog->close();
                download->deleteLater();
                if (result.status != Download::Status::Success &&
                    result.status != Download::Status::Cancelled)
                    showMessage(failureText(result, download->target()), u"saveFailed"_s);
            });
    dialog->show();
    download->start(url, target);
}

QString AudioSaving::failureText(const Download::Result &result, const QString &target)
{
    using Failure = ClipFailure;
    switch (result.status) {
    case Download::Status::HttpError: {
        const bool missing = result.httpStatus == 404 || result.httpStatus == 410;
        return ClipFailures::messageFor(missing ? Failure::NotFound : Failure::Connection) +
               u" (HTTP %1)"_s.arg(result.httpStatus);
    }
    case Download::Status::NetworkError:
        return ClipFailures::messageFor(result.networkError == QNetworkReply::ContentNotFoundError
                                            ? Failure::NotFound
                                            : Failure::Connection);
    case Download::Status::DiskError:
        return u"تعذر حفظ الملف "_s + QFileInfo(target).fileName() +
               u". تأكد من إمكان الكتابة في المجلد ومن وجود مساحة كافية."_s;
    case Download::Status::TooSlow: // as good as no connection
        return ClipFailures::messageFor(Failure::Connection);
    case Download::Status::TooLarge:
        return u"لم يحفظ الملف "_s + QFileInfo(target).fileName() +
               u" لأن حجمه أكبر من الحد المسموح به."_s;
    case Download::Status::Running:
    case Download::Status::Success:
    case Download::Status::Cancelled:
        break;
    }
    return {};
}

void AudioSaving::showMessage(const QString &text, const QString &name, bool leftToRight)
{
    // It does not block: playback goes on while the message waits.
    ShowNotice(m_window, QMessageBox::Information, u"Marvoli"_s, text, name,
               leftToRight ? Qt::LeftToRight : Qt::LayoutDirectionAuto);
}
