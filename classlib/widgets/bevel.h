// An engraved or embossed line or frame without a window of its own: the shadow colour on the side away from
// the light and the highlight colour beside it (Style bsLowered), or the other way round (bsRaised).
#pragma once

#include <QWidget>

class TBevel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TBevelShape Shape READ Shape WRITE SetShape)
    Q_PROPERTY(TBevelStyle Style READ Style WRITE SetStyle)

public:
    enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
    Q_ENUM(TBevelShape)
    enum TBevelStyle { bsLowered, bsRaised };
    Q_ENUM(TBevelStyle)

    explicit TBevel(QWidget* parent = nullptr);

    TBevelShape Shape() const { return shape_; }
    TBevelStyle Style() const { return style_; }
    void SetShape(TBevelShape shape);
    void SetStyle(TBevelStyle style);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};
