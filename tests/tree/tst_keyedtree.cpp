#include "keyedtree.h"

#include <QPaintEvent>
#include <QRandomGenerator>
#include <QRegion>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using Node = KeyedTree::Node;

namespace {

QStringList keys(const QList<Node> &nodes)
{
    QStringList result;
    for (Node node : nodes)
        result.append(KeyedTree::key(node));
    return result;
}

QList<Node> childrenOf(Node node)
{
    QList<Node> result;
    for (int i = 0; i < KeyedTree::children(node); ++i)
        result.append(KeyedTree::childAt(node, i));
    return result;
}

// True when the node currently shows the picture of this image key.
bool shows(Node node, const QString &image)
{
    return node->icon(0).cacheKey() == KeyedTree::icon(image).cacheKey();
}

} // namespace

class TestKeyedTree : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTreeWidget> m_widget;
    std::unique_ptr<KeyedTree> m_tree;

    // The text is the key unless given.
    Node add(Node parent, const QString &key, const QString &image = u"Leaf"_s,
             const QString &text = {})
    {
        return m_tree->add(parent, key, text.isNull() ? key : text, image);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Under a locale-aware comparison "a" would come before "B"; the tree must not care.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void init()
    {
        m_widget = std::make_unique<QTreeWidget>();
        m_tree = std::make_unique<KeyedTree>(m_widget.get());
    }
    void cleanup()
    {
        m_tree.reset();
        m_widget.reset();
    }

    void addAndFind();
    void removeSubtree();
    void clear();
    void navigation();
    void fullPath_data();
    void fullPath();
    void icons();
    void iconFollowsExpansion();
    void expandedSignal_data();
    void expandedSignal();
    void expandedSignalNotRepeated();
    void sortedOrder_data();
    void sortedOrder();
    void rootsKeepOrder();
    void sortKeepsViewState();
    void sortThousands();
    void selectionRepaintsWholeRows();
};

void TestKeyedTree::addAndFind()
{
    KeyedTree &t = *m_tree;
    const Node a = add(nullptr, u"a"_s, u"Closed"_s);
    const Node x = t.add(u"a"_s, u"x"_s, u" x"_s, u"Leaf"_s);
    QVERIFY(a && x);
    QCOMPARE(t.item(u"x"_s), x);
    QCOMPARE(KeyedTree::parent(x), a);

    // A used key fails wherever it is added again, and changes nothing.
    QVERIFY(!add(nullptr, u"x"_s));
    QVERIFY(!add(a, u"a"_s));
    QVERIFY(!t.add(u"a"_s, u"x"_s, u"other"_s, u"Leaf"_s));
    QCOMPARE(t.count(), 2);
    QCOMPARE(t.item(u"x"_s), x);
    QCOMPARE(KeyedTree::text(x), u" x"_s);
    QCOMPARE(t.nodes(), (QList<Node>{a, x}));

    // Unknown parents: a missing key, or a node of another tree.
    QTreeWidget otherWidget;
    KeyedTree other(&otherWidget);
    const Node foreign = other.add(nullptr, u"f"_s, u"F"_s, u"Closed"_s);
    QVERIFY(!t.add(u"missing"_s, u"y"_s, u"Y"_s, u"Leaf"_s));
    QVERIFY(!add(foreign, u"y"_s));
    QCOMPARE(KeyedTree::children(foreign), 0);
    QVERIFY(!t.contains(u"y"_s) && !t.item(u"missing"_s) && !t.item(QString()));
    QCOMPARE(t.count(), 2);
}

void TestKeyedTree::removeSubtree()
{
    KeyedTree &t = *m_tree;
    const Node r = add(nullptr, u"r"_s, u"Closed"_s);
    const Node f = add(r, u"f"_s, u"Closed"_s);
    add(f, u"t1"_s);
    add(add(f, u"g"_s, u"Closed"_s), u"t2"_s);
    add(r, u"t3"_s);
    const Node r2 = add(nullptr, u"r2"_s, u"Closed"_s);

    QVERIFY(t.remove(u"f"_s));
    QCOMPARE(t.count(), 3);
    QCOMPARE(keys(t.nodes()), (QStringList{u"r"_s, u"t3"_s, u"r2"_s}));
    for (const QString &gone : {u"f"_s, u"t1"_s, u"g"_s, u"t2"_s})
        QVERIFY2(!t.contains(gone) && !t.item(gone), qPrintable(gone));
    // The forgotten keys are free again.
    QVERIFY(add(add(r, u"f"_s, u"Closed"_s), u"t2"_s));
    QCOMPARE(t.count(), 5);

    QVERIFY(!t.remove(u"missing"_s));
    t.remove(Node(nullptr));
    QTreeWidget otherWidget;
    KeyedTree other(&otherWidget);
    const Node foreign = other.add(nullptr, u"x"_s, u"X"_s, u"Leaf"_s);
    t.remove(foreign); // not ours: left alone
    QCOMPARE(other.item(u"x"_s), foreign);
    QCOMPARE(t.count(), 5);

    t.remove(r2);
    QCOMPARE(t.roots(), QList<Node>{r});
    QCOMPARE(t.count(), 4);
}

