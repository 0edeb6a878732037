#include "menuform.h"
#include "tapekeys.h"

#include <QAction>
#include <QMenu>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kPlayQueue = u"الاستماع إلى أشرطة قائمة الانتظار"_s;
const QString kPlayNext = u"الاستماع إلى الشريط التالي في قائمة الانتظار"_s;

QString entry(int n)
{
    return u"Leaf-قائمة الانتظار!t%1!NONE!%1.mp3"_s.arg(n);
}
const QString kTape = u"Leaf-S!a/b!G!a.mp3"_s;

using Kind = KeyedTree::Kind;
} // namespace

// Which popup and tray items show, from a plain description of the tree and the player.
class TestMenuForm : public QObject
{
    Q_OBJECT

    static MenuForm::State state(Kind kind, const QString &key, AudioPlayer::State playState,
                                 const QString &played, int entries)
    {
        MenuForm::State s;
        s.sourceKind = kind;
        s.sourceKey = key;
        s.playState = playState;
        s.playedNode = played;
        for (int n = 1; n <= entries; ++n)
            s.queueKeys.append(entry(n));
        return s;
    }

private Q_SLOTS:
    void playNextItem_data()
    {
        QTest::addColumn<AudioPlayer::State>("playState");
        QTest::addColumn<QString>("played");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("caption");
        QTest::addRow("no queue") << AudioPlayer::Stopped << QString() << 0 << false << QString();
        QTest::addRow("stopped, one entry")
            << AudioPlayer::Stopped << entry(1) << 1 << true << kPlayQueue;
        QTest::addRow("another tape plays")
            << AudioPlayer::Playing << kTape << 1 << true << kPlayQueue;
        QTest::addRow("the only entry plays")
            << AudioPlayer::Playing << entry(1) << 1 << false << QString();
        QTest::addRow("an entry plays, one more")
            << AudioPlayer::Opening << entry(1) << 2 << true << kPlayNext;
    }

    void playNextItem()
    {
        QFETCH(AudioPlayer::State, playState);
        QFETCH(QString, played);
        QFETCH(int, entries);
        QFETCH(bool, shown);
        QFETCH(QString, caption);
        MenuForm menus;
        const MenuForm::State s = state(Kind::None, QString(), playState, played, entries);
        menus.prepareTreePopup(s);
        QCOMPARE(menus.popup().mnuPlayNext->isVisible(), shown);
        QCOMPARE(menus.popup().sepp->isVisible(), shown);
        menus.PrepareTrayMenu(s, {});
        QCOMPARE(menus.tray().mnuPlayNextTray->isVisible(), shown);
        if (shown) {
            QCOMPARE(menus.popup().mnuPlayNext->text(), caption);
            QCOMPARE(menus.tray().mnuPlayNextTray->text(), caption);
        }
    }

    void itemsByNode()
    {
        MenuForm menus;
        const MenuForm::TreeItems &p = menus.popup();
        // Empty space: adding, searching and collapsing only.
        menus.prepareTreePopup(state(Kind::None, QString(), AudioPlayer::Stopped, QString(), 0));
        for (QAction *a : menus.mnupopup()->actions())
            QCOMPARE(a->isVisible(),
                     QList<QAction *>({p.mnuAddNew2Dir, p.sep4, p.mnusearch2, p.mnuCollapseall})
                         .contains(a));
        // A root folder cannot be queued; another folder can.
        MenuForm::State root = state(Kind::Folder, u"S/"_s, AudioPlayer::Stopped, QString(), 0);
        root.sourceIsRoot = true;
        menus.prepareTreePopup(root);
        QVERIFY(!p.mnuAdd2Playlist->isVisible());
        QVERIFY(p.mnuDelDir->isVisible());
        menus.prepareTreePopup(state(Kind::Folder, u"S/a/"_s, AudioPlayer::Stopped, QString(), 0));
        QVERIFY(p.mnuAdd2Playlist->isVisible());
        // A favourite is not offered again; a queue entry is neither a favourite nor editable.
        menus.prepareTreePopup(state(Kind::Tape, u"Leaf-أشرطتي المفضلة!S/a!NONE!a.mp3"_s,
                                     AudioPlayer::Stopped, {}, 0));
        QVERIFY(!p.mnuAdd2Fav->isVisible());
        QVERIFY(p.mnuAdd2Playlist->isVisible());
        menus.prepareTreePopup(state(Kind::Tape, entry(1), AudioPlayer::Stopped, QString(), 1));
        QVERIFY(!p.mnuAdd2Fav->isVisible());
        QVERIFY(!p.mnuAdd2Playlist->isVisible());
        QVERIFY(!p.mnumodify->isVisible());
        QVERIFY(p.mnulisten->isVisible());

        // A tape without an RM link: its RM items show, disabled.
        menus.prepareTreePopup(state(Kind::Tape, kTape, AudioPlayer::Stopped, QString(), 0));
        menus.enableForLinks({u"a.mp3"_s, QString()});
        QVERIFY(p.mnulistenrm->isVisible());
        QVERIFY(!p.mnulistenrm->isEnabled());
        QVERIFY(p.mnulisten->isEnabled());
        // Both links: every listen, download and save item of each kind is enabled again.
        menus.enableForLinks({u"a.mp3"_s, u"b.rm"_s});
        for (QAction *item :
             {p.mnulisten, p.mnuDMP3, p.mnuSaveMP3, p.mnulistenrm, p.mnuDRM, p.mnuSaveRM})
            QVERIFY2(item->isEnabled(), qPrintable(item->objectName()));
    }

