// A combo box of the class library (Items, ItemIndex, Text, Style, ItemHeight, OnChange, OnKeyPress, OnEnter,
// OnExit) whose items show a picture from an image list in front of their text: the image at the item's own
// position, or the image whose index a parallel list of index texts gives for the item. It starts owner-drawn
// at a fixed item height; the control draws the items of the list and the chosen item in the box.
#pragma once

#include "classlib/graphics/canvas.h"
#include "classlib/widgets/combobox.h"
#include "png/pngimagelist.h"

#include <QPointer>
#include <QStringList>

class TComboBoxPng : public TComboBox {
    Q_OBJECT
    Q_PROPERTY(TPngImageList* Images READ Images WRITE fSetImages)
    Q_PROPERTY(QStringList ListIndexesPng READ ListIndexesPng WRITE fSetListIndexesPng)
    Q_PROPERTY(bool AutoIndexes MEMBER AutoIndexes)

public:
    explicit TComboBoxPng(QWidget* parent = nullptr);
    ~TComboBoxPng() override;

    // The list the pictures come from; not owned, and null again once the list is destroyed.
    TPngImageList* Images() const { return images_; }
    const QStringList& ListIndexesPng() const { return listIndexesPng_; }

    void fSetImages(TPngImageList* images);
    // Copies the entries; entry i is the image index, in decimal, of item i.
    void fSetListIndexesPng(const QStringList& indexes);

    // Item i shows image i, and ListIndexesPng is ignored.
    bool AutoIndexes = true;

    // Gives the canvas the brush and font colours of a normal or a selected item.
    void PrepareItemCanvas(TCanvas& canvas, bool selected) const;
    // Draws item index into rect with the colours the canvas carries.
    void DrawItem(TCanvas& canvas, int index, const QRect& rect);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int ImageIndex(int item) const;
    void DrawPicture(TCanvas& canvas, int imageIndex, const QRect& place) const;

    QPointer<TPngImageList> images_;
    QStringList listIndexesPng_;
};
