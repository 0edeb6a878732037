#include "mainmenus.h"

#include "riwayafilter.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::Literals::StringLiterals;

namespace {

QAction *addItem(QMenu *menu, const QString &name, const QString &text, bool enabled = true)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    action->setEnabled(enabled);
    return action;
}

void addSeparator(QMenu *menu, const QString &name)
{
    menu->addSeparator()->setObjectName(name);
}

QMenu *addMenu(QWidget *bar, const QString &name, const QString &text)
{
    QMenu *menu = nullptr;
    if (auto *menuBar = qobject_cast<QMenuBar *>(bar))
        menu = menuBar->addMenu(text);
    else
        menu = static_cast<QMenu *>(bar)->addMenu(text);
    menu->setObjectName(name);
    return menu;
}

} // namespace

MainMenus::MainMenus(QMenuBar *bar, QObject *parent)
    : QObject(parent)
    , m_bar(bar)
{
    Items &m = m_items;
    bar->setObjectName(u"MenuBar"_s);

    // Items whose work belongs to features still to come are shown disabled.
    QMenu *file = addMenu(bar, u"File"_s, u"الرئيسية"_s);
    m.AddNewFile = addItem(file, u"AddNewFile"_s, u"إضافة شريط جديد"_s, false);
    addSeparator(file, u"sep"_s);
    m.mnusearch = addItem(file, u"mnusearch"_s, u"البحث عن شريط"_s, false);
    addSeparator(file, u"mline"_s);
    m.SaveMP3 = addItem(file, u"SaveMP3"_s, u"نسخ رابط الملف بصيغة MP3"_s);
    m.SaveRM = addItem(file, u"SaveRM"_s, u"نسخ رابط الملف بصيغة RM "_s);
    addSeparator(file, u"sspp"_s);
    m.Exit = addItem(file, u"Exit"_s, u"خروج"_s);

    m.Last = addMenu(bar, u"Last"_s, u"المحفوظات"_s);

    m.Tools = addMenu(bar, u"Tools"_s, u"أدوات"_s);
    QMenu *format = addMenu(m.Tools, u"PFormat"_s, u"الصيغة المفضلة"_s);
    addArrayItem(format, m.Foption, u"Foption"_s, u"MP3"_s, &MainMenus::formatChosen);
    addArrayItem(format, m.Foption, u"Foption"_s, u"RM"_s, &MainMenus::formatChosen);
    addSeparator(m.Tools, u"s112"_s);
    QMenu *surat = addMenu(m.Tools, u"SuratSort"_s, u"ترتيب السور القرآنية"_s);
    for (const QString &text : {u"الرواية - القارئ - السورة"_s, u"الرواية - السورة - القارئ"_s,
                                u"القارئ - السورة"_s, u"السورة - القارئ"_s})
        addArrayItem(surat, m.QSort, u"QSort"_s, text, &MainMenus::quranSortChosen);
    QMenu *khotab = addMenu(m.Tools, u"KhotabSort"_s, u"ترتيب الدروس والخطب"_s);
    addArrayItem(khotab, m.DSort, u"DSort"_s, u"حسب أسماء العلماء والدعاة"_s,
                 &MainMenus::dourousSortChosen);
    addArrayItem(khotab, m.DSort, u"DSort"_s, u"حسب الموضوع"_s, &MainMenus::dourousSortChosen);
    addSeparator(m.Tools, u"spp"_s);
    m.ARiwaya = addMenu(m.Tools, u"ARiwaya"_s, u"عرض الروايات"_s);
    addArrayItem(m.ARiwaya, m.Riwaya, u"Riwaya"_s, RiwayaFilter::allRiwayat(),
                 &MainMenus::riwayaChosen);
    addSeparator(m.Tools, u"spa"_s);
    m.mUpdate = addItem(m.Tools, u"mUpdate"_s, u"تحديث البرنامج"_s, false);
    m.IntOptions = addItem(m.Tools, u"IntOptions"_s, u"إعدادات الإنترنت"_s, false);
    addSeparator(m.Tools, u"seo5"_s);
    QMenu *minimise = addMenu(m.Tools, u"mnumin"_s, u"تصغير النافذة"_s);
    addArrayItem(minimise, m.mnuMintoTray, u"mnuMintoTray"_s, u"إلى علبة النظام"_s,
                 &MainMenus::minimiseTargetChosen);
    addArrayItem(minimise, m.mnuMintoTray, u"mnuMintoTray"_s, u"إلى شريط المهام"_s,
                 &MainMenus::minimiseTargetChosen);

    m.about = bar->addAction(u"حول البرنامج"_s);
    m.about->setObjectName(u"about"_s);
    m.about->setEnabled(false);
}

QAction *MainMenus::addArrayItem(QMenu *menu, QList<QAction *> &array, const QString &name,
                                 const QString &text, void (MainMenus::*signal)(int))
{
    const int index = int(array.size());
    QAction *action = addItem(menu, u"%1_%2"_s.arg(name).arg(index), text);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, signal, index] {
        Q_EMIT(this->*signal)(index);
    });
    array.append(action);
    return action;
}

void MainMenus::checkOnly(const QList<QAction *> &array, int index)
{
    for (int i = 0; i < array.size(); ++i)
        array[i]->setChecked(i == index);
}

int MainMenus::checkedIndex(const QList<QAction *> &array)
{
    for (int i = 0; i < array.size(); ++i)
        if (array[i]->isChecked())
            return i;
    return -1;
}

QStringList MainMenus::riwayaItems() const
{
    QStringList items;
    for (const QAction *item : m_items.Riwaya)
        items.append(item->text());
    return items;
}

void MainMenus::addRiwaya(qsizetype n, const QString &riwaya)
{
    // Items are numbered like the riwaya list; a gap cannot happen, but never misnumber one.
    while (m_items.Riwaya.size() < n)
        addArrayItem(m_items.ARiwaya, m_items.Riwaya, u"Riwaya"_s, QString(),
                     &MainMenus::riwayaChosen);
    addArrayItem(m_items.ARiwaya, m_items.Riwaya, u"Riwaya"_s, riwaya, &MainMenus::riwayaChosen);
}

void MainMenus::CheckRiwayaMenu(const RiwayaFilter &filter)
{
    for (QAction *item : std::as_const(m_items.Riwaya))
        item->setChecked(filter.isChosen(item->text()));
}

void MainMenus::SetMenuColor(const QColor &colour, bool all)
{
    const auto paint = [&colour](QWidget *w) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, colour);
        p.setColor(QPalette::Base, colour);
        w->setPalette(p);
        w->setAutoFillBackground(true);
    };
    paint(m_bar);
    // Every menu the bar leads to, submenus included.
    const auto paintMenus = [&paint](const QList<QAction *> &items, const auto &self) -> void {
        for (QAction *item : items)
            if (QMenu *menu = item->menu()) {
                paint(menu);
                self(menu->actions(), self);
            }
    };
    if (all)
        paintMenus(m_bar->actions(), paintMenus);
    m_bar->update();
}
