// The values of the registration command 0x04 as the wizards turn them to
// and from their screens and the settings: the work-mode layouts, the two
// forms of the registration number, the reason-codes mask of the reason
// pages and the moves between the wizards' pages. Pure functions, no screen.
#ifndef APP_FISCAL_REGISTRATION_FIELDS_H
#define APP_FISCAL_REGISTRATION_FIELDS_H

#include <stddef.h>
#include <stdint.h>

// ---- work modes ----------------------------------------------------------
// The wizard's layout is the check-box list "kktmode": item k is bit k,
// nine items. The command's layout (0x04 and the "KKTmode" setting) keeps
// bits 0 to 5 and carries wizard bits 6, 7, 8 as bits 8, 9, 10.
uint16_t reg_modes_to_command(uint16_t wizard);
// The inverse; bits 6 and 7 of the command's value (and everything above
// bit 10) are dropped.
uint16_t reg_modes_from_command(uint32_t command);

// FFD 1.2: the work modes over two lists, "kktmode" (as above) and
// "kktmode_ffd12" (items 0 to 6). Command bits 0 to 5 and 8 to 10 come from
// "kktmode", bits 6 and 7 from "kktmode_ffd12" items 5 and 6, bits 11 to 15
// from its items 0 to 4. The value carries no 0x4000000.
uint32_t reg_modes12_to_command(uint16_t modes, uint16_t usage);
void reg_modes12_from_command(uint32_t command, uint16_t *modes, uint16_t *usage);

// Added to the work modes sent by the FFD 1.1 and FFD 1.2 layouts.
enum : uint32_t { REG_MODES_FFD11 = 0x4000, REG_MODES_FFD12 = 0x4000000 };

// ---- the registration number ---------------------------------------------
enum {
    REG_NUMBER_MIN = 7,     // shorter numbers are refused
    REG_NUMBER_WIDTH = 16,  // the padded number; longer ones are refused
};
// The padded number (16 characters: '0's, then the number right-aligned)
// and the sequence part (the number without its last 6 characters) into
// buffers of at least 17 bytes. 0, or -1 for a number of 6 characters or
// fewer, or longer than 16 (both buffers then empty).
int reg_number_forms(const char *number, char *padded, char *sequence);

// ---- the reason codes ------------------------------------------------------
enum { REG_REASON_PAGES = 5 };
// Only these bits of the mask can be set.
const uint32_t REG_REASON_BITS = 0x803FFFFF;
// Changing the cash register's version: refused by the wizards.
const uint32_t REG_REASON_MODEL = 0x40;
// The items of page n (1 to 5): 6, 6, 5, 4, 2.
unsigned reg_reason_items(int page);
// The check-box value of page n for the mask (item k is bit k of the list).
uint32_t reg_reason_page_value(int page, uint32_t mask);
// The mask with page n's range replaced by the list's checked items; items
// past the page's count are ignored, so a page never sets another's bits.
uint32_t reg_reason_page_store(int page, uint32_t mask, uint32_t list);
// The reason code of the selected "reason" item (1-based); nothing selected
// counts as item 1.
uint8_t reg_reason_code(unsigned selected);

// ---- page moves --------------------------------------------------------------
// The next page of a wizard from `page` (1-based) after OK (ok != 0) or any
// other ending; automat: "kktmode" bit 0x04 is checked. ffd12 picks the
// nine pages of the FFD 1.2 wizard over the eight of the others. 0 means
// the wizard was left from page 1; the page count + 1 means OK on the last
// page.
int reg_page_move(int ffd12, int page, int ok, int automat);
// The page count of a wizard.
int reg_page_count(int ffd12);

// ---- the record's readers ----------------------------------------------------
// DDMMYYHHMM... as "DD.MM.YY HH:MM" into out (15 bytes at least); empty
// when the text has fewer than 10 characters.
void reg_date_time_text(const char *text, char *out, size_t size);
// The first two hex characters of text as a byte when it is longer than
// one character, else 0.
uint8_t reg_hex_byte(const char *text);
// Up to eight hex characters, lowest byte first, when longer than one
// character, else 0.
uint32_t reg_hex_dword(const char *text);

#endif
