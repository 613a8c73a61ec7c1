#include "fw_update.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "CodePage.h"
#include "ServicePrint.h"
#include "TMCommand.h"
#include "conn_api.h"
#include "error_box.h"
#include "fw_upload.h"
#include "kfn_state.h"
#include "list_page.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuInput.h"
#include "vuMenu.h"
#include "vuMultiLine.h"
#include "vuUI.h"
#include "widget_text.h"

namespace {

const char kInsecureText[] = "ОБНОВЛЕНИЕ ПРОШИВКИ ВОЗМОЖНО ТОЛЬКО ПО HTTPS\n\nАДРЕС ДОЛЖЕН НАЧИНАТЬСЯ С https://";
void waitBox(vuUI *ui, const char *text) { message_box(ui, "ПОДОЖДИТЕ", text, MB_NOWAIT); }
void line(char *report, const char *text)
{
    if (report)
        str_append(report, text, FW_REPORT_SIZE);
}

// The GET failures common to the list and the image.
void getFailureBox(vuUI *ui, FwGetResult r, const FwGet &g)
{
    char text[512];
    switch (r) {
    case FW_GET_URL: error_box(ui, "URL НЕ УДАЛОСЬ РАЗОБРАТЬ\n\nURL НЕ КОРРЕКТЕН"); break;
    case FW_GET_INSECURE: error_box(ui, kInsecureText); break;
    case FW_GET_REQUEST: error_box(ui, "НЕ УДАЛОСЬ СДЕЛАТЬ ЗАПРОС\n\nURL НЕ КОРРЕКТЕН"); break;
    case FW_GET_FAILED:
        str_format(text, sizeof text, "СБОЙ ОБРАБОТКИ ЗАПРОСА GET [%i]\n\n%s", g.code, g.text);
        error_box(ui, text);
        break;
    case FW_GET_READ:
        str_format(text, sizeof text, "СБОЙ ПРИЕМА ДАННЫХ ОТВЕТА [%i]:\n\n%s", g.code, g.text);
        error_box(ui, text);
        break;
    default: break;
    }
}

int fail(vuUI *ui, char *report, const char *reportLine, const char *box)
{
    line(report, reportLine);
    error_box(ui, box);
    return -1;
}

// The upload's steps as report lines and boxes.
class UploadScreen : public FwUploadListener {
public:
    UploadScreen(vuUI *ui, char *report) : ui_(ui), report_(report) {}
    void step(FwUploadStep step, unsigned number) override
    {
        char text[128];
        switch (step) {
        case FW_STEP_IN_MONITOR:
            line(report_, "\nКФН ПЕРЕВЕДЕН В РЕЖИМ СЕРВИСНОГО МОНИТОРА");
            waitBox(ui_, "КФН ПЕРЕВЕДЕН В РЕЖИМ СЕРВИСНОГО МОНИТОРА");
            break;
        case FW_STEP_NO_PROMPT: line(report_, "\nсервисный режим, не получено приглашение от кфн"); break;
        case FW_STEP_UPDATE_MODE:
            line(report_, "\nКФН ПЕРЕВЕДЕН В РЕЖИМ ОБНОВЛЕНИЯ ПРОШИВКИ");
            waitBox(ui_, "ПЕРЕВОЖУ КФН В РЕЖИМ ОБНОВЛЕНИЯ\n\nОЖИДАНИЕ ПОДТВЕРЖДЕНИЯ ОТ КФН");
            break;
        case FW_STEP_CONFIRMED:
            line(report_, "\nПОДТВЕРЖДЕНИЕ ОТ КФН ПОЛУЧЕНО, НАЧИНАЮ ПРОЦЕДУРУ ОБНОВЛЕНИЯ");
            break;
        case FW_STEP_HEADER_SENT: line(report_, "\nОТПРАВЛЕН ЗАГОЛОВОК ОБНОВЛЕНИЯ В КФН"); break;
        case FW_STEP_BLOCKS_SENT:
            str_format(text, sizeof text, "\nУСТАНОВЛЕНО %i ПАКЕТОВ ОБНОВЛЕНИЯ В КФН", static_cast<int>(number));
            line(report_, text);
            break;
        case FW_STEP_CLOSING: line(report_, "\nОТПРАВКА ЗАВЕРШЕНИЯ ОБНОВЛЕНИЯ В КФН"); break;
        case FW_STEP_UPDATED: line(report_, "\nКФН УСПЕШНО ОБНОВЛЕН"); break;
        }
    }
    void progress(unsigned sent, unsigned total) override
    {
        if (!ui_)
            return;
        char text[128];
        str_format(text, sizeof text, "ОБНОВЛЕНИЕ\n\nУСТАНОВЛЕН %u\nИЗ %u ПАКЕТОВ", sent, total);
        message_box(ui_, "ПОДОЖДИТЕ", text, MB_NOWAIT);
    }
    void controller_text(const char *text) override { line(report_, text); }

private:
    vuUI *ui_;
    char *report_;
};

// A failed upload's report line and box.
int uploadFailed(vuUI *ui, char *report, FwUploadResult r, const FwUploadFailure &f)
{
    char text[256];
    switch (r) {
    case FW_UPLOAD_ENTER_FAILED:
        str_format(text, sizeof text, "\nОШИБКА: ВЫПОЛНЕНИЯ КОМАНДЫ ВЫХОДА В МОНИТОР %i (%i)", f.command, f.error);
        return fail(ui, report, text, "ОШИБКА ВЫХОДА В СЕРВИСНЫЙ МОНИТОР\n\nОШИБКА КОМАНДЫ");
    case FW_UPLOAD_STAYED_IN_MONITOR:
        return fail(ui, report, "\nОШИБКА: ВХОДА В РЕЖИМ ОБНОВЛЕНИЯ, КФН НЕ ВЫШЕЛ ИЗ МОНИТОРА",
                    "ОШИБКА ВХОДА В РЕЖИМ ОБНОВЛЕНИЯ\n\nКФН НЕ ВЫШЕЛ ИЗ МОНИТОРА");
    case FW_UPLOAD_NOT_CONFIRMED:
        return fail(ui, report,
                    "\nОШИБКА: ПОДТВЕРЖДЕНИЕ ОТ КФН НЕ ПОЛУЧЕНО, ВОЗМОЖНО КФН НЕ ПОДДЕРЖИВАЕТ ОБНОВЛЕНИЕ",
                    "ПОДТВЕРЖДЕНИЕ ОТ КФН НЕ ПОЛУЧЕНО\n\nВОЗМОЖНО КФН НЕ ПОДДЕРЖИВАЕТ ОБНОВЛЕНИЕ");
    case FW_UPLOAD_NO_IMAGE:
        return fail(ui, report, "\nОШИБКА: СБОЙ ОТКРЫТИЯ ФАЙЛА ОБНОВЛЕНИЯ",
                    "ОШИБКА ОТКРЫТИЯ ФАЙЛА ОБНОВЛЕНИЯ\n\nФАЙЛ НЕ НАЙДЕН");
    case FW_UPLOAD_BAD_NAME:
        return fail(ui, report, "\nОШИБКА: В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file",
                    "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file");
    case FW_UPLOAD_HEADER_NAK:
        return fail(ui, report, "\nОШИБКА: СБОЙ ПРИ ОТПРАВКЕ ЗАГОЛОВКА ОБНОВЛЕНИЯ В КФН",
                    "СБОЙ ПРИ ОТПРАВКЕ ЗАГОЛОВКА ОБНОВЛЕНИЯ В КФН");
    case FW_UPLOAD_HEADER_NO_ANSWER:
        return fail(ui, report, "\nОШИБКА: СБОЙ ПОЛУЧЕНИЯ ОТВЕТА ОТ КФН НА ЗАГОЛОВОК ОБНОВЛЕНИЯ",
                    "СБОЙ ВО ВРЕМЯ ПРИЕМА ОТВЕТА КФН ПРИ ОБНОВЛЕНИИ");
    case FW_UPLOAD_BLOCK_NAK:
        str_format(text, sizeof text, "\nОШИБКА: СБОЙ ПРИ ОТПРАВКЕ %i ПАКЕТА ОБНОВЛЕНИЯ В КФН", f.block);
        return fail(ui, report, text, "СБОЙ ПРИ ОТПРАВКЕ ДАННЫХ ОБНОВЛЕНИЯ В КФН");
    case FW_UPLOAD_BLOCK_NO_ANSWER:
        str_format(text, sizeof text, "\nОШИБКА: СБОЙ ПОЛУЧЕНИЯ ОТВЕТА ОТ КФН НА %i ПАКЕТ ОБНОВЛЕНИЯ", f.block);
        return fail(ui, report, text, "СБОЙ ВО ВРЕМЯ ПРИЕМА ОТВЕТА КФН ПРИ ОБНОВЛЕНИИ");
    case FW_UPLOAD_EOT_NAK:
        return fail(ui, report, "\nОШИБКА: СБОЙ ПРИ ОТПРАВКЕ EOT В КФН", "СБОЙ ПРИ ОТПРАВКЕ EOT В КФН");
    case FW_UPLOAD_EOT_NO_ANSWER:
        return fail(ui, report, "\nОШИБКА: СБОЙ ПРИ ОТПРАВКЕ EOT В КФН", "СБОЙ ВО ВРЕМЯ ПРИЕМА ОТВЕТА НА EOT ОТ КФН");
    case FW_UPLOAD_CLOSING_FAILED:
        return fail(ui, report, "\nОШИБКА: СБОЙ ПРИ ОТПРАВКЕ ЗАВЕРШЕНИЯ ОБНОВЛЕНИЯ В КФН",
                    "СБОЙ ПРИ ОТПРАВКЕ ЗАВЕРШЕНИЯ ОБНОВЛЕНИЯ В КФН");
    case FW_UPLOAD_OK: break;
    }
    return 1;
}

} // namespace

