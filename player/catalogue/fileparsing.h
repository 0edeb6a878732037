#pragma once

#include "catalogueindex.h"
#include "treepaths.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// A catalogue file read and worked out on a worker thread, ready to be appended to the index: its
// bytes and its valid records as an index batch. firstSeen holds the values for the lists of known
// values in the order the file first gives them; recording those in order gives the lists exactly
// what recording every line's values would.
struct ParsedFile
{
    bool readable = false;
    // Too large to address records in it by 32-bit offsets: to be read the slow way.
    bool tooLarge = false;
    // A path the code page cannot hold (never made from a file's own bytes): to be read the slow
    // way as well.
    bool slow = false;
    QByteArray bytes;
    CatalogueIndex::Batch records;
    std::vector<std::pair<TreePaths::ListId, QString>> firstSeen;
    // Bytes of the valid record lines; when they are few against the file, the records are
    // better copied than the whole file kept.
    qsizetype recordBytes = 0;
};

// Reads and works out one catalogue file. Only reads paths (its grouping orders), so any number
// of threads may call it at once.
ParsedFile parseCatalogueFile(const QString &path, const TreePaths &paths);

// Parses items 0..count-1 on up to `threads` worker threads and hands each result to take() on the
// calling thread, in item order. At most a few items wait parsed at any time, so memory stays
// bounded however many items there are.
void forEachParsedInOrder(int count, int threads, const std::function<ParsedFile(int)> &parse,
                          const std::function<void(int, ParsedFile &)> &take);
