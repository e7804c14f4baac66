#include "classlib/widgets/screen.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

TCursor currentCursor = crDefault;

Qt::CursorShape ShapeOf(TCursor cursor)
{
    switch (cursor) {
    case crAppStart: return Qt::BusyCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crCross: return Qt::CrossCursor;
    case crNo: return Qt::ForbiddenCursor;
    default: return Qt::ArrowCursor;
    }
}

} // namespace

TCursor TScreen::Cursor() { return currentCursor; }

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == currentCursor)
        return;
    if (currentCursor != crDefault)
        QGuiApplication::restoreOverrideCursor();
    if (cursor != crDefault)
        QGuiApplication::setOverrideCursor(QCursor(ShapeOf(cursor)));
    currentCursor = cursor;
}
