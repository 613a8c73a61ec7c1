#include "fw_update.h"

#include <errno.h>
#include <fcntl.h>
#include <mutex>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CodePage.h"
#include "ServicePrint.h"
#include "ServiceQueue.h"
#include "TMCommand.h"
#include "conn_api.h"
#include "http_library.h"
#include "dialog.h"
#include "kfn_state.h"
#include "message_box.h"
#include "osal.h"
#include "safe_file.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_xml.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuInput.h"
#include "vuMenu.h"
#include "vuMultiLine.h"
#include "vuUI.h"
#include "widget_text.h"

namespace {

const uint8_t SOH = 0x01, STX = 0x02, ACK = 0x06, NAK = 0x15; // EOT (0x04) goes as text
const uint32_t kAnswerMs = 15000, kShortMs = 5000;

void errorBox(vuUI *ui, const char *text) { message_box(ui, "ОШИБКА", text, MB_OK | MB_ALERT); }

const char kInsecureText[] = "ОБНОВЛЕНИЕ ПРОШИВКИ ВОЗМОЖНО ТОЛЬКО ПО HTTPS\n\nАДРЕС ДОЛЖЕН НАЧИНАТЬСЯ С https://";
void waitBox(vuUI *ui, const char *text) { message_box(ui, "ПОДОЖДИТЕ", text, MB_NOWAIT); }
void line(char *report, const char *text)
{
    if (report)
        str_append(report, text, FW_REPORT_SIZE);
}

// ---- HTTP ----------------------------------------------------------------

// What a GET gave; the texts are those of the caller's boxes.
enum GetResult { GET_OK, GET_URL, GET_INSECURE, GET_REQUEST, GET_FAILED, GET_STATUS, GET_READ, GET_SINK };

struct Get {
    int code = 0;          // the library's result, or the HTTP status
    char text[256] = "";   // the library's error text or the status phrase
};

// GET of url; each piece of the body goes to sink (false stops it).
template <typename Sink> GetResult httpGet(const char *url, Get &out, Sink sink)
{
    // The HTTP library is loaded here, on the first request; without it
    // the request fails with the library's message.
    const http_api *ne = http_library(out.text, sizeof out.text);
    if (!ne) {
        out.code = NE_ERROR;
        return GET_FAILED;
    }
    ne_uri uri;
    memset(&uri, 0, sizeof uri);
    if (ne->uri_parse(url, &uri) != 0 || !uri.scheme || !uri.host || !uri.path) {
        ne->uri_free(&uri);
        return GET_URL;
    }
    // Only over HTTPS: anyone on the way could hand over another list or
    // image of plain HTTP, and the image goes into the controller.
    if (!fw_url_is_secure(url)) {
        ne->uri_free(&uri);
        return GET_INSECURE;
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
    GetResult result = GET_OK;
    if (!req) {
        result = GET_REQUEST;
    } else {
        int r = ne->begin_request(req);
        if (r != NE_OK) {
            out.code = r;
            str_copy(out.text, ne->get_error(sess), sizeof out.text);
            result = GET_FAILED;
        } else {
            const ne_status *st = ne->get_status(req);
            if (st->klass != 2) {
                out.code = st->code;
                str_copy(out.text, st->reason_phrase ? st->reason_phrase : "", sizeof out.text);
                ne->discard_response(req);
                result = GET_STATUS;
            } else {
                char buf[8192];
                ssize_t n;
                while ((n = ne->read_response_block(req, buf, sizeof buf)) > 0) {
                    if (!sink(buf, static_cast<size_t>(n))) {
                        result = GET_SINK;
                        break;
                    }
                }
                if (n < 0) {
                    out.code = static_cast<int>(n);
                    str_copy(out.text, ne->get_error(sess), sizeof out.text);
                    result = GET_READ;
                }
            }
            if (result == GET_OK || result == GET_STATUS)
                ne->end_request(req);
        }
        ne->request_destroy(req);
    }
    ne->session_destroy(sess);
    ne->uri_free(&uri);
    return result;
}

// The GET failures common to the list and the image.
void getFailureBox(vuUI *ui, GetResult r, const Get &g)
{
    char text[512];
    switch (r) {
    case GET_URL: errorBox(ui, "URL НЕ УДАЛОСЬ РАЗОБРАТЬ\n\nURL НЕ КОРРЕКТЕН"); break;
    case GET_INSECURE: errorBox(ui, kInsecureText); break;
    case GET_REQUEST: errorBox(ui, "НЕ УДАЛОСЬ СДЕЛАТЬ ЗАПРОС\n\nURL НЕ КОРРЕКТЕН"); break;
    case GET_FAILED:
        str_format(text, sizeof text, "СБОЙ ОБРАБОТКИ ЗАПРОСА GET [%i]\n\n%s", g.code, g.text);
        errorBox(ui, text);
        break;
    case GET_READ:
        str_format(text, sizeof text, "СБОЙ ПРИЕМА ДАННЫХ ОТВЕТА [%i]:\n\n%s", g.code, g.text);
        errorBox(ui, text);
        break;
    default: break;
    }
}

// ---- monitor channel ---------------------------------------------------------

// One text of the monitor (terminated), waiting at most ms: its length, or
// a negative value when none came.
int monitorText(char *buf, int max, uint32_t ms)
{
    int n = ServiceMonitorReceive(buf, max - 1, ms);
    buf[n > 0 ? n : 0] = 0;
    return n;
}

bool endsWith(const char *text, int n, char c) { return n > 0 && text[n - 1] == c; }

enum Answer { ANSWER_NONE, ANSWER_OK, ANSWER_NAK };

// Waits up to ms for the answer to a block: ACK (and, when wantC, a "C"
// after it, or a "C" alone), or NAK.
Answer awaitAnswer(uint32_t ms, bool wantAck, bool wantC)
{
    unsigned int start = OsGetTickCount();
    bool acked = !wantAck;
    for (;;) {
        unsigned int spent = OsGetTickCount() - start;
        if (spent >= ms)
            return ANSWER_NONE;
        uint8_t buf[256];
        int n = ServiceMonitorReceive(buf, sizeof buf, ms - spent);
        if (n < 0)
            return ANSWER_NONE;
        for (int i = 0; i < n; ++i) {
            if (buf[i] == NAK)
                return ANSWER_NAK;
            if (buf[i] == ACK) {
                acked = true;
                if (!wantC)
                    return ANSWER_OK;
            } else if (buf[i] == 'C' && wantC && acked) {
                return ANSWER_OK;
            }
        }
    }
}

int fail(vuUI *ui, char *report, const char *reportLine, const char *box)
{
    line(report, reportLine);
    errorBox(ui, box);
    return -1;
}

uint8_t *blockBuffer()
{
    static uint8_t block[YMODEM_DATA_BLOCK];
    return block;
}

int fieldNumber(mxml_node_t *item, const char *name, long *value)
{
    const char *text = item ? mxmlElementGetAttr(item, name) : nullptr;
    if (!text || !*text)
        return -1;
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || *end)
        return -1;
    *value = v;
    return 0;
}

const char *attr(mxml_node_t *item, const char *name)
{
    const char *v = item ? mxmlElementGetAttr(item, name) : nullptr;
    return v ? v : "";
}

} // namespace

