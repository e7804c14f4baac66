// How the simulated device behaves, and the command line of the program that runs it.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zentorsim {

struct TSimOptions {
    int ComNumber = 0;                    // 0: the lowest free number
    std::uint8_t InitialValue = 0x00;     // register D5 (the erase mode) at start
    bool Silent = false;                  // hears every frame, answers none
    std::chrono::milliseconds ReplyDelay{0};
    bool TwoByteReply = false;            // sends every reply byte twice
    std::optional<std::uint8_t> AnswerByte; // answers every frame with this byte
    std::optional<int> VanishAfter;       // handles this many frames, then vanishes on the next one
    bool Echo = false;                    // sends every received byte back at once, as a half-duplex line does
    std::uint8_t NoiseByte = 0x00;        // the byte of --noise-before and --noise-after
    std::optional<std::chrono::milliseconds> NoiseBefore; // this long after a frame, a noise byte
    std::optional<std::chrono::milliseconds> NoiseAfter;  // this long after each answer, a noise byte
    std::optional<std::chrono::milliseconds> LateFirst;   // the first frame's answer comes this late
    std::string LogPath;                  // every received byte is also written to this file, created anew
    std::string TracePath;                // the bytes of both directions as hexadecimal lines; "-": standard output
};

// Reads the program's arguments (without the program name). Nothing when they are not understood;
// error then says why.
std::optional<TSimOptions> ParseSimArguments(const std::vector<std::string>& arguments, std::string& error);

extern const char* const kSimUsage;

} // namespace zentorsim
