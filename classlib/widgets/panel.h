// A container that paints itself: its colour, an outer and an inner bevel (each none, lowered or raised,
// BevelWidth pixels wide, with BorderWidth pixels of the colour between them) and a centred caption; it places
// its aligned children (TControlAlign).
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/widgets/controlalign.h"

#include <QWidget>

class TCanvas;

class TPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TControlAlign::TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(AnsiString Caption READ Caption WRITE SetCaption)

public:
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)

    explicit TPanel(QWidget* parent = nullptr);

    TControlAlign::TAlign Align() const { return align_; }
    TBevelCut BevelInner() const { return bevelInner_; }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    int BevelWidth() const { return bevelWidth_; }
    int BorderWidth() const { return borderWidth_; }
    AnsiString Caption() const { return caption_; }
    void SetAlign(TControlAlign::TAlign align);
    void SetBevelInner(TBevelCut cut);
    void SetBevelOuter(TBevelCut cut);
    // 1 to 32767 pixels.
    void SetBevelWidth(int width);
    // 0 to 32767 pixels.
    void SetBorderWidth(int width);
    void SetCaption(const AnsiString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Draws one bevel inside rect and returns the rectangle within it.
    QRect DrawBevel(TCanvas& canvas, QRect rect, TBevelCut cut) const;

    TControlAlign::TAlign align_ = TControlAlign::alNone;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    AnsiString caption_;
};
