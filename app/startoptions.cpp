#include "app/startoptions.h"

const char* const kZentorUsage =
    "usage: zentor [--in-config-folder] [toolkit options]\n"
    "       zentor --help | --version\n"
    "\n"
    "  --in-config-folder  keep zentor.cfg in $XDG_CONFIG_HOME/zentor (~/.config/zentor), made when missing,\n"
    "                      instead of the working folder; the menu entry starts the program so\n"
    "  --help              prints this text\n"
    "  --version           prints the version\n"
    "\n"
    "The toolkit's options, such as -display DISPLAY and -platform NAME, are understood.\n";

TStartOptions ParseStartOptions(const std::vector<std::string>& arguments)
{
    TStartOptions options;
    for (const std::string& argument : arguments) {
        options.Help |= argument == "--help" || argument == "-h";
        options.Version |= argument == "--version";
        options.InConfigFolder |= argument == "--in-config-folder";
    }
    return options;
}
