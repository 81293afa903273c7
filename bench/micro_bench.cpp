// The load's parts one by one, on generated random-walk files: the reading
// as the forms run it, and the series cut, drawn and painted as in the
// chart box.
#include "bench/chart_generator.h"

#include "chartdata/series_points.h"
#include "chartview/chart_series.h"
#include "runtime/drawing/twips.h"
#include "runtime/forms/canvas.h"
#include "runtime/text/sequential_file.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>

namespace {

// The chart box on the window, in pixels.
constexpr int boxWidth = 497;
constexpr int boxHeight = 321;

namespace fs = std::filesystem;

// The reader opens names in the current directory, so the files live in a
// temporary folder made current for the run and removed at its end.
class Workspace {
public:
    Workspace()
    {
        char folder[] = "/tmp/chartviewer-bench-XXXXXX";
        if (!mkdtemp(folder))
            throw std::runtime_error("cannot create a temporary folder");
        folder_ = folder;
        previous_ = fs::current_path();
        fs::current_path(folder_);
    }
    ~Workspace()
    {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(folder_, ignored);
    }
    const fs::path& folder() const { return folder_; }

private:
    fs::path folder_;
    fs::path previous_;
};

Workspace& workspace()
{
    static Workspace instance;
    return instance;
}

std::string fileFor(std::int64_t n)
{
    static std::map<std::int64_t, std::string> files;
    workspace();
    auto [it, added] = files.try_emplace(n, "chart_" + std::to_string(n) + ".dat");
    if (added)
        bench::writeChartFile(it->second, n);
    return it->second;
}

// A canvas wants an application object; made once, on the offscreen
// platform, and left to the process's end.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "micro_bench";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance())
        return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Spares Qt's warning about a missing runtime folder.
    setenv("XDG_RUNTIME_DIR", workspace().folder().c_str(), 0);
    new QApplication(argc, argv);
}

// The chart box's plot area, in twips.
constexpr PlotPlacement area{0, 0, boxWidth * runtime::twipsPerPixel, boxHeight * runtime::twipsPerPixel};

// The series as the forms read it, scaled and cut while read.
ChartSeries readSeries(const std::string& name)
{
    runtime::SequentialFile file(name);
    chartdata::ChartData data;
    ChartSeries series = readSeriesCutting(file, data, area, {});
    series.scale = chartdata::seriesScale(series.points, data);
    return series;
}

// As the program reads.
void ReadChart(benchmark::State& state)
{
    const std::string name = fileFor(state.range(0));
    const auto bytes = static_cast<std::int64_t>(fs::file_size(name));
    for (auto _ : state)
        benchmark::DoNotOptimize(readSeries(name));
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(ReadChart)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The kept points cut for the box and drawn on it, as the load does.
void DrawSeries(benchmark::State& state)
{
    ensureApplication();
    ChartSeries series = readSeries(fileFor(state.range(0)));
    for (auto _ : state) {
        runtime::Canvas canvas(nullptr, runtime::Colour::fromRgb(0x008080));
        canvas.setPersistentDrawing(true);
        drawSeries(canvas, area, series);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(DrawSeries)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// Painting the drawn series, as the first paint of the window does.
void PaintSeries(benchmark::State& state)
{
    ensureApplication();
    ChartSeries series = readSeries(fileFor(state.range(0)));
    runtime::Canvas canvas(nullptr, runtime::Colour::fromRgb(0x008080));
    canvas.resize(boxWidth, boxHeight);
    canvas.setPersistentDrawing(true);
    drawSeries(canvas, area, series);
    QImage pixels(boxWidth, boxHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&pixels);
        canvas.paintContent(painter);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(PaintSeries)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