void TestKeyedTree::clear()
{
    KeyedTree &t = *m_tree;
    for (int i = 0; i < 20; ++i) {
        const Node root = add(nullptr, u"r%1"_s.arg(i), u"Closed"_s);
        for (int j = 0; j < 50; ++j)
            add(root, u"r%1/%2"_s.arg(i).arg(j));
    }
    QCOMPARE(t.count(), 20 * 51);

    t.clear();
    QCOMPARE(t.count(), 0);
    QVERIFY(t.nodes().isEmpty());
    QCOMPARE(m_widget->topLevelItemCount(), 0);
    QVERIFY(!t.item(u"r3/7"_s));
    QVERIFY(m_widget->updatesEnabled());
    QVERIFY(add(add(nullptr, u"r3"_s), u"r3/7"_s));
}

void TestKeyedTree::navigation()
{
    const Node r1 = add(nullptr, u"r1"_s, u"Closed"_s);
    const Node c1 = add(r1, u"c1"_s, u"Closed"_s);
    const Node g = add(c1, u"g"_s);
    const Node c2 = add(r1, u"c2"_s);
    const Node c3 = add(r1, u"c3"_s);
    const Node r2 = add(nullptr, u"r2"_s);
    const Node r3 = add(nullptr, u"r3"_s);

    QCOMPARE(m_tree->nodes(), (QList<Node>{r1, c1, g, c2, c3, r2, r3}));
    QCOMPARE(m_tree->roots(), (QList<Node>{r1, r2, r3}));

    QCOMPARE(KeyedTree::children(r1), 3);
    QCOMPARE(KeyedTree::child(r1), c1);
    QCOMPARE(KeyedTree::childAt(r1, 2), c3);
    QCOMPARE(KeyedTree::childAt(r1, 3), nullptr);
    QCOMPARE(KeyedTree::childAt(r1, -1), nullptr);
    QCOMPARE(KeyedTree::child(c2), nullptr);

    QCOMPARE(KeyedTree::firstSibling(c3), c1);
    QCOMPARE(KeyedTree::lastSibling(c1), c3);
    QCOMPARE(KeyedTree::next(c1), c2);
    QCOMPARE(KeyedTree::next(c3), nullptr);
    QCOMPARE(KeyedTree::next(g), nullptr);
    QCOMPARE(KeyedTree::parent(g), c1);

    QCOMPARE(KeyedTree::firstSibling(r3), r1);
    QCOMPARE(KeyedTree::lastSibling(r1), r3);
    QCOMPARE(KeyedTree::next(r1), r2);
    QCOMPARE(KeyedTree::next(r3), nullptr);
    QCOMPARE(KeyedTree::parent(r2), nullptr);

    QVERIFY(!KeyedTree::child(nullptr) && !KeyedTree::firstSibling(nullptr) &&
            !KeyedTree::lastSibling(nullptr) && !KeyedTree::next(nullptr) &&
            !KeyedTree::parent(nullptr) && KeyedTree::children(nullptr) == 0);
}

void TestKeyedTree::fullPath_data()
{
    QTest::addColumn<QStringList>("texts"); // a chain from a root down
    QTest::addColumn<QString>("path");

    QTest::newRow("null") << QStringList() << QString();
    QTest::newRow("root") << QStringList{u"A"_s} << u"A"_s;
    QTest::newRow("folder child") << QStringList{u"A"_s, u" x"_s} << u"A\\ x"_s;
    QTest::newRow("Arabic, three levels")
        << QStringList{u"القرآن"_s, u" سور"_s, u"الفاتحة"_s} << u"القرآن\\ سور\\الفاتحة"_s;
}

