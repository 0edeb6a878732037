#include "searchcontroller.h"

#include "catalogueindex.h"
#include "searchbar.h"
#include "tapekeys.h"
#include "taperecord.h"
#include "widgets.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

SearchController::SearchController(SearchBar &bar, const CatalogueIndex &index, KeyedTree &tree,
                                   QWidget *window)
    : QObject(window)
    , m_bar(bar)
    , m_index(index)
    , m_tree(tree)
    , m_window(window)
    , m_engine(index)
{
    connect(&m_bar, &SearchBar::searchRequested, this, &SearchController::search);
    connect(&m_bar, &SearchBar::stopRequested, this, &SearchController::stop);
    // Once the window runs, the texts searches compare are prepared in slices of idle time, so
    // that even the first search of a large catalogue answers at once.
    QTimer::singleShot(0, this, &SearchController::prepareWhileIdle);
}

void SearchController::prepareWhileIdle()
{
    if (m_running)
        return;                                 // the search prepares what is left itself
    if (!m_engine.update([] { return false; })) // one slice, then the window's events
        QTimer::singleShot(0, this, &SearchController::prepareWhileIdle);
}

QString SearchController::rootText(const QString &text)
{
    return u"نتائج البحث عن: "_s + text;
}

KeyedTree::Node SearchController::resultsRoot(const QString &key, const QString &text)
{
    // A root key is the text searched for. A text that is, or could become, the key of another
    // node (the queue's branch, a folder's "name/") gets a key no other node can have.
    QString rootKey = key;
    const bool reserved = key == TapeKeys::queueCategory() || key.endsWith(u'/');
    if (reserved || (m_tree.contains(rootKey) && !m_rootKeys.contains(rootKey)))
        rootKey += TapeKeys::searchMark();
    if (KeyedTree::Node root = m_tree.item(rootKey))
        return root;
    m_rootKeys.insert(rootKey);
    return m_tree.add(nullptr, rootKey, rootText(text), u"Closed"_s, KeyedTree::Kind::Folder);
}

void SearchController::search(const QString &text, int mode)
{
    if (m_running)
        return;
    const std::optional<CatalogueSearch::Query> query =
        CatalogueSearch::prepare(text, CatalogueSearch::Mode(mode));
    if (!query) {
        m_bar.textBox()->setFocus(); // nothing to look for
        return;
    }
    m_stop = false;
    m_running = true;
    m_bar.setSearching(true);
    const QPointer<SearchController> alive(this);
    const QList<qsizetype> matches = m_engine.run(*query, [this, &alive] {
        QCoreApplication::processEvents();
        return alive && !m_stop;
    });
    if (!alive)
        return; // the window went while the search ran
    m_running = false;
    m_bar.setSearching(false);

    // Stopped before its first match, a search has found nothing just the same: say so.
    if (matches.isEmpty()) {
        ShowNotice(m_window, QMessageBox::Information, QString(), u"لا توجد نتائج مطابقة"_s,
                   u"noResults"_s);
        return;
    }
    const QString key = text.trimmed();
    KeyedTree::Node root = resultsRoot(key, text);
    m_tree.widget()->setUpdatesEnabled(false);
    for (const qsizetype i : matches) {
        // Deleted while the search went on (the window's events ran between entries).
        if (m_index.isEmptyEntry(i))
            continue;
        const QString record = m_index.record(i);
        const QString resultKey = TapeKeys::searchResultKey(key, record);
        if (!m_tree.contains(resultKey))
            m_tree.add(root, resultKey, RecordField(record, 1).toString().replace(u'/', u" - "_s),
                       u"Leaf"_s, KeyedTree::Kind::Tape);
    }
    m_tree.widget()->setUpdatesEnabled(true);
    m_tree.setExpanded(root, true);
}
