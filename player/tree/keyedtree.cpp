#include "keyedtree.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace Qt::Literals::StringLiterals;

namespace {

// Per-node data kept in the item's column 0.
constexpr int KeyRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;
constexpr int ExpandedImageRole = Qt::UserRole + 2;
constexpr int SortedRole = Qt::UserRole + 3;

// Orders siblings by the text's code units. QTreeWidgetItem::sortChildren() uses operator<, so
// sorting existing children goes through the model's own stable sort, which moves the persistent
// indexes along: expanded, selected and current nodes stay so. Taking the children out and putting
// them back would silently collapse the whole subtree and lose the selection.
class KeyedItem : public QTreeWidgetItem
{
public:
    KeyedItem()
        : QTreeWidgetItem(UserType)
    {}

    bool operator<(const QTreeWidgetItem &other) const override
    {
        return QString::compare(text(0), other.text(0)) < 0;
    }
};

// The pictures are drawn on a 16 x 16 grid; draw() is called once per pixmap size.
using Drawing = void (*)(QPainter &);

void drawClosedFolder(QPainter &p)
{
    p.setPen(QPen(QColor(0x9a, 0x6b, 0x12), 1));
    QPainterPath folder;
    folder.moveTo(1.5, 3.5);
    folder.lineTo(6, 3.5);
    folder.lineTo(7.5, 5);
    folder.lineTo(14.5, 5);
    folder.lineTo(14.5, 13.5);
    folder.lineTo(1.5, 13.5);
    folder.closeSubpath();
    QLinearGradient fill(0, 3, 0, 14);
    fill.setColorAt(0, QColor(0xf7, 0xd3, 0x6b));
    fill.setColorAt(1, QColor(0xe0, 0xa8, 0x2e));
    p.setBrush(fill);
    p.drawPath(folder);
    // The lid's edge.
    p.drawLine(QPointF(1.5, 6.5), QPointF(14.5, 6.5));
}

void drawOpenFolder(QPainter &p)
{
    const QColor edge(0x9a, 0x6b, 0x12);
    p.setPen(QPen(edge, 1));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(7, 5);
    back.lineTo(13.5, 5);
    back.lineTo(13.5, 7.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setBrush(QColor(0xc9, 0x8e, 0x1f));
    p.drawPath(back);
    // A sheet sticking out of the folder.
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    p.drawRect(QRectF(3.5, 5.5, 8, 4));
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(13, 13.5);
    front.closeSubpath();
    QLinearGradient fill(0, 7, 0, 14);
    fill.setColorAt(0, QColor(0xfb, 0xe0, 0x8a));
    fill.setColorAt(1, QColor(0xf0, 0xbd, 0x45));
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawPath(front);
}

void drawTape(QPainter &p)
{
    // Cassette body.
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), 1));
    p.setBrush(QColor(0x3d, 0x6f, 0xb0));
    p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 1.5, 1.5);
    // Label with the window.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xf2, 0xe6));
    p.drawRect(QRectF(2, 4, 12, 5));
    // Reels.
    p.setBrush(QColor(0x2a, 0x2a, 0x2a));
    p.drawEllipse(QPointF(5, 6.5), 1.8, 1.8);
    p.drawEllipse(QPointF(11, 6.5), 1.8, 1.8);
    p.setBrush(QColor(0xf2, 0xf2, 0xe6));
    p.drawEllipse(QPointF(5, 6.5), 0.7, 0.7);
    p.drawEllipse(QPointF(11, 6.5), 0.7, 0.7);
    // Head opening at the bottom.
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), 1));
    p.setBrush(QColor(0x2c, 0x55, 0x8a));
    QPainterPath base;
    base.moveTo(4, 13.5);
    base.lineTo(5, 10.5);
    base.lineTo(11, 10.5);
    base.lineTo(12, 13.5);
    p.drawPath(base);
}

void drawSpeaker(QPainter &p)
{
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
    p.setBrush(QColor(0x55, 0x5f, 0x6b));
    QPainterPath cone;
    cone.moveTo(1.5, 5.5);
    cone.lineTo(4.5, 5.5);
    cone.lineTo(8.5, 2);
    cone.lineTo(8.5, 14);
    cone.lineTo(4.5, 10.5);
    cone.lineTo(1.5, 10.5);
    cone.closeSubpath();
    p.drawPath(cone);
    // Sound waves.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x1e, 0x9e, 0x3c), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(7, 5, 5, 6), -50 * 16, 100 * 16);
    p.drawArc(QRectF(6, 2.5, 9, 11), -55 * 16, 110 * 16);
}