void TestKeyedTree::fullPath()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, path);
    Node node = nullptr;
    for (int i = 0; i < texts.size(); ++i)
        node = add(node, QString::number(i), u"Closed"_s, texts[i]);
    QCOMPARE(KeyedTree::fullPath(node), path);
}

void TestKeyedTree::icons()
{
    QList<QImage> pictures;
    for (const QString &image : {u"Closed"_s, u"Open"_s, u"Leaf"_s, u"sound"_s, u"wait"_s}) {
        const QImage picture = KeyedTree::icon(image).pixmap(16, 16).toImage();
        QCOMPARE(picture.size(), QSize(16, 16));
        QVERIFY2(!pictures.contains(picture), qPrintable(image)); // each one tells itself apart
        pictures.append(picture);
    }
    QVERIFY(KeyedTree::icon(u"closed"_s).isNull());
    QVERIFY(KeyedTree::icon(QString()).isNull());

    // Any image key is kept, even one without a picture.
    const Node node = add(nullptr, u"n"_s, u"custom"_s);
    QCOMPARE(KeyedTree::image(node), u"custom"_s);
    QVERIFY(node->icon(0).isNull());
    m_tree->setImage(node, u"sound"_s);
    QVERIFY(shows(node, u"sound"_s));
}

void TestKeyedTree::iconFollowsExpansion()
{
    KeyedTree &t = *m_tree;
    const Node folder = add(nullptr, u"f"_s, u"Closed"_s);
    const Node tape = add(folder, u"t"_s);
    add(tape, u"t/x"_s);
    t.setExpandedImage(folder, u"Open"_s);
    QCOMPARE(KeyedTree::expandedImage(folder), u"Open"_s);
    QVERIFY(shows(folder, u"Closed"_s));

    t.setExpanded(folder, true);
    QVERIFY(shows(folder, u"Open"_s));
    QCOMPARE(KeyedTree::image(folder), u"Closed"_s);
    t.setExpanded(folder, false);
    QVERIFY(shows(folder, u"Closed"_s));
    m_widget->expandItem(folder);
    QVERIFY(shows(folder, u"Open"_s));

    // Changing either image while expanded shows at once.
    t.setImage(folder, u"wait"_s);
    QVERIFY(shows(folder, u"Open"_s));
    t.setExpandedImage(folder, QString());
    QVERIFY(shows(folder, u"wait"_s));
    t.setExpandedImage(folder, u"Open"_s);
    m_widget->collapseItem(folder);
    QVERIFY(shows(folder, u"wait"_s));

    // Without an expanded image the image stays.
    t.setExpanded(tape, true);
    QVERIFY(KeyedTree::isExpanded(tape) && shows(tape, u"Leaf"_s));
}

void TestKeyedTree::expandedSignal_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("nested"); // under a collapsed parent

    QTest::newRow("setExpanded") << u"setExpanded"_s << false << false;
    QTest::newRow("setExpanded, shown") << u"setExpanded"_s << true << false;
    QTest::newRow("setExpanded, nested") << u"setExpanded"_s << true << true;
    QTest::newRow("expandItem") << u"expandItem"_s << false << false;
    QTest::newRow("expandItem, nested") << u"expandItem"_s << true << true;
    QTest::newRow("keyboard") << u"key"_s << true << false;
}

void TestKeyedTree::expandedSignal()
{
    QFETCH(QString, how);
    QFETCH(bool, shown);
    QFETCH(bool, nested);
    const Node root = add(nullptr, u"r"_s, u"Closed"_s);
    const Node folder = nested ? add(root, u"f"_s, u"Closed"_s) : root;
    add(folder, u"t"_s);
    m_tree->setExpandedImage(folder, u"Open"_s); // the icon changes while the signal is delivered
    if (shown) {
        m_widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_widget.get()));
    }

    QSignalSpy spy(m_tree.get(), &KeyedTree::expanded);
    if (how == u"setExpanded") {
        m_tree->setExpanded(folder, true);
    } else if (how == u"expandItem") {
        m_widget->expandItem(folder);
    } else {
        m_widget->setCurrentItem(folder);
        QTest::keyClick(m_widget.get(), Qt::Key_Plus);
    }
    QCoreApplication::processEvents();

    QVERIFY(KeyedTree::isExpanded(folder) && shows(folder, u"Open"_s));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<Node>(), folder);
}

