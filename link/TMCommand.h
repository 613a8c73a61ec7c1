// One registrar command exchange with the fiscal-drive controller.
//
// A TMCommand lives on the caller's stack. A builder (one per controller
// command) begins a request frame in the object's own buffer, appends the
// typed fields and finishes the frame with its checksum; the service queue
// layer sends it and puts the controller's reply back into the same object,
// which the caller then reads field by field.
//
// Frame layout (all characters are bytes):
//   request: STX, transfer password, packet id, code (2 hex), FS,
//            fields each followed by FS, ETX, checksum (4 hex)
//   reply:   STX, packet id, code (2 hex), FS, fields each followed by FS,
//            ETX, checksum
// Field 0 is the text between STX and the first FS. Reply fields: 1 fatal
// status (byte), 2 current status (word, low byte first), 3 error (code and
// detail, 4 hex digits), 4 unused, the command's data from field 5 on.
// Numbers are upper-case hex, multi-byte values lowest byte first; texts are
// CP866 inside frames and CP1251 in memory.
//
// Every building operation returns the new frame length (> 0) or -1; a
// builder stops at the first step that does not return a value above 0 and
// passes that result up.
#ifndef LINK_TMCOMMAND_H
#define LINK_TMCOMMAND_H

#include <stdint.h>
#include <time.h>

// Frame control bytes.
enum : uint8_t {
    FRAME_STX = 0x02,
    FRAME_ETX = 0x03,
    FRAME_FS = 0x1C,
};

// Size of the buffer Begin allocates and the step Reserve grows it by.
static const uint32_t FRAME_BLOCK = 4096;

// One department for TMCommand::SetDepartments.
struct TMDepartment {
    uint8_t number;
    const char *name; // CP1251, NUL-terminated
};

class TMCommand {
public:
    TMCommand();
    TMCommand(const TMCommand &) = delete;
    TMCommand &operator=(const TMCommand &) = delete;

    // ---- buffer and frame -------------------------------------------------

    // Makes room for n more bytes: 0, or -1 when n > 4095 or memory is short.
    // The buffer grows by 4096 bytes at a time.
    virtual int Reserve(uint32_t n);
    // Start of field k of the held frame (its length through len when not
    // null), or null when nothing is held or there is no field k.
    virtual const char *FieldAt(uint32_t k, uint32_t *len);
    virtual ~TMCommand();
    // Holds a copy of n raw bytes (0..4096). Returns n, or -1 when data is
    // null with n > 0, n is out of range or memory is short. The field count
    // stays 0 until CountFields.
    virtual int SetFrame(const void *data, int n);
    // Counts the FS bytes from offset 1 to the byte before ETX, stores and
    // returns the count (0 when 5 bytes or fewer are held).
    virtual uint32_t CountFields();

    // ---- building a request -----------------------------------------------

    // Discards what is held and begins a request for code with the next
    // packet identifier (0x20..0x7F, process-wide).
    virtual int Begin(uint8_t code);
    virtual int AddDateNow();                   // DDMMYY, local date now
    virtual int AddDate(const struct tm *t);    // DDMMYY
    virtual int AddTimeNow();                   // HHMM, local time now
    virtual int AddTimeText(const char *hhmm);  // exactly 4 digits
    virtual int AddDateText(const char *ddmmyy);// exactly 6 digits
    virtual int AddTime(const struct tm *t);    // HHMM
    virtual int AddByte(uint8_t v);             // 2 hex digits
    virtual int AddWord(uint16_t v);            // 4 hex digits, low byte first
    virtual int AddDword(uint32_t v);           // 8 hex digits, lowest byte first
    virtual int AddRawString(const char *text); // bytes unchanged
    // Bytes below 0x20 become spaces; converted to CP866 unless keep != 0.
    virtual int AddString(const char *text, int keep);
    // a in CP866, then "|" and b unchanged when b is not empty.
    virtual int AddStringPair(const char *a, const char *b);
    virtual int AddHex(const void *data, int n); // 2n hex digits
    // Appends ETX and the checksum; returns the frame length.
    virtual int End();

    // ---- field groups for an open frame -----------------------------------

    virtual int AddGroupWWB(uint16_t w1, uint16_t w2, uint8_t b);
    virtual int AddGroupWWBS(uint16_t w1, uint16_t w2, uint8_t b, const char *s);
    virtual int AddGroupWWBBBS(uint16_t w1, uint16_t w2, uint8_t b1, uint8_t b2, uint8_t b3, const char *s);
    virtual int AddGroupB6WWB(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5, uint8_t b6, uint16_t w1,
                              uint16_t w2, uint8_t b7);

