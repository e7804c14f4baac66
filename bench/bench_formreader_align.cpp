// Reading descriptions of many aligned panels and status bars against the same number of unaligned panels,
// in the same run; prints the ratios of CPU times. Arranging once per parent keeps both near 1 and the
// same for 500 and 2000 controls; arranging at every alignment grows with the count.
#include "bench/ratioreporter.h"
#include "classlib/forms/classregistry.h"
#include "classlib/forms/formreader.h"
#include "classlib/forms/standardclasses.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include <string>

namespace {

std::string Description(int count, const char* className, const char* body)
{
    std::string text = "object Form: TForm\n  Width = 800\n  Height = 600\n";
    for (int i = 0; i < count; ++i)
        text += "  object C" + std::to_string(i) + ": " + className + "\n" + body + "  end\n";
    return text + "end\n";
}

void Read(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        QWidget form;
        TFormReader::Read(&form, text);
        benchmark::DoNotOptimize(form.children().size());
    }
}

void UnalignedPanels(benchmark::State& state, int count)
{
    Read(state, Description(count, "TPanel", "    Height = 2\n"));
}
BENCHMARK_CAPTURE(UnalignedPanels, 500, 500)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(UnalignedPanels, 2000, 2000)->Unit(benchmark::kMillisecond);

void AlignedPanels(benchmark::State& state, int count)
{
    Read(state, Description(count, "TPanel", "    Height = 2\n    Align = alTop\n"));
}
BENCHMARK_CAPTURE(AlignedPanels, 500, 500)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(AlignedPanels, 2000, 2000)->Unit(benchmark::kMillisecond);

void StatusBars(benchmark::State& state, int count)
{
    Read(state, Description(count, "TStatusBar", "    Height = 2\n"));
}
BENCHMARK_CAPTURE(StatusBars, 500, 500)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StatusBars, 2000, 2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    RegisterStandardClasses();
    RegisterClass<QWidget>("TForm");
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* count : {"500", "2000"}) {
        const std::string baseline = std::string("UnalignedPanels/") + count;
        reporter.PrintRatio(std::string("AlignedPanels/") + count, baseline);
        reporter.PrintRatio(std::string("StatusBars/") + count, baseline);
    }
    benchmark::Shutdown();
    return 0;
}
