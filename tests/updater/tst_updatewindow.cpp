#include "captionink.h"
#include "updatefixture.h"
#include "updateform.h"
#include "updateprocedure.h"
#include "widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace UpdateFixture;

// The updater's window as a person meets it, on a real X server under a window manager: which
// control has the first focus, how long each end message stays, and that the window stays live
// and can be stopped while a large update unpacks.
class TestUpdateWindow : public QObject
{
    Q_OBJECT

    Site m_site;
    std::unique_ptr<UpdateForm> m_form;

    template<typename T>
    T *child(const char *name) const
    {
        return m_form->findChild<T *>(QString::fromLatin1(name));
    }
    QPushButton *exitButton() const { return child<QPushButton>("Command2"); }
    // Shows the window as the desktop does and waits until it is the active one.
    bool showWindow()
    {
        m_form = std::make_unique<UpdateForm>(m_site.app());
        m_form->procedure().setStallTimeout(std::chrono::seconds(5));
        child<QCheckBox>("Check1")->setChecked(false); // no player to restart here
        m_form->show();
        m_form->activateWindow();
        return QTest::qWaitForWindowActive(m_form.get());
    }
    void pressUpdate() { QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton); }
    // From the moment the countdown starts, the caption it shows after 1.5 s and after 2.5 s
    // must be "خروج  9" and "خروج  8".
    void verifyCountdownRuns()
    {
        QTRY_COMPARE(exitButton()->text(), u"خروج  10"_s);
        QElapsedTimer clock;
        clock.start();
        QStringList seen;
        for (const int at : {1500, 2500}) {
            QTest::qWait(int(at - clock.elapsed()));
            seen.append(exitButton()->text());
        }
        QCOMPARE(seen, (QStringList{u"خروج  9"_s, u"خروج  8"_s}));
    }