// ---- the list -----------------------------------------------------------------

mxml_node_t *fw_fetch_list(vuUI *ui, const char *url)
{
    waitBox(ui, "ИДЕТ ЗАГРУЗКА ПЕРЕЧНЯ ПРОШИВОК");
    static char body[FW_LIST_MAX + 1];
    size_t length = 0;
    bool tooLarge = false;
    FwGet g;
    FwGetResult r = fw_http_get_text(url, g, body, FW_LIST_MAX, &length, &tooLarge);
    if (r == FW_GET_STATUS) {
        char text[512];
        str_format(text, sizeof text, "НЕВЕРНЫЙ СТАТУС ВЫПОЛНЕНИЯ ЗАПРОСА GET [%i]\n\n%s", g.code, g.text);
        error_box(ui, text);
        return nullptr;
    }
    if (tooLarge) {
        // Refused whole: a cut list could name a cut image.
        error_box(ui, "ПЕРЕЧЕНЬ ПРОШИВОК СЛИШКОМ ВЕЛИК\n\nОБНОВЛЕНИЕ НЕВОЗМОЖНО");
        return nullptr;
    }
    if (r != FW_GET_OK) {
        getFailureBox(ui, r, g);
        return nullptr;
    }
    mxml_node_t *list = fw_parse_list(body, length);
    if (!list)
        error_box(ui, "ПЕРЕЧЕНЬ ПРОШИВОК НЕ РАСПОЗНАН\n\nОБНОВЛЕНИЕ НЕВОЗМОЖНО");
    return list;
}

