// A single-line edit box that lets through only the typed keys and pasted text that fit a chosen kind of
// input: signed or positive integers, signed or positive decimal numbers with limited decimals, hexadecimal
// digits (either case, or turned to upper or lower case), decimal digits, or a custom list of characters and
// ranges. Numeric kinds can be held inside [MinValue, MaxValue]. Rejected input is dropped silently. Typed
// characters are judged as Windows-1251 characters; one the code page lacks passes only vtNone. The
// background colour can follow an HTML colour text. Every paste path of the user (Ctrl+V, Shift+Insert,
// the context menu, a middle-click selection paste) goes through the filtered paste.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/widgets/edit.h"
#include "classlib/base/tcolor.h"
#include "controls/htmlcolor.h"
#include "controls/validaterules.h"

#include <QClipboard>

#include <cstdint>

class QMenu;

class TValidateEdit : public TEdit {
    Q_OBJECT
    // Color stands first: it takes the place of the common colour, so that a description sets it before the
    // ValidateType reset and before a ColorHTML that overrides it.
    Q_PROPERTY(TColor Color READ Color WRITE fSetColor)
    Q_PROPERTY(TValidateType ValidateType READ ValidateType WRITE FSetValidateType)
    Q_PROPERTY(AnsiString ValidateString READ ValidateString WRITE FSetValidateString)
    Q_PROPERTY(AnsiString ColorHTML READ ColorHTML WRITE fSetColorHTML)
    Q_PROPERTY(int Mantissa MEMBER Mantissa)
    Q_PROPERTY(bool RangeMode MEMBER RangeMode)
    Q_PROPERTY(double MaxValue MEMBER MaxValue)
    Q_PROPERTY(double MinValue MEMBER MinValue)

public:
    enum TValidateType : std::uint8_t {
        vtNone, vtCustom, vtInteger, vtIntegerPs, vtFloat, vtFloatPs, vtHex, vtHexUp, vtHexLo, vtOnlyDigits
    };
    Q_ENUM(TValidateType)

    explicit TValidateEdit(QWidget* parent = nullptr);
    ~TValidateEdit() override;

    TValidateType ValidateType() const { return validateType_; }
    const AnsiString& ValidateString() const { return validateString_; }
    const AnsiString& ColorHTML() const { return color_.Text; }
    // The colour of the box's own storage: 0 until Color or ColorHTML is set, while the box shows the
    // platform's edit colour.
    TColor Color() const { return color_.Color; }

    // Stores the kind and resets the range and decimals (two decimals for the decimal kinds); any kind but
    // vtCustom empties ValidateString.
    void FSetValidateType(TValidateType type);
    // A non-empty list switches to vtCustom without the resets.
    void FSetValidateString(const AnsiString& list);
    // "#ignore" keeps the colour; any other text sets the colour by the HTML colour rule.
    void fSetColorHTML(const AnsiString& text);
    // Sets the colour; an HTML text other than "#ignore" follows it.
    void fSetColor(TColor color);

    // Most digits after the point, whether numeric kinds keep inside [MinValue, MaxValue], and the bounds.
    int Mantissa = 0;
    bool RangeMode = false;
    double MaxValue = 1.0;
    double MinValue = 0.0;

    // The typed character as this box lets it through, or 0 when rejected.
    char FProcessKey(char key) const;
    // The filtered paste of the clipboard's text (the selection's for a middle-click paste).
    void WMPaste(QClipboard::Mode mode = QClipboard::Clipboard);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Judges one typed character, then raises OnKeyPress with what passed; false when it is swallowed.
    bool KeyPress(char& key) override;

private:
    TValidateSettings Settings() const;
    TEditState State() const;
    QMenu* ContextMenu();
    void BasePaste(QClipboard::Mode mode);
    void NormaliseNumber(const QString& oldText);

    TValidateType validateType_ = vtNone;
    AnsiString validateString_;
    HtmlColorProperty color_{kHtmlIgnore, 0};
};