void drawHourglass(QPainter &p)
{
    // Glass.
    p.setPen(QPen(QColor(0x5a, 0x6e, 0x80), 1));
    p.setBrush(QColor(0xe6, 0xf2, 0xfa));
    QPainterPath glass;
    glass.moveTo(3.5, 2);
    glass.lineTo(12.5, 2);
    glass.lineTo(8.8, 8);
    glass.lineTo(12.5, 14);
    glass.lineTo(3.5, 14);
    glass.lineTo(7.2, 8);
    glass.closeSubpath();
    p.drawPath(glass);
    // Sand: what is left on top, the heap below and the falling thread.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x8a, 0x1e));
    QPainterPath top;
    top.moveTo(5.6, 5);
    top.lineTo(10.4, 5);
    top.lineTo(8, 8.2);
    top.closeSubpath();
    p.drawPath(top);
    QPainterPath heap;
    heap.moveTo(4.5, 13.5);
    heap.lineTo(8, 10.5);
    heap.lineTo(11.5, 13.5);
    heap.closeSubpath();
    p.drawPath(heap);
    p.drawRect(QRectF(7.6, 8, 0.8, 3));
    // Wooden ends.
    p.setBrush(QColor(0x8b, 0x4a, 0x1c));
    p.setPen(QPen(QColor(0x4a, 0x3a, 0x1c), 0.6));
    p.drawRoundedRect(QRectF(2, 0.8, 12, 1.8), 0.6, 0.6);
    p.drawRoundedRect(QRectF(2, 13.4, 12, 1.8), 0.6, 0.6);
}

QIcon paintIcon(Drawing draw)
{
    QIcon result;
    // A double-size copy keeps the pictures sharp on high-density screens.
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

QHash<QString, QIcon> &iconCache()
{
    static QHash<QString, QIcon> cache;
    return cache;
}

} // namespace

KeyedTree::KeyedTree(QTreeWidget *widget, QObject *parent)
    : QObject(parent)
    , m_widget(widget)
{
    // The signal's argument type is only forward-declared where moc sees it; naming it here lets
    // queued connections and QSignalSpy carry it.
    qRegisterMetaType<Node>("KeyedTree::Node");
    // The view reports every expansion once, whether it came from the user or from
    // QTreeWidgetItem::setExpanded(), so this is the only place that raises expanded().
    connect(m_widget, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *node) {
        refreshIcon(node);
        Q_EMIT expanded(node);
    });
    connect(m_widget, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem *node) { refreshIcon(node); });
}

KeyedTree::Node KeyedTree::add(Node parent, const QString &key, const QString &text,
                               const QString &image)
{
    if (m_nodes.contains(key))
        return nullptr;
    if (parent && m_nodes.value(KeyedTree::key(parent)) != parent)
        return nullptr;

    auto *node = new KeyedItem;
    node->setText(0, text);
    node->setData(0, KeyRole, key);
    node->setData(0, ImageRole, image);
    refreshIcon(node);

    if (!parent)
        m_widget->addTopLevelItem(node);
    else if (isSorted(parent))
        insertSorted(parent, node);
    else
        parent->addChild(node);
    m_nodes.insert(key, node);
    return node;
}

KeyedTree::Node KeyedTree::add(const QString &parentKey, const QString &key, const QString &text,
                               const QString &image)
{
    const Node parent = item(parentKey);
    return parent ? add(parent, key, text, image) : nullptr;
}

KeyedTree::Node KeyedTree::item(const QString &key) const
{
    return m_nodes.value(key);
}

bool KeyedTree::remove(const QString &key)
{
    const Node node = item(key);
    if (!node)
        return false;
    remove(node);
    return true;
}

void KeyedTree::remove(Node node)
{
    if (!node || m_nodes.value(key(node)) != node)
        return;
    forget(node);
    delete node; // also takes it out of its parent and deletes the subtree
}

void KeyedTree::clear()
{
    const bool updates = m_widget->updatesEnabled();
    m_widget->setUpdatesEnabled(false);
    m_widget->clear(); // one model reset instead of a removal per node
    m_nodes.clear();
    m_widget->setUpdatesEnabled(updates);
}

QList<KeyedTree::Node> KeyedTree::nodes() const
{
    QList<Node> result;
    result.reserve(m_nodes.size());
    for (QTreeWidgetItemIterator it(m_widget); *it; ++it)
        result.append(*it);
    return result;
}

QList<KeyedTree::Node> KeyedTree::roots() const
{
    QList<Node> result;
    const int n = m_widget->topLevelItemCount();
    result.reserve(n);
    for (int i = 0; i < n; ++i)
        result.append(m_widget->topLevelItem(i));
    return result;
}

