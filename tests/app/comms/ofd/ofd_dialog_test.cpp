// The exchange dialog in the toolkit's own UI thread: the callback steps the
// documents to srvsim (a process of its own) and writes the answers into
// kktsim's drive model; the dialog ends with the collected lines in a box.
#include "FiscalFixture.h"
#include "SrvsimProcess.h"

#include "KktDriveOfd.h"
#include "conn_api.h"
#include "conn_record.h"
#include "kfn_state.h"
#include "message_box.h"
#include "ofd_dialog.h"
#include "ofd_worker.h"
#include "settings.h"
#include "vuForm.h"
#include "vuViewObject.h"

namespace {

using fiscaltest::FiscalTest;
using fiscaltest::Step;
using shelltest::KEY_CANCEL;
using shelltest::KEY_ENTER;

class OfdDialog : public FiscalTest {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        if (HasFatalFailure())
            return;
        ofd_forget_params();
        strcpy(kfn_state.fn_number, "9999078900012345");
        kfn_state.ffd_version = 2;
    }
    void TearDown() override
    {
        ofd_stop(nullptr);
        ofd_forget_params();
        server.Stop();
        FiscalTest::TearDown();
    }
    void Serve(const std::string &scenario, const std::string &drive)
    {
        std::string error;
        ASSERT_TRUE(server.Start(SRVSIM_PATH, root + "/srvsim", scenario, &error)) << error;
        Drive(drive + "drive ofd-port " + std::to_string(server.Port()) + "\ndrive ofd-times 60 5 5\n");
    }
    size_t Waiting() { return sim->Drive().ofd.documents.size(); }
    // The last box with the title: "title|text" (UTF-8), or "".
    std::string Box(const std::string &title)
    {
        std::string found;
        for (const std::string &b : Boxes())
            if (b.rfind(title + "|", 0) == 0)
                found = b;
        return found;
    }
    SrvsimProcess server;
};

