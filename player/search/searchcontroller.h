#pragma once

#include "cataloguesearch.h"
#include "keyedtree.h"

#include <QObject>
#include <QSet>

class CatalogueIndex;
class SearchBar;
class QWidget;

// Runs the searches the search bar asks for and lists the matches under a root of their own,
// "نتائج البحث عن: " + the text: one tape per matching record, playable, queueable and addable to
// the favourites like any tape. Searching again for the same text adds only new matches; a search
// that finds nothing says so. A running search lets the window's events through, so the stop
// button works; what it found until then is shown.
class SearchController : public QObject
{
    Q_OBJECT

public:
    SearchController(SearchBar &bar, const CatalogueIndex &index, KeyedTree &tree, QWidget *window);

    static QString rootText(const QString &text);

    // CSearch, or Enter in the text box.
    void search(const QString &text, int mode);
    // CStop.
    void stop() { m_stop = true; }
    bool running() const { return m_running; }
    CatalogueSearch &engine() { return m_engine; }

private:
    void prepareWhileIdle();
    KeyedTree::Node resultsRoot(const QString &key, const QString &text);

    SearchBar &m_bar;
    const CatalogueIndex &m_index;
    KeyedTree &m_tree;
    QWidget *m_window;
    CatalogueSearch m_engine;
    QSet<QString> m_rootKeys;
    bool m_stop = false;
    bool m_running = false;
};
