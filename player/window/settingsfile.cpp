#include "settingsfile.h"

#include <cmath>

namespace SettingsFile {

std::optional<int> parseNumber(int line, const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    const auto within = [value](int low, int high) -> std::optional<int> {
        if (value < low || value > high)
            return std::nullopt;
        return value;
    };
    switch (line) {
    case QuranSortLine:
        return within(0, 3);
    case DourousSortLine:
    case SearchModeLine:
    case MinimiseTargetLine:
        return within(0, 1);
    case WindowStateLine:
        return within(0, 2);
    default:
        return value;
    }
}

int toPixels(int twips)
{
    return int(std::lround(double(twips) / kTwipsPerPixel));
}

int toTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

} // namespace SettingsFile
