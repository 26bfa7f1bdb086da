// Download-queue and web-fetch throughput on loopback, beside a plain libcurl loop.
#include "core/net/DownloadQueue.h"
#include "core/net/WebFetch.h"

#include "DelayRelay.h"

#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>

#include <atomic>
#include <fstream>

namespace {

constexpr int SmallDownloads = 200;
// A picture run as a member's queue makes it: the demo queue's 40, and a queue of 1,000.
constexpr int QueuePictures = 40;
constexpr int ManyPictures = 1000;
constexpr std::chrono::milliseconds RoundTrip{50};
constexpr std::size_t BigSize = 10'000'000;

std::atomic<std::size_t> g_bigSent{0};

struct TBenchEnv {
    TTempProfile profile;
    TLoopbackServer server;
    std::string cached = profile.Path("cached/");
    std::string onDisk = profile.Path("fresh/");
    // A memory file system takes the disk's cost of creating files out of the comparison.
    QTemporaryDir memoryDir{QDir(QStringLiteral("/dev/shm")).exists()
                                ? QStringLiteral("/dev/shm/pvbench-XXXXXX")
                                : QString::fromStdString(profile.Path("m-XXXXXX"))};
    std::string inMemory = memoryDir.path().toStdString() + "/";

    TBenchEnv() {
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        QDir().mkpath(QString::fromStdString(cached));
        QDir().mkpath(QString::fromStdString(onDisk));
        for (int i = 0; i < 1000; ++i)
            WriteFile(cached + std::to_string(i) + ".jpg", "cached box art");
        const std::string small(2048, 'p');
        server.Get("/small.jpg",
                   [small](const httplib::Request&, httplib::Response& res) { res.set_content(small, "image/jpeg"); });
        server.Get("/big.bin", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(BigSize, "application/octet-stream",
                                     [](size_t offset, size_t length, httplib::DataSink& sink) {
                                         const std::string chunk(std::min<std::size_t>(length, 65536), 'b');
                                         if (!sink.write(chunk.data(), chunk.size()))
                                             return false;
                                         g_bigSent = offset + chunk.size();
                                         return true;
                                     });
        });
    }
};

TBenchEnv& Env() {
    static TBenchEnv env;
    return env;
}

std::string SmallUrl(int i) {
    return "http://cdn-0.nflximg.com/small.jpg?n=" + std::to_string(i);
}

// Starts a queue and runs the event loop until its end-of-run notification.
void RunQueue(TDownloadQueue* queue) {
    QEventLoop loop;
    queue->FreeOnTerminate = true;
    queue->OnTerminate = [&loop](TDownloadQueue*) { loop.quit(); };
    queue->Start();
    loop.exec();
}

void BM_QueueOfCachedItems(benchmark::State& state) {
    TBenchEnv& env = Env();
    int done = 0;
    for (auto _ : state) {
        auto* queue = new TDownloadQueue;
        queue->SetFolder(env.cached);
        queue->SetOnItemDone(
            [&done](TDownloadQueue*, const std::string&, void*, bool ok, const std::string&) { done += ok; });
        for (int i = 0; i < 1000; ++i)
            queue->Add("http://cdn-0.nflximg.com/" + std::to_string(i) + ".jpg", std::to_string(i) + ".jpg", false,
                       nullptr);
        RunQueue(queue);
    }
    if (done != 1000 * static_cast<int>(state.iterations()))
        state.SkipWithError("not every cached item was reported");
}
BENCHMARK(BM_QueueOfCachedItems)->Unit(benchmark::kMillisecond)->UseRealTime();

