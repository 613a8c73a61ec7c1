#include "ext_mode.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "ServiceCommand.h"
#include "ServicePrint.h"
#include "ServiceQueue.h"
#include "TMCommand.h"
#include "bt_link.h"
#include "conn_api.h"
#include "conn_level.h"
#include "conn_record.h"
#include "error_box.h"
#include "kfn_state.h"
#include "message_box.h"
#include "os_errors.h"
#include "raster_bmp.h"
#include "osal.h"
#include "safe_file.h"
#include "scoped_dialog.h"
#include "str_helpers.h"
#include "terminal_helpers.h"
#include "ui_loader.h"
#include "vuForm.h"
#include "vuMenu.h"
#include "vuMultiLine.h"
#include "vuStatic.h"
#include "vuTrace.h"
#include "vuUI.h"

RelayState ext_relay_state;

namespace {

const char kGraphPath[] = "./data/graph";
const char kDialogFile[] = "kkt_dlg_external.xml";
const uint32_t kLogMax = 2048;
const uint32_t kSppWaitMs = 60000;

// A failed link read is logged once until the link reads again.
bool g_linkFailed = false;
// A line was logged since the tick began: the dialog needs a redraw.
bool g_logged = false;

uint32_t elapsedSince(uint32_t start) { return OsGetTickCount() - start; }

void peerText(int fd, char *out, size_t size)
{
    sockaddr_in a;
    socklen_t len = sizeof a;
    memset(&a, 0, sizeof a);
    if (fd < 0 || getpeername(fd, reinterpret_cast<sockaddr *>(&a), &len) != 0 || a.sin_family != AF_INET) {
        str_copy(out, "?", size);
        return;
    }
    char ip[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &a.sin_addr, ip, sizeof ip);
    str_format(out, size, "%s:%u", ip, unsigned(ntohs(a.sin_port)));
}

// Both logs: the dialog's (Russian) and the controller service's.
void logPeer(vuForm *form, const char *what, const char *event, const char *peer)
{
    external_log_line(form, "%s %s", what, peer);
    log_format("ext_mode: client %s %s", event, peer);
}

// The relay's effects against the controller queue, the link and the
// raster file, logging into the dialog.
class QueueEffects : public RelayEffects {
public:
    explicit QueueEffects(vuForm *form) : form_(form) {}
    void keep_awake() override { ::keep_awake(); }
    int send_frame(const uint8_t *data, uint32_t len) override { return ServiceSendFrame(data, int(len)); }
    void execute_1d() override
    {
        TMCommand cmd;
        if (cmd.Command1D() > 0)
            ServiceExecute(cmd, 5000);
    }
    void send_1d() override
    {
        TMCommand cmd;
        if (cmd.Command1D() > 0) {
            ::keep_awake();
            ServiceSendFrame(cmd.FrameData(), int(cmd.FrameSize()));
        }
    }
    uint16_t work_modes() override { return kfn_work_modes(); }
    void set_work_modes(uint16_t value) override { kfn_set_work_modes(value); }
    int print_raw(const uint8_t *data, uint32_t len) override { return ServicePrintRaw(data, len, 10000); }
    void last_status(int32_t *state, int32_t *error) override
    {
        const ServiceStatusBlock *s = ServiceLastStatus();
        *state = s ? s->printerState : 0;
        *error = s ? s->printError : 0;
    }
    int send_host(const uint8_t *data, uint32_t len) override { return link_send(data, int(len)); }
    uint32_t graph_size() override
    {
        struct stat st;
        return stat(kGraphPath, &st) == 0 && st.st_size > 0 ? uint32_t(st.st_size) : 0;
    }
    int graph_write(const uint8_t *data, uint32_t len, bool append) override
    {
        // The first piece makes a new file; the others are added to it.
        if (!append)
            return safe_save(kGraphPath, data, len, SAFE_MODE_FILE, "external") ? int(len) : -1;
        int fd = safe_open_append(kGraphPath, SAFE_MODE_FILE);
        if (fd < 0)
            return -1;
        ssize_t w = write(fd, data, len);
        close(fd);
        return int(w);
    }
    void graph_delete() override { unlink(kGraphPath); }
    void graph_done(uint8_t width, uint8_t height) override { raster_to_bmp(kGraphPath, width, height); }
    void log(const char *text) override { external_log_line(form_, "%s", text); }

private:
    vuForm *form_;
};

// The client gone (left, failed, replaced, the link lost or the mode
// ended): its socket closes and what it left in the relay goes with it.
void dropClient(vuForm *form, const char *why, const char *event)
{
    if (ext_client_socket < 0)
        return;
    char peer[64];
    peerText(ext_client_socket, peer, sizeof peer);
    logPeer(form, why, event, peer);
    link_close_socket(ext_client_socket);
    ext_client_socket = -1;
    QueueEffects fx(form);
    relay_end_client(ext_relay_state, fx);
}

vuObject *widget(vuForm *form, const char *name) { return form ? form->GetByName(name) : nullptr; }

void setStatic(vuObject *o, const char *text)
{
    if (vuStatic *s = dynamic_cast<vuStatic *>(o))
        s->SetText(text);
}

void hideWidget(vuObject *o)
{
    if (vuWidget *w = dynamic_cast<vuWidget *>(o))
        w->SetVisible(0);
}

void resetRelay()
{
    relay_reset(ext_relay_state);
    g_linkFailed = false;
}

// Shows the dialog with the relay as its callback until it is cancelled.
void relayUntilCancel(ScopedDialog &dialog)
{
    while (dialog.show(external_relay_tick) != -1) {
    }
}

// Step C: the TCP kinds' listener and client.
void tcpHousekeeping(vuForm *form)
{
    if (ext_listen_socket >= 0) {
        int fd = link_accept(ext_listen_socket);
        if (fd >= 0) {
            dropClient(form, "Клиент заменён:", "replaced");
            ext_client_socket = fd;
            g_linkFailed = false;
            char peer[64];
            peerText(fd, peer, sizeof peer);
            logPeer(form, "Подключен клиент", "connected", peer);
        }
    }
    // The link's own level, asked at most every half second.
    ext_netlevel_draw(0);
    if (conn_net_level() < 0) {
        if (ext_client_socket >= 0 || ext_listen_socket >= 0) {
            external_log_line(form, "Связь потеряна");
            log_format("ext_mode: link lost");
        }
        dropClient(form, "Отключен клиент", "left");
        link_close_fd(ext_listen_socket);
        ext_listen_socket = -1;
    } else if (ext_listen_socket < 0) {
        ext_listen_socket = link_listen(ext_port);
        ext_relay_state.last_host_command = 0;
        if (ext_listen_socket >= 0) {
            external_log_line(form, "Ожидание клиента, порт %d", ext_port);
            log_format("ext_mode: listening again on port %d", ext_port);
        }
    }
}

bool isTcpKind() { return ext_link_is_tcp(ext_link_kind); }

} // namespace

