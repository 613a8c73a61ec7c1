#include "settings_apply.h"

#include "ServicePrint.h"
#include "osal.h"
#include "settings.h"
#include "terminal_helpers.h"
#include "ui_values.h"

#include <cstdio>
#include <cstring>

namespace {

const char kPrinter[] = "printer";
const char kTerminal[] = "terminal";
const int kPrinterTimeoutMs = 1000;

int setProperty(const char *var, const char *value)
{
    if (OsRegSetValue(var, value) == 0)
        return 0;
    std::fprintf(stderr, "settings: the property %s could not be set\n", var);
    return 1;
}

} // namespace

int apply_printer_settings()
{
    if (!settings_node(kPrinter))
        return 1;
    // Byte positions of the printer's block; bytes 1 and 4 stay zero.
    const struct {
        const char *key;
        int at;
    } fields[] = {{"linefeed", 0}, {"qrpixelwidth", 2}, {"notusefiscalmark", 3}};
    uint8_t block[5] = {0, 0, 0, 0, 0};
    bool any = false;
    for (const auto &f : fields) {
        const char *v = settings_get(kPrinter, f.key);
        if (!v)
            continue;
        block[f.at] = static_cast<uint8_t>(parse_number(v) & 0xFF);
        any = true;
    }
    if (!any)
        return 1;
    int r = ServicePrinterSettings(block, kPrinterTimeoutMs);
    if (r < 0)
        std::fprintf(stderr, "settings: the printer settings were not taken (%d)\n", r);
    return r < 0 ? r : 0;
}

int apply_terminal_registry()
{
    int failed = 0;
    if (mxml_node_t *section = settings_node(kTerminal)) {
        for (mxml_node_t *n = mxmlGetFirstChild(section); n; n = mxmlGetNextSibling(n)) {
            if (mxmlGetType(n) != MXML_ELEMENT)
                continue;
            const char *var = mxmlElementGetAttr(n, "var");
            const char *value = mxmlElementGetAttr(n, "value");
            if (var && value)
                failed += setProperty(var, value);
        }
    }
    failed += setProperty("persist.sys.delayshutdown", "3");
    failed += setProperty("persist.sys.sleepwaittime", "3");
    apply_brightness();
    return failed;
}