QString KeyedTree::key(Node node)
{
    return node ? node->data(0, KeyRole).toString() : QString();
}

QString KeyedTree::text(Node node)
{
    return node ? node->text(0) : QString();
}

QString KeyedTree::image(Node node)
{
    return node ? node->data(0, ImageRole).toString() : QString();
}

void KeyedTree::setImage(Node node, const QString &image)
{
    if (!node)
        return;
    node->setData(0, ImageRole, image);
    refreshIcon(node);
}

QString KeyedTree::expandedImage(Node node)
{
    return node ? node->data(0, ExpandedImageRole).toString() : QString();
}

void KeyedTree::setExpandedImage(Node node, const QString &image)
{
    if (!node)
        return;
    node->setData(0, ExpandedImageRole, image);
    refreshIcon(node);
}

bool KeyedTree::isExpanded(Node node)
{
    return node && node->isExpanded();
}

void KeyedTree::setExpanded(Node node, bool expanded)
{
    // No signal here: the view's itemExpanded() follows and is forwarded by the constructor's
    // connection. It is not raised when the node was already expanded.
    if (node)
        node->setExpanded(expanded);
}

int KeyedTree::children(Node node)
{
    return node ? node->childCount() : 0;
}

KeyedTree::Node KeyedTree::child(Node node)
{
    return childAt(node, 0);
}

KeyedTree::Node KeyedTree::childAt(Node node, int i)
{
    return node ? node->child(i) : nullptr; // child() answers null when out of range
}

KeyedTree::Node KeyedTree::firstSibling(Node node)
{
    if (!node)
        return nullptr;
    if (const Node up = node->parent())
        return up->child(0);
    const QTreeWidget *tree = node->treeWidget();
    return tree ? tree->topLevelItem(0) : node;
}

KeyedTree::Node KeyedTree::lastSibling(Node node)
{
    if (!node)
        return nullptr;
    if (const Node up = node->parent())
        return up->child(up->childCount() - 1);
    const QTreeWidget *tree = node->treeWidget();
    return tree ? tree->topLevelItem(tree->topLevelItemCount() - 1) : node;
}

KeyedTree::Node KeyedTree::next(Node node)
{
    if (!node)
        return nullptr;
    if (const Node up = node->parent())
        return up->child(up->indexOfChild(node) + 1);
    const QTreeWidget *tree = node->treeWidget();
    return tree ? tree->topLevelItem(tree->indexOfTopLevelItem(node) + 1) : nullptr;
}

KeyedTree::Node KeyedTree::parent(Node node)
{
    return node ? node->parent() : nullptr;
}

QString KeyedTree::fullPath(Node node)
{
    QStringList parts;
    for (; node; node = node->parent())
        parts.prepend(node->text(0));
    return parts.join(u'\\');
}

bool KeyedTree::isSorted(Node node) const
{
    return node && node->data(0, SortedRole).toBool();
}

void KeyedTree::setSorted(Node node, bool sorted)
{
    // Roots keep the order they were added in; a null node stands for them.
    if (!node)
        return;
    node->setData(0, SortedRole, sorted ? QVariant(true) : QVariant());
    if (sorted && node->childCount() > 1)
        node->sortChildren(0, Qt::AscendingOrder);
}

QIcon KeyedTree::icon(const QString &image)
{
    QHash<QString, QIcon> &cache = iconCache();
    if (cache.isEmpty()) {
        cache.insert(u"Closed"_s, paintIcon(drawClosedFolder));
        cache.insert(u"Open"_s, paintIcon(drawOpenFolder));
        cache.insert(u"Leaf"_s, paintIcon(drawTape));
        cache.insert(u"sound"_s, paintIcon(drawSpeaker));
        cache.insert(u"wait"_s, paintIcon(drawHourglass));
        // Pixmaps must not outlive the application object.
        qAddPostRoutine([] { iconCache().clear(); });
    }
    return cache.value(image);
}

void KeyedTree::forget(Node node)
{
    m_nodes.remove(key(node));
    for (int i = 0, n = node->childCount(); i < n; ++i)
        forget(node->child(i));
}

void KeyedTree::refreshIcon(Node node)
{
    const QString shown = expandedImage(node);
    node->setIcon(0, icon(isExpanded(node) && !shown.isEmpty() ? shown : image(node)));
}

void KeyedTree::insertSorted(Node parent, Node child)
{
    // After the last sibling whose text is not greater, so equal texts keep the order they came in.
    const QString text = child->text(0);
    int low = 0;
    int high = parent->childCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (QString::compare(parent->child(middle)->text(0), text) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    parent->insertChild(low, child);
}
