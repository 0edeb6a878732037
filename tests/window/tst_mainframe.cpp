#include "catalogue.h"
#include "cataloguetree.h"
#include "codepage.h"
#include "keyedtree.h"
#include "mainframe.h"
#include "playback.h"
#include "recentlist.h"
#include "titlebox.h"
#include "toolcommands.h"
#include "traycontroller.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kQuran = u"القرآن الكريم"_s;
const QString kLessons = u"الدروس والخطب"_s;
const QString kHafs = u"رواية حفص عن عاصم"_s;
const QString kWarsh = u"رواية ورش عن نافع"_s;

// A small application folder: DB/ with Quran tapes in two riwayat, lessons and supplications.
class AppFolder
{
public:
    AppFolder()
    {
        QDir(dir.path()).mkdir(u"DB"_s);
        writeLines(u"DB/q.txt"_s, {kQuran + u"!R2/002 سورة البقرة!"_s + kHafs + u"!q1.mp3"_s,
                                   kQuran + u"!R1/001 سورة الفاتحة!"_s + kHafs + u"!q2.mp3"_s,
                                   kQuran + u"!R1/001 سورة الفاتحة!"_s + kWarsh + u"!q3.mp3"_s,
                                   kQuran + u"!R1/!"_s + kWarsh + u"!q4.mp3"_s});
        writeLines(u"DB/z.txt"_s, {kLessons + u"!S/X/T!فقه!d1.mp3"_s, u"أدعية!دعاء!none!a.mp3"_s,
                                   kQuran + u"!R2/002 سورة البقرة!"_s + kHafs + u"!q1.mp3"_s});
    }

