// Times what a user waits for in the tree of a large catalogue: expanding the largest root,
// expanding a riwaya folder under it, and changing the Quran grouping (re-pathing every Quran
// entry and rebuilding the roots).
//
//   bench_tree [--data DIR] [--runs N] [SIZE]    (SIZE defaults to 1,000,000 records)
#include "catalogue.h"
#include "cataloguegenerator.h"
#include "cataloguetree.h"
#include "keyedtree.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

double bestOf(int runs, const std::function<void()> &prepare, const std::function<void()> &timed)
{
    double best = std::numeric_limits<double>::max();
    for (int r = 0; r < runs; ++r) {
        prepare();
        QElapsedTimer t;
        t.start();
        timed();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

KeyedTree::Node largestRoot(Catalogue &catalogue, KeyedTree &tree)
{
    KeyedTree::Node best = nullptr;
    qsizetype bestCount = -1;
    for (KeyedTree::Node root : tree.roots()) {
        const qsizetype n = catalogue.index().entriesUnder(KeyedTree::key(root)).size();
        if (n > bestCount) {
            best = root;
            bestCount = n;
        }
    }
    return best;
}

// The figures of one catalogue.
int measureShape(const BenchCatalogue &benchmark, const QString &folder)
{
    const BenchCatalogue *bench = &benchmark;
    const qint64 records = bench->records;
    const int runs = bench->runs;

    Catalogue catalogue(folder);
    QTreeWidget widget;
    widget.resize(400, 600);
    KeyedTree tree(&widget);
    CatalogueTree catalogueTree(catalogue, tree);
    catalogue.BuildTree();
    catalogueTree.BuildRootNodes();
    widget.show();
    std::printf("%lld records loaded, %d roots\n", qlonglong(catalogue.index().size() - 1),
                int(tree.roots().size()));

    KeyedTree::Node root = nullptr;
    const QString rootKey = KeyedTree::key(largestRoot(catalogue, tree));
    const double rootMs = bestOf(
        runs,
        [&] {
            catalogueTree.rebuild();
            root = tree.item(rootKey);
        },
        [&] { tree.setExpanded(root, true); });
    const int rootChildren = KeyedTree::children(root);

    // The riwaya folder with the most entries under the largest root.
    QString folderKey;
    qsizetype folderEntries = -1;
    for (int i = 0; i < KeyedTree::children(root); ++i) {
        const QString key = KeyedTree::key(KeyedTree::childAt(root, i));
        const qsizetype n = catalogue.index().entriesUnder(key).size();
        if (n > folderEntries) {
            folderKey = key;
            folderEntries = n;
        }
    }
    KeyedTree::Node folderNode = nullptr;
    const double folderMs = bestOf(
        runs,
        [&] {
            catalogueTree.rebuild();
            tree.setExpanded(tree.item(rootKey), true);
            folderNode = tree.item(folderKey);
        },
        [&] { tree.setExpanded(folderNode, true); });
    const int folderChildren = KeyedTree::children(folderNode);

    int order = 0;
    const double regroupMs = bestOf(
        runs, [&] { order = order == 3 ? 0 : 3; }, [&] { catalogueTree.setQuranSort(order); });

    std::printf("\nWith %lld records (best of %d):\n", qlonglong(records), runs);
    std::printf("  expand the largest root (%s, %d children):  %8.1f ms   target < 50 ms  %s\n",
                qPrintable(rootKey), rootChildren, rootMs, rootMs < 50 ? "met" : "NOT met");
    std::printf(
        "  expand its largest folder (%lld entries, %d children): %8.1f ms   target < 50 ms  "
        "%s\n",
        qlonglong(folderEntries), folderChildren, folderMs, folderMs < 50 ? "met" : "NOT met");
    std::printf("  change the Quran grouping (re-path, rebuild roots): %8.1f ms   target < 300 ms  "
                "%s\n",
                regroupMs, regroupMs < 300 ? "met" : "NOT met");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::optional<BenchCatalogue> bench = benchCatalogue(app);
    if (!bench)
        return 1;
    return measureEachShape(*bench,
                            [&](const QString &folder) { return measureShape(*bench, folder); });
}
