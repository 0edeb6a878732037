#include "startupreport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

std::optional<qint64> launchedAt()
{
    static const std::optional<qint64> value = []() -> std::optional<qint64> {
        bool ok = false;
        const qint64 ms = qEnvironmentVariable("MARVOLI_STARTUP_REPORT").toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        return ms;
    }();
    return value;
}

qint64 sinceLaunch()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() -
           *launchedAt();
}

qint64 rootsAt = -1;

// The high-water mark of the resident set, as the kernel keeps it.
qint64 peakKib()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

class FirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            const qint64 shown = sinceLaunch();
            watched->removeEventFilter(this);
            std::fprintf(stderr, "marvoli-startup roots=%lld shown=%lld peak-kib=%lld\n",
                         static_cast<long long>(rootsAt), static_cast<long long>(shown),
                         static_cast<long long>(peakKib()));
            std::fflush(stderr);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

} // namespace

namespace StartupReport {

void rootsFilled()
{
    if (launchedAt() && rootsAt < 0)
        rootsAt = sinceLaunch();
}

void quitWhenShown(QWidget *window)
{
    if (launchedAt())
        window->installEventFilter(new FirstPaint(window));
}

} // namespace StartupReport
