// The fiscal-drive model on arbitrary input. The first byte chooses: even,
// the rest is a state file; odd, the rest is a request frame answered by a
// drive in the default state (with paper when bit 1 is clear, the shift
// open with bit 2, a receipt open with bit 3, behind an FFD 1.2 controller
// with bit 4, not yet registered with bit 5, two archived documents with
// bit 6, marking on with bit 7: FFD 1.2, a check of a code at the step
// bits 1 and 2 give, a code waiting for its goods line when bit 3 opened a
// receipt). Whatever
// state results must be written and read back unchanged, and a reply must
// be a frame with its error in field 3.

#include "KktDrive.h"
#include "KktFrame.h"

#include <cstdlib>
#include <string>

namespace {

void RoundTrip(const kktsim::DriveState &s)
{
    std::string text = s.ToJson();
    kktsim::DriveState back;
    std::string error;
    if (!back.FromJson(text, &error) || back.ToJson() != text)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    std::string rest(reinterpret_cast<const char *>(data + 1), size - 1);
    if (data[0] % 2 == 0) {
        kktsim::DriveState s;
        std::string before = s.ToJson(), error;
        if (s.FromJson(rest, &error))
            RoundTrip(s);
        else if (s.ToJson() != before)
            std::abort(); // a refused file changes nothing
        return 0;
    }
    kktsim::Request req;
    if (kktsim::ParseRequest(data + 1, size - 1, 4, req) == kktsim::ParseResult::Malformed)
        return 0;
    kktsim::Drive drive;
    drive.state.shiftOpen = (data[0] & 4) != 0;
    drive.state.docType = (data[0] & 8) ? 1 : 0;
    if (data[0] & 16)
        drive.state.firmware = "K120400";
    if (data[0] & 32)
        drive.state.phase = kktsim::kPhaseReady;
    if (data[0] & 64) { // two documents in the archive and the journal
        kktsim::MakeFiscalDocument(drive.state, "0103260900", kktsim::kDocShiftOpen);
        kktsim::MakeFiscalDocument(drive.state, "0103261000", kktsim::kDocReceipt, 1);
    }
    if (data[0] & 128) { // marking on, a check under way
        kktsim::DriveState &s = drive.state;
        s.ffd = 4;
        s.markingFlags = 0x100;
        s.marking.check.step = static_cast<uint8_t>((data[0] >> 1) & 3);
        s.marking.check.code = s.marking.check.step ? "0104600000000017215ABC" : "";
        s.marking.check.result = 3;
        if (s.docType)
            s.marking.pending = "4607012345678";
    }
    kktsim::Reply rep;
    rep.id = req.id;
    rep.code = req.code;
    kktsim::DriveResult r = drive.Answer(req, (data[0] & 2) != 0, rep);
    if (r.answered && rep.error != 0 && (!rep.data.empty() || !r.paper.empty()))
        std::abort(); // a refusal answers and prints nothing
    RoundTrip(drive.state);
    kktsim::BuildReply(rep);
    return 0;
}
