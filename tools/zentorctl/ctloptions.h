// The command line of zentorctl: the command, its port and mode, and the output form.
#pragma once

#include <array>
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

// The line speeds that the serial devices of both systems run at exactly. The port component also names
// 14400, 56000, 128000 and 256000 baud, which neither system's driver gives, so they are refused here.
extern const std::array<int, 11> kCtlSpeeds;
// The speeds above as text, separated by blanks.
std::string SpeedList();

// The command a first argument names; nothing when it names none.
std::optional<TCommand> CommandNamed(const std::string& name);

// Reads the arguments (without the program name). Nothing when they are not understood; error then says why.
std::optional<TCtlOptions> ParseCtlArguments(const std::vector<std::string>& arguments, std::string& error);

} // namespace zentorctl