    void writeLines(const QString &name, const QStringList &lines)
    {
        QVERIFY(writeCodePageLines(dir.filePath(name), lines));
    }
    void writeBytes(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readBytes(const QString &name) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString path() const { return dir.path(); }

    QTemporaryDir dir;
};

QStringList texts(const QList<KeyedTree::Node> &nodes)
{
    QStringList out;
    for (KeyedTree::Node n : nodes)
        out.append(KeyedTree::text(n));
    return out;
}

QStringList childTexts(KeyedTree::Node node)
{
    QStringList out;
    for (int i = 0; i < KeyedTree::children(node); ++i)
        out.append(KeyedTree::text(KeyedTree::childAt(node, i)));
    return out;
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

    QAction *action(MainFrame &w, const QString &name)
    {
        auto *a = w.findChild<QAction *>(name);
        if (!a)
            qWarning("no action %s", qPrintable(name));
        return a;
    }

    // Expands a node the way the view does when the user clicks its expander.
    KeyedTree::Node expand(MainFrame &w, const QString &key)
    {
        KeyedTree::Node node = w.tree().item(key);
        if (node)
            w.tree().widget()->expandItem(node);
        return node;
    }

private Q_SLOTS:
    void windowAndMenus()
    {
        // The caption is how the updater finds the player; the copy items wait for a tape.
        AppFolder app;
        PlayerSession session(app.path());
        MainFrame w(session);
        QCOMPARE(w.windowTitle(), u" Marvoli"_s);
        for (const QString &name : {u"SaveMP3"_s, u"SaveRM"_s})
            QVERIFY2(!action(w, name)->isEnabled(), qPrintable(name));
        // The network item only where the desktop has a tool for those settings.
        QCOMPARE(action(w, u"IntOptions"_s)->isVisible(),
                 !ToolCommands::networkSettingsTool().program.isEmpty());
        QCOMPARE(action(w, u"Riwaya_2"_s)->text(), kWarsh); // one item per riwaya met
        QCOMPARE(w.tree().widget()->layoutDirection(), Qt::RightToLeft);
    }

    void rootsAndLazyExpansion()
    {
        AppFolder app;
        PlayerSession session(app.path());
        MainFrame w(session);
        w.show();
        KeyedTree &tree = w.tree();
        // Roots in the order categories were met, each with only its placeholder.
        QCOMPARE(texts(tree.roots()), (QStringList{kQuran, kLessons, u"أدعية"_s}));
        QCOMPARE(tree.count(), 6);
        QVERIFY(tree.contains(kQuran + u"/-tmp"_s));

        KeyedTree::Node quran = expand(w, kQuran + u'/');
        QCOMPARE(childTexts(quran), (QStringList{u' ' + kHafs, u' ' + kWarsh}));
        QCOMPARE(KeyedTree::expandedImage(quran), u"Open"_s);
        QVERIFY(!tree.contains(kQuran + u"/-tmp"_s));

        KeyedTree::Node hafs = expand(w, kQuran + u'/' + kHafs + u'/');
        QCOMPARE(childTexts(hafs), (QStringList{u" R1"_s, u" R2"_s}));
        // The same line in two files gives one tape.
        KeyedTree::Node r2 = expand(w, kQuran + u'/' + kHafs + u"/R2/"_s);
        QCOMPARE(KeyedTree::children(r2), 1);
        KeyedTree::Node tape = KeyedTree::child(r2);
        QCOMPARE(KeyedTree::key(tape),
                 u"Leaf-"_s + kQuran + u"!R2/002 سورة البقرة!"_s + kHafs + u"!q1.mp3"_s);
        QCOMPARE(KeyedTree::image(tape), u"Leaf"_s);
        QCOMPARE(CatalogueTree::NodeKind(tape), KeyedTree::Kind::Tape);
        QCOMPARE(CatalogueTree::NodeKind(r2), KeyedTree::Kind::Folder);
        QCOMPARE(CatalogueTree::NodeKind(nullptr), KeyedTree::Kind::None);
        QVERIFY(CatalogueTree::IsRootNode(quran));
        QVERIFY(!CatalogueTree::IsRootNode(hafs));

        // A tape whose name is empty shows under a visible stand-in name.
        expand(w, kQuran + u'/' + kWarsh + u'/');
        KeyedTree::Node r1 = expand(w, kQuran + u'/' + kWarsh + u"/R1/"_s);
        QVERIFY(childTexts(r1).contains(CatalogueTree::unnamedText()));

        // A second expansion adds nothing.
        const int count = tree.count();
        w.tree().setExpanded(quran, false);
        expand(w, kQuran + u'/');
        QCOMPARE(tree.count(), count);

        // Opening a sub-folder closes its open siblings only; opening a root closes the others.
        KeyedTree::Node warsh = tree.item(kQuran + u'/' + kWarsh + u'/');
        QVERIFY(KeyedTree::isExpanded(warsh));
        w.tree().widget()->collapseItem(hafs);
        expand(w, kQuran + u'/' + kHafs + u'/');
        QVERIFY(!KeyedTree::isExpanded(warsh));
        QVERIFY(KeyedTree::isExpanded(quran));
        expand(w, kLessons + u'/');
        QVERIFY(!KeyedTree::isExpanded(quran));
        QVERIFY(KeyedTree::isExpanded(hafs)); // inner branches stay as they were

        QVERIFY(!w.catalogueTree().RemoveChildNodes(u"nope/"_s));
        QVERIFY(w.catalogueTree().RemoveChildNodes(kQuran + u'/'));
        QCOMPARE(KeyedTree::children(quran), 0);
        QVERIFY(!tree.contains(kQuran + u'/' + kHafs + u'/'));
    }

    void groupingOrders()
    {
        AppFolder app;
        PlayerSession session(app.path());
        MainFrame w(session);
        action(w, u"QSort_3"_s)->trigger();
        QCOMPARE(w.session().catalogue().paths().QuranSort, 3);
        QVERIFY(action(w, u"QSort_3"_s)->isChecked());
        QVERIFY(!action(w, u"QSort_0"_s)->isChecked());
        KeyedTree::Node quran = expand(w, kQuran + u'/');
        // The tape without a surah name sits in a folder shown with the stand-in name.
        QCOMPARE(childTexts(quran), (QStringList{u' ' + CatalogueTree::unnamedText(),
                                                 u" 001 سورة الفاتحة"_s, u" 002 سورة البقرة"_s}));
        KeyedTree::Node fatiha = expand(w, kQuran + u"/001 سورة الفاتحة/"_s);
        QCOMPARE(childTexts(fatiha), (QStringList{u"R1"_s, u"R1"_s})); // two riwayat

        // Clicking the checked order again keeps it checked and rebuilds the same tree.
        action(w, u"QSort_3"_s)->trigger();
        QVERIFY(action(w, u"QSort_3"_s)->isChecked());
        QCOMPARE(KeyedTree::children(w.tree().item(kQuran + u'/')), 1); // closed again

        action(w, u"QSort_0"_s)->trigger();
        quran = expand(w, kQuran + u'/');
        QCOMPARE(childTexts(quran), (QStringList{u' ' + kHafs, u' ' + kWarsh}));

        action(w, u"DSort_1"_s)->trigger();
        QCOMPARE(w.session().catalogue().paths().DourousSort, 1);
        QVERIFY(!action(w, u"DSort_0"_s)->isChecked());
        KeyedTree::Node lessons = expand(w, kLessons + u'/');
        QCOMPARE(childTexts(lessons), QStringList{u" فقه"_s});
        KeyedTree::Node fiqh = expand(w, kLessons + u"/فقه/"_s);
        QCOMPARE(childTexts(fiqh), QStringList{u"  X - S"_s});

        action(w, u"Foption_1"_s)->trigger();
        QCOMPARE(w.session().playback().SoundFormat(), 1);
        QVERIFY(!action(w, u"Foption_0"_s)->isChecked());
        QVERIFY(w.tree().item(kLessons + u"/فقه/"_s)); // the format leaves the tree alone
    }

    void riwayaFilter()
    {
        AppFolder app;
        PlayerSession session(app.path());
        MainFrame w(session);
        QVERIFY(action(w, u"Riwaya_0"_s)->isChecked());
        action(w, u"Riwaya_2"_s)->trigger();
        QCOMPARE(w.catalogueTree().RiwayaFilter().stored(), u'@' + kWarsh);
        QVERIFY(!action(w, u"Riwaya_0"_s)->isChecked());
        KeyedTree::Node quran = expand(w, kQuran + u'/');
        QCOMPARE(childTexts(quran), QStringList{u' ' + kWarsh});
        QCOMPARE(KeyedTree::children(expand(w, u"أدعية/"_s)), 1); // other tapes stay

        // Selecting every riwaya one by one means all of them.
        action(w, u"Riwaya_1"_s)->trigger();
        QCOMPARE(w.catalogueTree().RiwayaFilter().stored(), u"@كل الروايات"_s);
        QVERIFY(!action(w, u"Riwaya_1"_s)->isChecked());

        // Unchecking the only one leaves nothing: every Quran tape is hidden.
        action(w, u"Riwaya_2"_s)->trigger();
        action(w, u"Riwaya_2"_s)->trigger();
        QCOMPARE(w.catalogueTree().RiwayaFilter().stored(), QString());
        quran = expand(w, kQuran + u'/');
        QCOMPARE(KeyedTree::children(quran), 0);
        QVERIFY(!w.tree().contains(kQuran + u"/-tmp"_s));
    }

    void defaultSettingsWithoutFile()
    {
        AppFolder app;
        {
            PlayerSession session(app.path());
            MainFrame w(session);
            QCOMPARE(w.size(), QSize(365, 553));
            const QRect screen = w.screen()->geometry();
            QVERIFY(qAbs(w.x() - (screen.width() - w.width()) / 2) <= w.width());
            QVERIFY(action(w, u"QSort_0"_s)->isChecked());
            QVERIFY(action(w, u"DSort_0"_s)->isChecked());
            QVERIFY(action(w, u"Foption_0"_s)->isChecked());
            QVERIFY(action(w, u"mnuMintoTray_0"_s)->isChecked());
            QVERIFY(w.findChild<QRadioButton *>(u"OptionS_0"_s)->isChecked());
            QCOMPARE(w.session().recentList().MaxLignes(), 25);
            QCOMPARE(w.session().recentList().MaxTitleLen(), 100);
            w.show();
            w.move(30, 45);
            QVERIFY(w.close());
        }
        const QStringList lines = CodePage::decodeLines(app.readBytes(u"config.ini"_s));
        QCOMPARE(lines,
                 (QStringList{u"0"_s, u"0"_s, u"0"_s, u"25"_s, u"100"_s, u"675"_s, u"450"_s,
                              u"5475"_s, u"8295"_s, u"0"_s, u"@كل الروايات"_s, u"0"_s, u"0"_s}));
    }

    void settingsRoundTrip()
    {
        AppFolder app;
        // Values the program writes back exactly, including twips that are not whole pixels.
        const QByteArray config =
            "2\r\n1\r\n7\r\n10\r\n60\r\n1000\r\n1500\r\n6001\r\n9000\r\n0\r\n@" +
            CodePage::encode(kWarsh) + "\r\n1\r\n1\r\n";
        app.writeBytes(u"config.ini"_s, config);
        {
            PlayerSession session(app.path());
            MainFrame w(session);
            QCOMPARE(w.session().catalogue().paths().QuranSort, 2);
            QCOMPARE(w.session().catalogue().paths().DourousSort, 1);
            QCOMPARE(w.session().playback().SoundFormat(), 7);
            QVERIFY(!action(w, u"Foption_0"_s)->isChecked()); // 7 has no item to tick
            QVERIFY(!action(w, u"Foption_1"_s)->isChecked());
            QCOMPARE(w.pos(), QPoint(100, 67));
            QCOMPARE(w.size(), QSize(400, 600));
            QVERIFY(action(w, u"Riwaya_2"_s)->isChecked());
            QVERIFY(!action(w, u"Riwaya_0"_s)->isChecked());
            QVERIFY(w.findChild<QRadioButton *>(u"OptionS_1"_s)->isChecked());
            QVERIFY(action(w, u"mnuMintoTray_1"_s)->isChecked());
            w.show();
            QVERIFY(w.close());
        }
        QCOMPARE(app.readBytes(u"config.ini"_s), config);
    }

    void damagedSettings_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<int>("quranSort");
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<int>("searchMode");
        QTest::addRow("five lines") << QByteArray("3\r\n1\r\n1\r\n5\r\n20\r\n") << 3 << 5 << 0;
        QTest::addRow("not a number") << QByteArray("3\r\n1\r\n1\r\nabc\r\n20\r\n1\r\n1\r\n6000\r\n"
                                                    "6000\r\n0\r\n@x\r\n1\r\n0\r\n")
                                      << 3 << 25 << 1;
        QTest::addRow("no such order") << QByteArray("4\r\n1\r\n1\r\n5\r\n20\r\n1\r\n1\r\n6000\r\n"
                                                     "6000\r\n0\r\n@x\r\n0\r\n0\r\n")
                                       << 0 << 5 << 0;
        QTest::addRow("no such search mode")
            << QByteArray(
                   "3\r\n1\r\n1\r\n5\r\n20\r\n1\r\n1\r\n6000\r\n6000\r\n0\r\n@x\r\n2\r\n0\r\n")
            << 3 << 5 << 0;
    }

