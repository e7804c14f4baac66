// zentorctl: lists the serial ports and reads or writes the device's erase mode, for scripts.
#include "platform/portmap.h"
#include "tools/zentorctl/brokenpipe.h"
#include "tools/zentorctl/commandline.h"
#include "tools/zentorctl/ctloptions.h"
#include "tools/zentorctl/ctloutput.h"
#include "tools/zentorctl/devicelink.h"
#include "tools/zentorctl/eventloop.h"
#include "tools/zentorctl/portsreport.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace zentorctl;

namespace {

TReport Run(const TCtlOptions& options)
{
    switch (options.Command) {
    case TCommand::Help:
        return ReportHelp(options.Json);
    case TCommand::Ports:
        return ReportPorts(platform::ReadPortMap(), options.Json);
    case TCommand::Read:
    case TCommand::Write:
        break;
    }
    TEventLoop loop;
    TExchangeResult result = TDeviceLink(loop, options.Port, options.Speed).Exchange(RequestFrame(options));
    if (result.Cause == platform::SerialCause::NoPermission)
        result.Permission = platform::PermissionFix(options.Port);
    return options.Command == TCommand::Read ? ReportRead(options, result) : ReportWrite(options, result);
}

// A report that did not reach standard output (a full disk, a closed descriptor) is not a success: the program
// says so on standard error and ends with its own exit code.
int Print(const TReport& report)
{
    std::fputs(report.Out.c_str(), stdout);
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    std::fputs(report.Err.c_str(), stderr);
    if (written)
        return report.ExitCode;
    const TReport failed = ReportOutputFailed();
    std::fputs(failed.Err.c_str(), stderr);
    return failed.ExitCode;
}

std::optional<TCommand> NamedCommand(const std::vector<std::string>& arguments)
{
    return arguments.empty() ? std::nullopt : CommandNamed(arguments[0]);
}

} // namespace

int main(int argc, char** argv)
{
    FailWritesToBrokenPipes();
    const std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    std::string error;
    const auto options = ParseCtlArguments(arguments, error);
    if (!options)
        return Print(ReportBadArguments(error, std::ranges::find(arguments, "--json") != arguments.end(),
                                        NamedCommand(arguments)));
    TReport report = Run(*options);
    if (options->Command != TCommand::Help)
        AddLinkFolderWarning(report, platform::LinkFolderProblem(), options->Json);
    return Print(report);
}
