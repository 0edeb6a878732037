#include "linkpolicy.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(LinkKind)

class TestLinkPolicy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void links_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<LinkKind>("kind");
        QTest::addColumn<QString>("openable");
        QTest::addColumn<QString>("uri");
        const auto web = [](const char *name, const QString &link, const QString &openable) {
            QTest::addRow("%s", name) << link << LinkKind::Web << openable << link;
        };
        const auto local = [](const char *name, const QString &link, const QString &openable,
                              const QString &uri) {
            QTest::addRow("%s", name) << link << LinkKind::LocalFile << openable << uri;
        };
        const auto refused = [](const char *name, const QString &link) {
            QTest::addRow("%s", name) << link << LinkKind::Refused << QString() << QString();
        };

        web("http", u"http://example.org/tafsir/1.mp3"_s, u"http://example.org/tafsir/1.mp3"_s);
        web("https with port and escapes", u"https://127.0.0.1:8443/a/tone%20two.mp3?x=1"_s,
            u"https://127.0.0.1:8443/a/tone%20two.mp3?x=1"_s);
        web("upper-case scheme", u"HTTP://Example.org/A.mp3"_s, u"http://Example.org/A.mp3"_s);
        web("Arabic path", u"http://example.org/تفسير/١.mp3"_s,
            u"http://example.org/تفسير/١.mp3"_s);

        local("relative", u"samples/004.mp3"_s, u"/opt/marvoli/samples/004.mp3"_s,
              u"file:///opt/marvoli/samples/004.mp3"_s);
        local("relative with dots and a space", u"./samples/../tapes/a b.mp3"_s,
              u"/opt/marvoli/tapes/a b.mp3"_s, u"file:///opt/marvoli/tapes/a%20b.mp3"_s);
        local("absolute Arabic", u"/srv/تفسير/١.mp3"_s, u"/srv/تفسير/١.mp3"_s,
              u"file:///srv/%D8%AA%D9%81%D8%B3%D9%8A%D8%B1/%D9%A1.mp3"_s);
        local("colon further on", u"samples/a:b.mp3"_s, u"/opt/marvoli/samples/a:b.mp3"_s,
              u"file:///opt/marvoli/samples/a:b.mp3"_s);
        // One letter is a drive, not a scheme; on this system it is an odd relative name.
        local("drive letter", u"C:/tapes/a.mp3"_s, u"/opt/marvoli/C:/tapes/a.mp3"_s,
              u"file:///opt/marvoli/C:/tapes/a.mp3"_s);
        local("percent sign and hash", u"/srv/100% #1.mp3"_s, u"/srv/100% #1.mp3"_s,
              u"file:///srv/100%25%20%231.mp3"_s);

        refused("empty", QString());
        refused("file URL", u"file:///etc/passwd"_s);
        refused("lavfi filter", u"av://lavfi:anullsrc,ametadata=mode=print:file=/tmp/x"_s);
        refused("lavfi prefix", u"lavfi://anullsrc"_s);
        refused("lavfi without slashes", u"lavfi:anullsrc"_s);
        refused("edit list", u"edl://%3%a.b"_s);
        refused("memory", u"memory://abc"_s);
        refused("descriptor", u"fd://0"_s);
        refused("image series", u"mf://*.jpg"_s);
        refused("CD", u"cdda://"_s);
        refused("FTP", u"ftp://example.org/a.mp3"_s);
        refused("upper-case other scheme", u"FILE:///etc/passwd"_s);
        refused("web without host", u"http:///etc/passwd"_s);
        refused("web without slashes", u"http:example.org/a.mp3"_s);
        refused("web with one slash", u"https:/example.org/a.mp3"_s);
        refused("header smuggled in", u"http://example.org/a.mp3\r\nRange: bytes=0-"_s);
        refused("control character in a path", u"samples/a\u0001.mp3"_s);
    }

    void links()
    {
        QFETCH(QString, link);
        QFETCH(LinkKind, kind);
        QFETCH(QString, openable);
        QFETCH(QString, uri);
        const QString base = u"/opt/marvoli"_s;
        QCOMPARE(linkKind(link), kind);
        QCOMPARE(openableLink(link, base), openable);
        QCOMPARE(linkToUri(link, base), uri);
    }

    void relativeBaseFolderStillGivesAbsolutePaths()
    {
        const QString path = openableLink(u"samples/a.mp3"_s, u"app"_s);
        QVERIFY2(path.startsWith(u'/') && path.endsWith(u"/app/samples/a.mp3"_s), qPrintable(path));
    }
};

QTEST_GUILESS_MAIN(TestLinkPolicy)
#include "tst_linkpolicy.moc"
