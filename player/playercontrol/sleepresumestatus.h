#pragma once

#include <QTimer>
#include <QWidget>

class Playback;
class QLabel;
class QToolButton;
class SleepTimer;

// The sleep timer and resume part of the player control: the time left before the sleep timer
// stops ("⏾ 29:41", shown only while it is set), and for a while after a tape continued where it
// stopped last time, "استُؤنف من 12:34" with a button that starts it from its beginning.
class SleepResumeStatus : public QWidget
{
    Q_OBJECT

public:
    // How long the resume notice stays.
    static constexpr int kNoticeMs = 15 * 1000;

    SleepResumeStatus(SleepTimer &sleep, Playback &playback, QWidget *parent = nullptr);

    QLabel *sleepLabel() const { return m_sleepLabel; }
    QLabel *noticeLabel() const { return m_noticeLabel; }
    QToolButton *fromStartButton() const { return m_fromStart; }

    // A message about the positions file (it could not be written), shown like the notice.
    void showMessage(const QString &text);

private:
    void showRemaining();
    void showResumed(qint64 ms);
    void hideNotice();

    SleepTimer &m_sleep;
    Playback &m_playback;
    QLabel *m_sleepLabel;
    QLabel *m_noticeLabel;
    QToolButton *m_fromStart;
    QTimer m_noticeTimer;
};