// ---- blocks and checks ------------------------------------------------------

uint16_t crc16_xmodem(const uint8_t *data, size_t len)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < len; ++i) {
        crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
        for (int b = 0; b < 8; ++b)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

static int finishBlock(uint8_t *out, size_t dataLen)
{
    uint16_t crc = crc16_xmodem(out + 3, dataLen);
    out[3 + dataLen] = static_cast<uint8_t>(crc >> 8);
    out[4 + dataLen] = static_cast<uint8_t>(crc & 0xFF);
    return static_cast<int>(dataLen + 5);
}

int ymodem_header_block(const char *name, uint32_t size, uint8_t *out)
{
    if (!name || !*name || !out)
        return -1;
    char sizeText[16];
    int sizeLen = str_format(sizeText, sizeof sizeText, "%u", size);
    size_t nameLen = strlen(name);
    if (nameLen + 1 + static_cast<size_t>(sizeLen) > 128)
        return -1;
    memset(out, 0, YMODEM_HEADER_BLOCK);
    out[0] = SOH;
    out[1] = 0x00;
    out[2] = 0xFF;
    memcpy(out + 3, name, nameLen);
    memcpy(out + 3 + nameLen + 1, sizeText, static_cast<size_t>(sizeLen));
    return finishBlock(out, 128);
}

int ymodem_closing_block(uint8_t *out)
{
    memset(out, 0, YMODEM_HEADER_BLOCK);
    out[0] = SOH;
    out[2] = 0xFF;
    return finishBlock(out, 128);
}

int ymodem_data_block(uint32_t number, const uint8_t *data, size_t len, uint8_t *out)
{
    if (!out || len > 1024 || (len && !data))
        return -1;
    out[0] = STX;
    out[1] = static_cast<uint8_t>(number & 0xFF);
    out[2] = static_cast<uint8_t>(0xFF - (number & 0xFF));
    if (len)
        memcpy(out + 3, data, len);
    memset(out + 3 + len, 0, 1024 - len);
    return finishBlock(out, 1024);
}

int fw_version_newer(const char *current, const char *offered)
{
    auto digits = [](const char *v, int from) {
        int n = 0;
        for (int i = from; i < from + 3; ++i) {
            if (v[i] < '0' || v[i] > '9')
                return -1;
            n = n * 10 + (v[i] - '0');
        }
        return n;
    };
    if (!offered || strlen(offered) != 7)
        return -1;
    int newMajor = digits(offered, 1), newMinor = digits(offered, 4);
    if (newMajor < 0 || newMinor < 0)
        return -1;
    int curMajor = 0, curMinor = 0;
    if (current && strlen(current) >= 7) {
        curMajor = digits(current, 1);
        curMinor = digits(current, 4);
        if (curMajor < 0 || curMinor < 0)
            curMajor = curMinor = 0;
    }
    // Strictly newer as the pair (major, minor).
    return newMajor > curMajor || (newMajor == curMajor && newMinor > curMinor) ? 1 : 0;
}

int fw_url_is_secure(const char *url)
{
    static const char kScheme[] = "https://";
    const size_t n = sizeof kScheme - 1;
    // A host must follow the scheme.
    return url && strncasecmp(url, kScheme, n) == 0 && url[n] && url[n] != '/' ? 1 : 0;
}

int fw_image_url(const char *list_url, const char *file, char *out, size_t out_size)
{
    if (!list_url || !file || !out || out_size == 0)
        return -1;
    const char *slash = strrchr(list_url, '/');
    size_t base = slash ? static_cast<size_t>(slash - list_url) + 1 : 0;
    size_t total = base + strlen(file);
    if (total > FW_URL_MAX || total + 1 > out_size)
        return -1;
    memcpy(out, list_url, base);
    strcpy(out + base, file);
    return 0;
}

const char *fw_image_path()
{
    static char path[256];
    char dir[200];
    data_dir(dir, sizeof dir);
    str_format(path, sizeof path, "%supdate.bin", dir);
    return path;
}

// ---- the list -----------------------------------------------------------------

mxml_node_t *fw_parse_list(const char *body, size_t length)
{
    if (!body || length == 0 || length > FW_LIST_MAX || memchr(body, 0, length))
        return nullptr;
    char text[FW_LIST_MAX + 1];
    memcpy(text, body, length);
    text[length] = 0;
    mxml_node_t *list = nullptr;
    return xml_load_text(text, &list) == 0 ? list : nullptr;
}

mxml_node_t *fw_fetch_list(vuUI *ui, const char *url)
{
    waitBox(ui, "ИДЕТ ЗАГРУЗКА ПЕРЕЧНЯ ПРОШИВОК");
    static char body[FW_LIST_MAX + 1];
    size_t length = 0;
    bool tooLarge = false;
    Get g;
    GetResult r = httpGet(url, g, [&](const char *piece, size_t n) {
        if (length + n > FW_LIST_MAX) {
            tooLarge = true;
            return false;
        }
        memcpy(body + length, piece, n);
        length += n;
        return true;
    });
    if (r == GET_STATUS) {
        char text[512];
        str_format(text, sizeof text, "НЕВЕРНЫЙ СТАТУС ВЫПОЛНЕНИЯ ЗАПРОСА GET [%i]\n\n%s", g.code, g.text);
        errorBox(ui, text);
        return nullptr;
    }
    if (tooLarge) {
        // Refused whole: a cut list could name a cut image.
        errorBox(ui, "ПЕРЕЧЕНЬ ПРОШИВОК СЛИШКОМ ВЕЛИК\n\nОБНОВЛЕНИЕ НЕВОЗМОЖНО");
        return nullptr;
    }
    if (r != GET_OK) {
        getFailureBox(ui, r, g);
        return nullptr;
    }
    mxml_node_t *list = fw_parse_list(body, length);
    if (!list)
        errorBox(ui, "ПЕРЕЧЕНЬ ПРОШИВОК НЕ РАСПОЗНАН\n\nОБНОВЛЕНИЕ НЕВОЗМОЖНО");
    return list;
}

mxml_node_t *fw_choose_model(vuUI *ui, mxml_node_t *list, const char *model, const char *type)
{
    mxml_node_t *fw = list ? mxmlFindElement(list, list, "firmware", nullptr, nullptr, MXML_DESCEND) : nullptr;
    if (!fw) {
        errorBox(ui, "НЕВЕРНАЯ СТРУКТУРА ПЕРЕЧНЯ ПРОШИВОК\n\nОБНОВЛЕНИЕ НЕВОЗМОЖНО");
        return nullptr;
    }
    if (model && *model) {
        mxml_node_t *item = mxmlFindElement(fw, fw, "item", nullptr, nullptr, MXML_DESCEND_FIRST);
        while (item) {
            mxml_node_t *next = mxmlFindElement(item, fw, "item", nullptr, nullptr, MXML_NO_DESCEND);
            if (strcmp(attr(item, "model"), model) != 0)
                mxmlDelete(item);
            item = next;
        }
    }
    if (type && *type) {
        for (mxml_node_t *item = mxmlFindElement(fw, fw, "item", nullptr, nullptr, MXML_DESCEND_FIRST); item;
             item = mxmlFindElement(item, fw, "item", nullptr, nullptr, MXML_NO_DESCEND))
            if (strcmp(attr(item, "type"), type) == 0)
                return item;
    }
    char header[64];
    str_format(header, sizeof header, "KKT %s", model ? model : "");
    vuMenu *menu = new vuMenu("ВЫБЕРИТЕ ТИП ККТ", nullptr, 0);
    menu->SetOption(0xE006);
    menu->SetMaxLines(3);
    menu->SetHeaderText(header);
    mxml_node_t *rows[64];
    int count = 0;
    for (mxml_node_t *item = mxmlFindElement(fw, fw, "item", nullptr, nullptr, MXML_DESCEND_FIRST);
         item && count < 64; item = mxmlFindElement(item, fw, "item", nullptr, nullptr, MXML_NO_DESCEND)) {
        if (!*attr(item, "type"))
            continue;
        char row[160];
        str_format(row, sizeof row, "%s\n%s\n%s", attr(item, "type"), attr(item, "model"), attr(item, "ver"));
        menu->AddItem(row, nullptr, 0);
        rows[count++] = item;
    }
    if (count == 0) {
        delete menu;
        message_box(ui, "ВНИМАНИЕ", "Нет доступных обновлений для вашей ККТ", MB_OK);
        return nullptr;
    }
    if (!ui) {
        delete menu;
        return nullptr;
    }
    ui->Add(menu);
    menu->Reset();
    ui->Show(menu);
    ui->WaitEndModal();
    int state = menu->GetState();
    unsigned selected = menu->GetSelected();
    ui->Del(menu);
    return state == 1 && selected >= 1 && selected <= static_cast<unsigned>(count) ? rows[selected - 1] : nullptr;
}

int fw_check_version(vuUI *ui, mxml_node_t *item, const char *current)
{
    const char *ver = attr(item, "ver");
    int newer = fw_version_newer(current, ver);
    if (newer < 0) {
        errorBox(ui, "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ ver");
        return 0;
    }
    char text[512];
    if (newer == 0) {
        str_format(text, sizeof text, "ОБНОВЛЕНИЕ НЕ ТРЕБУЕТСЯ\n\nCUR: %s\nNEW: %s", current, ver);
        message_box(ui, "ВНИМАНИЕ", text, MB_OK);
        return 0;
    }
    bool ffd = strncmp(ver + 1, current + 1, 3) > 0;
    str_format(text, sizeof text,
               "%s\n\nПРОГРАММЫ КАССЫ МОГУТ НЕ РАБОТАТЬ С НОВОЙ ПРОШИВКОЙ. ОБНОВЛЕНИЕ СОГЛАСУЙТЕ С СЕРВИСНЫМ "
               "ЦЕНТРОМ.\n\nОТМЕНА ПРЕКРАЩАЕТ ОБНОВЛЕНИЕ.",
               ffd ? "НОВАЯ ПРОШИВКА ПЕРЕВОДИТ КОНТРОЛЛЕР НА НОВУЮ ВЕРСИЮ ФФД."
                   : "НОВАЯ ПРОШИВКА ДОБАВЛЯЕТ НОВЫЕ ФУНКЦИИ.");
    return message_box(ui, "ВНИМАНИЕ", text, MB_OK | MB_CANCEL) == MB_RESULT_OK ? 1 : 0;
}

long fw_fetch_image(vuUI *ui, const char *url, const char *file, mxml_node_t *item)
{
    long size = 0;
    if (fieldNumber(item, "size", &size) != 0 || size < 1 || size > FW_IMAGE_MAX) {
        errorBox(ui, "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ size");
        return 0;
    }
    waitBox(ui, "ИДЕТ ЗАГРУЗКА ФАЙЛА ОБНОВЛЕНИЯ КФН");
    char imageUrl[FW_URL_MAX + 1];
    const char *name = attr(item, "file");
    if (fw_image_url(url, name, imageUrl, sizeof imageUrl) != 0) {
        errorBox(ui, "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file");
        return 0;
    }
    // The image is data, not a program; it replaces an older one only once
    // it is whole.
    SafeFile image(file, SAFE_MODE_FILE);
    if (image.Failed()) {
        image.LogFailure("fw_update");
        errorBox(ui, "ОШИБКА СОЗДАНИЯ ФАЙЛА ОБНОВЛЕНИЯ ККТ");
        unlink(file);
        return 0;
    }
    long written = 0;
    Get g;
    GetResult r = httpGet(imageUrl, g, [&](const char *piece, size_t n) {
        // More than the list promised is not written: the size is wrong.
        if (written + static_cast<long>(n) > size) {
            written += static_cast<long>(n);
            return false;
        }
        if (!image.Write(piece, n))
            return false;
        written += static_cast<long>(n);
        return true;
    });
    const bool writeFailed = image.Failed();
    char text[1200];
    if (r == GET_STATUS) {
        if (g.code == 404)
            str_format(text, sizeof text, "Ошибка.\n\nФайла:\n%s\nнет на сервере", name);
        else
            str_format(text, sizeof text, "Неверный статус выполнения запроса GET [%i]\n\n%s", g.code, g.text);
        errorBox(ui, text);
        unlink(file);
        return 0;
    }
    if (r != GET_OK && r != GET_SINK) {
        getFailureBox(ui, r, g);
        unlink(file);
        return 0;
    }
    if (writeFailed) {
        image.LogFailure("fw_update");
        errorBox(ui, "ОШИБКА СОЗДАНИЯ ФАЙЛА ОБНОВЛЕНИЯ ККТ");
        unlink(file);
        return 0;
    }
    if (written != size) {
        image.Abandon();
        str_format(text, sizeof text, "НЕ ПРАВИЛЬНЫЙ РАЗМЕР ФАЙЛА [%li]\n\n", written);
        errorBox(ui, text);
        unlink(file);
        return 0;
    }
    if (!image.Commit()) {
        image.LogFailure("fw_update");
        errorBox(ui, "ОШИБКА СОЗДАНИЯ ФАЙЛА ОБНОВЛЕНИЯ ККТ");
        unlink(file);
        return 0;
    }
    return size;
}

// ---- the upload -----------------------------------------------------------------

int fw_flash(vuUI *ui, const char *file, long size, int mode, char *report)
{
    char text[FW_REPORT_SIZE];
    char buf[4097];
    if (mode == 1) {
        TMCommand enter;
        int r = enter.EnterServiceMonitor() > 0 ? kfn_exec(nullptr, &enter, 5000) : -1;
        if (r != 0) {
            str_format(text, sizeof text, "\nОШИБКА: ВЫПОЛНЕНИЯ КОМАНДЫ ВЫХОДА В МОНИТОР %i (%i)", r, enter.ErrorCode());
            return fail(ui, report, text, "ОШИБКА ВЫХОДА В СЕРВИСНЫЙ МОНИТОР\n\nОШИБКА КОМАНДЫ");
        }
        ServiceMonitorSend("\x13", 1);
        line(report, "\nКФН ПЕРЕВЕДЕН В РЕЖИМ СЕРВИСНОГО МОНИТОРА");
        waitBox(ui, "КФН ПЕРЕВЕДЕН В РЕЖИМ СЕРВИСНОГО МОНИТОРА");
        for (int i = 0; i < 3; ++i) {
            int n = monitorText(buf, sizeof buf, kShortMs);
            if (n < 0) {
                line(report, "\nсервисный режим, не получено приглашение от кфн");
                break;
            }
            if (endsWith(buf, n, '>'))
                break;
            ServiceMonitorSend("\x13", 1);
        }
    }
    ServiceMonitorSend("Q", 1);
    for (int i = 0;; ++i) {
        int n = monitorText(buf, sizeof buf, kShortMs);
        if (n < 0 || i == 16)
            return fail(ui, report, "\nОШИБКА: ВХОДА В РЕЖИМ ОБНОВЛЕНИЯ, КФН НЕ ВЫШЕЛ ИЗ МОНИТОРА",
                        "ОШИБКА ВХОДА В РЕЖИМ ОБНОВЛЕНИЯ\n\nКФН НЕ ВЫШЕЛ ИЗ МОНИТОРА");
        if (endsWith(buf, n, 'Q'))
            break;
    }
    OsSleep(2000);

    ServiceMonitorSend(" ", 1);
    line(report, "\nКФН ПЕРЕВЕДЕН В РЕЖИМ ОБНОВЛЕНИЯ ПРОШИВКИ");
    waitBox(ui, "ПЕРЕВОЖУ КФН В РЕЖИМ ОБНОВЛЕНИЯ\n\nОЖИДАНИЕ ПОДТВЕРЖДЕНИЯ ОТ КФН");
    for (int got = 0, i = 0; got < 2; ++i) {
        int n = monitorText(buf, sizeof buf, kShortMs);
        if (n < 0 || i == 16)
            return fail(ui, report,
                        "\nОШИБКА: ПОДТВЕРЖДЕНИЕ ОТ КФН НЕ ПОЛУЧЕНО, ВОЗМОЖНО КФН НЕ ПОДДЕРЖИВАЕТ ОБНОВЛЕНИЕ",
                        "ПОДТВЕРЖДЕНИЕ ОТ КФН НЕ ПОЛУЧЕНО\n\nВОЗМОЖНО КФН НЕ ПОДДЕРЖИВАЕТ ОБНОВЛЕНИЕ");
        if (endsWith(buf, n, 'C'))
            ++got;
    }
    line(report, "\nПОДТВЕРЖДЕНИЕ ОТ КФН ПОЛУЧЕНО, НАЧИНАЮ ПРОЦЕДУРУ ОБНОВЛЕНИЯ");

    FILE *image = fopen(fw_image_path(), "rb");
    if (!image)
        return fail(ui, report, "\nОШИБКА: СБОЙ ОТКРЫТИЯ ФАЙЛА ОБНОВЛЕНИЯ",
                    "ОШИБКА ОТКРЫТИЯ ФАЙЛА ОБНОВЛЕНИЯ\n\nФАЙЛ НЕ НАЙДЕН");
    uint8_t *block = blockBuffer();
    int len = ymodem_header_block(file, static_cast<uint32_t>(size), block);
    if (len < 0) {
        fclose(image);
        return fail(ui, report, "\nОШИБКА: В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file",
                    "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file");
    }
    ServiceMonitorSend(block, static_cast<uint32_t>(len));
    Answer a = awaitAnswer(kAnswerMs, false, true);
    if (a != ANSWER_OK) {
        fclose(image);
        if (a == ANSWER_NAK)
            return fail(ui, report, "\nОШИБКА: СБОЙ ПРИ ОТПРАВКЕ ЗАГОЛОВКА ОБНОВЛЕНИЯ В КФН",
                        "СБОЙ ПРИ ОТПРАВКЕ ЗАГОЛОВКА ОБНОВЛЕНИЯ В КФН");
        return fail(ui, report, "\nОШИБКА: СБОЙ ПОЛУЧЕНИЯ ОТВЕТА ОТ КФН НА ЗАГОЛОВОК ОБНОВЛЕНИЯ",
                    "СБОЙ ВО ВРЕМЯ ПРИЕМА ОТВЕТА КФН ПРИ ОБНОВЛЕНИИ");
    }
    line(report, "\nОТПРАВЛЕН ЗАГОЛОВОК ОБНОВЛЕНИЯ В КФН");

    const unsigned total = static_cast<unsigned>((size + 1023) / 1024);
    unsigned sent = 0;
    while (static_cast<long>(sent) * 1024 < size) {
        uint8_t data[1024];
        size_t n = fread(data, 1, sizeof data, image);
        ymodem_data_block(sent + 1, data, n, block);
        ServiceMonitorSend(block, YMODEM_DATA_BLOCK);
        a = awaitAnswer(kAnswerMs, true, false);
        if (a != ANSWER_OK) {
            fclose(image);
            if (a == ANSWER_NAK) {
                str_format(text, sizeof text, "\nОШИБКА: СБОЙ ПРИ ОТПРАВКЕ %i ПАКЕТА ОБНОВЛЕНИЯ В КФН", sent + 1);
                return fail(ui, report, text, "СБОЙ ПРИ ОТПРАВКЕ ДАННЫХ ОБНОВЛЕНИЯ В КФН");
            }
            str_format(text, sizeof text, "\nОШИБКА: СБОЙ ПОЛУЧЕНИЯ ОТВЕТА ОТ КФН НА %i ПАКЕТ ОБНОВЛЕНИЯ", sent + 1);
            return fail(ui, report, text, "СБОЙ ВО ВРЕМЯ ПРИЕМА ОТВЕТА КФН ПРИ ОБНОВЛЕНИИ");
        }
        ++sent;
        if (ui) {
            str_format(text, sizeof text, "ОБНОВЛЕНИЕ\n\nУСТАНОВЛЕН %u\nИЗ %u ПАКЕТОВ", sent, total);
            message_box(ui, "ПОДОЖДИТЕ", text, MB_NOWAIT);
        }
    }
    fclose(image);
    // The blocks that went, not size / 1024 (which leaves out a last part).
    str_format(text, sizeof text, "\nУСТАНОВЛЕНО %i ПАКЕТОВ ОБНОВЛЕНИЯ В КФН", static_cast<int>(sent));
    line(report, text);

    ServiceMonitorSend("\x04", 1);
    a = awaitAnswer(kShortMs, true, true);
    if (a != ANSWER_OK)
        return fail(ui, report, "\nОШИБКА: СБОЙ ПРИ ОТПРАВКЕ EOT В КФН",
                    a == ANSWER_NAK ? "СБОЙ ПРИ ОТПРАВКЕ EOT В КФН" : "СБОЙ ВО ВРЕМЯ ПРИЕМА ОТВЕТА НА EOT ОТ КФН");

    line(report, "\nОТПРАВКА ЗАВЕРШЕНИЯ ОБНОВЛЕНИЯ В КФН");
    len = ymodem_closing_block(block);
    ServiceMonitorSend(block, static_cast<uint32_t>(len));
    a = awaitAnswer(kShortMs, true, false);
    if (a != ANSWER_OK)
        return fail(ui, report, "\nОШИБКА: СБОЙ ПРИ ОТПРАВКЕ ЗАВЕРШЕНИЯ ОБНОВЛЕНИЯ В КФН",
                    "СБОЙ ПРИ ОТПРАВКЕ ЗАВЕРШЕНИЯ ОБНОВЛЕНИЯ В КФН");
    line(report, "\nКФН УСПЕШНО ОБНОВЛЕН");
    ServiceSend(1, nullptr, 0);
    // What the controller says after the update.
    int n;
    while ((n = monitorText(buf, sizeof buf, 1000)) > 0) {
        Cp866ToCp1251(buf, n);
        line(report, buf);
    }
    return 1;
}

// ---- one update and the dialog -------------------------------------------------

int fw_update_run(vuUI *ui, const char *url, int mode, char *report)
{
    if (!fw_url_is_secure(url)) {
        line(report, "\nОШИБКА: ОБНОВЛЕНИЕ ПРОШИВКИ ВОЗМОЖНО ТОЛЬКО ПО HTTPS");
        errorBox(ui, kInsecureText);
        return -1;
    }
    char model[17] = "", current[13] = "", type[19] = "";
    if (mode == 1) {
        TMCommand info;
        if (info.GetKktInfo() <= 0 || kfn_exec(ui, &info, 5000) != 0) {
            line(report, "\nОШИБКА: НЕ ПОЛУЧЕНЫ СВЕДЕНИЯ О ККТ");
            return -1;
        }
        info.FieldText1251(5, model, sizeof model);
        info.FieldText(10, current, sizeof current);
        info.FieldText1251(6, type, sizeof type);
        if (info.CurrentStatus() >= 0 && (info.CurrentStatus() & 0x800)) {
            line(report, "\nВНИМАНИЕ: ПЕРЕД ОПЕРАЦИЕЙ СМЕНА ДОЛЖНА БЫТЬ ЗАКРЫТА");
            message_box(ui, "ВНИМАНИЕ", "ПЕРЕД ОПЕРАЦИЕЙ СМЕНА ДОЛЖНА БЫТЬ ЗАКРЫТА\n\nЗАКРОЙТЕ СМЕНУ",
                        MB_OK | MB_ALERT);
            return -1;
        }
        // The fatal status is a byte: 0x08 is "registered".
        if (info.FatalStatus() >= 0 && (info.FatalStatus() & 0x08)) {
            TMCommand docs;
            if (docs.GetWaitDocs() > 0 && kfn_exec(ui, &docs, 5000) == 0 && docs.FieldWord(5) != 0) {
                line(report, "\nВНИМАНИЕ: ПЕРЕД ОПЕРАЦИЕЙ ВСЕ ДОКУМЕНТЫ ДОЛЖНЫ БЫТЬ ОТПРАВЛЕНЫ В ОФД");
                message_box(ui, "ВНИМАНИЕ", "ПЕРЕД ОПЕРАЦИЕЙ ВСЕ ДОКУМЕНТЫ ДОЛЖНЫ БЫТЬ ОТПРАВЛЕНЫ В ОФД",
                            MB_OK | MB_ALERT);
                return -1;
            }
        }
    }
    char text[256];
    int c = conn_connect(ui, nullptr);
    if (c != 0) {
        str_format(text, sizeof text, "\nОШИБКА: СБОЙ ИНИЦИАЛИЗАЦИИ СОЕДИНЕНИЯ (КОД %i)", c);
        line(report, text);
        return -1;
    }
    int result = -1;
    mxml_node_t *list = fw_fetch_list(ui, url);
    mxml_node_t *item = list ? fw_choose_model(ui, list, model, type) : nullptr;
    if (item && (!*current || fw_check_version(ui, item, current) == 1)) {
        const char *file = attr(item, "file");
        long size = 0;
        uint8_t header[YMODEM_HEADER_BLOCK];
        char imageUrl[FW_URL_MAX + 1];
        bool fileOk = *file && fieldNumber(item, "size", &size) == 0 && size >= 0 &&
                      ymodem_header_block(file, static_cast<uint32_t>(size), header) > 0 &&
                      fw_image_url(url, file, imageUrl, sizeof imageUrl) == 0;
        if (!fileOk) {
            line(report, "\nОШИБКА: В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file");
            errorBox(ui, "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file");
        } else if ((size = fw_fetch_image(ui, url, fw_image_path(), item)) > 0) {
            char question[512];
            str_format(question, sizeof question,
                       "Обновление прошивки\n с версии %s\n до версии %s.\n\nИмя файла прошивки: %s\n\nПродолжить?",
                       current, attr(item, "ver"), file);
            if (message_box(ui, "ВНИМАНИЕ", question, MB_OK | MB_CANCEL | MB_ALERT) != MB_RESULT_OK) {
                unlink(fw_image_path());
            } else {
                result = fw_flash(ui, file, size, mode, report);
                if (result == 1)
                    unlink(fw_image_path());
            }
        }
    }
    if (list)
        mxmlDelete(list);
    conn_disconnect();
    return result;
}

namespace {

int dialogKeys(vuEvent *event, intptr_t)
{
    return event && event->key == '0' ? 100 : 0;
}

void printReport(vuUI *ui, const char *report)
{
    char text[FW_REPORT_SIZE + 128];
    str_copy(text, "         ОТЧЕТ ОБ ОБНОВЛЕНИИ\n========================================\n", sizeof text);
    int n = static_cast<int>(strlen(text));
    Cp1251ToCp866(text, n);
    ServicePrintRaw(text, static_cast<uint32_t>(n), 3000);
    str_copy(text, report, sizeof text);
    n = static_cast<int>(strlen(text));
    Cp1251ToCp866(text, n);
    ServicePrintRaw(text, static_cast<uint32_t>(n), 3000);
    TMCommand feed;
    if (feed.Command1D() > 0)
        kfn_exec(ui, &feed, 3000);
}

} // namespace

int fw_update_dialog(vuUI *ui, const char *title, char *url, int)
{
    vuForm *form = dialog_create(ui, "common_dlg_update_firmware.xml");
    if (!form)
        return -1;
    const char *noedit = settings_get("fwupdate", "noedit");
    vuInput *urlField = dynamic_cast<vuInput *>(form->GetByName("url"));
    vuObject *modeField = form->GetByName("mode");
    vuMultiLine *msg = dynamic_cast<vuMultiLine *>(form->GetByName("msg"));
    if (urlField && noedit && atoi(noedit) != 0)
        urlField->SetFocusable(0); // shown, not edited
    form->SetHeaderText(title);
    ui->Add(form);
    static char report[FW_REPORT_SIZE];
    report[0] = 0;
    char modeText[4] = "1";
    int result = -1;
    for (;;) {
        // Reset empties the fields: the address and the report come back.
        form->Reset();
        if (urlField)
            urlField->SetValue(url ? url : "");
        if (msg)
            msg->SetValue(report);
        if (vuInput *modeInput = dynamic_cast<vuInput *>(modeField))
            modeInput->SetValue(modeText);
        ui->Show(form, dialogKeys);
        ui->WaitEndModal();
        int state = form->GetState();
        if (state == -1)
            break;
        if (state == 1) {
            const char *typed = urlField ? urlField->GetValue() : url;
            char target[128];
            str_copy(target, typed ? typed : "", sizeof target);
            if (url)
                str_copy(url, target, 128);
            if (strlen(target) > 7) {
                // 2: the controller is in its monitor already; anything
                // else puts it there first.
                const char *typedMode = widget_text(modeField);
                int mode = typedMode && atoi(typedMode) == 2 ? 2 : 1;
                str_format(modeText, sizeof modeText, "%d", mode);
                report[0] = 0;
                result = fw_update_run(ui, target, mode, report);
            } else {
                message_box(ui, "ОШИБКА", "НЕПРАВИЛЬНЫЙ URL!\n\nСКОРРЕКТИРУЙТЕ URL", MB_OK | MB_ALERT);
            }
        } else if (state == 100 && report[0]) {
            printReport(ui, report);
        }
    }
    ui->Del(form);
    return result;
}
