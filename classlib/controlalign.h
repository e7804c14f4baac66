// Alignment of a control inside its parent: alTop, alBottom, alLeft and alRight controls stick to that edge at
// their own height or width, in this order and in creation order within each kind; an alClient control fills
// what is left. A parent that holds aligned controls calls Arrange when its size changes or it is shown.
#pragma once

#include <QObject>
#include <QWidget>

class TControlAlign {
    Q_GADGET

public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
    Q_ENUM(TAlign)

    // The Align property of widget (alNone when it has none).
    static TAlign AlignOf(const QWidget* widget);
    // Places the aligned children of parent; children hidden explicitly take no room.
    static void Arrange(QWidget* parent);
};
