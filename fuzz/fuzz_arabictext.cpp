// The search's normalisation of what is typed and of every record it looks through.

#include "arabictext.h"
#include "codepage.h"
#include "fuzzsupport.h"

namespace {

bool isDropped(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x0651 || (u >= 0x064B && u <= 0x0652) || u == 0x0640;
}

void checkText(const QString &text)
{
    const QString normal = ArabicText::NormalizeArabic(text);
    FUZZ_CHECK(normal.size() <= text.size());
    for (const QChar c : normal) {
        FUZZ_CHECK(!isDropped(c));
        const char16_t u = c.unicode();
        FUZZ_CHECK(u < 0x0621 || u > 0x0626);
    }
    // A double space is left only where marks between two spaces went.
    FUZZ_CHECK(!normal.contains(QStringLiteral("  ")) || normal.size() < text.size());

    // Words: one needle per word, each ended by NUL and holding no space.
    const QStringList words = ArabicText::wordNeedles(text);
    FUZZ_CHECK(!words.isEmpty());
    for (const QString &word : words) {
        FUZZ_CHECK(word.endsWith(QChar(0)));
        FUZZ_CHECK(!word.contains(u' '));
    }
    const QString phrase = ArabicText::phraseNeedle(text);
    FUZZ_CHECK(phrase.endsWith(QChar(0)));
    FUZZ_CHECK(!phrase.contains(u' '));

    // A record's words: no space and no "/" left, every word ended by NUL; the in-place builder
    // gives the same whatever the buffer held before.
    const qsizetype half = text.size() / 2;
    const QStringView names = QStringView(text).left(half);
    const QStringView third = QStringView(text).mid(half);
    const QString hay = ArabicText::haystack(names, third);
    FUZZ_CHECK(hay.endsWith(QChar(0)));
    FUZZ_CHECK(!hay.contains(u' ') && !hay.contains(u'/'));
    FUZZ_CHECK(hay.size() <= names.size() + third.size() + 2);
    QString buffer = QStringLiteral("before");
    ArabicText::appendHaystack(names, third, buffer);
    FUZZ_CHECK(buffer == QStringLiteral("before") + hay);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Odd-sized inputs are a catalogue's windows-1256 text, even ones any UTF-16 text typed.
    const QByteArrayView input = Fuzz::bytes(data, size);
    checkText(size % 2 ? CodePage::decode(input) : Fuzz::utf16(input));
    return 0;
}
