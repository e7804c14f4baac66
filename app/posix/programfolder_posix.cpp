#include "app/programfolder.h"

// The Linux program takes the toolkit's plugins from the system's Qt packages, on which its package depends.
bool ProgramFolderComplete() { return true; }
