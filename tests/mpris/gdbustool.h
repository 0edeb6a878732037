#pragma once

// Runs gdbus in a second process, as a desktop would talk to the player, while this process
// keeps answering the bus.

#include <QProcess>
#include <QSignalSpy>
#include <QString>
#include <QStringList>

namespace GDBusTool {

using namespace Qt::Literals::StringLiterals;

inline constexpr int kToolTimeoutMs = 10000;
inline const QString kMprisPath = u"/org/mpris/MediaPlayer2"_s;

struct ToolRun
{
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

inline QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // gdbus prints text in the locale's encoding; the titles are Arabic.
    env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    return env;
}

// Runs a program while this process keeps answering the bus: the service under test lives on
// this thread, so blocking in waitForFinished() would leave the program's call unanswered.
inline ToolRun runTool(const QString &program, const QStringList &args,
                       const QProcessEnvironment &env = toolEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, args);
    ToolRun run;
    if (!process.waitForStarted(kToolTimeoutMs)) {
        run.err = program + u": "_s + process.errorString();
        return run;
    }
    run.finished = finished.wait(kToolTimeoutMs);
    if (!run.finished)
        process.kill();
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

// Calls a method of the service at kMprisPath from another process.
inline ToolRun gdbusCall(const QString &service, const QString &method,
                         const QStringList &args = {})
{
    return runTool(u"gdbus"_s, QStringList{u"call"_s, u"--session"_s, u"--dest"_s, service,
                                           u"--object-path"_s, kMprisPath, u"--method"_s, method} +
                                   args);
}

} // namespace GDBusTool
