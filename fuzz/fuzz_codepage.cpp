// The windows-1256 line reader every text file goes through, and the encoder that writes them.

#include "codepage.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input = Fuzz::bytes(data, size);

    // Lines: none holds a line end, and the lines with the ends between them give the input back.
    QByteArray rebuilt;
    qsizetype count = 0;
    CodePage::forEachLine(input, [&](QByteArrayView line) {
        FUZZ_CHECK(line.data() >= input.data());
        FUZZ_CHECK(line.data() + line.size() <= input.data() + input.size());
        FUZZ_CHECK(!line.contains('\r') && !line.contains('\n'));
        const qsizetype at = line.data() - input.data();
        FUZZ_CHECK(at == rebuilt.size());
        rebuilt.append(line);
        const qsizetype end = at + line.size();
        if (end < input.size()) {
            const qsizetype width =
                input[end] == '\r' && end + 1 < input.size() && input[end + 1] == '\n' ? 2 : 1;
            rebuilt.append(input.sliced(end, width));
        }
        ++count;
    });
    // A run of line ends only ends lines: trailing ones after the last line give no empty line.
    FUZZ_CHECK(rebuilt == input);

    const QStringList lines = CodePage::decodeLines(input);
    FUZZ_CHECK(lines.size() == count);

    // Every byte is one character and comes back unchanged.
    const QString text = CodePage::decode(input);
    FUZZ_CHECK(text.size() == input.size());
    FUZZ_CHECK(CodePage::encode(text) == input);
    QByteArray strict;
    FUZZ_CHECK(CodePage::tryEncode(text, strict) && strict == input);
    QString reused = QStringLiteral("old content");
    CodePage::decodeInto(input, reused);
    FUZZ_CHECK(reused == text);

    // Writing the lines back (CR LF after each) reads as the same lines.
    FUZZ_CHECK(CodePage::decodeLines(CodePage::encodeLines(lines)) == lines);

    // Any text: encoding keeps the length; when every character fits, decoding gives it back, and
    // both strict encoders agree.
    const QString any = Fuzz::utf16(input);
    const QByteArray loose = CodePage::encode(any);
    FUZZ_CHECK(loose.size() == any.size());
    QByteArray exact;
    const bool fits = CodePage::tryEncode(any, exact);
    QByteArray into(any.size(), '\0');
    FUZZ_CHECK(CodePage::tryEncodeInto(any, into.data()) == fits);
    if (fits) {
        FUZZ_CHECK(exact == loose && into == loose);
        FUZZ_CHECK(CodePage::decode(exact) == any);
    } else {
        FUZZ_CHECK(exact.isEmpty());
    }
    return 0;
}
