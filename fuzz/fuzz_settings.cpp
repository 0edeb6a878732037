// The settings file "config.ini" as the player reads it at start.

#include "codepage.h"
#include "fuzzsupport.h"
#include "settingsstore.h"

#include <QStringList>

#include <limits>

namespace {

bool within(std::optional<int> value, int low, int high)
{
    return !value || (*value >= low && *value <= high);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input = Fuzz::bytes(data, size);
    const QString path = Fuzz::writeInput(QStringLiteral("config.ini"), input);
    const Settings settings = SettingsStore::load(path);

    // Menu indexes name existing items; counts fit in 16 bits.
    FUZZ_CHECK(settings.QuranSort >= 0 && settings.QuranSort <= 3);
    FUZZ_CHECK(settings.DourousSort == 0 || settings.DourousSort == 1);
    FUZZ_CHECK(settings.searchMode == 0 || settings.searchMode == 1);
    FUZZ_CHECK(settings.minimiseTarget == 0 || settings.minimiseTarget == 1);
    FUZZ_CHECK(within(settings.windowState, 0, 2));
    constexpr int low = std::numeric_limits<qint16>::min();
    constexpr int high = std::numeric_limits<qint16>::max();
    FUZZ_CHECK(within(settings.SoundFormat, low, high));
    FUZZ_CHECK(within(settings.MaxLignes, low, high));
    FUZZ_CHECK(within(settings.MaxTitleLen, low, high));
    FUZZ_CHECK(!settings.RiwayaFilter.contains(u'\r') && !settings.RiwayaFilter.contains(u'\n'));

    // Each line is read on its own: line n of the file decides setting n alone.
    const QStringList lines = CodePage::decodeLines(input);
    for (int line = 1; line <= Settings::LineCount && line <= lines.size(); ++line)
        (void)SettingsStore::parseNumber(line, lines.at(line - 1));

    // What was read is saved and read back the same; measures saved as 0 when missing.
    Settings expected = settings;
    for (std::optional<int> *measure :
         {&expected.top, &expected.left, &expected.width, &expected.height})
        *measure = measure->value_or(0);
    expected.windowState = expected.windowState.value_or(Settings::Normal);
    const QString copy = Fuzz::workFolder().filePath(QStringLiteral("saved.ini"));
    FUZZ_CHECK(SettingsStore::save(copy, settings));
    FUZZ_CHECK(SettingsStore::load(copy) == expected);

    if (settings.width)
        (void)SettingsStore::toPixels(*settings.width);
    return 0;
}
