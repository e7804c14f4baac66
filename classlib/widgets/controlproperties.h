// The properties every control of the class library has, given to any QWidget without the widget's class
// declaring them, in this order:
//   Left, Top, Width, Height, ClientWidth, ClientHeight (read only; written as Width and Height),
//   Caption (windows only: the window title), Cursor (crDefault, crHandPoint, crAppStart …), Enabled,
//   Visible (not hidden explicitly; for a window: shown), Hint, ShowHint (the hint is the tool tip while
//   ShowHint is True), ParentColor, Color, ParentFont, Font.Charset, Font.Color, Font.Height (negative:
//   character height in pixels; -512 to 512 without 0), Font.Name, Font.Style ([fsBold, fsItalic, fsUnderline, fsStrikeOut]),
//   TabOrder (position in the tab chain among the siblings), TabStop.
// A control class declares only its own Q_PROPERTYs; one of a common name replaces the common property.
//
// Color and Font.Color are kept as colour values (system colours stay references) and also set into the
// widget's palette: Color into Window, Button and Base (with the background filled), Font.Color into
// WindowText, ButtonText and Text. A control that paints itself reads them through Color and FontColor.
// Color is stored only while ParentColor is False, the Font values only while ParentFont is False.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/widgets/publishedproperty.h"
#include "classlib/base/tcolor.h"

#include <QWidget>

#include <vector>

enum TCursor : int {
    crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
    crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13,
    crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19,
    crHelp = -20, crHandPoint = -21, crSizeAll = -22
};

class TControlProperties {
public:
    // The common properties that apply to widget.
    static std::vector<TPublishedProperty> Table(const QWidget* widget);

    // The control's colour and text colour: its own, or its parent's while ParentColor / ParentFont is True
    // (clBtnFace and clWindowText at the top).
    static TColor Color(const QWidget* widget);
    static TColor FontColor(const QWidget* widget);
    static void SetColor(QWidget* widget, TColor color);
    static void SetFontColor(QWidget* widget, TColor color);

    // Chains the tab order of the children of parent (and of theirs) by their TabOrder values; the controls
    // inside a container follow the container.
    static void ApplyTabOrder(QWidget* parent);

    // Conversions shared with the published Q_PROPERTYs; they throw Exception when the value does not fit.
    static bool ToBool(const TFormValue& value);
    static TColor ToColor(const TFormValue& value);
    static TFormValue FromColor(TColor color);
    // Text of the description as Windows-1251; refuses characters that Windows-1251 does not have.
    static AnsiString ToAnsiString(const QString& text);
};
