#include "http_library.h"

#include <dlfcn.h>
#include <mutex>
#include <string>

#include "str_helpers.h"

#ifndef CASHDESK_HTTP_LIBRARY
#define CASHDESK_HTTP_LIBRARY "libneon.so.27"
#endif

namespace {

std::mutex g_mutex;
std::string g_name = CASHDESK_HTTP_LIBRARY;
http_api g_api;
bool g_bound = false;
bool g_socketsReady = false;

template <typename F> bool bind(void *lib, const char *symbol, F &out, std::string &missing)
{
    out = reinterpret_cast<F>(dlsym(lib, symbol));
    if (!out && missing.empty())
        missing = symbol;
    return out != nullptr;
}

} // namespace

const http_api *http_library(char *error, size_t size)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_bound)
        return &g_api;
    // Kept loaded for the rest of the run once bound: its TLS state outlives
    // any one request.
    void *lib = dlopen(g_name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char *why = dlerror();
        str_copy(error, why ? why : g_name.c_str(), size);
        return nullptr;
    }
    http_api api;
    std::string missing;
    bind(lib, "ne_sock_init", api.sock_init, missing);
    bind(lib, "ne_uri_parse", api.uri_parse, missing);
    bind(lib, "ne_uri_free", api.uri_free, missing);
    bind(lib, "ne_uri_defaultport", api.uri_defaultport, missing);
    bind(lib, "ne_session_create", api.session_create, missing);
    bind(lib, "ne_session_destroy", api.session_destroy, missing);
    bind(lib, "ne_set_connect_timeout", api.set_connect_timeout, missing);
    bind(lib, "ne_set_read_timeout", api.set_read_timeout, missing);
    bind(lib, "ne_ssl_trust_default_ca", api.ssl_trust_default_ca, missing);
    bind(lib, "ne_ssl_cert_read", api.ssl_cert_read, missing);
    bind(lib, "ne_ssl_trust_cert", api.ssl_trust_cert, missing);
    bind(lib, "ne_ssl_cert_free", api.ssl_cert_free, missing);
    bind(lib, "ne_request_create", api.request_create, missing);
    bind(lib, "ne_request_destroy", api.request_destroy, missing);
    bind(lib, "ne_begin_request", api.begin_request, missing);
    bind(lib, "ne_end_request", api.end_request, missing);
    bind(lib, "ne_get_status", api.get_status, missing);
    bind(lib, "ne_get_error", api.get_error, missing);
    bind(lib, "ne_discard_response", api.discard_response, missing);
    bind(lib, "ne_read_response_block", api.read_response_block, missing);
    if (!missing.empty()) {
        str_copy(error, (g_name + ": no " + missing).c_str(), size);
        dlclose(lib);
        return nullptr;
    }
    g_api = api;
    g_bound = true;
    if (!g_socketsReady) {
        g_api.sock_init();
        g_socketsReady = true;
    }
    return &g_api;
}

void http_library_name(const char *name)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    std::string next = name ? name : CASHDESK_HTTP_LIBRARY;
    if (next != g_name) {
        g_name = next;
        g_bound = false;
    }
}
