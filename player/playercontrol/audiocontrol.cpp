#include "audiocontrol.h"

#include "audioplayer.h"
#include "positionreadout.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

// Slider positions are ints; a clip longer than 24 days is not something to expect.
int toSliderValue(qint64 ms)
{
    return static_cast<int>(std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max()));
}

} // namespace

AudioControl::~AudioControl() = default;

AudioControl::AudioControl(AudioPlayer *player, QWidget *parent)
    : QWidget(parent)
    , m_player(player)
{
    setObjectName(u"RealAudio"_s);

    m_playButton = new QToolButton(this);
    m_playButton->setObjectName(u"PlayButton"_s);
    m_playButton->setAutoRaise(true);

    m_stopButton = new QToolButton(this);
    m_stopButton->setObjectName(u"StopButton"_s);
    m_stopButton->setAutoRaise(true);
    m_stopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    m_stopButton->setToolTip(u"إيقاف"_s);
    m_stopButton->setAccessibleName(u"إيقاف"_s);

    // Wide enough for "00:00" so that the slider does not twitch when the minutes gain a digit.
    const int timeWidth = fontMetrics().horizontalAdvance(u"00:00"_s) + 4;
    m_elapsedLabel = new QLabel(formatTime(0), this);
    m_elapsedLabel->setObjectName(u"ElapsedLabel"_s);
    m_elapsedLabel->setAlignment(Qt::AlignCenter);
    m_elapsedLabel->setMinimumWidth(timeWidth);

    m_positionSlider = new QSlider(Qt::Horizontal, this);
    m_positionSlider->setObjectName(u"PositionSlider"_s);
    m_positionSlider->setRange(0, 0);
    m_positionSlider->setPageStep(10000);
    m_positionSlider->setSingleStep(5000);
    m_positionSlider->setEnabled(false);
    m_positionSlider->setAccessibleName(u"الموضع"_s);
    m_positionReadout = std::make_unique<PositionReadout>(m_positionSlider);

    m_lengthLabel = new QLabel(formatTime(0), this);
    m_lengthLabel->setObjectName(u"LengthLabel"_s);
    m_lengthLabel->setAlignment(Qt::AlignCenter);
    m_lengthLabel->setMinimumWidth(timeWidth);

    // A long message must not widen the control: the window's layout decides its width.
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(u"StatusLabel"_s);
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *volumeIcon = new QLabel(this);
    volumeIcon->setObjectName(u"VolumeIcon"_s);
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    volumeIcon->setPixmap(
        style()
            ->standardPixmap(QStyle::SP_MediaVolume, nullptr, this)
            .scaled(iconSize, iconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    m_volumeSlider = new QSlider(Qt::Horizontal, this);
    m_volumeSlider->setObjectName(u"VolumeSlider"_s);
    m_volumeSlider->setRange(0, 100);
    m_volumeSlider->setValue(m_player->volume());
    m_volumeSlider->setMaximumWidth(80);
    m_volumeSlider->setToolTip(u"مستوى الصوت"_s);
    m_volumeSlider->setAccessibleName(u"مستوى الصوت"_s);

    // Two rows: transport and time above, status and volume below.
    // Horizontal layouts follow the layout direction, so a right-to-left window mirrors them.
    auto *transport = new QHBoxLayout;
    transport->setSpacing(4);
    transport->addWidget(m_playButton);
    transport->addWidget(m_stopButton);
    transport->addWidget(m_elapsedLabel);
    transport->addWidget(m_positionSlider, 1);
    transport->addWidget(m_lengthLabel);

    auto *status = new QHBoxLayout;
    status->setSpacing(4);
    status->addWidget(m_statusLabel, 1);
    m_toolRow = new QHBoxLayout;
    m_toolRow->setSpacing(0);
    status->addLayout(m_toolRow);
    status->addWidget(volumeIcon);
    status->addWidget(m_volumeSlider);
    m_statusRow = status;

    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(0);
    rows->addLayout(transport);
    rows->addLayout(status);

    connect(m_player, &AudioPlayer::StateChanged, this, &AudioControl::showState);
    connect(m_player, &AudioPlayer::PositionChanged, this, [this](qint64 position, qint64 length) {
        // Playing may have been stopped while this very event was handled (the sleep timer at a
        // tape's end): the control is back at the start and the event's old position must not
        // undo that.
        if (m_player->PlayState() != AudioPlayer::Stopped || position == 0)
            showPosition(position, length);
    });
    connect(m_player, &AudioPlayer::failed, this, &AudioControl::showFailure);

    connect(m_playButton, &QToolButton::clicked, this, &AudioControl::togglePlay);
    connect(m_stopButton, &QToolButton::clicked, m_player, &AudioPlayer::StopPlay);
    connect(m_volumeSlider, &QSlider::valueChanged, m_player, &AudioPlayer::setVolume);

    // Dragging only previews the time; the seek happens on release. Clicks on the groove and keys
    // move the slider by steps and seek at once.
    connect(m_positionSlider, &QSlider::sliderMoved, this,
            [this](int ms) { m_elapsedLabel->setText(formatTime(ms)); });
    connect(m_positionSlider, &QSlider::sliderReleased, this,
            [this] { seekTo(m_positionSlider->sliderPosition()); });
    // Clicks on the groove, keys and a screen reader setting the value seek at once; the
    // slider following the clip does not.
    connect(m_positionSlider, &QSlider::valueChanged, this, [this](int ms) {
        if (!m_followingPlayer && !m_positionSlider->isSliderDown() &&
            m_positionSlider->isEnabled())
            seekTo(ms);
    });

    showState(m_player->PlayState());
    showPosition(m_player->position(), m_player->length());
    if (!m_player->errorText().isEmpty())
        showFailure(m_player->errorText());
}

QString AudioControl::formatTime(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(ms, 0) / 1000;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const QString secondsText = u"%1"_s.arg(seconds % 60, 2, 10, QChar(u'0'));
    if (hours > 0)
        return u"%1:%2:%3"_s.arg(hours).arg(minutes, 2, 10, QChar(u'0')).arg(secondsText);
    return u"%1:%2"_s.arg(minutes).arg(secondsText);
}

QSize AudioControl::sizeHint() const
{
    return {321, 57};
}

void AudioControl::addStatusWidget(QWidget *widget)
{
    widget->setParent(this);
    // After the status line, before the volume icon and slider.
    m_statusRow->insertWidget(m_statusRow->count() - 2, widget);
}

void AudioControl::addTool(QWidget *tool)
{
    tool->setParent(this);
    m_toolRow->addWidget(tool);
}

void AudioControl::showState(AudioPlayer::State state)
{
    const bool running = state == AudioPlayer::Opening || state == AudioPlayer::Buffering ||
                         state == AudioPlayer::Playing;
    m_playButton->setIcon(
        style()->standardIcon(running ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playButton->setToolTip(running ? u"إيقاف مؤقت"_s : u"تشغيل"_s);
    m_playButton->setAccessibleName(m_playButton->toolTip());

    const bool seekable = state == AudioPlayer::Buffering || state == AudioPlayer::Playing ||
                          state == AudioPlayer::Paused;
    m_positionSlider->setEnabled(seekable);

    switch (state) {
    case AudioPlayer::Opening:
        setStatus(u"جارٍ الاتصال…"_s, false);
        break;
    case AudioPlayer::Buffering:
        setStatus(u"جارٍ التحميل…"_s, false);
        break;
    case AudioPlayer::Playing:
    case AudioPlayer::Paused:
        setStatus({}, false);
        break;
    default:
        // Stopped: back to the start, keeping the clip's length and a failure's reason.
        if (!m_positionSlider->isSliderDown())
            followPlayer([this] { m_positionSlider->setValue(0); });
        m_elapsedLabel->setText(formatTime(0));
        m_positionReadout->show(0, m_positionSlider->maximum());
        if (!m_showingFailure)
            setStatus({}, false);
        break;
    }
}

void AudioControl::showPosition(qint64 position, qint64 length)
{
    m_lengthLabel->setText(formatTime(length));
    // While the user holds the handle it shows where the clip will go, not where it is.
    if (m_positionSlider->isSliderDown())
        return;
    followPlayer([&] {
        m_positionSlider->setRange(0, toSliderValue(length));
        m_positionSlider->setValue(toSliderValue(position));
    });
    m_elapsedLabel->setText(formatTime(position));
    m_positionReadout->follow(position, length);
}

void AudioControl::showFailure(const QString &message)
{
    setStatus(message, !message.isEmpty());
}

void AudioControl::setStatus(const QString &text, bool failure)
{
    m_statusLabel->setText(text);
    // The label may be too narrow for the whole message.
    m_statusLabel->setToolTip(text);
    m_showingFailure = failure;
}

void AudioControl::togglePlay()
{
    const AudioPlayer::State state = m_player->PlayState();
    if (state == AudioPlayer::Stopped || state == AudioPlayer::Paused)
        m_player->StartPlay();
    else
        m_player->PausePlay();
}

void AudioControl::seekTo(int ms)
{
    m_positionReadout->show(ms, m_positionSlider->maximum());
    m_player->seek(ms);
}

void AudioControl::followPlayer(const std::function<void()> &change)
{
    m_followingPlayer = true;
    change();
    m_followingPlayer = false;
}