    // ---- command builders -------------------------------------------------
    // Field marks: DN/TN date/time now, DT/TT from a struct tm, DX/TX date and
    // time texts, B byte, W word, D double word, S text in CP866, S1 text kept
    // in CP1251, R raw text, P text pair, H bytes as hex.

    virtual int StartSession();                                    // 01: DN TN
    virtual int OpenShift(const char *oper, const char *inn, const char *s1, const char *s2,
                          const char *s3);                         // 02: DN TN P S S S
    virtual int OpenShiftAt(const struct tm *t, const char *oper, const char *inn, const char *s1, const char *s2,
                            const char *s3);                       // 02: DT TT P S S S
    virtual int GetShiftState();                                   // 03: DN TN
    virtual int Command94(const char *t1, const char *t2, uint16_t w); // 94: S B(1) B(0) S B(1) B(0) W
    virtual int Command95();                                       // 95
    virtual int GetSerialNumber();                                 // 96
    virtual int GetKktInfo();                                      // 97
    virtual int GetFNStatus();                                     // 29
    virtual int GetWaitDocs();                                     // 39
    virtual int GetOFDTicket(uint32_t docNumber, uint8_t b);       // 3A: D B
    virtual int GetUnsentState();                                  // 3B
    virtual int CashIn(const char *amount, const char *text);      // 32: DN TN S [S]
    virtual int CashOut(const char *amount, const char *text);     // 33: DN TN S [S]
    virtual int ShiftReport();                                     // 30: DN TN
    virtual int CloseShift(const char *oper, const char *inn, const char *s1, const char *s2,
                           uint8_t b);                             // 31: DN TN P S S B
    virtual int CloseShiftAt(const struct tm *t, const char *oper, const char *inn, const char *s1,
                             const char *s2, uint8_t b);           // 31: DT TT P S S B
    virtual int OpenDocument(uint8_t type, const char *oper, const char *inn, const char *table,
                             const char *place, uint8_t copies, uint8_t taxMode, const char *account,
                             const char *tags);                    // 10: DN TN B P S S B B S S
    virtual int OpenDocumentAt(const struct tm *t, uint8_t type, const char *oper, const char *inn,
                               const char *table, const char *place, uint8_t copies, uint8_t taxMode,
                               const char *account, const char *tags); // 10: DT TT B P S S B B S S
    // 11: S S R R S H S S; H = b5 b1 b2 b3 [b4 when not 0]
    virtual int AddItem(const char *t1, const char *t2, const char *r1, const char *r2, const char *t3, uint8_t b1,
                        uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5, const char *t4, const char *t5);
    virtual int Command1A(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5, const char *s); // 1A: B B B B B S
    virtual int Command1E(uint8_t b1, uint8_t b2, const char *s);  // 1E: B B R("0") S
    virtual int Command1F(uint8_t b1, uint8_t b2, uint8_t b3);     // 1F: B B B
    virtual int Command16(const char *s);                          // 16: S
    virtual int Subtotal(const char *s);                           // 12: S
    virtual int AddPayment(uint8_t type, const char *amount, const char *s2, const char *s3); // 13: B S S S
    virtual int CloseDocument();                                   // 14
    virtual int CancelDocument();                                  // 17: DN TN
    virtual int Command15(uint8_t b, const char *s1, const char *s2, const char *s3); // 15: B S S S
    virtual int Command1B(uint8_t b, const char *s);               // 1B: B S
    virtual int PrintText(const char *s);                          // 1C: S
    virtual int AddTag(uint16_t tag, const char *value);           // 6A: W S
    virtual int Command1D();                                       // 1D
    virtual int JournalShift(uint16_t shift);                      // 84: [W when not 0]
    virtual int JournalShiftClose(uint16_t shift);                 // 7C: W
    virtual int JournalDocument(uint16_t doc, uint8_t b);          // 7F: W [B]
    virtual int JournalClear();                                    // 85
    virtual int JournalByNumbers(uint16_t first, uint16_t last, uint8_t b); // 7E: W W [B]
    virtual int JournalByTime(const char *s1, const char *s2, const char *s3); // 7D: S S [S]
    virtual int GetJournalParams();                                // 49
    virtual int GetDocument(uint32_t docNumber, uint8_t mode);     // 8B: D B
    virtual int CloseFN(const char *oper, const char *inn, uint8_t b); // 8D: DN TN P B
    // 8D: DX TX P B (date and time texts last among the arguments)
    virtual int CloseFNAt(const char *oper, const char *inn, uint8_t b, const char *ddmmyy, const char *hhmm);
    virtual int CloseFNPlain(const char *oper, const char *inn);   // 8D: DN TN P
    virtual int GetRegTotals();                                    // 8F
    virtual int GetRegTotalsOf(uint16_t w1, uint16_t w2);          // 8F: W W
    virtual int GetFNErrors();                                     // 2A
    virtual int FNGetCommStatus();                                 // 2B
    virtual int GetRegParam(uint16_t tag);                         // 88: W
    // 04: DN TN, then S R B R W R B(0) P S R R B B B S S S S
    virtual int Register(const char *f1, const char *f2, uint8_t f3, const char *f4, uint16_t f5, const char *f6,
                         const char *oper, const char *inn, const char *f9, const char *f10, const char *f11,
                         uint8_t f12, uint8_t f13, uint8_t f14, const char *f15, const char *f16, const char *f17,
                         const char *f18);
    virtual int RegisterAt(const struct tm *t, const char *f1, const char *f2, uint8_t f3, const char *f4,
                           uint16_t f5, const char *f6, const char *oper, const char *inn, const char *f9,
                           const char *f10, const char *f11, uint8_t f12, uint8_t f13, uint8_t f14, const char *f15,
                           const char *f16, const char *f17, const char *f18);
    // 04: as Register, then D
    virtual int Register11(const char *f1, const char *f2, uint8_t f3, const char *f4, uint16_t f5, const char *f6,
                           const char *oper, const char *inn, const char *f9, const char *f10, const char *f11,
                           uint8_t f12, uint8_t f13, uint8_t f14, const char *f15, const char *f16, const char *f17,
                           const char *f18, uint32_t f19);
    virtual int Register11At(const struct tm *t, const char *f1, const char *f2, uint8_t f3, const char *f4,
                             uint16_t f5, const char *f6, const char *oper, const char *inn, const char *f9,
                             const char *f10, const char *f11, uint8_t f12, uint8_t f13, uint8_t f14,
                             const char *f15, const char *f16, const char *f17, const char *f18, uint32_t f19);
    // 04: as Register11 with D in place of the W of f5, then S S
    virtual int Register12(const char *f1, const char *f2, uint8_t f3, const char *f4, uint32_t f5, const char *f6,
                           const char *oper, const char *inn, const char *f9, const char *f10, const char *f11,
                           uint8_t f12, uint8_t f13, uint8_t f14, const char *f15, const char *f16, const char *f17,
                           const char *f18, uint32_t f19, const char *f20, const char *f21);
    virtual int Register12At(const struct tm *t, const char *f1, const char *f2, uint8_t f3, const char *f4,
                             uint32_t f5, const char *f6, const char *oper, const char *inn, const char *f9,
                             const char *f10, const char *f11, uint8_t f12, uint8_t f13, uint8_t f14,
                             const char *f15, const char *f16, const char *f17, const char *f18, uint32_t f19,
                             const char *f20, const char *f21);
    virtual int GetHeader();                                       // 9A
    virtual int GetTail();                                         // 9B
    // 41: DN TN S S S S (entries past the count are sent empty)
    virtual int SetHeader(const char *const *lines, uint32_t count);
    // 4E: S x6
    virtual int SetHeaderExt(const char *const *lines, uint32_t count);
    // 46: DN TN S S S S
    virtual int SetTail(const char *const *lines, uint32_t count);
    virtual int Command4F(uint8_t b1, uint8_t b2, uint8_t b3);     // 4F: B B B
    virtual int SetDateTime(const char *ddmmyy, const char *hhmm); // 42: S S
    virtual int SyncDateTime();                                    // 42: DN TN
    virtual int GetDateTime();                                     // 43
    // 4A: B S B(flag) B(flag) B B S
    virtual int SetPaymentType(uint8_t number, const char *name, int flag1, int flag2, uint8_t b5, uint8_t b6,
                               const char *s7);
    virtual int GetPaymentType(uint8_t number);                    // 4B: B
    virtual int GetParams(uint16_t w1, uint16_t w2, uint16_t w3);  // 4C: W W W
    // 4C: count words given as ints (low 16 bits each)
    virtual int GetParamList(uint32_t count, ...);
    virtual int GetWorkModes();                                    // 4D
    // 58: B S R R B W
    virtual int SetTaxRate(uint8_t number, const char *name, const char *r1, const char *r2, uint8_t b, uint16_t w);
    virtual int GetTaxRate(uint8_t number);                        // 59: B
    // 60: (B S) per entry, up to the count or the first null entry
    virtual int SetDepartments(const TMDepartment *const *entries, uint32_t count);
    virtual int GetDepartments();                                  // 61
    virtual int EnterServiceMonitor();                             // 93
    virtual int Command65(uint8_t b);                              // 65: B
    // 66: W W W W S (host text first among the arguments)
    virtual int SetOFDServer(const char *host, uint16_t port, uint16_t w2, uint16_t w3, uint16_t w4);
    // 66: W W W W S B
    virtual int SetServer(const char *host, uint16_t port, uint16_t w2, uint16_t w3, uint16_t w4, uint8_t index);
    virtual int OFDGetParam();                                     // 67
    virtual int GetServer(uint8_t index);                          // 67: B
    // 6B: B B D D D D D S [B when not 0]
    virtual int Command6B(uint8_t b1, uint8_t b2, uint32_t d1, uint32_t d2, uint32_t d3, uint32_t d4, uint32_t d5,
                          const char *s, uint8_t b3);
    virtual int Command6C(uint8_t b);                              // 6C: [B when not 0]
    virtual int PaymentReportBegin();                              // 50: DN TN
    virtual int PaymentReportLine(const char *s);                  // 51: S
    virtual int Command56(const char *const *texts, uint32_t count); // 56: S per entry
    virtual int PaymentReportEnd();                                // 52
    virtual int GetMoneyTotals(uint8_t b);                         // 34: DN TN [B when not 0]
    virtual int Command35();                                       // 35
    virtual int GetDocCounters();                                  // 3D
    virtual int GetPaymentTotals(uint8_t type);                    // 36: B
    virtual int GetShiftTotals();                                  // 37
    virtual int GetDepartmentTotals(uint8_t department, uint8_t type); // 38: B B
    virtual int Command70();                                       // 70
    virtual int FNReadStart();                                     // 5A
    virtual int FNRead(uint16_t offset, uint16_t length);          // 5B: W W
    virtual int FNReadCancel();                                    // 5C
    virtual int FNReadClose();                                     // 5D
    virtual int FNReadScript(const void *data, int n);             // 5E: H
    virtual int SetOFDConnStatus(uint8_t connected);               // 5F: B
    virtual int Command8C(const char *r);                          // 8C: R
    virtual int GetMarkStatus();                                   // 20
    virtual int GetMarkStatusOf(uint8_t b);                        // 20: B
    // 21: W H B B B B B B
    virtual int MarkCheckCode(uint16_t tag, const void *code, int n, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4,
                              uint8_t b5, uint8_t b6);
    virtual int SaveMarkResult(uint8_t keep);                      // 22: B
    virtual int MarkCheckReset();                                  // 23
    // 24: B B R R B
    virtual int CreateMarkNotice(uint8_t b1, uint8_t b2, const char *r1, const char *r2, uint8_t b3);
    virtual int SaveMarkReplyText(const char *s);                  // 25: S
    virtual int SaveMarkReply(const void *data, int n);            // 25: H
    // 26: B H B B
    virtual int SendMarkCode(uint8_t kind, const void *code, int n, uint8_t b2, uint8_t b3);
    virtual int Cmd_GetStatusSendNotif();                          // 27
    virtual int Cmd_StartReadNotif();                              // 28
    virtual int ReadNotifData(uint16_t offset, uint16_t length);   // 2C: W W
    virtual int Command2D();                                       // 2D
    virtual int Cmd_EndReadNotif();                                // 2E
    virtual int SendReceiptNotifText(const char *s);               // 2F: S
    virtual int Cmd_SendReceiptNotif(const void *data, int n);     // 2F: H
    virtual int NotifCounts(uint8_t b);                            // 80: B
    virtual int Command87(uint8_t sub, uint32_t d, uint16_t w);    // 87: B D W
    virtual int NotifRead(uint16_t offset, uint16_t length);       // 89: W W
    virtual int NotifStep(uint8_t step);                           // 8A: B
    virtual int Command9E(uint8_t sub);                            // 9E: B
    virtual int Command9EText(uint8_t sub, const char *s);         // 9E: B S
    virtual int Command9EData(uint8_t sub, const void *data, int n); // 9E: B H
    virtual int Command9F(uint8_t b);                              // 9F: B
    virtual int CommandB0(uint8_t b, uint16_t w);                  // B0: B W
    virtual int CommandC0(uint8_t b, uint16_t w, const char *s1);  // C0: B W S1

