#include "taperecord.h"

using namespace Qt::Literals::StringLiterals;

namespace {

bool isBlank(QStringView text)
{
    for (QChar c : text)
        if (c != u' ')
            return false;
    return true;
}

// The last three characters of a link in lower case, as the kind test reads them.
QString linkEnding(QStringView link)
{
    return link.right(3).toString().toLower();
}

} // namespace

QStringView RecordField(QStringView line, int n)
{
    qsizetype start = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype bang = line.indexOf(u'!', start);
        if (bang < 0)
            return {};
        start = bang + 1;
    }
    const qsizetype end = line.indexOf(u'!', start);
    return end < 0 ? line.mid(start) : line.mid(start, end - start);
}

FirstFields SplitFirstFields(QStringView line)
{
    QStringView fields[3];
    qsizetype start = 0;
    for (int i = 0; i < 3 && start <= line.size(); ++i) {
        const qsizetype bang = line.indexOf(u'!', start);
        fields[i] = bang < 0 ? line.mid(start) : line.mid(start, bang - start);
        if (bang < 0)
            break;
        start = bang + 1;
    }
    return {fields[0], fields[1], fields[2]};
}

QString LinkFields(QStringView line)
{
    QString fields = RecordField(line, 3).toString();
    if (InstrCount(line, u"!") >= 4) {
        const QStringView fifth = RecordField(line, 4);
        if (!isBlank(fifth))
            fields += u'!' + fifth.toString();
    }
    return fields;
}

LinkPair ExtractLinks(QStringView record)
{
    LinkPair pair;
    const auto take = [&pair](QStringView link) {
        const QString e = linkEnding(link);
        if (e == u"mp3"_s)
            pair.mp3 = link.toString();
        else if (e == u".rm"_s)
            pair.rm = link.toString();
    };
    take(RecordField(record, 3));
    // A fifth field exists only after a fourth "!".
    if (InstrCount(record, u"!") >= 4) {
        const QStringView fifth = RecordField(record, 4);
        if (!isBlank(fifth))
            take(fifth);
    }
    return pair;
}

int InstrCount(QStringView StringToSearch, QStringView StringToFind)
{
    if (StringToFind.isEmpty())
        return 0;
    if (StringToSearch.isEmpty())
        return -1;
    // Non-overlapping, left to right, as a split on the text would cut it.
    int count = 0;
    for (qsizetype at = StringToSearch.indexOf(StringToFind); at >= 0;
         at = StringToSearch.indexOf(StringToFind, at + StringToFind.size()))
        ++count;
    return count;
}

bool IsValidLine(QStringView line)
{
    // Not blank, and at least three "!" (counted directly: this runs on every catalogue line).
    int bangs = 0;
    bool blank = true;
    for (QChar c : line) {
        if (c == u'!' && ++bangs >= 3)
            return true;
        if (c != u' ')
            blank = false;
    }
    return !blank && bangs >= 3;
}

bool IsValidFieldText(QStringView text)
{
    return !text.contains(u"@@@###") && !text.contains(u'!') && !text.contains(u'\\') &&
           !text.contains(u'/');
}

bool IsValidLink(QStringView text)
{
    if (isBlank(text))
        return false;
    const QString e = linkEnding(text);
    return e == u".rm"_s || e == u"mp3"_s;
}
