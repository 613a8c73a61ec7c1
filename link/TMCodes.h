// The registrar's command codes, one row a command: its code, the
// constant the request builders use and its name (the builder's). The link
// builds requests with these constants; the controller stand-in
// (tools/kktsim) answers the same codes and names them from here.
//
// A code the link builds in several shapes (0x20 with and without its byte,
// 0x9E with a byte, a text or data) has one row under the shape named first.
#ifndef LINK_TMCODES_H
#define LINK_TMCODES_H

#include <stdint.h>

// X(code, CONSTANT, "Name")
#define TM_CODE_TABLE(X)                                   \
    X(0x01, TM_START_SESSION, "StartSession")              \
    X(0x02, TM_OPEN_SHIFT, "OpenShift")                    \
    X(0x03, TM_GET_SHIFT_STATE, "GetShiftState")           \
    X(0x04, TM_REGISTER, "Register")                       \
    X(0x10, TM_OPEN_DOCUMENT, "OpenDocument")              \
    X(0x11, TM_ADD_ITEM, "AddItem")                        \
    X(0x12, TM_SUBTOTAL, "Subtotal")                       \
    X(0x13, TM_ADD_PAYMENT, "AddPayment")                  \
    X(0x14, TM_CLOSE_DOCUMENT, "CloseDocument")            \
    X(0x15, TM_COMMAND_15, "Command15")                    \
    X(0x16, TM_COMMAND_16, "Command16")                    \
    X(0x17, TM_CANCEL_DOCUMENT, "CancelDocument")          \
    X(0x1A, TM_COMMAND_1A, "Command1A")                    \
    X(0x1B, TM_COMMAND_1B, "Command1B")                    \
    X(0x1C, TM_PRINT_TEXT, "PrintText")                    \
    X(0x1D, TM_COMMAND_1D, "Command1D")                    \
    X(0x1E, TM_COMMAND_1E, "Command1E")                    \
    X(0x1F, TM_COMMAND_1F, "Command1F")                    \
    X(0x20, TM_GET_MARK_STATUS, "GetMarkStatus")           \
    X(0x21, TM_MARK_CHECK_CODE, "MarkCheckCode")           \
    X(0x22, TM_SAVE_MARK_RESULT, "SaveMarkResult")         \
    X(0x23, TM_MARK_CHECK_RESET, "MarkCheckReset")         \
    X(0x24, TM_CREATE_MARK_NOTICE, "CreateMarkNotice")     \
    X(0x25, TM_SAVE_MARK_REPLY, "SaveMarkReply")           \
    X(0x26, TM_SEND_MARK_CODE, "SendMarkCode")             \
    X(0x27, TM_NOTIF_STATUS, "Cmd_GetStatusSendNotif")     \
    X(0x28, TM_NOTIF_START_READ, "Cmd_StartReadNotif")     \
    X(0x29, TM_GET_FN_STATUS, "GetFNStatus")               \
    X(0x2A, TM_GET_FN_ERRORS, "GetFNErrors")               \
    X(0x2B, TM_FN_COMM_STATUS, "FNGetCommStatus")          \
    X(0x2C, TM_NOTIF_READ_DATA, "ReadNotifData")           \
    X(0x2D, TM_COMMAND_2D, "Command2D")                    \
    X(0x2E, TM_NOTIF_END_READ, "Cmd_EndReadNotif")         \
    X(0x2F, TM_NOTIF_RECEIPT, "Cmd_SendReceiptNotif")      \
    X(0x30, TM_SHIFT_REPORT, "ShiftReport")                \
    X(0x31, TM_CLOSE_SHIFT, "CloseShift")                  \
    X(0x32, TM_CASH_IN, "CashIn")                          \
    X(0x33, TM_CASH_OUT, "CashOut")                        \
    X(0x34, TM_GET_MONEY_TOTALS, "GetMoneyTotals")         \
    X(0x35, TM_COMMAND_35, "Command35")                    \
    X(0x36, TM_GET_PAYMENT_TOTALS, "GetPaymentTotals")     \
    X(0x37, TM_GET_SHIFT_TOTALS, "GetShiftTotals")         \
    X(0x38, TM_GET_DEPARTMENT_TOTALS, "GetDepartmentTotals") \
    X(0x39, TM_GET_WAIT_DOCS, "GetWaitDocs")               \
    X(0x3A, TM_GET_OFD_TICKET, "GetOFDTicket")             \
    X(0x3B, TM_GET_UNSENT_STATE, "GetUnsentState")         \
    X(0x3D, TM_GET_DOC_COUNTERS, "GetDocCounters")         \
    X(0x41, TM_SET_HEADER, "SetHeader")                    \
    X(0x42, TM_SET_DATE_TIME, "SetDateTime")               \
    X(0x43, TM_GET_DATE_TIME, "GetDateTime")               \
    X(0x46, TM_SET_TAIL, "SetTail")                        \
    X(0x49, TM_GET_JOURNAL_PARAMS, "GetJournalParams")     \
    X(0x4A, TM_SET_PAYMENT_TYPE, "SetPaymentType")         \
    X(0x4B, TM_GET_PAYMENT_TYPE, "GetPaymentType")         \
    X(0x4C, TM_GET_PARAMS, "GetParams")                    \
    X(0x4D, TM_GET_WORK_MODES, "GetWorkModes")             \
    X(0x4E, TM_SET_HEADER_EXT, "SetHeaderExt")             \
    X(0x4F, TM_COMMAND_4F, "Command4F")                    \
    X(0x50, TM_PAYMENT_REPORT_BEGIN, "PaymentReportBegin") \
    X(0x51, TM_PAYMENT_REPORT_LINE, "PaymentReportLine")   \
    X(0x52, TM_PAYMENT_REPORT_END, "PaymentReportEnd")     \
    X(0x56, TM_COMMAND_56, "Command56")                    \
    X(0x58, TM_SET_TAX_RATE, "SetTaxRate")                 \
    X(0x59, TM_GET_TAX_RATE, "GetTaxRate")                 \
    X(0x5A, TM_FN_READ_START, "FNReadStart")               \
    X(0x5B, TM_FN_READ, "FNRead")                          \
    X(0x5C, TM_FN_READ_CANCEL, "FNReadCancel")             \
    X(0x5D, TM_FN_READ_CLOSE, "FNReadClose")               \
    X(0x5E, TM_FN_READ_SCRIPT, "FNReadScript")             \
    X(0x5F, TM_SET_OFD_CONN_STATUS, "SetOFDConnStatus")    \
    X(0x60, TM_SET_DEPARTMENTS, "SetDepartments")          \
    X(0x61, TM_GET_DEPARTMENTS, "GetDepartments")          \
    X(0x65, TM_COMMAND_65, "Command65")                    \
    X(0x66, TM_SET_SERVER, "SetServer")                    \
    X(0x67, TM_GET_SERVER, "GetServer")                    \
    X(0x6A, TM_ADD_TAG, "AddTag")                          \
    X(0x6B, TM_COMMAND_6B, "Command6B")                    \
    X(0x6C, TM_COMMAND_6C, "Command6C")                    \
    X(0x70, TM_COMMAND_70, "Command70")                    \
    X(0x7C, TM_JOURNAL_SHIFT_CLOSE, "JournalShiftClose")   \
    X(0x7D, TM_JOURNAL_BY_TIME, "JournalByTime")           \
    X(0x7E, TM_JOURNAL_BY_NUMBERS, "JournalByNumbers")     \
    X(0x7F, TM_JOURNAL_DOCUMENT, "JournalDocument")        \
    X(0x80, TM_NOTIF_COUNTS, "NotifCounts")                \
    X(0x84, TM_JOURNAL_SHIFT, "JournalShift")              \
    X(0x85, TM_JOURNAL_CLEAR, "JournalClear")              \
    X(0x87, TM_COMMAND_87, "Command87")                    \
    X(0x88, TM_GET_REG_PARAM, "GetRegParam")               \
    X(0x89, TM_NOTIF_READ, "NotifRead")                    \
    X(0x8A, TM_NOTIF_STEP, "NotifStep")                    \
    X(0x8B, TM_GET_DOCUMENT, "GetDocument")                \
    X(0x8C, TM_COMMAND_8C, "Command8C")                    \
    X(0x8D, TM_CLOSE_FN, "CloseFN")                        \
    X(0x8F, TM_GET_REG_TOTALS, "GetRegTotals")             \
    X(0x93, TM_ENTER_SERVICE_MONITOR, "EnterServiceMonitor") \
    X(0x94, TM_COMMAND_94, "Command94")                    \
    X(0x95, TM_COMMAND_95, "Command95")                    \
    X(0x96, TM_GET_SERIAL_NUMBER, "GetSerialNumber")       \
    X(0x97, TM_GET_KKT_INFO, "GetKktInfo")                 \
    X(0x9A, TM_GET_HEADER, "GetHeader")                    \
    X(0x9B, TM_GET_TAIL, "GetTail")                        \
    X(0x9E, TM_COMMAND_9E, "Command9E")                    \
    X(0x9F, TM_COMMAND_9F, "Command9F")                    \
    X(0xB0, TM_COMMAND_B0, "CommandB0")                    \
    X(0xC0, TM_COMMAND_C0, "CommandC0")

#define TM_CODE_ENUM_ROW(code, constant, name) constant = code,
enum TMCode : uint8_t { TM_CODE_TABLE(TM_CODE_ENUM_ROW) };
#undef TM_CODE_ENUM_ROW

struct TMCodeEntry {
    uint8_t code;
    const char *name;
};

#define TM_CODE_ENTRY_ROW(code, constant, name) {code, name},
constexpr TMCodeEntry kTMCodes[] = {TM_CODE_TABLE(TM_CODE_ENTRY_ROW)};
#undef TM_CODE_ENTRY_ROW

constexpr unsigned kTMCodeCount = sizeof kTMCodes / sizeof kTMCodes[0];

// The command's name, or nullptr for a code the catalogue does not know.
constexpr const char *TMCodeName(uint8_t code)
{
    for (unsigned i = 0; i < kTMCodeCount; ++i)
        if (kTMCodes[i].code == code)
            return kTMCodes[i].name;
    return nullptr;
}

#endif
