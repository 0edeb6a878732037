// A stand-in for the programs while they rewrite one of their files: it rewrites that file in an
// endless loop through the programs' own routine, alternating between two known contents, so that
// tst_crashsafety can kill it at any moment and look at what is left.
//
//   crash_writer reference <kind> <folder>
//       Writes the first content to the kind's file in folder, then the second, then the first
//       again, and saves the two as folder/expected-a and folder/expected-b. Fails (exit 4) when
//       the routine does not give the same bytes back for the same content.
//   crash_writer loop <kind> <folder> <a|b>
//       The kind's file in folder holds one of the two contents; rewrites it to the other one,
//       starting with the one named, for ever. Prints "r" once ready and "." after each rewrite
//       that returned, unbuffered, so that the test knows how many completed before the kill.
//
// Kinds: catalogue, favourites, additions, recent, config, updateini, updtinfos.

#include "atomicfile.h"
#include "catalogue.h"
#include "catalogueeditor.h"
#include "codepage.h"
#include "general.h"
#include "recentlist.h"
#include "settingsstore.h"
#include "updateinfo.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <functional>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// The lines of a catalogue-like file: lines equal to marker every tenth line, others distinct.
QStringList catalogueLines(const QString &marker)
{
    QStringList lines;
    lines.reserve(20000);
    for (int i = 0; i < 20000; ++i) {
        if (i % 10 == 5)
            lines.append(marker);
        else
            lines.append(
                u"http://tapes.example/%1.rm|القرآن الكريم|القارئ %2|%3 سورة البقرة"_s.arg(i)
                    .arg(i % 37)
                    .arg(i % 114 + 1));
    }
    return lines;
}

const QString kMarkerA = u"http://tapes.example/a.rm|القرآن الكريم|القارئ الأول|001 سورة الفاتحة"_s;
const QString kMarkerB =
    u"http://tapes.example/changed/b.rm|القرآن الكريم|القارئ الثاني بعد التعديل|002 سورة البقرة"_s;

// Lines written to the top of a list file by AppendToFile: the two contents are [x, y, rest...]
// and [y, x, rest...].
const QString kTopX = u"http://tapes.example/x.rm|أشرطتي المفضلة|الشريط الأول"_s;
const QString kTopY = u"http://tapes.example/y/longer.rm|أشرطتي المفضلة|الشريط الثاني الأطول"_s;

QStringList listLines(const QString &first, const QString &second, int rest)
{
    QStringList lines{first, second};
    for (int i = 0; i < rest; ++i)
        lines.append(
            u"http://tapes.example/list/%1.mp3|دروس و خطب|الشيخ %2|الدرس %1"_s.arg(i).arg(i % 53));
    return lines;
}

// The recent list keeps this many old lines behind a new one; its file holds one more.
constexpr int kRecentKept = 3000;
const QString kRecentTitleX = u"سورة الفاتحة - القارئ الأول"_s;
const QString kRecentLinkX = u"http://tapes.example/recent/x.rm"_s;
const QString kRecentTitleY = u"سورة البقرة - القارئ الثاني"_s;
const QString kRecentLinkY = u"http://tapes.example/recent/y-longer-link.rm"_s;

Settings settingsA()
{
    return Settings{};
}

Settings settingsB()
{
    Settings s;
    s.QuranSort = 1;
    s.MaxLignes = 40;
    s.top = 1200;
    s.left = 3000;
    s.width = 6000;
    s.height = 9000;
    s.windowState = Settings::Maximised;
    s.RiwayaFilter = u"ورش عن نافع"_s;
    s.minimiseTarget = Settings::ToTaskbar;
    return s;
}

QStringList updtinfosLines(const QString &number)
{
    QStringList lines{u"[Update] 3"_s, number};
    for (int i = 0; i < 3000; ++i)
        lines.append(u"http://mirror%1.example/updates/updtinfos"_s.arg(i));
    lines.append(u"http://mirror0.example/updates/upd#.cab"_s);
    return lines;
}

struct Kind
{
    QString fileName;
    std::function<bool(const QString &path)> seed;            // writes the first content
    std::function<bool(const QString &path, bool second)> to; // rewrites to either content
};

