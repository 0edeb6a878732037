#pragma once

#include "keyedtree.h"

#include <QObject>
#include <QString>

#include <functional>

class AudioPlayer;
class RecentList;

// Starting tapes: choosing a tape's link, handing it to the player, the title shown for it, the
// recently played list, and the mark of the node being played ("wait", then "sound").
class Playback : public QObject
{
    Q_OBJECT

public:
    // How PlayTape chooses the link.
    enum PlayMode
    {
        Preferred = 0,
        Mp3 = 1,
        Rm = 2
    };

    Playback(AudioPlayer &player, KeyedTree &tree, RecentList &recent, QObject *parent = nullptr);

    // Key of the node being played; empty when none (also after a replay from the recent list).
    QString PlayedNode;
    QString CurrentTitle;
    QString CurrentMP3Link;
    QString CurrentRMLink;
    // Preferred format for PlayMode::Preferred: 0 MP3, 1 RM (other values play nothing).
    int SoundFormat = 0;
    // Whether the main menu's copy-link items are enabled.
    bool SaveMP3Enabled = false;
    bool SaveRMEnabled = false;
    // Caption of the tray's pause item.
    QString PauseCaption;

    AudioPlayer &player() { return m_player; }

    // Runs first on every position event of the player (the play queue's step).
    std::function<void(qint64 position, qint64 length)> queueStep;

    // Plays the tape of a node key ("Leaf-" + record, or a queue or search entry's key). Neither
    // PlayedNode nor node images change here; the callers do that.
    void PlayTape(const QString &key, int mode);
    // A left click (or Return) on a tape node.
    void playClickedTape(KeyedTree::Node node);
    // The popup's listen items: mode Mp3 or Rm, on the node the popup was opened on.
    void listen(KeyedTree::Node node, int mode);
    // Choosing a line of the recently played menu.
    void replayRecent(const QString &line);
    // The tray's pause/resume item and stop item.
    void pauseToggle();
    void stop();

    // The title shown for a tape key: name parts joined by " - "; for the Quran, the reciter and
    // the surah name without its number.
    static QString DisplayTitle(const QString &key);

Q_SIGNALS:
    // A new title to show (the window lays it out).
    void titleChanged(const QString &title);
    // The link being played, for the player control's tooltip.
    void linkChanged(const QString &link);
    void saveItemsChanged();
    void recentChanged();
    void pauseCaptionChanged(const QString &caption);

private:
    void StateChanged(int state);
    void PositionChanged(qint64 position, qint64 length);
    void setPlayedImage(const QString &image);
    void markNewPlayedNode(KeyedTree::Node node);
    void setPauseCaption(const QString &caption);

    AudioPlayer &m_player;
    KeyedTree &m_tree;
    RecentList &m_recent;
};
