#include "classlib/widgets/image.h"

#include "classlib/widgets/accessiblecontrol.h"

#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    TAccessibleControl::Install();
}

TImage::~TImage() = default;

TCanvas& TImage::Canvas()
{
    if (picture_.isNull()) {
        picture_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        picture_.fill(Qt::white);
    }
    if (!canvas_) {
        canvas_ = std::make_unique<TCanvas>(&picture_);
        canvas_->Brush = brush_;
        canvas_->Pen = pen_;
        canvas_->Font = font_;
    }
    update();
    return *canvas_;
}

const QImage& TImage::Picture()
{
    EndDrawing();
    return picture_;
}

void TImage::EndDrawing()
{
    if (!canvas_)
        return;
    brush_ = canvas_->Brush;
    pen_ = canvas_->Pen;
    font_ = canvas_->Font;
    canvas_.reset();
}

void TImage::paintEvent(QPaintEvent*)
{
    EndDrawing();
    if (picture_.isNull())
        return;
    QPainter painter(this);
    // On a scaled display the picture is enlarged: smoothly, not in blocks of pixels.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(0, 0, picture_);
}