    // ---- adopting and reading a reply ---------------------------------------

    // Adopts a valid frame (STX first, n > 5, ETX at n-5, upper-case checksum
    // of the first n-4 bytes in the last 4): returns n. Otherwise -1 and the
    // object is unchanged. The identifier of the last Begin stays.
    virtual int Accept(const void *data, uint32_t n);
    virtual int ErrorCode();   // first pair of a 4-digit field 3, else -1
    virtual int ErrorDetail(); // second pair of a 4-digit field 3, else -1
    virtual int CommandCode(); // code of the held request or reply, else -1
    virtual int PacketId();    // packet id of the held request or reply, else -1
    // True when the held frame carries the identifier of the last Begin.
    virtual bool IsReplyTo();
    virtual uint32_t FieldLength(uint32_t k);
    // Copies field k into out (cut to size-1 and terminated); returns the
    // field's full length, or -1 when nothing is held, no field k or out null.
    virtual int FieldText(uint32_t k, char *out, uint32_t size);
    // As FieldText, the copy converted from CP866 to CP1251.
    virtual int FieldText1251(uint32_t k, char *out, uint32_t size);
    // Decodes hex field k into out when it fits; returns (L+1)/2 either way,
    // -1 when nothing is held, no field k or out null.
    virtual int FieldBytes(uint32_t k, uint8_t *out, uint32_t size);
    virtual uint32_t FieldDword(uint32_t k);  // exactly 8 digits, else 0
    virtual uint16_t FieldWord(uint32_t k);   // 4 digits LE or 2 digits, else 0
    virtual uint8_t FieldByte(uint32_t k);    // exactly 2 digits, else 0
    virtual uint16_t FieldWordBE(uint32_t k); // 4 digits, high byte first, else 0
    virtual int FatalStatus();                // field 1 of 2 digits, else -1
    virtual int CurrentStatus();              // field 2 of 4 digits LE, else -1

