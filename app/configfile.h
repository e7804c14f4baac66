// The remembered serial port and line speed, kept between runs in the hidden profile file "zentor.cfg" of
// the working directory (on Windows, where that takes no files or is the installed program's own folder, of
// the user's application data folder: platform/settingsfolder.h), and the debug log file of the same folder, which is only ever deleted.
// File names are native path text, not Windows-1251: a folder name must reach the system unchanged.
#pragma once

#include <cstdint>
#include <string>

class TConfigFile {
public:
    // Directory: the settings folder of the working directory now.
    TConfigFile();

    std::string FileName = "zentor.cfg";
    std::string Directory;
    // Where a zentor.cfg gives the first values while Directory holds none yet: the working directory when
    // the settings are kept elsewhere (a copy moved, with its settings, to a folder that takes no files),
    // so that they are not lost; empty otherwise. Only ever read.
    std::string SeedDirectory;
    std::int32_t ComPort = 1;
    std::int32_t ComSpeed = 9600;
    std::string DebugLogPath;

    // Directory and FileName as they are now.
    std::string FullName() const;

    // Reads both values; a missing file is written with the current values first (those of SeedDirectory's
    // file, where there is one), and the result is then false. Failures are silent: values that cannot be read keep what they had.
    bool LoadConfig();
    // Writes both values, keeping everything else in the file. Failures are silent and never cost the old
    // file.
    void SaveConfig() const;
    // Deletes the debug log file if there is one.
    void DeleteDebugLog() const;

private:
    void ReadValues(const std::string& path);
};

// The program's one configuration, made at start-up.
extern TConfigFile ConfigFile;