    void damagedSettings()
    {
        // Each usable line is taken; what is missing or unusable falls back to its default, and
        // exactly one item of each choice is ticked.
        QFETCH(QByteArray, config);
        QFETCH(int, quranSort);
        QFETCH(int, maxLines);
        QFETCH(int, searchMode);
        AppFolder app;
        app.writeBytes(u"config.ini"_s, config);
        PlayerSession session(app.path());
        MainFrame w(session);
        QCOMPARE(w.session().catalogue().paths().QuranSort, quranSort);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(action(w, u"QSort_%1"_s.arg(i))->isChecked(), i == quranSort);
        QCOMPARE(w.session().catalogue().paths().DourousSort, 1);
        QCOMPARE(w.session().recentList().MaxLignes(), maxLines);
        QVERIFY(w.findChild<QRadioButton *>(u"OptionS_%1"_s.arg(searchMode))->isChecked());
    }

    void aVeryLongTitleIsCut()
    {
        // A name of a million characters would take the title box a minute to lay out.
        AppFolder app;
        PlayerSession session(app.path());
        MainFrame w(session);
        w.titleBox().setTitleText(QString(1000000, u'ب'));
        w.titleBox().AdjustTitleLines();
        QCOMPARE(w.titleBox().titleText().size(), TitleBox::kLongestShown + 1);
    }

