#pragma once

#include <QIcon>
#include <QString>

// The tree's five pictures, by image key: "Closed" and "Open" folders, "Leaf" (a tape), "sound"
// (the tape now playing) and "wait" (a tape being opened). Drawn at first use, 16 x 16 with a
// double-size copy for high-density screens; an unknown key gives a null icon.
namespace TreeIcons {
QIcon icon(const QString &image);
}
