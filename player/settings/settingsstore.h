#pragma once

#include <QString>

#include <optional>

// The player's settings file "config.ini": thirteen lines, one value each, in windows-1256 with
// CR LF. Window measures are in twips (15 twips to a device-independent pixel) and describe the
// outer window (frame) in its normal state.
struct Settings
{
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
    enum WindowState
    {
        Normal = 0,
        Minimised = 1,
        Maximised = 2,
    };
    enum MinimiseTarget
    {
        ToTray = 0,
        ToTaskbar = 1,
    };

    int QuranSort = 0;
    int DourousSort = 0;
    int SoundFormat = 0;
    int MaxLignes = 25;
    int MaxTitleLen = 100;
    // Missing measures are placed by the window: centred, with the default size.
    std::optional<int> top;
    std::optional<int> left;
    std::optional<int> width;
    std::optional<int> height;
    // Missing: the window keeps the state it has.
    std::optional<int> windowState;
    QString RiwayaFilter = defaultRiwayaFilter();
    int searchMode = 0;
    int minimiseTarget = ToTray;

    static QString defaultRiwayaFilter();
    bool operator==(const Settings &) const = default;
};

namespace SettingsStore {

constexpr int kTwipsPerPixel = 15;
constexpr int kDefaultWidth = 5475;
constexpr int kDefaultHeight = 8295;
constexpr int kMinWidth = 3500;
constexpr int kMinHeight = 4500;

// Reads the file. Each usable line is taken as it stands; a line that is missing or unusable (not
// a number, out of range, no such menu item) leaves that setting at its default. No file, or one
// that cannot be read, gives all defaults.
Settings load(const QString &path);
// Rewrites the file atomically; false when it could not be written (the old file then stays).
bool save(const QString &path, const Settings &settings);

// The number a line holds, when it is one that line accepts: surrounding white space is ignored;
// menu indexes must name an existing item; counts and the format fit in 16 bits.
std::optional<int> parseNumber(int line, const QString &text);

int toPixels(int twips);
int toTwips(int pixels);

} // namespace SettingsStore
