// The fiscal-drive model of the stand-in: what a registered (or not yet
// registered) fiscal drive with its controller keeps and answers. It holds
// the registration, the shift, document numbers, the open receipt and the
// money counters, refuses what a real drive refuses (with the registrar's
// error codes) and writes what the printer would print to the paper log.
//
// Drive::Answer runs a request's handler from the one command table
// (KktDriveCommands.h). The state is a plain record with a section per
// concern that goes to the store as JSON after every change
// (DriveState::ToJson / FromJson, section by section), so it survives a
// restart of the stand-in and people and tests can read the counters there.
#ifndef KKTSIM_KKTDRIVE_H
#define KKTSIM_KKTDRIVE_H

#include "KktDriveArchive.h"
#include "KktDriveKeys.h"
#include "KktDriveMarking.h"
#include "KktDriveNotify.h"
#include "KktDriveOfd.h"
#include "KktDriveReceipt.h"
#include "KktDriveReports.h"
#include "KktDriveSettings.h"
#include "KktFrame.h"

#include <map>
#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

struct DriveCall;

// Life phases of the fiscal drive.
enum : uint8_t {
    kPhaseReady = 0x01,     // ready to be registered
    kPhaseFiscal = 0x03,    // registered: fiscal documents may be made
    kPhaseClosed = 0x07,    // the drive's fiscal mode is closed
    kPhaseArchive = 0x0F,   // only its archive can be read
};

// Fatal-status and current-status bits the model sets.
enum : uint16_t {
    kFatalRegistered = 0x08,
    kStatusDocumentMask = 0x0007, // the type of the open document
    kStatusSession = 0x0100,      // the start of session was received
    kStatusShiftOpen = 0x0800,
};

const int kPaymentTypes = 16;

// Money counters of one shift. Receipt operations: 0 income, 1 return of
// income, 2 expense, 3 return of expense (receipt types 0, 2, 4, 5 and
// their corrections 6 to 9).
struct Counters {
    int64_t sums[4][kPaymentTypes] = {};
    int64_t deposits = 0;
    int64_t withdrawals = 0;
    uint16_t documents[16] = {}; // the sixteen document counters of the shift
    std::vector<DepartmentTotal> departments; // receipts' items by department (KktDriveReports.h)

    // The shift's sum of receipt operation op over every payment type.
    int64_t OperationTotal(int op) const;
};

struct ReceiptItem {
    std::string name;  // UTF-8
    int64_t price = 0; // kopecks
    int64_t quantity = 0; // thousandths
    int64_t sum = 0;
    ReceiptItemData extra; // code, unit, tax, department, tags, ...
};

struct DriveState {
    // identity and registration
    uint8_t phase = kPhaseFiscal;
    std::string model = "KKTSIM-01";
    std::string controller = "0000000001";
    std::string serial = "0000000000123456";
    std::string fnNumber = "9999078900012345";
    std::string firmware = "K105320";       // the controller's version text
    std::string fnVersion = "fn debug v 2.1"; // the drive's own version text
    std::string validUntil = "311228";      // DDMMYY
    std::string regNumber = "0000000001012345";
    std::string inn = "007710000001";
    std::string user = u8"ООО \"РОМАШКА\"";
    std::string address = u8"г. Москва, ул. Примерная, д. 1";
    std::string regTime = "0101260900";     // DDMMYYHHMM
    uint32_t regDocument = 1;
    uint8_t ffd = 2;                        // 2 FFD 1.05, 3 FFD 1.1, 4 FFD 1.2
    uint8_t taxSystems = 0x01;              // tag 1062
    uint8_t agents = 0;                     // tag 1057
    uint32_t markingFlags = 0;              // tag 1290
    uint8_t regFlags = 0;                   // work modes at registration (0x02 autonomous)
    uint8_t reregistrationsLeft = 11;
    uint16_t workModes = 0;                 // 0x4D field 5 (0x10: 0x1D goes before a print)
    uint16_t workParam2 = 0, lineFeeds = 4, workParam3 = 0;
    uint8_t warnings = 0;                   // 0x29 field 9
    uint8_t fatalExtra = 0;                 // fatal bits beyond 0x08 (0x10 nearly full, ...)
    uint8_t keyFlags = 1;                   // bit 0 of 0x29 field 15: production key service

    // documents
    uint32_t lastDocument = 1;              // the last fiscal document's number
    std::string lastDocumentTime = "0101260900";
    uint16_t ofdWaiting = 0;                // documents not yet sent to the OFD
    uint16_t notifications = 0;             // marking notifications not yet sent

