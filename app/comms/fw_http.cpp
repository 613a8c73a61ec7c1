#include "fw_http.h"

#include <string.h>
#include <unistd.h>

#include "fw_list.h"
#include "http_library.h"
#include "str_helpers.h"

FwGetResult fw_http_get(const char *url, FwGet &out, const FwSink &sink)
{
    // The HTTP library is loaded here, on the first request; without it
    // the request fails with the library's message.
    const http_api *ne = http_library(out.text, sizeof out.text);
    if (!ne) {
        out.code = NE_ERROR;
        return FW_GET_FAILED;
    }
    ne_uri uri;
    memset(&uri, 0, sizeof uri);
    if (ne->uri_parse(url, &uri) != 0 || !uri.scheme || !uri.host || !uri.path) {
        ne->uri_free(&uri);
        return FW_GET_URL;
    }
    // Only over HTTPS: anyone on the way could hand over another list or
    // image of plain HTTP, and the image goes into the controller.
    if (!fw_url_is_secure(url)) {
        ne->uri_free(&uri);
        return FW_GET_INSECURE;
    }
    unsigned int port = uri.port ? uri.port : ne->uri_defaultport("https");
    ne_session *sess = ne->session_create("https", uri.host, port);
    ne->set_connect_timeout(sess, 30);
    ne->set_read_timeout(sess, 30);
    // The certificate and the host name are checked (no callback that
    // forgives a failure): the system's CAs and the terminal's own.
    ne->ssl_trust_default_ca(sess);
    if (access(FW_CA_FILE, R_OK) == 0) {
        if (ne_ssl_certificate *ca = ne->ssl_cert_read(FW_CA_FILE)) {
            ne->ssl_trust_cert(sess, ca);
            ne->ssl_cert_free(ca);
        }
    }
    char target[FW_URL_MAX + 2];
    str_format(target, sizeof target, "%s%s%s", uri.path[0] ? uri.path : "/", uri.query ? "?" : "",
               uri.query ? uri.query : "");
    ne_request *req = ne->request_create(sess, "GET", target);
    FwGetResult result = FW_GET_OK;
    if (!req) {
        result = FW_GET_REQUEST;
    } else {
        int r = ne->begin_request(req);
        if (r != NE_OK) {
            out.code = r;
            str_copy(out.text, ne->get_error(sess), sizeof out.text);
            result = FW_GET_FAILED;
        } else {
            const ne_status *st = ne->get_status(req);
            if (st->klass != 2) {
                out.code = st->code;
                str_copy(out.text, st->reason_phrase ? st->reason_phrase : "", sizeof out.text);
                ne->discard_response(req);
                result = FW_GET_STATUS;
            } else {
                char buf[8192];
                ssize_t n;
                while ((n = ne->read_response_block(req, buf, sizeof buf)) > 0) {
                    if (!sink(buf, static_cast<size_t>(n))) {
                        result = FW_GET_SINK;
                        break;
                    }
                }
                if (n < 0) {
                    out.code = static_cast<int>(n);
                    str_copy(out.text, ne->get_error(sess), sizeof out.text);
                    result = FW_GET_READ;
                }
            }
            if (result == FW_GET_OK || result == FW_GET_STATUS)
                ne->end_request(req);
        }
        ne->request_destroy(req);
    }
    ne->session_destroy(sess);
    ne->uri_free(&uri);
    return result;
}

FwGetResult fw_http_get_text(const char *url, FwGet &out, char *body, size_t max, size_t *length, bool *too_large)
{
    *length = 0;
    *too_large = false;
    return fw_http_get(url, out, [&](const char *piece, size_t n) {
        if (*length + n > max) {
            *too_large = true;
            return false;
        }
        memcpy(body + *length, piece, n);
        *length += n;
        return true;
    });
}
