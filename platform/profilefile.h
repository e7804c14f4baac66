// A profile (INI) file: values by section and key. Names compare without regard to case, the first of
// duplicate sections or keys counts, and everything else in the file is kept byte for byte. Changes are
// held in memory until UpdateFile writes the whole file at once. A file that starts with a UTF-16 byte-order
// mark (Notepad's "Unicode") is read as UTF-16, as the Windows profile functions read it, and written back
// in UTF-16 of the same byte order; its names and values reach the caller in Windows-1251.
#pragma once

#include "classlib/base/ansistring.h"
#include "platform/files.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class TProfileFile {
public:
    // Larger files are not profile files of this program; they are read as empty and never written.
    static constexpr std::size_t kMaxSize = 1024 * 1024;

    // Reads the file now; a missing file reads as empty.
    explicit TProfileFile(std::string path);

    // Why the existing file could not be read; None when it was read or does not exist.
    FileCause LoadCause() const { return loadCause_; }

    // The value with surrounding blanks and one pair of enclosing quotes removed, or defaultValue.
    AnsiString ReadString(const AnsiString& section, const AnsiString& key, const AnsiString& defaultValue) const;

    // Sets the value, adding the key or the section when missing. False, with nothing changed, for names or
    // values that cannot stand in one line of the file.
    bool WriteString(const AnsiString& section, const AnsiString& key, const AnsiString& value);

    // Writes the changes (see ReplaceWholeFile). A file that existed but could not be read is never
    // overwritten: its cause is returned instead.
    FileCause UpdateFile();

    // The file's text as it would be written.
    std::string Text() const;

private:
    enum class TEncoding { Bytes, Utf16LittleEndian, Utf16BigEndian };

    struct TLine {
        std::string Text;   // in Windows-1251
        std::string Ending; // "\n", "\r\n", or empty for a last line without one
        std::string Stored; // the text's own bytes in a UTF-16 file while unchanged, which 1251 may not hold
    };

    void Parse(const std::string& contents);
    void ParseUtf16(std::string_view contents);
    std::string Encoded(const std::string& text) const;
    std::optional<std::size_t> FindSection(const std::string& section) const;
    std::optional<std::size_t> FindKey(std::size_t header, const std::string& key) const;
    std::size_t InsertPosition(std::size_t header) const;
    void InsertLine(std::size_t position, std::string text);
    void SetLine(std::size_t index, std::string text);

    std::string path_;
    FileCause loadCause_ = FileCause::None;
    std::string byteOrderMark_; // kept in front of the first line, which it does not belong to
    TEncoding encoding_ = TEncoding::Bytes;
    std::string oddByte_; // a UTF-16 file's last byte of no pair, kept at its end
    std::vector<TLine> lines_;
    std::string newline_ = "\n";
    bool modified_ = false;
};

} // namespace platform
