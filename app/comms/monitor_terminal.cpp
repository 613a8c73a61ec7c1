#include "monitor_terminal.h"

#include <string.h>

#include "CodePage.h"
#include "ServiceQueue.h"
#include "TMCommand.h"
#include "kfn_run.h"
#include "password.h"
#include "scoped_dialog.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuInput.h"
#include "vuMultiLine.h"
#include "vuUI.h"

char terminal_scrollback[TERMINAL_SCROLLBACK_MAX + 2];
char terminal_esc[TERMINAL_ESC_MAX + 1];
std::atomic<int> monitor_running{0};

namespace {

size_t g_length; // characters in terminal_scrollback
size_t g_esc;    // bytes in terminal_esc

const size_t kInputMax = 4096;

void dropLast()
{
    if (g_length > 0)
        terminal_scrollback[--g_length] = 0;
}

void escClear()
{
    g_esc = 0;
    terminal_esc[0] = 0;
}

} // namespace

void terminal_esc_clear()
{
    escClear();
}

void terminal_clear()
{
    g_length = 0;
    terminal_scrollback[0] = 0;
    escClear();
}

void terminal_append(const char *text, size_t len)
{
    if (!text)
        return;
    for (size_t i = 0; i < len; ++i) {
        char c = text[i];
        if (g_esc > 0) {
            terminal_esc[g_esc++] = c;
            terminal_esc[g_esc] = 0;
            if (g_esc == 3 && memcmp(terminal_esc, "\x1b[1", 3) != 0) {
                escClear();
            } else if (g_esc == 4) {
                char last = g_length ? terminal_scrollback[g_length - 1] : 0;
                if (c == 'D' && g_length && last != '\r' && last != '\n')
                    dropLast();
                escClear();
            }
        } else if (c == 8) {
            dropLast();
        } else if (c == 27) {
            terminal_esc[0] = c;
            terminal_esc[1] = 0;
            g_esc = 1;
        } else {
            if (g_length > TERMINAL_SCROLLBACK_MAX - 1) {
                memmove(terminal_scrollback, terminal_scrollback + 1, g_length - 1);
                --g_length;
            }
            terminal_scrollback[g_length++] = c;
            terminal_scrollback[g_length] = 0;
        }
    }
}

const char *monitor_key_text(int key)
{
    switch (key) {
    case 240: return "\r\n";
    case 241: return "HC";
    case 242: return "q";
    case 243: return "?";
    case 245: return "BE";
    case 246: return "BF";
    case 247: return "BI";
    case 248: return "SV";
    case 249: return "SC";
    default: return nullptr;
    }
}

int monitor_terminal_keys(vuEvent *event, intptr_t formAddress)
{
    vuForm *form = reinterpret_cast<vuForm *>(formAddress);
    int result = 0;
    static char buf[kInputMax + 1];
    int n;
    while ((n = ServiceMonitorReceive(buf, static_cast<int>(kInputMax), 0)) >= 1) {
        Cp866ToCp1251(buf, n);
        terminal_append(buf, static_cast<size_t>(n));
        result = 2;
    }
    vuInput *input = form ? dynamic_cast<vuInput *>(form->GetByName("input")) : nullptr;
    vuMultiLine *term = form ? dynamic_cast<vuMultiLine *>(form->GetByName("term")) : nullptr;
    int key = event ? event->key : 0;
    const char *text = nullptr;
    if (key == 13 || key == 244) {
        text = input && input->GetValue() ? input->GetValue() : "";
    } else if ((text = monitor_key_text(key)) != nullptr && key == 242) {
        monitor_running = 0;
    }
    size_t len = text ? strnlen(text, kInputMax) : 0;
    if (len > 0) {
        static char out[kInputMax + 1];
        memcpy(out, text, len);
        out[len] = 0;
        terminal_esc_clear();
        terminal_append(out, len);
        Cp1251ToCp866(out, static_cast<int>(len));
        ServiceMonitorSend(out, static_cast<uint32_t>(len));
        result = 2;
    }
    if (result == 2) {
        if (term) {
            term->SetValue(terminal_scrollback);
            term->Reset();
            term->AdjustToLastLine();
        }
        if (input)
            input->SetValue("");
    }
    return result;
}

// menu: term
int on_monitor_terminal(vuUI *ui, const char *title)
{
    // Only a given password opens it (-1: the password dialog is missing).
    if (ask_password(ui, title) != 1)
        return 0;
    monitor_running = 0;
    ScopedDialog dialog(ui, "kkt_dlg_terminal.xml");
    if (!dialog)
        return 0;
    terminal_clear();
    ui->Flush();
    dialog.form()->SetHeaderText(title);

    ServiceFlush();
    ServiceMonitorSend(nullptr, 0);
    monitor_running = 1;
    TMCommand enter;
    if (enter.EnterServiceMonitor() > 0)
        kfn_exchange_unlocked(enter, 5000);
    ServiceMonitorSend("?", 1);

    do {
        dialog.run(monitor_terminal_keys);
    } while (monitor_running == 1);

    TMCommand session;
    if (session.StartSession() > 0)
        kfn_exchange_unlocked(session, 5000);
    return 1;
}
