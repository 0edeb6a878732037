#include "cataloguetree.h"

#include "catalogue.h"
#include "recordkinds.h"
#include "tapekeys.h"
#include "treepaths.h"

#include <QHash>
#include <QSet>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kClosed = u"Closed"_s;
const QString kOpen = u"Open"_s;
const QString kLeaf = u"Leaf"_s;

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
    , m_catalogue(catalogue)
    , m_tree(tree)
{
    connect(&m_tree, &KeyedTree::expanded, this, &CatalogueTree::TreeView1_Expand);
    connect(&m_catalogue, &Catalogue::treeClearRequested, this, &CatalogueTree::ClearTree);
}

CatalogueTree::Node CatalogueTree::addFolder(Node parent, const QString &key, const QString &text)
{
    Node node = m_tree.add(parent, key, text, kClosed, KeyedTree::Kind::Folder);
    if (node)
        m_tree.add(node, TapeKeys::placeholderKey(key), QString(), kClosed,
                   KeyedTree::Kind::Folder);
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
    Q_EMIT rebuilt();
}

void CatalogueTree::resetFolder(const QString &key, const QString &text)
{
    Node folder = m_tree.item(key);
    if (!folder) {
        addFolder(nullptr, key, text);
        return;
    }
    m_tree.setExpanded(folder, false);
    RemoveChildNodes(key);
    m_tree.add(folder, TapeKeys::placeholderKey(key), QString(), kClosed, KeyedTree::Kind::Folder);
}

void CatalogueTree::regroup(const QStringList &words)
{
    // An entry is concerned when its whole text (path, record, number) holds every word; the
    // record is looked at first, as it usually decides alone.
    CatalogueIndex &index = m_catalogue.index();
    const TreePaths &paths = m_catalogue.paths();
    // The records' values are in the lists since they were indexed: only their paths change.
    TreePaths::KindCache kinds;
    TreePaths::Shape shape;
    QString record;
    // Whether a path holds a word: a word without "/" lies within one of its components, and
    // components are shared by many entries, so each is looked at once per word.
    std::vector<QHash<std::uint32_t, bool>> inComponent(std::size_t(words.size()));
    const auto pathHolds = [&](qsizetype i, qsizetype w) {
        const QString &word = words[w];
        if (word.contains(u'/'))
            return index.path(i).contains(word);
        QHash<std::uint32_t, bool> &known = inComponent[std::size_t(w)];
        for (int k = 0; k < index.componentCount(i); ++k) {
            const std::uint32_t id = index.componentId(i, k);
            auto it = known.constFind(id);
            if (it == known.constEnd())
                it = known.insert(id, index.componentText(id).contains(word));
            if (*it)
                return true;
        }
        return false;
    };
    for (qsizetype i = 1; i < index.size(); ++i) {
        if (index.isEmptyEntry(i))
            continue;
        index.recordInto(i, record);
        bool concerned = true;
        for (qsizetype w = 0; w < words.size() && concerned; ++w)
            concerned = record.contains(words[w]) || pathHolds(i, w);
        if (concerned) {
            paths.shapeOf(record, kinds, shape);
            index.setPath(i, shape.path);
        }
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
    const bool all = m_riwayaFilter.showsAll();
    // Many entries share a category and a riwaya: decide each distinct one once.
    QHash<std::uint32_t, bool> isQuran;
    QHash<std::uint32_t, bool> selected;
    QList<qsizetype> kept;
    kept.reserve(entries.size());
    for (qsizetype i : entries) {
        const std::uint32_t category = index.categoryId(i);
        auto q = isQuran.constFind(category);
        if (q == isQuran.constEnd()) {
            const QString text = index.componentText(category);
            q = isQuran.insert(category, RecordKinds::filteredByRiwaya(text));
        }
        if (*q && !all) {
            const std::uint32_t riwaya = index.thirdFieldId(i);
            auto s = selected.constFind(riwaya);
            if (s == selected.constEnd())
                s = selected.insert(riwaya, m_riwayaFilter.isChosen(index.componentText(riwaya)));
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
        parsed.key = TapeKeys::tapeKey(index.record(i));
    }
    return parsed;
}

void CatalogueTree::FillChildren(Node node, const QList<qsizetype> &entries)
{
    if (entries.isEmpty())
        return;
    const QList<qsizetype> items = FilterRiwaya(entries);
    const QString key = KeyedTree::key(node);
    if (!m_tree.remove(TapeKeys::placeholderKey(key)))
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
            const QString name = index.componentText(id);
            const QString childKey = key + name + u'/';
            if (!NodeExists(childKey))
                addFolder(node, childKey, u' ' + shownName(name));
        } else {
            const ParsedEntry leaf = ParseEntry(key, i);
            if (!NodeExists(leaf.key))
                m_tree.add(node, leaf.key, shownName(leaf.text), kLeaf, KeyedTree::Kind::Tape);
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
    Q_EMIT expanded(node);
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

KeyedTree::Kind CatalogueTree::NodeKind(Node node)
{
    return KeyedTree::kind(node);
}

QStringList CatalogueTree::tapesBelow(const QString &key) const
{
    // At every level by the text shown, folders (" name") before tapes, ties in index order.
    const CatalogueIndex &index = m_catalogue.index();
    const int depth = int(key.count(u'/'));
    struct Tape
    {
        QStringList shown;
        qsizetype entry;
    };
    QList<Tape> tapes;
    for (qsizetype i : FilterRiwaya(FindEntries(key))) {
        Tape tape{{}, i};
        const int count = index.componentCount(i);
        for (int k = depth; k < count; ++k) {
            const QString name = shownName(index.componentText(index.componentId(i, k)));
            tape.shown.append(k + 1 < count ? u' ' + name : name);
        }
        tapes.append(tape);
    }
    std::stable_sort(tapes.begin(), tapes.end(), [](const Tape &a, const Tape &b) {
        return std::lexicographical_compare(
            a.shown.begin(), a.shown.end(), b.shown.begin(), b.shown.end(),
            [](const QString &x, const QString &y) { return QString::compare(x, y) < 0; });
    });
    QStringList keys;
    QSet<QString> seen;
    for (const Tape &tape : tapes) {
        QString tapeKey = TapeKeys::tapeKey(index.record(tape.entry));
        if (!seen.contains(tapeKey)) {
            seen.insert(tapeKey);
            keys.append(std::move(tapeKey));
        }
    }
    return keys;
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
