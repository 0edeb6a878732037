// Saves a picture of the main window on an application folder, with the first Quran branch
// expanded down to a reciter:  marvoli_screenshot <application folder> <out.png>
#include "keyedtree.h"
#include "mainframe.h"
#include "playersession.h"

#include <QApplication>
#include <QFont>
#include <QPixmap>
#include <QTimer>
#include <QTreeWidget>

#include <clocale>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: marvoli_screenshot <application folder> <out.png>\n");
        return 2;
    }
    QApplication::setLayoutDirection(Qt::RightToLeft);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setFont(QFont(u"Noto Sans Arabic"_s, 10));

    PlayerSession session(QString::fromLocal8Bit(argv[1]));
    MainFrame window(session);
    window.show();
    KeyedTree &tree = window.tree();
    // Open the first root that holds the Quran, then its first folder twice down.
    KeyedTree::Node node = nullptr;
    for (KeyedTree::Node root : tree.roots())
        if (KeyedTree::text(root).contains(u"القرآن"_s))
            node = root;
    for (int depth = 0; node && depth < 3; ++depth) {
        tree.setExpanded(node, true);
        if (depth < 2)
            node = KeyedTree::child(node);
    }
    if (node)
        tree.widget()->setCurrentItem(KeyedTree::child(node));

    const QString out = QString::fromLocal8Bit(argv[2]);
    QTimer::singleShot(300, &app, [&] {
        const bool saved = window.grab().save(out);
        std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "saved" : "could not save",
                     qPrintable(out));
        app.exit(saved ? 0 : 1);
    });
    return app.exec();
}
