#pragma once

#include <QString>

// What the desktop's media controls read and ask besides the audio player itself: the tape being
// played and the queue. The player session implements it.
class MediaSource
{
public:
    virtual ~MediaSource() = default;

    // Plays the next queue entry, as the menu item does.
    virtual void playNextFromDesktop() = 0;
    // Whether the queue has an entry to play next.
    virtual bool canGoNext() const = 0;
    // The title shown for the tape being played and its link ("" when none).
    virtual QString currentTitle() const = 0;
    virtual QString currentLink() const = 0;
};

// What the desktop's media controls ask of the main window. The window implements it.
class MediaControlHost
{
public:
    virtual ~MediaControlHost() = default;

    // Runs the window's normal close (settings saved); returns once that has happened.
    virtual void quitFromDesktop() = 0;
    // Shows and activates the main window, also when it sits in the tray.
    virtual void raiseFromDesktop() = 0;
};
