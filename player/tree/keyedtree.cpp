#include "keyedtree.h"

#include "treeicons.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace Qt::Literals::StringLiterals;

namespace {

// Per-node data kept in the item's column 0.
constexpr int KeyRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;
constexpr int ExpandedImageRole = Qt::UserRole + 2;
constexpr int SortedRole = Qt::UserRole + 3;
constexpr int KindRole = Qt::UserRole + 4;

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
    // The view repaints only the text part of a row whose selection changed; laid out right to
    // left, the row left behind kept its band over its arrow and indentation. Whole rows then.
    connect(m_widget->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                for (const QItemSelection *ranges : {&selected, &deselected})
                    for (const QModelIndex &index : ranges->indexes())
                        repaintRow(index);
            });
    connect(m_widget->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                repaintRow(current);
                repaintRow(previous);
            });
}

void KeyedTree::repaintRow(const QModelIndex &index)
{
    const QRect row = m_widget->visualRect(index);
    if (row.isValid())
        m_widget->viewport()->update(0, row.y(), m_widget->viewport()->width(), row.height());
}

KeyedTree::Node KeyedTree::add(Node parent, const QString &key, const QString &text,
                               const QString &image, Kind kind)
{
    if (m_nodes.contains(key))
        return nullptr;
    if (parent && m_nodes.value(KeyedTree::key(parent)) != parent)
        return nullptr;

    auto *node = new KeyedItem;
    node->setText(0, text);
    node->setData(0, KeyRole, key);
    node->setData(0, ImageRole, image);
    node->setData(0, KindRole, int(kind));
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
                               const QString &image, Kind kind)
{
    const Node parent = item(parentKey);
    return parent ? add(parent, key, text, image, kind) : nullptr;
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

KeyedTree::Kind KeyedTree::kind(Node node)
{
    return node ? Kind(node->data(0, KindRole).toInt()) : Kind::None;
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
    return TreeIcons::icon(image);
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
