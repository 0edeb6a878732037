// The cabinet class on a cabinet image as a server may send it: counting, listing and extracting
// its entries, which must land inside the output folder and nowhere else.

#include "cabfile.h"
#include "fuzzsupport.h"

#include <QDirIterator>
#include <QFileInfo>

namespace {

// Everything below folder (hidden entries too), as paths relative to it; links are not followed.
QStringList contents(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext())
        found.append(base.relativeFilePath(it.next()));
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The cabinet beside a deep output folder, so that a name climbing out of it by a few levels
    // still lands where it is seen. The output folder is emptied after each input.
    const QDir &work = Fuzz::workFolder();
    static const bool made = work.mkpath(QStringLiteral("run/d1/d2/d3/out"));
    FUZZ_CHECK(made);
    const QDir run(work.filePath(QStringLiteral("run")));
    const QString cabPath = run.filePath(QStringLiteral("in.cab"));
    QFile cabFile(cabPath);
    FUZZ_CHECK(cabFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(cabFile.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    cabFile.close();
    const QString out = run.filePath(QStringLiteral("d1/d2/d3/out"));

    CabFile cab;
    cab.setCabName(cabPath);
    const qint32 count = cab.FileCount();
    FUZZ_CHECK(count >= -1);

    QStringList names;
    QObject::connect(&cab, &CabFile::FileFound,
                     [&names](const QString &file, const QDateTime &, qint32, const QString &path) {
                         FUZZ_CHECK(!file.contains(u'\\'));
                         FUZZ_CHECK(path.isEmpty() || path.endsWith(u'\\'));
                         names.append(path + file);
                     });
    if (cab.GetInfo() && count >= 0)
        FUZZ_CHECK(names.size() == count);
    (void)cab.GetXML();

    // Everything, then the first entry alone under another name.
    qsizetype extracted = 0;
    QObject::connect(&cab, &CabFile::AfterExtract, [&extracted, &out](const QString &target) {
        FUZZ_CHECK(target.startsWith(out + u'/'));
        ++extracted;
    });
    if (cab.Extract({}, out, {}))
        FUZZ_CHECK(extracted <= names.size());
    if (!names.isEmpty())
        (void)cab.Extract(names.first(), out, QStringLiteral("renamed.bin"));

    // Nothing outside the output folder but the cabinet and the folders above the output, and
    // no temporary left behind.
    bool written = false;
    for (const QString &entry : contents(work.path())) {
        if (entry == QStringLiteral("run") || entry == QStringLiteral("run/in.cab") ||
            entry == QStringLiteral("run/d1") || entry == QStringLiteral("run/d1/d2") ||
            entry == QStringLiteral("run/d1/d2/d3") || entry == QStringLiteral("run/d1/d2/d3/out"))
            continue;
        if (!entry.startsWith(QStringLiteral("run/d1/d2/d3/out/"))) {
            std::fprintf(stderr, "written outside the output folder: %s\n", qPrintable(entry));
            std::abort();
        }
        FUZZ_CHECK(!QFileInfo(entry).fileName().startsWith(QStringLiteral(".cabpart-")));
        FUZZ_CHECK(!QFileInfo(work.filePath(entry)).isSymLink());
        written = true;
    }
    if (written) {
        QDir output(out);
        FUZZ_CHECK(output.removeRecursively() && output.mkpath(out));
    }
    return 0;
}
