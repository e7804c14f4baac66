// A drop-down list whose items show a picture from an image list in front of their text: the image at the
// item's own position, or the image whose index a parallel list of index texts gives for the item.
#pragma once

#include "classlib/canvas.h"
#include "png/pngimagelist.h"

#include <QComboBox>
#include <QPointer>
#include <QStringList>

class TComboBoxPng : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(TComboBoxStyle Style MEMBER Style)
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
    Q_PROPERTY(TPngImageList* Images READ Images WRITE fSetImages)
    Q_PROPERTY(QStringList ListIndexesPng READ ListIndexesPng WRITE fSetListIndexesPng)
    Q_PROPERTY(bool AutoIndexes MEMBER AutoIndexes)

public:
    enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
    Q_ENUM(TComboBoxStyle)

    explicit TComboBoxPng(QWidget* parent = nullptr);
    ~TComboBoxPng() override;

    // The list the pictures come from; not owned, and null again once the list is destroyed.
    TPngImageList* Images() const { return images_; }
    const QStringList& ListIndexesPng() const { return listIndexesPng_; }
    int ItemHeight() const { return itemHeight_; }

    void fSetImages(TPngImageList* images);
    // Copies the entries; entry i is the image index, in decimal, of item i.
    void fSetListIndexesPng(const QStringList& indexes);
    // Height of every item of the drop-down list.
    void SetItemHeight(int height);

    // The box is always a drop-down list whose items the control draws at one height; the style the window
    // description names is kept as given.
    TComboBoxStyle Style = csOwnerDrawFixed;
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
    int itemHeight_ = 16;
};
