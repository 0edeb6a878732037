// One catalogue line through the record routines, the tree path of every grouping order and the
// keys made from it.

#include "codepage.h"
#include "fuzzsupport.h"
#include "tapekeys.h"
#include "taperecord.h"
#include "treepaths.h"

#include <QStringList>

namespace {

bool endsWithKind(const QString &link, QStringView kind)
{
    return link.right(3).compare(kind, Qt::CaseInsensitive) == 0;
}

void checkRecord(const QString &line)
{
    const bool valid = IsValidLine(line);
    const int bangs = InstrCount(line, u"!");
    FUZZ_CHECK(line.isEmpty() ? bangs == -1 : bangs == line.count(u'!'));
    if (valid)
        FUZZ_CHECK(bangs >= 3);
    FUZZ_CHECK(InstrCount(line, u"") == 0);

    // The one-pass split agrees with field by field, and fields never hold the separator.
    const FirstFields first = SplitFirstFields(line);
    FUZZ_CHECK(first.category == RecordField(line, 0));
    FUZZ_CHECK(first.names == RecordField(line, 1));
    FUZZ_CHECK(first.third == RecordField(line, 2));
    const QStringList fields = line.split(u'!');
    for (int n = 0; n < 7; ++n) {
        const QStringView field = RecordField(line, n);
        FUZZ_CHECK(!field.contains(u'!'));
        FUZZ_CHECK(field == (n < fields.size() ? QStringView(fields[n]) : QStringView()));
    }

    // Links are of their kind or empty.
    const LinkPair links = ExtractLinks(line);
    FUZZ_CHECK(links.mp3.isEmpty() || endsWithKind(links.mp3, u"mp3"));
    FUZZ_CHECK(links.rm.isEmpty() || endsWithKind(links.rm, u".rm"));
    const QString linkFields = LinkFields(line);
    FUZZ_CHECK(linkFields.count(u'!') <= 1);

    // Every grouping order gives a path beginning with the category, on fresh lists and on lists
    // that have already met the line.
    if (valid) {
        for (int quran = 0; quran < 4; ++quran) {
            for (int dourous = 0; dourous < 2; ++dourous) {
                TreePaths paths;
                paths.QuranSort = quran;
                paths.DourousSort = dourous;
                qsizetype riwayat = 0;
                paths.setRiwayaListener([&riwayat](qsizetype n, const QString &) {
                    FUZZ_CHECK(n > riwayat);
                    riwayat = n;
                });
                const QString path = paths.BuildPath(line);
                FUZZ_CHECK(path.startsWith(first.category));
                FUZZ_CHECK(paths.BuildPath(line) == path);
                paths.resetLists();
                riwayat = 0;
                FUZZ_CHECK(paths.BuildPath(line) == path);
            }
        }
    }

    // Keys: a tape's key gives its record and category back; a search result's key its own.
    const QString key = TapeKeys::tapeKey(line);
    FUZZ_CHECK(TapeKeys::isTapeKey(key));
    FUZZ_CHECK(TapeKeys::recordOf(key) == line);
    if (!first.category.contains(TapeKeys::searchMark()))
        FUZZ_CHECK(TapeKeys::categoryOf(key) == first.category);
    FUZZ_CHECK(TapeKeys::placeholderKey(key).startsWith(key));
    const QString result = TapeKeys::searchResultKey(u"كتاب", line);
    FUZZ_CHECK(TapeKeys::isSearchResultKey(result));
    if (!first.category.contains(TapeKeys::searchMark()))
        FUZZ_CHECK(TapeKeys::categoryOf(result) == first.category);

    // The records derived from a tape are records of their own category, with its links.
    for (const QString &tape : {key, result}) {
        (void)TapeKeys::DisplayTitle(tape);
        (void)TapeKeys::queueEntryTitle(tape);
        const QString queued = TapeKeys::queueRecord(tape);
        FUZZ_CHECK(RecordField(queued, 0) == TapeKeys::queueCategory());
        const QString favourite = TapeKeys::FavouriteRecord(tape);
        FUZZ_CHECK(RecordField(favourite, 0) == TapeKeys::favouritesCategory());
        // A line holding the search results' mark is taken for a result wherever it stands.
        if (!line.contains(TapeKeys::searchMark())) {
            FUZZ_CHECK(TapeKeys::isQueueEntryKey(TapeKeys::tapeKey(queued)));
            FUZZ_CHECK(TapeKeys::isFavouriteKey(TapeKeys::tapeKey(favourite)));
        }
        if (valid && !RecordField(queued, 1).contains(u'!')) {
            FUZZ_CHECK(ExtractLinks(queued) == links);
            FUZZ_CHECK(LinkFields(queued) == linkFields);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The first line of the input, as a catalogue file holds it.
    const QStringList lines = CodePage::decodeLines(Fuzz::bytes(data, size));
    checkRecord(lines.isEmpty() ? QString() : lines.first());
    return 0;
}
