#include "fileparsing.h"

#include "codepage.h"
#include "general.h"
#include "taperecord.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

ParsedFile parseCatalogueFile(const QString &path, const TreePaths &paths)
{
    ParsedFile file;
    if (!readRegularFile(path, file.bytes))
        return file;
    file.readable = true;
    if (std::size_t(file.bytes.size()) > std::numeric_limits<std::uint32_t>::max() / 2) {
        file.tooLarge = true;
        file.bytes = QByteArray();
        return file;
    }

    // About a hundred bytes a line.
    file.records.reserve(std::size_t(file.bytes.size() / 100 + 16));
    // Values already given by this file, per list: only the first of each is kept.
    std::array<KnownList, 5> seen;
    TreePaths::KindCache kinds;
    QString line;
    TreePaths::Shape shape;
    QByteArray pathBytes;
    const char *start = file.bytes.constData();
    CodePage::forEachLine(file.bytes, [&](QByteArrayView raw) {
        if (file.slow)
            return;
        CodePage::decodeInto(raw, line);
        if (!IsValidLine(line))
            return;
        paths.shapeOf(line, kinds, shape);
        for (int i = 0; i < shape.valueCount; ++i) {
            const TreePaths::KnownValue &v = shape.values[i];
            if (seen[std::size_t(v.list)].addIfNew(v.value) > 0)
                file.firstSeen.emplace_back(v.list, v.value.toString());
        }
        // The line is its bytes decoded one to one: a part of it lies at the same place in its
        // bytes. The path is put together from its parts' bytes; a part joined from several
        // names goes back into the code page.
        const auto inLine = [&](QStringView part) {
            const auto at = std::uintptr_t(part.data());
            const auto begin = std::uintptr_t(line.constData());
            return part.isEmpty() ||
                   (at >= begin && at + std::uintptr_t(part.size()) * sizeof(QChar) <=
                                       begin + std::uintptr_t(line.size()) * sizeof(QChar));
        };
        const auto bytesOf = [&](QStringView field) {
            return field.isEmpty() ? QByteArrayView()
                                   : raw.sliced(field.data() - line.constData(), field.size());
        };
        pathBytes.resize(shape.path.size());
        char *out = pathBytes.data();
        for (int k = 0; k < shape.partCount; ++k) {
            const QStringView part = shape.parts[k];
            if (k)
                *out++ = '/';
            if (inLine(part)) {
                if (!part.isEmpty())
                    std::memcpy(out, bytesOf(part).data(), std::size_t(part.size()));
            } else if (!CodePage::tryEncodeInto(part, out)) {
                file.slow = true;
                return;
            }
            out += part.size();
        }
        file.records.add(pathBytes, bytesOf(shape.category), bytesOf(shape.third),
                         std::uint32_t(raw.data() - start), std::uint32_t(raw.size()));
        file.recordBytes += raw.size();
    });
    return file;
}

void forEachParsedInOrder(int count, int threads, const std::function<ParsedFile(int)> &parse,
                          const std::function<void(int, ParsedFile &)> &take)
{
    if (count <= 0)
        return;
    threads = std::clamp(threads, 1, count);
    // While the caller appends item t, workers parse items up to t + threads: one each, so that
    // no more items wait parsed than there are workers (each costs memory until appended).
    const int ahead = threads - 1;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<ParsedFile>> done(static_cast<std::size_t>(count));
    int next = 0;   // next item for a worker
    int taking = 0; // item the caller waits for or takes

    auto work = [&] {
        for (;;) {
            int n = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return next >= count || next <= taking + ahead; });
                if (next >= count)
                    return;
                n = next++;
            }
            ParsedFile parsed = parse(n);
            {
                std::lock_guard lock(mutex);
                done[std::size_t(n)] = std::move(parsed);
            }
            changed.notify_all();
        }
    };
    std::vector<std::jthread> workers;
    workers.reserve(std::size_t(threads));
    for (int i = 0; i < threads; ++i)
        workers.emplace_back(work);

    for (int n = 0; n < count; ++n) {
        ParsedFile parsed;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return done[std::size_t(n)].has_value(); });
            parsed = std::move(*done[std::size_t(n)]);
            done[std::size_t(n)].reset();
            taking = n + 1;
        }
        changed.notify_all();
        take(n, parsed);
    }
}
