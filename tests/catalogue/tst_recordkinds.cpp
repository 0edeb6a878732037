#include "recordkinds.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Where the kinds' rules disagree, category by category: each use keeps its own rule.
class TestRecordKinds : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachUseAndItsRule_data()
    {
        QTest::addColumn<QString>("category");
        // grouped Quran, grouped lessons, titled Quran, riwaya filter, edited Quran, lessons
        QTest::addColumn<QList<bool>>("kinds");
        QTest::addRow("القرآن الكريم")
            << u"القرآن الكريم"_s << QList<bool>{true, false, true, true, true, false};
        QTest::addRow("قرآن كريم, no article")
            << u"قرآن كريم"_s << QList<bool>{true, false, true, true, false, false};
        QTest::addRow("كريم without قرآن")
            << u"تلاوات كريمة"_s << QList<bool>{true, false, true, false, false, false};
        QTest::addRow("قرآن without كريم")
            << u"قرآن"_s << QList<bool>{false, false, false, false, false, false};
        QTest::addRow("الدروس والخطب")
            << u"الدروس والخطب"_s << QList<bool>{false, true, false, false, false, true};
        QTest::addRow("دروس وخطب, no article")
            << u"دروس وخطب"_s << QList<bool>{false, false, false, false, false, true};
        QTest::addRow("دروس alone")
            << u"دروس"_s << QList<bool>{false, false, false, false, false, false};
        QTest::addRow("other") << u"أدعية"_s
                               << QList<bool>{false, false, false, false, false, false};
    }
    void eachUseAndItsRule()
    {
        QFETCH(QString, category);
        QFETCH(QList<bool>, kinds);
        const QList<bool> seen{
            RecordKinds::groupedAsQuran(category), RecordKinds::groupedAsLessons(category),
            RecordKinds::titledAsQuran(category),  RecordKinds::filteredByRiwaya(category),
            RecordKinds::editedAsQuran(category),  RecordKinds::editedAsLessons(category)};
        QCOMPARE(seen, kinds);
    }
};

QTEST_GUILESS_MAIN(TestRecordKinds)
#include "tst_recordkinds.moc"
