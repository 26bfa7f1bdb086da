#include "platform/BrowserCookies.h"
#include "core/net/BSCB.h"
#include "core/net/IEDownload.h"
#include "core/net/WebFetch.h"

#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

constexpr const char* FirefoxSchema =
    "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT, "
    "value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER, isSecure INTEGER, "
    "isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0, rawSameSite INTEGER DEFAULT "
    "0, schemeMap INTEGER DEFAULT 0)";

// A cookie database as Firefox keeps it, held open by the test as Firefox holds its own.
class TCookieDb {
public:
    TCookieDb(const std::string& path, const char* schema = FirefoxSchema, bool wal = false) {
        QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
        EXPECT_EQ(sqlite3_open(path.c_str(), &m_db), SQLITE_OK);
        if (wal)
            Exec("PRAGMA journal_mode=WAL");
        Exec(schema);
    }
    ~TCookieDb() { sqlite3_close(m_db); }

    void Exec(const std::string& sql) {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
    }
    void Add(const std::string& name, const std::string& value, const std::string& host, const std::string& path,
             qint64 expiry, bool secure = false, const std::string& origin = {}) {
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(m_db,
                                     "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, "
                                     "creationTime, isSecure) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                                     -1, &st, nullptr),
                  SQLITE_OK);
        sqlite3_bind_text(st, 1, origin.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, value.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, host.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, path.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 6, expiry);
        sqlite3_bind_int64(st, 7, ++m_created);
        sqlite3_bind_int(st, 8, secure ? 1 : 0);
        EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
    }

private:
    sqlite3* m_db = nullptr;
    qint64 m_created = 1000;
};

class BrowserCookiesTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TLoopbackServer server;
    const qint64 later = QDateTime::currentSecsSinceEpoch() + 86400;
    const qint64 earlier = QDateTime::currentSecsSinceEpoch() - 60;

    void SetUp() override {
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        server.Get("/RSSFeeds", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html>feeds</html>", "text/html");
        });
    }

    std::string ProfileFolder(const std::string& name = "abcd1234.default-esr") {
        return profile.Path(".mozilla/firefox/" + name);
    }
    void WriteProfilesIni(const std::string& text) { WriteFile(profile.Path(".mozilla/firefox/profiles.ini"), text); }
    void StandardProfile() {
        WriteProfilesIni("[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default-esr\nIsRelative=1\n"
                         "Path=abcd1234.default-esr\nDefault=1\n");
        WriteFile(ProfileFolder() + "/prefs.js", "");
    }

    // What the service receives with the feed-code page.
    std::string CookieSent() {
        QByteArray bytes;
        QBuffer stream(&bytes);
        stream.open(QIODevice::WriteOnly);
        EXPECT_TRUE(DownloadToStream("http://www.netflix.com/RSSFeeds?lnkctr=mfRSS", stream));
        EXPECT_EQ(bytes, "<html>feeds</html>");
        const auto requests = server.Requests();
        if (requests.empty())
            return "(no request)";
        const auto& headers = requests.back().Headers;
        const auto found = headers.find("Cookie");
        return found == headers.end() ? std::string() : found->second;
    }
};

