#include "audiosaving.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The names files are proposed under, and what a failed save says.
class TestAudioSaving : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void safeFileNames_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"فلان - نشيد"_s << u"http://h/a.mp3"_s << u"فلان - نشيد.mp3"_s;
        QTest::newRow("real media, any case") << u"درس"_s << u"http://h/a.RM "_s << u"درس.rm"_s;
        QTest::newRow("line breaks and slashes")
            << u"الشيخ\r\nدرس/أول\\ثان"_s << u"a.mp3"_s << u"الشيخ درس أول ثان.mp3"_s;
        QTest::newRow("hidden") << u"..درس"_s << u"a.mp3"_s << u"درس.mp3"_s;
        QTest::newRow("nothing left") << u" / \t"_s << u"a.mp3"_s << u"شريط.mp3"_s;
        QTest::newRow("long") << QString(300, u'ب') << u"a.mp3"_s << QString(120, u'ب') + u".mp3"_s;
    }
    void safeFileNames()
    {
        QFETCH(QString, title);
        QFETCH(QString, link);
        QFETCH(QString, name);
        QCOMPARE(AudioSaving::safeFileName(title, link), name);
    }

    void failureTexts()
    {
        using S = Download::Status;
        QCOMPARE(AudioSaving::failureText({S::HttpError, 404, QNetworkReply::ContentNotFoundError},
                                          u"/x/a.mp3"_s),
                 u"تعذر العثور على الملف الصوتي (HTTP 404)"_s);
        QCOMPARE(AudioSaving::failureText(
                     {S::HttpError, 503, QNetworkReply::ServiceUnavailableError}, u"/x/a.mp3"_s),
                 u"تعذر الاتصال بالخادم (HTTP 503)"_s);
        QCOMPARE(AudioSaving::failureText({S::NetworkError, 0, QNetworkReply::HostNotFoundError},
                                          u"/x/a.mp3"_s),
                 u"تعذر الاتصال بالخادم"_s);
        QCOMPARE(AudioSaving::failureText({S::NetworkError, 0, QNetworkReply::ContentNotFoundError},
                                          u"/x/a.mp3"_s),
                 u"تعذر العثور على الملف الصوتي"_s);
        QVERIFY(
            AudioSaving::failureText({S::DiskError, 0, {}}, u"/x/a.mp3"_s).contains(u"a.mp3"_s));
        QCOMPARE(
            AudioSaving::failureText({S::TooSlow, 0, QNetworkReply::TimeoutError}, u"/x/a.mp3"_s),
            u"تعذر الاتصال بالخادم"_s);
        QCOMPARE(AudioSaving::failureText({S::TooLarge, 200, QNetworkReply::OperationCanceledError},
                                          u"/x/a.mp3"_s),
                 u"لم يحفظ الملف a.mp3 لأن حجمه أكبر من الحد المسموح به."_s);
        QVERIFY(AudioSaving::failureText({S::Cancelled, 0, {}}, u"/x/a.mp3"_s).isEmpty());
    }
};

QTEST_MAIN(TestAudioSaving)
#include "tst_audiosaving.moc"
