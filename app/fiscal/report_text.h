// The texts of the information and report screens, each made from the
// controller's replies alone (no UI), so that they can be checked against
// tables of replies and fed arbitrary frames.
//
// Every function writes a terminated text into out (size bytes, size > 0),
// appending line by line and cutting what does not fit. A reply field that is
// absent reads as empty text and as the number 0. Texts are CP1251.
#ifndef APP_FISCAL_REPORT_TEXT_H
#define APP_FISCAL_REPORT_TEXT_H

#include <stddef.h>
#include <stdint.h>

class TMCommand;
struct ServiceStatusBlock;

// Sizes of the screens' texts.
enum : size_t {
    REPORT_TEXT_SIZE = 1024,
    REPORT_DOC_FIELDS_SIZE = 4096, // a document's field list
    REPORT_PRINTER_SIZE = 256,
};

// ---- electronic journal and shift state ---------------------------------------------------------

// 0x49: pages, failed blocks, current page and the free pages.
void journal_params_text(TMCommand &reply, char *out, size_t size);
// 0x03: re-registrations left, the last shift, its date and time.
void tech_info_text(TMCommand &reply, char *out, size_t size);

// ---- fiscal drive -------------------------------------------------------------------------------

// The name of a fiscal document type ("НЕ ИЗВЕСТНО" for an unknown one).
const char *fn_doc_type_name(unsigned type);
// 0x8B in a mode other than 3: the document's type, the OFD receipt and,
// unless mode is 2, its date, number and fiscal sign.
void fn_doc_text(TMCommand &reply, uint8_t mode, char *out, size_t size);
// One reply of the field-by-field reading (0x8B mode 4): appends fields 5 to
// the last, one per line, while the text has room. Returns the number of
// fields added: 0 for a reply without field 5, or when the text is full.
int fn_doc_fields_append(TMCommand &reply, char *out, size_t size);

// 0x29: the drive's status.
void fn_stat_text(TMCommand &reply, char *out, size_t size);
// A date packed as day + 32 * month + 512 * (year - 1996).
uint16_t packed_date(int year, int month, int day);
// Days from the packed date `then` to `today`: the calendar difference when
// both are real dates, else the difference of the packed numbers.
int packed_date_days(uint16_t today, uint16_t then);
// The key-update lines of "fn_stat" appended: state 0..3 its sentence;
// otherwise (255: unknown) nothing, or, when keyDateKnown, the age of the
// keys from keyDate to today (both packed).
void fn_stat_keys_append(int state, int keyDateKnown, uint16_t keyDate, uint16_t today, char *out, size_t size);

// 0x8F with the registration's work modes. ffd: the registered FFD version
// (above 3: the modes of tag 1290 apply). tag1290: the 0x88 reply for tag
// 1290, or null; tags: the 0x88 replies for 1207, 1193, 1126 and 1221, each
// or null. A reply counts only with error code 0.
void fn_fisc_text(TMCommand &totals, int ffd, TMCommand *tag1290, TMCommand *const tags[4], char *out, size_t size);
// The work modes: the byte of field 9 of 0x8F with the bits of tag 1290 (F)
// added.
uint32_t fisc_modes_with_1290(uint32_t modes, uint32_t f);

// 0x2B (or null when it failed) and, in marking mode, 0x27 (or null).
void fn_comm_text(TMCommand *comm, TMCommand *oism, char *out, size_t size);

// ---- reports on screen --------------------------------------------------------------------------

// The printer's status block; ready: the controller is initialised.
void prn_stat_text(const ServiceStatusBlock &status, char *out, size_t size);
// 0x3D with the shift state taken from the cached flags.
void doc_counters_text(TMCommand &reply, uint16_t flags, char *out, size_t size);
// 0x34: the money totals, non-empty fields only.
void money_info_text(TMCommand &reply, char *out, size_t size);
// 0x37: the shift totals, non-empty fields only.
void report_ext_text(TMCommand &reply, char *out, size_t size);
// 0x4B and 0x36 of payment type index.
void report_payment_text(unsigned index, TMCommand &type, TMCommand &totals, char *out, size_t size);
// 0x61, 0x4B and 0x38 of the department and payment type index.
void report_dep_text(unsigned department, unsigned index, TMCommand &departments, TMCommand &type,
                     TMCommand &totals, char *out, size_t size);

// ---- OFD ------------------------------------------------------------------------------------------

// 0x3A: the OFD ticket of a document.
void ofd_ticket_text(TMCommand &reply, char *out, size_t size);
// The waiting documents: notifications (autonomous), or documents for the
// OFD and, in marking mode, notifications for the OISM.
void ofd_doc_wait_text(int autonomous, int marking, unsigned count, unsigned oism, char *out, size_t size);
// 0x3B: the unsent documents.
void ofd_pay_state_text(TMCommand &reply, char *out, size_t size);

// ---- the document browser -------------------------------------------------------------------------

// Kinds of document the browser lists.
enum BrowseKind { BROWSE_NONE, BROWSE_RECEIPT, BROWSE_REGISTRATION, BROWSE_SHIFT_OPEN, BROWSE_SHIFT_CLOSE };
// The kind of a 0x8B mode-0 reply.
BrowseKind browse_kind(TMCommand &reply);
// The browser's item text of a 0x8B mode-0 reply of document number; false
// (and an empty text) for a document the browser does not list.
bool browse_item_text(TMCommand &reply, uint32_t number, char *out, size_t size);

#endif
