// The zentorctl program run as a process (see support/childprocess.h).
#pragma once

#include "support/childprocess.h"

using TCtlRun = TChildRun;

class TCtlProcess : public TChildProcess {
public:
    explicit TCtlProcess(std::vector<std::string> arguments, const char* outputPath = nullptr, int outputFd = -1)
        : TChildProcess(WithProgram(std::move(arguments)), outputPath, outputFd)
    {
    }

private:
    static std::vector<std::string> WithProgram(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), ZENTORCTL_PATH);
        return arguments;
    }
};

inline TCtlRun RunCtl(const std::vector<std::string>& arguments, const char* outputPath = nullptr)
{
    return TCtlProcess(arguments, outputPath).Finish();
}