TEST_F(OfdDialog, EveryWaitingDocumentIsSentAndTheBoxSaysSo)
{
    Serve("", "drive ofd-documents 3\n");
    Script({Step("common_dlg_ofd.xml"), Step(u8"ОБМЕН ЗАВЕРШЕН", {KEY_ENTER})});
    EXPECT_EQ(ofd_exchange_dialog(ui, 3, nullptr), 1);
    EndScript();
    EXPECT_EQ(Waiting(), 0u);
    const std::string last = Box(u8"ОБМЕН ЗАВЕРШЕН");
    ASSERT_NE(last, "");
    EXPECT_NE(last.find(u8"НАЧАТА ОТПРАВКА ДОКУМЕНТА 3 ["), std::string::npos) << last;
    EXPECT_NE(last.find(u8"НАЧАТА ОТПРАВКА ДОКУМЕНТА 1 ["), std::string::npos) << last;
    EXPECT_NE(last.find(u8"ОТПРАВКА ДОКУМЕНТА ЗАВЕРШЕНА"), std::string::npos) << last;
    EXPECT_NE(last.find(u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ"), std::string::npos) << last;
    EXPECT_FALSE(ofd_worker.running) << "the worker is stopped with the dialog";
}

// Twelve documents make a log longer than the result box: the box shows
// its last lines, the outcome among them, and waits for OK.
TEST_F(OfdDialog, TheResultBoxOfALongLogShowsItsOutcome)
{
    Serve("", "drive ofd-documents 12\n");
    Script({Step("common_dlg_ofd.xml"), Step(u8"ОБМЕН ЗАВЕРШЕН", {KEY_ENTER})});
    EXPECT_EQ(ofd_exchange_dialog(ui, 12, nullptr), 1);
    EndScript();
    EXPECT_EQ(Waiting(), 0u);
    const std::string last = Box(u8"ОБМЕН ЗАВЕРШЕН");
    ASSERT_NE(last, "");
    const std::string outcome = u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ";
    ASSERT_GE(last.size(), outcome.size());
    EXPECT_EQ(last.substr(last.size() - outcome.size()), outcome) << last;
    // No more lines than the box's text holds (font 0, 8 pixels a line).
    vuForm *box = build_message_box(ui, "ОБМЕН ЗАВЕРШЕН", "", MB_OK | MB_FONT0, 0);
    ASSERT_NE(box, nullptr);
    const int holds = (static_cast<vuViewObject *>(box->GetByName("msg"))->GetHeight() - 4) / 8 - 1;
    delete box;
    EXPECT_LE(static_cast<int>(std::count(last.begin(), last.end(), '\n')) + 1, holds) << last;
    std::vector<servicetest::Entry> shown = Trace("msgbox");
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().Get("timeout"), "0") << "the box waits for the user";
}

// A server that fails every time: each tick sends the document again with a
// failure line, until Esc ends the exchange; the document stays.
TEST_F(OfdDialog, EscEndsAnExchangeThatKeepsFailing)
{
    Serve("fault ofd reset\n", "drive ofd-documents 1\n");
    Script({Step("common_dlg_ofd.xml", {KEY_CANCEL},
                 [this] { EXPECT_TRUE(server.WaitFor("close", 2)) << "sent at least twice"; }),
            Step(u8"ОБМЕН ПРЕРВАН", {KEY_ENTER})});
    EXPECT_EQ(ofd_exchange_dialog(ui, 1, nullptr), -1);
    EndScript();
    EXPECT_EQ(Waiting(), 1u);
    const std::string last = Box(u8"ОБМЕН ПРЕРВАН");
    ASSERT_NE(last, "");
    EXPECT_NE(last.find(u8"ОШИБКА: СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ"), std::string::npos) << last;
}

TEST_F(OfdDialog, TheOfdsMessageIsShown)
{
    Serve(u8"ofd-error 3 НЕВЕРНЫЙ ФОРМАТ times 1\n", "drive ofd-documents 1\n");
    Script({Step("common_dlg_ofd.xml"), Step(u8"ОБМЕН ЗАВЕРШЕН", {KEY_ENTER})});
    EXPECT_EQ(ofd_exchange_dialog(ui, 1, nullptr), 1);
    EndScript();
    const std::string last = Box(u8"ОБМЕН ЗАВЕРШЕН");
    EXPECT_NE(last.find(u8"ОШИБКА: Cервер ОФД вернул код ошибки 3"), std::string::npos) << last;
    EXPECT_NE(last.find(u8"ОФД MSG:НЕВЕРНЫЙ ФОРМАТ"), std::string::npos) << last;
    EXPECT_NE(last.find(u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ"), std::string::npos) << last;
}

TEST_F(OfdDialog, WithoutAServerRecordTheExchangeDoesNotStart)
{
    Drive("drive ofd-documents 1\n");
    Script({Step(u8"ОШИБКА", {KEY_ENTER})});
    EXPECT_EQ(ofd_exchange_dialog(ui, 1, nullptr), -1);
    EndScript();
    EXPECT_NE(Box(u8"ОШИБКА").find(u8"Соединение с ОФД не настроено."), std::string::npos) << Box(u8"ОШИБКА");
}

// The menu item: with nothing waiting a notice; else the link comes up
// over the configured Ethernet connection, the documents go, the link goes.
TEST_F(OfdDialog, TheMenuItemSaysWhenNothingWaits)
{
    Drive("");
    Script({Step(u8"ВНИМАНИЕ", {KEY_ENTER})});
    send_waiting_documents(ui, u8"ОТПРАВИТЬ В ОФД");
    EndScript();
    EXPECT_EQ(Box(u8"ВНИМАНИЕ"), u8"ВНИМАНИЕ|НЕТ ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ");
}

TEST_F(OfdDialog, TheMenuItemSendsOverTheConfiguredLink)
{
    ASSERT_EQ(system(("mkdir -p " + root + "/sys/class/net/eth1 && echo 1 >" + root + "/sys/class/net/eth1/carrier")
                         .c_str()),
              0);
    mxml_node_t *section = mxmlNewElement(settings_root(), "connections");
    mxmlLoadString(section, "<conn name='lan' type='ETH1' dhcp='0' ip='127.0.0.1' mask='255.0.0.0'/>",
                   MXML_OPAQUE_CALLBACK);
    Serve("", "drive ofd-documents 2\n");
    Script({Step("common_dlg_ofd.xml"), Step(u8"ОБМЕН ЗАВЕРШЕН", {KEY_ENTER})});
    send_waiting_documents(ui, u8"ОТПРАВИТЬ В ОФД");
    EndScript();
    EXPECT_EQ(Waiting(), 0u);
    EXPECT_NE(Box(u8"ОБМЕН ЗАВЕРШЕН").find(u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ"), std::string::npos);
    ASSERT_TRUE(server.WaitFor("close", 2));
    EXPECT_EQ(server.Journal("accept").size(), 2u) << "one connection per document";
}

// The entry without a menu item: a link brought up for it goes down at the
// end, one that was up stays up; without a link nothing is read.
TEST_F(OfdDialog, TheEntryWithoutAMenuKeepsALinkThatWasUp)
{
    ASSERT_EQ(system(("mkdir -p " + root + "/sys/class/net/eth1 && echo 1 >" + root + "/sys/class/net/eth1/carrier")
                         .c_str()),
              0);
    mxml_node_t *section = mxmlNewElement(settings_root(), "connections");
    mxmlLoadString(section, "<conn name='lan' type='ETH1' dhcp='0' ip='127.0.0.1' mask='255.0.0.0'/>",
                   MXML_OPAQUE_CALLBACK);
    Serve("", "drive ofd-documents 2\n");
    ASSERT_EQ(conn_is_up(), 0);
    Script({Step("common_dlg_ofd.xml"), Step(u8"ОБМЕН ЗАВЕРШЕН", {KEY_ENTER})});
    send_waiting_documents_open(ui);
    EndScript();
    EXPECT_EQ(Waiting(), 0u);
    EXPECT_EQ(conn_is_up(), 0) << "brought up for it, taken down after it";

    sim->UpdateDrive([](kktsim::DriveState &d) {
        std::string why;
        bool known = false;
        kktsim::OfdDriveLine("ofd-documents", "1", d, why, known);
    });
    ASSERT_EQ(conn_connect(nullptr, "lan"), 0);
    Script({Step("common_dlg_ofd.xml"), Step(u8"ОБМЕН ЗАВЕРШЕН", {KEY_ENTER})});
    send_waiting_documents_open(ui);
    EndScript();
    EXPECT_EQ(Waiting(), 0u);
    EXPECT_EQ(conn_is_up(), 1) << "a link that was up stays up";
    conn_disconnect();

    // No link can come up: nothing is read from the drive, no dialog.
    mxmlDelete(section);
    sim->UpdateDrive([](kktsim::DriveState &d) {
        std::string why;
        bool known = false;
        kktsim::OfdDriveLine("ofd-documents", "1", d, why, known);
    });
    size_t forms = Trace("form").size();
    send_waiting_documents_open(nullptr);
    EXPECT_EQ(Trace("form").size(), forms);
    EXPECT_EQ(Waiting(), 1u);
    EXPECT_EQ(conn_is_up(), 0);
}

} // namespace
