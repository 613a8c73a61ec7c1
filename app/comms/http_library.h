// The HTTP library (neon, with its TLS chain), bound on first use instead of
// at start: only the firmware update needs it, and the program's memory at
// the menus stays free of it. The calls go through a table of the library's
// functions; a library that cannot be loaded, or lacks one of them, gives no
// table and a message saying why.
#ifndef APP_COMMS_HTTP_LIBRARY_H
#define APP_COMMS_HTTP_LIBRARY_H

#include <ne_request.h>
#include <ne_session.h>
#include <ne_socket.h>
#include <ne_ssl.h>
#include <ne_uri.h>
#include <stddef.h>

struct http_api {
    decltype(&ne_sock_init) sock_init;
    decltype(&ne_uri_parse) uri_parse;
    decltype(&ne_uri_free) uri_free;
    decltype(&ne_uri_defaultport) uri_defaultport;
    decltype(&ne_session_create) session_create;
    decltype(&ne_session_destroy) session_destroy;
    decltype(&ne_set_connect_timeout) set_connect_timeout;
    decltype(&ne_set_read_timeout) set_read_timeout;
    decltype(&ne_ssl_trust_default_ca) ssl_trust_default_ca;
    decltype(&ne_ssl_cert_read) ssl_cert_read;
    decltype(&ne_ssl_trust_cert) ssl_trust_cert;
    decltype(&ne_ssl_cert_free) ssl_cert_free;
    decltype(&ne_request_create) request_create;
    decltype(&ne_request_destroy) request_destroy;
    decltype(&ne_begin_request) begin_request;
    decltype(&ne_end_request) end_request;
    decltype(&ne_get_status) get_status;
    decltype(&ne_get_error) get_error;
    decltype(&ne_discard_response) discard_response;
    decltype(&ne_read_response_block) read_response_block;
};

// The bound library (loaded, its sockets initialised, once); null when it
// cannot be, with the reason in error (size bytes, terminated). A failed
// load is tried again on the next call.
const http_api *http_library(char *error, size_t size);

// The library's file name, CASHDESK_HTTP_LIBRARY unless changed here (tests
// name one that is missing). A table bound under another name is dropped.
void http_library_name(const char *name);

#endif
