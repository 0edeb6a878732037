#include "editingactions.h"

#include "catalogue.h"
#include "catalogueeditor.h"
#include "cataloguefiletext.h"
#include "cataloguefilewindow.h"
#include "cataloguetree.h"
#include "editingmessages.h"
#include "editingui.h"
#include "inputform.h"
#include "modifyform.h"
#include "playqueue.h"
#include "tapekeys.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

using namespace Qt::Literals::StringLiterals;

namespace {

// The text of a search's results folder begins so; its key is the text searched for.
const QString kResultsText = u"نتائج البحث عن:"_s;

struct BusyPointer
{
    BusyPointer() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
};

QStringList knownValues(const KnownList &list)
{
    return list.items().mid(1); // entry 0 is the empty one
}

// The categories a new tape may take: the favourites' file is a catalogue file too, but its
// branch is no category of its own.
QStringList offeredCategories(const KnownList &list)
{
    QStringList categories = knownValues(list);
    categories.removeIf([](const QString &c) { return EditingMessages::isReservedCategory(c); });
    return categories;
}

} // namespace

EditingActions::EditingActions(Catalogue &catalogue, CatalogueTree &tree, PlayQueue &queue,
                               QWidget *window, std::function<QString()> sourceKey)
    : QObject(window)
    , m_catalogue(catalogue)
    , m_tree(tree)
    , m_queue(queue)
    , m_window(window)
    , m_sourceKey(std::move(sourceKey))
    , m_editor(std::make_unique<CatalogueEditor>(catalogue))
{}

EditingActions::~EditingActions()
{
    for (const QPointer<CatalogueFileWindow> &window : std::as_const(m_fileWindows))
        delete window.data();
}

InputForm *EditingActions::inputForm() const
{
    return m_inputForm;
}

// ---- adding ---------------------------------------------------------------------------------

void EditingActions::ShowAddForm()
{
    if (!m_inputForm) {
        m_inputForm = new InputForm(*m_editor, m_window);
        connect(m_inputForm, &InputForm::tapeAdded, this,
                [this](const QString &, const QString &category) { refreshCategory(category); });
        connect(m_inputForm, &InputForm::fileRequested, this,
                [this](const QString &path) { openCatalogueFile(path, m_inputForm); });
    }
    const TreePaths &paths = m_catalogue.paths();
    m_inputForm->setKnownValues(offeredCategories(paths.CategoryList),
                                knownValues(paths.ReciterList), knownValues(paths.OwnerList),
                                knownValues(paths.SectionList));
    m_inputForm->show();
    m_inputForm->raise();
    m_inputForm->activateWindow();
}

void EditingActions::mnuAddNew2Dir_Click()
{
    ShowAddForm();
    // The tape probably belongs where the user clicked: propose that folder's category.
    const QString key = m_sourceKey();
    // Nothing from the queue, the favourites or search results: none of them is a category.
    if (key.isEmpty() || TapeKeys::isSearchResultKey(key) ||
        key.contains(TapeKeys::queueCategory()) || key.contains(TapeKeys::favouritesCategory()))
        return;
    const QString category =
        TapeKeys::isTapeKey(key) ? TapeKeys::categoryOf(key) : key.section(u'/', 0, 0);
    if (m_catalogue.paths().CategoryList.contains(category))
        m_inputForm->setCategory(category);
}

void EditingActions::refreshCategory(const QString &category)
{
    // The category's folder is emptied (or made), to be filled from the index, new tape
    // included, when it is next opened.
    const QString name = category.trimmed();
    const QString key = name + u'/';
    const bool existed = m_tree.NodeExists(key);
    m_tree.resetFolder(key, name);
    if (!existed)
        m_tree.tree().setSorted(m_tree.tree().item(key), true);
}

// ---- modifying ------------------------------------------------------------------------------

void EditingActions::ShowModifForm()
{
    const QString key = m_sourceKey();
    if (CatalogueTree::NodeKind(m_tree.tree().item(key)) != KeyedTree::Kind::Tape)
        return;
    auto *form = new Modify(*m_editor, m_window);
    if (!form->load(key)) {
        delete form;
        showEditMessage(m_window,
                        u"لم يعثر على بيانات هذا الشريط في الفهرس، فلعله عدل أو حذف. "
                        u"لم يغير شيء."_s,
                        QMessageBox::Warning);
        return;
    }
    // The record may now belong to another folder, or another category.
    connect(form, &Modify::recordModified, this, &EditingActions::rebuildTree);
    connect(form, &Modify::fileRequested, this,
            [this, form](const QString &path) { openCatalogueFile(path, form); });
    form->open();
}

void EditingActions::rebuildTree()
{
    m_tree.rebuild();
    for (KeyedTree::Node root : m_tree.tree().roots())
        m_tree.tree().setSorted(root, true);
    Q_EMIT treeRebuilt();
}

