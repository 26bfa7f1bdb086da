// libcurl, loaded at its first use instead of at the program's start: the functions of libcurl
// that the program calls, each handing the call on to the library once it is loaded. Loading
// libcurl and the libraries it needs (TLS, Kerberos, LDAP, SSH, ...) took a quarter of a warm
// start before the window was up, and no start needs the network before its window is.
//
// Should the library not load, every call fails as libcurl's own do on a failed set-up, so a
// transfer ends as one that could not start.
#define CURL_DISABLE_TYPECHECK // the type-checking macros would rename the definitions below
#include <curl/curl.h>

#include "platform/SharedLibrary.h"

#include <QLoggingCategory>

#include <cstdarg>
#include <type_traits>

Q_LOGGING_CATEGORY(lcCurlLibrary, "plotvane.net.curl", QtWarningMsg)

namespace {

struct TCurlApi {
    CURLcode (*GlobalInit)(long) = nullptr;
    CURL* (*EasyInit)() = nullptr;
    CURLcode (*EasySetopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*EasyPerform)(CURL*) = nullptr;
    void (*EasyCleanup)(CURL*) = nullptr;
    void (*EasyReset)(CURL*) = nullptr;
    CURLcode (*EasyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
    curl_slist* (*SlistAppend)(curl_slist*, const char*) = nullptr;
    void (*SlistFreeAll)(curl_slist*) = nullptr;
    CURLM* (*MultiInit)() = nullptr;
    CURLMcode (*MultiSetopt)(CURLM*, CURLMoption, ...) = nullptr;
    CURLMcode (*MultiAddHandle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*MultiRemoveHandle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*MultiSocketAction)(CURLM*, curl_socket_t, int, int*) = nullptr;
    CURLMsg* (*MultiInfoRead)(CURLM*, int*) = nullptr;
    CURLMcode (*MultiCleanup)(CURLM*) = nullptr;
};

TCurlApi Load() {
    // Never unloaded: libcurl's connections and its global state live as long as the program.
    static const platform::TSharedLibrary library("libcurl.so.4");
    if (!library.Loaded()) {
        qCWarning(lcCurlLibrary) << "libcurl could not be loaded, so nothing can be downloaded:"
                                 << library.Error().c_str();
        return {};
    }
    qCInfo(lcCurlLibrary) << "libcurl loaded";
    TCurlApi api;
    bool complete = true;
    const auto bind = [&](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.Symbol(name));
        if (!function) {
            qCWarning(lcCurlLibrary) << "the libcurl found has no" << name << "so nothing can be downloaded";
            complete = false;
        }
    };
    bind(api.GlobalInit, "curl_global_init");
    bind(api.EasyInit, "curl_easy_init");
    bind(api.EasySetopt, "curl_easy_setopt");
    bind(api.EasyPerform, "curl_easy_perform");
    bind(api.EasyCleanup, "curl_easy_cleanup");
    bind(api.EasyReset, "curl_easy_reset");
    bind(api.EasyGetinfo, "curl_easy_getinfo");
    bind(api.SlistAppend, "curl_slist_append");
    bind(api.SlistFreeAll, "curl_slist_free_all");
    bind(api.MultiInit, "curl_multi_init");
    bind(api.MultiSetopt, "curl_multi_setopt");
    bind(api.MultiAddHandle, "curl_multi_add_handle");
    bind(api.MultiRemoveHandle, "curl_multi_remove_handle");
    bind(api.MultiSocketAction, "curl_multi_socket_action");
    bind(api.MultiInfoRead, "curl_multi_info_read");
    bind(api.MultiCleanup, "curl_multi_cleanup");
    // Half a library is no library: every call then fails alike.
    return complete ? api : TCurlApi{};
}

const TCurlApi& Api() {
    static const TCurlApi api = Load(); // loaded once, whichever thread asks first
    return api;
}

} // namespace

CURLcode curl_global_init(long flags) {
    return Api().GlobalInit ? Api().GlobalInit(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() {
    return Api().EasyInit ? Api().EasyInit() : nullptr;
}

// The option's number says the type of its value (libcurl's own rule): a long, a pointer to
// data, a pointer to a function, or a curl_off_t. Each is handed on as that type.
//
// Two objections of clang's are about libcurl's own declarations, which these definitions must
// match: an enum before the "..." (libcurl reads its arguments the same way), and curl_off_t,
// which is long on this platform but not on every one, so its branch only looks like a copy.
#ifdef __clang__
#pragma clang diagnostic ignored "-Wvarargs"
#endif
CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    if (!Api().EasySetopt)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    CURLcode result = CURLE_OK;
    // NOLINTBEGIN(bugprone-branch-clone)
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = Api().EasySetopt(curl, option, va_arg(args, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        result = Api().EasySetopt(curl, option, va_arg(args, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        result = Api().EasySetopt(curl, option, va_arg(args, void (*)()));
    else if (option < CURLOPTTYPE_BLOB)
        result = Api().EasySetopt(curl, option, va_arg(args, curl_off_t));
    else
        result = Api().EasySetopt(curl, option, va_arg(args, void*));
    // NOLINTEND(bugprone-branch-clone)
    va_end(args);
    return result;
}

CURLcode curl_easy_perform(CURL* curl) {
    return Api().EasyPerform ? Api().EasyPerform(curl) : CURLE_FAILED_INIT;
}

void curl_easy_cleanup(CURL* curl) {
    if (Api().EasyCleanup)
        Api().EasyCleanup(curl);
}

void curl_easy_reset(CURL* curl) {
    if (Api().EasyReset)
        Api().EasyReset(curl);
}

// Every piece of information is written through a pointer, whatever its type.
CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    if (!Api().EasyGetinfo)
        return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    const CURLcode result = Api().EasyGetinfo(curl, info, va_arg(args, void*));
    va_end(args);
    return result;
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    return Api().SlistAppend ? Api().SlistAppend(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    if (Api().SlistFreeAll)
        Api().SlistFreeAll(list);
}

CURLM* curl_multi_init() {
    return Api().MultiInit ? Api().MultiInit() : nullptr;
}

CURLMcode curl_multi_setopt(CURLM* multi, CURLMoption option, ...) {
    if (!Api().MultiSetopt)
        return CURLM_BAD_HANDLE;
    va_list args;
    va_start(args, option);
    CURLMcode result = CURLM_OK;
    // NOLINTBEGIN(bugprone-branch-clone)
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = Api().MultiSetopt(multi, option, va_arg(args, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        result = Api().MultiSetopt(multi, option, va_arg(args, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        result = Api().MultiSetopt(multi, option, va_arg(args, void (*)()));
    else
        result = Api().MultiSetopt(multi, option, va_arg(args, curl_off_t));
    // NOLINTEND(bugprone-branch-clone)
    va_end(args);
    return result;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* curl) {
    return Api().MultiAddHandle ? Api().MultiAddHandle(multi, curl) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* curl) {
    return Api().MultiRemoveHandle ? Api().MultiRemoveHandle(multi, curl) : CURLM_BAD_HANDLE;
}

CURLMcode curl_multi_socket_action(CURLM* multi, curl_socket_t socket, int mask, int* running) {
    return Api().MultiSocketAction ? Api().MultiSocketAction(multi, socket, mask, running) : CURLM_BAD_HANDLE;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* left) {
    return Api().MultiInfoRead ? Api().MultiInfoRead(multi, left) : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    return Api().MultiCleanup ? Api().MultiCleanup(multi) : CURLM_BAD_HANDLE;
}