TEST_F(BrowserCookiesTest, TheServicesCookiesReachTheService) {
    StandardProfile();
    TCookieDb db(ProfileFolder() + "/cookies.sqlite");
    db.Add("session", "s1", ".netflix.com", "/", later);
    db.Add("host", "h1", "www.netflix.com", "/", later);
    db.Add("deep", "d1", "www.netflix.com", "/RSSFeeds", later);
    db.Add("future_ms", "m1", ".netflix.com", "/", later * 1000);
    // Each of these must stay behind.
    db.Add("bare", "x", "netflix.com", "/", later);          // host-only for another host
    db.Add("rss", "x", ".rss.netflix.com", "/", later);      // a sibling's domain
    db.Add("tail", "x", ".flix.com", "/", later);            // a suffix that is no domain
    db.Add("other", "x", "www.example.com", "/", later);     // another site
    db.Add("prefix", "x", "www.netflix.com", "/RSS", later); // "/RSS" is no folder of "/RSSFeeds"
    db.Add("longer", "x", "www.netflix.com", "/RSSFeeds/x", later);
    db.Add("secure", "x", ".netflix.com", "/", later, true); // only over https
    db.Add("expired", "x", ".netflix.com", "/", earlier);
    db.Add("container", "x", ".netflix.com", "/", later, false, "^userContextId=2");
    db.Add("inject", "x\r\nX-Evil: 1", ".netflix.com", "/", later);
    db.Add("semi", "a;b", ".netflix.com", "/", later);

    EXPECT_EQ(CookieSent(), "deep=d1; session=s1; host=h1; future_ms=m1");
    EXPECT_EQ(platform::BrowserCookieHeader("https://www.netflix.com/"), "session=s1; host=h1; future_ms=m1; secure=x");
    EXPECT_EQ(platform::BrowserCookieHeader("http://netflix.com/"), "session=s1; future_ms=m1; bare=x");
    EXPECT_EQ(platform::BrowserCookieHeader("not a url"), "");
}

TEST_F(BrowserCookiesTest, ALogInStillInTheWriteAheadLogIsSeen) {
    StandardProfile();
    TCookieDb db(ProfileFolder() + "/cookies.sqlite", FirefoxSchema, true);
    db.Add("before", "1", ".netflix.com", "/", later);
    EXPECT_EQ(CookieSent(), "before=1");
    // Firefox writes a fresh log-in to the log first; the database file itself may not change.
    db.Add("login", "2", ".netflix.com", "/", later);
    EXPECT_EQ(CookieSent(), "before=1; login=2");
}

TEST_F(BrowserCookiesTest, TheProfileTheInstalledFirefoxOpensWins) {
    WriteProfilesIni("[Profile1]\nName=old\nIsRelative=1\nPath=old.default\nDefault=1\n\n"
                     "[Profile0]\nName=default-release\nIsRelative=1\nPath=new.default-release\n\n"
                     "[Install4F96D1932A9F858E]\nDefault=new.default-release\nLocked=1\n");
    TCookieDb oldDb(ProfileFolder("old.default") + "/cookies.sqlite");
    oldDb.Add("who", "old", ".netflix.com", "/", later);
    TCookieDb newDb(ProfileFolder("new.default-release") + "/cookies.sqlite");
    newDb.Add("who", "new", ".netflix.com", "/", later);
    EXPECT_EQ(platform::FirefoxProfileFolder(), ProfileFolder("new.default-release"));
    EXPECT_EQ(CookieSent(), "who=new");

    // Without an install section, the profile marked as default.
    WriteProfilesIni("[Profile0]\nName=default-release\nIsRelative=1\nPath=new.default-release\n\n"
                     "[Profile1]\nName=old\nIsRelative=0\nPath=" +
                     ProfileFolder("old.default") + "\nDefault=1\n");
    EXPECT_EQ(CookieSent(), "who=old");
}

TEST_F(BrowserCookiesTest, AnOlderSchemaWithoutContainersIsRead) {
    StandardProfile();
    TCookieDb db(ProfileFolder() + "/cookies.sqlite",
                 "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, name TEXT, value TEXT, host TEXT, path TEXT, "
                 "expiry INTEGER, creationTime INTEGER, isSecure INTEGER)");
    db.Exec("INSERT INTO moz_cookies (name, value, host, path, expiry, creationTime, isSecure) VALUES ('old', 'v', "
            "'.netflix.com', '/', " +
            std::to_string(later) + ", 1, 0)");
    EXPECT_EQ(CookieSent(), "old=v");
}

