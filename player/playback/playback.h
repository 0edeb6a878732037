#pragma once

#include "audioplayer.h"

#include <QObject>
#include <QString>

class AudioPlayer;
class RecentList;
class ResumePositions;

// Starting tapes: choosing a tape's link, handing it to the player, the title shown for it, the
// recently played list, and which tape is being played with its mark ("wait" once chosen, "sound"
// while the player reports any state but stopped). The tree only mirrors the played tape and its
// mark (PlayedMarker); nothing here knows about nodes.
class Playback : public QObject
{
    Q_OBJECT

public:
    // How PlayTape chooses the link.
    enum class PlayMode
    {
        Preferred = 0, // the preferred format, or the only link there is
        Mp3 = 1,
        Rm = 2,
    };
    // The picture of the tape being played.
    enum class Mark
    {
        Wait,   // chosen, not (or no longer) playing
        Sound,  // the player runs
        Failed, // its link could not be played: the tape shows as any other
    };
    // The preferred format.
    enum Format
    {
        Mp3Format = 0,
        RmFormat = 1,
    };

    Playback(AudioPlayer &player, RecentList &recent, QObject *parent = nullptr);

    AudioPlayer &player() const { return m_player; }

    // Key of the tape being played; empty when none (also after a replay from the recent list).
    const QString &PlayedNode() const { return m_playedNode; }
    Mark playedMark() const { return m_mark; }
    const QString &CurrentTitle() const { return m_title; }
    void setCurrentTitle(const QString &title) { m_title = title; }
    const QString &CurrentMP3Link() const { return m_mp3Link; }
    const QString &CurrentRMLink() const { return m_rmLink; }
    // Preferred format (any number is kept; only 0 and 1 choose a link).
    int SoundFormat() const { return m_soundFormat; }
    void setSoundFormat(int format) { m_soundFormat = format; }
    // Whether the main menu's copy-link items are enabled.
    bool saveMp3Enabled() const { return m_saveMp3; }
    bool saveRmEnabled() const { return m_saveRm; }
    // Caption of the tray's pause item: "إيقاف مؤقت" while starting or playing, else "استماع".
    const QString &pauseCaption() const { return m_pauseCaption; }

    // Plays the tape of a tape key. Does not change PlayedNode.
    void PlayTape(const QString &key, PlayMode mode);
    // Makes key the tape being played, with the mark given (a newly chosen tape waits).
    void setPlayedNode(const QString &key, Mark mark = Mark::Wait);
    void setPlayedMark(Mark mark);
    // Plays a tape and makes it the played one: a click on it, or the popup's listen items.
    void playTapeKey(const QString &key, PlayMode mode = PlayMode::Preferred);
    // Choosing a line of the recently played menu.
    void replayRecent(const QString &line);
    // The tray's pause/resume item and stop item.
    void pauseToggle();
    void stop();

    // Where long tapes stopped: a tape remembered there starts where it stopped once it plays
    // (resumed()). Without it every tape starts from its beginning.
    void setResumePositions(ResumePositions *positions) { m_resume = positions; }
    // Plays the tape from its beginning after all (the choice offered after a resume).
    void restartFromBeginning();

Q_SIGNALS:
    // A new title to show (the window lays it out).
    void titleChanged(const QString &title);
    // The link being played, for the player control's tooltip.
    void linkChanged(const QString &link);
    void saveItemsChanged();
    // The recently played file was rewritten (ok) or could not be (the user should know).
    void recentChanged(bool saved);
    void pauseCaptionChanged(const QString &caption);
    // The played tape changed from previous to current (either may be empty).
    void playedNodeChanged(const QString &previous, const QString &current);
    void playedMarkChanged(Playback::Mark mark);
    // The tape started at position ms (milliseconds) rather than at its beginning.
    void resumed(qint64 ms);

private:
    void StateChanged(AudioPlayer::State state);
    void PositionChanged(qint64 position, qint64 length);
    void setPauseCaption(const QString &caption);
    void setSaveItems(bool mp3, bool rm);
    void prepareResume(const QString &link);

    AudioPlayer &m_player;
    RecentList &m_recent;
    QString m_playedNode;
    Mark m_mark = Mark::Wait;
    bool m_clipFailed = false; // the clip last started failed and nothing played since
    QString m_title;
    QString m_mp3Link;
    QString m_rmLink;
    int m_soundFormat = Mp3Format;
    bool m_saveMp3 = false;
    bool m_saveRm = false;
    QString m_pauseCaption;
    ResumePositions *m_resume = nullptr;
    qint64 m_resumeAt = 0; // where the clip started goes once it plays; 0 from its beginning
};
