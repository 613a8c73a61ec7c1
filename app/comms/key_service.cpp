#include "key_service.h"

#include <string.h>

#include "TMCommand.h"
#include "kfn_state.h"
#include "str_helpers.h"

namespace {

const int kAddressTimeout = 10000;
const size_t kAddressMax = 128;

server_link g_link = {-1, ASOKP_TIMEOUT_MS, 0, 0, "", 0};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "tcp://HOST:PORT" into host and port; false when it is not that.
bool parseEndpoint(const char *text, char *host, uint16_t *port)
{
    static const char kScheme[] = "tcp://";
    if (strncmp(text, kScheme, sizeof kScheme - 1) != 0)
        return false;
    const char *h = text + sizeof kScheme - 1;
    const char *colon = strchr(h, ':');
    if (!colon || colon == h || static_cast<size_t>(colon - h) > kAddressMax)
        return false;
    const char *p = colon + 1;
    unsigned long value = 0;
    if (!*p)
        return false;
    for (; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        value = value * 10 + static_cast<unsigned long>(*p - '0');
        if (value > 65535)
            return false;
    }
    if (value == 0)
        return false;
    memcpy(host, h, static_cast<size_t>(colon - h));
    host[colon - h] = '\0';
    *port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

int asokp_parse_address(const char *hex, size_t len, char *host, uint16_t *port)
{
    host[0] = '\0';
    *port = 0;
    if (!hex || len == 0)
        return 0;
    if (len % 2 != 0 || len / 2 > kAddressMax)
        return -1;
    char text[kAddressMax + 1];
    memset(text, 0, sizeof text);
    for (size_t i = 0; i < len / 2; ++i) {
        const int hi = hexValue(hex[2 * i]), lo = hexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return -1;
        text[i] = static_cast<char>(hi * 16 + lo);
    }
    // A zero byte ends the text; a text that is empty names no address.
    if (text[0] == '\0')
        return 0;
    if (!parseEndpoint(text, host, port)) {
        host[0] = '\0';
        *port = 0;
        return -1;
    }
    return 0;
}

void asokp_load_server()
{
    g_link.host[0] = '\0';
    g_link.port = 0;
    g_link.address = 0;
    bool named = false;
    TMCommand cmd;
    if (cmd.Command9E(1) > 0 && kfn_exec(nullptr, &cmd, kAddressTimeout) == 0) {
        uint32_t len = 0;
        const char *field = cmd.FieldAt(5, &len);
        // A field that decodes to an empty text names no address; a bad
        // one leaves the link unconfigured.
        if (field && len > 0)
            named = asokp_parse_address(field, len, g_link.host, &g_link.port) != 0 || g_link.host[0];
    }
    if (!named) {
        const bool production = (kfn_asokp_endpoint_flag() & 1) != 0;
        str_copy(g_link.host, production ? ASOKP_PRODUCTION_HOST : ASOKP_TEST_HOST, sizeof g_link.host);
        g_link.port = production ? ASOKP_PRODUCTION_PORT : ASOKP_TEST_PORT;
    }
    g_link.timeout_ms = ASOKP_TIMEOUT_MS;
}

const char *asokp_host() { return g_link.host; }
uint16_t asokp_port() { return g_link.port; }
server_link *asokp_link() { return &g_link; }
int asokp_timeout_ms() { return g_link.timeout_ms; }