// The queue fetching count small pictures into a folder, as a list's box art arrives.
void QueueDownloads(benchmark::State& state, const std::string& folder, int count = SmallDownloads) {
    for (auto _ : state) {
        state.PauseTiming();
        QDir(QString::fromStdString(folder)).removeRecursively();
        QDir().mkpath(QString::fromStdString(folder));
        auto* queue = new TDownloadQueue;
        queue->SetFolder(folder);
        queue->SetOnItemDone([](TDownloadQueue*, const std::string&, void*, bool, const std::string&) {});
        for (int i = 0; i < count; ++i)
            queue->Add(SmallUrl(i), std::to_string(i) + ".jpg", false, nullptr);
        state.ResumeTiming();
        RunQueue(queue);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_QueueDownloadsToMemory(benchmark::State& state) {
    QueueDownloads(state, Env().inMemory);
}
BENCHMARK(BM_QueueDownloadsToMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QueueDownloadsToDisk(benchmark::State& state) {
    QueueDownloads(state, Env().onDisk);
}
BENCHMARK(BM_QueueDownloadsToDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// The same requests one after another with nothing but libcurl: a new handle each, as the
// queue makes; with a folder, each body is written to a file there as well.
void PlainCurlLoop(benchmark::State& state, const std::string& folder) {
    Env();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    for (auto _ : state) {
        if (!folder.empty()) {
            state.PauseTiming();
            QDir(QString::fromStdString(folder)).removeRecursively();
            QDir().mkpath(QString::fromStdString(folder));
            state.ResumeTiming();
        }
        for (int i = 0; i < SmallDownloads; ++i) {
            std::string body;
            CURL* c = curl_easy_init();
            const std::string url = SmallUrl(i);
            curl_easy_setopt(c, CURLOPT_URL, url.c_str());
            curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
            curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
            curl_easy_perform(c);
            curl_easy_cleanup(c);
            if (!folder.empty())
                std::ofstream(folder + std::to_string(i) + ".jpg", std::ios::binary) << body;
            benchmark::DoNotOptimize(body);
        }
    }
    state.SetItemsProcessed(state.iterations() * SmallDownloads);
}

void BM_PlainCurlLoop(benchmark::State& state) {
    PlainCurlLoop(state, {});
}
BENCHMARK(BM_PlainCurlLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainCurlLoopWritingToDisk(benchmark::State& state) {
    PlainCurlLoop(state, Env().onDisk);
}
BENCHMARK(BM_PlainCurlLoopWritingToDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

// The fetch alone, without the queue around it: tells the queue's own cost apart.
void BM_DownloadToStreamLoop(benchmark::State& state) {
    Env();
    for (auto _ : state) {
        for (int i = 0; i < SmallDownloads; ++i) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            DownloadToStream(SmallUrl(i), buffer);
            benchmark::DoNotOptimize(bytes);
        }
    }
    state.SetItemsProcessed(state.iterations() * SmallDownloads);
}
BENCHMARK(BM_DownloadToStreamLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

// The many pictures fetched as the queue's worker fetches them, with nothing of the queue
// around: the fetch's own cost beside the reused handle's.
void BM_DownloadToStreamReused(benchmark::State& state) {
    Env();
    for (auto _ : state) {
        const webfetch::TConnectionReuse oneConnection;
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadWrite);
        for (int i = 0; i < ManyPictures; ++i) {
            DownloadToStream(SmallUrl(i), buffer);
            benchmark::DoNotOptimize(bytes);
            bytes.clear();
            buffer.seek(0);
        }
    }
    state.SetItemsProcessed(state.iterations() * ManyPictures);
}
BENCHMARK(BM_DownloadToStreamReused)->Unit(benchmark::kMillisecond)->UseRealTime();

// What every request pays to know the network is up, for a member without a proxy (the other
// benchmarks name one, which answers at once). On a machine with no interface up but loopback
// the answer is "no", which is never kept: then every call lists the interfaces.
void BM_NetworkCheckWithoutProxy(benchmark::State& state) {
    Env().profile.SetEnv("http_proxy", "");
    for (auto _ : state)
        benchmark::DoNotOptimize(IsInternetConnected());
    Env().profile.SetEnv("http_proxy", Env().server.Url(""));
}
BENCHMARK(BM_NetworkCheckWithoutProxy)->Unit(benchmark::kMicrosecond);

// The floor of a picture run: one libcurl handle, reused, fetching the same pictures one after
// another over one kept-alive connection, bodies collected in memory.
void ReusedHandleLoop(benchmark::State& state, int count) {
    Env();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    for (auto _ : state) {
        CURL* c = curl_easy_init();
        for (int i = 0; i < count; ++i) {
            std::string body;
            const std::string url = SmallUrl(i);
            curl_easy_setopt(c, CURLOPT_URL, url.c_str());
            curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
            curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
            curl_easy_perform(c);
            benchmark::DoNotOptimize(body);
        }
        curl_easy_cleanup(c);
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_ReusedHandleManyPictures(benchmark::State& state) {
    ReusedHandleLoop(state, ManyPictures);
}
BENCHMARK(BM_ReusedHandleManyPictures)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QueueManyPictures(benchmark::State& state) {
    QueueDownloads(state, Env().inMemory + "run/", ManyPictures);
}
BENCHMARK(BM_QueueManyPictures)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same 40 pictures over a network with a 50 ms round trip (see DelayRelay.h): every new
// connection and every request pays it.
struct TOverLatency {
    TDelayRelay relay{Env().server.Port(), RoundTrip};
    TOverLatency() { Env().profile.SetEnv("http_proxy", "http://127.0.0.1:" + std::to_string(relay.Port())); }
    ~TOverLatency() { Env().profile.SetEnv("http_proxy", Env().server.Url("")); }
};

void BM_ReusedHandleOverLatency(benchmark::State& state) {
    TOverLatency latency;
    ReusedHandleLoop(state, QueuePictures);
    state.counters["connections"] = latency.relay.Connections() / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReusedHandleOverLatency)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_QueueOverLatency(benchmark::State& state) {
    TOverLatency latency;
    QueueDownloads(state, Env().inMemory + "run/", QueuePictures);
    state.counters["connections"] = latency.relay.Connections() / static_cast<double>(state.iterations());
}
BENCHMARK(BM_QueueOverLatency)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SizeQueryOfLargeFile(benchmark::State& state) {
    Env();
    std::int64_t bytes = 0;
    for (auto _ : state) {
        if (GetRemoteFileSize("http://update.plotvane.example/big.bin") != static_cast<std::int32_t>(BigSize))
            state.SkipWithError("wrong length");
        bytes = webfetch::LastSizeQueryBytes();
    }
    state.counters["bytes_received"] = static_cast<double>(bytes);
    state.counters["server_bytes_sent"] = static_cast<double>(g_bigSent.load());
}
BENCHMARK(BM_SizeQueryOfLargeFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
