#include "classlib/controlalign.h"

#include <QVariant>

namespace {

bool HiddenExplicitly(const QWidget* widget)
{
    return widget->isHidden() && widget->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

// Gives child its place at the edge or in the whole of free, and takes that room from free.
void Place(QWidget* child, TControlAlign::TAlign align, QRect& free)
{
    const int width = child->width();
    const int height = child->height();
    switch (align) {
    case TControlAlign::alTop:
        child->setGeometry(free.left(), free.top(), free.width(), height);
        free.setTop(free.top() + height);
        break;
    case TControlAlign::alBottom:
        child->setGeometry(free.left(), free.bottom() + 1 - height, free.width(), height);
        free.setBottom(free.bottom() - height);
        break;
    case TControlAlign::alLeft:
        child->setGeometry(free.left(), free.top(), width, free.height());
        free.setLeft(free.left() + width);
        break;
    case TControlAlign::alRight:
        child->setGeometry(free.right() + 1 - width, free.top(), width, free.height());
        free.setRight(free.right() - width);
        break;
    case TControlAlign::alClient:
        child->setGeometry(free.normalized().isValid() ? free : QRect(free.topLeft(), QSize(0, 0)));
        break;
    default:
        break;
    }
}

} // namespace

TControlAlign::TAlign TControlAlign::AlignOf(const QWidget* widget)
{
    const QVariant align = widget->property("Align");
    return align.isValid() ? static_cast<TAlign>(align.toInt()) : alNone;
}

void TControlAlign::Arrange(QWidget* parent)
{
    QRect free = parent->rect();
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient})
        for (QObject* object : parent->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !HiddenExplicitly(child) && AlignOf(child) == align)
                Place(child, align, free);
        }
}
