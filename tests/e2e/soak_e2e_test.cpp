// A day of trade end to end: kktsim, srvsim and cashdesk as processes of
// their own, the cashier's keys through the keypad FIFO, each pressed once
// the screen trace shows the form that takes it. The shift is opened, then
// SOAK_RECEIPTS receipts (default 50) of 1 to 10 goods lines are sold, paid
// in cash, by card or both; cash goes into the drawer and out of it now and
// then; every 100 receipts (and at the end) the documents go to the OFD,
// srvsim's faults on for one round and off for the next; the shift is
// closed. Then the day is checked: every document is in the drive's
// archive, each acknowledged by the OFD exactly once, the drawer and the
// shift's totals add up, nothing was printed twice, the program's memory
// stayed flat. Its figures go to stdout as "figure" lines (scripts/soak.sh
// runs it with 1,000 receipts).
#include "CashdeskE2e.h"
#include "JsonLines.h"
#include "SrvsimProcess.h"

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

namespace {

using namespace e2e;

// A screen of a long day may come late on a loaded machine; the OFD
// exchange of a hundred documents takes its pauses.
const long kScreenMs = 120000, kExchangeMs = 900000;

std::string money(int64_t kopecks)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%lld.%02lld", static_cast<long long>(kopecks / 100),
             static_cast<long long>(kopecks % 100));
    return buf;
}

