// The firmware update's GET over HTTPS only: the server's certificate and
// host name are checked against the system's CA store and FW_CA_FILE when
// the terminal carries one. The HTTP library is loaded on the first
// request. No screens here: the caller turns a result into its box.
#ifndef APP_COMMS_FW_HTTP_H
#define APP_COMMS_FW_HTTP_H

#include <stddef.h>

#include <functional>

#define FW_CA_FILE "./data/fw_ca.pem"

// What a GET gave.
enum FwGetResult {
    FW_GET_OK,
    FW_GET_URL,      // the URL could not be parsed
    FW_GET_INSECURE, // not https:// and a host
    FW_GET_REQUEST,  // no request could be made of it
    FW_GET_FAILED,   // the request failed (or no HTTP library)
    FW_GET_STATUS,   // a status other than 2xx
    FW_GET_READ,     // the body broke off
    FW_GET_SINK,     // the sink stopped the body
};

struct FwGet {
    int code = 0;        // the library's result, or the HTTP status
    char text[256] = ""; // the library's error text or the status phrase
};

// Each piece of a body; false stops the transfer.
using FwSink = std::function<bool(const char *piece, size_t length)>;

// GET of url, the body's pieces to sink.
FwGetResult fw_http_get(const char *url, FwGet &out, const FwSink &sink);
// GET of a body of at most max bytes into body (not terminated), its
// length in *length. A longer body stops the transfer with *too_large set.
FwGetResult fw_http_get_text(const char *url, FwGet &out, char *body, size_t max, size_t *length, bool *too_large);

#endif
