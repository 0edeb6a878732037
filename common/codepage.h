#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

// Every text file of the programs is in the single-byte Arabic code page windows-1256, with lines
// ended by CR LF. The mapping comes from Qt's "windows-1256" codec; it maps each of the 256 bytes
// to one distinct UTF-16 unit, so decoding and encoding are done through lookup tables built from
// it once.
namespace CodePage {

// Decodes windows-1256 bytes; every byte gives exactly one character.
QString decode(QByteArrayView bytes);
// The character of one byte.
char16_t decodeByte(char byte);
// Same, into an existing string (reuses its buffer).
void decodeInto(QByteArrayView bytes, QString &out);

// Encodes text to windows-1256. A character the code page cannot hold becomes '?'.
QByteArray encode(QStringView text);
// Encodes text only when every character fits; returns false (and leaves out unchanged) otherwise.
bool tryEncode(QStringView text, QByteArray &out);
// The same into text.size() bytes at out, which may be written to even when false is returned.
bool tryEncodeInto(QStringView text, char *out);

// Calls visit(line) for each line of bytes. CR LF, a lone LF and a lone CR each end a line; a last
// line without an end still counts, and an empty buffer has no lines.
template<typename Visit>
void forEachLine(QByteArrayView bytes, Visit &&visit)
{
    const char *data = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            visit(QByteArrayView(data + start, i - start));
            i += (c == '\r' && i + 1 < n && data[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        visit(QByteArrayView(data + start, n - start));
}

// The decoded lines of a buffer, split as forEachLine does.
QStringList decodeLines(QByteArrayView bytes);

// Encodes each line and ends every one with CR LF.
QByteArray encodeLines(const QStringList &lines);

} // namespace CodePage

// Reads a whole windows-1256 text file into lines. Sets *ok to false (and returns no lines) when
// the file cannot be read or is not a regular file (a FIFO or a device is refused, not waited on).
QStringList readCodePageLines(const QString &path, bool *ok = nullptr);

// Whether a text holds a CR or an LF, which no line of a line-based file may.
bool holdsLineBreak(QStringView line);

// Rewrites a text file with these lines, in windows-1256 with CR LF, atomically: either the whole
// new content is in place or the old file is untouched. Lines holding a line break are refused
// (false, nothing written).
bool writeCodePageLines(const QString &path, const QStringList &lines);

// Writes sligne as the first line of the text file sfile and keeps after it the file's old lines
// that differ from it, at most maxl of them (every one when maxl is 0 or less). A missing file is
// created with the single line. The rewrite is atomic; when the old file cannot be read (or is not
// a regular file) or the new one cannot be written whole, the file is left as it was and false is
// returned; so it is for a line holding a line break.
bool AppendToFile(const QString &sfile, const QString &sligne, int maxl);