    void moveItems_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("at");
        QTest::addColumn<AudioPlayer::State>("playState");
        QTest::addColumn<int>("playedEntry"); // 0: none
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("down");
        QTest::addRow("only entry, stopped")
            << 1 << 1 << AudioPlayer::Stopped << 1 << false << true;
        QTest::addRow("only entry, playing")
            << 1 << 1 << AudioPlayer::Playing << 1 << false << false;
        QTest::addRow("first, another plays")
            << 3 << 1 << AudioPlayer::Playing << 0 << false << true;
        QTest::addRow("second while the first plays")
            << 3 << 2 << AudioPlayer::Playing << 1 << false << true;
        QTest::addRow("second, stopped") << 3 << 2 << AudioPlayer::Stopped << 1 << true << true;
        QTest::addRow("last") << 3 << 3 << AudioPlayer::Playing << 1 << true << false;
    }

    void moveItems()
    {
        QFETCH(int, entries);
        QFETCH(int, at);
        QFETCH(AudioPlayer::State, playState);
        QFETCH(int, playedEntry);
        QFETCH(bool, up);
        QFETCH(bool, down);
        MenuForm menus;
        const QString played = playedEntry ? entry(playedEntry) : kTape;
        menus.prepareTreePopup(state(Kind::Tape, entry(at), playState, played, entries));
        QCOMPARE(menus.popup().mnuMoveup->isVisible(), up);
        QCOMPARE(menus.popup().mnuMoveDown->isVisible(), down);
        QCOMPARE(menus.popup().sepl->isVisible(), up || down);
    }

    void entriesWithTheSameTitleAreToldApart()
    {
        // One surah in two riwayat gives two entries of one title: the second is not the first.
        MenuForm menus;
        MenuForm::State s;
        s.sourceKind = Kind::Tape;
        s.queueKeys = {u"Leaf-قائمة الانتظار!R - الفاتحة!NONE!h.mp3"_s,
                       u"Leaf-قائمة الانتظار!R - الفاتحة!NONE!w.mp3"_s};
        s.sourceKey = s.queueKeys[1];
        menus.prepareTreePopup(s);
        QVERIFY(menus.popup().mnuMoveup->isVisible());
        QVERIFY(!menus.popup().mnuMoveDown->isVisible());
    }

    void trayItems()
    {
        MenuForm menus;
        const MenuForm::TrayItems &t = menus.tray();
        // Nothing loaded: no pause, stop, copy or save item.
        menus.PrepareTrayMenu(state(Kind::None, QString(), AudioPlayer::Stopped, QString(), 0), {});
        for (QAction *a : {t.mnuPause, t.mnuStop, t.mnuCopyLinkMP3Tray, t.mnuSaveRMTray, t.sep5})
            QVERIFY(!a->isVisible());
        QVERIFY(t.mnuShow->isVisible());
        QVERIFY(t.mnuExit->isVisible());
        // Playing a tape with an MP3 link only.
        MenuForm::State s = state(Kind::None, QString(), AudioPlayer::Playing, kTape, 0);
        s.clipText = u"a.mp3"_s;
        menus.PrepareTrayMenu(s, {u"a.mp3"_s, QString()});
        QVERIFY(t.mnuPause->isVisible());
        QVERIFY(t.mnuCopyLinkMP3Tray->isVisible());
        QVERIFY(!t.mnuCopyLinkRMTray->isVisible());
        QVERIFY(t.sep5->isVisible());
    }
};

QTEST_MAIN(TestMenuForm)
#include "tst_menuform.moc"
