// A grid whose columns are declared by field description lines (gFields, one line per field) and whose
// contents are typed values per field: row 0 shows the captions, data row r the r-th value of every field.
// The field table (controls/fieldstable.h) parses the lines and keeps the values; this control lays out the
// columns, turns values into cell texts, paints caption, text and picture cells, and lets the user change a
// value through an edit control attached to a field, placed over the current cell while editing.
//
// Columns map to fields through the list of visible fields: column c shows the c-th visible field, so a
// hidden field has no column at all and never shows or takes another field's values.
#pragma once

#include "classlib/base/ansistring.h"
#include "classlib/forms/loadable.h"
#include "classlib/widgets/stringgrid.h"
#include "classlib/base/variant.h"
#include "controls/fieldstable.h"

#include <QList>

#include <cstdint>
#include <optional>
#include <vector>

class TPngImageList;

class TExtStringGrid : public TStringGrid, public TLoadable {
    Q_OBJECT
    Q_PROPERTY(QList<AnsiString> gFields READ gFields WRITE PutFieldLines)
    Q_PROPERTY(AnsiString gFileWidths READ gFileWidths WRITE fSetFileWidths)
    Q_PROPERTY(int gCaptionHeight READ gCaptionHeight WRITE fSetCaptionHeight)
    Q_PROPERTY(bool gCanEditGrid MEMBER gCanEditGrid)

public:
    explicit TExtStringGrid(QWidget* parent = nullptr);
    // Saves the column widths when gFileWidths names a file, unless the grid is deleted in the middle of
    // the read of its window description (a read that failed).
    ~TExtStringGrid() override;

    const QList<AnsiString>& gFields() const { return fields_; }
    // Copies the lines, then Init.
    void fSetFields(const QList<AnsiString>& lines);
    // Puts the lines into the grid's own list, as a window description does: they take effect, and bad lines
    // raise their errors, when the owner calls Init.
    void PutFieldLines(const QList<AnsiString>& lines) { fields_ = lines; }
    const AnsiString& gFileWidths() const { return fileWidths_; }
    // Deletes the file named so far (even when the name stays), then takes the new name; nothing is loaded
    // until the next Init.
    void fSetFileWidths(const AnsiString& fileName);
    int gCaptionHeight() const { return captionHeight_; }
    // Row 0 takes the height at once.
    void fSetCaptionHeight(int height);
    // Whether Enter and double clicks open a field's edit control.
    bool gCanEditGrid = false;

    // Rebuilds the field table, the columns and the cell texts, then loads the column widths file. Values,
    // image lists and edit controls are gone afterwards.
    void Init();
    void SetProperties();
    bool FindField(const AnsiString& name, std::uint32_t& field) const { return table_.FindField(name, field); }
    void CheckFields(std::uint32_t field, std::int64_t valueIndex) const { table_.CheckFields(field, valueIndex); }
    void CheckColumn(std::uint32_t field) const { table_.CheckColumn(field); }

    // Values by field index or name and row (1 for the first value). None of these repaints: call Redraw.
    const Variant& Values(std::uint32_t field, std::int32_t row) const { return table_.fGetValues(field, row); }
    void fSetValues(std::uint32_t field, std::int32_t row, const Variant& value);
    const Variant& StrValues(const AnsiString& name, std::int32_t row) const;
    void fSetStrValues(const AnsiString& name, std::int32_t row, const Variant& value);
    void AddValue(std::uint32_t field, const Variant& value) { table_.AddValue(field, value); }
    void AddValue(const AnsiString& name, const Variant& value) { table_.AddValue(name, value); }
    std::int32_t GetSizeField(std::uint32_t field) const { return table_.GetSizeField(field); }
    std::int32_t GetSizeField(const AnsiString& name) const { return table_.GetSizeField(name); }
    // Removes every value, then Redraw.
    void Clear();
    void AssignPIL(const AnsiString& name, TPngImageList* imageList) { table_.AssignPIL(name, imageList); }
    // Attaches the control to the field and, for the edit controls of the class library, takes over its
    // key-press, enter and exit events.
    void AssignEditControl(const AnsiString& name, QWidget* control);
    const TFieldsTable& FieldsTable() const { return table_; }

    // Columns, captions and fonts from the visible fields.
    void InitGrid();
    // Cell texts, row count, current row and fixed lines from the values.
    void FillGrid();
    void Redraw() { FillGrid(); }
    // The current row when the current column's field has a value there (or row 0), otherwise -1.
    std::int32_t GetCurIndex() const;
    // field: the field of the current column; row: GetCurIndex. Returns row, or 0 when there is no current
    // value.
    std::int32_t GetCurPos(std::uint32_t& field, std::int32_t& row) const;
    // The field shown in a column; none past the visible fields.
    std::optional<std::uint32_t> FieldOfColumn(int col) const;

    // Handlers installed on attached edit controls.
    void EditControlOnKeyPress(QObject* Sender, char& Key);
    void EditControlOnEnter(QObject* Sender);
    void EditControlOnExit(QObject* Sender);
    // Whether leaving the attached control stores its text.
    bool EditCommit() const { return editCommit_; }

protected:
    void DrawCell(int ACol, int ARow, QRect rect, TGridDrawState state) override;
    bool SelectCell(int ACol, int ARow) override;
    void KeyPress(char& key) override;
    void DblClick() override;

private:
    void PaintCaption(const QRect& rect, const AnsiString& text, bool horizontal);
    void PaintText(const QRect& rect, const AnsiString& text, const FieldRecord& field, bool selected);
    void PaintPicture(const QRect& rect, const AnsiString& text, const FieldRecord& field, bool selected);
    void UseCellColours(const FieldRecord& field, bool selected);
    void SetUpColumn(int col, FieldRecord& field);
    void FillColumn(int col, const FieldRecord& field);
    void LoadWidths();
    void SaveWidths() const;
    void OpenEditControl(QWidget* control);
    template <class Control>
    bool InstallHandlers(QWidget* control);
    void ReleaseEditControls();
    // The current field when control is its attached control.
    std::optional<std::uint32_t> EditedField(const QObject* control) const;
    void StoreEditedText(std::uint32_t field, std::int32_t row, const QObject* control);
    void ShowValueText(QObject* control, const std::optional<AnsiString>& text);

    QList<AnsiString> fields_;
    AnsiString fileWidths_;
    int captionHeight_ = 20;
    bool editCommit_ = false;
    // Set while the edited value has no text form: the text its control showed then, which leaving the control
    // with that very text does not store.
    std::optional<AnsiString> untouchedText_;
    TFieldsTable table_;
    std::vector<std::uint32_t> columnFields_;
};
