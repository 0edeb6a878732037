#include "cataloguetree.h"

#include "catalogue.h"
#include "treepaths.h"

#include <QHash>
#include <QSet>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kClosed = u"Closed"_s;
const QString kOpen = u"Open"_s;
const QString kLeaf = u"Leaf"_s;
const QString kPlaceholder = u"-tmp"_s;
const QString kAllRiwayat = u"كل الروايات"_s;

QString shownName(const QString &name)
{
    return name.isEmpty() ? CatalogueTree::unnamedText() : name;
}
} // namespace

const QString &CatalogueTree::unnamedText()
{
    static const QString text = u"(بلا اسم)"_s;
    return text;
}

CatalogueTree::CatalogueTree(Catalogue &catalogue, KeyedTree &tree, QObject *parent)
    : QObject(parent)
    , RiwayaFilter(u"@"_s + kAllRiwayat)
    , m_catalogue(catalogue)
    , m_tree(tree)
{
    connect(&m_tree, &KeyedTree::expanded, this, &CatalogueTree::TreeView1_Expand);
    connect(&m_catalogue, &Catalogue::treeClearRequested, this, &CatalogueTree::ClearTree);
}

CatalogueTree::Node CatalogueTree::addFolder(Node parent, const QString &key, const QString &text)
{
    Node node = m_tree.add(parent, key, text, kClosed);
    if (node)
        m_tree.add(node, key + kPlaceholder, QString(), kClosed);
    return node;
}

void CatalogueTree::BuildRootNodes()
{
    const KnownList &categories = m_catalogue.paths().CategoryList;
    for (qsizetype i = 1; i < categories.size(); ++i)
        addFolder(nullptr, categories.at(i) + u'/', categories.at(i));
}

void CatalogueTree::ClearTree()
{
    m_tree.clear();
}

void CatalogueTree::rebuild()
{
    ClearTree();
    BuildRootNodes();
}

void CatalogueTree::regroup(const QStringList &words)
{
    // An entry is concerned when its whole text (path, record, number) holds every word; the
    // record is looked at first, as it usually decides alone.
    CatalogueIndex &index = m_catalogue.index();
    for (qsizetype i = 1; i < index.size(); ++i) {
        if (index.isEmptyEntry(i))
            continue;
        const QString record = index.record(i);
        bool concerned = true;
        QString path;
        for (const QString &word : words) {
            if (record.contains(word))
                continue;
            if (path.isEmpty())
                path = index.path(i);
            if (!path.contains(word)) {
                concerned = false;
                break;
            }
        }
        if (concerned)
            index.setPath(i, m_catalogue.BuildPath(record));
    }
    rebuild();
}

void CatalogueTree::setQuranSort(int order)
{
    m_catalogue.paths().QuranSort = order;
    regroup({u"قرآن"_s});
}

void CatalogueTree::setDourousSort(int order)
{
    m_catalogue.paths().DourousSort = order;
    regroup({u"دروس"_s, u"خطب"_s});
}

QList<qsizetype> CatalogueTree::FindEntries(const QString &key) const
{
    return m_catalogue.index().entriesUnder(key);
}

QList<qsizetype> CatalogueTree::FilterRiwaya(const QList<qsizetype> &entries) const
{
    const CatalogueIndex &index = m_catalogue.index();
    const bool all = RiwayaFilter.contains(kAllRiwayat);
    // Many entries share a category and a riwaya: decide each distinct one once.
    QHash<std::uint32_t, bool> isQuran;
    QHash<std::uint32_t, bool> selected;
    QList<qsizetype> kept;
    kept.reserve(entries.size());
    for (qsizetype i : entries) {
        const std::uint32_t category = index.categoryId(i);
        auto q = isQuran.constFind(category);
        if (q == isQuran.constEnd()) {
            const QString &text = index.componentText(category);
            q = isQuran.insert(category, text.contains(u"قرآن"_s) && text.contains(u"كريم"_s));
        }
        if (*q && !all) {
            const std::uint32_t riwaya = index.thirdFieldId(i);
            auto s = selected.constFind(riwaya);
            if (s == selected.constEnd())
                s = selected.insert(riwaya,
                                    RiwayaFilter.contains(u'@' + index.componentText(riwaya)));
            if (!*s)
                continue;
        }
        kept.append(i);
    }
    return kept;
}

