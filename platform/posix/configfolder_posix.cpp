#include "platform/configfolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && *home == '/')
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

// The XDG base directory rule: a relative XDG_CONFIG_HOME is ignored.
std::string ConfigHome()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return config;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config";
}

// Makes every missing level of path with mode 0700.
bool MakeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

} // namespace

bool EnterConfigFolder(std::string& error)
{
    const std::string home = ConfigHome();
    if (home.empty()) {
        error = "no home folder (HOME is unset)";
        return false;
    }
    const std::string folder = home + "/zentor";
    if (!MakeFolders(folder) || ::chdir(folder.c_str()) != 0) {
        error = folder + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace platform
