// Times what the remembered positions cost while a tape plays: one note and a write of a full
// list (200 Arabic file paths), as happens at most every 30 seconds and at each stop, and reading
// that list back, as at every start. Figures are printed, never checked.

#include "resumepositions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = std::max(1, argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"positions.txt"_s);
    ResumePositions positions(path);
    for (int i = 0; i < ResumePositions::kLimit; ++i)
        positions.note(u"/home/مستمع/تلاوات/القارئ %1/سورة البقرة %1.mp3"_s.arg(i),
                       (i + 1) * 60 * 1000, 400 * 60 * 1000);
    if (!positions.save())
        return 1;

    qint64 bestWrite = -1;
    qint64 bestRead = -1;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        positions.note(u"/home/مستمع/تلاوات/القارئ 7/سورة البقرة 7.mp3"_s, (run + 2) * 60 * 1000,
                       400 * 60 * 1000);
        positions.save();
        const qint64 write = timer.nsecsElapsed();
        timer.restart();
        ResumePositions read(path);
        read.load();
        const qint64 load = timer.nsecsElapsed();
        if (read.entries().size() != ResumePositions::kLimit)
            return 1;
        bestWrite = bestWrite < 0 ? write : std::min(bestWrite, write);
        bestRead = bestRead < 0 ? load : std::min(bestRead, load);
    }
    QTextStream out(stdout);
    out << "positions file of " << ResumePositions::kLimit << " entries, best of " << runs
        << " runs\n";
    out << "  note + atomic write: " << bestWrite / 1000 << " us\n";
    out << "  read:                " << bestRead / 1000 << " us\n";
    return 0;
}
