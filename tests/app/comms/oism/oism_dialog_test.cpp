// The notifications' exchange dialog in the toolkit's own UI thread: the
// callback steps the notifications to srvsim (a process of its own) and
// writes the receipts into kktsim's drive model; each ending of the dialog.
#include "FiscalFixture.h"
#include "SrvsimProcess.h"

#include "kfn_state.h"
#include "oism_dialog.h"
#include "oism_worker.h"
#include "ofd_dialog.h"
#include "settings.h"
#include "dialog.h"
#include "vuForm.h"
#include "vuViewObject.h"
#include "vuWidget.h"
#include "widget_text.h"

#include <algorithm>

namespace {

using fiscaltest::FiscalTest;
using fiscaltest::Step;
using shelltest::KEY_CANCEL;
using shelltest::KEY_ENTER;

class OismDialog : public FiscalTest {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        if (HasFatalFailure())
            return;
        oism_forget_params();
        strcpy(kfn_state.fn_number, "9999078900012345");
        kfn_state.marking_mode = -1; // read from the drive's tag 1290
    }
    void TearDown() override
    {
        oism_stop(nullptr);
        oism_forget_params();
        server.Stop();
        kfn_state.marking_mode = -1;
        FiscalTest::TearDown();
    }
    // A marking drive (FFD 1.2, tag 1290 bit 0x100) whose OISM record points
    // at srvsim.
    void Serve(const std::string &scenario, const std::string &drive, const std::string &marking = "100")
    {
        std::string error;
        ASSERT_TRUE(server.Start(SRVSIM_PATH, root + "/srvsim", scenario, &error)) << error;
        MarkingDrive(drive, marking);
    }
    // The scenario again with srvsim's port (a started drive keeps its state;
    // the faults are new).
    void MarkingDrive(const std::string &drive, const std::string &marking = "100")
    {
        Drive("drive ffd 1.2\ndrive marking " + marking + "\n" + drive + "drive oism-server 127.0.0.1 " +
              std::to_string(server.Port()) + "\ndrive oism-times 60 5 5\n");
    }
    size_t Waiting() { return kktsim::NoticesWaiting(sim->Drive()); }
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

TEST_F(OismDialog, EveryWaitingNotificationIsSentAndTheBoxSaysSo)
{
    Serve("", "drive notify 40 600 40\n");
    Script({Step("common_dlg_oism.xml"), Step(u8"ОБМЕН ЗАВЕРШЕН", {KEY_ENTER})});
    EXPECT_EQ(oism_exchange_dialog(ui, 3, nullptr), 1);
    EndScript();
    EXPECT_EQ(Waiting(), 0u);
    const std::string last = Box(u8"ОБМЕН ЗАВЕРШЕН");
    EXPECT_NE(last.find(u8"НАЧАТА ОТПРАВКА ДОКУМЕНТА 3 [40]"), std::string::npos) << last;
    EXPECT_NE(last.find(u8"НАЧАТА ОТПРАВКА ДОКУМЕНТА 1 [40]"), std::string::npos) << last;
    EXPECT_NE(last.find(u8"ОТПРАВКА ДОКУМЕНТА ЗАВЕРШЕНА"), std::string::npos) << last;
    EXPECT_NE(last.find(u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ"), std::string::npos) << last;
    EXPECT_FALSE(oism_worker.running) << "the worker is stopped with the dialog";
    EXPECT_EQ(oism_worker.mode, OISM_MODE_NOTIFICATIONS);
}

// A server that fails every time: each tick sends the notification again
// with a failure line and the server's address, until Esc ends the exchange;
// the read is cancelled (0x2D) and the notification stays.
TEST_F(OismDialog, EscEndsAnExchangeThatKeepsFailing)
{
    Serve("fault oism reset\n", "drive notify 40\n");
    Script({Step("common_dlg_oism.xml", {KEY_CANCEL},
                 [this] { EXPECT_TRUE(server.WaitFor("close", 2)) << "sent at least twice"; }),
            Step(u8"ОБМЕН ПРЕРВАН", {KEY_ENTER})});
    EXPECT_EQ(oism_exchange_dialog(ui, 1, nullptr), -1);
    EndScript();
    EXPECT_EQ(Waiting(), 1u);
    const std::string last = Box(u8"ОБМЕН ПРЕРВАН");
    EXPECT_NE(last.find(u8"ОШИБКА: СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ"), std::string::npos) << last;
    EXPECT_NE(last.find(u8"СЕРВЕР: 127.0.0.1:" + std::to_string(server.Port())), std::string::npos) << last;
    const std::vector<std::string> codes = Taken();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), "2D") << "Esc cancels the notification read";
}

// The count of waiting notifications (0x27) failing, before the first
// notification or after one went: the exchange ends as broken off with the
// failure line, the read is cancelled (0x2D) and what was not sent stays.
TEST_F(OismDialog, AFailedCountEndsTheExchangeAsBrokenOff)
{
    const struct {
        const char *fault;
        const char *line;
        size_t sent;
    } cases[] = {
        {"fault 27 no-reply times 1\n", u8"ОШИБКА: Cmd_GetStatusSendNotif IO код -4", 0},
        {"fault 27 refuse 01 after 3 times 1\n", u8"ОШИБКА: Cmd_GetStatusSendNotif IO код 1", 1},
    };
    Serve("", "drive notify 40 40\n");
    ASSERT_EQ(Waiting(), 2u) << "the drive is started with them, and keeps its state from now";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        MarkingDrive(c.fault);
        const size_t requests = server.Journal("request").size();
        const size_t waiting = Waiting();
        Script({Step("common_dlg_oism.xml"), Step(u8"ОБМЕН ПРЕРВАН", {KEY_ENTER})});
        EXPECT_EQ(oism_exchange_dialog(ui, 2, nullptr), -1);
        EndScript();
        const std::string last = Box(u8"ОБМЕН ПРЕРВАН");
        EXPECT_NE(last.find(c.line), std::string::npos) << last;
        EXPECT_EQ(last.find(u8"ОТПРАВКА ДОКУМЕНТА ЗАВЕРШЕНА") != std::string::npos, c.sent > 0) << last;
        EXPECT_EQ(server.Journal("request").size() - requests, c.sent);
        EXPECT_EQ(Waiting(), waiting - c.sent);
        const std::vector<std::string> codes = Taken();
        ASSERT_FALSE(codes.empty());
        EXPECT_EQ(codes.back(), "2D") << "the read is cancelled";
        EXPECT_FALSE(oism_worker.running);
    }
}

