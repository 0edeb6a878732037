// The recently played list "last.txt": reading it, its menu captions, and recording a tape on top
// of what was read.

#include "fuzzsupport.h"
#include "recentlist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte chooses the list's bounds, the rest is the file.
    const int maxTitle = data[0] % 16 - 2;
    const int maxLines = data[0] / 16 - 2;
    const QString path =
        Fuzz::writeInput(QStringLiteral("last.txt"), Fuzz::bytes(data + 1, size - 1));

    RecentList recent(path);
    recent.setMaxTitleLen(maxTitle);
    recent.setMaxLignes(maxLines);
    recent.reload();
    const QStringList lines = recent.RecentLines();
    for (const QString &line : lines) {
        FUZZ_CHECK(!RecentList::isBlank(line));
        const QString title = RecentList::titleOf(line);
        const QString link = RecentList::linkOf(line);
        FUZZ_CHECK(line.startsWith(title));
        FUZZ_CHECK(link.isEmpty() || line.contains(link));
        const QString caption = recent.caption(line);
        FUZZ_CHECK(caption.size() <= std::max(title.size(), qsizetype(3)));
    }

    // A tape recorded on top comes first, and at most maxLines of the old lines stay behind it.
    if (!lines.isEmpty()) {
        const QString title = RecentList::titleOf(lines.last());
        const QString link = QStringLiteral("https://example.org/a.mp3");
        FUZZ_CHECK(recent.record(title, link));
        recent.reload();
        FUZZ_CHECK(!recent.RecentLines().isEmpty());
        const QString top = recent.RecentLines().first();
        if (!RecentList::isBlank(title)) {
            FUZZ_CHECK(RecentList::titleOf(top) == title);
            FUZZ_CHECK(RecentList::linkOf(top) == link);
        }
        if (maxLines > 0)
            FUZZ_CHECK(recent.RecentLines().size() <= maxLines + 1);
    }
    return 0;
}
