// A push button that carries one PNG picture at a fixed spot over the platform's face. The picture's look
// follows the button: as stored, brighter while the pointer is over it, darker and pushed one pixel right
// and down while it is also held down with the left mouse button, half transparent and grey when disabled.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/widgets/filer.h"
#include "png/pngobject.h"

#include <QPushButton>

// The picture reaches a window description as "PngPicture.Data", the complete PNG file.
class TXpButton : public QPushButton, public TDefinesProperties {
    Q_OBJECT
    Q_PROPERTY(AnsiString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TPNGObject PngPicture READ PngPicture WRITE SetPngPicture)

public:
    explicit TXpButton(QWidget* parent = nullptr);
    ~TXpButton() override;

    // The platform button's text; its accessible name is the caption without the blanks that pad it.
    AnsiString Caption() const;
    void SetCaption(const AnsiString& caption);

    const TPNGObject& PngPicture() const { return picture_; }
    // Copies picture into the button's own; the caller's picture stays the caller's.
    void SetPngPicture(const TPNGObject& picture);

    void DefineProperties(TFiler& filer) override;

    bool Hovered() const { return hover_; }
    bool Pressed() const { return pressed_; }

signals:
    // The pointer entered or left the enabled button.
    void OnMouseEnter(QObject* Sender);
    void OnMouseExit(QObject* Sender);
    // The button was clicked (the platform button's own click).
    void OnClick(QObject* Sender);

protected:
    void changeEvent(QEvent* event) override;
    // Enter and keypad Enter press the focused button, as Space does.
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Pointer entry and exit, each reported once per crossing of the button's edge.
    void PointerEntered();
    void PointerLeft();
    void CMEnabledChanged();
    void CMMouseEnter();
    void CMMouseLeave();
    void MouseDown(Qt::MouseButton button);
    void MouseUp(Qt::MouseButton button);
    void DrawPicture();

    TPNGObject picture_;
    bool pointerInside_ = false;
    bool hover_ = false;
    bool pressed_ = false;
};
