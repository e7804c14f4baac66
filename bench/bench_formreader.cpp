// Reading a window description that holds every picture of the program in PNG image lists, against decoding
// the same PNG files with QImage::loadFromData, in the same run; prints the ratio of CPU times.
#include "bench/ratioreporter.h"
#include "classlib/forms/classregistry.h"
#include "classlib/forms/formreader.h"
#include "png/pngimagelist.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<QByteArray> Pictures()
{
    const QDir folder(QStringLiteral(ZENTOR_SOURCE_DIR "/app/pictures"));
    std::vector<QByteArray> files;
    for (const QString& name : folder.entryList({"*.png"}, QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.push_back(file.readAll());
    }
    return files;
}

// One image list per picture, sized like it, as the program's window keeps its pictures.
std::string Description(const std::vector<QByteArray>& pictures)
{
    std::string text = "object Form: TForm\n";
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        QImage image;
        image.loadFromData(pictures[i], "PNG");
        const std::string hex = pictures[i].toHex().toUpper().toStdString();
        text += "  object PIL_" + std::to_string(i) + ": TPngImageList\n";
        text += "    Width = " + std::to_string(image.width()) + "\n";
        text += "    Height = " + std::to_string(image.height()) + "\n";
        text += "    PngImages = <\n      item\n        PngImage.Data = {";
        for (std::size_t at = 0; at < hex.size(); at += 64)
            text += "\n          " + hex.substr(at, 64);
        text += "}\n        Name = 'PngImage0'\n      end>\n  end\n";
    }
    return text + "end\n";
}

void ReadDescription(benchmark::State& state)
{
    const std::vector<QByteArray> pictures = Pictures();
    if (pictures.empty())
        state.SkipWithError("no pictures in app/pictures");
    const std::string text = Description(pictures);
    for (auto _ : state) {
        QWidget form;
        TFormReader::Read(&form, text);
        benchmark::DoNotOptimize(form.children().size());
    }
}
BENCHMARK(ReadDescription);

void DecodeFiles(benchmark::State& state)
{
    const std::vector<QByteArray> pictures = Pictures();
    for (auto _ : state)
        for (const QByteArray& bytes : pictures) {
            QImage image;
            image.loadFromData(bytes, "PNG");
            benchmark::DoNotOptimize(image.constBits());
        }
}
BENCHMARK(DecodeFiles);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    RegisterClass<QWidget>("TForm");
    RegisterClass<TPngImageList>("TPngImageList");
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("ReadDescription", "DecodeFiles");
    benchmark::Shutdown();
    return 0;
}