void TestKeyedTree::expandedSignalNotRepeated()
{
    KeyedTree &t = *m_tree;
    const Node folder = add(nullptr, u"f"_s, u"Closed"_s);
    add(folder, u"t"_s);
    QSignalSpy spy(m_tree.get(), &KeyedTree::expanded);

    t.setExpanded(folder, true);
    t.setExpanded(folder, true);
    m_widget->expandItem(folder);
    QCOMPARE(spy.count(), 1);

    t.setExpanded(folder, false);
    m_widget->collapseItem(folder);
    t.setExpanded(nullptr, true);
    QVERIFY(!KeyedTree::isExpanded(folder));
    QCOMPARE(spy.count(), 1);

    t.setExpanded(folder, true);
    QCOMPARE(spy.count(), 2);
}

void TestKeyedTree::sortedOrder_data()
{
    QTest::addColumn<QStringList>("texts");   // in the order they are added
    QTest::addColumn<QList<int>>("expected"); // indexes into texts

    QTest::newRow("folders before tapes")
        << QStringList{u"b"_s, u" z"_s, u"a"_s, u" a"_s} << QList<int>{3, 1, 2, 0};
    QTest::newRow("code units, not locale")
        << QStringList{u"a"_s, u"B"_s, u"é"_s, u"Z"_s, u"_"_s} << QList<int>{1, 3, 4, 0, 2};
    QTest::newRow("case") << QStringList{u"b"_s, u"B"_s, u"a"_s, u"A"_s} << QList<int>{3, 1, 2, 0};
    QTest::newRow("digits as text")
        << QStringList{u"10"_s, u"9"_s, u"1"_s, u"2"_s} << QList<int>{2, 0, 3, 1};
    // U+0628, U+0623, U+0627, space + U+062A, U+0622, U+0629
    QTest::newRow("Arabic") << QStringList{u"ب"_s, u"أحمد"_s, u"ا"_s, u" تفسير"_s, u"آ"_s, u"ة"_s}
                            << QList<int>{3, 4, 1, 2, 0, 5};
    QTest::newRow("equal texts keep their order")
        << QStringList{u"x"_s, u"a"_s, u"x"_s, u"a"_s, u"x"_s} << QList<int>{1, 3, 0, 2, 4};
}

void TestKeyedTree::sortedOrder()
{
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, expected);
    QStringList wanted;
    for (int i : expected)
        wanted.append(QString::number(i));

    // Sorted before, after, and halfway through adding the children: always the same order.
    for (const int sortAt : {0, int(texts.size()), int(texts.size() / 2)}) {
        const QString name = u"p%1"_s.arg(sortAt);
        const Node parent = add(nullptr, name, u"Closed"_s);
        for (int i = 0; i <= texts.size(); ++i) {
            if (i == sortAt)
                m_tree->setSorted(parent, true);
            if (i < texts.size())
                add(parent, name + u'/' + QString::number(i), u"Leaf"_s, texts[i]);
        }
        QStringList got;
        for (const QString &key : keys(childrenOf(parent)))
            got.append(key.section(u'/', 1));
        QCOMPARE(got, wanted);
    }
}

void TestKeyedTree::rootsKeepOrder()
{
    KeyedTree &t = *m_tree;
    const Node z = add(nullptr, u"z"_s, u"Closed"_s);
    t.setSorted(z, true);
    t.setSorted(nullptr, true);
    QVERIFY(t.isSorted(z) && !t.isSorted(nullptr));
    add(nullptr, u"a"_s, u"Closed"_s);
    add(nullptr, u"m"_s, u"Closed"_s, u" m"_s);
    add(z, u"z2"_s, u"Leaf"_s, u"2"_s);
    add(z, u"z1"_s, u"Leaf"_s, u"1"_s);
    QCOMPARE(keys(t.roots()), (QStringList{u"z"_s, u"a"_s, u"m"_s}));
    QCOMPARE(keys(childrenOf(z)), (QStringList{u"z1"_s, u"z2"_s}));

    // Once the flag is off, new children go last again.
    t.setSorted(z, false);
    QVERIFY(!t.isSorted(z));
    add(z, u"z0"_s, u"Leaf"_s, u"0"_s);
    QCOMPARE(keys(childrenOf(z)), (QStringList{u"z1"_s, u"z2"_s, u"z0"_s}));
}