long residentKb(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

class Soak : public Cashdesk {
protected:
    void TearDown() override
    {
        server.Stop();
        Cashdesk::TearDown();
    }

    // The next trace line of the event that matches, read on from where the
    // last one was found (the trace of a day is long: it is read once).
    Entry Next(const std::string &event, const std::function<bool(const Entry &)> &match, long limitMs = kScreenMs)
    {
        long end = nowMs() + limitMs;
        for (;;) {
            {
                std::ifstream in(trace, std::ios::binary);
                in.seekg(static_cast<std::streamoff>(offset_));
                std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                size_t from = 0, at;
                while ((at = text.find('\n', from)) != std::string::npos) {
                    Entry e(text.substr(from, at - from));
                    from = at + 1;
                    offset_ += e.line.size() + 1;
                    if (e.Get("event") == event && match(e))
                        return e;
                }
            }
            if (cashdesk > 0 && exited < 0) {
                int status;
                if (waitpid(cashdesk, &status, WNOHANG) == cashdesk) {
                    exited = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                    cashdesk = -1;
                    continue;
                }
            }
            if (exited >= 0 || nowMs() > end) {
                ADD_FAILURE() << (exited >= 0 ? "cashdesk ended" : "no line in time") << " waiting for " << event;
                throw std::runtime_error("the day stopped");
            }
            pause10ms();
        }
    }
    void Form(const std::string &file)
    {
        Next("form", [&](const Entry &e) { return e.Get("file") == file; });
    }
    Entry Box(const std::set<std::string> &titles, long limitMs = kScreenMs)
    {
        return Next("msgbox", [&](const Entry &e) { return titles.count(e.Get("title")) > 0; }, limitMs);
    }
    void At(const std::string &file, std::initializer_list<uint16_t> keys)
    {
        Form(file);
        for (uint16_t k : keys)
            Key(k);
    }
    void Digits(const std::string &text)
    {
        for (char c : text)
            Key(DigitKey(c));
    }
    // Chooses an item of the menu shown: the main menu keeps its selection
    // between screens, a sub-menu starts at its first item each time.
    void Sub(const std::string &file)
    {
        Form(file);
        selected_[file] = 0;
    }
    void Pick(const std::string &file, const std::string &id)
    {
        std::vector<std::string> items = menuItems(dir + "/res/" + file);
        size_t to = std::find(items.begin(), items.end(), id) - items.begin();
        ASSERT_LT(to, items.size()) << id;
        size_t &at = selected_[file];
        if (to > at)
            Key(KEY_DOWN, static_cast<int>(to - at));
        else if (to < at)
            Key(KEY_UP, static_cast<int>(at - to));
        at = to;
        Key(KEY_ENTER);
    }

    void StartServer(const std::string &scenario)
    {
        server.Stop();
        std::string error;
        const std::string where = dir + "/srvsim" + std::to_string(serverDirs_.size() + 1);
        ASSERT_TRUE(server.Start(SRVSIM_PATH, where, scenario, &error, port_)) << error;
        port_ = server.Port();
        serverDirs_.push_back(where);
    }

    // From the main menu to the shift menu's item and its form.
    void ShiftItem(const std::string &id, const std::string &form)
    {
        Pick("kkt_menu_main.xml", "shift");
        Sub("kkt_menu_shift.xml");
        Pick("kkt_menu_shift.xml", id);
        Form(form);
    }
    void BackToMain(const std::string &menu)
    {
        Form(menu);
        Key(KEY_CANCEL);
        Form("kkt_menu_main.xml");
    }
    void CashMove(bool in, int64_t kopecks)
    {
        ShiftItem(in ? "cashbox_to" : "cashbox_from", in ? "kkt_dlg_to_cash.xml" : "kkt_dlg_from_cash.xml");
        Digits(std::to_string(kopecks));
        Key(KEY_ENTER);
        Entry box = Box({u8"ВНЕСЕНИЕ", u8"ИЗЪЯТИЕ", u8"ОШИБКА"});
        EXPECT_EQ(box.Get("title"), in ? u8"ВНЕСЕНИЕ" : u8"ИЗЪЯТИЕ") << box.Get("text");
        Key(KEY_ENTER);
        BackToMain("kkt_menu_shift.xml");
        (in ? deposits_ : withdrawals_) += kopecks;
        drawer_ += in ? kopecks : -kopecks;
    }
    // One receipt of `lines` goods at these prices, paid as `how` says:
    // 0 in cash, 1 by card, 2 one rouble in cash and the rest by card.
    void Sell(int n, int lines, int how)
    {
        Pick("kkt_menu_main.xml", "sales");
        Sub("kkt_menu_sales.xml");
        Pick("kkt_menu_sales.xml", "receipt_fiscal");
        for (const char *page : {"kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml"})
            At(page, {KEY_ENTER});
        int64_t total = 0;
        for (int k = 0; k < lines; ++k) {
            const int64_t price = 101 + (n * 37 + k * 11) % 900; // kopecks, above a rouble
            total += price;
            At("kkt_dlg_poss_cheque.xml", {KEY_ADD});
            At("kkt_dlg_receipt_calc_object_1_1.xml", {KEY_ENTER});
            Form("kkt_dlg_receipt_good_1.xml");
            Key(KEY_DOWN, 2);
            Digits(std::to_string(price));
            Key(KEY_DOWN);
            Digits("1000");
            Key(KEY_ENTER);
            for (const char *page : {"kkt_dlg_select_tax_type.xml", "kkt_dlg_receipt_calc_method.xml",
                                     "kkt_dlg_receipt_agent_1.xml", "kkt_dlg_receipt_good_2.xml"})
                At(page, {KEY_ENTER});
        }
        At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
        const std::initializer_list<uint16_t> byCard = {KEY_DOWN, KEY_EIGHT, KEY_EIGHT, KEY_FIVE, KEY_ENTER};
        int64_t cash = 0;
        if (how == 0) {
            At("kkt_dlg_receipt_payment.xml", {KEY_ENTER});
            cash = total;
        } else if (how == 1) {
            At("kkt_dlg_receipt_payment.xml", byCard);
        } else {
            Form("kkt_dlg_receipt_payment.xml");
            Digits("100");
            Key(KEY_ENTER);
            At("kkt_dlg_receipt_payment.xml", byCard);
            cash = 100;
        }
        At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
        Entry box = Box({u8"КАССОВЫЙ ЧЕК", u8"ОШИБКА", u8"ВНИМАНИЕ"});
        EXPECT_EQ(box.Get("text"), u8"ЧЕК УСПЕШНО ЗАВЕРШЕН!") << "receipt " << n << ": " << box.Get("title");
        Key(KEY_ENTER);
        BackToMain("kkt_menu_sales.xml");
        cash_ += cash;
        card_ += total - cash;
        drawer_ += cash;
    }
    // Sends what waits for the OFD, srvsim's faults on or off; a round the
    // faults break off is run again.
    void SendToOfd(bool faults)
    {
        StartServer(faults ? "fault ofd reset times 1\nfault ofd close-request times 1\nfault ofd slow 300 times 2\n"
                             "fault ofd close-accept times 1\n"
                           : "");
        for (int attempt = 0; attempt < 10; ++attempt) {
            Pick("kkt_menu_main.xml", "ofd");
            Sub("kkt_menu_ofd.xml");
            Pick("kkt_menu_ofd.xml", "ofd_conn");
            Entry box = Box({u8"ОБМЕН ЗАВЕРШЕН", u8"ОБМЕН ПРЕРВАН"}, kExchangeMs);
            Key(KEY_ENTER);
            BackToMain("kkt_menu_ofd.xml");
            ++sends_;
            if (box.Get("title") == u8"ОБМЕН ЗАВЕРШЕН" &&
                box.Get("text").find(u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ") != std::string::npos)
                return;
        }
        ADD_FAILURE() << "the documents did not go in ten rounds";
    }

    SrvsimProcess server;
    uint16_t port_ = 0;
    std::vector<std::string> serverDirs_;
    std::map<std::string, size_t> selected_;
    size_t offset_ = 0;
    int64_t cash_ = 0, card_ = 0, deposits_ = 0, withdrawals_ = 0, drawer_ = 0;
    int sends_ = 0;
};

// Rows of a query on the drive's store, each as its columns' texts.
std::vector<std::vector<std::string>> query(const std::string &path, const std::string &sql)
{
    std::vector<std::vector<std::string>> rows;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                std::vector<std::string> row;
                for (int i = 0; i < sqlite3_column_count(st); ++i) {
                    const unsigned char *t = sqlite3_column_text(st, i);
                    row.push_back(t ? reinterpret_cast<const char *>(t) : "");
                }
                rows.push_back(row);
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
}

int count(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(Soak, ADayOfTrade)
{
    const char *env = getenv("SOAK_RECEIPTS");
    const int receipts = env ? atoi(env) : 50;
    ASSERT_GT(receipts, 0);

    StartServer("");
    ASSERT_EQ(system(("mkdir -p '" + root + "/sys/class/net/eth1' && echo 1 >'" + root + "/sys/class/net/eth1/carrier'")
                         .c_str()),
              0);
    std::ofstream(dir + "/data/kktsettings.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
        << u8"<CmdShiftOpen Operator=\"Иванов И.И.\" OperatorINN=\"\"/><CmdCloseShift Operator=\"Иванов И.И.\"/>"
        << u8"<FiscalReceipt Seller=\"Иванов И.И.\"/><CmdToCash Seller=\"Иванов И.И.\"/>"
        << u8"<CmdFromCash Seller=\"Иванов И.И.\"/>"
        << "<connections><conn name=\"lan\" type=\"ETH1\" dhcp=\"0\" ip=\"127.0.0.1\" mask=\"255.0.0.0\"/>"
        << "</connections></settings>\n";
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") + "drive ofd-port " +
             std::to_string(port_) + "\ndrive ofd-times 60 5 5\n");
    StartCashdesk();
    const std::string store = dir + "/kktsim/drive.db";

    std::vector<long> rss;
    const double start = nowMs();
    uint32_t first = 0;
    try {
        Form("kkt_menu_main.xml");
        ShiftItem("shift_open", "kkt_dlg_shift_open.xml");
        Key(KEY_ENTER);
        BackToMain("kkt_menu_shift.xml");
        {
            auto rows = query(store, "SELECT max(number) FROM archive");
            ASSERT_EQ(rows.size(), 1u);
            first = static_cast<uint32_t>(std::stoul(rows[0][0])); // the shift's opening
        }
        for (int n = 1; n <= receipts; ++n) {
            if (n % 25 == 1)
                CashMove(true, 1000);
            if (n % 40 == 0 && drawer_ >= 500)
                CashMove(false, 500);
            Sell(n, 1 + (n * 7) % 10, n % 3);
            rss.push_back(residentKb(cashdesk));
            if (n % 100 == 0)
                SendToOfd(n / 100 % 2 == 1);
        }
        // the shift's totals before its closing
        jsonl::Json state;
        ASSERT_TRUE(jsonl::Parse(driveState(dir + "/kktsim"), &state));
        EXPECT_EQ(jsonl::Text(state, "drawer"), money(drawer_));
        EXPECT_EQ(jsonl::Number(state, "receipts"), receipts);
        const jsonl::Json &counters = state["counters"];
        EXPECT_EQ(counters["income"][0].get<std::string>(), money(cash_));
        EXPECT_EQ(counters["income"][1].get<std::string>(), money(card_));
        EXPECT_EQ(jsonl::Text(counters, "deposits"), money(deposits_));
        EXPECT_EQ(jsonl::Text(counters, "withdrawals"), money(withdrawals_));

        ShiftItem("shift_close", "kkt_dlg_shift_close.xml");
        Key(KEY_DOWN, 2);
        Key(KEY_FIVE, 2);
        Key(KEY_ENTER);
        BackToMain("kkt_menu_shift.xml");
        SendToOfd(receipts / 100 % 2 == 1);
        Key(KEY_CANCEL);
        Entry q = Box({u8"ВНИМАНИЕ"});
        Key(KEY_ENTER);
        EXPECT_EQ(WaitExit(), 0);
    } catch (const std::runtime_error &) {
        return; // the failure is recorded; the trace is printed on the way out
    }
    const double minutes = (nowMs() - start) / 60000.0;

    // every document in the archive: the opening, the receipts, the closing
    auto docs = query(store, "SELECT number, type FROM archive WHERE number >= " + std::to_string(first) +
                                 " ORDER BY number");
    ASSERT_EQ(docs.size(), static_cast<size_t>(receipts) + 2);
    for (size_t i = 0; i < docs.size(); ++i) {
        EXPECT_EQ(std::stoul(docs[i][0]), first + i);
        EXPECT_EQ(docs[i][1], i == 0 ? "2" : i + 1 == docs.size() ? "5" : "3") << "document " << docs[i][0];
    }
    EXPECT_TRUE(query(store, "SELECT number FROM ofd").empty()) << "nothing waits for the OFD";

    // each acknowledged by the OFD exactly once: srvsim's answers by the
    // document its connection brought, over every run of srvsim
    std::map<long long, int> acknowledged;
    for (const std::string &d : serverDirs_) {
        std::map<long long, long long> documentOf; // connection -> document
        for (const jsonl::Json &j : jsonl::ReadLines(d + "/journal.jsonl")) {
            const std::string event = jsonl::Text(j, "event");
            long long conn = jsonl::Number(j, "conn", -1);
            if (event == "request" && jsonl::Text(j, "kind") == "ofd")
                documentOf[conn] = jsonl::Number(j, "document", -1);
            else if (event == "answer" && documentOf.count(conn))
                ++acknowledged[documentOf[conn]];
        }
    }
    for (uint32_t n = first; n < first + receipts + 2; ++n)
        EXPECT_EQ(acknowledged[n], 1) << "document " << n;
    EXPECT_EQ(acknowledged.size(), static_cast<size_t>(receipts) + 2) << "no other documents";

    // nothing printed twice: each document's tape once on the paper
    const std::string paper = readFile(dir + "/kktsim/paper.txt");
    for (const auto &row : query(store, "SELECT number, paper FROM archive WHERE number >= " + std::to_string(first))) {
        std::string tape = row[1];
        if (tape.size() >= 4 && tape.compare(tape.size() - 4, 4, "...\n") == 0)
            tape.erase(tape.rfind('\n', tape.size() - 5) + 1); // cut when it was kept: its whole lines
        ASSERT_FALSE(tape.empty()) << "document " << row[0];
        EXPECT_EQ(count(paper, tape), 1) << "document " << row[0];
    }

    // the stand-in's reply to each frame (journal ticks: a request, then
    // the reply frame of its code), early and late
    std::vector<double> replies;
    {
        std::map<std::string, long long> asked; // code -> tick
        for (const jsonl::Json &j : jsonl::ReadLines(journal)) {
            const std::string code = jsonl::Text(j, "code");
            if (code.empty())
                continue;
            if (jsonl::Text(j, "dir") == "in" && jsonl::Number(j, "type", 0) == 1) {
                asked[code] = jsonl::Number(j, "tick");
            } else if (jsonl::Text(j, "dir") == "out" && asked.count(code)) {
                replies.push_back(static_cast<double>(jsonl::Number(j, "tick") - asked[code]));
                asked.erase(code);
            }
        }
    }
    ASSERT_GT(replies.size(), 30u);
    const size_t window = std::min<size_t>(200, replies.size() / 3);
    // (ticks are whole milliseconds: the mean of a window tells more than
    // its median)
    auto mean = [](std::vector<double>::const_iterator from, std::vector<double>::const_iterator to) {
        double sum = 0;
        for (auto it = from; it != to; ++it)
            sum += *it;
        return to > from ? sum / static_cast<double>(to - from) : -1;
    };
    const double early = mean(replies.begin(), replies.begin() + window);
    const double late = mean(replies.end() - window, replies.end());
    const double slowestLate = *std::max_element(replies.end() - window, replies.end());

    // the program's memory: the resident size after the first tenth of the
    // day against the end
    ASSERT_EQ(rss.size(), static_cast<size_t>(receipts));
    const long settled = rss[std::max<size_t>(rss.size() / 10, 1) - 1], last = rss.back();
    const long peak = *std::max_element(rss.begin(), rss.end());
#if !defined(__SANITIZE_ADDRESS__)
    // (a sanitizer's quarantine grows the heap by design: flat is judged
    // on a build without it)
    EXPECT_LE(last, settled + settled / 10 + 2048) << "resident kB after a tenth of the day " << settled;
#endif

    printf("day: %d receipts, %d documents, %d OFD rounds over %zu srvsim runs, %.1f minutes\n", receipts,
           receipts + 2, sends_, serverDirs_.size(), minutes);
    printf("figure\tsoak documents per minute\t%.1f\t/min\n", (receipts + 2) / minutes);
    printf("figure\tsoak kktsim reply, first %zu frames (mean)\t%.2f\tms\n", window, early);
    printf("figure\tsoak kktsim reply, last %zu frames (mean)\t%.2f\tms\n", window, late);
    printf("figure\tsoak kktsim reply, last %zu frames (slowest)\t%.0f\tms\n", window, slowestLate);
    printf("figure\tsoak cashdesk resident memory after a tenth of the day\t%.1f\tMiB\n", settled / 1024.0);
    printf("figure\tsoak cashdesk resident memory at the end\t%.1f\tMiB\n", last / 1024.0);
    printf("figure\tsoak cashdesk resident memory, peak\t%.1f\tMiB\n", peak / 1024.0);
    printf("figure\tsoak drawer at the end\t%s\trub\n", money(drawer_).c_str());
    fflush(stdout);
}
