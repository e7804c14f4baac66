#include "tools/zentorctl/ctloptions.h"

#include <algorithm>
#include <charconv>

namespace zentorctl {

const std::array<int, 11> kCtlSpeeds = {110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

std::string SpeedList()
{
    std::string list;
    for (const int speed : kCtlSpeeds)
        list += (list.empty() ? "" : " ") + std::to_string(speed);
    return list;
}

std::optional<TCommand> CommandNamed(const std::string& name)
{
    if (name == "ports")
        return TCommand::Ports;
    if (name == "read")
        return TCommand::Read;
    if (name == "write")
        return TCommand::Write;
    if (name == "help" || name == "--help" || name == "-h")
        return TCommand::Help;
    return std::nullopt;
}

namespace {

std::optional<int> WholeNumber(const std::string& text)
{
    int value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || failure != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

class TArgumentReader {
public:
    TArgumentReader(const std::vector<std::string>& arguments, std::string& error)
        : arguments_(arguments), error_(error)
    {
    }

    std::optional<TCtlOptions> Read()
    {
        if (arguments_.empty())
            return Fail("no command given");
        const auto command = CommandNamed(arguments_[0]);
        if (!command)
            return Fail("unknown command \"" + arguments_[0] + "\"");
        options_.Command = *command;
        for (next_ = 1; next_ < arguments_.size(); ++next_)
            if (!ReadOption(arguments_[next_]))
                return std::nullopt;
        return CheckRequired() ? std::optional(options_) : std::nullopt;
    }

private:
    bool ReadOption(const std::string& name)
    {
        if (name == "--json")
            return Set(options_.Json, true, seenJson_, name);
        if (name == "--help" || name == "-h") {
            options_.Command = TCommand::Help;
            return true;
        }
        if (name == "--port")
            return ReadPort(name);
        if (name == "--speed")
            return ReadSpeed(name);
        if (name == "--mode")
            return ReadMode(name);
        return Reject("unknown option \"" + name + "\"");
    }

    template <class T>
    bool Set(T& field, T value, bool& seen, const std::string& name)
    {
        if (seen)
            return Reject(name + " given twice");
        seen = true;
        field = value;
        return true;
    }

    std::optional<std::string> Value(const std::string& name)
    {
        if (next_ + 1 >= arguments_.size()) {
            Reject(name + " needs a value");
            return std::nullopt;
        }
        return arguments_[++next_];
    }

    bool ReadPort(const std::string& name)
    {
        const auto text = Value(name);
        if (!text)
            return false;
        const auto number = WholeNumber(*text);
        if (!number || *number < 1 || *number > 255)
            return Reject("--port takes a COM number from 1 to 255, not \"" + *text + "\"");
        return Set(options_.Port, *number, seenPort_, name);
    }

    bool ReadSpeed(const std::string& name)
    {
        const auto text = Value(name);
        if (!text)
            return false;
        const auto speed = WholeNumber(*text);
        if (!speed || std::ranges::find(kCtlSpeeds, *speed) == kCtlSpeeds.end())
            return Reject("--speed takes one of the line speeds " + SpeedList() + ", not \"" + *text + "\"");
        return Set(options_.Speed, *speed, seenSpeed_, name);
    }

    bool ReadMode(const std::string& name)
    {
        const auto text = Value(name);
        if (!text)
            return false;
        if (*text != "erase" && *text != "keep")
            return Reject("--mode takes erase or keep, not \"" + *text + "\"");
        return Set(options_.Mode, *text == "erase" ? TMode::Erase : TMode::Keep, seenMode_, name);
    }

    bool CheckRequired()
    {
        const TCommand command = options_.Command;
        if (command == TCommand::Help)
            return true;
        const bool usesPort = command == TCommand::Read || command == TCommand::Write;
        if (usesPort && !seenPort_)
            return Reject("--port is required");
        if (!usesPort && (seenPort_ || seenSpeed_))
            return Reject("ports takes no --port or --speed");
        if (command == TCommand::Write && !seenMode_)
            return Reject("--mode is required");
        if (command != TCommand::Write && seenMode_)
            return Reject("--mode belongs to write only");
        return true;
    }

    std::nullopt_t Fail(const std::string& why)
    {
        error_ = why;
        return std::nullopt;
    }

    bool Reject(const std::string& why)
    {
        error_ = why;
        return false;
    }

    const std::vector<std::string>& arguments_;
    std::string& error_;
    TCtlOptions options_;
    std::size_t next_ = 0;
    bool seenJson_ = false;
    bool seenPort_ = false;
    bool seenSpeed_ = false;
    bool seenMode_ = false;
};

} // namespace

std::optional<TCtlOptions> ParseCtlArguments(const std::vector<std::string>& arguments, std::string& error)
{
    return TArgumentReader(arguments, error).Read();
}

} // namespace zentorctl
