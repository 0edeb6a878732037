#include "arabictext.h"

namespace ArabicText {

namespace {

constexpr char16_t kShadda = 0x0651;
constexpr char16_t kNul = 0;

// Marks removed after the trim, and the forms of alif and hamza made bare.
bool isMark(char16_t c)
{
    switch (c) {
    case 0x064B: // fathatan
    case 0x064C: // dammatan
    case 0x064D: // kasratan
    case 0x064E: // fatha
    case 0x064F: // damma
    case 0x0650: // kasra
    case 0x0652: // sukun
    case 0x0640: // tatweel
        return true;
    default:
        return false;
    }
}

bool isHamzaForm(char16_t c)
{
    return c == 0x0621 || c == 0x0622 || c == 0x0623 || c == 0x0624 || c == 0x0625 || c == 0x0626;
}

// Appends the normalised text to out: runs of spaces collapsed and shaddas dropped, trimmed, then
// marks dropped and hamza forms made alif. Returns where the appended text begins.
qsizetype appendNormalised(QStringView text, QString &out)
{
    const qsizetype start = out.size();
    bool previousSpace = false;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u' ' && previousSpace)
            continue;
        previousSpace = c == u' ';
        if (c != kShadda)
            out.append(ch);
    }
    // Trim spaces only (not other white space), at both ends of what was just appended.
    qsizetype end = out.size();
    while (end > start && out.at(end - 1) == u' ')
        --end;
    qsizetype begin = start;
    while (begin < end && out.at(begin) == u' ')
        ++begin;
    qsizetype w = start;
    for (qsizetype r = begin; r < end; ++r) {
        const char16_t c = out.at(r).unicode();
        if (isMark(c))
            continue;
        out[w++] = isHamzaForm(c) ? QChar(0x0627) : QChar(c);
    }
    out.truncate(w);
    return start;
}

// Spaces only, at both ends.
QStringView trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

// Every "  " replaced by " " in one pass from the left (a run of three keeps two).
QString halveDoubleSpaces(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        out.append(text[i]);
        if (text[i] == u' ' && i + 1 < text.size() && text[i + 1] == u' ')
            ++i;
    }
    return out;
}

} // namespace

QString NormalizeArabic(QStringView text)
{
    QString out;
    out.reserve(text.size());
    appendNormalised(text, out);
    return out;
}

void appendHaystack(QStringView names, QStringView third, QString &out)
{
    // One buffer, written in place: every step only shortens what the step before wrote.
    const qsizetype start = out.size();
    out.resize(start + names.size() + third.size() + 2);
    QChar *const base = out.data() + start;
    qsizetype n = 0;
    // Runs of spaces collapsed, shaddas dropped.
    bool previousSpace = false;
    const auto take = [&](QStringView part) {
        for (const QChar ch : part) {
            const char16_t c = ch.unicode();
            if (c == u' ' && previousSpace)
                continue;
            previousSpace = c == u' ';
            if (c != kShadda)
                base[n++] = ch;
        }
    };
    take(names);
    take(u" ");
    take(third);
    // Trimmed; then marks dropped and hamza forms made alif, "/" read as a space.
    qsizetype end = n;
    while (end > 0 && base[end - 1] == u' ')
        --end;
    qsizetype begin = 0;
    while (begin < end && base[begin] == u' ')
        ++begin;
    qsizetype w = 0;
    for (qsizetype r = begin; r < end; ++r) {
        const char16_t c = base[r].unicode();
        if (isMark(c))
            continue;
        base[w++] = isHamzaForm(c) ? QChar(0x0627) : c == u'/' ? QChar(u' ') : QChar(c);
    }
    // "  " becomes " " once, and every space ends a word.
    qsizetype o = 0;
    for (qsizetype r = 0; r < w; ++r) {
        if (base[r] == u' ') {
            base[o++] = QChar(kNul);
            if (r + 1 < w && base[r + 1] == u' ')
                ++r;
        } else {
            base[o++] = base[r];
        }
    }
    base[o++] = QChar(kNul);
    out.truncate(start + o);
}

QString haystack(QStringView names, QStringView third)
{
    QString out;
    appendHaystack(names, third, out);
    return out;
}

QStringList wordNeedles(const QString &text)
{
    QStringList needles;
    for (const QString &word : trimSpaces(halveDoubleSpaces(text)).toString().split(u' '))
        needles.append(NormalizeArabic(word) + QChar(kNul));
    return needles;
}

QString phraseNeedle(const QString &text)
{
    QString needle = NormalizeArabic(trimSpaces(halveDoubleSpaces(text)));
    needle.replace(u' ', QChar(kNul));
    return needle + QChar(kNul);
}

} // namespace ArabicText
