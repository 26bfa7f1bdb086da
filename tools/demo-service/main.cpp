// The demo service: the rental service's and the vendor's hosts, answered on loopback, so that
// Plotvane can run against something real without reaching any real host. Reach it as the
// HTTP proxy (http_proxy=http://127.0.0.1:PORT) or directly.
#include "Catalog.h"
#include "Pages.h"
#include "Posters.h"
#include "Updates.h"

#include <QGuiApplication>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* Prefix = "(?:https?://[^/]+)?";
constexpr const char* BoxArtBase = "http://cdn-0.nflximg.com/us/boxshots/large/";

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

// The tracking feed's descriptions are shown as they come, so they carry plain characters.
std::string PlainText(std::string text) {
    const std::pair<std::string, std::string> references[] = {
        {"&#8212;", "\xE2\x80\x94"}, {"&#233;", "\xC3\xA9"}, {"&quot;", "\""}};
    for (const auto& [reference, plain] : references)
        for (std::size_t at; (at = text.find(reference)) != std::string::npos;)
            text.replace(at, reference.size(), plain);
    return text;
}

std::string MovieLink(const TDemoMovie& m) {
    return "http://www.netflix.com/MovieDisplay?movieid=" + m.Id + "&trkid=438";
}

std::string Channel(const std::string& title, const std::string& items) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n<title>" + Escape(title) +
           "</title>\n<link>http://www.netflix.com/</link>\n<description>" + Escape(title) +
           "</description>\n<language>en-us</language>\n<ttl>60</ttl>\n" + items + "</channel>\n</rss>\n";
}

std::string Item(const std::string& title, const std::string& link, const std::string& description) {
    return "<item>\n<title>" + Escape(title) + "</title>\n<link>" + Escape(link) +
           "</link>\n<guid isPermaLink=\"true\">" + Escape(link) + "</guid>\n<description>" + Escape(description) +
           "</description>\n</item>\n";
}

std::string QueueFeed(const TDemoState& state) {
    std::string items;
    for (std::size_t i = 0; i < state.Queue.size(); ++i) {
        const TDemoMovie& m = *state.Queue[i];
        items += Item(std::to_string(i + 1) + "- " + m.Title, MovieLink(m), "<p>" + m.Synopsis + "</p>");
    }
    return Channel("Netflix Queue for Demo Member", items);
}

std::string TrackingFeed(const TDemoState& state, long step) {
    std::string items;
    for (std::size_t i = 0; i < state.AtHome.size(); ++i) {
        const TDemoMovie& m = *state.AtHome[i];
        items += Item("Shipped: " + m.Title, MovieLink(m),
                      "<p>Shipped on 12/" + std::to_string(10 + (step + 20 - static_cast<long>(i)) % 18) + "/26.</p> " +
                          PlainText(m.Synopsis));
    }
    for (std::size_t i = 0; i < state.Returns.size(); ++i) {
        const TDemoMovie& m = *state.Returns[i];
        items += Item("Received: " + m.Title, MovieLink(m),
                      "Received on 12/" + std::to_string(10 + (step + 19 - static_cast<long>(i)) % 18) +
                          "/26. Go to your Queue to rate it.");
    }
    items += Item("Your rental activity", "http://www.netflix.com/RentalActivity", "Recent shipments and returns.");
    return Channel("Netflix Rental Activity for Demo Member", items);
}

const TDemoMovie* FindMovie(const std::string& id) {
    for (const TDemoMovie& m : DemoCatalog())
        if (m.Id == id || AlternateId(m.Id) == id)
            return &m;
    return nullptr;
}

class TPosterCache {
public:
    std::string Get(const std::string& key, const std::string& title) {
        std::lock_guard lock(m_mutex);
        auto it = m_posters.find(key);
        if (it == m_posters.end())
            it = m_posters.emplace(key, DrawPoster(title, key)).first;
        return it->second;
    }

private:
    std::mutex m_mutex;
    std::map<std::string, std::string> m_posters;
};

