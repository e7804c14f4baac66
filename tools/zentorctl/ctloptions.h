// The command line of zentorctl: the command, its port and mode, and the output form.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zentorctl {

enum class TCommand { Help, Ports, Read, Write };
enum class TMode { Erase, Keep };

struct TCtlOptions {
    TCommand Command = TCommand::Help;
    int Port = 0;
    int Speed = 9600;
    TMode Mode = TMode::Erase;
    bool Json = false;
};

// Reads the arguments (without the program name). Nothing when they are not understood; error then says why.
std::optional<TCtlOptions> ParseCtlArguments(const std::vector<std::string>& arguments, std::string& error);

} // namespace zentorctl
