// libFuzzer target for the PNG picture. Arbitrary bytes are loaded as a PNG file; a picture that loads is
// drawn with every option, takes every effect, SmoothResize and SlicePNG, and goes through a save and a
// load that must give back the same scan lines. Anything but a refused load (EPNGError) is a finding.
// Pictures above kFullCheckPixels take only the round trip of their scan lines: the largest picture that loads
// takes minutes for all the checks under the sanitizers, and one such input would stall a run.
//
// The custom mutator works on the chunks of a PNG file and recomputes their CRCs, so that mutations reach
// the decoder instead of dying at the CRC check: it changes one chunk's body, the header's fields or the
// inflated image rows (deflated again), or adds, repeats, drops and swaps chunks. Inputs that are no PNG
// file, and one mutation in sixteen, get libFuzzer's own byte mutations.
#include "classlib/graphics/canvas.h"
#include "classlib/base/exception.h"
#include "png/pngcodec.h"
#include "png/pngfunctions.h"
#include "png/pngobject.h"

#include <QGuiApplication>
#include <QImage>

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

// ---- Checks on one input ----

constexpr int kFullCheckPixels = 128 * 128;

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "pngobject_fuzz: %s\n", what);
        std::abort();
    }
}

// Parameters for the operations, taken from the whole input so that every mutation may change them.
struct Parameters {
    explicit Parameters(const std::uint8_t* data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            hash = (hash ^ data[i]) * 1099511628211u;
    }

    int Next(int count)
    {
        hash = hash * 6364136223846793005u + 1442695040888963407u;
        return int((hash >> 33) % std::uint64_t(count));
    }

    std::uint64_t hash = 14695981039346656037u;
};

std::size_t ColorRowBytes(const TPNGObject& png)
{
    return PackedRowBytes(png.Width(), ColorSampleCount(png.ColorType()), png.BitDepth());
}

std::size_t AlphaRowBytes(const TPNGObject& png)
{
    return HasAlphaChannel(png.ColorType()) ? PackedRowBytes(png.Width(), 1, png.BitDepth()) : 0;
}

bool SameScanlines(const TPNGObject& a, const TPNGObject& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.ColorType() != b.ColorType() ||
        a.BitDepth() != b.BitDepth())
        return false;
    for (int y = 0; y < a.Height(); ++y) {
        if (std::memcmp(a.Scanline(y), b.Scanline(y), ColorRowBytes(a)) != 0)
            return false;
        if (AlphaRowBytes(a) != 0 && std::memcmp(a.AlphaScanline(y), b.AlphaScanline(y), AlphaRowBytes(a)) != 0)
            return false;
    }
    return true;
}

void CheckRoundTrip(const TPNGObject& png, bool compareLook = true)
{
    std::stringstream file;
    png.SaveToStream(file);
    TPNGObject loaded;
    loaded.LoadFromStream(file);
    Check(SameScanlines(png, loaded), "saved and loaded scan lines differ");
    Check(png.TransparencyMode() == loaded.TransparencyMode(), "saved and loaded transparency differs");
    Check(!compareLook || png.ToQImage() == loaded.ToQImage(), "saved and loaded pictures look different");
}

void DrawWithEveryOption(const TPNGObject& png, Parameters& parameters)
{
    QImage surface(24, 24, QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::transparent);
    TCanvas canvas(&surface);
    const QRect rect(parameters.Next(4), parameters.Next(4), 1 + parameters.Next(24), 1 + parameters.Next(24));
    for (std::uint8_t bits = 0; bits < 16; ++bits)
        DrawPNG(png, canvas, rect, TPngOptions::FromByte(bits));
}

void TakeEveryEffect(const TPNGObject& png, Parameters& parameters)
{
    for (void (*effect)(TPNGObject&, int) :
         {MakeImageBlended, MakeImageGrayscale, MakeImageBrighter, MakeImageDarker, MakeImageAlphaChannel}) {
        TPNGObject work(png);
        effect(work, parameters.Next(256));
        Check(work.Width() == png.Width() && work.Height() == png.Height(), "an effect changed the size");
        CheckRoundTrip(work);
    }
}

