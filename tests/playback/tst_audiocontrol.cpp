#include "audiocontrol.h"
#include "audioplayer.h"
#include "notingplayer.h"
#include "positionreadout.h"

#include <QAccessible>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

class TestAudioControl : public QObject
{
    Q_OBJECT

private:
    template<typename T>
    static T *child(AudioControl &control, const QString &name)
    {
        T *found = control.findChild<T *>(name);
        if (!found)
            qFatal("no child %s", qPrintable(name));
        return found;
    }

private Q_SLOTS:
    void formatsTimes_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::addRow("zero") << qint64(0) << u"0:00"_s;
        QTest::addRow("below a second") << qint64(999) << u"0:00"_s;
        QTest::addRow("seconds") << qint64(5000) << u"0:05"_s;
        QTest::addRow("minutes") << qint64(62000) << u"1:02"_s;
        QTest::addRow("last of the hour") << qint64(3599999) << u"59:59"_s;
        QTest::addRow("one hour") << qint64(3600000) << u"1:00:00"_s;
        QTest::addRow("hours") << qint64(3723000) << u"1:02:03"_s;
        QTest::addRow("negative") << qint64(-4000) << u"0:00"_s;
    }

    void formatsTimes()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(AudioControl::formatTime(ms), text);
    }

    void playButtonFollowsState_data()
    {
        QTest::addColumn<AudioPlayer::State>("state");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("toolTip");
        QTest::addRow("stopped") << AudioPlayer::Stopped << u"StartPlay"_s << u"تشغيل"_s;
        QTest::addRow("opening") << AudioPlayer::Opening << u"PausePlay"_s << u"إيقاف مؤقت"_s;
        QTest::addRow("buffering") << AudioPlayer::Buffering << u"PausePlay"_s << u"إيقاف مؤقت"_s;
        QTest::addRow("playing") << AudioPlayer::Playing << u"PausePlay"_s << u"إيقاف مؤقت"_s;
        QTest::addRow("paused") << AudioPlayer::Paused << u"StartPlay"_s << u"تشغيل"_s;
    }

    void playButtonFollowsState()
    {
        QFETCH(AudioPlayer::State, state);
        QFETCH(QString, call);
        QFETCH(QString, toolTip);
        NotingPlayer player;
        AudioControl control(&player);
        // Go through another state first so that the button really changes.
        player.enter(state == AudioPlayer::Playing ? AudioPlayer::Paused : AudioPlayer::Playing);
        player.enter(state);

        auto *play = child<QToolButton>(control, u"PlayButton"_s);
        QCOMPARE(play->toolTip(), toolTip);
        QTest::mouseClick(play, Qt::LeftButton);
        QTest::mouseClick(child<QToolButton>(control, u"StopButton"_s), Qt::LeftButton);
        QCOMPARE(player.calls, (QStringList{call, u"StopPlay"_s}));
    }

    void statusShowsFailureUntilPlaying()
    {
        NotingPlayer player;
        AudioControl control(&player);
        auto *status = child<QLabel>(control, u"StatusLabel"_s);
        QCOMPARE(status->text(), QString());

        player.enter(AudioPlayer::Opening);
        player.enter(AudioPlayer::Stopped);
        Q_EMIT player.failed(u"تعذر الاتصال بالخادم"_s);
        QCOMPARE(status->text(), u"تعذر الاتصال بالخادم"_s);
        // Stopping again keeps the reason in view; playing a clip clears it.
        player.enter(AudioPlayer::Stopped);
        QCOMPARE(status->text(), u"تعذر الاتصال بالخادم"_s);
        player.enter(AudioPlayer::Playing);
        QCOMPARE(status->text(), QString());
        player.enter(AudioPlayer::Stopped);
        QCOMPARE(status->text(), QString());
    }

    void showsPositionAndLength()
    {
        NotingPlayer player;
        AudioControl control(&player);
        player.enter(AudioPlayer::Playing);
        Q_EMIT player.PositionChanged(5000, 3723000);
        QCOMPARE(child<QLabel>(control, u"ElapsedLabel"_s)->text(), u"0:05"_s);
        QCOMPARE(child<QLabel>(control, u"LengthLabel"_s)->text(), u"1:02:03"_s);
        auto *slider = child<QSlider>(control, u"PositionSlider"_s);
        QVERIFY(slider->isEnabled());
        QCOMPARE(slider->maximum(), 3723000);
        QCOMPARE(slider->value(), 5000);

        // Stopped: back at the start, the length stays, no seeking.
        player.enter(AudioPlayer::Stopped);
        QCOMPARE(child<QLabel>(control, u"ElapsedLabel"_s)->text(), u"0:00"_s);
        QCOMPARE(child<QLabel>(control, u"LengthLabel"_s)->text(), u"1:02:03"_s);
        QCOMPARE(slider->value(), 0);
        QVERIFY(!slider->isEnabled());
        QVERIFY(player.calls.isEmpty());
    }

    void seeksWhenTheHandleIsReleased()
    {
        NotingPlayer player;
        AudioControl control(&player);
        player.enter(AudioPlayer::Playing);
        Q_EMIT player.PositionChanged(1000, 60000);
        auto *slider = child<QSlider>(control, u"PositionSlider"_s);

        // While the handle is held, the clip's progress does not pull it back.
        slider->setSliderDown(true);
        slider->setSliderPosition(30000);
        Q_EMIT player.PositionChanged(2000, 60000);
        QCOMPARE(slider->sliderPosition(), 30000);
        QCOMPARE(child<QLabel>(control, u"ElapsedLabel"_s)->text(), u"0:30"_s);
        QVERIFY(player.calls.isEmpty());

        slider->setSliderDown(false);
        QCOMPARE(player.calls, QStringList{u"seek 30000"_s});

        // A step from the keyboard seeks at once; updates do not seek back.
        player.calls.clear();
        slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(player.calls, QStringList{u"seek 40000"_s});
        Q_EMIT player.PositionChanged(40100, 60000);
        QCOMPARE(slider->value(), 40100);
        QCOMPARE(player.calls.size(), 1);
    }

    // What a screen reader hears and does: names that follow the state, the position as a time,
    // values set through the accessibility interface acting as the keys do.
    void speaksToScreenReaders()
    {
        NotingPlayer player;
        AudioControl control(&player);
        auto *play = child<QToolButton>(control, u"PlayButton"_s);
        QCOMPARE(play->accessibleName(), u"تشغيل"_s);
        player.enter(AudioPlayer::Playing);
        QCOMPARE(play->accessibleName(), u"إيقاف مؤقت"_s);
        QCOMPARE(child<QToolButton>(control, u"StopButton"_s)->accessibleName(), u"إيقاف"_s);
        auto *slider = child<QSlider>(control, u"PositionSlider"_s);
        auto *volume = child<QSlider>(control, u"VolumeSlider"_s);
        QCOMPARE(slider->accessibleName(), u"الموضع"_s);
        QCOMPARE(volume->accessibleName(), u"مستوى الصوت"_s);

        Q_EMIT player.PositionChanged(5000, 3723000);
        QCOMPARE(slider->accessibleDescription(), u"0:05 من 1:02:03"_s);

        // A value set the way AT-SPI sets it seeks once, and is said at once.
        QAccessibleValueInterface *position =
            QAccessible::queryAccessibleInterface(slider)->valueInterface();
        QVERIFY(position);
        position->setCurrentValue(60000);
        QCOMPARE(player.calls, QStringList{u"seek 60000"_s});
        QCOMPARE(slider->accessibleDescription(), u"1:00 من 1:02:03"_s);
        // The clip catching up is no seek.
        Q_EMIT player.PositionChanged(60250, 3723000);
        QCOMPARE(player.calls.size(), 1);

        // Stopped, there is nothing to seek in.
        player.enter(AudioPlayer::Stopped);
        QCOMPARE(slider->accessibleDescription(), u"0:00 من 1:02:03"_s);
        player.calls.clear();
        position->setCurrentValue(1000);
        QVERIFY(player.calls.isEmpty());

        QAccessible::queryAccessibleInterface(volume)->valueInterface()->setCurrentValue(25);
        QCOMPARE(player.calls, QStringList{u"setVolume 25"_s});
    }

    // The description moves on by steps while the clip plays, and at once for a jump or a new
    // length; a minute of four reports a second is a handful of notices, not two hundred.
    void positionReadoutDoesNotFlood()
    {
        QWidget slider;
        PositionReadout readout(&slider);
        QCOMPARE(slider.accessibleDescription(), u"0:00"_s);
        QCOMPARE(PositionReadout::describe(754000, 2700000), u"12:34 من 45:00"_s);

        // Each change of the text is a notice to the screen reader.
        int notices = 0;
        QString said = slider.accessibleDescription();
        const auto report = [&](qint64 ms, qint64 length) {
            readout.follow(ms, length);
            notices += slider.accessibleDescription() != said;
            said = slider.accessibleDescription();
        };
        report(0, 60000);
        QCOMPARE(said, u"0:00 من 1:00"_s);
        for (qint64 ms = 250; ms < PositionReadout::kStep; ms += 250)
            report(ms, 60000);
        QCOMPARE(said, u"0:00 من 1:00"_s);
        report(PositionReadout::kStep, 60000);
        QCOMPARE(said, u"0:10 من 1:00"_s);
        for (qint64 ms = PositionReadout::kStep; ms <= 60000; ms += 250)
            report(ms, 60000);
        QCOMPARE(said, u"1:00 من 1:00"_s);
        // One for the length, then one a step: 0:00, 0:10 … 1:00.
        QCOMPARE(notices, 7);

        // Back (a seek, another clip) and a new length are said at once.
        readout.follow(4000, 60000);
        QCOMPARE(slider.accessibleDescription(), u"0:04 من 1:00"_s);
        readout.follow(4100, 120000);
        QCOMPARE(slider.accessibleDescription(), u"0:04 من 2:00"_s);
    }

    void volumeAndLayout()
    {
        NotingPlayer player;
        player.volumePercent = 70;
        AudioControl control(&player);
        QCOMPARE(control.objectName(), u"RealAudio"_s);
        auto *volume = child<QSlider>(control, u"VolumeSlider"_s);
        QCOMPARE(volume->value(), 70);
        volume->setValue(30);
        QCOMPARE(player.calls, QStringList{u"setVolume 30"_s});

        // In the design's size and in a right-to-left window, elapsed time sits on the right of
        // the slider and the length on its left.
        control.setLayoutDirection(Qt::RightToLeft);
        control.resize(321, 57);
        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        auto *slider = child<QSlider>(control, u"PositionSlider"_s);
        const QRect elapsed = child<QLabel>(control, u"ElapsedLabel"_s)->geometry();
        const QRect length = child<QLabel>(control, u"LengthLabel"_s)->geometry();
        QVERIFY(elapsed.left() >= slider->geometry().right());
        QVERIFY(length.right() <= slider->geometry().left());
        QVERIFY(control.rect().contains(child<QToolButton>(control, u"PlayButton"_s)->geometry()));
        QVERIFY(control.rect().contains(volume->geometry()));
        QVERIFY(slider->width() > 100);
    }
};

QTEST_MAIN(TestAudioControl)
#include "tst_audiocontrol.moc"
