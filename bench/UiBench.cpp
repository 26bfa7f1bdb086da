// Building the queue box: 1,000 cards, each given its cached box art as the picture queue would.
#include "core/feeds/BoxArt.h"
#include "core/settings/OptionsUnit.h"
#include "ui/Main.h"

#include "support/FakeTrayShell.h"
#include "support/JpegMaker.h"
#include "support/TempProfile.h"

#include <benchmark/benchmark.h>

#include <QApplication>

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

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
