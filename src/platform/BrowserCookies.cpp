#include "platform/BrowserCookies.h"

#include "platform/Paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace platform {
namespace {

// Databases beyond this are not a cookie store we should copy on a member's behalf.
constexpr qint64 MaxDatabaseSize = 256LL * 1024 * 1024;
constexpr qint64 MaxProfilesIniSize = qint64{1024} * 1024;
constexpr std::size_t MaxCookies = 200000;

struct TCookie {
    std::string Name;
    std::string Value;
    std::string Host; // ".example.com" for a domain cookie, "www.example.com" for a host-only one
    std::string Path;
    qint64 ExpirySecs = 0;
    qint64 Created = 0;
    bool Secure = false;
};

// What a file looked like when it was read: every request asks whether the browser's files
// changed, so this is one stat each, nothing more.
struct TFileStamp {
    bool Regular = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = -1; // -1: no such file
    std::int64_t ModifiedNs = 0;
    bool operator==(const TFileStamp&) const = default;
};

TFileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return {};
    return {S_ISREG(st.st_mode), st.st_dev, st.st_ino, st.st_size,
            std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec};
}

// The database as last read, and what its files looked like then.
struct TCookieJar {
    QString Profile;
    std::string Database; // the profile's cookies.sqlite, as the system names it
    TFileStamp Db, Wal;
    std::vector<TCookie> Cookies;
};

std::mutex g_jarMutex;
TCookieJar g_jar;

struct TIniSection {
    QString Name;
    QList<QPair<QString, QString>> Values;
    QString Value(const QString& key) const {
        for (const auto& [k, v] : Values)
            if (k.compare(key, Qt::CaseInsensitive) == 0)
                return v;
        return {};
    }
};

std::vector<TIniSection> ReadIni(const QString& path) {
    std::vector<TIniSection> sections;
    QFile file(path);
    if (file.size() > MaxProfilesIniSize || !file.open(QIODevice::ReadOnly))
        return sections;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            sections.push_back({line.mid(1, line.size() - 2), {}});
        } else if (const qsizetype eq = line.indexOf(QLatin1Char('=')); eq > 0 && !sections.empty()) {
            sections.back().Values.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
        }
    }
    return sections;
}

QString ProfilePath(const QDir& base, const QString& path, bool relative) {
    if (path.isEmpty())
        return {};
    return relative || QDir::isRelativePath(path) ? base.filePath(path) : path;
}

// Firefox as Debian ships it, and the snap and Flatpak builds.
QStringList FirefoxFolders() {
    const QString home = QString::fromStdString(HomeFolder());
    return {home + QStringLiteral("/.mozilla/firefox"), home + QStringLiteral("/snap/firefox/common/.mozilla/firefox"),
            home + QStringLiteral("/.var/app/org.mozilla.firefox/.mozilla/firefox")};
}

QString ReadDefaultProfile() {
    for (const QString& folder : FirefoxFolders()) {
        const QDir base(folder);
        const auto sections = ReadIni(base.filePath(QStringLiteral("profiles.ini")));
        if (sections.empty())
            continue;
        // The profile the installed Firefox really opens is named in its [Install…] section.
        for (const auto& s : sections)
            if (s.Name.startsWith(QStringLiteral("Install")))
                if (QString p = ProfilePath(base, s.Value(QStringLiteral("Default")), false); !p.isEmpty())
                    return p;
        const TIniSection* chosen = nullptr;
        for (const auto& s : sections) {
            if (!s.Name.startsWith(QStringLiteral("Profile")))
                continue;
            if (!chosen || s.Value(QStringLiteral("Default")) == QStringLiteral("1"))
                chosen = &s;
            if (s.Value(QStringLiteral("Default")) == QStringLiteral("1"))
                break;
        }
        if (chosen)
            return ProfilePath(base, chosen->Value(QStringLiteral("Path")),
                               chosen->Value(QStringLiteral("IsRelative")) == QStringLiteral("1"));
    }
    return {};
}

std::string Column(sqlite3_stmt* st, int i) {
    const auto* text = sqlite3_column_text(st, i);
    return text
               ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(st, i)))
               : std::string();
}

// Cookies whose bytes could break the header line, or its name=value form, are left out.
bool Sendable(const TCookie& c) {
    const auto clean = [](const std::string& s, bool name) {
        return std::none_of(s.begin(), s.end(), [name](char ch) {
            const auto u = static_cast<unsigned char>(ch);
            return u < 0x20 || u == 0x7f || ch == ';' || (name && ch == '=');
        });
    };
    return !c.Host.empty() && clean(c.Name, true) && clean(c.Value, false);
}

