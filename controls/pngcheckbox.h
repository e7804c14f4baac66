// A check box drawn from two PNG pictures, one for each state, with a one-line caption on the side away
// from the picture. The caption can carry a drop shadow, and a soft rounded highlight shows while the
// pointer is over the enabled box. Apart from the highlight it paints no background, so the parent shows
// through; it takes mouse clicks but never the keyboard focus. Each click flips the box, the second click of a
// double click too, which raises OnDblClick before its press. The mouse events a control handles stay with it:
// none reaches the parent. The pictures reach a window description as "PngCheck.Data" and "PngUncheck.Data"
// (complete PNG files).
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/widgets/filer.h"
#include "classlib/widgets/mouseevents.h"
#include "classlib/base/tcolor.h"
#include "png/pngfunctions.h"
#include "png/pngobject.h"

#include <QWidget>

class TCanvas;

class TPngCheckBox : public QWidget, public TDefinesProperties {
    Q_OBJECT
    Q_PROPERTY(AnsiString Caption READ Caption WRITE fSetCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE fSetChecked)
    Q_PROPERTY(TPNGObject PngCheck READ PngCheck WRITE SetPngCheck)
    Q_PROPERTY(TPNGObject PngUncheck READ PngUncheck WRITE SetPngUncheck)
    Q_PROPERTY(TPngAlignment PngAlign READ PngAlign WRITE fSetPngAlign)
    Q_PROPERTY(int Frame READ Frame WRITE fSetFrame)
    Q_PROPERTY(bool Shadow READ Shadow WRITE fSetShadow)
    Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE fSetShadowColor)
    Q_PROPERTY(int DisplaceX READ DisplaceX WRITE fSetDisplaceX)
    Q_PROPERTY(int DisplaceY READ DisplaceY WRITE fSetDisplaceY)

public:
    enum TPngAlignment { paLeft, paCenter, paRight };
    Q_ENUM(TPngAlignment)

    explicit TPngCheckBox(QWidget* parent = nullptr);
    ~TPngCheckBox() override;

    const AnsiString& Caption() const { return caption_; }
    bool Checked() const { return checked_; }
    const TPNGObject& PngCheck() const { return check_; }
    const TPNGObject& PngUncheck() const { return uncheck_; }
    TPngAlignment PngAlign() const { return pngAlign_; }
    int Frame() const { return frame_; }
    bool Shadow() const { return shadow_; }
    TColor ShadowColor() const { return shadowColor_; }
    int DisplaceX() const { return displaceX_; }
    int DisplaceY() const { return displaceY_; }
    bool Hovered() const { return hover_; }

    // Each setter stores the value and repaints.
    void fSetCaption(const AnsiString& caption);
    void fSetChecked(bool value);
    void fSetPngAlign(TPngAlignment value);
    void fSetFrame(int value);
    void fSetShadow(bool value);
    void fSetShadowColor(TColor value);
    void fSetDisplaceX(int value);
    void fSetDisplaceY(int value);
    // Copy the caller's picture, then fit the height to the pictures.
    void SetPngCheck(const TPNGObject& picture);
    void SetPngUncheck(const TPNGObject& picture);
    // The height of the taller picture (0 with both empty).
    void SetMaxHeight();

    // While the form is being designed the pointer never sets the highlight.
    bool Designing() const { return designing_; }
    void SetDesigning(bool designing) { designing_ = designing; }

    void DefineProperties(TFiler& filer) override;

signals:
    // Raised after the click has flipped Checked, so a handler reads the new state.
    void OnClick(QObject* Sender);
    // A handler that sets Handled keeps the request; otherwise it goes on to the parent.
    void OnContextPopup(QObject* Sender, QPoint MousePos, bool& Handled);
    void OnDblClick(QObject* Sender);
    // The box takes part in no drag and drop and no docking: these are declared for descriptions that name
    // them and are never raised.
    void OnDragDrop(QObject* Sender, QObject* Source, int X, int Y);
    void OnDragOver(QObject* Sender, QObject* Source, int X, int Y, TDragState State, bool& Accept);
    void OnEndDock(QObject* Sender, QObject* Target, int X, int Y);
    void OnEndDrag(QObject* Sender, QObject* Target, int X, int Y);
    void OnMouseDown(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void OnMouseMove(QObject* Sender, TShiftState Shift, int X, int Y);
    // Raised after the click that the release makes, as the platform does.
    void OnMouseUp(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void OnStartDock(QObject* Sender, QObject*& DragObject);
    void OnStartDrag(QObject* Sender, QObject*& DragObject);
    void OnMouseEnter(QObject* Sender);
    void OnMouseExit(QObject* Sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    virtual void Click();

private:
    void MouseDown(const QMouseEvent& event);
    void CMMouseEnter();
    void CMMouseLeave();
    void Paint(TCanvas& canvas);
    const TPNGObject& Picture() const;
    void DrawHighlight(TCanvas& canvas);
    void DrawPicture(TCanvas& canvas, const TPNGObject& picture);
    QPoint TextPosition(TCanvas& canvas) const;
    void DrawShadow(TCanvas& canvas);
    void DrawText(TCanvas& canvas);

    AnsiString caption_;
    bool checked_ = false;
    TPNGObject check_;
    TPNGObject uncheck_;
    TPngAlignment pngAlign_ = paLeft;
    int frame_ = 3;
    bool shadow_ = false;
    TColor shadowColor_ = clGray;
    int displaceX_ = 1;
    int displaceY_ = 1;
    bool hover_ = false;
    bool designing_ = false;
    bool pressed_ = false;
};
