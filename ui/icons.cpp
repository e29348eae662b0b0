// Draws every image of the window on a 24-unit grid, so each scales cleanly to any size.
#include "icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QColor kInk(0x2b, 0x3a, 0x4a);
const QColor kFolder(0xf0, 0xb4, 0x3c);
const QColor kFolderDark(0xc8, 0x8a, 0x1c);
const QColor kBlue(0x2f, 0x7c, 0xd6);
const QColor kGreen(0x2e, 0x9e, 0x5b);
const QColor kRed(0xd6, 0x45, 0x3d);
const QColor kPaper(0xfb, 0xfb, 0xf8);

QPen pen(const QColor& color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A part of a folder: a closed outline edged in the folder's dark colour.
void drawFolderPart(QPainter& p, const QPolygonF& outline, const QColor& fill)
{
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    p.setPen(pen(kFolderDark, 1));
    p.setBrush(fill);
    p.drawPath(path);
}

void drawFolder(QPainter& p)
{
    drawFolderPart(p, QPolygonF({QPointF(2, 6), QPointF(9, 6), QPointF(11, 8), QPointF(21, 8), QPointF(21, 19),
                                 QPointF(2, 19)}),
                   kFolderDark);
    p.setBrush(kFolder);
    p.drawRoundedRect(QRectF(2, 10, 20, 10), 1, 1);
}

void drawBadge(QPainter& p, const QColor& color)
{
    p.setPen(pen(Qt::white, 1.2));
    p.setBrush(color);
    p.drawEllipse(QPointF(18, 18), 5, 5);
}

void drawPlus(QPainter& p, QPointF c, qreal r)
{
    p.setPen(pen(Qt::white, 2));
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
}

void drawNote(QPainter& p, QPointF at, const QColor& color)
{
    p.setPen(pen(color, 1.6));
    p.drawLine(at + QPointF(3, 0), at + QPointF(3, -8));
    p.drawLine(at + QPointF(3, -8), at + QPointF(7, -6.5));
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(at + QPointF(1.2, 0.3), 2.2, 1.8);
}

void drawSave(QPainter& p)
{
    p.setPen(pen(kInk, 1.2));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(6.5, 3, 11, 7));
    p.setBrush(QColor(0xe6, 0xea, 0xf0));
    p.drawRect(QRectF(6, 13.5, 12, 7.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(13.5, 4.5, 2.5, 4));
}

void drawAddFolder(QPainter& p)
{
    drawFolder(p);
    drawBadge(p, kGreen);
    drawPlus(p, QPointF(18, 18), 2.6);
}

void drawClose(QPainter& p)
{
    p.setPen(pen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(4, 2.5, 13, 17), 1.5, 1.5);
    p.setPen(pen(QColor(0x9a, 0xa5, 0xb1), 1.2));
    for (qreal y = 7; y <= 14; y += 3.5)
        p.drawLine(QPointF(7, y), QPointF(14, y));
    drawBadge(p, kRed);
    p.setPen(pen(Qt::white, 2));
    p.drawLine(QPointF(16, 16), QPointF(20, 20));
    p.drawLine(QPointF(20, 16), QPointF(16, 20));
}

void drawSearch(QPainter& p)
{
    p.setPen(pen(kInk, 2.4));
    p.setBrush(QColor(0xd8, 0xea, 0xfb));
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.setPen(pen(kInk, 3.6));
    p.drawLine(QPointF(15, 15), QPointF(21, 21));
}

void drawExport(QPainter& p)
{
    p.setPen(pen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(9, 2.5, 12.5, 19), 1.5, 1.5);
    drawNote(p, QPointF(13, 15.5), kBlue);
    p.setPen(pen(kGreen, 2.6));
    p.drawLine(QPointF(2.5, 12), QPointF(10.5, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({QPointF(9, 7.5), QPointF(14.5, 12), QPointF(9, 16.5)}));
}

void drawOpen(QPainter& p)
{
    drawFolder(p);
    p.setPen(pen(kPaper, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(5, 4, 13, 8));
    drawFolderPart(p, QPolygonF({QPointF(5, 11), QPointF(23, 11), QPointF(20, 20), QPointF(2, 20)}), kFolder);
}

void drawArrow(QPainter& p, qreal angle, const QColor& color)
{
    p.translate(12, 12);
    p.rotate(angle);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygonF({QPointF(-8, -3), QPointF(1, -3), QPointF(1, -8), QPointF(9, 0),
                             QPointF(1, 8), QPointF(1, 3), QPointF(-8, 3)}));
}

void drawRemove(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.setPen(pen(Qt::white, 3));
    p.drawLine(QPointF(7, 12), QPointF(17, 12));
}

void drawApplication(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x8c));
    p.drawRoundedRect(QRectF(1, 1, 22, 22), 5, 5);
    p.setBrush(QColor(0xff, 0xd2, 0x5a));
    p.drawPolygon(QPolygonF({QPointF(4, 8), QPointF(13, 8), QPointF(17, 12), QPointF(13, 16),
                             QPointF(4, 16)}));
    p.setBrush(QColor(0x1f, 0x4e, 0x8c));
    p.drawEllipse(QPointF(13.2, 12), 1.4, 1.4);
    drawNote(p, QPointF(6.5, 19.5), Qt::white);
    p.setPen(pen(Qt::white, 1.6));
    p.drawLine(QPointF(9.5, 11.5), QPointF(9.5, 4.5));
    p.drawLine(QPointF(9.5, 4.5), QPointF(19, 4.5));
    p.drawLine(QPointF(19, 4.5), QPointF(19, 8));
}

QPixmap render(IconRole role, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    switch (role) {
    case IconRole::Save: drawSave(p); break;
    case IconRole::AddFolder: drawAddFolder(p); break;
    case IconRole::Close: drawClose(p); break;
    case IconRole::Search: drawSearch(p); break;
    case IconRole::Export: drawExport(p); break;
    case IconRole::Open: drawOpen(p); break;
    case IconRole::ToPlaylist: drawArrow(p, 0, kGreen); break;
    case IconRole::MoveUp: drawArrow(p, -90, kBlue); break;
    case IconRole::MoveDown: drawArrow(p, 90, kBlue); break;
    case IconRole::Remove: drawRemove(p); break;
    case IconRole::Application: drawApplication(p); break;
    }
    return pixmap;
}

} // namespace

QIcon makeIcon(IconRole role)
{
    QIcon icon;
    for (int size : {16, 25, 32, 48, 64, 128})
        icon.addPixmap(render(role, size));
    return icon;
}
