// The queue box with 1,000 cards, each given its cached box art as the picture queue would: how
// long it takes to build, what it costs in resident memory, and how long a frame takes while the
// member scrolls through it.
#include "core/feeds/BoxArt.h"
#include "core/settings/OptionsUnit.h"
#include "ui/CardBox.h"
#include "ui/Main.h"

#include "support/FakeTrayShell.h"
#include "support/JpegMaker.h"
#include "support/TempProfile.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <fstream>
#include <string>

namespace {

void BM_BuildQueueCards(benchmark::State& state) {
    TTempProfile profile;
    SetDefaultConfig();
    const std::string picture = profile.Path("box.jpg");
    WriteFile(picture, MakeJpeg(110, 154));
    TFakeTrayShell shell;
    TfMain main(nullptr, &shell);
    const std::string description = "A synopsis long enough to wrap over two or three lines of the card, as most do.";
    for (auto _ : state) {
        main.BeginList(TListBox::Queue);
        for (int i = 1; i <= 1000; ++i) {
            const auto target = main.AddCard({TCardKind::Queue, "A film called number " + std::to_string(i),
                                              description, "http://x/", std::to_string(i)});
            target->LoadFromFile(picture);
        }
        main.EndList(TListBox::Queue);
        state.PauseTiming();
        main.ClearList(TListBox::Queue);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildQueueCards)->Unit(benchmark::kMillisecond)->UseRealTime();

// The process's resident memory now, from /proc.
double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// 1,000 queue cards with their pictures in a box of the window's size, shown.
struct TThousandCards {
    TTempProfile profile;
    TCardBox box{TListBox::Queue, nullptr};

    TThousandCards() {
        SetDefaultConfig();
        const std::string description =
            "A synopsis long enough to wrap over two or three lines of the card, as most do.";
        box.resize(440, 480);
        box.show();
        box.Begin(box.viewport()->width());
        for (int i = 1; i <= 1000; ++i) {
            // A picture of its own for every card, as a real queue has.
            const std::string picture = profile.Path(std::to_string(i) + ".jpg");
            WriteFile(picture, MakeJpeg(110, 154, i));
            box.Add({TCardKind::Queue, "A film called number " + std::to_string(i), description, "http://x/",
                     std::to_string(i)})
                ->LoadFromFile(picture);
        }
        box.End();
        QCoreApplication::processEvents();
    }
};

// What 1,000 cards with their pictures add to the process, and what it holds then in all.
void BM_ThousandCardsResident(benchmark::State& state) {
    double added = 0;
    double total = 0;
    for (auto _ : state) {
        const double before = ResidentMiB();
        TThousandCards cards;
        total = ResidentMiB();
        added = total - before;
    }
    state.counters["added_MiB"] = added;
    state.counters["resident_MiB"] = total;
}
BENCHMARK(BM_ThousandCardsResident)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// One frame while scrolling: the box moves by three lines and its viewport is drawn, as the
// screen would show it; through the whole list and back.
void BM_ScrollFrame(benchmark::State& state) {
    TThousandCards cards;
    QScrollBar* bar = cards.box.verticalScrollBar();
    QImage frame(cards.box.viewport()->size(), QImage::Format_RGB32);
    int step = 3 * cards.box.LineStep();
    for (auto _ : state) {
        if (bar->value() + step > bar->maximum() || bar->value() + step < 0)
            step = -step;
        bar->setValue(bar->value() + step);
        QPainter painter(&frame);
        cards.box.viewport()->render(&painter);
    }
}
BENCHMARK(BM_ScrollFrame)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
