// One field of the field grid: how its column looks, taken from one description line, and the values it holds.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/graphics/canvas.h"
#include "classlib/base/tcolor.h"
#include "classlib/base/variant.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class TPngImageList;

// The styles a field's font takes from its FontStyle text.
struct TFieldFontStyles {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    friend bool operator==(const TFieldFontStyles&, const TFieldFontStyles&) = default;
};

// FontStyle read by position: characters 1 to 4 stand for bold, italic, underline and strike-out, each "1"
// adding its style; characters after the fourth are ignored. ERangeError for a text shorter than four
// characters, which names no style for some position.
TFieldFontStyles FontStylesOf(const AnsiString& fontStyle);

struct FieldRecord {
    enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

    // The defaults are those of the working record from which the first description line starts.
    bool Visible = true;
    AnsiString Name = "name";
    AnsiString Caption = AnsiString::FromUtf8("Название");
    int Width = 99;
    bool HeaderStyle = false;
    AnsiString TypeName = "AnsiString";
    AnsiString Format;
    TAlignment Alignment = taLeftJustify;
    // Made by the grid's column set-up from FontName, FontSize, FontColor and FontStyle; owned.
    std::unique_ptr<TFont> Font;
    TColor CellColor = 0xFFFFFF;
    AnsiString FontName = "Tahoma";
    int FontSize = 10;
    TColor FontColor = 0;
    AnsiString FontStyle = "0000";
    // Referenced, not owned: each reads as null once its object is destroyed, so a gone list is never drawn
    // and a gone control never placed.
    QPointer<TPngImageList> ImageList;
    QPointer<QWidget> EditControl;
    std::vector<Variant> Items;

    FieldRecord() = default;
    FieldRecord(FieldRecord&&) noexcept = default;
    FieldRecord& operator=(FieldRecord&&) noexcept = default;
    ~FieldRecord();

    // The members read from a description line alone: no values, no font, no image list, no edit control.
    FieldRecord DescriptionCopy() const;
};
