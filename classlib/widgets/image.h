// A picture the program draws on: Canvas() paints into an image made at the control's size when the canvas
// is first asked for (white, brush white), and the control shows that image. Until then it shows nothing and
// the parent shows through. What is drawn appears at the next repaint.
#pragma once

#include "classlib/graphics/canvas.h"

#include <QImage>
#include <QWidget>

#include <memory>

class TImage : public QWidget {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;

    TCanvas& Canvas();
    // The picture as drawn so far (null before Canvas() was first asked for).
    const QImage& Picture();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Ends the painter on the picture, keeping the canvas' brush, pen and font for the next Canvas().
    void EndDrawing();

    QImage picture_;
    std::unique_ptr<TCanvas> canvas_;
    TBrush brush_;
    TPen pen_;
    TFont font_;
};
