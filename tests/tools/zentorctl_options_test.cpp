// The command line of zentorctl: what each accepted form means and why a wrong one is refused.
#include "tools/zentorctl/ctloptions.h"

#include <gtest/gtest.h>

using namespace zentorctl;

namespace {

struct TAccepted {
    std::vector<std::string> arguments;
    TCommand command;
    int port;
    int speed;
    TMode mode;
    bool json;
};

struct TRefused {
    std::vector<std::string> arguments;
    std::string errorPart;
};

} // namespace

TEST(ZentorctlOptions, AcceptedCommandLinesMeanWhatTheySay)
{
    const TAccepted cases[] = {
        {{"ports"}, TCommand::Ports, 0, 9600, TMode::Erase, false},
        {{"ports", "--json"}, TCommand::Ports, 0, 9600, TMode::Erase, true},
        {{"read", "--port", "7"}, TCommand::Read, 7, 9600, TMode::Erase, false},
        {{"read", "--speed", "115200", "--port", "255", "--json"}, TCommand::Read, 255, 115200, TMode::Erase, true},
        {{"write", "--port", "1", "--mode", "keep"}, TCommand::Write, 1, 9600, TMode::Keep, false},
        {{"write", "--mode", "erase", "--port", "3", "--speed", "110"}, TCommand::Write, 3, 110, TMode::Erase, false},
        {{"read", "--help"}, TCommand::Help, 0, 9600, TMode::Erase, false},
        {{"--help"}, TCommand::Help, 0, 9600, TMode::Erase, false},
        {{"help", "--json"}, TCommand::Help, 0, 9600, TMode::Erase, true},
        {{"read", "--port", "2", "--speed", "57600"}, TCommand::Read, 2, 57600, TMode::Erase, false},
        {{"read", "--port", "2", "--speed", "38400"}, TCommand::Read, 2, 38400, TMode::Erase, false},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto options = ParseCtlArguments(c.arguments, error);
        ASSERT_TRUE(options) << c.arguments[0] << ": " << error;
        EXPECT_EQ(options->Command, c.command) << c.arguments.size();
        EXPECT_EQ(options->Json, c.json);
        if (c.command == TCommand::Help)
            continue;
        EXPECT_EQ(options->Port, c.port);
        EXPECT_EQ(options->Speed, c.speed);
        EXPECT_EQ(options->Mode, c.mode);
    }
}

TEST(ZentorctlOptions, WrongCommandLinesAreRefusedWithTheReason)
{
    const TRefused cases[] = {
        {{}, "no command"},
        {{"erase"}, "unknown command \"erase\""},
        {{"read"}, "--port is required"},
        {{"read", "--port"}, "--port needs a value"},
        {{"read", "--port", "0"}, "\"0\""},
        {{"read", "--port", "256"}, "\"256\""},
        {{"read", "--port", "7x"}, "\"7x\""},
        {{"read", "--port", "-3"}, "\"-3\""},
        {{"read", "--port", "3", "--port", "4"}, "given twice"},
        {{"read", "--port", "3", "--speed", "9601"}, "\"9601\""},
        {{"read", "--port", "3", "--speed", "14400"}, "\"14400\""},
        {{"read", "--port", "3", "--speed", "56000"}, "\"56000\""},
        {{"write", "--port", "3", "--mode", "keep", "--speed", "128000"}, "\"128000\""},
        {{"read", "--port", "3", "--speed", "256000"}, "line speeds 110 300 600 1200 2400 4800 9600 19200 38400 57600 115200"},
        {{"read", "--port", "3", "--mode", "keep"}, "write only"},
        {{"write", "--port", "3"}, "--mode is required"},
        {{"write", "--port", "3", "--mode", "Erase"}, "\"Erase\""},
        {{"ports", "--port", "3"}, "ports takes no"},
        {{"read", "--port", "3", "--verbose"}, "unknown option \"--verbose\""},
        {{"read", "--port", "3", "--json", "--json"}, "--json given twice"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseCtlArguments(c.arguments, error)) << c.errorPart;
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
}