private Q_SLOTS:
    void initTestCase()
    {
        UseRoomyButtons(); // as the updater does at its start
        if (!haveGcab())
            QSKIP("gcab is not installed");
    }
    void cleanup() { m_form.reset(); }

    void eachEndMessageStaysForItsCountdown_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing new") << u"nothing"_s << u"لا توجد تحديثات جديدة"_s;
        QTest::newRow("error stop") << u"error"_s << u"حدث خطأ أثناء عملية تحميل التحديث رقم 1"_s;
        QTest::newRow("installed") << u"done"_s << u"تم تحميل جميع التحديثات بنجاح"_s;
    }
    void eachEndMessageStaysForItsCountdown()
    {
        QFETCH(QString, end);
        QFETCH(QString, message);
        QVERIFY(m_site.prepare(5, end == u"nothing"_s ? 5 : 6));
        if (end == u"done"_s)
            m_site.offer(6, {{u"links6.txt"_s, "six"}});
        QVERIFY(showWindow());
        // The first focus is on the button a person presses, not on the status text.
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>("Command1"));
        pressUpdate();
        QCOMPARE(child<QLabel>("Label1")->text(), message);
        verifyCountdownRuns();
        QVERIFY(m_form->isVisible());
        // Unless something was installed, there is no player to restart.
        QCOMPARE(child<QCheckBox>("Check1")->isEnabled(), end == u"done"_s);
    }

    void focusChangesLeaveTheCountdownAlone()
    {
        QVERIFY(m_site.prepare(5, 5));
        QVERIFY(showWindow());
        pressUpdate();
        QTRY_COMPARE(exitButton()->text(), u"خروج  10"_s);
        // Another window comes to the front, then this one again.
        QWidget other;
        other.resize(200, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        // Tab reaches the status text, as a screen reader's user does.
        auto *label = child<QLabel>("Label1");
        for (int i = 0; i < 6 && QApplication::focusWidget() != label; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), label);
        QTRY_COMPARE_WITH_TIMEOUT(exitButton()->text(), u"خروج  7"_s, 4500);
    }

    void aClickOrAKeyOnTheTextKeepsTheWindow_data()
    {
        QTest::addColumn<bool>("keyboard");
        QTest::newRow("click") << false;
        QTest::newRow("Space") << true;
    }
    void aClickOrAKeyOnTheTextKeepsTheWindow()
    {
        QFETCH(bool, keyboard);
        QVERIFY(m_site.prepare(5, 5));
        QVERIFY(showWindow());
        pressUpdate();
        QTRY_COMPARE(exitButton()->text(), u"خروج  9"_s);
        auto *label = child<QLabel>("Label1");
        if (keyboard) {
            label->setFocus(Qt::TabFocusReason);
            QTest::keyClick(label, Qt::Key_Space);
        } else {
            QTest::mouseClick(label, Qt::LeftButton);
        }
        QTest::qWait(2200);
        QCOMPARE(exitButton()->text(), u"خروج  9"_s);
        QVERIFY(m_form->isVisible());
    }

    void aRetryIsNotCutOffByTheCountdown()
    {
        QVERIFY(m_site.prepare(5, 6));
        QVERIFY(showWindow());
        pressUpdate();
        QTRY_COMPARE(exitButton()->text(), u"خروج  9"_s);
        // The server has the update now; the user tries again while the countdown runs.
        m_site.offer(6, {{u"links6.txt"_s, "six"}});
        auto *timer = m_form->findChild<QTimer *>(u"Timer1"_s);
        QStringList duringRetry;
        connect(&m_form->procedure(), &UpdateProcedure::status, this, [&] {
            duringRetry.append(exitButton()->text() + (timer->isActive() ? u" ticking"_s : u""_s));
        });
        pressUpdate();
        QVERIFY(!duringRetry.isEmpty());
        QCOMPARE(duringRetry.filter(u"ticking"_s), QStringList());
        QCOMPARE(duringRetry.first(), u"إلغاء"_s);
        QCOMPARE(child<QLabel>("Label1")->text(), u"تم تحميل جميع التحديثات بنجاح"_s);
        QCOMPARE(m_site.infoLine2(), u"6"_s);
        verifyCountdownRuns();
    }

    void aMessageButtonKeepsItsCaptionClear();

    void aLargeUpdateUnpacksWhileTheWindowStaysLive()
    {
        // 5,000 entries: the window shows how far unpacking has gone, and cancel stops it.
        QVERIFY(m_site.prepare(5, 6));
        Files files;
        QRandomGenerator random(5000);
        for (int i = 0; i < 5000; ++i) {
            QByteArray bytes(8192, Qt::Uninitialized);
            random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
            files[u"links%1.txt"_s.arg(i, 4, 10, QLatin1Char('0'))] = bytes;
        }
        m_site.offer(6, files);
        QVERIFY(showWindow());
        QStringList progress;
        connect(&m_form->procedure(), &UpdateProcedure::status, this, [&](const QString &text) {
            if (text.contains(u" من 5000"_s))
                progress.append(text);
            // A person presses cancel once the window has shown some progress.
            if (progress.size() == 1)
                QTimer::singleShot(0, exitButton(),
                                   [this] { QTest::mouseClick(exitButton(), Qt::LeftButton); });
        });
        pressUpdate();
        QVERIFY(!progress.isEmpty());
        QTRY_VERIFY(!m_form->isVisible());
        QCOMPARE(m_site.infoLine2(), u"5"_s);
        QCOMPARE(QDir(m_site.app(u"DB"_s)).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"a.txt"_s});
        QVERIFY(!QFile::exists(m_site.app(u"Updates"_s)));
    }
};

// A message of the updater under the window manager: its button's caption keeps clear of both
// borders, with no icon laid beside it.
void TestUpdateWindow::aMessageButtonKeepsItsCaptionClear()
{
    QVERIFY(m_site.prepare(5, 5));
    QVERIFY(showWindow());
    // The choice cannot be kept: update.ini is a folder.
    QVERIFY(QDir(m_site.app()).mkpath(u"update.ini"_s));
    bool seen = false;
    bool noIcon = false;
    bool clear = false;
    QTimer::singleShot(200, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = true;
        QAbstractButton *ok = box->buttons().constFirst();
        noIcon = ok->icon().isNull();
        clear = captionClearOfBorders(ok);
        ok->click();
    });
    m_form->close();
    QTRY_VERIFY(seen);
    QVERIFY(noIcon);
    QVERIFY(clear);
    QVERIFY(QDir(m_site.app(u"update.ini"_s)).removeRecursively());
}

QTEST_MAIN(TestUpdateWindow)
#include "tst_updatewindow.moc"