    // ---- plain accessors ----------------------------------------------------

    const uint8_t *FrameData() const { return buf_; } // null when nothing is held
    uint32_t FrameSize() const { return buf_ ? len_ : 0; }
    uint32_t FieldCount() const { return fields_; }

private:
    int AppendField(const void *text, uint32_t n, uint32_t reserve);
    int HeaderLength(uint32_t *idOffset) const;

    uint8_t *buf_;
    uint32_t len_;
    uint32_t cap_;
    uint8_t id_;
    uint32_t fields_;
};

// ---- free functions ---------------------------------------------------------

// Sum of n unsigned bytes modulo 65536.
uint16_t FrameSum16(const void *data, uint32_t n);
// Writes 2n upper-case hex characters, high nibble first; no terminator.
void BytesToHex(const void *data, uint32_t n, char *out);
// Decodes nchars hex characters into (nchars+1)/2 bytes; characters that are
// not hex digits count as 0; an odd count fills only the last high nibble.
void HexToBytes(const char *text, uint32_t nchars, uint8_t *out);
// The byte of the first two hex characters.
uint8_t HexByte(const char *text);
// Upper-case hex character of the high (which == 0) or low nibble.
char HexDigit(uint8_t value, int which);
// Four hex characters, first pair the low byte.
uint16_t HexWordLE(const char *text);
// Eight hex characters, first pair the lowest byte.
uint32_t HexDwordLE(const char *text);
// Writes the signed decimal text of value (at most 12 bytes with the
// terminator) and returns its length.
int DecimalText(int32_t value, char *out);
// Error code of a raw reply (the two characters after the third FS), or -1
// when the frame fails the checks of TMCommand::Accept, has fewer than three
// FS or its field 3 is not exactly 4 characters.
int FrameErrorByte(const void *frame, uint32_t n);
// The transfer password written into every request ("KVMZ" by default).
const char *CurrentTransferPassword();
// Makes text the transfer password (kept by pointer); null restores the
// default.
void SetTransferPassword(const char *text);

#endif