void Resize(const TPNGObject& png, Parameters& parameters)
{
    TPNGObject work(png);
    const int width = 1 + parameters.Next(48);
    const int height = 1 + parameters.Next(48);
    try {
        SmoothResize(work, width, height);
    } catch (const EPNGError&) {
        Check(png.ColorType() != COLOR_RGB && png.ColorType() != COLOR_RGBALPHA, "RGB picture refused by SmoothResize");
        return;
    }
    Check(work.Width() == width && work.Height() == height, "SmoothResize gave another size");
}

void Slice(const TPNGObject& png, Parameters& parameters)
{
    const int columns = 1 + parameters.Next(4);
    const int rows = 1 + parameters.Next(4);
    const auto parts = SlicePNG(png, columns, rows);
    const bool empty = png.Width() / columns == 0 || png.Height() / rows == 0;
    Check(parts.size() == (empty ? 0u : std::size_t(columns * rows)), "SlicePNG gave another number of parts");
    for (const auto& part : parts)
        Check(part->Width() == png.Width() / columns && part->Height() == png.Height() / rows,
              "SlicePNG gave a part of another size");
}

// ---- Chunk-aware mutation ----

const std::string kSignature = "\x89PNG\r\n\x1A\n";
constexpr std::size_t kMaxInflated = std::size_t{1} << 20;

struct Chunk {
    std::string type;
    std::string body;
};

std::uint32_t Big32(const std::uint8_t* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

std::string BigEndian32(std::uint32_t value)
{
    return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

// The whole chunks after the signature; nullopt when the bytes are no PNG file. Bytes after the last whole
// chunk are dropped.
std::optional<std::vector<Chunk>> SplitChunks(const std::uint8_t* data, std::size_t size)
{
    if (size < kSignature.size() || std::memcmp(data, kSignature.data(), kSignature.size()) != 0)
        return std::nullopt;
    std::vector<Chunk> chunks;
    for (std::size_t at = kSignature.size(); at + 12 <= size;) {
        const std::size_t length = Big32(data + at);
        if (length > size - at - 12)
            break;
        const char* bytes = reinterpret_cast<const char*>(data + at);
        chunks.push_back(Chunk{std::string(bytes + 4, 4), std::string(bytes + 8, length)});
        at += length + 12;
    }
    if (chunks.empty())
        return std::nullopt;
    return chunks;
}

std::string JoinChunks(const std::vector<Chunk>& chunks)
{
    std::string file = kSignature;
    for (const Chunk& chunk : chunks) {
        const std::string typed = chunk.type + chunk.body;
        const auto crc = std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size())));
        file += BigEndian32(std::uint32_t(chunk.body.size())) + typed + BigEndian32(crc);
    }
    return file;
}

std::string Mutated(const std::string& bytes, std::size_t maxSize)
{
    std::vector<std::uint8_t> buffer(bytes.begin(), bytes.end());
    buffer.resize(std::max(maxSize, bytes.size()));
    const std::size_t size = LLVMFuzzerMutate(buffer.data(), bytes.size(), buffer.size());
    return std::string(buffer.begin(), buffer.begin() + std::ptrdiff_t(size));
}

std::optional<std::string> Inflated(const std::string& compressed)
{
    z_stream zlib{};
    if (inflateInit(&zlib) != Z_OK)
        return std::nullopt;
    std::string raw(kMaxInflated, '\0');
    zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    zlib.avail_in = uInt(compressed.size());
    zlib.next_out = reinterpret_cast<Bytef*>(raw.data());
    zlib.avail_out = uInt(raw.size());
    const int result = inflate(&zlib, Z_FINISH);
    raw.resize(zlib.total_out);
    inflateEnd(&zlib);
    if (result != Z_STREAM_END)
        return std::nullopt;
    return raw;
}

std::string Deflated(const std::string& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    std::string compressed(size, '\0');
    compress(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
             uLong(raw.size()));
    compressed.resize(size);
    return compressed;
}

