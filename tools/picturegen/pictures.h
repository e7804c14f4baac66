// The program's pictures, drawn with vector shapes and gradients at the size each one is used at.
#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

struct PictureSpec {
    QString fileName;                            // name of the PNG file under app/pictures/
    int size;                                    // width and height in pixels
    std::function<void(QPainter&, int)> draw;    // paints onto a transparent size × size image
};

// Every picture of the program, in the order they are written and shown.
const std::vector<PictureSpec>& ProgramPictures();

// One picture rendered: 32-bit ARGB (not premultiplied), transparent where nothing was drawn.
QImage RenderPicture(const PictureSpec& spec);
