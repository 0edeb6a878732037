#include "settingsstore.h"

#include "codepage.h"
#include "general.h"
#include "riwayafilter.h"

#include <QStringList>

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;

QString Settings::defaultRiwayaFilter()
{
    return ::RiwayaFilter().stored();
}

namespace SettingsStore {

namespace {

QStringView trimmedSpace(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].isSpace())
        ++begin;
    while (end > begin && text[end - 1].isSpace())
        --end;
    return text.mid(begin, end - begin);
}

void take(Settings &s, int line, const QString &text)
{
    using L = Settings::Line;
    if (line == L::RiwayaFilterLine) {
        s.RiwayaFilter = text;
        return;
    }
    const std::optional<int> value = parseNumber(line, text);
    if (!value)
        return;
    switch (line) {
    case L::QuranSortLine:
        s.QuranSort = *value;
        break;
    case L::DourousSortLine:
        s.DourousSort = *value;
        break;
    case L::SoundFormatLine:
        s.SoundFormat = *value;
        break;
    case L::MaxLignesLine:
        s.MaxLignes = *value;
        break;
    case L::MaxTitleLenLine:
        s.MaxTitleLen = *value;
        break;
    case L::TopLine:
        s.top = value;
        break;
    case L::LeftLine:
        s.left = value;
        break;
    case L::WidthLine:
        s.width = value;
        break;
    case L::HeightLine:
        s.height = value;
        break;
    case L::WindowStateLine:
        s.windowState = value;
        break;
    case L::SearchModeLine:
        s.searchMode = *value;
        break;
    case L::MinimiseTargetLine:
        s.minimiseTarget = *value;
        break;
    }
}

} // namespace

std::optional<int> parseNumber(int line, const QString &text)
{
    bool ok = false;
    const int value = trimmedSpace(text).toInt(&ok);
    if (!ok)
        return std::nullopt;
    const auto within = [value](int low, int high) -> std::optional<int> {
        if (value < low || value > high)
            return std::nullopt;
        return value;
    };
    using L = Settings::Line;
    switch (line) {
    case L::QuranSortLine:
        return within(0, 3);
    case L::DourousSortLine:
    case L::SearchModeLine:
    case L::MinimiseTargetLine:
        return within(0, 1);
    case L::WindowStateLine:
        return within(0, 2);
    case L::SoundFormatLine:
    case L::MaxLignesLine:
    case L::MaxTitleLenLine:
        return within(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
    default:
        return value;
    }
}

Settings load(const QString &path)
{
    Settings settings;
    if (!FileExists(path))
        return settings;
    bool ok = false;
    const QStringList lines = readCodePageLines(path, &ok);
    if (!ok)
        return settings;
    for (int line = 1; line <= Settings::LineCount && line <= lines.size(); ++line)
        take(settings, line, lines.at(line - 1));
    return settings;
}

bool save(const QString &path, const Settings &s)
{
    const auto measure = [](std::optional<int> twips) {
        return QString::number(twips.value_or(0));
    };
    const QStringList lines{
        QString::number(s.QuranSort),
        QString::number(s.DourousSort),
        QString::number(s.SoundFormat),
        QString::number(s.MaxLignes),
        QString::number(s.MaxTitleLen),
        measure(s.top),
        measure(s.left),
        measure(s.width),
        measure(s.height),
        QString::number(s.windowState.value_or(Settings::Normal)),
        s.RiwayaFilter,
        QString::number(s.searchMode),
        QString::number(s.minimiseTarget),
    };
    return writeCodePageLines(path, lines);
}

int toPixels(int twips)
{
    return int(std::lround(double(twips) / kTwipsPerPixel));
}

int toTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

} // namespace SettingsStore
