// Where a font file of Debian's wine fonts package (/usr/share/wine/fonts) is, in this system's own words.
#pragma once

#include <QString>

// The file's path; empty where the system cannot name it (Windows outside Wine).
QString WineFontFile(const char* name);
