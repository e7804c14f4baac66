// The field grid with 10 text fields of 10,000 values: FillGrid, and one full rendering of a 600 × 400 grid,
// against a QTableWidget filled with the same texts and rendered at the same size, in the same run. Prints the
// ratios of CPU time.
#include "bench/ratioreporter.h"
#include "classlib/base/ansistring.h"
#include "controls/extstringgrid.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QTableWidget>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

constexpr int kFields = 10;
constexpr int kRows = 10'000;
const QSize kSize(600, 400);

std::string CellText(int field, int row)
{
    return "value " + std::to_string(row) + "." + std::to_string(field);
}

QList<AnsiString> Description()
{
    QList<AnsiString> lines;
    for (int field = 0; field < kFields; ++field)
        lines.append(AnsiString("1|f" + std::to_string(field) + "|Field " + std::to_string(field) +
                                "|90|0|AnsiString||left|#FFFFFF|Tahoma|10|#000000|0000"));
    return lines;
}

TExtStringGrid& FilledGrid()
{
    static TExtStringGrid* grid = [] {
        auto* made = new TExtStringGrid;
        made->resize(kSize);
        made->fSetFields(Description());
        for (std::uint32_t field = 0; field < kFields; ++field)
            for (int row = 0; row < kRows; ++row)
                made->AddValue(field, Variant(AnsiString(CellText(int(field), row))));
        made->FillGrid();
        return made;
    }();
    return *grid;
}

void FillTable(QTableWidget& table)
{
    table.setColumnCount(kFields);
    table.setRowCount(kRows);
    for (int field = 0; field < kFields; ++field)
        for (int row = 0; row < kRows; ++row)
            table.setItem(row, field, new QTableWidgetItem(QString::fromStdString(CellText(field, row))));
}

QTableWidget& FilledTable()
{
    static QTableWidget* table = [] {
        auto* made = new QTableWidget;
        made->resize(kSize);
        FillTable(*made);
        return made;
    }();
    return *table;
}

void FillGrid(benchmark::State& state)
{
    TExtStringGrid& grid = FilledGrid();
    for (auto _ : state)
        grid.FillGrid();
}
BENCHMARK(FillGrid)->Unit(benchmark::kMillisecond);

void FillTableWidget(benchmark::State& state)
{
    QTableWidget table;
    table.resize(kSize);
    for (auto _ : state)
        FillTable(table);
}
BENCHMARK(FillTableWidget)->Unit(benchmark::kMillisecond);

void RenderGrid(benchmark::State& state)
{
    TExtStringGrid& grid = FilledGrid();
    QImage image(kSize, QImage::Format_RGB32);
    for (auto _ : state) {
        grid.render(&image);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(RenderGrid)->Unit(benchmark::kMillisecond);

void RenderTableWidget(benchmark::State& state)
{
    QTableWidget& table = FilledTable();
    QImage image(kSize, QImage::Format_RGB32);
    for (auto _ : state) {
        table.render(&image);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(RenderTableWidget)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("FillGrid", "FillTableWidget");
    reporter.PrintRatio("RenderGrid", "RenderTableWidget");
    benchmark::Shutdown();
    return 0;
}
