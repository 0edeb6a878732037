#pragma once

#include "catalogue.h"

#include <QList>
#include <QMainWindow>
#include <QString>

#include <optional>

class CatalogueTree;
class KeyedTree;
class QAction;
class QFrame;
class QMenu;
class QPushButton;
class QRadioButton;
class QLineEdit;
class QTextEdit;
class QTreeWidget;

// The player's main window. Control arrays of the menus and the search bar are named
// name_index (QSort_0 .. QSort_3, Riwaya_0 .., OptionS_0, OptionS_1, ...).
class MainFrame : public QMainWindow
{
    Q_OBJECT

public:
    // appFolder holds DB/, config.ini and last.txt.
    explicit MainFrame(const QString &appFolder, QWidget *parent = nullptr);
    ~MainFrame() override;

    static const QString &caption();

    // Paths.
    QString appFolder;
    QString linkFolder;
    QString cfile;
    QString lastFile;
    QString FavoritesFile;
    QString MesCasettes;

    // Settings kept in memory while the program runs.
    int SoundFormat = 0;
    int MaxLignes = 25;
    int MaxTitleLen = 100;
    int TitleLineCount = 0;
    int LastWindowState = 0;
    QString CurrentTitle;
    QString PlayedNode;

    int QuranSort() const;
    int DourousSort() const;
    QString RiwayaFilter() const;

    Catalogue &catalogue() { return m_catalogue; }
    CatalogueTree &catalogueTree() { return *m_catalogueTree; }
    KeyedTree &tree() { return *m_keyedTree; }

    // Menu handlers.
    void QSort_Click(int index);
    void DSort_Click(int index);
    void Foption_Click(int index);
    void Riwaya_Click(int index);
    void mnuMintoTray_Click(int index);
    void Exit_Click();

    void AdjustTitleLines();
    QString titleText() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createMenus();
    QAction *addItem(QMenu *menu, const QString &name, const QString &text, bool enabled = true);
    QAction *addSeparator(QMenu *menu, const QString &name);
    QAction *addArrayItem(QMenu *menu, QList<QAction *> &array, const QString &name,
                          const QString &text, void (MainFrame::*handler)(int));

    void Form_Load();
    void LoadSettings();
    bool applySetting(int line, const QString &text);
    void applyDefaultSettings();
    void SaveSettings();
    void SetMenuColor(const QColor &colour, bool all);
    void BuildTree();
    void CheckRiwayaMenu();
    void addRiwayaItem(qsizetype n, const QString &riwaya);
    void Form_Resize();
    void markPlayedNode();
    void setTitleText(const QString &text);

    static void checkOnly(const QList<QAction *> &items, int index);

    Catalogue m_catalogue;
    KeyedTree *m_keyedTree = nullptr;
    CatalogueTree *m_catalogueTree = nullptr;

    QWidget *m_inner = nullptr;
    QTextEdit *LTitle = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    QFrame *RealAudio = nullptr;
    QFrame *Line1 = nullptr;
    QPushButton *CHide = nullptr;
    QPushButton *CSearch = nullptr;
    QPushButton *CStop = nullptr;
    QLineEdit *TSearch = nullptr;
    QList<QRadioButton *> OptionS;

    QAction *SaveMP3 = nullptr;
    QAction *SaveRM = nullptr;
    QMenu *m_riwayaMenu = nullptr;
    QList<QAction *> m_QSort;
    QList<QAction *> m_DSort;
    QList<QAction *> m_Foption;
    QList<QAction *> m_Riwaya;
    QList<QAction *> m_mnuMintoTray;

    // The window measures as read from the settings file, written back unchanged when the window
    // still has the size and place they gave (twips are finer than pixels).
    enum Measure
    {
        Top,
        Left,
        Width,
        Height
    };
    std::optional<int> m_readTwips[4];
    int twipsToWrite(Measure m, int pixels) const;
    bool m_unloaded = false;
};
