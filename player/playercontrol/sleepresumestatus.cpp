#include "sleepresumestatus.h"

#include "audiocontrol.h"
#include "playback.h"
#include "sleeptimer.h"

#include <QBoxLayout>
#include <QLabel>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

SleepResumeStatus::SleepResumeStatus(SleepTimer &sleep, Playback &playback, QWidget *parent)
    : QWidget(parent)
    , m_sleep(sleep)
    , m_playback(playback)
{
    setObjectName(u"SleepResumeStatus"_s);

    m_noticeLabel = new QLabel(this);
    m_noticeLabel->setObjectName(u"ResumeNotice"_s);
    m_noticeLabel->setAccessibleName(u"موضع الاستئناف"_s);

    m_fromStart = new QToolButton(this);
    m_fromStart->setObjectName(u"FromStartButton"_s);
    m_fromStart->setText(u"من البداية"_s);
    m_fromStart->setAccessibleName(u"تشغيل الشريط من البداية"_s);
    m_fromStart->setToolTip(u"تشغيل الشريط من البداية"_s);
    m_fromStart->setAutoRaise(true);
    m_fromStart->setFocusPolicy(Qt::StrongFocus);

    m_sleepLabel = new QLabel(this);
    m_sleepLabel->setObjectName(u"SleepTimeLeft"_s);
    m_sleepLabel->setAccessibleName(u"الوقت الباقي قبل الإيقاف"_s);
    m_sleepLabel->setToolTip(u"مؤقت الإيقاف"_s);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(m_noticeLabel);
    row->addWidget(m_fromStart);
    row->addWidget(m_sleepLabel);

    m_noticeTimer.setSingleShot(true);
    m_noticeTimer.setInterval(kNoticeMs);
    connect(&m_noticeTimer, &QTimer::timeout, this, &SleepResumeStatus::hideNotice);
    connect(m_fromStart, &QToolButton::clicked, this, [this] {
        m_playback.restartFromBeginning();
        hideNotice();
    });
    connect(&m_sleep, &SleepTimer::remainingChanged, this, &SleepResumeStatus::showRemaining);
    connect(&m_playback, &Playback::resumed, this, &SleepResumeStatus::showResumed);
    // Another tape: the notice was about the one before.
    connect(&m_playback, &Playback::linkChanged, this, &SleepResumeStatus::hideNotice);

    hideNotice();
    showRemaining();
}

void SleepResumeStatus::showRemaining()
{
    const QString text = m_sleep.remainingText();
    m_sleepLabel->setText(text);
    m_sleepLabel->setVisible(!text.isEmpty());
}

void SleepResumeStatus::showResumed(qint64 ms)
{
    m_noticeLabel->setText(u"استُؤنف من %1 —"_s.arg(AudioControl::formatTime(ms)));
    m_noticeLabel->show();
    m_fromStart->show();
    m_noticeTimer.start();
}

void SleepResumeStatus::showMessage(const QString &text)
{
    m_noticeLabel->setText(text);
    m_noticeLabel->setToolTip(text);
    m_noticeLabel->show();
    m_fromStart->hide();
    m_noticeTimer.start();
}

void SleepResumeStatus::hideNotice()
{
    m_noticeTimer.stop();
    m_noticeLabel->hide();
    m_fromStart->hide();
}