// ---- the catalogue file window -------------------------------------------------------------

CatalogueFileWindow *EditingActions::fileWindow(const QString &path) const
{
    const QString wanted = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (const QPointer<CatalogueFileWindow> &window : m_fileWindows)
        if (window && QDir::cleanPath(QFileInfo(window->path()).absoluteFilePath()) == wanted)
            return window;
    return nullptr;
}

void EditingActions::openCatalogueFile(const QString &path, QWidget *asker)
{
    QWidget *messagesTo = asker ? asker : m_window;
    if (path.isEmpty()) {
        showEditMessage(messagesTo, u"لا يعرف ملف الفهرس الذي فيه هذا الشريط"_s,
                        QMessageBox::Warning);
        return;
    }
    m_fileWindows.removeAll(nullptr);
    CatalogueFileWindow *window = fileWindow(path);
    if (!window) {
        CatalogueFileText::Opened opened;
        {
            BusyPointer busy;
            opened = CatalogueFileText::open(path);
        }
        if (opened.status == CatalogueFileText::Opened::Status::Unreadable) {
            showEditMessage(messagesTo,
                            u"تعذر قراءة الملف %1، فلم يفتح."_s.arg(QFileInfo(path).fileName()),
                            QMessageBox::Warning);
            return;
        }
        window = new CatalogueFileWindow(path, opened);
        connect(window, &CatalogueFileWindow::saved, this, &EditingActions::fileSaved);
        m_fileWindows.append(window);
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void EditingActions::fileSaved(const QString &path)
{
    {
        BusyPointer busy;
        m_editor->reloadFile(path);
    }
    // Any of the file's records may have changed folder or category, or gone.
    rebuildTree();
}

// ---- deleting -------------------------------------------------------------------------------

bool EditingActions::confirm(const QString &question, const QString &caption)
{
    QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::Yes | QMessageBox::No,
                    m_window);
    box.setObjectName(u"deleteQuestion"_s);
    box.setLayoutDirection(Qt::RightToLeft);
    box.setDefaultButton(QMessageBox::No); // nothing is deleted by a stray Return
    return box.exec() == QMessageBox::Yes;
}

void EditingActions::mnudelete_Click()
{
    if (confirm(u"هل أنت متأكد من حذف هذا الشريط؟"_s, u"حذف شريط"_s))
        DeleteSourceNode();
}

void EditingActions::mnuDelDir_Click()
{
    if (confirm(u"هل أنت متأكد من حذف هذا الدليل؟"_s, u"حذف مجموعة أشرطة"_s))
        DeleteSourceNode();
}

void EditingActions::DeleteSourceNode()
{
    const QString key = m_sourceKey();
    KeyedTree::Node node = m_tree.tree().item(key);
    switch (CatalogueTree::NodeKind(node)) {
    case KeyedTree::Kind::Tape:
        deleteTapeNode(node, key);
        break;
    case KeyedTree::Kind::Folder:
        deleteFolderNode(node, key);
        break;
    case KeyedTree::Kind::None:
        break;
    }
}

void EditingActions::deleteTapeNode(KeyedTree::Node node, const QString &key)
{
    KeyedTree &tree = m_tree.tree();
    if (TapeKeys::isQueueEntryKey(key)) {
        m_queue.remove(key); // the queue's branch follows the queue
        tree.remove(key);
        return;
    }
    if (!TapeKeys::isSearchResultKey(key)) {
        EditResult result;
        {
            BusyPointer busy;
            result = m_editor->deleteTape(key);
        }
        if (!result.ok) {
            // The record is still in its file and in the index: so the tape stays in the tree.
            showEditMessage(m_window, result.message, QMessageBox::Warning);
            return;
        }
    }
    const QString parentKey = KeyedTree::key(KeyedTree::parent(node));
    tree.remove(node);
    // A folder left empty goes with its last tape (one level only).
    if (KeyedTree::Node parent = tree.item(parentKey); parent && KeyedTree::children(parent) == 0)
        tree.remove(parent);
}

void EditingActions::deleteFolderNode(KeyedTree::Node node, const QString &key)
{
    KeyedTree &tree = m_tree.tree();
    // Search results first: their key is the text searched for, which may name the queue.
    const bool results = KeyedTree::text(node).contains(kResultsText);
    if (!results && key.contains(TapeKeys::queueCategory())) {
        m_queue.clear();
        tree.remove(key);
        return;
    }
    if (!results) {
        EditResult result;
        {
            BusyPointer busy;
            result = m_editor->deleteFolder(key);
        }
        if (!result.ok) {
            // Some files kept their records: the folder shows what the index still holds.
            m_tree.resetFolder(key, KeyedTree::text(node));
            showEditMessage(m_window, result.message, QMessageBox::Warning);
            return;
        }
    }
    tree.remove(node);
}