bool lookUp(const QString &name, Kind &kind)
{
    if (name == u"catalogue") {
        kind.fileName = u"quran.txt"_s;
        kind.seed = [](const QString &path) {
            return writeCodePageLines(path, catalogueLines(kMarkerA));
        };
        kind.to = [](const QString &path, bool second) {
            const qsizetype slash = path.lastIndexOf(u'/');
            Catalogue catalogue(path.left(slash));
            catalogue.CatalogueFiles = {path.mid(slash + 1)};
            CatalogueEditor editor(catalogue);
            return editor
                .ModifyInFile(0, second ? kMarkerA : kMarkerB, second ? kMarkerB : kMarkerA)
                .ok;
        };
    } else if (name == u"favourites" || name == u"additions") {
        kind.fileName = name == u"favourites" ? u"favorites.txt"_s : u"additions.txt"_s;
        kind.seed = [](const QString &path) {
            return writeCodePageLines(path, listLines(kTopX, kTopY, 5000));
        };
        kind.to = [](const QString &path, bool second) {
            return AppendToFile(path, second ? kTopY : kTopX, 0);
        };
    } else if (name == u"recent") {
        kind.fileName = u"last.txt"_s;
        kind.seed = [](const QString &path) {
            return writeCodePageLines(path, listLines(kRecentTitleX + u"***"_s + kRecentLinkX,
                                                      kRecentTitleY + u"***"_s + kRecentLinkY,
                                                      kRecentKept - 1));
        };
        kind.to = [](const QString &path, bool second) {
            RecentList recent(path);
            recent.setMaxLignes(kRecentKept);
            return second ? recent.record(kRecentTitleY, kRecentLinkY)
                          : recent.record(kRecentTitleX, kRecentLinkX);
        };
    } else if (name == u"config") {
        kind.fileName = u"config.ini"_s;
        kind.seed = [](const QString &path) {
            return SettingsStore::save(path, settingsA());
        };
        kind.to = [](const QString &path, bool second) {
            return SettingsStore::save(path, second ? settingsB() : settingsA());
        };
    } else if (name == u"updateini") {
        kind.fileName = u"update.ini"_s;
        kind.seed = [](const QString &path) {
            return writeUpdateIni(path, true);
        };
        kind.to = [](const QString &path, bool second) {
            return writeUpdateIni(path, !second);
        };
    } else if (name == u"updtinfos") {
        kind.fileName = u"updtinfos"_s;
        kind.seed = [](const QString &path) {
            return writeCodePageLines(path, updtinfosLines(u"7"_s));
        };
        kind.to = [](const QString &path, bool second) {
            return SetInstalledNumber(path, second ? qint16(12345) : qint16(7));
        };
    } else {
        return false;
    }
    return true;
}

QByteArray contentOf(const QString &path)
{
    QByteArray bytes;
    return readRegularFile(path, bytes) ? bytes : QByteArray();
}

void say(char c)
{
    // Unbuffered, so that nothing said before a kill is lost.
    while (::write(STDOUT_FILENO, &c, 1) < 0 && errno == EINTR) {
    }
}

int reference(const Kind &kind, const QString &folder)
{
    const QString path = folder + u'/' + kind.fileName;
    if (!kind.seed(path))
        return 3;
    const QByteArray first = contentOf(path);
    if (!kind.to(path, true))
        return 3;
    const QByteArray second = contentOf(path);
    if (!kind.to(path, false))
        return 3;
    if (contentOf(path) != first || first == second)
        return 4;
    if (!writeFileAtomically(folder + u"/expected-a"_s, first) ||
        !writeFileAtomically(folder + u"/expected-b"_s, second))
        return 3;
    return 0;
}

int loop(const Kind &kind, const QString &folder, bool second)
{
    const QString path = folder + u'/' + kind.fileName;
    say('r');
    for (;;) {
        if (!kind.to(path, second))
            return 3;
        say('.');
        second = !second;
    }
}

} // namespace

int main(int argc, char **argv)
{
    Kind kind;
    if (argc < 4 || !lookUp(QString::fromLocal8Bit(argv[2]), kind))
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    if (mode == u"reference")
        return reference(kind, folder);
    if (mode == u"loop" && argc == 5)
        return loop(kind, folder, QByteArrayView(argv[4]) == "b");
    return 2;
}
