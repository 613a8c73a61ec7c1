// The fiscal drive's document archive and the controller's electronic
// journal, as the model keeps them: every fiscal document the model makes
// (registration, shift opening and closing, receipts, the drive's closing)
// with its number, type, time, fiscal sign, printed text and fields.
//
// The model reports each new document through one call, MakeFiscalDocument;
// the commands that read the archive and the journal, close the drive and
// report on the OFD exchange are handlers of this file's source and
// KktDriveJournal.cpp.
#ifndef KKTSIM_KKTDRIVEARCHIVE_H
#define KKTSIM_KKTDRIVEARCHIVE_H

#include <stdint.h>

#include <string>
#include <vector>

namespace kktsim {

struct DriveState;
struct DriveResult;
struct DriveCall;
struct JsonValue;
struct Reply;
struct Request;
class Drive;

// Types of fiscal document as the drive reports them.
enum : uint8_t {
    kDocRegistration = 1,
    kDocReregistration = 11,
    kDocShiftOpen = 2,
    kDocReceipt = 3,
    kDocCorrection = 31,
    kDocShiftClose = 5,
    kDocDriveClose = 6,
};

struct ArchivedDocument {
    uint32_t number = 0;
    uint8_t type = 0;
    uint8_t operation = 0; // receipts: 1 income, 2 return of income, 3 expense, 4 return of expense
    uint16_t shift = 0;    // the shift it belongs to
    std::string when;      // DDMMYYHHMM
    uint32_t sign = 0;     // the fiscal sign
    std::string paper;     // the printed text (UTF-8); empty when nothing was printed
    std::vector<std::string> fields; // "tag: value" lines (UTF-8), as the field reading gives them
};

struct DriveArchive {
    std::vector<ArchivedDocument> documents; // by rising number
    uint32_t journalFrom = 0;    // the electronic journal holds the documents from this number on
    uint32_t journalPages = 1000; // pages of the journal
    uint16_t journalFailed = 0;  // failed blocks
    std::string fnErrors;        // the drive's error text (0x2A)
    // The verification keys' need and date (KktDriveKeys.h answers them).
    uint8_t keyState = 0xFF;     // key-update state (0x9E 0); 0xFF: the drive does not answer it
    uint16_t keyDate = 0;        // the keys' date, day + 32 * month + 512 * (year - 1996); 0 none loaded

    // Not kept in the file: the field-by-field reading under way (0x8B modes
    // 3 and 4) and the payment report being built (0x50 to 0x52).
    uint32_t reading = 0;
    size_t readingField = 0;
    bool reportOpen = false;
    std::vector<std::string> reportLines;

    const ArchivedDocument *Find(uint32_t number) const;
};

// Counts the fiscal document the model has just made (its number, time and
// place among the documents for the OFD) and files it in the archive: the
// one call for every kind of fiscal document. The printed text is added when
// the command has succeeded.
void MakeFiscalDocument(DriveState &s, const std::string &when, uint8_t type, uint8_t operation = 0);
// Keeps what the newest document printed (cut to kArchivePaperMax bytes at a
// line's end).
void ArchivePaper(DriveState &s, const std::string &paper);
// The archive keeps the newest kArchiveMax documents, each with at most
// kArchivePaperMax bytes of its printed text, so the state file stays small
// enough to read back however long the stand-in runs.
const size_t kArchiveMax = 500;
const size_t kArchivePaperMax = 2048;

// The fiscal sign of document number of a type.
uint32_t FiscalSign(uint8_t type, uint32_t number);
// Whether the OFD has acknowledged document number: every document older
// than the ones still waiting.
bool AcknowledgedByOfd(const DriveState &s, uint32_t number);

// The archive's commands (rows of KktDriveCommands.cpp).
uint8_t ArchiveErrors(DriveCall &c);      // 0x2A the drive's error text
uint8_t ArchiveTicket(DriveCall &c);      // 0x3A
uint8_t ArchiveUnsent(DriveCall &c);      // 0x3B
uint8_t ArchiveReportBegin(DriveCall &c); // 0x50
uint8_t ArchiveReportLine(DriveCall &c);  // 0x51
uint8_t ArchiveReportEnd(DriveCall &c);   // 0x52
uint8_t ArchiveDocument(DriveCall &c);    // 0x8B
uint8_t ArchiveCloseDrive(DriveCall &c);  // 0x8D
// The electronic journal's (KktDriveJournal.cpp).
uint8_t JournalParams(DriveCall &c);      // 0x49
uint8_t JournalShiftClose(DriveCall &c);  // 0x7C
uint8_t JournalByTime(DriveCall &c);      // 0x7D
uint8_t JournalByNumbers(DriveCall &c);   // 0x7E
uint8_t JournalDocument(DriveCall &c);    // 0x7F
uint8_t JournalShift(DriveCall &c);       // 0x84
uint8_t JournalClear(DriveCall &c);       // 0x85

// The archive's members of the state file, and their reading; a file
// without them reads as an empty archive.
std::string ArchiveToJson(const DriveArchive &a);
bool ArchiveFromJson(const JsonValue &v, DriveArchive &a, std::string &why);

// A scenario's "drive NAME VALUE" line for the archive's starting values:
// false when NAME is none of them; else true, with why set on a bad value.
//   journal-pages N, journal-failed N, fn-errors TEXT, document TYPE
//   [DDMMYYHHMM] (TYPE one of registration, shift-open, receipt, refund,
//   shift-close).
bool ArchiveStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why);

// The printer check shared by the archive's printing commands: paper out,
// or the model still waiting to be told to go on after it was out.
bool ArchivePaperRefused(DriveState &s, bool paperOut, DriveResult &res);

} // namespace kktsim

#endif
