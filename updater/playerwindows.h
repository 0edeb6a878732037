#pragma once

#include <QString>

#include <chrono>

// Asks every running player whose name on the desktop holds titleFragment to quit, through its
// media-player interface on the session bus (it saves its state as when its window is closed),
// and waits until each has gone, at most timeout for all. Returns the number of players asked.
// Without a session bus there is no player to reach, and nothing happens.
int ClosePlayerWindows(const QString &titleFragment,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));
