// The print runner against the fiscal-drive stand-in: the wait form, the
// paper question with its resend, the cancel of a wait, broken and stray
// replies; and the free-text print with command 0x1D on the side the work
// mode asks for.
#include "FiscalFixture.h"

#include "ServiceQueue.h"
#include "TMCommand.h"
#include "kfn_state.h"
#include "print_runner.h"

namespace fiscaltest {
namespace {

const char *kReportTitle = u8"ОТЧЕТ БЕЗ ГАШЕНИЯ";

struct PrintCase {
    const char *what;
    const char *scenario;   // after a registered drive with an open shift
    uint16_t workModes;     // cached work modes of the program
    uint16_t cancellable;
    bool paperOut;          // taken out before the command
    std::vector<Step> steps; // paper put back where a step says so
    int result;
    std::vector<std::string> taken;
    std::vector<std::string> boxes;
    int reports;            // shift reports on the paper afterwards
};

std::vector<PrintCase> cases(kktsim::Simulator *sim)
{
    auto paperIn = [sim]() { sim->SetPaperOut(false); };
    const char *noPaper = u8"ВНИМАНИЕ|В ПРИНТЕРЕ НЕТ БУМАГИ\n\nУСТАНОВИТЕ НОВЫЙ РУЛОН И НАЖМИТЕ КНОПКУ ОК\n\n";
    return {
        {"printed", "", 0, 0, false, {{kWait, {}}}, 0, {"30"}, {}, 1},
        {"a stray one-byte status and a status block before the reply", "fault 30 short-first times 1\n", 0, 0,
         false, {{kWait, {}}}, 0, {"30"}, {}, 1},
        {"paper out, put back, OK: 0x1D before the resend", "", 0, 0, true,
         {{kWait, {}}, {u8"ВНИМАНИЕ", {KEY_ENTER}, paperIn}, {kWait, {}}}, 0, {"30", "1D", "30"}, {noPaper}, 1},
        {"paper out with work-mode bit 0x10: resent at once", "drive work-modes 0010\n", 0x10, 0, true,
         {{kWait, {}}, {u8"ВНИМАНИЕ", {KEY_ENTER}, paperIn}, {kWait, {}}}, 0, {"30", "30"}, {noPaper}, 1},
        {"paper out, the cashier gives up", "", 0, 1, true, {{kWait, {}}, {u8"ВНИМАНИЕ", {KEY_CANCEL}}}, 0x19,
         {"30"}, {noPaper}, 0},
        {"paper out, not cancellable: asked again until the paper is back", "", 0, 0, true,
         {{kWait, {}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {kWait, {}}, {u8"ВНИМАНИЕ", {KEY_ENTER}, paperIn}, {kWait, {}}}, 0,
         {"30", "1D", "30", "1D", "30"}, {noPaper, noPaper}, 1},
        {"cancelled while waiting", "fault 30 no-reply\n", 0, 1, false,
         {{kWait, {KEY_CANCEL}}, {u8"ОШИБКА", {KEY_ENTER}}}, -1, {"30", "DLE 6"},
         {u8"ОШИБКА|Выполнение команды 30 прервано"}, 1 /* printed before its reply was lost */},
        {"a reply that fails the frame check", "fault 30 bad-checksum\n", 0, 0, false,
         {{kWait, {}}, {u8"ОШИБКА", {KEY_ENTER}}}, -5, {"30"},
         {u8"ОШИБКА|ОШИБКА -5 при обращении к КФН (команда 30)\n\nОТВЕТ НЕКОРРЕКТНЫЙ"}, 1},
    };
}

} // namespace

TEST_F(FiscalTest, PrintRunnerWaitPaperAndCancel)
{
    std::vector<PrintCase> all = cases(sim.get());
    for (const PrintCase &c : all) {
        SCOPED_TRACE(c.what);
        sim->ForgetDrive();
        Drive(std::string("drive shift open 1\n") + c.scenario);
        sim->SetPaperOut(c.paperOut);
        kfn_set_work_modes(c.workModes);
        kfn_set_state(0x11, 0x2222);
        size_t boxes = Boxes().size(), taken = TakenCount();
        size_t reportsBefore = 0;
        for (size_t at = Paper().find(kReportTitle); at != std::string::npos; at = Paper().find(kReportTitle, at + 1))
            ++reportsBefore;
        Script(c.steps);
        TMCommand cmd;
        ASSERT_GT(cmd.ShiftReport(), 0);
        EXPECT_EQ(kfn_exec_print(ui, &cmd, c.cancellable), c.result);
        EndScript();
        EXPECT_EQ(Taken(taken), c.taken);
        EXPECT_EQ(Boxes(boxes), c.boxes);
        size_t reports = 0;
        std::string paper = Paper();
        for (size_t at = paper.find(kReportTitle); at != std::string::npos; at = paper.find(kReportTitle, at + 1))
            ++reports;
        EXPECT_EQ(reports - reportsBefore, static_cast<size_t>(c.reports));
        if (c.result == 0) {
            // The reply's statuses are kept: registered, shift open.
            EXPECT_EQ(kfn_state_byte(), 0x08);
            EXPECT_EQ(kfn_flags() & 0x0800, 0x0800);
        } else if (c.result < 0) {
            EXPECT_EQ(kfn_state_byte(), 0x11);
            EXPECT_EQ(kfn_flags(), 0x2222);
        }
    }
}

// A refusal of the drive is shown with its code and statuses and returned.
TEST_F(FiscalTest, PrintRunnerShowsTheDrivesRefusal)
{
    Drive("drive shift closed\n");
    Script({{kWait, {}}, {u8"ОШИБКА", {KEY_ENTER}}});
    TMCommand cmd;
    ASSERT_GT(cmd.ShiftReport(), 0);
    EXPECT_EQ(kfn_exec_print(ui, &cmd, 0), 0x25);
    EndScript();
    std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind(u8"ОШИБКА|ОШИБКА при выполнении команды 30:\n25:", 0), 0u) << boxes[0];
    EXPECT_NE(boxes[0].find(u8"СТАТУСЫ: 08 0000"), std::string::npos) << boxes[0];
    EXPECT_EQ(Paper().find(kReportTitle), std::string::npos);
}

struct FreeTextCase {
    uint16_t workModes;
    std::vector<std::string> taken; // around the text job, which is no frame
};

// A free-text print goes out as CP866 raw data; command 0x1D goes once,
// before the text when work-mode bit 0x10 is set, else after it.
TEST_F(FiscalTest, FreeTextPrintWithContinueOnTheWorkModesSide)
{
    const FreeTextCase kCases[] = {{0x0000, {"1D"}}, {0x0010, {"1D"}}};
    Drive();
    for (const FreeTextCase &c : kCases) {
        SCOPED_TRACE(c.workModes);
        kfn_set_work_modes(c.workModes);
        size_t taken = TakenCount();
        size_t paper = Paper().size();
        EXPECT_EQ(print_begin(), 0);
        // Nothing sent yet exactly when the bit is clear.
        EXPECT_EQ(Taken(taken).empty(), c.workModes == 0);
        int state = -1;
        EXPECT_EQ(print_text("ИТОГО 5.00\n", &state), 0);
        EXPECT_EQ(state, 0);
        EXPECT_EQ(print_end(), 0);
        EXPECT_EQ(Taken(taken), c.taken);
        EXPECT_EQ(Paper().substr(paper), u8"ИТОГО 5.00\n");
    }
}

struct TextArgCase {
    const char *text;
    int length;
    int result;
};

TEST_F(FiscalTest, FreeTextPrintRefusesNothingToPrint)
{
    Drive();
    const TextArgCase kCases[] = {{nullptr, 3, -1}, {"abc", 0, -1}, {"", 5, -1}, {"ab", 5, 0}};
    for (const TextArgCase &c : kCases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        size_t paper = Paper().size();
        EXPECT_EQ(print_text_n(c.text, c.length, nullptr), c.result);
        // A text shorter than its length is printed up to its end only.
        EXPECT_EQ(Paper().substr(paper), c.result == 0 ? std::string(c.text) : "");
    }
}

// Out of paper the text job fails and its status says so.
TEST_F(FiscalTest, FreeTextPrintReportsThePrinterState)
{
    Drive();
    sim->SetPaperOut(true);
    int state = -1;
    EXPECT_EQ(print_text("X", &state), -6);
    EXPECT_EQ(state, 2);
    uint8_t status[16] = {};
    EXPECT_EQ(kfn_send_text("Y", 0, status), -6);
    EXPECT_EQ(status[0], 2);
    sim->SetPaperOut(false);
    EXPECT_EQ(kfn_send_text("Y", 0, status), 0);
    EXPECT_EQ(Paper(), "Y\n");
}

} // namespace fiscaltest