std::vector<TCookie> ReadCookies(const QString& database, const QString& wal) {
    std::vector<TCookie> cookies;
    // Firefox holds its database locked and keeps recent writes in the write-ahead log, so we
    // read a private copy of both.
    QTemporaryDir copy(QString::fromStdString(TempPath()) + QStringLiteral("plotvane-cookies-XXXXXX"));
    if (!copy.isValid())
        return cookies;
    const QString db = copy.filePath(QStringLiteral("cookies.sqlite"));
    if (!QFile::copy(database, db))
        return cookies;
    if (QFile::exists(wal))
        QFile::copy(wal, db + QStringLiteral("-wal"));
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(db.toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(handle);
        return cookies;
    }
    // Cookies of container tabs and isolated sites belong to those, not to the browser at large.
    const char* queries[] = {"SELECT name, value, host, path, expiry, isSecure, creationTime FROM moz_cookies "
                             "WHERE originAttributes = ''",
                             "SELECT name, value, host, path, expiry, isSecure, creationTime FROM moz_cookies"};
    for (const char* sql : queries) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(handle, sql, -1, &st, nullptr) != SQLITE_OK) {
            sqlite3_finalize(st);
            continue;
        }
        while (cookies.size() < MaxCookies && sqlite3_step(st) == SQLITE_ROW) {
            TCookie c{Column(st, 0),
                      Column(st, 1),
                      Column(st, 2),
                      Column(st, 3),
                      sqlite3_column_int64(st, 4),
                      sqlite3_column_int64(st, 6),
                      sqlite3_column_int(st, 5) != 0};
            // Recent Firefox versions keep the expiry in milliseconds.
            if (c.ExpirySecs > 100000000000LL)
                c.ExpirySecs /= 1000;
            std::transform(c.Host.begin(), c.Host.end(), c.Host.begin(),
                           [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
            if (Sendable(c))
                cookies.push_back(std::move(c));
        }
        sqlite3_finalize(st);
        break;
    }
    sqlite3_close(handle);
    return cookies;
}

bool DomainMatches(const std::string& cookieHost, const std::string& host) {
    if (cookieHost.front() != '.')
        return cookieHost == host;
    const std::string_view domain = std::string_view(cookieHost).substr(1);
    return host == domain || (host.size() > cookieHost.size() && host.ends_with(cookieHost));
}

bool PathMatches(const std::string& cookiePath, const std::string& path) {
    if (cookiePath.empty() || cookiePath == path)
        return true;
    if (!path.starts_with(cookiePath))
        return false;
    return cookiePath.back() == '/' || path[cookiePath.size()] == '/';
}

// The profile as last looked up, and what the profiles.ini files looked like then: every request
// asks, and the answer changes only when one of them does.
struct TProfileLookup {
    std::vector<std::pair<std::string, TFileStamp>> Files;
    QString Profile;
};

std::mutex g_profileMutex;
std::optional<TProfileLookup> g_profile;

QString DefaultProfile() {
    std::vector<std::pair<std::string, TFileStamp>> files;
    for (const QString& folder : FirefoxFolders()) {
        std::string ini = QFile::encodeName(folder).toStdString() + "/profiles.ini";
        TFileStamp stamp = StampOf(ini);
        files.emplace_back(std::move(ini), stamp);
    }
    std::lock_guard lock(g_profileMutex);
    if (!g_profile || g_profile->Files != files)
        g_profile = TProfileLookup{std::move(files), ReadDefaultProfile()};
    return g_profile->Profile;
}

// Brings the jar up to the current database, read again only when its files changed. Called
// with g_jarMutex held.
void RefreshJar() {
    const QString profile = DefaultProfile();
    if (profile.isEmpty()) {
        g_jar = {};
        return;
    }
    if (profile != g_jar.Profile || g_jar.Database.empty()) {
        g_jar = {};
        g_jar.Profile = profile;
        g_jar.Database = QFile::encodeName(QDir(profile).filePath(QStringLiteral("cookies.sqlite"))).toStdString();
    }
    const TFileStamp db = StampOf(g_jar.Database);
    const TFileStamp wal = StampOf(g_jar.Database + "-wal");
    if (!db.Regular || db.Size > MaxDatabaseSize || wal.Size > MaxDatabaseSize) {
        g_jar.Db = {};
        g_jar.Cookies.clear();
        return;
    }
    if (g_jar.Db == db && g_jar.Wal == wal)
        return;
    g_jar.Db = db;
    g_jar.Wal = wal;
    const QString database = QFile::decodeName(g_jar.Database.c_str());
    g_jar.Cookies = ReadCookies(database, database + QStringLiteral("-wal"));
}

} // namespace

std::string FirefoxProfileFolder() {
    return DefaultProfile().toStdString();
}

std::string BrowserCookieHeader(const std::string& url) {
    const QUrl parsed(QString::fromStdString(url));
    if (!parsed.isValid() || parsed.host().isEmpty())
        return {};
    const std::string host = parsed.host().toLower().toStdString();
    const std::string path = parsed.path().isEmpty() ? std::string("/") : parsed.path().toStdString();
    const bool secure = parsed.scheme() == QStringLiteral("https");
    const qint64 now = QDateTime::currentSecsSinceEpoch();

    std::vector<TCookie> matching;
    {
        std::lock_guard lock(g_jarMutex);
        RefreshJar();
        for (const TCookie& c : g_jar.Cookies)
            if ((!c.Secure || secure) && c.ExpirySecs > now && DomainMatches(c.Host, host) && PathMatches(c.Path, path))
                matching.push_back(c);
    }
    // Longer paths first, then the older cookie first, as browsers order them.
    std::stable_sort(matching.begin(), matching.end(), [](const TCookie& a, const TCookie& b) {
        return a.Path.size() != b.Path.size() ? a.Path.size() > b.Path.size() : a.Created < b.Created;
    });
    std::string header;
    for (const TCookie& c : matching) {
        if (!header.empty())
            header += "; ";
        header += c.Name + "=" + c.Value;
    }
    return header;
}

} // namespace platform
