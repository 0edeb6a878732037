#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class Download;
class QNetworkAccessManager;

// The update itself, without a window: fetches the update information, downloads each missing
// update cabinet, unpacks it and places its files, and records each installed update. Texts for
// the user come out through status(); the window decides how to show them.
//
// Whatever fails, the installation stays as it was before the failing update: a cabinet is
// unpacked into an empty work folder, its files are placed only once all of them were unpacked
// and staged beside their targets, and the installed number moves only after they are all in
// place. Nothing is written outside the application folder.
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
        Done,           // the updates of the range were handled (some may have been skipped)
        PlayerReplaced, // a replacement player was placed and started: the updater ends
        Cancelled,
    };

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

    // Runs the whole update; returns how it ended. With restartPlayer the player is closed and
    // started again after a successful run. Events keep being processed while it downloads.
    End run(bool restartPlayer);
    // Stops a run at its next step (a download in progress is broken off).
    void cancel();
    bool running() const { return m_running; }

    // Downloads address into target, replacing it only when complete: 0 on success, otherwise
    // a failure code (the HTTP status, or 1 for any other failure).
    int DownloadFile(const QString &address, const QString &target);

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
    End check(qint16 &installed, qint16 &newest, qint16 &complete, QStringList &templates);
    End install(qint16 installed, qint16 newest, qint16 complete, const QStringList &templates,
                bool restartPlayer);
    // Unpacks the cabinet into a fresh work folder and places its files. False on any failure,
    // with nothing placed; replaced is set when the update brought a replacement player.
    bool installCabinet(const QString &cabinet, qint16 number, bool &replaced);
    End errorStop();

    QString m_appFolder;
    QString m_programFolder;
    bool m_installed = false;
    std::unique_ptr<QNetworkAccessManager> m_network;
    Download *m_download = nullptr;
    std::chrono::milliseconds m_stallTimeout{30000};
    bool m_running = false;
    bool m_cancelled = false;
};
