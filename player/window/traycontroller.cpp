#include "traycontroller.h"

#include "keyedtree.h"

#include <QSystemTrayIcon>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace {
// The longest tooltip shown, in characters.
constexpr int kTipLength = 63;
} // namespace

TrayController::TrayController(QWidget *window, QMenu *trayMenu, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_menu(trayMenu)
{}

TrayController::~TrayController()
{
    delete m_icon;
}

bool TrayController::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayController::ShowinTray()
{
    if (!available())
        return; // never hide a window that could not be found again
    m_tip = u"Marvoli"_s;
    if (!m_icon) {
        const QIcon picture =
            m_window->windowIcon().isNull() ? KeyedTree::icon(u"sound"_s) : m_window->windowIcon();
        m_icon = new QSystemTrayIcon(picture);
        m_icon->setObjectName(u"TrayIcon"_s);
        m_icon->setContextMenu(m_menu);
        connect(m_icon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) { activated(reason); });
    }
    m_icon->setToolTip(m_tip);
    m_icon->show();
    setTitle(m_title);
    if (!(m_window->windowState() & Qt::WindowMinimized))
        m_window->setWindowState(m_window->windowState() | Qt::WindowMinimized);
    m_window->hide();
}

void TrayController::DeleteFromTray()
{
    if (!m_icon)
        return;
    m_icon->hide();
    m_icon->deleteLater();
    m_icon = nullptr;
}

void TrayController::setTitle(const QString &title)
{
    m_title = title;
    if (!m_icon)
        return;
    QString tip = title.left(2 * kTipLength); // line breaks shrink to one character each
    tip.replace(u"\r\n"_s, u" "_s).replace(u'\n', u' ');
    m_tip = tip.left(kTipLength);
    m_icon->setToolTip(m_tip);
}

void TrayController::activated(int reason)
{
    if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger)
        return;
    if (m_lastWindowState == 2)
        m_window->showMaximized();
    else
        m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    DeleteFromTray();
}

void TrayController::mnuShow_Click()
{
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    DeleteFromTray();
}
