#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>

class QModelIndex;
class QTreeWidget;
class QTreeWidgetItem;

// The catalogue tree's nodes, found by key. Every node has a unique key, a text and an image key
// ("Closed", "Open", "Leaf", "sound", "wait"); a folder also has an image shown while it is
// expanded. Node handles are QTreeWidgetItem pointers owned by the widget; a handle is valid until
// its node (or an ancestor) is removed.
//
// Children of a node whose sorted flag is set stay in the order of their texts, compared by
// character codes (the same on every machine; a folder's leading space puts it before tapes).
// Roots are kept in the order they were added.
class KeyedTree : public QObject
{
    Q_OBJECT

public:
    using Node = QTreeWidgetItem *;

    // What a node stands for, fixed by whoever creates it (never guessed from its key).
    enum class Kind
    {
        None = 0, // no node
        Folder = 1,
        Tape = 2,
    };

    explicit KeyedTree(QTreeWidget *widget, QObject *parent = nullptr);

    QTreeWidget *widget() const { return m_widget; }

    // Adds a root (parent null) or a last child of parent. Fails (returns null, changes nothing)
    // when the key is already used or parent is not a node of this tree.
    Node add(Node parent, const QString &key, const QString &text, const QString &image,
             Kind kind = Kind::Folder);
    // Same, with the parent given by its key; fails when no node has that key.
    Node add(const QString &parentKey, const QString &key, const QString &text,
             const QString &image, Kind kind = Kind::Folder);

    // The node with this key, or null.
    Node item(const QString &key) const;
    bool contains(const QString &key) const { return m_nodes.contains(key); }
    // Removes a node with its whole subtree; false when no node has the key.
    bool remove(const QString &key);
    void remove(Node node);
    // Removes every node, with screen updates suspended.
    void clear();
    // Number of nodes in the whole tree.
    int count() const { return int(m_nodes.size()); }
    // Every node, parents before their children, in display order.
    QList<Node> nodes() const;
    QList<Node> roots() const;

    // Node properties. All accept null and then answer "nothing" (empty text, 0, null).
    static QString key(Node node);
    static Kind kind(Node node);
    static QString text(Node node);
    static QString image(Node node);
    void setImage(Node node, const QString &image);
    static QString expandedImage(Node node);
    void setExpandedImage(Node node, const QString &image);
    static bool isExpanded(Node node);
    // Setting true raises expanded() once (for a node that was collapsed); false raises nothing.
    void setExpanded(Node node, bool expanded);
    static int children(Node node);
    static Node child(Node node);          // first child
    static Node childAt(Node node, int i); // i-th child
    static Node firstSibling(Node node);
    static Node lastSibling(Node node);
    static Node next(Node node); // next sibling; null after the last
    static Node parent(Node node);
    // Texts from the root down, joined by "\".
    static QString fullPath(Node node);
    bool isSorted(Node node) const;
    // Sets the sorted flag: the children are sorted now and any child added later goes to its
    // place.
    void setSorted(Node node, bool sorted);

    // The 16 x 16 pictures by image key.
    static QIcon icon(const QString &image);

Q_SIGNALS:
    // A node was expanded, by the user or by setExpanded(node, true).
    void expanded(KeyedTree::Node node);

private:
    void forget(Node node);
    void refreshIcon(Node node);
    void insertSorted(Node parent, Node child);
    // Repaints the whole width of the row showing index, its branch area included.
    void repaintRow(const QModelIndex &index);

    QTreeWidget *m_widget;
    QHash<QString, Node> m_nodes;
};
