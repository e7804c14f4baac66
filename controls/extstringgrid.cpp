#include "controls/extstringgrid.h"

#include "classlib/widgets/combobox.h"
#include "classlib/widgets/datetimepicker.h"
#include "classlib/widgets/edit.h"
#include "classlib/forms/eventbinding.h"
#include "classlib/base/exception.h"
#include "classlib/base/formatdatetime.h"
#include "classlib/base/formatfloat.h"
#include "classlib/widgets/memo.h"
#include "classlib/base/sysutils.h"
#include "controls/columnwidthsfile.h"
#include "png/pngimagelist.h"

#include <algorithm>
#include <climits>

namespace {

constexpr char kEnter = '\r';
constexpr char kEscape = '\x1b';

// The text a value shows in its field's column.
AnsiString FormattedText(const FieldRecord& field, const Variant& value)
{
    if (field.TypeName == "AnsiString" || field.TypeName == "int")
        return value.AsString();
    if (field.TypeName == "double")
        return FormatFloat(field.Format, value.AsDouble());
    if (field.TypeName == "TDateTime")
        return FormatDateTime(field.Format, value.AsDateTime());
    return AnsiString();
}

// A value its field cannot show (text in a number field, a date outside the calendar) leaves its cell blank,
// so that one bad value never stops a refill half way.
AnsiString CellText(const FieldRecord& field, const Variant& value)
{
    try {
        return FormattedText(field, value);
    } catch (const EVariantError&) {
        return AnsiString();
    } catch (const EConvertError&) {
        return AnsiString();
    }
}

// The value an edited text stores in a field of that type; none for types that editing does not change.
std::optional<Variant> EditedValue(const AnsiString& typeName, const AnsiString& text)
{
    if (typeName == "int")
        return Variant(StrToIntDef(text, 0));
    if (typeName == "double")
        return Variant(StrToFloatDef(text, 0.0));
    if (typeName == "AnsiString")
        return Variant(text);
    return std::nullopt;
}

// The plain text form of a value; none for a value that has no text form (a date outside the calendar).
std::optional<AnsiString> PlainText(const Variant& value)
{
    try {
        return value.AsString();
    } catch (const EVariantError&) {
        return std::nullopt;
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

// The item of a combo box that shows text: the first of that very text, else the first that differs only in
// letter case, as the platform's own search finds it; none when no item matches.
int ItemOf(const TComboBox& combo, const AnsiString& text)
{
    const QString wanted = QString::fromStdString(text.ToUtf8());
    const int same = combo.findText(wanted, Qt::MatchExactly | Qt::MatchCaseSensitive);
    return same >= 0 ? same : combo.findText(wanted, Qt::MatchFixedString);
}

// The text of the controls whose text editing stores: edit boxes (the validating one included) and combo
// boxes.
std::optional<AnsiString> StoredText(const QObject* control)
{
    if (const auto* edit = qobject_cast<const TEdit*>(control))
        return edit->Text();
    if (const auto* combo = qobject_cast<const TComboBox*>(control))
        return combo->Text();
    return std::nullopt;
}

TFont FieldFont(const FieldRecord& field)
{
    const TFieldFontStyles styles = FontStylesOf(field.FontStyle);
    TFont font;
    font.Name = field.FontName;
    font.Size = field.FontSize;
    font.Color = field.FontColor;
    font.Bold = styles.Bold;
    font.Italic = styles.Italic;
    font.Underline = styles.Underline;
    font.StrikeOut = styles.StrikeOut;
    return font;
}

// The picture a cell text names: the decimal text of an index of the list, written as IntToStr writes it.
std::optional<int> PictureIndex(const AnsiString& text, int count)
{
    const int index = StrToIntDef(text, -1);
    if (index < 0 || index >= count || IntToStr(index) != text)
        return std::nullopt;
    return index;
}

} // namespace

TExtStringGrid::TExtStringGrid(QWidget* parent) : TStringGrid(parent)
{
    SetDoubleBuffered(true);
}

TExtStringGrid::~TExtStringGrid()
{
    if (fileWidths_.IsEmpty() || IsLoading())
        return;
    try {
        SaveWidths();
    } catch (const std::exception&) {
        // a file that cannot be written loses its widths, as one that cannot be created does
    }
}

void TExtStringGrid::fSetFields(const QList<AnsiString>& lines)
{
    fields_ = lines;
    Init();
}

void TExtStringGrid::fSetFileWidths(const AnsiString& fileName)
{
    if (!fileWidths_.IsEmpty())
        DeleteColumnWidthsFile(fileWidths_);
    fileWidths_ = fileName;
}

void TExtStringGrid::fSetCaptionHeight(int height)
{
    captionHeight_ = height;
    SetRowHeights(0, height);
    viewport()->update();
}

void TExtStringGrid::Init()
{
    SetProperties();
    InitGrid();
    FillGrid();
    if (!fileWidths_.IsEmpty())
        LoadWidths();
    viewport()->update();
}

void TExtStringGrid::SetProperties()
{
    ReleaseEditControls();
    columnFields_.clear();
    table_.SetProperties(std::vector<AnsiString>(fields_.begin(), fields_.end()));
}

void TExtStringGrid::fSetValues(std::uint32_t field, std::int32_t row, const Variant& value)
{
    table_.fSetValues(field, row, value);
}

const Variant& TExtStringGrid::StrValues(const AnsiString& name, std::int32_t row) const
{
    return table_.fGetStrValues(name, row);
}

void TExtStringGrid::fSetStrValues(const AnsiString& name, std::int32_t row, const Variant& value)
{
    table_.fSetStrValues(name, row, value);
}

void TExtStringGrid::Clear()
{
    table_.Clear();
    Redraw();
}

void TExtStringGrid::AssignEditControl(const AnsiString& name, QWidget* control)
{
    if (!table_.AssignEditControl(name, control))
        return;
    InstallHandlers<TComboBox>(control) || InstallHandlers<TMemo>(control) || InstallHandlers<TEdit>(control) ||
        InstallHandlers<TDateTimePicker>(control);
}

// Grid font and fixed colour, then one column per visible field. A field whose font style cannot be read
// stops the set-up there with the range error; the columns before it keep what they were given.
void TExtStringGrid::InitGrid()
{
    TFont font = Font();
    font.Color = clWindowText;
    font.Size = 10;
    SetFont(font);
    SetFixedColor(clGradientActiveCaption);
    columnFields_.clear();
    for (std::uint32_t field = 0; field < table_.size(); ++field)
        if (table_[field].Visible)
            columnFields_.push_back(field);
    const int columns = static_cast<int>(columnFields_.size());
    SetColCount(std::max(ColCount(), columns));
    for (int col = 0; col < columns; ++col)
        SetUpColumn(col, table_[columnFields_[col]]);
    SetColCount(columns);
    SetRowHeights(0, captionHeight_);
}

void TExtStringGrid::SetUpColumn(int col, FieldRecord& field)
{
    SetColWidths(col, field.Width);
    SetCells(col, 0, field.Caption);
    field.Font = std::make_unique<TFont>(FieldFont(field));
    if (field.EditControl)
        field.EditControl->hide();
}

// Without values (or without a visible field) only the captions show. Otherwise every visible field fills
// its column, the rows follow the longest field, and the current row stays where it was if it still exists.
void TExtStringGrid::FillGrid()
{
    const int remembered = Row();
    if (table_.IsWithoutValues()) {
        SetFixedCols(0);
        SetFixedRows(0);
        SetRowCount(1);
        viewport()->update();
        return;
    }
    for (int col = 0; col < ColCount(); ++col)
        SetCells(col, 1, " ");
    SetRowCount(2);
    std::size_t most = 0;
    for (int col = 0; col < static_cast<int>(columnFields_.size()); ++col) {
        const FieldRecord& field = table_[columnFields_[col]];
        FillColumn(col, field);
        most = std::max(most, field.Items.size());
    }
    SetRowCount(most >= 1 && most < INT_MAX ? static_cast<int>(most) + 1 : 2);
    SetRow(std::min(remembered, RowCount() - 1));
    SetFixedCols(1);
    SetFixedRows(1);
    viewport()->update();
}

void TExtStringGrid::FillColumn(int col, const FieldRecord& field)
{
    const std::size_t count = std::min<std::size_t>(field.Items.size(), INT_MAX - 1);
    for (std::size_t value = 0; value < count; ++value)
        SetCells(col, static_cast<int>(value) + 1, CellText(field, field.Items[value]));
}

std::int32_t TExtStringGrid::GetCurIndex() const
{
    const std::optional<std::uint32_t> field = FieldOfColumn(Col());
    if (!field)
        return -1;
    const std::size_t values = table_[*field].Items.size();
    const int row = Row();
    return row == 0 || std::size_t(row) <= values ? row : -1;
}

std::int32_t TExtStringGrid::GetCurPos(std::uint32_t& field, std::int32_t& row) const
{
    field = FieldOfColumn(Col()).value_or(std::uint32_t(Col()));
    row = GetCurIndex();
    return row == -1 ? 0 : row;
}

std::optional<std::uint32_t> TExtStringGrid::FieldOfColumn(int col) const
{
    if (col < 0 || std::size_t(col) >= columnFields_.size() || columnFields_[col] >= table_.size())
        return std::nullopt;
    return columnFields_[col];
}

void TExtStringGrid::EditControlOnKeyPress(QObject*, char& Key)
{
    if (Key != kEnter && Key != kEscape)
        return;
    editCommit_ = Key == kEnter;
    setFocus();
}

// The control shows the current value's plain text form, or no text for a value without one (never the text
// of a value edited before); a combo box selects the item of that text, or its first item.
void TExtStringGrid::EditControlOnEnter(QObject* Sender)
{
    const std::optional<std::uint32_t> field = EditedField(Sender);
    if (!field)
        return;
    const std::optional<AnsiString> text = PlainText(table_.fGetValues(*field, GetCurIndex()));
    ShowValueText(Sender, text);
    untouchedText_.reset();
    if (!text)
        untouchedText_ = StoredText(Sender);
}

void TExtStringGrid::ShowValueText(QObject* control, const std::optional<AnsiString>& text)
{
    if (auto* edit = qobject_cast<TEdit*>(control)) {
        edit->SetText(text.value_or(AnsiString()));
        edit->selectAll();
    } else if (auto* combo = qobject_cast<TComboBox*>(control)) {
        const int item = text ? ItemOf(*combo, *text) : -1;
        combo->SetItemIndex(item >= 0 ? item : std::min(0, combo->count() - 1));
    }
}

void TExtStringGrid::EditControlOnExit(QObject* Sender)
{
    const std::optional<std::uint32_t> field = EditedField(Sender);
    if (!field)
        return;
    if (editCommit_)
        StoreEditedText(*field, GetCurIndex(), Sender);
    untouchedText_.reset();
    table_[*field].EditControl->hide();
    Redraw();
}

// Paints row 0 as captions; then, by field, header-style cells as captions, cells of fields with an image
// list as pictures, and the others as text by the field's alignment.
void TExtStringGrid::DrawCell(int ACol, int ARow, QRect rect, TGridDrawState state)
{
    const std::optional<std::uint32_t> index = FieldOfColumn(ACol);
    if (!index)
        return;
    const FieldRecord& field = table_[*index];
    const AnsiString& text = Cells(ACol, ARow);
    const bool selected = state.testFlag(gdSelected);
    if (ARow == 0)
        PaintCaption(rect, text, false);
    else if (field.HeaderStyle)
        PaintCaption(rect, text, true);
    else if (field.ImageList)
        PaintPicture(rect, text, field, selected);
    else
        PaintText(rect, text, field, selected);
}

bool TExtStringGrid::SelectCell(int, int)
{
    return true;
}

void TExtStringGrid::KeyPress(char& key)
{
    std::uint32_t field = 0;
    std::int32_t row = 0;
    if (key == kEnter && gCanEditGrid && GetCurPos(field, row) != 0 && table_[field].EditControl)
        OpenEditControl(table_[field].EditControl);
}

void TExtStringGrid::DblClick()
{
    char enter = kEnter;
    KeyPress(enter);
}

void TExtStringGrid::PaintCaption(const QRect& rect, const AnsiString& text, bool horizontal)
{
    TCanvas& canvas = Canvas();
    TFont font;
    font.Name = "Arial";
    font.Size = 10;
    font.Color = clBlack;
    canvas.Font = font;
    canvas.Brush = TBrush{clBlack, bsSolid};
    canvas.FillRect(rect);
    canvas.GradientFill(rect, clCream, clGradientActiveCaption, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
    canvas.Brush.Style = bsClear;
    canvas.DrawText(text, rect.adjusted(0, 2, 0, 0), DT_CENTER | DT_VCENTER);
}

void TExtStringGrid::PaintText(const QRect& rect, const AnsiString& text, const FieldRecord& field, bool selected)
{
    UseCellColours(field, selected);
    TCanvas& canvas = Canvas();
    canvas.FillRect(rect);
    canvas.Brush.Style = bsClear; // the text's background is the cell's, filled already
    switch (field.Alignment) {
    case FieldRecord::taLeftJustify: canvas.DrawText(text, rect.adjusted(2, 2, 0, 0), DT_VCENTER); break;
    case FieldRecord::taRightJustify: canvas.DrawText(text, rect.adjusted(0, 2, -2, 0), DT_VCENTER | DT_RIGHT); break;
    case FieldRecord::taCenter: canvas.DrawText(text, rect.adjusted(0, 2, 0, 0), DT_VCENTER | DT_CENTER); break;
    }
}

// The picture whose index the cell text names, centred (at 2 from the left when it is wider than the cell).
void TExtStringGrid::PaintPicture(const QRect& rect, const AnsiString& text, const FieldRecord& field, bool selected)
{
    UseCellColours(field, selected);
    TCanvas& canvas = Canvas();
    canvas.FillRect(rect);
    const TPngImageList& list = *field.ImageList;
    int dx = (rect.width() - list.Width()) / 2;
    const int dy = (rect.height() - list.Height()) / 2;
    if (dx < 0)
        dx = 2;
    if (const std::optional<int> index = PictureIndex(text, list.Count()))
        list.Draw(canvas, rect.left() + dx, rect.top() + dy, *index, true);
}

void TExtStringGrid::UseCellColours(const FieldRecord& field, bool selected)
{
    TCanvas& canvas = Canvas();
    canvas.Font = field.Font ? *field.Font : Font();
    canvas.Brush = TBrush{field.CellColor, bsSolid};
    if (selected) {
        canvas.Font.Color = clHighlightText;
        canvas.Brush.Color = clHighlight;
    }
}

void TExtStringGrid::LoadWidths()
{
    const std::optional<std::vector<int>> widths = LoadColumnWidths(fileWidths_, ColCount());
    if (!widths)
        return;
    const int read = static_cast<int>(widths->size());
    for (int col = 0; col < read; ++col)
        SetColWidths(col, (*widths)[col]);
    if (read < ColCount())
        SetColWidthsFrom(read, read > 0 ? widths->back() : 0);
}

// Every column of a field, and further only up to the first column of the run of equal widths at the end:
// loading gives the columns after it that width too, so a grid of two billion columns writes a few lines.
void TExtStringGrid::SaveWidths() const
{
    const int fieldColumns = static_cast<int>(columnFields_.size());
    const int last = std::min(std::max(UniformColWidthsFrom(), fieldColumns - 1), ColCount() - 1);
    std::vector<int> widths;
    for (int col = 0; col <= last; ++col)
        widths.push_back(ColWidths(col));
    SaveColumnWidths(fileWidths_, widths);
}

// The field's control over the current cell, in the grid's parent, one pixel beyond the cell on every side.
void TExtStringGrid::OpenEditControl(QWidget* control)
{
    const QRect cell = CellRect(Col(), Row());
    control->show();
    const QPoint corner = viewport()->mapToGlobal(cell.topLeft()) - QPoint(1, 1);
    const QPoint place = control->parentWidget() ? control->parentWidget()->mapFromGlobal(corner) : corner;
    control->setGeometry(QRect(place, cell.size() + QSize(2, 2)));
    control->show();
    control->raise();
    control->setFocus();
    editCommit_ = true;
}

template <class Control>
bool TExtStringGrid::InstallHandlers(QWidget* control)
{
    auto* typed = qobject_cast<Control*>(control);
    if (!typed)
        return false;
    for (const char* event : {"OnKeyPress", "OnEnter", "OnExit"})
        TEventBinding::Unbind(typed, event);
    connect(typed, &Control::OnKeyPress, this, &TExtStringGrid::EditControlOnKeyPress);
    connect(typed, &Control::OnEnter, this, &TExtStringGrid::EditControlOnEnter);
    connect(typed, &Control::OnExit, this, &TExtStringGrid::EditControlOnExit);
    return true;
}

// Controls of the table about to be rebuilt no longer reach this grid.
void TExtStringGrid::ReleaseEditControls()
{
    for (const FieldRecord& field : table_)
        if (field.EditControl)
            disconnect(field.EditControl, nullptr, this, nullptr);
}

std::optional<std::uint32_t> TExtStringGrid::EditedField(const QObject* control) const
{
    std::uint32_t field = 0;
    std::int32_t row = 0;
    if (GetCurPos(field, row) == 0 || table_[field].EditControl != control)
        return std::nullopt;
    return field;
}

// A value without a text form is replaced only by a text the user gave: not by the one its control showed.
void TExtStringGrid::StoreEditedText(std::uint32_t field, std::int32_t row, const QObject* control)
{
    const std::optional<AnsiString> text = StoredText(control);
    if (!text || (untouchedText_ && *untouchedText_ == *text))
        return;
    if (const std::optional<Variant> value = EditedValue(table_[field].TypeName, *text))
        table_.fSetValues(field, row, *value);
}
