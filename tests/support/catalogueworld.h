#pragma once

#include "catalogue.h"
#include "cataloguetree.h"
#include "codepage.h"
#include "keyedtree.h"

#include <QDir>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QTreeWidget>

// A catalogue loaded from DB files of the test's own, shown in a tree widget that is never
// shown: the catalogue, its keyed tree and the catalogue tree that fills it, as the window makes
// them. Needs a QApplication (offscreen).
struct CatalogueWorld
{
    // files: name -> record lines, written in windows-1256 with CR LF.
    explicit CatalogueWorld(const QMap<QString, QStringList> &files)
    {
        QDir(dir.path()).mkpath(QStringLiteral("DB"));
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            writeCodePageLines(dir.filePath(QStringLiteral("DB/") + it.key()), it.value());
    }

    // Reads the DB folder and makes the roots, as the window's start does.
    void load()
    {
        catalogue.BuildTree();
        catalogueTree.BuildRootNodes();
    }

    // The tree below node (every folder opened as the user would, one after the other), one line
    // per node: two spaces of indent per level, then its text; tapes end in " ♪".
    QStringList shapeBelow(KeyedTree::Node node, int depth = 0)
    {
        QStringList lines;
        // Opening a folder closes its open siblings: the children are read after each opening.
        for (int i = 0; i < KeyedTree::children(node); ++i) {
            KeyedTree::Node child = KeyedTree::childAt(node, i);
            const bool folder = KeyedTree::kind(child) == KeyedTree::Kind::Folder;
            lines.append(QString(2 * depth, u' ') + KeyedTree::text(child).trimmed() +
                         (folder ? QString() : QStringLiteral(" ♪")));
            if (folder) {
                view.expandItem(child);
                lines += shapeBelow(child, depth + 1);
            }
        }
        return lines;
    }
    // The whole tree under the root of a category.
    QStringList shapeOf(const QString &category)
    {
        KeyedTree::Node root = tree.item(category + u'/');
        if (!root)
            return {QStringLiteral("<no root>")};
        view.expandItem(root);
        return shapeBelow(root);
    }

    QTemporaryDir dir;
    Catalogue catalogue{dir.filePath(QStringLiteral("DB"))};
    QTreeWidget view;
    KeyedTree tree{&view};
    CatalogueTree catalogueTree{catalogue, tree};
};
