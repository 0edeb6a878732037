#include "treeicons.h"

#include <QCoreApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

using namespace Qt::Literals::StringLiterals;

namespace {

// The pictures are drawn on a 16 x 16 grid; draw() is called once per pixmap size.
using Drawing = void (*)(QPainter &);

void drawClosedFolder(QPainter &p)
{
    p.setPen(QPen(QColor(0x9a, 0x6b, 0x12), 1));
    QPainterPath folder;
    folder.moveTo(1.5, 3.5);
    folder.lineTo(6, 3.5);
    folder.lineTo(7.5, 5);
    folder.lineTo(14.5, 5);
    folder.lineTo(14.5, 13.5);
    folder.lineTo(1.5, 13.5);
    folder.closeSubpath();
    QLinearGradient fill(0, 3, 0, 14);
    fill.setColorAt(0, QColor(0xf7, 0xd3, 0x6b));
    fill.setColorAt(1, QColor(0xe0, 0xa8, 0x2e));
    p.setBrush(fill);
    p.drawPath(folder);
    // The lid's edge.
    p.drawLine(QPointF(1.5, 6.5), QPointF(14.5, 6.5));
}

void drawOpenFolder(QPainter &p)
{
    const QColor edge(0x9a, 0x6b, 0x12);
    p.setPen(QPen(edge, 1));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(7, 5);
    back.lineTo(13.5, 5);
    back.lineTo(13.5, 7.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setBrush(QColor(0xc9, 0x8e, 0x1f));
    p.drawPath(back);
    // A sheet sticking out of the folder.
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    p.drawRect(QRectF(3.5, 5.5, 8, 4));
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(13, 13.5);
    front.closeSubpath();
    QLinearGradient fill(0, 7, 0, 14);
    fill.setColorAt(0, QColor(0xfb, 0xe0, 0x8a));
    fill.setColorAt(1, QColor(0xf0, 0xbd, 0x45));
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawPath(front);
}

void drawTape(QPainter &p)
{
    // Cassette body.
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), 1));
    p.setBrush(QColor(0x3d, 0x6f, 0xb0));
    p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 1.5, 1.5);
    // Label with the window.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xf2, 0xe6));
    p.drawRect(QRectF(2, 4, 12, 5));
    // Reels.
    p.setBrush(QColor(0x2a, 0x2a, 0x2a));
    p.drawEllipse(QPointF(5, 6.5), 1.8, 1.8);
    p.drawEllipse(QPointF(11, 6.5), 1.8, 1.8);
    p.setBrush(QColor(0xf2, 0xf2, 0xe6));
    p.drawEllipse(QPointF(5, 6.5), 0.7, 0.7);
    p.drawEllipse(QPointF(11, 6.5), 0.7, 0.7);
    // Head opening at the bottom.
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x5f), 1));
    p.setBrush(QColor(0x2c, 0x55, 0x8a));
    QPainterPath base;
    base.moveTo(4, 13.5);
    base.lineTo(5, 10.5);
    base.lineTo(11, 10.5);
    base.lineTo(12, 13.5);
    p.drawPath(base);
}

void drawSpeaker(QPainter &p)
{
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
    p.setBrush(QColor(0x55, 0x5f, 0x6b));
    QPainterPath cone;
    cone.moveTo(1.5, 5.5);
    cone.lineTo(4.5, 5.5);
    cone.lineTo(8.5, 2);
    cone.lineTo(8.5, 14);
    cone.lineTo(4.5, 10.5);
    cone.lineTo(1.5, 10.5);
    cone.closeSubpath();
    p.drawPath(cone);
    // Sound waves.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x1e, 0x9e, 0x3c), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(7, 5, 5, 6), -50 * 16, 100 * 16);
    p.drawArc(QRectF(6, 2.5, 9, 11), -55 * 16, 110 * 16);
}

void drawHourglass(QPainter &p)
{
    // Glass.
    p.setPen(QPen(QColor(0x5a, 0x6e, 0x80), 1));
    p.setBrush(QColor(0xe6, 0xf2, 0xfa));
    QPainterPath glass;
    glass.moveTo(3.5, 2);
    glass.lineTo(12.5, 2);
    glass.lineTo(8.8, 8);
    glass.lineTo(12.5, 14);
    glass.lineTo(3.5, 14);
    glass.lineTo(7.2, 8);
    glass.closeSubpath();
    p.drawPath(glass);
    // Sand: what is left on top, the heap below and the falling thread.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x8a, 0x1e));
    QPainterPath top;
    top.moveTo(5.6, 5);
    top.lineTo(10.4, 5);
    top.lineTo(8, 8.2);
    top.closeSubpath();
    p.drawPath(top);
    QPainterPath heap;
    heap.moveTo(4.5, 13.5);
    heap.lineTo(8, 10.5);
    heap.lineTo(11.5, 13.5);
    heap.closeSubpath();
    p.drawPath(heap);
    p.drawRect(QRectF(7.6, 8, 0.8, 3));
    // Wooden ends.
    p.setBrush(QColor(0x8b, 0x4a, 0x1c));
    p.setPen(QPen(QColor(0x4a, 0x3a, 0x1c), 0.6));
    p.drawRoundedRect(QRectF(2, 0.8, 12, 1.8), 0.6, 0.6);
    p.drawRoundedRect(QRectF(2, 13.4, 12, 1.8), 0.6, 0.6);
}

QIcon paintIcon(Drawing draw)
{
    QIcon result;
    // A double-size copy keeps the pictures sharp on high-density screens.
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

QHash<QString, QIcon> &iconCache()
{
    static QHash<QString, QIcon> cache;
    return cache;
}

} // namespace

QIcon TreeIcons::icon(const QString &image)
{
    QHash<QString, QIcon> &cache = iconCache();
    if (cache.isEmpty()) {
        cache.insert(u"Closed"_s, paintIcon(drawClosedFolder));
        cache.insert(u"Open"_s, paintIcon(drawOpenFolder));
        cache.insert(u"Leaf"_s, paintIcon(drawTape));
        cache.insert(u"sound"_s, paintIcon(drawSpeaker));
        cache.insert(u"wait"_s, paintIcon(drawHourglass));
        // Pixmaps must not outlive the application object.
        qAddPostRoutine([] { iconCache().clear(); });
    }
    return cache.value(image);
}
