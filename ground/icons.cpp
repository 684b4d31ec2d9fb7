#include "icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <functional>

namespace {

using Painter = std::function<void(QPainter&)>;

// Every image is drawn on a 16 by 16 grid and scaled to the size asked for.
QPixmap Draw(int size, const Painter& paint, QColor background = Qt::transparent) {
    QPixmap pixmap(size, size);
    pixmap.fill(background);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    paint(p);
    return pixmap;
}

QIcon IconOf(const Painter& paint) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(Draw(size, paint));
    return icon;
}

QPen Pen(QColor color, qreal width = 1.2) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

const QColor kInk(40, 48, 64);
const QColor kBlue(46, 110, 200);
const QColor kGreen(40, 150, 70);
const QColor kRed(200, 50, 45);
const QColor kGold(225, 165, 40);
const QColor kPaper(250, 250, 246);

void Page(QPainter& p) {
    QPainterPath path;
    path.moveTo(3, 1.5);
    path.lineTo(10, 1.5);
    path.lineTo(13, 4.5);
    path.lineTo(13, 14.5);
    path.lineTo(3, 14.5);
    path.closeSubpath();
    p.setPen(Pen(kInk, 1));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(10, 1.5), QPointF(10, 4.5));
    p.drawLine(QPointF(10, 4.5), QPointF(13, 4.5));
}

void Arrow(QPainter& p, bool up, QColor color) {
    QPolygonF head;
    if (up)
        head << QPointF(8, 2) << QPointF(13.5, 8) << QPointF(10, 8) << QPointF(10, 14)
             << QPointF(6, 14) << QPointF(6, 8) << QPointF(2.5, 8);
    else
        head << QPointF(8, 14) << QPointF(13.5, 8) << QPointF(10, 8) << QPointF(10, 2)
             << QPointF(6, 2) << QPointF(6, 8) << QPointF(2.5, 8);
    p.setPen(Pen(color.darker(140), 1));
    p.setBrush(color);
    p.drawPolygon(head);
}

void Squares(QPainter& p, int perRow) {
    const qreal cell = 14.0 / perRow;
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kBlue.lighter(130));
    for (int y = 0; y < perRow; ++y)
        for (int x = 0; x < perRow; ++x)
            p.drawRect(QRectF(1 + x * cell + 0.6, 1 + y * cell + 0.6, cell - 1.6, cell - 1.6));
}

void Lines(QPainter& p, bool columns) {
    // Blue, not ink: the lines must show on a dark toolbar too.
    p.setPen(Pen(kBlue, 1.4));
    for (int row = 0; row < 4; ++row) {
        const qreal y = 3 + row * 3.3;
        p.setBrush(kBlue);
        p.drawRect(QRectF(1.5, y - 1, 2, 2));
        p.drawLine(QPointF(5, y), QPointF(columns ? 9 : 14.5, y));
        if (columns) p.drawLine(QPointF(10.5, y), QPointF(14.5, y));
    }
}