// ---- the chooser and the mode ------------------------------------------------

// menu: ext_mode
void on_ext_mode(vuUI *ui, const char *)
{
    ext_link_kind = EXT_LINK_USB;
    ScopedDialog chooser(ui, "kkt_dlg_select_external.xml");
    if (!chooser)
        return;
    vuMenu *menu = dynamic_cast<vuMenu *>(chooser.form());
    if (menu && bt_available() == 1) {
        menu->AddItem("BLUETOOTH (PAN)", nullptr, 0, 1);
        menu->AddItem("BLUETOOTH (COM)", nullptr, 0, 1);
    }
    if (chooser.run() != 1 || !menu)
        return;
    switch (menu->GetSelected()) {
    case 2: ext_link_kind = EXT_LINK_WIFI; break;
    case 3: ext_link_kind = EXT_LINK_BT_PAN; break;
    case 4: ext_link_kind = EXT_LINK_BT_SPP; break;
    default: ext_link_kind = EXT_LINK_USB; break;
    }
    chooser.close();
    run_external_mode(ui);
}

void run_external_mode(vuUI *ui)
{
    int err = 0;
    char path[64];
    str_format(path, sizeof path, "./res/%s", kDialogFile);
    vuForm *loaded = load_form_file(path, &err);
    if (!loaded) {
        char text[160];
        str_format(text, sizeof text, "НЕ УДАЛОСЬ СОЗДАТЬ ДИАЛОГ (%i)\n\n%s", err, kDialogFile);
        error_box(ui, text);
        return;
    }
    vuTraceSetSource(loaded, kDialogFile);
    mkdir("./data", SAFE_MODE_DIR);
    ScopedDialog dialog(ui, loaded);
    if (!dialog)
        return;
    vuForm *form = dialog.form();
    dialog.reset();
    vuObject *msg = widget(form, "msg"), *send = widget(form, "send"), *recv = widget(form, "recv");
    vuObject *adr = widget(form, "adr_port");
    const bool complete = dynamic_cast<vuMultiLine *>(msg) && send && recv;
    char text[256];

    auto clearDialog = [&]() {
        if (vuMultiLine *m = dynamic_cast<vuMultiLine *>(msg))
            m->SetValue("");
        setStatic(send, "0");
        setStatic(recv, "0");
    };

    if (ext_link_kind == EXT_LINK_USB) {
        hideWidget(adr);
        if (!complete) {
            error_box(ui, "НЕ КОРРЕКТНЫЙ ШАБЛОН ДИАЛОГА\n\nkkt_dlg_external.xml");
        } else {
            clearDialog();
            resetRelay();
            OsRegSetValue("persist.sys.xcb.enable", "0");
            OsSleep(300);
            int r = link_open_port();
            if (r != 0) {
                str_format(text, sizeof text, "USB_DEV не открыт\n(err = %i)\n%s", r, os_error_text2(r));
                error_box(ui, text);
            } else {
                external_log_line(form, "Порт USB открыт");
                dialog.show(external_relay_tick);
                link_close_port();
            }
        }
    } else if (isTcpKind()) {
        ext_port = 4000;
        // The user's link goes down before its record is parked: the mode
        // takes the module over and closes it at the end, so the record
        // that returns must not say up.
        conn_disconnect();
        conn_save_active();
        int r = ext_link_kind == EXT_LINK_WIFI ? ext_connect_wifi(ui) : ext_connect_bt_pan(ui);
        if (r == 0) {
            char address[256];
            str_copy(address, conn_ip_address() ? conn_ip_address() : "", sizeof address);
            str_format(text, sizeof text, "%s:%d", address, ext_port);
            setStatic(adr, text);
            clearDialog();
            ext_listen_socket = link_listen(ext_port);
            ext_client_socket = -1;
            if (ext_listen_socket >= 0) {
                log_format("ext_mode: listening on %s", text);
                ext_client_socket = link_accept(ext_listen_socket);
            }
            resetRelay();
            relayUntilCancel(dialog);
            link_close_fd(ext_listen_socket);
            ext_listen_socket = -1;
            if (ext_client_socket >= 0)
                dropClient(form, "Отключен клиент", "left");
            ext_client_socket = -1;
            // The mode's own link down before the user's record returns.
            conn_disconnect();
        }
        conn_restore_active();
    } else if (ext_link_kind == EXT_LINK_BT_SPP) {
        hideWidget(adr);
        if (complete)
            clearDialog();
        else
            error_box(ui, "НЕ КОРРЕКТНЫЙ ШАБЛОН ДИАЛОГА\n\nkkt_dlg_external.xml");
        // As for the TCP kinds: the Bluetooth module closes at the end.
        conn_disconnect();
        conn_save_active();
        if (bt_init(ui) == 0) {
            uint32_t start = OsGetTickCount();
            bool connected = false;
            for (;;) {
                if (bt_spp_connected()) {
                    connected = true;
                    break;
                }
                uint32_t elapsed = elapsedSince(start);
                if (elapsed > kSppWaitMs)
                    break;
                str_format(text, sizeof text, "ЖДЕМ ПОДКЛЮЧЕНИЯ ПО BLUETOOTH\nОСТАЛОСЬ %d СЕКУНД",
                           int((kSppWaitMs - elapsed) / 1000));
                message_box(ui, "ОШИБКА", text, MB_NOWAIT);
                OsSleep(250);
            }
            if (connected) {
                int r = link_open_port();
                if (r != 0) {
                    str_format(text, sizeof text, "ОШИБКА СОЕДИНЕНИЯ\n(err = %i)\n%s", r, os_error_text2(r));
                    error_box(ui, text);
                } else {
                    resetRelay();
                    relayUntilCancel(dialog);
                }
            } else {
                error_box(ui, "ВРЕМЯ ОЖИДАНИЯ СОЕДИНЕНИЯ ИСТЕКЛО");
            }
            link_close_port();
            conn_disconnect();
        }
        conn_restore_active();
    }
}

