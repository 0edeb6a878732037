#include "updateinfo.h"

#include "atomicfile.h"
#include "codepage.h"
#include "general.h"
#include "linkpolicy.h"

using namespace Qt::Literals::StringLiterals;

namespace {

bool isCabinetLine(const QString &line)
{
    return line.right(4).compare(u".cab"_s, Qt::CaseInsensitive) == 0;
}

// Adds line to kept when the address it gives is a web address. What is checked is address, the
// line as it will be fetched (a template with its "#" filled in). A refused line is noted unless it
// is blank: blank lines are only spacing.
void takeAddress(const QString &line, const QString &address, QStringList &kept,
                 QStringList &refused)
{
    if (linkKind(address) == LinkKind::Web)
        kept.append(line);
    else if (!line.trimmed().isEmpty())
        refused.append(line);
}

} // namespace

UpdateInfo parseUpdateInfo(const QStringList &lines, UpdateInfoUse use)
{
    UpdateInfo info;
    const bool offered = use == UpdateInfoUse::Offered;
    const QString header = lines.value(0);
    if (offered && !header.contains(u"update"_s, Qt::CaseInsensitive)) {
        info.status = UpdateInfoStatus::NotUpdateInfo;
        return info;
    }
    bool ok = false;
    const qint16 number = lines.size() > 1 ? lines.at(1).trimmed().toShort(&ok) : 0;
    if (!ok) {
        info.status = UpdateInfoStatus::BadNumber;
        return info;
    }
    info.number = number;

    // Line 3 is an address whatever it ends with; the ".cab" test starts with line 4.
    if (lines.size() > 2)
        takeAddress(lines.at(2), lines.at(2), info.infoAddresses, info.refusedAddresses);
    for (qsizetype i = 3; i < lines.size() && !isCabinetLine(lines.at(i)); ++i)
        takeAddress(lines.at(i), lines.at(i), info.infoAddresses, info.refusedAddresses);
    if (!offered) {
        info.status = UpdateInfoStatus::Valid;
        return info;
    }

    const qsizetype bracket = header.indexOf(u']');
    if (bracket < 0) {
        info.status = UpdateInfoStatus::NoBracket;
        return info;
    }
    // The field between the first "]" and the next one (or the end of the line).
    QStringView field = QStringView(header).mid(bracket + 1);
    field = field.left(field.indexOf(u']')); // left(-1) keeps it whole
    const qint16 complete = field.trimmed().toShort(&ok);
    info.completeNumber = ok ? complete : qint16(-1);

    // Templates start at the first ".cab" line counted from line 3, so a line 3 ending in ".cab"
    // is both the first address and the first template.
    qsizetype first = 2;
    while (first < lines.size() && !isCabinetLine(lines.at(first)))
        ++first;
    if (first >= lines.size()) {
        info.status = UpdateInfoStatus::NoCabinetLine;
        return info;
    }
    for (qsizetype i = first; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        takeAddress(line, cabinetAddress(line, 0), info.cabinetTemplates, info.refusedAddresses);
    }
    info.status = UpdateInfoStatus::Valid;
    return info;
}

UpdateInfo readUpdateInfo(const QString &path, UpdateInfoUse use)
{
    bool ok = false;
    const QStringList lines = readCodePageLines(path, &ok);
    if (!ok)
        return UpdateInfo{};
    return parseUpdateInfo(lines, use);
}

QString cabinetAddress(const QString &addressTemplate, int number)
{
    QString address = addressTemplate;
    return address.replace(u'#', QString::number(number));
}

std::optional<QByteArray> withInstalledNumber(const QByteArray &bytes, qint16 n)
{
    // Lines end as CodePage::forEachLine ends them: CR LF, a lone LF or a lone CR.
    const auto lineEnd = [&bytes](qsizetype from) {
        qsizetype i = from;
        while (i < bytes.size() && bytes.at(i) != '\r' && bytes.at(i) != '\n')
            ++i;
        return i;
    };
    const qsizetype firstEnd = lineEnd(0);
    if (firstEnd >= bytes.size())
        return std::nullopt;
    const bool crlf =
        bytes.at(firstEnd) == '\r' && firstEnd + 1 < bytes.size() && bytes.at(firstEnd + 1) == '\n';
    const qsizetype start = firstEnd + (crlf ? 2 : 1);
    if (start >= bytes.size())
        return std::nullopt; // nothing after the header: there is no line 2 to rewrite
    const qsizetype end = lineEnd(start);
    return bytes.left(start) + QByteArray::number(n) + bytes.mid(end);
}

bool SetInstalledNumber(const QString &path, qint16 n)
{
    QByteArray bytes;
    if (!readRegularFile(path, bytes))
        return false;
    const std::optional<QByteArray> rewritten = withInstalledNumber(bytes, n);
    return rewritten && writeFileAtomically(path, *rewritten);
}

std::optional<bool> readUpdateIni(const QString &path)
{
    bool ok = false;
    const QStringList lines = readCodePageLines(path, &ok);
    if (!ok || lines.isEmpty())
        return std::nullopt;
    const int value = lines.first().trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value != 0;
}

bool writeUpdateIni(const QString &path, bool restart)
{
    return writeFileAtomically(path, restart ? " 1 \r\n" : " 0 \r\n");
}