TEST_F(OismDialog, OutsideMarkingModeTheDialogNeverOpens)
{
    Serve("", "drive notify 40\n", "0");
    Script({});
    EXPECT_EQ(oism_exchange_dialog(ui, 1, nullptr), 0);
    EndScript();
    EXPECT_EQ(Waiting(), 1u);
    EXPECT_TRUE(server.Journal("accept").empty());
}

TEST_F(OismDialog, WithoutAServerRecordTheExchangeDoesNotStart)
{
    Drive("drive ffd 1.2\ndrive marking 100\ndrive notify 40\n");
    Script({Step(u8"ОШИБКА", {KEY_ENTER})});
    EXPECT_EQ(oism_exchange_dialog(ui, 1, nullptr), -1);
    EndScript();
    EXPECT_NE(Box(u8"ОШИБКА").find(u8"Соединение с ОИСМ не настроено."), std::string::npos) << Box(u8"ОШИБКА");
}

// "ofd_conn" with notifications only: the OFD dialog is skipped, the
// notifications go over the configured link and the drive's count is 0.
TEST_F(OismDialog, TheMenuItemSendsTheNotificationsOverTheConfiguredLink)
{
    ASSERT_EQ(system(("mkdir -p " + root + "/sys/class/net/eth1 && echo 1 >" + root + "/sys/class/net/eth1/carrier")
                         .c_str()),
              0);
    mxml_node_t *section = mxmlNewElement(settings_root(), "connections");
    mxmlLoadString(section, "<conn name='lan' type='ETH1' dhcp='0' ip='127.0.0.1' mask='255.0.0.0'/>",
                   MXML_OPAQUE_CALLBACK);
    Serve("", "drive notify 40 40\n");
    Script({Step("common_dlg_oism.xml"), Step(u8"ОБМЕН ЗАВЕРШЕН", {KEY_ENTER})});
    send_waiting_documents(ui, u8"ОТПРАВИТЬ В ОФД");
    EndScript();
    EXPECT_EQ(Waiting(), 0u);
    EXPECT_EQ(kfn_oism_waiting_cached(), 0);
}

// The progress field keeps as many lines as its own font lets it show:
// (height - 4) / line height - 1, the oldest dropped first.
TEST_F(OismDialog, TheProgressLinesFitTheFieldsFont)
{
    vuForm *form = dialog_create(ui, "common_dlg_oism.xml");
    ASSERT_NE(form, nullptr);
    ui->Add(form);
    vuObject *info = form->GetByName("info");
    vuViewObject *view = dynamic_cast<vuViewObject *>(info);
    vuWidget *widget = dynamic_cast<vuWidget *>(info);
    ASSERT_TRUE(view && widget);
    int lineHeight = vuUI::GetFontHeight(widget->GetFontIndex());
    if (lineHeight == 0)
        lineHeight = 8;
    const int capacity = (view->GetHeight() - 4) / lineHeight - 1;
    ASSERT_GT(capacity, 2);
    for (int i = 1; i <= capacity + 5; ++i)
        oism_info_append(info, ("LINE " + std::to_string(i)).c_str());
    const std::string text = widget_text(info);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), capacity) << text;
    EXPECT_EQ(text.rfind("LINE " + std::to_string(capacity + 5)), text.size() - std::to_string(capacity + 5).size() - 5);
    EXPECT_EQ(text.find("LINE 1\n"), std::string::npos) << "the oldest went first";
    ui->Del(form);
}

} // namespace
