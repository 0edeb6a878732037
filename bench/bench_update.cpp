// Times a whole update of 20 cabinets of 5 MiB each from a server on 127.0.0.1 (download, signature
// check absent, unpacking, placing, recording each), against its floor: one plain download of the
// same number of bytes from the same server in the same run. Figures are printed, never checked.

#include "download.h"
#include "updatefixture.h"
#include "updateprocedure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using namespace UpdateFixture;

namespace {

constexpr int kCabinets = 20;
constexpr qsizetype kCabinetBytes = 5 << 20;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = std::max(1, argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 3);
    QTextStream out(stdout);
    if (!haveGcab()) {
        out << "gcab is not installed\n";
        return 1;
    }
    // Catalogue files of random bytes: cabinets as large as their content, as real updates of
    // packed audio lists nearly are.
    QRandomGenerator random(2026);
    std::vector<QByteArray> cabinets;
    qint64 total = 0;
    for (int n = 1; n <= kCabinets; ++n) {
        QByteArray bytes(kCabinetBytes, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        cabinets.push_back(makeCab({{u"links%1.txt"_s.arg(n), bytes}}));
        total += cabinets.back().size();
    }

    qint64 bestUpdate = -1;
    qint64 bestFloor = -1;
    for (int run = 0; run < runs; ++run) {
        Site site;
        if (!site.prepare(0, kCabinets))
            return 1;
        QByteArray all;
        all.reserve(total);
        for (int n = 1; n <= kCabinets; ++n) {
            site.server().addFile(site.cabinetPath(n), cabinets[n - 1], "application/vnd.ms-cab");
            all += cabinets[n - 1];
        }
        site.server().addFile(u"/all"_s, all, "application/octet-stream");

        QElapsedTimer timer;
        timer.start();
        UpdateProcedure update(site.app());
        update.closePlayers = [](const QString &) {
        };
        update.startProgram = [](const QString &) {
            return true;
        };
        if (update.run(false) != UpdateProcedure::End::Done || site.infoLine2() != u"20"_s) {
            out << "the update did not complete\n";
            return 1;
        }
        const qint64 updateNs = timer.nsecsElapsed();

        QNetworkAccessManager network;
        Download plain(network);
        QEventLoop loop;
        QObject::connect(&plain, &Download::finished, &loop, &QEventLoop::quit);
        QTemporaryDir target;
        timer.restart();
        plain.start(QUrl(site.server().url(u"/all"_s)), target.filePath(u"all"_s));
        loop.exec();
        const qint64 floorNs = timer.nsecsElapsed();
        if (plain.result().status != Download::Status::Success)
            return 1;
        bestUpdate = bestUpdate < 0 ? updateNs : std::min(bestUpdate, updateNs);
        bestFloor = bestFloor < 0 ? floorNs : std::min(bestFloor, floorNs);
    }
    out << "update of " << kCabinets << " cabinets, " << total / (1024 * 1024)
        << " MiB in all, from 127.0.0.1; best of " << runs << " runs\n";
    out << "  whole update:                 " << bestUpdate / 1000000 << " ms\n";
    out << "  floor, one plain download:    " << bestFloor / 1000000 << " ms\n";
    out << "  update / floor:               "
        << QString::number(double(bestUpdate) / bestFloor, 'f', 2) << "x\n";
    return 0;
}
