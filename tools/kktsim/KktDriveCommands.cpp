// The fiscal-drive model's command table.

#include "KktDriveCommands.h"

#include "KktDrive.h"
#include "KktDriveHost.h"
#include "KktDriveWire.h"
#include "KktText.h"

#include "TMCodes.h"

#include <array>

namespace kktsim {

DriveCall::DriveCall(Drive &d, const Request &request, bool out, Reply &reply, DriveResult &result)
    : drive(d), s(d.state), req(request), fields(request.fields), paperOut(out), rep(reply), data(reply.data),
      res(result)
{
}

const std::string &DriveCall::Raw(size_t k) const
{
    static const std::string empty;
    return k >= 1 && k <= fields.size() ? fields[k - 1] : empty;
}

std::string DriveCall::Text(size_t k) const
{
    return Cp866ToUtf8(Raw(k));
}

std::string DriveCall::Name() const
{
    const char *name = TMCodeName(req.code);
    return name ? name : "command " + wire::HexB(req.code);
}

uint8_t DriveCall::Refuse(uint8_t error, const std::string &note)
{
    res.note = note;
    return error;
}

namespace {

// A receipt command that went through tells the marking unit (0x10 and 0x17
// begin a new list of the receipt's codes, 0x11 takes the waiting code for
// its goods line); a closed receipt with marked goods queues a notification
// (outside autonomous mode).
template <DriveHandler Receipt> uint8_t WithMarking(DriveCall &c)
{
    uint8_t error = Receipt(c);
    if (error)
        return error;
    MarkingAfterReceipt(c.s, c.req.code);
    if (c.req.code == TM_CLOSE_DOCUMENT && MarkingOn(c.s))
        NoticeReceiptClosed(c.s, c.s.marking.receiptCodes);
    return 0;
}

constexpr DriveCommand Row(uint8_t code, DriveHandler handler)
{
    return {code, TMCodeName(code), handler};
}

// One row a code, in code order.
const std::vector<DriveCommand> kTable = {
    // the shift, registration, receipts (KktDrive.cpp, KktDriveReceipt.cpp)
    Row(TM_START_SESSION, DriveStartSession),
    Row(TM_OPEN_SHIFT, DriveOpenShift),
    Row(TM_GET_SHIFT_STATE, DriveShiftState),
    Row(TM_REGISTER, DriveRegister),
    Row(TM_OPEN_DOCUMENT, WithMarking<ReceiptOpen>),
    Row(TM_ADD_ITEM, WithMarking<ReceiptAddItem>),
    Row(TM_SUBTOTAL, ReceiptSubtotal),
    Row(TM_ADD_PAYMENT, ReceiptAddPayment),
    Row(TM_CLOSE_DOCUMENT, WithMarking<ReceiptClose>),
    Row(TM_CANCEL_DOCUMENT, WithMarking<ReceiptCancel>),
    Row(TM_PRINT_TEXT, ReceiptPrintText),
    Row(TM_COMMAND_1D, DriveResume),
    // marked goods (KktDriveMarking.cpp) and their notifications (KktDriveNotify.cpp)
    Row(TM_GET_MARK_STATUS, MarkStatus),
    Row(TM_MARK_CHECK_CODE, MarkItemCode),
    Row(TM_SAVE_MARK_RESULT, MarkSave),
    Row(TM_MARK_CHECK_RESET, MarkReset),
    Row(TM_CREATE_MARK_NOTICE, MarkCheckRequest),
    Row(TM_SAVE_MARK_REPLY, MarkCheckAnswer),
    Row(TM_SEND_MARK_CODE, MarkCode),
    Row(TM_NOTIF_STATUS, NoticeState),
    Row(TM_NOTIF_START_READ, NoticeStartRead),
    Row(TM_GET_FN_STATUS, DriveFnStatus),
    Row(TM_GET_FN_ERRORS, ArchiveErrors),
    Row(TM_FN_COMM_STATUS, OfdStatus),
    Row(TM_NOTIF_READ_DATA, NoticeReadPiece),
    Row(TM_COMMAND_2D, NoticeCancelRead),
    Row(TM_NOTIF_END_READ, NoticeEndRead),
    Row(TM_NOTIF_RECEIPT, NoticeReceipt),
    // shift reports, cash and totals
    Row(TM_SHIFT_REPORT, DriveShiftReport),
    Row(TM_CLOSE_SHIFT, DriveCloseShift),
    Row(TM_CASH_IN, DriveCashIn),
    Row(TM_CASH_OUT, DriveCashOut),
    Row(TM_GET_MONEY_TOTALS, DriveMoneyTotals),
    Row(TM_GET_PAYMENT_TOTALS, DrivePaymentTotals),
    Row(TM_GET_SHIFT_TOTALS, DriveShiftTotals),
    Row(TM_GET_DEPARTMENT_TOTALS, DepartmentTotals),
    Row(TM_GET_WAIT_DOCS, DriveWaitingDocuments),
    Row(TM_GET_OFD_TICKET, ArchiveTicket),
    Row(TM_GET_UNSENT_STATE, ArchiveUnsent),
    Row(TM_GET_DOC_COUNTERS, DriveDocCounters),
    // the controller's settings (KktDriveSettings.cpp, KktDriveHost.cpp)
    Row(TM_SET_HEADER, SettingsSetHead),
    Row(TM_SET_DATE_TIME, SettingsSetClock),
    Row(TM_GET_DATE_TIME, SettingsClock),
    Row(TM_SET_TAIL, SettingsSetTail),
    Row(TM_GET_JOURNAL_PARAMS, JournalParams),
    Row(TM_SET_PAYMENT_TYPE, SettingsSetPayment),
    Row(TM_GET_PAYMENT_TYPE, SettingsPayment),
    Row(TM_GET_PARAMS, HostSetWorkModes),
    Row(TM_GET_WORK_MODES, DriveWorkModes),
    Row(TM_SET_HEADER_EXT, SettingsSetHeadExt),
    Row(TM_PAYMENT_REPORT_BEGIN, ArchiveReportBegin),
    Row(TM_PAYMENT_REPORT_LINE, ArchiveReportLine),
    Row(TM_PAYMENT_REPORT_END, ArchiveReportEnd),
    Row(TM_SET_TAX_RATE, SettingsSetTax),
    Row(TM_GET_TAX_RATE, SettingsTax),
    // the OFD exchange (KktDriveOfd.cpp)
    Row(TM_FN_READ_START, OfdReadStart),
    Row(TM_FN_READ, OfdRead),
    Row(TM_FN_READ_CANCEL, OfdReadCancel),
    Row(TM_FN_READ_CLOSE, OfdReadClose),
    Row(TM_FN_READ_SCRIPT, OfdAnswer),
    Row(TM_SET_OFD_CONN_STATUS, OfdConnection),
    Row(TM_SET_DEPARTMENTS, SettingsSetDepartments),
    Row(TM_GET_DEPARTMENTS, SettingsDepartments),
    Row(TM_SET_SERVER, OfdSetServer),
    Row(TM_GET_SERVER, OfdGetServer),
    Row(TM_ADD_TAG, ReceiptAddTag),
    Row(TM_COMMAND_70, HostRawPrint),
    // the electronic journal and the archive (KktDriveJournal.cpp, KktDriveArchive.cpp)
    Row(TM_JOURNAL_SHIFT_CLOSE, JournalShiftClose),
    Row(TM_JOURNAL_BY_TIME, JournalByTime),
    Row(TM_JOURNAL_BY_NUMBERS, JournalByNumbers),
    Row(TM_JOURNAL_DOCUMENT, JournalDocument),
    Row(TM_NOTIF_COUNTS, NoticeCounts),
    Row(TM_JOURNAL_SHIFT, JournalShift),
    Row(TM_JOURNAL_CLEAR, JournalClear),
    Row(TM_COMMAND_87, NoticeConfirm),
    Row(TM_GET_REG_PARAM, DriveRegParam),
    Row(TM_NOTIF_READ, NoticeUnloadPiece),
    Row(TM_NOTIF_STEP, NoticeStep),
    Row(TM_GET_DOCUMENT, ArchiveDocument),
    Row(TM_CLOSE_FN, ArchiveCloseDrive),
    Row(TM_GET_REG_TOTALS, DriveRegTotals),
    // identity, the service monitor, the verification keys
    Row(TM_ENTER_SERVICE_MONITOR, DriveServiceMonitor),
    Row(TM_GET_SERIAL_NUMBER, DriveSerialNumber),
    Row(TM_GET_KKT_INFO, DriveKktInfo),
    Row(TM_GET_HEADER, SettingsHead),
    Row(TM_GET_TAIL, SettingsTail),
    Row(TM_COMMAND_9E, KeysUpdate),
};

} // namespace

const std::vector<DriveCommand> &DriveCommands()
{
    return kTable;
}

const DriveCommand *FindDriveCommand(uint8_t code)
{
    static const std::array<const DriveCommand *, 256> index = [] {
        std::array<const DriveCommand *, 256> rows{};
        for (const DriveCommand &row : kTable)
            rows[row.code] = &row;
        return rows;
    }();
    return index[code];
}

} // namespace kktsim