namespace fiscaltest {
namespace {

struct RepeatCase {
    const char *what;
    const char *status; // scenario lines of the printer's status
    uint16_t key;       // the answer to the question, 0: no question
    const char *question;
    std::vector<std::string> taken;
};

const RepeatCase kRepeat[] = {
    {"overheated, repeat", "print-error -6\nprinter-state 3\ndata-state 1\n", KEY_ENTER,
     u8"ПРИНТЕР ПЕРЕГРЕЛСЯ\nПОВТОРИТЬ ПЕЧАТЬ?", {"30", "DLE 8"}},
    {"busy, give up", "print-error -7\nprinter-state 1\ndata-state 1\n", KEY_CANCEL,
     u8"ПРИНТЕР ЗАНЯТ\nПОВТОРИТЬ ПЕЧАТЬ?", {"30"}},
    {"out of paper", "print-error -7\nprinter-state 2\ndata-state 1\n", KEY_CANCEL,
     u8"ЗАКОНЧИЛАСЬ БУМАГА\nПОВТОРИТЬ ПЕЧАТЬ?", {"30"}},
    {"another state", "print-error -6\nprinter-state 5\ndata-state 1\n", KEY_CANCEL,
     u8"СТАТУС ПРИНТЕРА 5\nПОВТОРИТЬ ПЕЧАТЬ?", {"30"}},
    {"another error", "print-error -2\ndata-state 1\n", KEY_ENTER, u8"ОШИБКА -2[0] ПРИ ПЕЧАТИ\nПОВТОРИТЬ ПЕЧАТЬ?",
     {"30", "DLE 8"}},
    {"nothing pending", "print-error -6\nprinter-state 3\n", 0, nullptr, {"30"}},
    {"pending without an error", "data-state 1\n", 0, nullptr, {"30"}},
};

} // namespace

// After a successful print an unfinished one is offered again: OK asks for
// a repeat (DLE '8') behind a wait that ends without an answer after a
// second; cancel leaves it.
TEST_F(FiscalTest, UnfinishedPrintIsOfferedAgain)
{
    for (const RepeatCase &c : kRepeat) {
        SCOPED_TRACE(c.what);
        sim->ForgetDrive();
        Drive(std::string("drive shift open 1\n") + c.status);
        size_t boxes = Boxes().size(), taken = TakenCount();
        std::vector<Step> steps = {{kWait}};
        if (c.key)
            steps.push_back({u8"ОШИБКА", {c.key}});
        if (c.key == KEY_ENTER)
            steps.push_back({kWait});
        Script(steps);
        TMCommand cmd;
        ASSERT_GT(cmd.ShiftReport(), 0);
        EXPECT_EQ(kfn_exec_print(ui, &cmd, 0), 0);
        EndScript();
        EXPECT_EQ(Taken(taken), c.taken);
        std::vector<std::string> shown = Boxes(boxes);
        EXPECT_EQ(shown, c.question ? std::vector<std::string>{std::string(u8"ОШИБКА|") + c.question}
                                    : std::vector<std::string>{});
        if (c.question) {
            EXPECT_EQ(Trace("msgbox").back().Get("flags"), "3");
        }
    }
}

struct WaitCallCase {
    const char *what;
    int nocancel, copy;
    const char *status;
    const char *flags; // of the question
    uint16_t key;
    std::vector<std::string> taken;
    const char *waitText; // the repeat's wait form, null: none
};

// The repeat without cancel, the copy, and the error -3 that always lets
// the cashier cancel.
TEST_F(FiscalTest, PrintWaitVariants)
{
    const WaitCallCase kCases[] = {
        {"no cancel: OK only, then the repeat", 1, 0, "print-error -2\ndata-state 1\n", "1", KEY_ENTER, {"DLE 8"},
         u8"ИДЕТ ПЕЧАТЬ"},
        {"copy", 0, 1, "print-error -2\ndata-state 1\n", "3", KEY_ENTER, {"DLE C"}, u8"ИДЕТ ПЕЧАТЬ КОПИИ"},
        {"-3 may be cancelled even without cancel", 1, 0, "print-error -3\ndata-state 1\n", "3", KEY_CANCEL, {},
         nullptr},
    };
    for (const WaitCallCase &c : kCases) {
        SCOPED_TRACE(c.what);
        sim->ForgetDrive();
        Drive(std::string("drive shift open 1\n") + c.status);
        size_t taken = TakenCount();
        std::vector<Step> steps = {{u8"ОШИБКА", {c.key}}};
        if (c.waitText)
            steps.push_back({kWait});
        Script(steps);
        print_wait(ui, c.nocancel, c.copy, 1);
        EndScript();
        EXPECT_EQ(Trace("msgbox").back().Get("flags"), c.flags);
        EXPECT_EQ(Taken(taken), c.taken);
    }
}

} // namespace fiscaltest

namespace fiscaltest {

// A status that comes within the second after the repeat makes the printer
// be asked anew: still unfinished, the question comes again.
TEST_F(FiscalTest, RepeatAnsweredInTimeAsksThePrinterAgain)
{
    Drive("drive shift open 1\nprint-error -6\nprinter-state 3\ndata-state 1\nrepeat-status on\n");
    const char *question = u8"ОШИБКА|ПРИНТЕР ПЕРЕГРЕЛСЯ\nПОВТОРИТЬ ПЕЧАТЬ?";
    Script({{u8"ОШИБКА", {KEY_ENTER}}, {u8"ПОДОЖДИТЕ"}, {u8"ОШИБКА", {KEY_CANCEL}}});
    print_wait_simple(ui, 0, 0);
    EndScript();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{question, question}));
    EXPECT_EQ(Taken(), (std::vector<std::string>{"DLE 8"}));
    // Asked twice: before the question and after the repeat.
    size_t asked = 0;
    for (const Entry &e : ReadJournal(sim->JournalPath(), "in", 1))
        if (e.Num("kind") == 3)
            ++asked;
    EXPECT_EQ(asked, 2u);
}

} // namespace fiscaltest
