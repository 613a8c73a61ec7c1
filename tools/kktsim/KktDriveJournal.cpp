// The electronic journal: copies of the archived documents printed by shift
// (0x84), by the shift's closing (0x7C), by time (0x7D), by a range of
// numbers (0x7E) or one by number (0x7F); clearing it (0x85) and its pages
// (0x49). The journal holds the archive's documents from journalFrom on.
#include "KktDriveJournal.h"
#include "KktDriveSettings.h"

#include <time.h>

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"
#include "KktFrame.h"
#include "KktText.h"

namespace kktsim {

using namespace wire;

namespace {

class JournalCommand {
public:
    explicit JournalCommand(DriveCall &c) : s(c.s), a(c.s.archive), c_(c) {}

    uint8_t ByShift(bool closing);
    uint8_t ByTime();
    uint8_t ByNumbers();
    uint8_t OneDocument();
    uint8_t Params();
    // The journal starts after the last document (the archive keeps them).
    uint8_t Clear()
    {
        a.journalFrom = s.lastDocument + 1;
        c_.res.changed = true;
        return 0;
    }

private:
    bool Word(size_t k, uint32_t &out) const { return ReadHexLE(c_.Raw(k), 2, out); }
    // "over", when sent, is a byte.
    bool OverOk(size_t k) const
    {
        uint32_t over;
        return c_.fields.size() < k || ReadHexLE(c_.Raw(k), 1, over);
    }
    // Prints the copies of the journal's documents that match; refused when
    // none does.
    template <class Match> uint8_t Print(const char *title, Match match)
    {
        std::vector<const ArchivedDocument *> found;
        for (const ArchivedDocument &d : a.documents)
            if (d.number >= a.journalFrom && match(d))
                found.push_back(&d);
        if (found.empty())
            return kErrNoData;
        if (ArchivePaperRefused(s, c_.paperOut, c_.res))
            return kErrNoPaper;
        Paper p;
        p.Rule();
        p.Center(u8"ЭЛЕКТРОННЫЙ ЖУРНАЛ");
        p.Center(title);
        for (const ArchivedDocument *d : found) {
            p.Center(u8"КОПИЯ");
            p.Raw(d->paper.empty() ? u8"ФД " + std::to_string(d->number) + "\n" : d->paper);
        }
        p.Rule();
        c_.res.paper += p.Str();
        return 0;
    }

    DriveState &s;
    DriveArchive &a;
    DriveCall &c_;
};

// 0x84 [W shift] every document of the shift (none sent: the current one);
// 0x7C W shift the shift's closing report.
uint8_t JournalCommand::ByShift(bool closing)
{
    uint32_t shift = s.shiftNumber;
    if (closing && c_.fields.empty())
        return kErrFormat;
    if (!c_.fields.empty() && !Word(1, shift))
        return kErrField;
    if (closing)
        return Print(u8"ЗАКРЫТИЕ СМЕНЫ", [&](const ArchivedDocument &d) {
            return d.shift == shift && d.type == kDocShiftClose;
        });
    return Print(u8"СМЕНА", [&](const ArchivedDocument &d) { return d.shift == shift; });
}

// 0x7D S HHMM from, S HHMM to, [S DDMMYY] (none: today).
uint8_t JournalCommand::ByTime()
{
    if (c_.fields.size() < 2)
        return kErrFormat;
    int from = Minutes(c_.Raw(1)), to = Minutes(c_.Raw(2));
    std::string date = c_.fields.size() > 2 ? c_.Raw(3) : DriveClock(s, time(nullptr)).substr(0, 6); // the drive's today
    if (from < 0 || to < 0 || !Digits(date, 6))
        return kErrField;
    return Print(u8"ПО ВРЕМЕНИ", [&](const ArchivedDocument &d) {
        if (d.when.size() != 10 || d.when.compare(0, 6, date) != 0)
            return false;
        int at = Minutes(d.when.substr(6, 4));
        return at >= from && at <= to;
    });
}

// 0x7E W first, W last, [B over].
uint8_t JournalCommand::ByNumbers()
{
    uint32_t first, last;
    if (c_.fields.size() < 2)
        return kErrFormat;
    if (!Word(1, first) || !Word(2, last) || !OverOk(3))
        return kErrField;
    return Print(u8"ПО НОМЕРАМ", [&](const ArchivedDocument &d) { return d.number >= first && d.number <= last; });
}

// 0x7F W number, [B over].
uint8_t JournalCommand::OneDocument()
{
    uint32_t number;
    if (c_.fields.empty())
        return kErrFormat;
    if (!Word(1, number) || !OverOk(2))
        return kErrField;
    return Print(u8"ДОКУМЕНТ", [&](const ArchivedDocument &d) { return d.number == number; });
}

// 0x49: pages, failed blocks, the current page (one page a document).
uint8_t JournalCommand::Params()
{
    uint32_t used = 0;
    for (const ArchivedDocument &d : a.documents)
        if (d.number >= a.journalFrom)
            ++used;
    c_.rep.data.push_back(std::to_string(a.journalPages));
    c_.rep.data.push_back(HexW(a.journalFailed));
    c_.rep.data.push_back(std::to_string(used < a.journalPages ? used : a.journalPages));
    return 0;
}

} // namespace

uint8_t JournalShift(DriveCall &c) { return JournalCommand(c).ByShift(false); }
uint8_t JournalShiftClose(DriveCall &c) { return JournalCommand(c).ByShift(true); }
uint8_t JournalByTime(DriveCall &c) { return JournalCommand(c).ByTime(); }
uint8_t JournalByNumbers(DriveCall &c) { return JournalCommand(c).ByNumbers(); }
uint8_t JournalDocument(DriveCall &c) { return JournalCommand(c).OneDocument(); }
uint8_t JournalClear(DriveCall &c) { return JournalCommand(c).Clear(); }
uint8_t JournalParams(DriveCall &c) { return JournalCommand(c).Params(); }

} // namespace kktsim
