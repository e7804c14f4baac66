#include "tools/zentor-sim/simoptions.h"

#include "platform/portmap.h"

#include <charconv>
#include <functional>
#include <map>

namespace zentorsim {

const char* const kSimUsage =
    "usage: zentor-sim [options]\n"
    "  --com N           register the device as COM<N> (default: the lowest free number)\n"
    "  --value B         initial value of register D5 (default 0x00)\n"
    "  --silent          hear every frame, answer none\n"
    "  --delay MS        wait MS milliseconds before each reply\n"
    "  --two-bytes       send every reply byte twice\n"
    "  --answer B        answer every frame with byte B\n"
    "  --vanish-after N  handle N frames, then vanish (close the line, remove the link) on the next one\n"
    "  --echo            send every received byte back at once, as a half-duplex line does\n"
    "  --noise B         the byte that --noise-before and --noise-after send (default 0x00)\n"
    "  --noise-before MS MS milliseconds after each frame, send the noise byte (before the reply)\n"
    "  --noise-after MS  MS milliseconds after each reply, send the noise byte\n"
    "  --late-first MS   answer the first frame only after MS milliseconds, as to a request the program\n"
    "                    gave up; frames that came meanwhile are answered after it\n"
    "  --log FILE        write every received byte to FILE (created anew)\n"
    "  --trace FILE      write the bytes received (rx) and sent (tx) to FILE as hexadecimal lines, as they\n"
    "                    cross the line; - for standard output\n"
    "Numbers are decimal or hexadecimal with 0x. Prints the COM number and the pseudo-terminal, then runs\n"
    "until SIGINT or SIGTERM.\n";

namespace {

std::optional<long> Number(const std::string& text)
{
    const bool hex = text.starts_with("0x") || text.starts_with("0X");
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    long value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, hex ? 16 : 10);
    if (begin == end || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<long> InRange(const std::string& text, long low, long high)
{
    const auto value = Number(text);
    return value && *value >= low && *value <= high ? value : std::nullopt;
}

using TValueSetter = std::function<bool(TSimOptions&, const std::string&)>;
using TFlagSetter = std::function<void(TSimOptions&)>;

TValueSetter Ranged(long low, long high, std::function<void(TSimOptions&, long)> apply)
{
    return [=](TSimOptions& options, const std::string& text) {
        const auto value = InRange(text, low, high);
        if (value)
            apply(options, *value);
        return value.has_value();
    };
}

const std::map<std::string, TValueSetter>& ValueOptions()
{
    static const std::map<std::string, TValueSetter> options = {
        {"--com", Ranged(platform::kMinComNumber, platform::kMaxComNumber,
                         [](TSimOptions& o, long n) { o.ComNumber = static_cast<int>(n); })},
        {"--value", Ranged(0, 255, [](TSimOptions& o, long n) { o.InitialValue = static_cast<std::uint8_t>(n); })},
        {"--delay", Ranged(0, 600000, [](TSimOptions& o, long n) { o.ReplyDelay = std::chrono::milliseconds(n); })},
        {"--answer", Ranged(0, 255, [](TSimOptions& o, long n) { o.AnswerByte = static_cast<std::uint8_t>(n); })},
        {"--vanish-after", Ranged(0, 1000000, [](TSimOptions& o, long n) { o.VanishAfter = static_cast<int>(n); })},
        {"--noise", Ranged(0, 255, [](TSimOptions& o, long n) { o.NoiseByte = static_cast<std::uint8_t>(n); })},
        {"--noise-before", Ranged(0, 600000, [](TSimOptions& o, long n) { o.NoiseBefore = std::chrono::milliseconds(n); })},
        {"--noise-after", Ranged(0, 600000, [](TSimOptions& o, long n) { o.NoiseAfter = std::chrono::milliseconds(n); })},
        {"--late-first", Ranged(0, 600000, [](TSimOptions& o, long n) { o.LateFirst = std::chrono::milliseconds(n); })},
        {"--log", [](TSimOptions& o, const std::string& text) {
             o.LogPath = text;
             return !text.empty();
         }},
        {"--trace", [](TSimOptions& o, const std::string& text) {
             o.TracePath = text;
             return !text.empty();
         }},
    };
    return options;
}

const std::map<std::string, TFlagSetter>& FlagOptions()
{
    static const std::map<std::string, TFlagSetter> options = {
        {"--silent", [](TSimOptions& o) { o.Silent = true; }},
        {"--two-bytes", [](TSimOptions& o) { o.TwoByteReply = true; }},
        {"--echo", [](TSimOptions& o) { o.Echo = true; }},
    };
    return options;
}

} // namespace

std::optional<TSimOptions> ParseSimArguments(const std::vector<std::string>& arguments, std::string& error)
{
    TSimOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (const auto flag = FlagOptions().find(name); flag != FlagOptions().end()) {
            flag->second(options);
            continue;
        }
        const auto valued = ValueOptions().find(name);
        if (valued == ValueOptions().end()) {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (i + 1 >= arguments.size() || !valued->second(options, arguments[i + 1])) {
            error = "bad or missing value for " + name;
            return std::nullopt;
        }
        ++i;
    }
    return options;
}

} // namespace zentorsim
