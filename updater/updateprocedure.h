#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Download;
class FolderLock;
class QNetworkAccessManager;

// The update itself, without a window: fetches the update information, downloads each missing
// update cabinet, unpacks it and places its files, and records each installed update. Texts for
// the user come out through status(); the window decides how to show them.
//
// An update is installed whole or not at all: its files are placed together (FilePlacement), and
// the installed number in "updtinfos" moves only once they are all in place, so a kill, a full
// disk or a failed rename at any point leaves a number whose files are all there, and the next
// run installs the rest. One run at a time works on an application folder. What a server sends
// is bounded in size and rate, and no program file from an update is placed unless its publisher
// signed the cabinet.
//
// An installed copy (setInstalled) gets catalogue updates only; the package manager updates the
// programs.
class UpdateProcedure : public QObject
{
    Q_OBJECT

public:
    // How a run ended, which decides the state the window is left in.
    enum class End
    {
        CheckFailed,    // a check before any change: the user may try again
        NoUpdates,      // nothing newer than what is installed
        ErrorStop,      // a download or unpacking failed
        Done,           // the updates of the range were installed
        PlayerReplaced, // a replacement player was placed and started: the updater ends
        Cancelled,
        AlreadyRunning, // another updater works on the same application folder
    };

    // Limits of what a server may send.
    static constexpr qint64 kMaxInfoBytes = 1 << 20;
    static constexpr qint64 kMaxCabinetBytes = qint64(1) << 30;
    static constexpr qint64 kMaxSignatureBytes = 64 << 10;

    explicit UpdateProcedure(QString appFolder, QObject *parent = nullptr);
    ~UpdateProcedure() override;

    // Closing the running players and starting a program; the desktop's ways unless a test gives
    // its own.
    std::function<void(const QString &titleFragment)> closePlayers;
    std::function<bool(const QString &program)> startProgram;

    // Where the programs themselves are (the player is started from there again after an
    // update); the application folder unless set. An installed copy's programs are in bin/.
    void setProgramFolder(QString folder) { m_programFolder = std::move(folder); }
    // An installed copy's programs belong to the system's package manager: only catalogue files
    // and read-mes are placed, the program files an update brings are left out.
    void setInstalled(bool installed) { m_installed = installed; }
    bool installed() const { return m_installed; }

    // A transfer that receives nothing for this long is given up (30 s unless set).
    void setStallTimeout(std::chrono::milliseconds timeout) { m_stallTimeout = timeout; }
    // A transfer that brings fewer than bytes in any window is given up (1 KiB/s over 60 s
    // unless set).
    void setMinimumRate(qint64 bytes, std::chrono::milliseconds window)
    {
        m_minimumBytes = bytes;
        m_rateWindow = window;
    }

    // Takes the application folder for this updater alone, and completes or undoes what a run
    // that was killed left half done. False, with a status saying so, when another updater holds
    // it.
    bool lockFolder();
    bool holdsFolder() const { return m_lock != nullptr; }

    // Runs the whole update; returns how it ended. With restartPlayer the player is closed and
    // started again after a successful run. Events keep being processed while it downloads and
    // unpacks.
    End run(bool restartPlayer);
    // Stops a run at its next step (a download in progress is broken off, unpacking stops
    // before the next file).
    void cancel();
    bool running() const { return m_running; }
    // Updates the last run installed.
    int installedThisRun() const { return m_installedThisRun; }

    // Downloads address into target, replacing it only when complete and at most maxBytes long:
    // 0 on success, otherwise a failure code (the HTTP status, or 1 for any other failure).
    int DownloadFile(const QString &address, const QString &target, qint64 maxBytes);

    QString path(const QString &name) const;
    QString workFolder() const { return path(QStringLiteral("Updates")); }
    // The player's executable in the program folder.
    QString playerPath() const;

Q_SIGNALS:
    // A status text for the user.
    void status(const QString &text);
    // A read-me an update brought, to be shown.
    void readme(const QString &text);

private:
    struct Check;
    End check(Check &found);
    End install(const Check &found, bool restartPlayer);
    // Downloads update number's cabinet (and its signature); false, with the status said, when
    // the update cannot be had. address is the cabinet's address that answered.
    bool fetchCabinet(const Check &found, int number, QString &address);
    // Fetches the detached signature served beside the cabinet. False on a failure other than
    // "there is none" (404 or 410); signature stays empty when there is none.
    bool fetchSignature(const QString &cabinetAddress, std::optional<QByteArray> &signature);
    End errorStop();

    QString m_appFolder;
    QString m_programFolder;
    bool m_installed = false;
    std::unique_ptr<FolderLock> m_lock;
    std::unique_ptr<QNetworkAccessManager> m_network;
    Download *m_download = nullptr;
    std::chrono::milliseconds m_stallTimeout{30000};
    qint64 m_minimumBytes = 60 * 1024;
    std::chrono::milliseconds m_rateWindow{60000};
    bool m_running = false;
    int m_installedThisRun = 0;
    std::atomic_bool m_cancelled = false;
};
