#include "mark_check_exchange.h"

#include <string.h>

#include "conn_record.h"
#include "key_service.h"
#include "error_box.h"
#include "oism_worker.h"
#include "server_link.h"

int mark_check_exchange_with(vuUI *ui, exchange_container *container, const char *host, uint16_t port,
                             int send_ms)
{
    if (!container)
        return -1;
    server_link link;
    // A longer host would be cut by the link's record and the exchange go
    // to another server.
    if (host && strlen(host) >= sizeof link.host) {
        if (ui)
            error_box(ui, "АДРЕС СЕРВЕРА ОИСМ ДЛИННЕЕ 128 СИМВОЛОВ");
        return -1;
    }
    if (send_ms < 10000 && conn_is_gprs())
        send_ms = 10000;
    server_link_init(&link, host, port, send_ms);
    int r = server_exchange(ui, container, &link, "Проверка КМ");
    net_close(&link);
    return r;
}

int MarkCheckExchange(vuUI *ui, exchange_container *container)
{
    return mark_check_exchange_with(ui, container, oism_worker.host, oism_worker.port, oism_worker.send_ms);
}

int mark_check_exchange_key_service(vuUI *ui, exchange_container *container)
{
    server_link *link = asokp_link();
    if (!container || !link->host[0] || link->port == 0)
        return -1;
    int r = server_exchange(ui, container, link, "Проверка КМ");
    net_close(link);
    return r;
}
