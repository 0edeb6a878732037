#pragma once

#include "download.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class Playback;
class QNetworkAccessManager;
class QWidget;

// What a save asks for: the caption of its windows, the folder proposed, the link and the file
// proposed in that folder.
struct DownloadRequest
{
    QString Title;
    QString Folder;
    QString Url;
    QString TargetFile;
};

// The commands that keep a copy of a tape's audio: its link copied to the clipboard, or the audio
// saved to a file of the user's choice while a progress dialog shows how far it got. Each exists
// for the tape of the tree's popup, the tape playing (tray) and, for copying, the tape last
// started (main menu).
class AudioSaving : public QObject
{
    Q_OBJECT

public:
    enum class Format
    {
        Mp3,
        Rm,
    };
    // Asks where to save: gets the proposed path, returns the chosen one (empty: cancelled).
    using FileChooser = std::function<QString(const QString &title, const QString &proposed)>;

    // appFolder resolves relative file links; sourceKey gives the key of the popup's node.
    AudioSaving(Playback &playback, QString appFolder, QWidget *window,
                std::function<QString()> sourceKey);
    ~AudioSaving() override;

    // The save dialog (a file dialog unless a test gives its own).
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // Main menu: copy a link of the tape last started.
    void SaveMP3_Click();
    void SaveRM_Click();
    // Popup: copy or save a link of the popup's tape.
    void mnuSaveMP3_Click();
    void mnuSaveRM_Click();
    void mnuDMP3_Click();
    void mnuDRM_Click();
    // Tray: copy or save a link of the tape playing; nothing when none plays.
    void copyPlayingLink(Format format);
    void SaveMP3Now();
    void savermNow();

    // The file name a tape is proposed under: its title without line breaks or "/" (never empty,
    // never hidden) and the extension of its link's format.
    static QString safeFileName(const QString &title, const QString &link);
    // The user's download folder, or the home folder when there is none.
    static QString downloadFolder();
    // "The MP3 (or RM) link is not available for this tape".
    static QString missingLinkText(Format format);
    // Why a save failed, in the words the player uses for links it cannot open.
    static QString failureText(const Download::Result &result, const QString &target);

    // Downloads the request's link into a file the user chooses, with a progress dialog.
    void DownloadWithDialog(const DownloadRequest &request);

private:
    void copyLink(const QString &link, Format format);
    void saveTape(const QString &tapeKey, Format format);
    void showMessage(const QString &text, const QString &name, bool leftToRight = false);

    Playback &m_playback;
    QString m_appFolder;
    QWidget *m_window;
    std::function<QString()> m_sourceKey;
    FileChooser m_chooseFile;
    std::unique_ptr<QNetworkAccessManager> m_network;
};
