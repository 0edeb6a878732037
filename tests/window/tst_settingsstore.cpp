#include "codepage.h"
#include "settingsstore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The thirteen lines of config.ini, read line by line and written back.
class TestSettingsStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    Settings read(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(u"config.ini"_s);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write the settings file");
        f.close();
        return SettingsStore::load(path);
    }

private Q_SLOTS:
    void numbers_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // -99: unusable
        QTest::addRow("spaces around") << 4 << u"  12 "_s << 12;
        QTest::addRow("tab and no-break space") << 4 << u"\t12\u00A0"_s << 12;
        QTest::addRow("not a number") << 4 << u"1 2"_s << -99;
        QTest::addRow("count past 16 bits") << 4 << u"40000"_s << -99;
        QTest::addRow("title length below 16 bits") << 5 << u"-40000"_s << -99;
        QTest::addRow("odd format kept") << 3 << u"7"_s << 7;
        QTest::addRow("no such order") << 1 << u"4"_s << -99;
        QTest::addRow("no such window state") << 10 << u"3"_s << -99;
        QTest::addRow("no such search mode") << 12 << u"2"_s << -99;
        QTest::addRow("negative top") << 6 << u"-300"_s << -300;
    }

    void numbers()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(SettingsStore::parseNumber(line, text).value_or(-99), value);
    }

    void eachUsableLineIsTaken()
    {
        // Five lines: those five apply, the rest keep their defaults.
        Settings s = read("3\r\n1\r\n1\r\n5\r\n20\r\n");
        QCOMPARE(s.QuranSort, 3);
        QCOMPARE(s.MaxTitleLen, 20);
        QVERIFY(!s.top && !s.width && !s.windowState);
        QCOMPARE(s.RiwayaFilter, Settings::defaultRiwayaFilter());

        // Twelve lines, one damaged: the window state of line 10 survives.
        s = read("9\r\n0\r\n0\r\n25\r\n100\r\n1\r\n1\r\n6000\r\n6000\r\n2\r\n@x\r\n1\r\n");
        QCOMPARE(s.QuranSort, 0);
        QCOMPARE(s.windowState, 2);
        QCOMPARE(s.RiwayaFilter, u"@x"_s);
        QCOMPARE(s.searchMode, 1);
        QCOMPARE(s.minimiseTarget, 0);

        // Lone LF line ends (a file edited on Linux) read the same.
        QCOMPARE(read("1\n1\n"), read("1\r\n1\r\n"));
        QCOMPARE(read(QByteArray()), Settings());
        QCOMPARE(SettingsStore::load(m_dir.filePath(u"missing.ini"_s)), Settings());
    }

    void writtenBackExactly()
    {
        const QByteArray bytes =
            "2\r\n1\r\n7\r\n10\r\n60\r\n1000\r\n1500\r\n6001\r\n9000\r\n1\r\n@" +
            CodePage::encode(u"ورش"_s) + "\r\n1\r\n1\r\n";
        const Settings s = read(bytes);
        const QString copy = m_dir.filePath(u"copy.ini"_s);
        QVERIFY(SettingsStore::save(copy, s));
        QFile f(copy);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        // A folder that does not exist: no file, and the caller learns it.
        QVERIFY(!SettingsStore::save(m_dir.filePath(u"no/such/config.ini"_s), s));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
