#include "classlib/widgets/form.h"

#include "classlib/widgets/accessiblecontrol.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

TForm::TForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    TAccessibleControl::Install();
    ApplyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons icons)
{
    borderIcons_ = icons;
    ApplyWindowFlags();
}

void TForm::SetBorderStyle(TFormBorderStyle style)
{
    borderStyle_ = style;
    ApplyWindowFlags();
}

void TForm::SetPosition(TPosition position)
{
    position_ = position;
}

bool TForm::FixedSize() const
{
    return borderStyle_ == bsSingle || borderStyle_ == bsDialog || borderStyle_ == bsToolWindow;
}

void TForm::ApplyWindowFlags()
{
    const bool wasVisible = isVisible();
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (borderStyle_ == bsNone)
        flags |= Qt::FramelessWindowHint;
    else
        flags |= Qt::WindowTitleHint;
    if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin)
        flags |= Qt::Tool;
    if (borderIcons_.testFlag(biSystemMenu))
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (borderIcons_.testFlag(biMinimize) && borderStyle_ != bsDialog)
        flags |= Qt::WindowMinimizeButtonHint;
    if (borderIcons_.testFlag(biMaximize) && !FixedSize())
        flags |= Qt::WindowMaximizeButtonHint;
    if (borderIcons_.testFlag(biHelp))
        flags |= Qt::WindowContextHelpButtonHint;
    if (FixedSize())
        flags |= Qt::MSWindowsFixedSizeDialogHint;
    setWindowFlags(flags);
    if (wasVisible)
        show();
}

void TForm::PlaceOnScreen()
{
    const bool centred = position_ == poScreenCenter || position_ == poDesktopCenter ||
                         position_ == poMainFormCenter || position_ == poOwnerFormCenter;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!centred || !screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

bool TForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        emit OnActivate(this);
    return QWidget::event(event);
}

void TForm::showEvent(QShowEvent* event)
{
    TControlAlign::Arrange(this);
    if (FixedSize())
        setFixedSize(size());
    if (!placed_) {
        placed_ = true;
        PlaceOnScreen();
    }
    QWidget::showEvent(event);
}

void TForm::resizeEvent(QResizeEvent* event)
{
    TControlAlign::Arrange(this);
    QWidget::resizeEvent(event);
}

void TForm::closeEvent(QCloseEvent* event)
{
    TCloseAction action = caHide;
    emit OnClose(this, action);
    switch (action) {
    case caNone:
        event->ignore();
        break;
    case caMinimize:
        event->ignore();
        showMinimized();
        break;
    case caFree:
        event->accept();
        deleteLater();
        break;
    case caHide:
        event->accept();
        break;
    }
}
