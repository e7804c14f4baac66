#include "classlib/widgets/controlalign.h"

#include <QPointer>
#include <QVariant>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* kArrangePending = "zentor:arrangePending";

// Parents whose arranging waits, noted once each (the mark on the widget), while deferrals live.
struct TDeferredArranging {
    int depth = 0;
    std::vector<QPointer<QWidget>> parents;
};

TDeferredArranging& Deferred()
{
    static TDeferredArranging deferred;
    return deferred;
}

void Note(QWidget* parent)
{
    if (parent->property(kArrangePending).toBool())
        return;
    parent->setProperty(kArrangePending, true);
    Deferred().parents.emplace_back(parent);
}

// The noted parents that still exist, without their marks, outer parents first.
std::vector<QWidget*> TakeNoted()
{
    std::vector<QWidget*> parents;
    for (const QPointer<QWidget>& parent : Deferred().parents)
        if (parent) {
            parent->setProperty(kArrangePending, QVariant());
            parents.push_back(parent);
        }
    Deferred().parents.clear();
    const auto depth = [](const QWidget* widget) {
        int levels = 0;
        for (; widget; widget = widget->parentWidget())
            ++levels;
        return levels;
    };
    std::stable_sort(parents.begin(), parents.end(),
                     [&depth](const QWidget* a, const QWidget* b) { return depth(a) < depth(b); });
    return parents;
}

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
    if (Deferred().depth > 0) {
        Note(parent);
        return;
    }
    QRect free = parent->rect();
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient})
        for (QObject* object : parent->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !HiddenExplicitly(child) && AlignOf(child) == align)
                Place(child, align, free);
        }
}

TControlAlign::TDeferral::TDeferral()
{
    ++Deferred().depth;
}

TControlAlign::TDeferral::~TDeferral()
{
    if (--Deferred().depth > 0)
        return;
    for (QWidget* parent : TakeNoted())
        Arrange(parent);
}

void TControlAlign::TDeferral::Discard()
{
    TakeNoted();
}
