// The program's folder as it must be for the window to start. Qt-free: it is asked before the toolkit starts.
#pragma once

// True when the folder holds what the toolkit needs from it; otherwise tells the user, in the program's own
// language, what is missing, and is false. On Windows that is the toolkit's platform plugin beside
// zentor.exe, which an archive unpacked in part lacks (the toolkit itself would say so in English).
bool ProgramFolderComplete();