TEST_F(BrowserCookiesTest, NoProfileOrABadDatabaseMeansNoCookiesAndNoFailure) {
    // No Firefox at all.
    EXPECT_EQ(CookieSent(), "");
    // A profile without a cookie database.
    StandardProfile();
    EXPECT_EQ(CookieSent(), "");
    // A database that is not one.
    WriteFile(ProfileFolder() + "/cookies.sqlite", std::string(4096, '\x5a'));
    EXPECT_EQ(CookieSent(), "");
    // A database with some other table.
    std::remove((ProfileFolder() + "/cookies.sqlite").c_str());
    { TCookieDb other(ProfileFolder() + "/cookies.sqlite", "CREATE TABLE t (x)"); }
    EXPECT_EQ(CookieSent(), "");
    // A damaged profiles.ini.
    WriteProfilesIni(std::string("\0\xff[Profile0\nPath=\n=\n[", 19));
    EXPECT_EQ(CookieSent(), "");
}

TEST_F(BrowserCookiesTest, ADatabaseLockedByTheBrowserIsStillRead) {
    StandardProfile();
    TCookieDb db(ProfileFolder() + "/cookies.sqlite");
    db.Add("session", "s1", ".netflix.com", "/", later);
    // Firefox holds an exclusive lock on its database while it runs.
    db.Exec("PRAGMA locking_mode=EXCLUSIVE");
    db.Exec("BEGIN EXCLUSIVE");
    EXPECT_EQ(CookieSent(), "session=s1");
    db.Exec("COMMIT");
}

TEST_F(BrowserCookiesTest, EachRedirectedRequestCarriesOnlyTheCookiesOfItsOwnAddress) {
    StandardProfile();
    TCookieDb db(ProfileFolder() + "/cookies.sqlite");
    db.Add("vendor", "v1", ".plotvane.example", "/", later);
    db.Add("checkonly", "c1", "update.plotvane.example", "/check", later);
    db.Add("mirror", "m1", "mirror.example", "/", later);
    std::map<std::string, std::string> seen; // path -> Cookie header as received
    std::mutex mutex;
    const auto record = [&](const httplib::Request& req) {
        // Through the proxy the path arrives in absolute form.
        std::string path = req.path;
        if (const std::size_t scheme = path.find("://"); scheme != std::string::npos)
            path = path.substr(path.find('/', scheme + 3));
        std::lock_guard lock(mutex);
        seen[path] = req.has_header("Cookie") ? req.get_header_value("Cookie") : "(none)";
    };
    const auto redirect = [&](const std::string& path, int status, const std::string& to) {
        server.Get(path, [&record, status, to](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.status = status;
            res.set_header("Location", to);
        });
    };
    redirect("/check", 302, "http://evil.example/collect");
    redirect("/collect", 303, "http://update.plotvane.example/files/setup");
    redirect("/files/setup", 302, "http://mirror.example/setup");
    server.Get("/setup", [&](const httplib::Request& req, httplib::Response& res) {
        record(req);
        res.set_content("installer", "application/octet-stream");
    });

    TIEDownload download;
    HRESULT result = 1;
    std::string bytes;
    download.OnComplete = [&](TBSCB*, QIODevice* stream, HRESULT r) {
        result = r;
        if (stream && stream->seek(0))
            bytes = stream->readAll().toStdString();
    };
    download.Go("http://update.plotvane.example/check", "");
    QElapsedTimer timer;
    timer.start();
    while (result == 1 && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(result, hresult::S_OK);
    EXPECT_EQ(bytes, "installer");
    std::lock_guard lock(mutex);
    EXPECT_EQ(seen["/check"], "checkonly=c1; vendor=v1");
    EXPECT_EQ(seen["/collect"], "(none)") << "another host gets none of the vendor's cookies";
    EXPECT_EQ(seen["/files/setup"], "vendor=v1") << "back at the vendor, without the path-bound one";
    EXPECT_EQ(seen["/setup"], "mirror=m1") << "the mirror's own, and only those";
}

} // namespace
