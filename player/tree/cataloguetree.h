#pragma once

#include "keyedtree.h"
#include "riwayafilter.h"

#include <QList>
#include <QObject>
#include <QString>

class Catalogue;

// The catalogue as the tree shows it: one root per category, folders filled from the catalogue
// index the first time they are expanded, the grouping orders and the riwaya filter.
class CatalogueTree : public QObject
{
    Q_OBJECT

public:
    using Node = KeyedTree::Node;

    // Shown for a tape or folder whose name in the record is empty, so that no node is blank.
    static const QString &unnamedText();

    CatalogueTree(Catalogue &catalogue, KeyedTree &tree, QObject *parent = nullptr);

    // Which riwayat of the Quran tapes are shown.
    const ::RiwayaFilter &RiwayaFilter() const { return m_riwayaFilter; }
    void setRiwayaFilter(const ::RiwayaFilter &filter) { m_riwayaFilter = filter; }

    // One root folder, with its placeholder, per known category, in the order they were met.
    void BuildRootNodes();
    // Every node removed.
    void ClearTree();
    // Removes all nodes and creates the roots again: every folder is unfilled and closed.
    // Branches that mirror other state (the play queue) come back through rebuilt().
    void rebuild();
    // Closes a root folder and empties it, so that it is filled anew when next opened; creates it
    // (as the last root) when missing.
    void resetFolder(const QString &key, const QString &text);

    // Changes the Quran or lesson grouping: re-computes the paths of the entries concerned and
    // rebuilds the tree.
    void setQuranSort(int order);
    void setDourousSort(int order);

    // The expand handler: fills the node on its first expansion and closes its open siblings.
    void TreeView1_Expand(Node node);

    // Numbers of the non-empty index entries whose path begins with key, in index order.
    QList<qsizetype> FindEntries(const QString &key) const;
    // The entries that the riwaya filter lets through, in the same order.
    QList<qsizetype> FilterRiwaya(const QList<qsizetype> &entries) const;
    void FillChildren(Node node, const QList<qsizetype> &entries);

    struct ParsedEntry
    {
        bool isDir = false;
        QString text;
        QString key;
    };
    // What entry i gives below the folder key: a sub-folder or a tape.
    ParsedEntry ParseEntry(const QString &key, qsizetype i) const;

    // The tape keys the tree shows below a folder (riwaya filter applied), in the order the
    // expanded tree lists them.
    QStringList tapesBelow(const QString &folderKey) const;

    // What a node is: no node, a folder or a tape, as it was created.
    static KeyedTree::Kind NodeKind(Node node);
    static bool IsRootNode(Node node);
    // Whether a node with key skey is node, one of its next siblings, or below any of these.
    static bool IsNodeExists(const QString &skey, Node node);
    bool NodeExists(const QString &key) const { return m_tree.contains(key); }
    bool RemoveChildNodes(const QString &key);
    void CollapseAll();
    void CollapseSubtree(Node node);

    KeyedTree &tree() { return m_tree; }
    Catalogue &catalogue() { return m_catalogue; }

Q_SIGNALS:
    // The tree was rebuilt from its roots.
    void rebuilt();
    // An expansion has filled the node and collapsed its siblings (the playing tape's node may
    // just have been made and need its mark).
    void expanded(KeyedTree::Node node);

private:
    void regroup(const QStringList &words);
    void collapseSiblings(Node node);
    Node addFolder(Node parent, const QString &key, const QString &name);

    Catalogue &m_catalogue;
    KeyedTree &m_tree;
    ::RiwayaFilter m_riwayaFilter;
};
