#include "codepage.h"

#include "atomicfile.h"
#include "general.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

#include <sys/stat.h>

namespace {

using StatBuffer = struct stat;

struct Tables
{
    std::array<char16_t, 256> toUnicode{};
    // Reverse map: unit -> byte + 1 (0 means "not in the code page").
    std::unique_ptr<std::array<std::uint16_t, 65536>> fromUnicode;

    Tables()
        : fromUnicode(std::make_unique<std::array<std::uint16_t, 65536>>())
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QStringDecoder decoder("windows-1256");
        const QString decoded = decoder.decode(all);
        const bool usable = decoder.isValid() && decoded.size() == 256;
        fromUnicode->fill(0);
        for (int i = 0; i < 256; ++i) {
            // Without the codec (a Qt built without ICU), fall back to Latin-1 so that bytes still
            // survive a round trip, even if Arabic letters are then shown wrongly.
            const char16_t unit = usable ? decoded.at(i).unicode() : char16_t(i);
            toUnicode[std::size_t(i)] = unit;
            if ((*fromUnicode)[unit] == 0)
                (*fromUnicode)[unit] = std::uint16_t(i + 1);
        }
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

} // namespace

namespace CodePage {

void decodeInto(QByteArrayView bytes, QString &out)
{
    const auto &map = tables().toUnicode;
    out.resize(bytes.size());
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const auto *src = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i)
        dst[i] = map[src[i]];
}

char16_t decodeByte(char byte)
{
    return tables().toUnicode[std::size_t(static_cast<unsigned char>(byte))];
}

QString decode(QByteArrayView bytes)
{
    QString out;
    decodeInto(bytes, out);
    return out;
}

QByteArray encode(QStringView text)
{
    const auto &map = *tables().fromUnicode;
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const std::uint16_t b = map[text[i].unicode()];
        out[i] = b ? char(b - 1) : '?';
    }
    return out;
}

bool tryEncodeInto(QStringView text, char *out)
{
    const auto &map = *tables().fromUnicode;
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const std::uint16_t b = map[text[i].unicode()];
        if (!b)
            return false;
        out[i] = char(b - 1);
    }
    return true;
}

bool tryEncode(QStringView text, QByteArray &out)
{
    const auto &map = *tables().fromUnicode;
    QByteArray result(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const std::uint16_t b = map[text[i].unicode()];
        if (!b)
            return false;
        result[i] = char(b - 1);
    }
    out = std::move(result);
    return true;
}

QStringList decodeLines(QByteArrayView bytes)
{
    QStringList lines;
    forEachLine(bytes, [&lines](QByteArrayView line) { lines.append(decode(line)); });
    return lines;
}

QByteArray encodeLines(const QStringList &lines)
{
    qsizetype total = 0;
    for (const QString &line : lines)
        total += line.size() + 2;
    QByteArray out;
    out.reserve(total);
    for (const QString &line : lines) {
        out.append(encode(line));
        out.append("\r\n", 2);
    }
    return out;
}

} // namespace CodePage

QStringList readCodePageLines(const QString &path, bool *ok)
{
    QByteArray bytes;
    const bool read = readRegularFile(path, bytes);
    if (ok)
        *ok = read;
    return read ? CodePage::decodeLines(bytes) : QStringList();
}

bool holdsLineBreak(QStringView line)
{
    return line.contains(u'\r') || line.contains(u'\n');
}

bool writeCodePageLines(const QString &path, const QStringList &lines)
{
    // A line break inside a line would make two lines of it when the file is read again.
    if (std::any_of(lines.cbegin(), lines.cend(), holdsLineBreak))
        return false;
    return writeFileAtomically(path, CodePage::encodeLines(lines));
}

bool AppendToFile(const QString &sfile, const QString &sligne, int maxl)
{
    if (holdsLineBreak(sligne))
        return false;
    QStringList lines{sligne};
    // Anything at that name counts as an old file, even a dangling link or a FIFO: what cannot be
    // read as a regular file is not replaced.
    StatBuffer st{};
    if (::lstat(nativeFileName(sfile).constData(), &st) == 0) {
        bool ok = false;
        const QStringList old = readCodePageLines(sfile, &ok);
        if (!ok)
            return false; // never replace lines we could not read
        int kept = 0;
        for (const QString &line : old) {
            if (line == sligne)
                continue;
            if (maxl > 0 && kept >= maxl)
                break;
            lines.append(line);
            ++kept;
        }
    }
    return writeCodePageLines(sfile, lines);
}
