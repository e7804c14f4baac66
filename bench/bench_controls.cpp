// One full repaint of each custom control of the main window, set up from the window's own description
// (sizes, fonts, pictures, colours), rendered into a QImage on the offscreen platform. Each is measured
// against two baselines of the same size in the same run: QPainter::drawImage of an opaque image, and
// render() of a plain widget that only fills its rectangle. Prints the ratios of CPU times, counted over
// the whole process, since Qt's raster engine fills large areas on pool threads.
#include "bench/ratioreporter.h"
#include "app/formclasses.h"
#include "classlib/widgets/form.h"
#include "classlib/forms/formreader.h"
#include "controls/comboboxpng.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

namespace {

// The controls measured: the three buttons (the write button is disabled at start), the erase-mode panel
// without its children, its two labels and the port combo box with one USB port.
const char* const kControls[] = {"BTN_Quit", "BTN_OptionsRead", "BTN_OptionsSave", "CHG_OptionsErase",
                                 "SL_1",     "SL_2",            "CB_ComPorts"};

void RegisterWindowFonts()
{
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"}) {
        const QString path = QString("/usr/share/wine/fonts/") + file;
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

// The main window's description for a plain form: without its event bindings, which would need the
// window's handlers.
std::string DescriptionForPlainForm()
{
    QFile file(":/forms/main_form.zfm");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.remove(QRegularExpression("^ *On[A-Za-z]+ = \\w+\\n", QRegularExpression::MultilineOption));
    text.replace(QRegularExpression("^object (\\w+): TMainForm"), "object \\1: TForm");
    return text.toStdString();
}

// The window, made in main after the application object and destroyed before it.
TForm* window = nullptr;

TForm& Window()
{
    return *window;
}

void LoadWindow()
{
    RegisterWindowFonts();
    RegisterFormClasses();
    TFormReader::Read(&Window(), DescriptionForPlainForm());
    auto* ports = Window().findChild<TComboBoxPng*>("CB_ComPorts");
    ports->fSetListIndexesPng({"1"});
    ports->addItems({"3"});
    ports->setCurrentIndex(0);
    Window().grab(); // lays the window out as showing it would
}

QImage Surface(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

void RenderControl(benchmark::State& state, const char* name)
{
    auto* control = Window().findChild<QWidget*>(name);
    if (!control) {
        state.SkipWithError("control not in the window description");
        return;
    }
    QImage surface = Surface(control->size());
    for (auto _ : state) {
        control->render(&surface, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        benchmark::ClobberMemory();
    }
}

void DrawImageOfSize(benchmark::State& state, QSize size)
{
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor(200, 210, 220));
    QImage surface = Surface(size);
    QPainter painter(&surface);
    for (auto _ : state) {
        painter.drawImage(QPoint(0, 0), picture);
        benchmark::ClobberMemory();
    }
}

class FilledWidget : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(200, 210, 220)); }
};

void RenderFilledWidget(benchmark::State& state, QSize size)
{
    FilledWidget widget;
    widget.resize(size);
    QImage surface = Surface(size);
    for (auto _ : state) {
        widget.render(&surface, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        benchmark::ClobberMemory();
    }
}

std::string SizeName(QSize size)
{
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

// Each control, and the two baselines once for each size.
void RegisterBenchmarks()
{
    std::set<std::string> sizes;
    for (const char* name : kControls) {
        benchmark::RegisterBenchmark(name, RenderControl, name)->MeasureProcessCPUTime();
        const QWidget* control = Window().findChild<QWidget*>(name);
        if (!control || !sizes.insert(SizeName(control->size())).second)
            continue;
        const QSize size = control->size();
        benchmark::RegisterBenchmark(("DrawImage/" + SizeName(size)).c_str(), DrawImageOfSize, size)
            ->MeasureProcessCPUTime();
        benchmark::RegisterBenchmark(("FilledWidget/" + SizeName(size)).c_str(), RenderFilledWidget, size)
            ->MeasureProcessCPUTime();
    }
}

// The ratios of each control's repaint against drawing an image and filling a widget of its size.
void PrintRatios(const RatioReporter& reporter)
{
    for (const char* name : kControls) {
        const QWidget* control = Window().findChild<QWidget*>(name);
        if (!control || !reporter.Has(name))
            continue;
        const std::string size = SizeName(control->size());
        std::printf("%-16s %-8s CPU time / DrawImage = %6.2f, / FilledWidget = %6.2f\n", name, size.c_str(),
                    reporter.Ratio(name, "DrawImage/" + size), reporter.Ratio(name, "FilledWidget/" + size));
    }
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    TForm form;
    window = &form;
    LoadWindow();
    benchmark::Initialize(&argc, argv);
    RegisterBenchmarks();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
