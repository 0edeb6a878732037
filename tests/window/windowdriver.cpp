#include "windowdriver.h"

#include "catalogue.h"
#include "codepage.h"
#include "menuform.h"
#include "mpvplayer.h"
#include "widgets.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

MainFrame &WindowDriver::open(const QStringList &records, const QByteArray &config,
                              const QStringList &playerOptions)
{
    close();
    m_app = std::make_unique<QTemporaryDir>();
    QDir(m_app->path()).mkdir(u"DB"_s);
    writeCodePageLines(m_app->filePath(u"DB/a.txt"_s), records);
    if (!config.isEmpty())
        writeBytes(m_app->filePath(u"config.ini"_s), config);
    auto *player = new MpvPlayer(m_app->path(), QStringList{u"ao=null"_s} + playerOptions);
    return openIn(m_app->path(), player);
}

MainFrame &WindowDriver::openIn(const QString &appFolder, AudioPlayer *player)
{
    close();
    // As the program does at its start.
    static const bool styled = (UseRoomyButtons(), true);
    Q_UNUSED(styled);
    m_folder = appFolder;
    m_session = std::make_unique<PlayerSession>(appFolder, player);
    m_window = std::make_unique<MainFrame>(*m_session);
    m_window->show();
    return *m_window;
}

void WindowDriver::close()
{
    if (m_window)
        m_window->close();
    m_window.reset();
    m_session.reset();
}

QTreeWidget *WindowDriver::view()
{
    return m_window->tree().widget();
}

KeyedTree::Node WindowDriver::showFolder(const QString &key)
{
    KeyedTree &tree = m_window->tree();
    const QStringList parts = key.split(u'/', Qt::SkipEmptyParts);
    QString prefix;
    KeyedTree::Node node = nullptr;
    for (const QString &part : parts) {
        prefix += part + u'/';
        node = tree.item(prefix);
        if (node)
            view()->expandItem(node);
    }
    return node;
}

KeyedTree::Node WindowDriver::showTape(const QString &record)
{
    const QString path = m_session->catalogue().BuildPath(record);
    showFolder(path.left(path.lastIndexOf(u'/') + 1));
    KeyedTree::Node tape = m_window->tree().item(u"Leaf-"_s + record);
    if (tape)
        view()->scrollToItem(tape);
    return tape;
}

void WindowDriver::collapse(KeyedTree::Node node)
{
    view()->collapseItem(node);
}

void WindowDriver::click(KeyedTree::Node node, Qt::MouseButton button)
{
    const QPoint at =
        node ? view()->visualItemRect(node).center() : QPoint(5, view()->viewport()->height() - 3);
    QTest::mouseClick(view()->viewport(), button, {}, at);
}

void WindowDriver::choose(KeyedTree::Node node, const QString &item)
{
    view()->scrollToItem(node);
    click(node, Qt::RightButton);
    QMenu *popup = m_window->menuForm().mnupopup();
    QAction *a = popupItem(item);
    QVERIFY2(a && a->isVisible() && a->isEnabled(), qPrintable(item));
    popup->close();
    a->trigger();
}

QAction *WindowDriver::action(const QString &name)
{
    return m_window->findChild<QAction *>(name);
}

QAction *WindowDriver::popupItem(const QString &name)
{
    return m_window->menuForm().mnupopup()->findChild<QAction *>(name);
}

QStringList WindowDriver::childTexts(KeyedTree::Node node) const
{
    QStringList out;
    for (int i = 0; i < KeyedTree::children(node); ++i)
        out.append(KeyedTree::text(KeyedTree::childAt(node, i)));
    return out;
}

QByteArray WindowDriver::readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WindowDriver::writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray makeMp3(double seconds)
{
    if (QStandardPaths::findExecutable(u"ffmpeg"_s).isEmpty())
        return {};
    QTemporaryDir dir;
    const QString mp3 = dir.filePath(u"a.mp3"_s);
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_s, {u"-loglevel"_s, u"error"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                               u"sine=frequency=440:duration=%1"_s.arg(seconds), u"-c:a"_s,
                               u"libmp3lame"_s, mp3});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return {};
    return WindowDriver::readBytes(mp3);
}

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}
