#pragma once

#include "keyedtree.h"
#include "mainframe.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class AudioPlayer;
class QAction;
class QTreeWidget;

// Drives a main window on a throw-away application folder the way a user does: expanding folders,
// clicking tapes with either button, choosing menu items.
class WindowDriver
{
public:
    // Writes DB/a.txt with these records (and config.ini when given), then opens the window with
    // the real player on the null audio output plus playerOptions.
    MainFrame &open(const QStringList &records, const QByteArray &config = {},
                    const QStringList &playerOptions = {});
    // Opens the window on an application folder the test laid out itself, with this player (the
    // window takes it over). The folder is the test's: close() leaves it in place.
    MainFrame &openIn(const QString &appFolder, AudioPlayer *player);
    void close();

    MainFrame &window() { return *m_window; }
    QString appPath(const QString &name) const { return m_folder + u'/' + name; }
    QTreeWidget *view();

    // Opens the folders down to a record's tape and returns its node.
    KeyedTree::Node showTape(const QString &record);
    // Opens the folders down to a folder key and returns it.
    KeyedTree::Node showFolder(const QString &key);
    void collapse(KeyedTree::Node node);
    // A click on a node (or, for null, on empty space under the nodes).
    void click(KeyedTree::Node node, Qt::MouseButton button = Qt::LeftButton);
    // Right-clicks a node and chooses an item of the popup menu.
    void choose(KeyedTree::Node node, const QString &item);
    QAction *action(const QString &name);
    QAction *popupItem(const QString &name);
    QStringList childTexts(KeyedTree::Node node) const;

    static QByteArray readBytes(const QString &path);
    static void writeBytes(const QString &path, const QByteArray &bytes);

private:
    std::unique_ptr<QTemporaryDir> m_app;
    QString m_folder;
    std::unique_ptr<PlayerSession> m_session;
    std::unique_ptr<MainFrame> m_window; // after m_session: it shows it
};

// Types text into a widget as a keyboard does, one key press and release per character (Arabic
// letters too, which QTest::keyClicks cannot send).
void typeText(QWidget *widget, const QString &text);

// A few seconds of MP3 made with ffmpeg, or empty when ffmpeg is missing.
QByteArray makeMp3(double seconds);