void TestKeyedTree::sortKeepsViewState()
{
    KeyedTree &t = *m_tree;
    const Node p = add(nullptr, u"p"_s, u"Closed"_s);
    const Node c = add(p, u"c"_s, u"Closed"_s);
    const Node b = add(p, u"b"_s);
    add(p, u"a"_s);
    add(c, u"cz"_s);
    add(c, u"cy"_s);
    t.setExpandedImage(c, u"Open"_s);
    t.setExpanded(p, true);
    t.setExpanded(c, true);
    m_widget->setCurrentItem(b);
    QSignalSpy spy(m_tree.get(), &KeyedTree::expanded);

    t.setSorted(p, true);
    QCOMPARE(keys(childrenOf(p)), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    QCOMPARE(keys(childrenOf(c)), (QStringList{u"cz"_s, u"cy"_s})); // only one level
    QVERIFY(KeyedTree::isExpanded(c) && shows(c, u"Open"_s));
    QCOMPARE(m_widget->currentItem(), b);
    QCOMPARE(spy.count(), 0);
}

void TestKeyedTree::sortThousands()
{
    const Node parent = add(nullptr, u"p"_s, u"Closed"_s);
    // Few distinct letters, so many texts are equal and the order among them is checked too.
    const QList<QChar> letters{u' ', u'a', u'B', u'b', QChar(0x0627), QChar(0x0628)};
    QRandomGenerator random(7);
    constexpr int total = 5000;
    for (int i = 0; i < total; ++i) {
        if (i == 3000)
            m_tree->setSorted(parent, true);
        QString text;
        for (int n = 1 + random.bounded(3); n > 0; --n)
            text.append(letters[random.bounded(int(letters.size()))]);
        add(parent, QString::number(i), u"Leaf"_s, text);
    }

    QCOMPARE(KeyedTree::children(parent), total);
    for (Node n = KeyedTree::child(parent), later = KeyedTree::next(n); later;
         n = later, later = KeyedTree::next(later)) {
        const int order = QString::compare(KeyedTree::text(n), KeyedTree::text(later));
        QVERIFY2(order < 0 ||
                     (order == 0 && KeyedTree::key(n).toInt() < KeyedTree::key(later).toInt()),
                 qPrintable(KeyedTree::key(n) + u" before "_s + KeyedTree::key(later)));
    }
}

QTEST_MAIN(TestKeyedTree)
#include "tst_keyedtree.moc"

// Keys move the selection in a right-to-left tree: the rows whose selection changed are
// repainted across the whole width, arrow and indentation included, or the row left behind
// keeps a stale band.
void TestKeyedTree::selectionRepaintsWholeRows()
{
    struct PaintRecorder : QObject
    {
        QRegion painted;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent *>(event)->region();
            return false;
        }
    } recorder;
    m_widget->setLayoutDirection(Qt::RightToLeft);
    m_widget->setHeaderHidden(true);
    m_widget->resize(300, 200);
    const Node folder = add(nullptr, u"f/"_s, u"Closed"_s);
    add(folder, u"f/a"_s);
    add(folder, u"f/b"_s);
    add(nullptr, u"g/"_s, u"Closed"_s);
    m_widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_widget.get()));
    m_widget->setFocus();
    m_widget->setCurrentItem(folder);
    QTest::keyClick(m_widget.get(), Qt::Key_Left); // opens the folder, right to left
    QVERIFY(KeyedTree::isExpanded(folder));
    QTest::qWait(50);

    m_widget->viewport()->installEventFilter(&recorder);
    const QRect row = m_widget->visualRect(m_widget->indexFromItem(folder));
    const QRect wholeRow(0, row.y(), m_widget->viewport()->width(), row.height());
    QTest::keyClick(m_widget.get(), Qt::Key_Down);
    QCOMPARE(KeyedTree::key(m_widget->currentItem()), u"f/a"_s);
    QTRY_VERIFY(!recorder.painted.isEmpty());
    QTest::qWait(50);
    QVERIFY2((QRegion(wholeRow) - recorder.painted).isEmpty(),
             qPrintable(u"row %1,%2 %3x%4 not painted whole"_s.arg(wholeRow.x())
                            .arg(wholeRow.y())
                            .arg(wholeRow.width())
                            .arg(wholeRow.height())));
}