// The image rows inflated, changed and deflated again into one IDAT chunk in place of the first.
bool MutateImageRows(std::vector<Chunk>& chunks)
{
    std::string compressed;
    std::size_t first = chunks.size();
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (chunks[i].type == "IDAT") {
            compressed += chunks[i].body;
            first = std::min(first, i);
        }
    }
    const std::optional<std::string> raw = first < chunks.size() ? Inflated(compressed) : std::nullopt;
    if (!raw)
        return false;
    std::vector<Chunk> kept;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (i == first)
            kept.push_back(Chunk{"IDAT", Deflated(Mutated(*raw, raw->size() + 64))});
        else if (chunks[i].type != "IDAT")
            kept.push_back(chunks[i]);
    }
    chunks = std::move(kept);
    return true;
}

void MutateHeader(Chunk& header, std::minstd_rand& random)
{
    if (header.body.size() != 13)
        return;
    static const std::uint32_t kSizes[] = {0, 1, 2, 3, 7, 8, 9, 31, 33, 255, 3663, 16383, 16384, 16385, 0x7FFFFFFF};
    switch (random() % 4) {
    case 0:
        header.body.replace(random() % 2 * 4, 4, BigEndian32(kSizes[random() % std::size(kSizes)]));
        break;
    case 1: header.body[8] = char(1 << (random() % 5)); break;
    case 2: header.body[9] = "\0\2\3\4\6"[random() % 5]; break;
    default: header.body[12] = char(random() % 2); break;
    }
}

Chunk NewChunk(std::minstd_rand& random)
{
    static const char* const kTypes[] = {"PLTE", "tRNS", "IDAT", "IEND", "sPLT", "iCCP", "zTXt", "tEXt",
                                         "bKGD", "gAMA", "sBIT", "hIST", "pHYs", "prVt", "CRIT"};
    std::string body(random() % 64, '\0');
    for (char& byte : body)
        byte = char(random());
    return Chunk{kTypes[random() % std::size(kTypes)], body};
}

void MutateChunkList(std::vector<Chunk>& chunks, std::minstd_rand& random)
{
    const std::size_t at = random() % chunks.size();
    switch (random() % 4) {
    case 0: chunks.insert(chunks.begin() + std::ptrdiff_t(at), NewChunk(random)); break;
    case 1: chunks.insert(chunks.begin() + std::ptrdiff_t(at), chunks[at]); break;
    case 2: chunks.erase(chunks.begin() + std::ptrdiff_t(at)); break;
    default: std::swap(chunks[at], chunks[random() % chunks.size()]); break;
    }
}

void MutateChunks(std::vector<Chunk>& chunks, std::minstd_rand& random, std::size_t maxSize)
{
    switch (random() % 4) {
    case 0:
        if (MutateImageRows(chunks))
            return;
        [[fallthrough]];
    case 1: {
        Chunk& chunk = chunks[random() % chunks.size()];
        chunk.body = Mutated(chunk.body, std::min(maxSize, chunk.body.size() + 64));
        return;
    }
    case 2:
        if (chunks.front().type == "IHDR") {
            MutateHeader(chunks.front(), random);
            return;
        }
        [[fallthrough]];
    default: MutateChunkList(chunks, random); return;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char* qtArgv[] = {(*argv)[0], nullptr};
    static QGuiApplication application(argc, qtArgv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TPNGObject png;
    try {
        std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
        png.LoadFromStream(in);
    } catch (const EPNGError&) {
        Check(png.Empty(), "a refused load changed the picture");
        return 0;
    }
    Parameters parameters(data, size);
    if (png.Width() * png.Height() > kFullCheckPixels) {
        CheckRoundTrip(png, false);
        return 0;
    }
    CheckRoundTrip(png);
    DrawWithEveryOption(png, parameters);
    TakeEveryEffect(png, parameters);
    Resize(png, parameters);
    Slice(png, parameters);
    return 0;
}

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed)
{
    std::minstd_rand random(seed);
    std::optional<std::vector<Chunk>> chunks = SplitChunks(data, size);
    if (!chunks || random() % 16 == 0)
        return LLVMFuzzerMutate(data, size, maxSize);
    MutateChunks(*chunks, random, maxSize);
    const std::string file = chunks->empty() ? std::string() : JoinChunks(*chunks);
    if (file.empty() || file.size() > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, file.data(), file.size());
    return file.size();
}