bool IsLoopback(const std::string& address) {
    return address == "::1" || address == "localhost" || address.rfind("127.", 0) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    std::string listen = "127.0.0.1";
    int port = 0;
    std::string portFile;
    long stepSeconds = 180;
    int feedDelayMs = 0;
    std::string rssPage = "member";
    std::string updateVariant = "same";
    int installerRate = 0; // kilobytes per second; 0: as fast as it goes
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--listen" && hasValue)
            listen = argv[++i];
        else if (arg == "--port" && hasValue)
            port = std::atoi(argv[++i]);
        else if (arg == "--port-file" && hasValue)
            portFile = argv[++i];
        else if (arg == "--step-seconds" && hasValue)
            stepSeconds = std::max(1L, std::atol(argv[++i]));
        else if (arg == "--feed-delay-ms" && hasValue)
            feedDelayMs = std::clamp(std::atoi(argv[++i]), 0, 60000);
        else if (arg == "--rss-page" && hasValue)
            rssPage = argv[++i];
        else if (arg == "--update" && hasValue)
            updateVariant = argv[++i];
        else if (arg == "--installer-rate" && hasValue)
            installerRate = std::clamp(std::atoi(argv[++i]), 0, 1000000);
        else {
            std::fprintf(stderr,
                         "usage: demo-service [--listen 127.0.0.1] [--port N] [--port-file F] [--step-seconds S] "
                         "[--feed-delay-ms MS] [--rss-page VARIANT] [--update same|newer|newer-stored|broken] "
                         "[--installer-rate KB_PER_SEC]\n");
            return 2;
        }
    }
    if (!IsLoopback(listen)) {
        std::fprintf(stderr, "demo-service: refusing to listen on %s: loopback addresses only\n", listen.c_str());
        return 2;
    }
    // Posters are drawn with Qt's painter; no display is involved.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    const auto started = std::chrono::steady_clock::now();
    std::atomic<long> extraSteps{0};
    const auto currentStep = [&] {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
        return elapsed.count() / stepSeconds + extraSteps.load();
    };
    TPosterCache posters;
    httplib::Server server;
    // As a web server does (nginx's default): a connection carries many requests, not five.
    server.set_keep_alive_max_count(1000);
    // And answers at once on a kept-alive connection, not after the client's delayed ACK.
    server.set_tcp_nodelay(true);
    std::mutex logMutex;
    server.set_logger([&](const httplib::Request& req, const httplib::Response& res) {
        std::lock_guard lock(logMutex);
        std::printf("%s %s -> %d (%zu bytes)\n", req.method.c_str(), req.target.c_str(), res.status, res.body.size());
        std::fflush(stdout);
    });

    // A slow line, on request: the feeds answer late, so the busy view can be seen.
    const auto slowLine = [feedDelayMs] { std::this_thread::sleep_for(std::chrono::milliseconds(feedDelayMs)); };
    server.Get(std::string(Prefix) + "/QueueRSS", [&](const httplib::Request&, httplib::Response& res) {
        slowLine();
        res.set_content(QueueFeed(StateAtStep(currentStep())), "text/xml; charset=UTF-8");
    });
    server.Get(std::string(Prefix) + "/TrackingRSS", [&](const httplib::Request&, httplib::Response& res) {
        slowLine();
        const long step = currentStep();
        res.set_content(TrackingFeed(StateAtStep(step), step), "text/xml; charset=UTF-8");
    });
    server.Get(std::string(Prefix) + R"(/us/boxshots/large/(\w+)\.jpg)",
               [&](const httplib::Request& req, httplib::Response& res) {
                   const std::string id = req.matches[1];
                   const TDemoMovie* movie = FindMovie(id);
                   if (!movie) {
                       res.status = 404;
                       res.set_content("<html><body>Not found</body></html>", "text/html");
                       return;
                   }
                   std::string jpeg = posters.Get(movie->Id, movie->Title);
                   if (id == movie->Id && movie->Kind == 1)
                       jpeg[3] = '\xE1'; // an Exif application marker where JFIF belongs
                   else if (id == movie->Id && movie->Kind == 2)
                       jpeg.resize(jpeg.size() / 3); // cut short
                   res.set_content(jpeg, "image/jpeg");
               });
    server.Get(std::string(Prefix) + "/MovieDisplay", [&](const httplib::Request& req, httplib::Response& res) {
        const TDemoMovie* movie = FindMovie(req.get_param_value("movieid"));
        if (!movie) {
            res.status = 404;
            res.set_content("<html><body>No such movie</body></html>", "text/html");
            return;
        }
        const std::string boxArt = movie->Kind == 0 ? movie->Id : AlternateId(movie->Id);
        res.set_content("<html><head><title>" + Escape(movie->Title) + "</title></head><body><h1>" +
                            Escape(movie->Title) + "</h1><img src=\"" + BoxArtBase + boxArt + ".jpg\" alt=\"\"><p>" +
                            movie->Synopsis + "</p></body></html>",
                        "text/html");
    });
    server.Get(std::string(Prefix) + "/Queue", [&](const httplib::Request&, httplib::Response& res) {
        std::vector<std::string> titles;
        for (const TDemoMovie* m : StateAtStep(currentStep()).Queue)
            titles.push_back(Escape(m->Title));
        res.set_content(demo::QueuePage(titles), "text/html; charset=UTF-8");
    });
    // The page the options dialog reads the feed code from, as it looks for the member now.
    std::mutex rssPageMutex;
    server.Get(std::string(Prefix) + "/RSSFeeds", [&](const httplib::Request&, httplib::Response& res) {
        std::lock_guard lock(rssPageMutex);
        res.set_content(demo::RssFeedsPage(rssPage), "text/html; charset=UTF-8");
    });
    server.Get(std::string(Prefix) + "/demo/rss-page", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string variant = req.get_param_value("variant");
        const auto& known = demo::RssPageVariants();
        if (std::find(known.begin(), known.end(), variant) == known.end()) {
            res.status = 400;
            std::string list;
            for (const std::string& v : known)
                list += v + "\n";
            res.set_content("variants:\n" + list, "text/plain");
            return;
        }
        std::lock_guard lock(rssPageMutex);
        rssPage = variant;
        res.set_content("rss page " + variant + "\n", "text/plain");
    });
    server.Get(std::string(Prefix) + "/adv.txt", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("Plotvane tip: rate the DVDs you send back, and the service suggests better ones.\r\n"
                        "http://www.plotvane.example/tips\r\n"
                        "http://www.plotvane.example/ad/tips.jpg\r\n",
                        "text/plain");
    });
    server.Get(std::string(Prefix) + "/ad/tips.jpg", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(posters.Get("ad", "Tips"), "image/jpeg");
    });
    // The update server: an answer for the version asked for, and the installer it names.
    std::mutex updateMutex;
    server.Get(std::string(Prefix) + "/cgi-bin/autoupdate/AutoUpdateSrv.dll/GetProjectInfo",
               [&](const httplib::Request&, httplib::Response& res) {
                   std::lock_guard lock(updateMutex);
                   res.set_content(demo::UpdateAnswerFor(updateVariant), "application/octet-stream");
               });
    const std::string installer = demo::InstallerScript();
    server.Get(std::string(Prefix) + "/files/plotvane-setup.sh", [&](const httplib::Request&, httplib::Response& res) {
        std::size_t rate = 0;
        {
            std::lock_guard lock(updateMutex);
            rate = static_cast<std::size_t>(installerRate) * 1024;
        }
        // Served with ranges (the server cuts them), slowly on request, so a download can be
        // interrupted and resumed.
        res.set_content_provider(installer.size(), "application/x-sh",
                                 [&installer, rate](size_t offset, size_t length, httplib::DataSink& sink) {
                                     const size_t n = rate ? std::min(length, rate / 10 + 1) : length;
                                     sink.write(installer.data() + offset, n);
                                     if (rate)
                                         std::this_thread::sleep_for(std::chrono::milliseconds(100));
                                     return true;
                                 });
    });
    server.Get(std::string(Prefix) + "/demo/update", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(updateMutex);
        if (req.has_param("variant"))
            updateVariant = req.get_param_value("variant");
        if (req.has_param("rate"))
            installerRate = std::clamp(std::atoi(req.get_param_value("rate").c_str()), 0, 1000000);
        res.set_content("update " + updateVariant + ", installer at " + std::to_string(installerRate) + " KB/s\n",
                        "text/plain");
    });
    server.Get(std::string(Prefix) + "/demo/advance", [&](const httplib::Request&, httplib::Response& res) {
        ++extraSteps;
        res.set_content("step " + std::to_string(currentStep()) + "\n", "text/plain");
    });
    server.Get(std::string(Prefix) + "/demo/state", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content("step " + std::to_string(currentStep()) + "\n", "text/plain");
    });

    const int bound =
        port > 0 ? (server.bind_to_port(listen.c_str(), port) ? port : -1) : server.bind_to_any_port(listen.c_str());
    if (bound <= 0) {
        std::fprintf(stderr, "demo-service: cannot listen on %s:%d\n", listen.c_str(), port);
        return 1;
    }
    if (!portFile.empty())
        std::ofstream(portFile) << bound << "\n";
    std::printf("demo-service listening on http://%s:%d (use it as http_proxy)\n", listen.c_str(), bound);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
