#include "controls/fieldrecord.h"

#include "classlib/base/exception.h"

namespace {

constexpr int kStylePositions = 4;

} // namespace

TFieldFontStyles FontStylesOf(const AnsiString& fontStyle)
{
    if (fontStyle.Length() < kStylePositions)
        throw ERangeError("Range check error: FontStyle \"" + fontStyle + "\" has fewer than four characters");
    const std::string& flags = fontStyle.Bytes();
    return TFieldFontStyles{flags[0] == '1', flags[1] == '1', flags[2] == '1', flags[3] == '1'};
}

FieldRecord::~FieldRecord() = default;

FieldRecord FieldRecord::DescriptionCopy() const
{
    FieldRecord copy;
    copy.Visible = Visible;
    copy.Name = Name;
    copy.Caption = Caption;
    copy.Width = Width;
    copy.HeaderStyle = HeaderStyle;
    copy.TypeName = TypeName;
    copy.Format = Format;
    copy.Alignment = Alignment;
    copy.CellColor = CellColor;
    copy.FontName = FontName;
    copy.FontSize = FontSize;
    copy.FontColor = FontColor;
    copy.FontStyle = FontStyle;
    return copy;
}
