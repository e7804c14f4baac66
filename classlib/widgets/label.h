// A line of text without a window of its own: no focus, and while Transparent the parent shows through;
// otherwise the label's colour fills it first. With AutoSize it takes the size of its text in its font.
// A disabled label shows its text engraved in the shadow and highlight colours. Its caption names its
// FocusControl for a screen reader.
#pragma once

#include "classlib/base/ansistring.h"

#include <QPointer>
#include <QWidget>

class TLabel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(AnsiString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QWidget* FocusControl READ FocusControl WRITE SetFocusControl)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)

public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    explicit TLabel(QWidget* parent = nullptr);

    TAlignment Alignment() const { return alignment_; }
    bool AutoSize() const { return autoSize_; }
    AnsiString Caption() const { return caption_; }
    QWidget* FocusControl() const { return focusControl_; }
    bool Transparent() const { return transparent_; }
    void SetAlignment(TAlignment alignment);
    void SetAutoSize(bool value);
    void SetCaption(const AnsiString& caption);
    // The control the caption names (none by default).
    void SetFocusControl(QWidget* control);
    void SetTransparent(bool value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString Text() const;
    void AdjustSize();

    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    AnsiString caption_;
    QPointer<QWidget> focusControl_;
    bool transparent_ = false;
};
