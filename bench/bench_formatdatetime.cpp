// FormatDateTime with formats made of one specifier repeated 1,000 and 32,000 times ("h" runs of hours, "c" whole
// dates, "d" and "m" runs of the longest specifiers), and FormatFloat with a run of "0" placeholders as the
// linear reference, all in the same run. Prints, for each, the CPU time per format character of the long format
// against that of the short one: about 1 when the time grows with the format's length, about 32 when it grows
// with its square.
#include "bench/ratioreporter.h"
#include "classlib/base/datetime.h"
#include "classlib/base/formatdatetime.h"
#include "classlib/base/formatfloat.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kShort = 1'000;
constexpr int kLong = 32'000;
const char* const kDateSpecifiers[] = {"h", "c", "d", "m"};

std::string Name(const char* routine, const char* specifier, int length)
{
    return std::string(routine) + "_" + specifier + "_" + std::to_string(length);
}

void FormatDate(benchmark::State& state, const AnsiString& format)
{
    const TDateTime value(EncodeDate(2026, 12, 8).Val + EncodeTime(13, 45, 30, 250).Val);
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatDateTime(format, value));
}

void FormatNumber(benchmark::State& state, const AnsiString& format)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatFloat(format, 1234.5));
}

void Register()
{
    for (const int length : {kShort, kLong}) {
        for (const char* specifier : kDateSpecifiers)
            benchmark::RegisterBenchmark(Name("FormatDateTime", specifier, length).c_str(), FormatDate,
                                         AnsiString(std::string(std::size_t(length), specifier[0])))
                ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(Name("FormatFloat", "0", length).c_str(), FormatNumber,
                                     AnsiString(std::string(std::size_t(length), '0')))
            ->Unit(benchmark::kMicrosecond);
    }
}

void PrintGrowth(const RatioReporter& reporter, const char* routine, const char* specifier)
{
    const std::string longer = Name(routine, specifier, kLong);
    const std::string shorter = Name(routine, specifier, kShort);
    if (reporter.Has(longer) && reporter.Ratio(longer, shorter) > 0)
        std::printf("CPU time per character, %s \"%s\" x %d / x %d = %.2f\n", routine, specifier, kLong, kShort,
                    reporter.Ratio(longer, shorter) * kShort / kLong);
}

} // namespace

int main(int argc, char** argv)
{
    Register();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* specifier : kDateSpecifiers)
        PrintGrowth(reporter, "FormatDateTime", specifier);
    PrintGrowth(reporter, "FormatFloat", "0");
    benchmark::Shutdown();
    return 0;
}
