#pragma once

#include "keyedtree.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class Catalogue;
class CatalogueEditor;
class CatalogueFileWindow;
class CatalogueTree;
class InputForm;
class Modify;
class PlayQueue;
class QWidget;

// The editing commands of the main window and the tree's popup: adding a tape, correcting one,
// deleting a tape or a folder. It asks, runs the catalogue editor, and brings the tree up to
// date; the play queue and the search results are only ever taken out of the tree.
class EditingActions : public QObject
{
    Q_OBJECT

public:
    // window is the main window the editing windows and questions belong to; sourceKey gives the
    // key of the node the tree's popup was opened on.
    EditingActions(Catalogue &catalogue, CatalogueTree &tree, PlayQueue &queue, QWidget *window,
                   std::function<QString()> sourceKey);
    ~EditingActions() override;

    CatalogueEditor &editor() { return *m_editor; }
    // The add window while it is open.
    InputForm *inputForm() const;

    // Opens the add window, or brings it forward filled anew.
    void ShowAddForm();
    // The same from the popup: the category of the folder clicked is proposed.
    void mnuAddNew2Dir_Click();
    // Opens the edit window on the popup's tape, modally.
    void ShowModifForm();
    // Ask, then delete the popup's node.
    void mnudelete_Click();
    void mnuDelDir_Click();
    // Deletes the popup's node: a tape or folder of the catalogue from the tree, its files and the
    // index; a queue entry from the queue; the queue or search results from the tree only.
    void DeleteSourceNode();

    // Shows the catalogue file at path in a file window of its own, or brings forward the one
    // already showing it. A file that cannot be read is reported on asker (the window that asked)
    // and gets no window; an absent one opens empty, to be made by its first save.
    void openCatalogueFile(const QString &path, QWidget *asker);
    // The file window showing path, or null.
    CatalogueFileWindow *fileWindow(const QString &path) const;

Q_SIGNALS:
    // The tree was built again from its roots (after a correction).
    void treeRebuilt();

private:
    bool confirm(const QString &question, const QString &caption);
    void refreshCategory(const QString &category);
    void deleteTapeNode(KeyedTree::Node node, const QString &key);
    void deleteFolderNode(KeyedTree::Node node, const QString &key);
    void reportFailure(const QString &message, const QString &rootKey);
    void rebuildTree();
    void fileSaved(const QString &path);

    Catalogue &m_catalogue;
    CatalogueTree &m_tree;
    PlayQueue &m_queue;
    QWidget *m_window;
    std::function<QString()> m_sourceKey;
    std::unique_ptr<CatalogueEditor> m_editor;
    QPointer<InputForm> m_inputForm;
    // Top-level windows without a parent (a modal editing window must not block them): deleted
    // when they close, and here with the rest of the editing.
    QList<QPointer<CatalogueFileWindow>> m_fileWindows;
};