// ---- the relay tick -----------------------------------------------------------

int external_relay_tick(vuEvent *, intptr_t formAddress)
{
    vuForm *form = reinterpret_cast<vuForm *>(formAddress);
    RelayState &st = ext_relay_state;
    QueueEffects fx(form);
    int result = 0;
    g_logged = false;

    // A: at most one controller reply to the host.
    static uint8_t reply[kRelayReplySize];
    uint8_t kind = 0;
    int n = ServiceReceive(&kind, reply, int(sizeof reply), 0);
    if (n > 0 && kind == 1) {
        relay_take_reply(st, fx, reply, uint32_t(n));
        external_show_counters(form);
        result = 2;
    }

    // B: host bytes to the controller.
    if (st.host_count > kRelayBufferSize - 1)
        st.host_count = 0;
    int r = link_receive(st.host_buffer + st.host_count, int(kRelayBufferSize - st.host_count), 0);
    if (r > 0) {
        g_linkFailed = false;
        st.host_count += uint32_t(r);
        st.bytes_from_host += uint32_t(r);
        external_show_counters(form);
        result = 2;
        relay_consume(st, fx);
    } else if (r == kLinkEnd && isTcpKind()) {
        dropClient(form, "Отключен клиент", "left");
        result = 2;
    } else if (r < 0 && !g_linkFailed && (!isTcpKind() || ext_client_socket >= 0)) {
        g_linkFailed = true;
        external_log_line(form, "Сбой связи (%i)", r);
        result = 2;
        // A failed socket carries nothing more: its client is gone. On the
        // serial links the host's unfinished frame goes with the failure.
        if (isTcpKind())
            dropClient(form, "Отключен клиент", "failed");
        else
            relay_end_client(st, fx);
    }

    // C: the TCP kinds' sockets.
    if (isTcpKind())
        tcpHousekeeping(form);
    return g_logged ? 2 : result;
}