Painter ArtPainter(Icons::Art art) {
    switch (art) {
    case Icons::Art::New:
        return [](QPainter& p) {
            Page(p);
            p.setPen(Pen(kGold, 1.4));
            p.drawLine(QPointF(12, 10), QPointF(15, 13));
            p.drawLine(QPointF(15, 10), QPointF(12, 13));
        };
    case Icons::Art::Open:
        return [](QPainter& p) {
            p.setPen(Pen(kInk, 1));
            p.setBrush(kGold.lighter(110));
            p.drawRect(QRectF(1.5, 4, 12, 9.5));
            p.setBrush(kGold);
            p.drawPolygon(QPolygonF() << QPointF(3.5, 7) << QPointF(15, 7) << QPointF(13.5, 13.5)
                                      << QPointF(1.5, 13.5));
        };
    case Icons::Art::Save:
        return [](QPainter& p) {
            p.setPen(Pen(kInk, 1));
            p.setBrush(kBlue);
            p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
            p.setBrush(kPaper);
            p.drawRect(QRectF(4, 1.5, 8, 5));
            p.setBrush(kInk);
            p.drawRect(QRectF(4.5, 9.5, 7, 5));
        };
    case Icons::Art::StartCheat:
        return [](QPainter& p) {
            p.setPen(Pen(kInk, 1.4));
            p.drawLine(QPointF(3, 1.5), QPointF(3, 15));
            p.setPen(Pen(kGreen.darker(130), 1));
            p.setBrush(kGreen);
            p.drawPolygon(QPolygonF() << QPointF(3.5, 2) << QPointF(14, 5) << QPointF(3.5, 8.5));
            p.setBrush(kGold);
            p.setPen(Pen(kGold.darker(150), 0.8));
            p.drawEllipse(QPointF(11, 12), 3, 3);
        };
    case Icons::Art::Source:
        return [](QPainter& p) {
            Page(p);
            p.setPen(Pen(kBlue, 1.1));
            p.drawLine(QPointF(5, 6), QPointF(8, 6));
            p.setPen(Pen(kInk, 1.1));
            p.drawLine(QPointF(5, 9), QPointF(11, 9));
            p.setPen(Pen(kGreen, 1.1));
            p.drawLine(QPointF(5, 12), QPointF(10, 12));
        };
    case Icons::Art::Insert:
        return [](QPainter& p) {
            p.setPen(Pen(kGreen.darker(140), 1));
            p.setBrush(kGreen);
            QPainterPath plus;
            plus.addRect(QRectF(6, 2, 4, 12));
            plus.addRect(QRectF(2, 6, 12, 4));
            p.drawPath(plus.simplified());
        };
    case Icons::Art::Edit:
        return [](QPainter& p) {
            p.setPen(Pen(kInk, 1));
            p.setBrush(kGold);
            p.drawPolygon(QPolygonF() << QPointF(11, 2) << QPointF(14, 5) << QPointF(5.5, 13.5)
                                      << QPointF(2.5, 10.5));
            p.setBrush(kInk);
            p.drawPolygon(QPolygonF()
                          << QPointF(2.5, 10.5) << QPointF(5.5, 13.5) << QPointF(1.5, 14.5));
        };
    case Icons::Art::Delete:
        return [](QPainter& p) {
            p.setPen(Pen(kRed, 3));
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        };
    case Icons::Art::LargeIcons:
        return [](QPainter& p) { Squares(p, 2); };
    case Icons::Art::SmallIcons:
        return [](QPainter& p) { Squares(p, 3); };
    case Icons::Art::List:
        return [](QPainter& p) { Lines(p, false); };
    case Icons::Art::Details:
        return [](QPainter& p) { Lines(p, true); };
    case Icons::Art::MoveUp:
        return [](QPainter& p) { Arrow(p, true, kBlue); };
    case Icons::Art::MoveDown:
        return [](QPainter& p) { Arrow(p, false, kBlue); };
    case Icons::Art::AutoArrange:
        return [](QPainter& p) {
            p.setPen(Pen(kInk, 0.8));
            p.setBrush(kGold);
            for (int i = 0; i < 4; ++i)
                p.drawRect(QRectF(1.5, 1.5 + i * 3.5, 13 - i * 3, 2.5));
        };
    case Icons::Art::About:
        return [](QPainter& p) {
            p.setPen(Pen(kBlue.darker(130), 1));
            p.setBrush(kBlue);
            p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
            p.setPen(Pen(Qt::white, 2));
            p.drawLine(QPointF(8, 7.5), QPointF(8, 11.5));
            p.drawPoint(QPointF(8, 4.5));
        };
    case Icons::Art::Undo:
    case Icons::Art::Redo: {
        const bool undo = art == Icons::Art::Undo;
        return [undo](QPainter& p) {
            if (!undo) { // the redo arrow is the undo arrow mirrored
                p.translate(16, 0);
                p.scale(-1, 1);
            }
            p.setPen(Pen(kBlue, 1.8));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(3, 4, 10, 9), 90 * 16, -220 * 16);
            p.setPen(Pen(kBlue.darker(130), 1));
            p.setBrush(kBlue);
            p.drawPolygon(QPolygonF() << QPointF(1.5, 4.5) << QPointF(7, 1) << QPointF(7, 8));
        };
    }
    case Icons::Art::IssueError:
        return [](QPainter& p) {
            p.setPen(Pen(kRed.darker(130), 1));
            p.setBrush(kRed);
            p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
            p.setPen(Pen(Qt::white, 2));
            p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
            p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
        };
    case Icons::Art::IssueWarning:
        return [](QPainter& p) {
            p.setPen(Pen(kGold.darker(150), 1));
            p.setBrush(kGold);
            p.drawPolygon(QPolygonF() << QPointF(8, 1.5) << QPointF(15, 14) << QPointF(1, 14));
            p.setPen(Pen(kInk, 1.8));
            p.drawLine(QPointF(8, 6), QPointF(8, 9.5));
            p.drawPoint(QPointF(8, 12));
        };
    case Icons::Art::IssueLoss:
        // A sheet with a corner torn off: something of the file is not kept.
        return [](QPainter& p) {
            Page(p);
            p.setPen(Pen(kRed, 1.6));
            p.drawLine(QPointF(5, 8), QPointF(11, 8));
        };
    }
    return {};
}