    void closingWritesSaneMeasures()
    {
        AppFolder app;
        app.writeBytes(u"config.ini"_s,
                       "0\r\n0\r\n0\r\n25\r\n100\r\n-300\r\n600\r\n2000\r\n6000\r\n"
                       "0\r\n@x\r\n0\r\n0\r\n");
        {
            PlayerSession session(app.path());
            MainFrame w(session);
            w.show();
            QVERIFY(w.close());
            QCOMPARE(w.frameGeometry().width(), 3500 / 15); // left that wide
        }
        QStringList lines = CodePage::decodeLines(app.readBytes(u"config.ini"_s));
        QCOMPARE(lines.mid(5, 5), (QStringList{u"0"_s, u"600"_s, u"3500"_s, u"6000"_s, u"0"_s}));

        // Closed maximised: the normal measures and state 2, so it opens maximised again.
        {
            PlayerSession session(app.path());
            MainFrame w(session);
            w.showMaximized();
            QTRY_VERIFY(w.isMaximized());
            QCOMPARE(w.tray().LastWindowState(), 2);
            QVERIFY(w.close());
        }
        lines = CodePage::decodeLines(app.readBytes(u"config.ini"_s));
        QCOMPARE(lines.mid(5, 5), (QStringList{u"0"_s, u"600"_s, u"3500"_s, u"6000"_s, u"2"_s}));
        PlayerSession session(app.path());
        MainFrame w(session);
        QVERIFY(w.windowState() & Qt::WindowMaximized);
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