// ---- the dialog's texts -------------------------------------------------------

void external_show_counters(vuForm *form)
{
    char text[16];
    str_format(text, sizeof text, "%u", ext_relay_state.bytes_from_host);
    setStatic(widget(form, "recv"), text);
    str_format(text, sizeof text, "%u", ext_relay_state.bytes_to_host);
    setStatic(widget(form, "send"), text);
}

void external_log_line(vuForm *form, const char *fmt, ...)
{
    vuMultiLine *msg = dynamic_cast<vuMultiLine *>(widget(form, "msg"));
    if (!msg)
        return;
    int h = vuUI::GetFontHeight(msg->GetFontIndex());
    if (h == 0)
        h = 8;
    int keep = (int(msg->GetHeight()) - 4) / h - 1;
    std::string text = msg->GetValue() ? msg->GetValue() : "";
    auto lines = [&]() {
        int count = 0;
        for (char c : text)
            count += c == '\n';
        return count;
    };
    // Fewer than keep lines stay, so the new one fits below them.
    while (!text.empty() && lines() >= (keep > 0 ? keep : 1)) {
        size_t nl = text.find('\n');
        text.erase(0, nl == std::string::npos ? text.size() : nl + 1);
    }
    OsTime now;
    memset(&now, 0, sizeof now);
    OsGetTime(&now);
    char line[300];
    int used = snprintf(line, sizeof line, "%02u%02u%02u ", unsigned(now.Hour), unsigned(now.Minute),
                        unsigned(now.Second));
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line + used, sizeof line - size_t(used), fmt, ap);
    va_end(ap);
    text += line;
    if (text.empty() || text.back() != '\n')
        text += '\n';
    if (text.size() > kLogMax - 1)
        text.erase(0, text.size() - (kLogMax - 1));
    msg->SetValue(text.c_str());
    g_logged = true;
    keep_awake();
}