// The plan-type glyphs, in icon-index order.
void PlanGlyph(QPainter& p, int index) {
    static const QColor colors[Icons::kPlanTypeIconCount] = {
        {70, 130, 200},  {90, 160, 90},  {200, 140, 40}, {170, 110, 40}, {120, 90, 190},
        {60, 120, 160},  {200, 70, 60},  {150, 150, 60}, {190, 50, 50},  {60, 170, 150},
        {110, 110, 130}, {210, 120, 60}, {90, 140, 190}};
    p.setPen(Pen(colors[index].darker(160), 0.8));
    p.setBrush(colors[index]);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setPen(Pen(Qt::white, 1.4));
    p.setBrush(Qt::white);
    switch (index) {
    case 0: // collect from a pool
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 9), 4.5, 3);
        p.drawLine(QPointF(8, 3), QPointF(8, 7));
        break;
    case 1: // collect from a field
        for (QPointF c : {QPointF(5, 5), QPointF(11, 5), QPointF(8, 11)})
            p.drawPolygon(QPolygonF() << c + QPointF(0, -2) << c + QPointF(2, 0)
                                      << c + QPointF(0, 2) << c + QPointF(-2, 0));
        break;
    case 2: // build minimums
    case 3: // base build minimums
        p.drawPolygon(QPolygonF() << QPointF(3, 8) << QPointF(8, 3.5) << QPointF(13, 8)
                                  << QPointF(13, 13) << QPointF(3, 13));
        if (index == 3) {
            p.setBrush(colors[index]);
            p.drawRect(QRectF(6.5, 9, 3, 4));
        }
        break;
    case 4: // upgrade
        p.drawPolygon(QPolygonF() << QPointF(8, 2.5) << QPointF(13, 8) << QPointF(3, 8));
        p.drawRect(QRectF(6, 8, 4, 5.5));
        break;
    case 5: // defend an area
        p.drawPolygon(QPolygonF() << QPointF(8, 2.5) << QPointF(13, 4.5) << QPointF(12, 10)
                                  << QPointF(8, 13.5) << QPointF(4, 10) << QPointF(3, 4.5));
        break;
    case 6: // clear an area
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
        p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        break;
    case 7: // hold
        p.drawLine(QPointF(4.5, 2.5), QPointF(4.5, 14));
        p.drawPolygon(QPolygonF() << QPointF(5, 3) << QPointF(13, 5.5) << QPointF(5, 8.5));
        break;
    case 8: // attack
        p.setPen(Pen(Qt::white, 1.8));
        p.drawLine(QPointF(3, 13), QPointF(12, 4));
        p.drawPolygon(QPolygonF() << QPointF(13.5, 2.5) << QPointF(12.5, 7) << QPointF(9, 3.5));
        break;
    case 9: // recover
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(6.5, 3, 3, 10));
        p.drawRect(QRectF(3, 6.5, 10, 3));
        break;
    case 10: // service
        p.setPen(Pen(Qt::white, 2));
        p.drawLine(QPointF(4, 12), QPointF(10, 6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(11, 5), 2.5, 2.5);
        break;
    case 11: { // build in a loop
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 300 * 16);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF() << QPointF(11.5, 2) << QPointF(14, 6) << QPointF(10, 6.5));
        break;
    }
    default: // distribute units
        for (QPointF c : {QPointF(8, 4.5), QPointF(4, 11.5), QPointF(12, 11.5)})
            p.drawEllipse(c, 2, 2);
        break;
    }
}

void ApplicationArt(QPainter& p) {
    // A blue tile with a white plan sheet and a gold marker: "plans".
    QLinearGradient tile(0, 0, 16, 16);
    tile.setColorAt(0, kBlue.lighter(120));
    tile.setColorAt(1, kBlue.darker(130));
    p.setPen(Pen(kBlue.darker(170), 0.5));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3.2, 3.2);
    p.setPen(Pen(kInk, 0.5));
    p.setBrush(kPaper);
    p.drawRect(QRectF(3.5, 2.5, 8, 11));
    p.setPen(Pen(kBlue, 1.6));
    p.drawLine(QPointF(5, 5), QPointF(10, 5));
    p.drawLine(QPointF(10, 5), QPointF(5, 11));
    p.drawLine(QPointF(5, 11), QPointF(10, 11));
    p.setPen(Pen(kGold.darker(140), 0.5));
    p.setBrush(kGold);
    p.drawEllipse(QPointF(12, 12), 2.6, 2.6);
}

} // namespace

namespace Icons {

QPixmap ApplicationPixmap(int size) {
    return Draw(size, ApplicationArt);
}

QIcon Application() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(ApplicationPixmap(size));
    return icon;
}

QIcon Get(Art art) {
    return IconOf(ArtPainter(art));
}

QIcon Picker() {
    return IconOf([](QPainter& p) {
        p.setPen(Pen(kInk, 1));
        p.setBrush(kPaper);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setBrush(kInk);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(3.5, 4.5 + i * 3, 5, 1.5));
        p.setBrush(kBlue);
        p.drawPolygon(QPolygonF() << QPointF(10, 6) << QPointF(13.5, 6) << QPointF(11.75, 9));
    });
}

QPixmap PlanTypeStrip(int size) {
    QPixmap strip(size * kPlanTypeIconCount, size);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    for (int i = 0; i < kPlanTypeIconCount; ++i)
        p.drawPixmap(i * size, 0, Draw(size, [i](QPainter& q) { PlanGlyph(q, i); }));
    return strip;
}

} // namespace Icons
