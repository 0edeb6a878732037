#include "riwayafilter.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kHafs = u"رواية حفص عن عاصم"_s;
const QString kWarsh = u"رواية ورش عن نافع"_s;
const QString kShortHafs = u"رواية حفص"_s; // the beginning of another riwaya's text
} // namespace

class TestRiwayaFilter : public QObject
{
    Q_OBJECT

    const QStringList m_items{RiwayaFilter::allRiwayat(), kHafs, kWarsh, kShortHafs};

private Q_SLOTS:
    void storedFormIsKeptAsItIs()
    {
        QCOMPARE(RiwayaFilter().stored(), u"@كل الروايات"_s);
        QVERIFY(RiwayaFilter().showsAll());
        // Whatever the settings file held comes back byte for byte, leading space included.
        for (const QString &text : {u"@ رواية حفص عن عاصم"_s, u"@a@@b"_s, QString()})
            QCOMPARE(RiwayaFilter::fromStored(text).stored(), text);
        QVERIFY(!RiwayaFilter::fromStored(QString()).shows(kHafs)); // nothing chosen
    }

    void aRiwayaIsChosenOnlyByItsWholeText()
    {
        const RiwayaFilter hafs = RiwayaFilter::fromStored(u'@' + kHafs);
        QVERIFY(hafs.shows(kHafs));
        QVERIFY(!hafs.shows(kShortHafs));
        QVERIFY(!hafs.shows(kWarsh));
        QVERIFY(!hafs.showsAll());
        QVERIFY(RiwayaFilter::fromStored(u'@' + kWarsh + u'@' + kShortHafs).shows(kShortHafs));
        // All shown by its item, wherever it stands.
        QVERIFY(RiwayaFilter::fromStored(u'@' + kWarsh + u"@كل الروايات"_s).shows(kHafs));
    }

    void choosingFromTheMenu()
    {
        // A riwaya picked on its own replaces "all"; a second one joins it in the menu's order.
        RiwayaFilter f = RiwayaFilter().afterChoosing(2, m_items);
        QCOMPARE(f.stored(), u'@' + kWarsh);
        f = f.afterChoosing(1, m_items);
        QCOMPARE(f.stored(), u'@' + kHafs + u'@' + kWarsh);
        // Taken back one by one: nothing is left shown.
        f = f.afterChoosing(1, m_items).afterChoosing(2, m_items);
        QCOMPARE(f.stored(), QString());
        // Every riwaya chosen comes back to all of them; so does the first item, or one outside.
        f = f.afterChoosing(1, m_items).afterChoosing(2, m_items).afterChoosing(3, m_items);
        QCOMPARE(f, RiwayaFilter());
        QCOMPARE(RiwayaFilter::fromStored(u'@' + kHafs).afterChoosing(0, m_items), RiwayaFilter());
        QCOMPARE(RiwayaFilter::fromStored(u'@' + kHafs).afterChoosing(9, m_items), RiwayaFilter());
    }
};

QTEST_GUILESS_MAIN(TestRiwayaFilter)
#include "tst_riwayafilter.moc"
