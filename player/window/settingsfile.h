#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The player's settings file "config.ini": thirteen lines, one value each, in windows-1256 with
// CR LF. Window measures are in twips (15 twips to a device-independent pixel).
namespace SettingsFile {

enum Line
{
    QuranSortLine = 1,
    DourousSortLine,
    SoundFormatLine,
    MaxLignesLine,
    MaxTitleLenLine,
    TopLine,
    LeftLine,
    WidthLine,
    HeightLine,
    WindowStateLine,
    RiwayaFilterLine,
    SearchModeLine,
    MinimiseTargetLine,
    LineCount = MinimiseTargetLine
};

constexpr int kTwipsPerPixel = 15;
constexpr int kDefaultWidth = 5475;
constexpr int kDefaultHeight = 8295;
constexpr int kMinWidth = 3500;
constexpr int kMinHeight = 4500;

// The number a line holds, when it is one that line accepts: surrounding spaces are ignored;
// menu indexes must name an existing item (orders, window state, search mode, minimise target).
std::optional<int> parseNumber(int line, const QString &text);

// Twips to pixels and back.
int toPixels(int twips);
int toTwips(int pixels);

} // namespace SettingsFile