CatalogueTree::ParsedEntry CatalogueTree::ParseEntry(const QString &key, qsizetype i) const
{
    const CatalogueIndex &index = m_catalogue.index();
    const int depth = int(key.count(u'/'));
    ParsedEntry parsed;
    if (index.componentCount(i) > depth + 1) {
        parsed.isDir = true;
        parsed.text = index.componentText(index.componentId(i, depth));
        parsed.key = key + parsed.text + u'/';
    } else {
        parsed.text = index.componentText(index.componentId(i, index.componentCount(i) - 1));
        parsed.key = u"Leaf-"_s + index.record(i);
    }
    return parsed;
}

void CatalogueTree::FillChildren(Node node, const QList<qsizetype> &entries)
{
    if (entries.isEmpty())
        return;
    const QList<qsizetype> items = FilterRiwaya(entries);
    const QString key = KeyedTree::key(node);
    if (!m_tree.remove(key + kPlaceholder))
        return; // filled before

    const CatalogueIndex &index = m_catalogue.index();
    const int depth = int(key.count(u'/'));
    QSet<std::uint32_t> folders; // sub-folders already handled, by component number
    m_tree.widget()->setUpdatesEnabled(false);
    for (qsizetype i : items) {
        if (index.componentCount(i) > depth + 1) {
            const std::uint32_t id = index.componentId(i, depth);
            if (folders.contains(id))
                continue;
            folders.insert(id);
            const QString &name = index.componentText(id);
            const QString childKey = key + name + u'/';
            if (!NodeExists(childKey))
                addFolder(node, childKey, u' ' + shownName(name));
        } else {
            const ParsedEntry leaf = ParseEntry(key, i);
            if (!NodeExists(leaf.key))
                m_tree.add(node, leaf.key, shownName(leaf.text), kLeaf);
        }
    }
    m_tree.setSorted(node, true);
    m_tree.widget()->setUpdatesEnabled(true);
}

void CatalogueTree::TreeView1_Expand(Node node)
{
    if (!node)
        return;
    m_tree.setExpandedImage(node, kOpen);
    FillChildren(node, FindEntries(KeyedTree::key(node)));
    collapseSiblings(node);
    if (afterExpand)
        afterExpand(node);
}

void CatalogueTree::collapseSiblings(Node node)
{
    const QString text = KeyedTree::text(node);
    if (IsRootNode(node)) {
        const QString lastText = KeyedTree::text(KeyedTree::lastSibling(node));
        for (Node n = KeyedTree::firstSibling(node); n; n = KeyedTree::next(n)) {
            if (KeyedTree::text(n) != text && KeyedTree::isExpanded(n))
                m_tree.setExpanded(n, false);
            if (KeyedTree::text(n) == lastText)
                break;
        }
        Node last = KeyedTree::lastSibling(node);
        if (KeyedTree::text(last) != text && KeyedTree::isExpanded(last))
            m_tree.setExpanded(last, false);
        return;
    }
    Node parent = KeyedTree::parent(node);
    const int count = KeyedTree::children(parent);
    for (int k = 0; k < count; ++k) {
        Node n = KeyedTree::childAt(parent, k);
        if (KeyedTree::text(n) != text && KeyedTree::isExpanded(n))
            m_tree.setExpanded(n, false);
    }
}

int CatalogueTree::NodeKind(Node node)
{
    if (!node)
        return 0;
    return KeyedTree::key(node).contains(u"leaf"_s, Qt::CaseInsensitive) ? 2 : 1;
}

bool CatalogueTree::IsRootNode(Node node)
{
    return node && KeyedTree::fullPath(node) == KeyedTree::text(node);
}

bool CatalogueTree::IsNodeExists(const QString &skey, Node node)
{
    bool found = false;
    for (Node n = node; n; n = KeyedTree::next(n)) {
        if (KeyedTree::key(n) == skey)
            found = true;
        if (KeyedTree::children(n) > 0 && IsNodeExists(skey, KeyedTree::child(n)))
            found = true;
    }
    return found;
}

bool CatalogueTree::RemoveChildNodes(const QString &key)
{
    Node node = m_tree.item(key);
    if (!node)
        return false;
    for (int n = KeyedTree::children(node); n > 0; --n)
        m_tree.remove(KeyedTree::child(node));
    return true;
}

void CatalogueTree::CollapseAll()
{
    for (Node n : m_tree.nodes())
        if (KeyedTree::children(n) > 0)
            m_tree.setExpanded(n, false);
}

void CatalogueTree::CollapseSubtree(Node node)
{
    if (!node)
        return;
    m_tree.setExpanded(node, false);
    for (int k = 0; k < KeyedTree::children(node); ++k)
        CollapseSubtree(KeyedTree::childAt(node, k));
}
