// The update information file "updtinfos", as the server sends it and as the installation keeps
// it; the cabinet addresses made from it; rewriting its installed number; "update.ini".

#include "codepage.h"
#include "fuzzsupport.h"
#include "linkpolicy.h"
#include "updateinfo.h"

#include <QStringList>

namespace {

void checkAddresses(const UpdateInfo &info, const QStringList &lines)
{
    for (const QString &address : info.infoAddresses) {
        FUZZ_CHECK(lines.contains(address));
        FUZZ_CHECK(linkKind(address) == LinkKind::Web);
    }
    for (const QString &line : info.refusedAddresses)
        FUZZ_CHECK(lines.contains(line));
}

void checkInfo(const QStringList &lines)
{
    const UpdateInfo installed = parseUpdateInfo(lines, UpdateInfoUse::Installed);
    FUZZ_CHECK(installed.status == UpdateInfoStatus::Valid ||
               installed.status == UpdateInfoStatus::BadNumber);
    FUZZ_CHECK(installed.cabinetTemplates.isEmpty());
    FUZZ_CHECK(installed.completeNumber == -1);
    checkAddresses(installed, lines);

    const UpdateInfo offered = parseUpdateInfo(lines, UpdateInfoUse::Offered);
    checkAddresses(offered, lines);
    if (offered.status != UpdateInfoStatus::NotUpdateInfo) {
        // Reading for an offer only adds checks to reading the installed copy.
        FUZZ_CHECK((offered.status == UpdateInfoStatus::BadNumber) ==
                   (installed.status == UpdateInfoStatus::BadNumber));
        FUZZ_CHECK(offered.number == installed.number);
        FUZZ_CHECK(offered.infoAddresses == installed.infoAddresses);
    }
    if (!offered.isValid())
        return;
    FUZZ_CHECK(!offered.cabinetTemplates.isEmpty() || !offered.refusedAddresses.isEmpty());

    // Every kept template gives a web address with its "#" filled in. (Other numbers may give
    // one that is not: the updater checks every address again before it fetches it.)
    for (const QString &cabTemplate : offered.cabinetTemplates) {
        FUZZ_CHECK(lines.contains(cabTemplate));
        FUZZ_CHECK(linkKind(cabinetAddress(cabTemplate, 0)) == LinkKind::Web);
        for (const int number : {1, int(offered.number), int(offered.completeNumber), -32768})
            FUZZ_CHECK(!cabinetAddress(cabTemplate, number).contains(u'#'));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input = Fuzz::bytes(data, size);
    const QStringList lines = CodePage::decodeLines(input);
    checkInfo(lines);

    // The file read from disk is the same as the lines parsed.
    const QString path = Fuzz::writeInput(QStringLiteral("updtinfos"), input);
    const UpdateInfo read = readUpdateInfo(path, UpdateInfoUse::Offered);
    const UpdateInfo parsed = parseUpdateInfo(lines, UpdateInfoUse::Offered);
    FUZZ_CHECK(read.status == parsed.status && read.number == parsed.number &&
               read.cabinetTemplates == parsed.cabinetTemplates);

    // Rewriting the installed number changes line 2 alone.
    const qint16 n = size > 0 ? qint16(data[0] * 131 - 9000) : 7;
    if (SetInstalledNumber(path, n)) {
        bool ok = false;
        const QStringList after = readCodePageLines(path, &ok);
        FUZZ_CHECK(ok && after.size() >= 2);
        FUZZ_CHECK(after.at(1) == QString::number(n));
        FUZZ_CHECK(after.first() == lines.first());
        FUZZ_CHECK(after.mid(2) == lines.mid(2));
        FUZZ_CHECK(readUpdateInfo(path, UpdateInfoUse::Installed).number == n);
    } else {
        FUZZ_CHECK(lines.size() < 2);
    }

    (void)readUpdateIni(path);
    return 0;
}
