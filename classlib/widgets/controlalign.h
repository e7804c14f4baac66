// Alignment of a control inside its parent: alTop, alBottom, alLeft and alRight controls stick to that edge at
// their own height or width, in this order and in creation order within each kind; an alClient control fills
// what is left. A parent that holds aligned controls calls Arrange when its size changes or it is shown.
// While a window description is read, arranging waits (TDeferral): the reader sets sizes and alignments in
// any order, and each parent is arranged once at the end, with the sizes the description gives.
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
    // Places the aligned children of parent; children hidden explicitly take no room. While a TDeferral
    // lives, only notes parent for later.
    static void Arrange(QWidget* parent);

    // Holds arranging back while it lives. When the outermost one ends, every noted parent that still exists
    // is arranged once, outer parents before the parents inside them.
    class TDeferral {
    public:
        TDeferral();
        ~TDeferral();
        TDeferral(const TDeferral&) = delete;
        TDeferral& operator=(const TDeferral&) = delete;
        // Forgets the parents noted so far, which then stay as they are (a read that failed).
        void Discard();
    };
};
