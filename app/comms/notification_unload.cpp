#include "notification_unload.h"

#include "checksums.h"
#include "CodePage.h"
#include "date_record.h"
#include "kfn_state.h"
#include "error_box.h"
#include "ServiceFiles.h"
#include "str_helpers.h"
#include "TMCommand.h"

#include <stdio.h>
#include <string.h>
#include <vector>

namespace {

const int kTimeoutMs = 5000;
const int kErrorNoneLeft = 120; // the drive has no notification left to acknowledge
const uint16_t kPiece = 256;
const uint32_t kFirstRead = UNLOAD_HEADER_SIZE + UNLOAD_RECORD_PREFIX; // 379
const uint32_t kCrcHeaderBytes = 371;                                  // 0-370
const uint32_t kLoopBound = 0x10000; // more notifications than the drive can count

// Header offsets.
const size_t kTitleAt = 0, kTitleSize = 66;
const size_t kVersionAt = 66, kVersionSize = 256;
const size_t kRegNumberAt = 322, kRegNumberSize = 20;
const size_t kFnNumberAt = 342, kFnNumberSize = 16;
const size_t kFfdAt = 358;
const size_t kFirstValueAt = 359;
const size_t kConfirmedAt = 363;
const size_t kFirstWordAt = 367;
const size_t kCrcAt = 371;

void putDword(uint8_t *at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Text into a field, cut to it; the rest stays as it was (spaces).
void putText(uint8_t *header, size_t at, size_t size, const char *text)
{
    size_t n = strnlen(text, size);
    memcpy(header + at, text, n);
}

void regText(uint8_t *header, uint16_t tag, size_t at, size_t size)
{
    TMCommand cmd;
    char text[256];
    if (cmd.GetRegParam(tag) > 0 && kfn_exec(nullptr, &cmd, kTimeoutMs) == 0 &&
        cmd.FieldText(5, text, sizeof text) >= 0)
        putText(header, at, size, text);
}

uint8_t regByte(uint16_t tag)
{
    TMCommand cmd;
    if (cmd.GetRegParam(tag) > 0 && kfn_exec(nullptr, &cmd, kTimeoutMs) == 0)
        return cmd.FieldByte(5);
    return 0;
}

// ---- the controller service and the drive for the walk -----------------------------

struct Live {
    vuUI *ui;
    const char *name;
};

int liveRead(void *context, uint8_t *buffer, uint32_t len, uint32_t offset)
{
    const Live *live = static_cast<const Live *>(context);
    return ServiceUnloadStep(live->name, buffer, static_cast<int>(len), static_cast<int>(offset));
}

int liveStatus(void *context, uint16_t *remaining, uint32_t *value)
{
    const Live *live = static_cast<const Live *>(context);
    TMCommand cmd;
    if (cmd.Command87(0, 0, 0) <= 0 || kfn_exec(live->ui, &cmd, kTimeoutMs) != 0)
        return -1;
    *remaining = cmd.FieldWord(5);
    *value = cmd.FieldDword(6);
    return 0;
}

int liveConfirm(void *context, uint32_t value, uint16_t crc)
{
    const Live *live = static_cast<const Live *>(context);
    TMCommand cmd;
    if (cmd.Command87(1, value, crc) <= 0)
        return -1;
    return kfn_exec(live->ui, &cmd, kTimeoutMs) == 0 ? 0 : -1;
}

// The collection: every notification the drive gives is read, appended and
// then acknowledged; whatever fails stops it before the acknowledgement.
// The bytes the file holds after it.
uint32_t collect(vuUI *ui, const char *name, uint16_t count, const char **failure)
{
    uint32_t fileSize = UNLOAD_HEADER_SIZE;
    std::vector<uint8_t> record(UNLOAD_RECORD_PREFIX + UNLOAD_NOTIFICATION_MAX);
    for (uint32_t pass = 0; count != 0 && pass < kLoopBound; ++pass) {
        TMCommand cmd;
        if (cmd.NotifStep(0) <= 0 || kfn_exec(ui, &cmd, kTimeoutMs) != 0) {
            *failure = "РАЗМЕР УВЕДОМЛЕНИЯ НЕ ПОЛУЧЕН";
            break;
        }
        const uint16_t size = cmd.FieldWord(5);
        if (size == 0) {
            *failure = "РАЗМЕР УВЕДОМЛЕНИЯ 0";
            break;
        }
        record[0] = 0xC9;
        record[1] = 0x00;
        record[2] = static_cast<uint8_t>(size & 0xFF);
        record[3] = static_cast<uint8_t>(size >> 8);
        bool whole = true;
        for (uint32_t offset = 0; offset < size && whole; offset += kPiece) {
            const uint16_t piece = static_cast<uint16_t>(size - offset < kPiece ? size - offset : kPiece);
            whole = cmd.NotifRead(static_cast<uint16_t>(offset), piece) > 0 && kfn_exec(ui, &cmd, kTimeoutMs) == 0 &&
                    cmd.FieldBytes(5, record.data() + UNLOAD_RECORD_PREFIX + offset, piece) == piece;
        }
        if (!whole) {
            *failure = "УВЕДОМЛЕНИЕ НЕ ПРОЧИТАНО";
            break;
        }
        if (ServiceUnloadPut(name, record.data(), UNLOAD_RECORD_PREFIX + size) != 0) {
            *failure = "УВЕДОМЛЕНИЕ НЕ ЗАПИСАНО В ФАЙЛ";
            break;
        }
        fileSize += UNLOAD_RECORD_PREFIX + size;
        if (cmd.NotifStep(1) <= 0)
            break;
        const int r = kfn_exec(nullptr, &cmd, kTimeoutMs);
        if (r == kErrorNoneLeft)
            break;
        if (r != 0) {
            // Whether the drive took it is unknown: going on would write the
            // same notification again.
            *failure = "УВЕДОМЛЕНИЕ НЕ ПОДТВЕРЖДЕНО";
            break;
        }
        if (cmd.NotifCounts(0) > 0 && kfn_exec(nullptr, &cmd, kTimeoutMs) == 0)
            count = cmd.FieldWord(5);
    }
    return fileSize;
}

} // namespace

uint16_t unload_notification_crc(const uint8_t *notification, uint32_t length)
{
    uint16_t crc = crc16_ccitt(notification, length < 2 ? length : 2, 0xFFFF);
    if (length > 4)
        crc = crc16_ccitt(notification + 4, length - 4, crc);
    return crc;
}

void unload_file_name(char *out, size_t size, int hour, int minute, int day, int month, int year)
{
    snprintf(out, size, "unload_%02u%02u_%02u%02u%02u.crpt", static_cast<unsigned>(hour) % 100,
             static_cast<unsigned>(minute) % 100, static_cast<unsigned>(day) % 100,
             static_cast<unsigned>(month) % 100, static_cast<unsigned>(year) % 100);
}

void unload_confirm_walk(const unload_walk_io &io, uint32_t file_size, unload_walk_result *out)
{
    memset(out, 0, sizeof *out);
    std::vector<uint8_t> buffer(UNLOAD_NOTIFICATION_MAX + UNLOAD_RECORD_PREFIX);
    // Header and the first record's prefix; a file of the header alone has
    // four zero bytes after it, as after the last record.
    const uint32_t first = file_size < kFirstRead ? file_size : kFirstRead;
    const int got = first >= UNLOAD_HEADER_SIZE ? io.read(io.context, buffer.data(), kFirstRead, 0) : -1;
    if (got < static_cast<int>(first) || got > static_cast<int>(kFirstRead)) {
        out->stop = UNLOAD_STOP_HEADER_READ;
        return;
    }
    uint32_t crc = crc32_update(buffer.data(), kCrcHeaderBytes, 0xFFFFFFFF);
    crc = crc32_update(buffer.data() + UNLOAD_HEADER_SIZE, UNLOAD_RECORD_PREFIX, crc);
    uint32_t length = buffer[377] | (buffer[378] << 8);
    uint32_t position = kFirstRead;
    uint16_t remaining = 0;
    uint32_t value = 0;
    unsigned refusals = 0;
    for (;;) {
        io.status(io.context, &remaining, &value);
        if (remaining == 0)
            break;
        // A length from the file must lie within the file and the buffer.
        if (position > file_size || length > file_size - position ||
            length + UNLOAD_RECORD_PREFIX > buffer.size()) {
            out->stop = UNLOAD_STOP_LENGTH;
            break;
        }
        const uint32_t inFile = file_size - position;
        const uint32_t want = length + UNLOAD_RECORD_PREFIX;
        const uint32_t expect = want < inFile ? want : inFile;
        memset(buffer.data(), 0, want);
        const int n = io.read(io.context, buffer.data(), want, position);
        if (n < static_cast<int>(expect) || n > static_cast<int>(want)) {
            out->stop = UNLOAD_STOP_READ;
            break;
        }
        const uint16_t crc16 = unload_notification_crc(buffer.data(), length);
        crc = crc32_update(buffer.data(), want, crc);
        if (io.confirm(io.context, value, crc16) == 0) {
            out->any_confirmed = true;
            out->last_value = value;
            ++out->confirmed;
            refusals = 0;
            position += want;
            length = buffer[length + 2] | (buffer[length + 3] << 8);
        } else if (++refusals >= UNLOAD_CONFIRM_TRIES) {
            out->stop = UNLOAD_STOP_REFUSED;
            break;
        }
    }
    out->crc32 = crc;
}

void unload_notifications(vuUI *ui)
{
    TMCommand cmd;
    uint16_t count = 0;
    uint32_t firstValue = 0;
    uint16_t firstWord = 0;
    if (cmd.NotifCounts(1) > 0 && kfn_exec(nullptr, &cmd, kTimeoutMs) == 0) {
        count = cmd.FieldWord(5);
        firstValue = cmd.FieldDword(6);
        firstWord = cmd.FieldWord(7);
    }
    if (count == 0) {
        error_box(ui, "НЕТ УВЕДОМЛЕНИЙ ДЛЯ ВЫГРУЗКИ");
        return;
    }
    if (ServiceUnloadEnd() != 0) {
        error_box(ui, "ДЛЯ ВЫГРУЗКИ УВЕДОМЛЕНИЙ ПОДКЛЮЧИТЕ USB FLASH");
        return;
    }
    date_record now;
    now_date_record(&now);
    char name[64];
    unload_file_name(name, sizeof name, now.hour, now.minute, now.day, now.month, now.year);

    uint8_t header[UNLOAD_HEADER_SIZE];
    memset(header, ' ', sizeof header);
    char title[] = "Отчет о реализации маркированного товара";
    Cp1251ToCp866(title, static_cast<int>(strlen(title)));
    putText(header, kTitleAt, kTitleSize, title);
    char version[64];
    snprintf(version, sizeof version, "KKT Service v%d.%d.%d", 3, 1, 0);
    putText(header, kVersionAt, kVersionSize, version);
    regText(header, 1037, kRegNumberAt, kRegNumberSize);
    regText(header, 1041, kFnNumberAt, kFnNumberSize);
    header[kFfdAt] = regByte(1209);
    putDword(header + kFirstValueAt, firstValue);
    putDword(header + kFirstWordAt, firstWord);

    const char *failure = nullptr;
    uint32_t fileSize = 0;
    if (ServiceUnloadPut(name, header, sizeof header) != 0)
        failure = "ФАЙЛ ВЫГРУЗКИ НЕ СОЗДАН";
    else
        fileSize = collect(ui, name, count, &failure);

    unload_walk_result walk;
    Live live = {ui, name};
    const unload_walk_io io = {&live, liveRead, liveStatus, liveConfirm};
    unload_confirm_walk(io, fileSize, &walk);
    if (walk.any_confirmed)
        putDword(header + kConfirmedAt, walk.last_value);
    if (walk.stop == UNLOAD_STOP_NONE || walk.stop == UNLOAD_STOP_REFUSED) {
        putDword(header + kCrcAt, walk.crc32);
    } else {
        // The file could not be read back: the checksum covers the header
        // as it was written, from memory.
        uint32_t crc = crc32_update(header, kCrcHeaderBytes, 0xFFFFFFFF);
        putDword(header + kCrcAt, crc);
    }
    if (fileSize != 0 && ServiceUnloadGet(name, header, sizeof header, 0) != 0 && !failure)
        failure = "ЗАГОЛОВОК ФАЙЛА ВЫГРУЗКИ НЕ ЗАПИСАН";
    if (!failure && walk.stop != UNLOAD_STOP_NONE)
        failure = "УВЕДОМЛЕНИЯ ПОДТВЕРЖДЕНЫ НЕ ВСЕ";
    if (failure) {
        char text[256];
        str_format(text, sizeof text, "ВЫГРУЗКА УВЕДОМЛЕНИЙ НЕ ЗАВЕРШЕНА:\n%s", failure);
        error_box(ui, text);
    }
}
