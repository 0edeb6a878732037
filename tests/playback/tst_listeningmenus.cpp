#include "audiocontrol.h"
#include "listeningmenus.h"
#include "playback.h"
#include "playqueue.h"
#include "recentlist.h"
#include "repeatcontrol.h"
#include "scriptedplayer.h"

#include <QAction>
#include <QBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// The speed and repeat menus as the listener meets them: the player control's buttons, the keys,
// the tray's submenus.
class TestListeningMenus : public QObject
{
    Q_OBJECT

    ScriptedPlayer m_player;
    RecentList m_recent;
    std::unique_ptr<Playback> m_playback;
    std::unique_ptr<PlayQueue> m_queue;
    std::unique_ptr<RepeatControl> m_repeat;
    std::unique_ptr<ListeningMenus> m_menus;

private Q_SLOTS:
    void init()
    {
        m_player.setSpeed(1.0);
        m_playback = std::make_unique<Playback>(m_player, m_recent);
        m_queue = std::make_unique<PlayQueue>(*m_playback);
        m_repeat = std::make_unique<RepeatControl>(*m_playback, *m_queue);
        m_menus = std::make_unique<ListeningMenus>(m_player, *m_repeat);
    }
    void cleanup()
    {
        m_menus.reset();
        m_repeat.reset();
        m_queue.reset();
        m_playback.reset();
    }

    void buttonsShowAndFollowTheChoices()
    {
        AudioControl control(&m_player);
        QToolButton *speed = m_menus->speedButton(&control);
        QToolButton *repeat = m_menus->repeatButton(&control);
        control.addTool(speed);
        control.addTool(repeat);
        QCOMPARE(control.findChild<QToolButton *>(u"SpeedButton"_s), speed);
        QCOMPARE(speed->menu(), m_menus->speedMenu());
        QCOMPARE(repeat->menu(), m_menus->repeatMenu());
        QCOMPARE(speed->text(), u"1.0×"_s);
        QCOMPARE(repeat->text(), u"تكرار"_s);

        // A change made anywhere (the desktop's media controls included) shows at once.
        m_player.setSpeed(1.5);
        QCOMPARE(speed->text(), u"1.5×"_s);
        QVERIFY(m_menus->speedChoices().at(10)->isChecked());
        m_repeat->setMode(RepeatMode::tape(3));
        QCOMPARE(repeat->text(), u"تكرار: 3×"_s);
        QCOMPARE(repeat->toolTip(), u"تشغيل الشريط الحالي 3 مرات"_s);
        QVERIFY(m_menus->repeatChoices().at(3)->isChecked());

        // Choosing in the menus sets the player and the repeat mode.
        m_menus->repeatChoices().last()->trigger();
        QCOMPARE(m_repeat->mode(), RepeatMode::queue());
        QCOMPARE(repeat->text(), u"تكرار: القائمة"_s);
        m_menus->repeatChoices().at(1)->trigger();
        QCOMPARE(m_repeat->mode(), RepeatMode::tape());
        m_menus->repeatChoices().first()->trigger();
        QCOMPARE(m_repeat->mode(), RepeatMode::off());
    }

    void everyItemIsNamed()
    {
        AudioControl control(&m_player);
        const QList<QToolButton *> buttons{m_menus->speedButton(&control),
                                           m_menus->repeatButton(&control)};
        QCOMPARE(buttons[0]->accessibleName(), u"السرعة"_s);
        QCOMPARE(buttons[1]->accessibleName(), u"تكرار"_s);
        QCOMPARE(buttons[0]->focusPolicy(), Qt::TabFocus); // reachable from the keyboard
        for (QMenu *menu : {m_menus->speedMenu(), m_menus->repeatMenu()}) {
            QVERIFY(!menu->accessibleName().isEmpty());
            QVERIFY(!menu->menuAction()->objectName().isEmpty());
            for (QAction *action : menu->actions()) {
                QVERIFY2(!action->objectName().isEmpty(), qPrintable(action->text()));
                QVERIFY(action->isSeparator() || !action->text().isEmpty());
            }
        }
        QCOMPARE(m_menus->speedChoices().size(), 16); // 0.5 to 2.0
        QCOMPARE(m_menus->repeatChoices().size(), 8); // off, endless, 2 3 5 7 10, queue
        QCOMPARE(m_menus->repeatChoices().at(2)->text(), u"تشغيل الشريط الحالي مرتين"_s);
        QCOMPARE(m_menus->repeatChoices().at(6)->text(), u"تشغيل الشريط الحالي 10 مرات"_s);
    }

    void keysChangeTheSpeedOutsideTextBoxes()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *control = new AudioControl(&m_player);
        auto *box = new QLineEdit;
        layout->addWidget(control);
        layout->addWidget(box);
        m_menus->addKeysTo(&window);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        control->setFocus();
        QTest::keyClick(control, Qt::Key_BracketRight);
        QTest::keyClick(control, Qt::Key_BracketRight);
        QCOMPARE(m_player.speed(), 1.2);
        QTest::keyClick(control, Qt::Key_BracketLeft);
        QCOMPARE(m_player.speed(), 1.1);
        QTest::keyClick(control, Qt::Key_Backspace);
        QCOMPARE(m_player.speed(), 1.0);

        // A text box keeps its keys.
        box->setFocus();
        QTest::keyClicks(box, u"[]"_s);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), u"["_s);
        QCOMPARE(m_player.speed(), 1.0);
    }

    void trayGetsBothSubmenusBeforeTheGivenItem()
    {
        QMenu tray;
        QAction *pause = tray.addAction(u"إيقاف مؤقت"_s);
        QAction *show = tray.addAction(u"إظهار"_s);
        m_menus->addToMenu(&tray, show);
        const QList<QAction *> items = tray.actions();
        QCOMPARE(items.size(), 5);
        QCOMPARE(items[0], pause);
        QCOMPARE(items[1]->menu(), m_menus->speedMenu());
        QCOMPARE(items[1]->text(), u"السرعة"_s);
        QCOMPARE(items[2]->menu(), m_menus->repeatMenu());
        QCOMPARE(items[2]->text(), u"تكرار"_s);
        QVERIFY(items[3]->isSeparator());
        QCOMPARE(items[4], show);
    }
};

QTEST_MAIN(TestListeningMenus)
#include "tst_listeningmenus.moc"