mxml_node_t *fw_choose_model(vuUI *ui, mxml_node_t *list, const char *model, const char *type)
{
    mxml_node_t *fw = fw_list_firmware(list);
    if (!fw) {
        error_box(ui, "НЕВЕРНАЯ СТРУКТУРА ПЕРЕЧНЯ ПРОШИВОК\n\nОБНОВЛЕНИЕ НЕВОЗМОЖНО");
        return nullptr;
    }
    if (model && *model)
        fw_keep_model(fw, model);
    if (type && *type)
        if (mxml_node_t *item = fw_find_type(fw, type))
            return item;
    char header[64];
    str_format(header, sizeof header, "KKT %s", model ? model : "");
    vuMenu *menu = new vuMenu("ВЫБЕРИТЕ ТИП ККТ", nullptr, 0);
    menu->SetOption(0xE006);
    menu->SetMaxLines(3);
    menu->SetHeaderText(header);
    mxml_node_t *rows[64];
    int count = 0;
    for (mxml_node_t *item = fw_first_item(fw); item && count < 64; item = fw_next_item(fw, item)) {
        if (!*fw_item_attr(item, "type"))
            continue;
        char row[160];
        str_format(row, sizeof row, "%s\n%s\n%s", fw_item_attr(item, "type"), fw_item_attr(item, "model"),
                   fw_item_attr(item, "ver"));
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
    ListPage page(ui, menu);
    int state = page.show();
    unsigned selected = menu->GetSelected();
    return state == 1 && selected >= 1 && selected <= static_cast<unsigned>(count) ? rows[selected - 1] : nullptr;
}

int fw_check_version(vuUI *ui, mxml_node_t *item, const char *current)
{
    const char *ver = fw_item_attr(item, "ver");
    int newer = fw_version_newer(current, ver);
    if (newer < 0) {
        error_box(ui, "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ ver");
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
    if (fw_item_number(item, "size", &size) != 0 || size < 1 || size > FW_IMAGE_MAX) {
        error_box(ui, "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ size");
        return 0;
    }
    waitBox(ui, "ИДЕТ ЗАГРУЗКА ФАЙЛА ОБНОВЛЕНИЯ КФН");
    char imageUrl[FW_URL_MAX + 1];
    const char *name = fw_item_attr(item, "file");
    if (fw_image_url(url, name, imageUrl, sizeof imageUrl) != 0) {
        error_box(ui, "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file");
        return 0;
    }
    FwImageDownload download;
    char text[1200];
    switch (fw_download_image(imageUrl, file, size, download)) {
    case FW_IMAGE_OK:
        return size;
    case FW_IMAGE_CREATE:
    case FW_IMAGE_WRITE:
        error_box(ui, "ОШИБКА СОЗДАНИЯ ФАЙЛА ОБНОВЛЕНИЯ ККТ");
        break;
    case FW_IMAGE_GET:
        if (download.get != FW_GET_STATUS) {
            getFailureBox(ui, download.get, download.detail);
        } else {
            if (download.detail.code == 404)
                str_format(text, sizeof text, "Ошибка.\n\nФайла:\n%s\nнет на сервере", name);
            else
                str_format(text, sizeof text, "Неверный статус выполнения запроса GET [%i]\n\n%s",
                           download.detail.code, download.detail.text);
            error_box(ui, text);
        }
        break;
    case FW_IMAGE_SIZE:
        str_format(text, sizeof text, "НЕ ПРАВИЛЬНЫЙ РАЗМЕР ФАЙЛА [%li]\n\n", download.written);
        error_box(ui, text);
        break;
    }
    return 0;
}

// ---- the upload -----------------------------------------------------------------

int fw_flash(vuUI *ui, const char *file, long size, int mode, char *report)
{
    UploadScreen screen(ui, report);
    FwUploadFailure failure;
    FwUploadResult r = fw_upload(fw_image_path(), file, size, mode, screen, &failure);
    return uploadFailed(ui, report, r, failure);
}

// ---- one update and the dialog -------------------------------------------------

int fw_update_run(vuUI *ui, const char *url, int mode, char *report)
{
    if (!fw_url_is_secure(url)) {
        line(report, "\nОШИБКА: ОБНОВЛЕНИЕ ПРОШИВКИ ВОЗМОЖНО ТОЛЬКО ПО HTTPS");
        error_box(ui, kInsecureText);
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
        const char *file = fw_item_attr(item, "file");
        long size = 0;
        uint8_t header[YMODEM_HEADER_BLOCK];
        char imageUrl[FW_URL_MAX + 1];
        bool fileOk = *file && fw_item_number(item, "size", &size) == 0 && size >= 0 &&
                      ymodem_header_block(file, static_cast<uint32_t>(size), header) > 0 &&
                      fw_image_url(url, file, imageUrl, sizeof imageUrl) == 0;
        if (!fileOk) {
            line(report, "\nОШИБКА: В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file");
            error_box(ui, "В ОПИСАНИИ ПРОШИВКИ НЕВЕРНЫЙ АТРИБУТ file");
        } else if ((size = fw_fetch_image(ui, url, fw_image_path(), item)) > 0) {
            char question[512];
            str_format(question, sizeof question,
                       "Обновление прошивки\n с версии %s\n до версии %s.\n\nИмя файла прошивки: %s\n\nПродолжить?",
                       current, fw_item_attr(item, "ver"), file);
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
    ScopedDialog dialog(ui, "common_dlg_update_firmware.xml");
    if (!dialog)
        return -1;
    const char *noedit = settings_get("fwupdate", "noedit");
    vuInput *urlField = dialog.widget<vuInput>("url");
    vuObject *modeField = dialog.field("mode");
    vuMultiLine *msg = dialog.widget<vuMultiLine>("msg");
    if (urlField && noedit && atoi(noedit) != 0)
        urlField->SetFocusable(0); // shown, not edited
    dialog.form()->SetHeaderText(title);
    static char report[FW_REPORT_SIZE];
    report[0] = 0;
    char modeText[4] = "1";
    int result = -1;
    for (;;) {
        // Reset empties the fields: the address and the report come back.
        dialog.reset();
        if (urlField)
            urlField->SetValue(url ? url : "");
        if (msg)
            msg->SetValue(report);
        if (vuInput *modeInput = dynamic_cast<vuInput *>(modeField))
            modeInput->SetValue(modeText);
        int state = dialog.show(dialogKeys);
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
                error_box(ui, "НЕПРАВИЛЬНЫЙ URL!\n\nСКОРРЕКТИРУЙТЕ URL");
            }
        } else if (state == 100 && report[0]) {
            printReport(ui, report);
        }
    }
    return result;
}
