#include "cataloguefiletext.h"

#include "arabictext.h"
#include "codepage.h"
#include "general.h"
#include "taperecord.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace CatalogueFileText {

namespace {

// Whether the original character c is what normalising made n: itself, or (a hamza form) folded
// to it. Spaces are left out: a single space normalises to nothing, yet one of a run is kept.
bool becomes(QChar c, QChar n)
{
    if (c == n)
        return true;
    if (c == u' ')
        return false;
    const QString alone = ArabicText::NormalizeArabic(QStringView(&c, 1));
    return alone.size() == 1 && alone.at(0) == n;
}

// A character normalising drops wherever it stands (a vowel mark, the tatweel, the shadda).
bool isDropped(QChar c)
{
    return c != u' ' && ArabicText::NormalizeArabic(QStringView(&c, 1)).isEmpty();
}

} // namespace

Opened open(const QString &path)
{
    Opened opened;
    const QFileInfo info(path);
    // A dangling link is something at that name too: saving would write through it.
    if (!info.exists() && !info.isSymLink()) {
        opened.status = Opened::Status::Absent;
        return opened;
    }
    if (!readRegularFile(path, opened.bytes)) {
        opened.bytes.clear();
        return opened; // Unreadable
    }
    opened.status = Opened::Status::Read;
    opened.lines = CodePage::decodeLines(opened.bytes);
    return opened;
}

QStringList linesOfText(QStringView text)
{
    if (text.isEmpty())
        return {};
    QStringList lines;
    for (QStringView line : text.tokenize(u'\n'))
        lines.append(line.toString());
    return lines;
}

QString textOfLines(const QStringList &lines)
{
    return lines.join(u'\n');
}

Unencodable firstUnencodable(const QStringList &lines)
{
    QByteArray scratch;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString &line = lines.at(n);
        if (CodePage::tryEncode(line, scratch))
            continue;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (CodePage::tryEncode(QStringView(line).sliced(i, 1), scratch))
                continue;
            Unencodable u{n, i, 1, line.at(i).unicode()};
            if (line.at(i).isHighSurrogate() && i + 1 < line.size() &&
                line.at(i + 1).isLowSurrogate()) {
                u.length = 2;
                u.codePoint = QChar::surrogateToUcs4(line.at(i), line.at(i + 1));
            }
            return u;
        }
    }
    return {};
}

QString unencodableMessage(const Unencodable &character)
{
    // The character may be invisible (a line separator, a joiner): then its code alone names it.
    const char32_t cp = character.codePoint;
    const QString code = u"U+"_s + QString::number(uint(cp), 16).toUpper().rightJustified(4, u'0');
    const QString named = QChar::isPrint(cp) && !QChar::isSpace(cp)
                              ? u"«"_s + QString::fromUcs4(&cp, 1) + u"» ("_s + code + u')'
                              : code;
    return u"لا يمكن حفظ الحرف %1 في السطر %2: ملفات الفهرس بترميز windows-1256 لا تحمله. احذفه أو "
           u"ضع مكانه حرفا آخر، فلم يحفظ الملف."_s.arg(named)
               .arg(character.line + 1);
}

QList<qsizetype> nonRecordLines(const QStringList &lines)
{
    QList<qsizetype> out;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString &line = lines.at(n);
        if (!line.trimmed().isEmpty() && !IsValidLine(line))
            out.append(n);
    }
    return out;
}

bool save(const QString &path, const QStringList &lines)
{
    return writeCodePageLines(path, lines);
}

Finder::Finder(QStringView text)
    : m_needle(ArabicText::NormalizeArabic(text))
{
    // Marks between spaces leave spaces behind once dropped: nothing to look for either.
    if (m_needle.trimmed().isEmpty())
        m_needle.clear();
}

Match Finder::in(QStringView line, qsizetype from) const
{
    if (m_needle.isEmpty() || from >= line.size())
        return {};
    const QString normalised = ArabicText::NormalizeArabic(line);
    // Normalising only drops characters and folds others one for one, so the normalised line is
    // the original with characters left out: each normalised character is the first original one
    // after the previous that becomes it.
    QList<qsizetype> origin(normalised.size());
    qsizetype i = 0;
    for (qsizetype k = 0; k < normalised.size(); ++k) {
        while (i < line.size() && !becomes(line[i], normalised.at(k)))
            ++i;
        if (i == line.size())
            return {}; // normalising did something else: better no match than a wrong one
        origin[k] = i++;
    }

    qsizetype k = 0;
    while (k < origin.size() && origin.at(k) < from)
        ++k;
    const qsizetype at = normalised.indexOf(m_needle, k, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const qsizetype start = origin.at(at);
    qsizetype end = origin.at(at + m_needle.size() - 1) + 1;
    while (end < line.size() && isDropped(line[end]))
        ++end;
    return {start, end - start};
}

} // namespace CatalogueFileText