    // the shift
    bool shiftOpen = false;
    uint16_t shiftNumber = 0;
    std::string shiftOpened;                // DDMMYYHHMM
    uint16_t receipts = 0;                  // receipts of the shift
    Counters shift;
    int64_t drawer = 0;                     // cash in the drawer, kopecks
    int64_t running[4] = {};                // running totals since registration

    // the open document: type 0 none, 1..4 a receipt of that operation + 1
    uint8_t docType = 0;
    std::string docOperator;
    std::vector<ReceiptItem> items;
    std::vector<std::string> docLines;      // texts printed inside the document
    int64_t payments[kPaymentTypes] = {};

    // printing: a print refused for paper needs 0x1D once the paper is back
    bool resumeNeeded = false;

    // the document archive and the electronic journal (KktDriveArchive.h)
    DriveArchive archive;

    // registration (KktDriveRegistration): the tags without a member above,
    // as the drive answers them (UTF-8 texts, hex numbers); the reason codes
    // of the last registration (0x8F field 14); the data fields of the
    // answer to 0x20
    std::map<uint16_t, std::string> regTags;
    uint32_t reasonCodes = 0;
    uint8_t markFields = 1;

    // receipts (KktDriveReceipt): the open receipt's data beyond its lines
    // and the counters of corrections
    ReceiptDoc receipt;
    ReceiptTotals receiptTotals;

    // documents waiting for the OFD, their read-out and the OFD server
    OfdDriveState ofd;

    // the controller's settings (KktDriveSettings): clock, head and tail
    DriveSettings settings;

    // the verification keys (KktDriveKeys): address, rounds, the update
    DriveKeys keys;
    // marked goods (KktDriveMarking): the check under way, the codes kept
    // checked and the receipt's codes
    MarkingDriveState marking;

    // the marking notifications (KktDriveNotify); "notifications" above
    // counts the waiting ones
    NotifyDriveState notify;

    bool Registered() const { return phase == kPhaseFiscal; }
    int64_t DocTotal() const;
    int64_t Paid() const; // the open document's payments together
    void ClearDocument(); // no document open, its items, lines and payments gone
    uint8_t FatalStatus() const;
    uint16_t CurrentStatus(bool session) const;

    std::string ToJson() const;
    // Reads a state written by ToJson; members missing keep their values.
    // False with the fault in error (the state is then left unchanged).
    bool FromJson(const std::string &text, std::string *error);
};

// What one command did, for the stand-in to record.
struct DriveResult {
    bool answered = false; // false: the model has no such command
    bool changed = false;  // the state changed: save it
    std::string paper;     // UTF-8 text for the paper log
    std::string note;      // a refusal's reason, for the journal
};

class Drive {
public:
    DriveState state;
    bool session = false; // start of session received since the stand-in started
    std::string lastPaper; // the last document printed (for a copy); not kept in the file

    // Answers one request (fields as sent, CP866). paperOut: the printer's
    // paper is out. Fills rep's statuses, error and data (CP866).
    DriveResult Answer(const Request &req, bool paperOut, Reply &rep);
    // The tape of a copy of the last document; empty when there is none.
    std::string Copy() const;

    // Width of the receipt tape in characters.
    static const size_t kTapeWidth = 32;
};

// The commands of the shift, the registration and the controller's
// identity (rows of KktDriveCommands.cpp).
uint8_t DriveStartSession(DriveCall &c);     // 0x01
uint8_t DriveOpenShift(DriveCall &c);        // 0x02
uint8_t DriveShiftState(DriveCall &c);       // 0x03
uint8_t DriveRegister(DriveCall &c);         // 0x04
uint8_t DriveResume(DriveCall &c);           // 0x1D
uint8_t DriveFnStatus(DriveCall &c);         // 0x29
uint8_t DriveShiftReport(DriveCall &c);      // 0x30
uint8_t DriveCloseShift(DriveCall &c);       // 0x31
uint8_t DriveCashIn(DriveCall &c);           // 0x32
uint8_t DriveCashOut(DriveCall &c);          // 0x33
uint8_t DriveMoneyTotals(DriveCall &c);      // 0x34
uint8_t DrivePaymentTotals(DriveCall &c);    // 0x36
uint8_t DriveShiftTotals(DriveCall &c);      // 0x37
uint8_t DriveWaitingDocuments(DriveCall &c); // 0x39
uint8_t DriveDocCounters(DriveCall &c);      // 0x3D
uint8_t DriveWorkModes(DriveCall &c);        // 0x4D
uint8_t DriveRegParam(DriveCall &c);         // 0x88
uint8_t DriveRegTotals(DriveCall &c);        // 0x8F
uint8_t DriveServiceMonitor(DriveCall &c);   // 0x93
uint8_t DriveSerialNumber(DriveCall &c);     // 0x96
uint8_t DriveKktInfo(DriveCall &c);          // 0x97

} // namespace kktsim

#endif
