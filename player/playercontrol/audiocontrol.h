#pragma once

#include "audioplayer.h"

#include <QWidget>

#include <functional>
#include <memory>

class AudioPlayer;
class QHBoxLayout;
class PositionReadout;
class QLabel;
class QSlider;
class QToolButton;

// The player's on-screen control: play/pause and stop, the clip's position and length, volume and
// a line for the reason a clip could not be played. It only calls the AudioPlayer interface; the
// player stays owned by whoever created it and must outlive the control.
//
// In a right-to-left window the row reads from the right: buttons, elapsed time, the (mirrored)
// position slider, the clip's length.
class AudioControl : public QWidget
{
    Q_OBJECT

public:
    explicit AudioControl(AudioPlayer *player, QWidget *parent = nullptr);
    ~AudioControl() override;

    // "m:ss", or "h:mm:ss" from one hour on.
    static QString formatTime(qint64 ms);

    QSize sizeHint() const override;

    // Puts a feature's own small widget on the status row, beside the volume.
    void addStatusWidget(QWidget *widget);
    // Adds a small control (a button of another feature) to the lower row, before the volume.
    void addTool(QWidget *tool);

private:
    void showState(AudioPlayer::State state);
    void showPosition(qint64 position, qint64 length);
    void showFailure(const QString &message);
    void setStatus(const QString &text, bool failure);
    void togglePlay();
    void seekTo(int ms);
    // Moves the position slider to where the clip is, which is no seek.
    void followPlayer(const std::function<void()> &change);

    AudioPlayer *m_player;
    QToolButton *m_playButton;
    QToolButton *m_stopButton;
    QSlider *m_positionSlider;
    QLabel *m_elapsedLabel;
    QLabel *m_lengthLabel;
    QSlider *m_volumeSlider;
    QLabel *m_statusLabel;
    QHBoxLayout *m_statusRow;
    QHBoxLayout *m_toolRow;
    std::unique_ptr<PositionReadout> m_positionReadout;
    bool m_showingFailure = false;
    bool m_followingPlayer = false;
};
