// Files of the working directory: existence, deletion, whole-file reads and replacement that never leaves
// half a file behind.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

enum class FileCause {
    None,
    NotFound,     // no such file or folder
    NotAFile,     // a folder, device, pipe or dangling link where a regular file belongs
    TooLarge,     // larger than the caller accepts
    NoPermission, // access refused
    IoError,      // any other failure of the system
};
const char* FileCauseText(FileCause cause);

struct TFileRead {
    FileCause Cause = FileCause::None;
    std::string Contents;
};

// The current working directory, without a trailing separator unless it is the root.
std::string CurrentDirectory();

// folder and name joined with one separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// True when path names something that exists and is not a folder (links are followed).
bool FileExists(const std::string& path);

// Deletes the file (a link itself, not its target); false when nothing was deleted.
bool RemoveFile(const std::string& path);

// The whole contents of a regular file of at most maxSize bytes. Never blocks on pipes or devices.
TFileRead ReadWholeFile(const std::string& path, std::size_t maxSize);

// Replaces the file's contents by writing a temporary file beside it and renaming it over the old one, so
// that a crash leaves the old or the new file. A link is followed and stays a link; the old file's access
// mode, owner and file attributes are kept. A missing file is created; a file without write permission
// is left alone.
FileCause ReplaceWholeFile(const std::string& path, const std::string& contents);

} // namespace platform
