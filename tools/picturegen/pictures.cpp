#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

QColor Rgba(int r, int g, int b, int a = 255)
{
    return QColor(r, g, b, a);
}

QPen RoundPen(const QColor& color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// ---- the handheld device: grey body, blue screen, three round buttons ----

void DrawDeviceBody(QPainter& p, const QRectF& body)
{
    QLinearGradient fill(body.topLeft(), body.topRight());
    fill.setColorAt(0.0, Rgba(236, 236, 236));
    fill.setColorAt(0.45, Rgba(196, 196, 196));
    fill.setColorAt(1.0, Rgba(136, 136, 136));
    const qreal radius = body.width() * 0.2;
    p.setPen(QPen(Rgba(70, 70, 70), std::max(1.0, body.width() / 26.0)));
    p.setBrush(fill);
    p.drawRoundedRect(body, radius, radius);
}

void DrawDeviceScreen(QPainter& p, const QRectF& body)
{
    const QRectF bezel(body.left() + body.width() * 0.14, body.top() + body.height() * 0.08, body.width() * 0.72,
                       body.height() * 0.44);
    p.setPen(Qt::NoPen);
    p.setBrush(Rgba(48, 56, 68));
    p.drawRoundedRect(bezel, bezel.width() * 0.08, bezel.width() * 0.08);

    const qreal inset = std::max(1.0, body.width() * 0.05);
    const QRectF screen = bezel.adjusted(inset, inset, -inset, -inset);
    QLinearGradient blue(screen.topLeft(), screen.bottomRight());
    blue.setColorAt(0.0, Rgba(140, 206, 255));
    blue.setColorAt(0.45, Rgba(40, 120, 230));
    blue.setColorAt(1.0, Rgba(12, 54, 160));
    p.setBrush(blue);
    p.drawRect(screen);

    QPainterPath gloss; // a diagonal sheen across the upper left of the glass
    gloss.moveTo(screen.topLeft());
    gloss.lineTo(screen.right(), screen.top());
    gloss.lineTo(screen.left(), screen.top() + screen.height() * 0.75);
    gloss.closeSubpath();
    p.setBrush(Rgba(255, 255, 255, 60));
    p.drawPath(gloss);
}

// Three knobs in a row, snapped to the pixel grid so that small ones stay round and apart.
void DrawDeviceButtons(QPainter& p, const QRectF& body)
{
    const int diameter = body.width() < 16 ? 2 : std::max(3, int(std::lround(body.width() * 0.17)));
    const qreal gap = std::max(1.5, diameter * 0.6);
    const qreal step = diameter + gap;
    const qreal snap = diameter % 2 ? 0.5 : 0.0;
    const qreal middle = std::floor(body.center().x()) + snap;
    const qreal y = std::floor(body.top() + body.height() * 0.74) + snap;
    const qreal radius = diameter / 2.0;
    for (int i = -1; i <= 1; ++i) {
        const QPointF centre(middle + i * std::round(step), y);
        QRadialGradient knob(centre - QPointF(radius * 0.4, radius * 0.4), radius * 1.6);
        knob.setColorAt(0.0, Rgba(250, 250, 250));
        knob.setColorAt(0.5, Rgba(150, 150, 150));
        knob.setColorAt(1.0, Rgba(50, 50, 50));
        p.setPen(diameter >= 5 ? QPen(Rgba(60, 60, 60), radius * 0.2) : Qt::NoPen);
        p.setBrush(knob);
        p.drawEllipse(centre, radius, radius);
    }
}

void DrawDevice(QPainter& p, const QRectF& body)
{
    DrawDeviceBody(p, body);
    DrawDeviceScreen(p, body);
    DrawDeviceButtons(p, body);
}

// The body of a device size × size picture, its outline on pixel centres.
QRectF DeviceBodyFor(int size)
{
    const int margin = std::max(1, int(std::lround(size * 0.02)));
    const int width = 2 * int(std::lround(size * 0.29));
    const qreal left = (size - width) / 2;
    return QRectF(left + 0.5, margin + 0.5, width - 1, size - 2 * margin - 1);
}

void DrawWindowIcon(QPainter& p, int size)
{
    DrawDevice(p, DeviceBodyFor(size));
}

// At 16 pixels the device is laid out pixel by pixel, so that screen and buttons stay apart.
void DrawWindowIcon16(QPainter& p, int)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient fill(QPointF(2, 0), QPointF(14, 0));
    fill.setColorAt(0.0, Rgba(236, 236, 236));
    fill.setColorAt(1.0, Rgba(140, 140, 140));
    p.fillRect(QRect(2, 0, 12, 16), fill);
    const QColor outline = Rgba(70, 70, 70);
    p.fillRect(QRect(3, 0, 10, 1), outline);
    p.fillRect(QRect(3, 15, 10, 1), outline);
    p.fillRect(QRect(2, 1, 1, 14), outline);
    p.fillRect(QRect(13, 1, 1, 14), outline);
    p.setCompositionMode(QPainter::CompositionMode_Clear); // rounded corners
    for (QPoint corner : {QPoint(2, 0), QPoint(13, 0), QPoint(2, 15), QPoint(13, 15)})
        p.fillRect(QRect(corner, QSize(1, 1)), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    p.fillRect(QRect(4, 2, 8, 7), Rgba(36, 46, 70));
    QLinearGradient blue(QPointF(5, 3), QPointF(11, 8));
    blue.setColorAt(0.0, Rgba(150, 212, 255));
    blue.setColorAt(1.0, Rgba(24, 84, 200));
    p.fillRect(QRect(5, 3, 6, 5), blue);

    for (int x : {4, 7, 10}) {
        p.fillRect(QRect(x, 11, 2, 2), Rgba(96, 96, 96));
    }
}

// ---- button pictures (32 × 32) ----

void DrawPowerSymbol(QPainter& p, const QPointF& centre, qreal radius, const QPen& pen)
{
    const QRectF ring(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(ring, 125);
    arc.arcTo(ring, 125, 290);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.drawLine(QPointF(centre.x(), centre.y() - radius * 1.25), QPointF(centre.x(), centre.y() - radius * 0.1));
}

void DrawQuitButton(QPainter& p, int)
{
    const QRectF square(1.5, 1.5, 29, 29);
    QLinearGradient red(square.topLeft(), square.bottomLeft());
    red.setColorAt(0.0, Rgba(255, 120, 100));
    red.setColorAt(0.5, Rgba(228, 30, 18));
    red.setColorAt(1.0, Rgba(150, 8, 0));
    p.setPen(QPen(Rgba(110, 6, 0), 1));
    p.setBrush(red);
    p.drawRoundedRect(square, 7, 7);

    QLinearGradient sheen(QPointF(0, 2.5), QPointF(0, 15));
    sheen.setColorAt(0.0, Rgba(255, 255, 255, 150));
    sheen.setColorAt(1.0, Rgba(255, 255, 255, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawRoundedRect(QRectF(3.5, 2.5, 25, 12.5), 5.5, 5.5);

    const QPointF centre(16, 17.5);
    DrawPowerSymbol(p, centre + QPointF(0, 0.9), 8, RoundPen(Rgba(90, 0, 0, 120), 3.4));
    DrawPowerSymbol(p, centre, 8, RoundPen(Qt::white, 3.2));
}

// The device of the two action buttons, in the upper left, with room in front of it.
const QRectF kButtonDeviceBody(2.5, 0.5, 17, 29);

void DrawDropShadow(QPainter& p, const QPainterPath& shape)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Rgba(0, 0, 0, 70));
    p.drawPath(shape.translated(1.2, 1.2));
}

void DrawDialogWindow(QPainter& p, const QRectF& frame)
{
    QPainterPath outline;
    outline.addRect(frame);
    DrawDropShadow(p, outline);

    QLinearGradient client(frame.topLeft(), frame.bottomLeft());
    client.setColorAt(0.0, Rgba(255, 255, 255));
    client.setColorAt(1.0, Rgba(226, 232, 242));
    p.setPen(QPen(Rgba(20, 50, 120), 1));
    p.setBrush(client);
    p.drawRect(frame);

    const QRectF title(frame.left(), frame.top(), frame.width(), 4.5);
    QLinearGradient blue(title.topLeft(), title.bottomLeft());
    blue.setColorAt(0.0, Rgba(110, 170, 255));
    blue.setColorAt(1.0, Rgba(24, 84, 210));
    p.setBrush(blue);
    p.drawRect(title);
    p.setPen(Qt::NoPen);
    p.setBrush(Rgba(230, 60, 40));
    p.drawRect(QRectF(title.right() - 3.5, title.top() + 1.5, 2.5, 2.5));

    p.setBrush(Rgba(140, 150, 170));
    p.drawRect(QRectF(frame.left() + 1.5, title.bottom() + 2, frame.width() - 5, 1));
    p.drawRect(QRectF(frame.left() + 1.5, title.bottom() + 4, frame.width() - 9, 1));
    QLinearGradient okButton(QPointF(0, frame.bottom() - 4), QPointF(0, frame.bottom() - 1));
    okButton.setColorAt(0.0, Rgba(250, 250, 250));
    okButton.setColorAt(1.0, Rgba(170, 176, 190));
    p.setPen(QPen(Rgba(90, 100, 120), 0.8));
    p.setBrush(okButton);
    p.drawRect(QRectF(frame.right() - 8, frame.bottom() - 4.5, 6, 3));
}

void DrawOptionsReadButton(QPainter& p, int)
{
    DrawDevice(p, kButtonDeviceBody);
    DrawDialogWindow(p, QRectF(12.5, 14.5, 18, 15));
}

QPainterPath FloppyOutline(const QRectF& r)
{
    const qreal cut = r.width() * 0.18;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - cut, r.top());
    path.lineTo(r.right(), r.top() + cut);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    return path;
}

void DrawFloppyDisk(QPainter& p, const QRectF& r)
{
    const QPainterPath outline = FloppyOutline(r);
    DrawDropShadow(p, outline);
    QLinearGradient blue(r.topLeft(), r.bottomRight());
    blue.setColorAt(0.0, Rgba(54, 84, 190));
    blue.setColorAt(1.0, Rgba(12, 26, 100));
    p.setPen(QPen(Rgba(6, 14, 60), 1));
    p.setBrush(blue);
    p.drawPath(outline);

    const QRectF shutter(r.left() + r.width() * 0.26, r.top(), r.width() * 0.5, r.height() * 0.36);
    QLinearGradient metal(shutter.topLeft(), shutter.topRight());
    metal.setColorAt(0.0, Rgba(245, 245, 245));
    metal.setColorAt(1.0, Rgba(160, 164, 172));
    p.setPen(QPen(Rgba(70, 74, 84), 0.8));
    p.setBrush(metal);
    p.drawRect(shutter);
    p.setPen(Qt::NoPen);
    p.setBrush(Rgba(30, 34, 44));
    p.drawRect(QRectF(shutter.right() - shutter.width() * 0.38, shutter.top() + 1, shutter.width() * 0.22,
                      shutter.height() - 2));

    const QRectF label(r.left() + r.width() * 0.14, r.top() + r.height() * 0.5, r.width() * 0.72,
                       r.height() * 0.5 - 1);
    p.setPen(Qt::NoPen);
    p.setBrush(Rgba(248, 248, 248));
    p.drawRect(label);
    p.setBrush(Rgba(150, 170, 220));
    p.drawRect(QRectF(label.left() + 1.5, label.top() + 2, label.width() - 3, 0.9));
    p.drawRect(QRectF(label.left() + 1.5, label.top() + 4.2, label.width() - 3, 0.9));
}

void DrawOptionsSaveButton(QPainter& p, int)
{
    DrawDevice(p, kButtonDeviceBody);
    DrawFloppyDisk(p, QRectF(13.5, 13.5, 17, 17));
}

// ---- link lamps (40 × 40) ----

struct GlassColours {
    QColor centre, middle, edge;
    int highlightAlpha;
};

void DrawLamp(QPainter& p, const GlassColours& glass)
{
    const QPointF centre(20, 20);
    QLinearGradient rim(QPointF(0, 1), QPointF(0, 39));
    rim.setColorAt(0.0, Rgba(80, 80, 80));
    rim.setColorAt(0.5, Rgba(20, 20, 20));
    rim.setColorAt(1.0, Rgba(0, 0, 0));
    p.setPen(QPen(Rgba(0, 0, 0), 1));
    p.setBrush(rim);
    p.drawEllipse(centre, 19, 19);

    QLinearGradient groove(QPointF(0, 4), QPointF(0, 36));
    groove.setColorAt(0.0, Rgba(0, 0, 0));
    groove.setColorAt(1.0, Rgba(70, 70, 70));
    p.setPen(Qt::NoPen);
    p.setBrush(groove);
    p.drawEllipse(centre, 16, 16);

    QRadialGradient body(centre, 15, QPointF(16, 15));
    body.setColorAt(0.0, glass.centre);
    body.setColorAt(0.5, glass.middle);
    body.setColorAt(1.0, glass.edge);
    p.setBrush(body);
    p.drawEllipse(centre, 14.5, 14.5);

    QLinearGradient highlight(QPointF(0, 7), QPointF(0, 18));
    highlight.setColorAt(0.0, Rgba(255, 255, 255, glass.highlightAlpha));
    highlight.setColorAt(1.0, Rgba(255, 255, 255, 0));
    p.setBrush(highlight);
    p.drawEllipse(QRectF(11, 7, 18, 11));

    p.setBrush(Rgba(255, 255, 255, glass.highlightAlpha / 4));
    p.drawEllipse(QRectF(15, 29, 10, 3.5));
}

void DrawLampOff(QPainter& p, int)
{
    DrawLamp(p, {Rgba(96, 110, 96), Rgba(38, 48, 38), Rgba(10, 14, 10), 130});
}

void DrawLampOn(QPainter& p, int)
{
    DrawLamp(p, {Rgba(230, 255, 210), Rgba(60, 235, 30), Rgba(10, 120, 0), 200});
}

// ---- port icons (24 × 24) ----

void DrawQuestionMark(QPainter& p, const QPointF& offset, const QColor& color)
{
    const QRectF bow = QRectF(8.4, 4.6, 7.2, 7.2).translated(offset);
    QPainterPath hook;
    hook.arcMoveTo(bow, 160);
    hook.arcTo(bow, 160, -230);
    hook.quadTo(QPointF(12, 13) + offset, QPointF(12, 14.6) + offset);
    p.setPen(RoundPen(color, 2.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(12, 18.4) + offset, 1.6, 1.6);
}

void DrawSerialPortIcon(QPainter& p, int)
{
    const QPointF centre(12, 12);
    QRadialGradient ball(centre, 11, QPointF(9, 7.5));
    ball.setColorAt(0.0, Rgba(200, 235, 255));
    ball.setColorAt(0.35, Rgba(70, 160, 245));
    ball.setColorAt(0.8, Rgba(16, 88, 200));
    ball.setColorAt(1.0, Rgba(8, 52, 140));
    p.setPen(QPen(Rgba(8, 40, 110), 0.8));
    p.setBrush(ball);
    p.drawEllipse(centre, 11, 11);

    QLinearGradient sheen(QPointF(0, 2), QPointF(0, 10));
    sheen.setColorAt(0.0, Rgba(255, 255, 255, 170));
    sheen.setColorAt(1.0, Rgba(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawEllipse(QRectF(5.5, 2, 13, 8));

    DrawQuestionMark(p, QPointF(0.6, 0.6), Rgba(0, 30, 90, 120));
    DrawQuestionMark(p, QPointF(0, 0), Qt::white);
}

void DrawUsbPortIcon(QPainter& p, int)
{
    DrawDevice(p, QRectF(5.5, 0.5, 13, 23));
}

} // namespace

const std::vector<PictureSpec>& ProgramPictures()
{
    static const std::vector<PictureSpec> pictures = {
        {"appicon_16.png", 16, DrawWindowIcon16},
        {"appicon_32.png", 32, DrawWindowIcon},
        {"appicon_48.png", 48, DrawWindowIcon},
        {"appicon_72.png", 72, DrawWindowIcon},
        {"btn_quit.png", 32, DrawQuitButton},
        {"btn_optionsread.png", 32, DrawOptionsReadButton},
        {"btn_optionssave.png", 32, DrawOptionsSaveButton},
        {"lamp_off.png", 40, DrawLampOff},
        {"lamp_on.png", 40, DrawLampOn},
        {"port_serial.png", 24, DrawSerialPortIcon},
        {"port_usb.png", 24, DrawUsbPortIcon},
    };
    return pictures;
}

QImage RenderPicture(const PictureSpec& spec)
{
    QImage image(spec.size, spec.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    spec.draw(painter, spec.size);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}
