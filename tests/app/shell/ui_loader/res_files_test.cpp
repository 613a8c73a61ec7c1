// The UI description files under res/: each one parses and builds, and every
// name the program looks up (status-line objects, main-menu items, sub-menu
// identifiers, dialog widgets) is there with the kind the program expects,
// on a 240 x 320 and a 320 x 240 screen. Screens added later extend the
// tables below.
#include <gtest/gtest.h>

#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ScreenCheck.h"
#include "app_run.h"
#include "message_box.h"
#include "loader_fixture.h"
#include "ui_loader.h"
#include "ui_values.h"
#include "vuColor.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuInput.h"
#include "vuMenu.h"
#include "vuMenuItem.h"
#include "vuStatusLine.h"
#include "vuUI.h"
#include "vuWidget.h"

using namespace uitest;

namespace {

struct NamedKind {
    const char* name;
    _VU_TypeObject kind;
};

// Status-line objects the program finds by name.
const NamedKind kStatusObjects[] = {
    {"appname", VU_TYPE_TEXT_OBJECT},
    {"status", VU_TYPE_TEXT_OBJECT},
    {"wait", VU_TYPE_TEXT_OBJECT},
    {"batlevel", VU_TYPE_BAT_LEVEL},
    {"netlevel", VU_TYPE_NET_LEVEL},
};

// Main-menu items that open a screen; every other item names a sub-menu
// file "kkt_menu_<name>.xml".
const char* const kMainScreens[] = {"info", "term"};

// The identifiers the sub-menu dispatcher runs; the sub-menus together offer
// each exactly once.
const char* const kDispatched[] = {
    "sets_dt", "sets_header", "sets_header_ext", "sets_tail", "sets_tax", "sets_pay", "sets_departs",
    "sets_params", "BatteryCheck_Menu", "fn_reg", "fn_close", "fn_doc", "fn_stat", "fn_fisc", "fn_par",
    "fn_comm", "fn_err", "ext_mode", "tech_activ", "tech_start", "tech_info", "copy_log", "update_fw",
    "get_ussd", "prn_stat", "ofd_par", "serv_par", "asokp_update_keys", "ofd_ticket", "ofd_doc_wait",
    "ofd_pay_state", "ofd_conn", "Conn_SetParam", "shift_report", "shift_close", "shift_open", "money_info",
    "shift_doc_counter", "report_payment", "report_dep", "report_ext", "cashbox_to", "cashbox_from",
    "receipt_fiscal", "receipt_correct", "receipt_cancel", "journal_shift", "journal_shift_close", "journal_doc",
    "journal_nums", "journal_time", "journal_param", "journal_clean", "term_wl",
};

// Dialog files and the widgets their screens look up.
struct Dialog {
    const char* file;
    std::vector<NamedKind> widgets;
};

const std::vector<NamedKind> kServerFields = {
    {"addr", VU_TYPE_INPUT}, {"port", VU_TYPE_INPUT}, {"period", VU_TYPE_INPUT}, {"recv", VU_TYPE_INPUT},
    {"send", VU_TYPE_INPUT}};
const std::vector<NamedKind> kIpFields = {{"dhcp", VU_TYPE_RADIO},
                                          {"ip", VU_TYPE_IP_INPUT},
                                          {"mask", VU_TYPE_IP_INPUT},
                                          {"gw", VU_TYPE_IP_INPUT},
                                          {"dns", VU_TYPE_IP_INPUT}};
const std::vector<NamedKind> kIpFieldsTimeout = {{"dhcp", VU_TYPE_RADIO},   {"ip", VU_TYPE_IP_INPUT},
                                                 {"mask", VU_TYPE_IP_INPUT}, {"gw", VU_TYPE_IP_INPUT},
                                                 {"dns", VU_TYPE_IP_INPUT},  {"timeout", VU_TYPE_INPUT}};

const std::vector<Dialog>& dialogs()
{
    static const std::vector<Dialog> list = {
        {"common_dlg_info.xml", {{"info", VU_TYPE_MULTI_LINE}}},
        {"common_dlg_battery.xml", {{"type", VU_TYPE_RADIO}}},
        {"common_dlg_ofd.xml", {{"info", VU_TYPE_MULTI_LINE}}},
        {"common_dlg_as_okp.xml", {{"info", VU_TYPE_MULTI_LINE}, {"ok", VU_TYPE_BUTTON}}},
        {"common_dlg_oism.xml", {{"info", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_pass_input.xml", {{"pass", VU_TYPE_INPUT}}},
        {"kkt_dlg_shift_open.xml",
         {{"name", VU_TYPE_INPUT},
          {"inn", VU_TYPE_INPUT},
          {"msg", VU_TYPE_MULTI_LINE},
          {"add", VU_TYPE_MULTI_LINE},
          {"comment", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_shift_close.xml",
         {{"name", VU_TYPE_INPUT},
          {"inn", VU_TYPE_INPUT},
          {"msg", VU_TYPE_MULTI_LINE},
          {"add", VU_TYPE_MULTI_LINE},
          {"isprint", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_to_cash.xml", {{"name", VU_TYPE_INPUT}, {"sum", VU_TYPE_INPUT}}},
        {"kkt_dlg_from_cash.xml", {{"name", VU_TYPE_INPUT}, {"sum", VU_TYPE_INPUT}}},
        {"kkt_dlg_set_date_time.xml",
         {{"term", VU_TYPE_STATIC},
          {"fr", VU_TYPE_STATIC},
          {"fn", VU_TYPE_STATIC},
          {"date", VU_TYPE_INPUT},
          {"time", VU_TYPE_INPUT}}},
        {"kkt_dlg_warn_message.xml", {{"info", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_param_1.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_param_2.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_param_3.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_param_4.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_param_5.xml", {{"param", VU_TYPE_CHECK_BOX}, {"is_ext", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_param_6.xml",
         {{"p1", VU_TYPE_INPUT},
          {"p2", VU_TYPE_INPUT},
          {"lf", VU_TYPE_INPUT},
          {"p4", VU_TYPE_INPUT},
          {"t4", VU_TYPE_STATIC},
          {"m4", VU_TYPE_STATIC}}},
        {"kkt_dlg_editor_departs.xml", {{"menubox", VU_TYPE_MENU_BOX}}},
        {"kkt_dlg_input_depart.xml", {{"num_dep", VU_TYPE_INPUT}, {"value_dep", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_update_warning.xml", {}},
        {"kkt_dlg_tax_type.xml",
         {{"index", VU_TYPE_INPUT},
          {"name", VU_TYPE_INPUT},
          {"val", VU_TYPE_INPUT},
          {"sum", VU_TYPE_INPUT},
          {"type", VU_TYPE_INPUT},
          {"tag", VU_TYPE_INPUT}}},
        {"kkt_dlg_pay_type.xml",
         {{"index", VU_TYPE_INPUT},
          {"name", VU_TYPE_INPUT},
          {"double", VU_TYPE_CHECK_BOX},
          {"charge", VU_TYPE_CHECK_BOX},
          {"curindex", VU_TYPE_INPUT},
          {"flag", VU_TYPE_CHECK_BOX},
          {"curcurs", VU_TYPE_INPUT},
          {"tag", VU_TYPE_INPUT}}},
        {"kkt_dlg_header.xml",
         {{"edit", VU_TYPE_MULTI_LINE},
          {"line0", VU_TYPE_STATIC},
          {"line1", VU_TYPE_STATIC},
          {"line2", VU_TYPE_STATIC},
          {"line3", VU_TYPE_STATIC}}},
        {"kkt_dlg_tail.xml",
         {{"edit", VU_TYPE_MULTI_LINE},
          {"line0", VU_TYPE_STATIC},
          {"line1", VU_TYPE_STATIC},
          {"line2", VU_TYPE_STATIC},
          {"line3", VU_TYPE_STATIC}}},
        {"kkt_dlg_header_ext.xml",
         {{"edit", VU_TYPE_MULTI_LINE},
          {"line0", VU_TYPE_STATIC},
          {"line1", VU_TYPE_STATIC},
          {"line2", VU_TYPE_STATIC},
          {"line3", VU_TYPE_STATIC},
          {"line4", VU_TYPE_STATIC},
          {"line5", VU_TYPE_STATIC}}},
        {"kkt_dlg_input_shift_num.xml", {{"num", VU_TYPE_INPUT}}},
        {"kkt_dlg_ej_time_report.xml", {{"start", VU_TYPE_INPUT}, {"end", VU_TYPE_INPUT}, {"date", VU_TYPE_INPUT}}},
        {"kkt_dlg_ej_no_report.xml", {{"start", VU_TYPE_INPUT}, {"end", VU_TYPE_INPUT}, {"over", VU_TYPE_INPUT}}},
        {"kkt_dlg_ej_no_doc.xml", {{"num", VU_TYPE_INPUT}, {"over", VU_TYPE_INPUT}}},
        {"kkt_dlg_fn_close.xml",
         {{"name", VU_TYPE_INPUT},
          {"inn", VU_TYPE_INPUT},
          {"mode", VU_TYPE_RADIO},
          {"reqozfn", VU_TYPE_STATIC},
          {"dataozfn", VU_TYPE_STATIC},
          {"txtreqozfn", VU_TYPE_STATIC},
          {"txtdataozfn", VU_TYPE_STATIC}}},
        {"kkt_dlg_fn_get_doc.xml", {{"mode", VU_TYPE_RADIO}, {"num", VU_TYPE_INPUT}}},
        {"kkt_dlg_fn_get_total.xml", {{"isprint", VU_TYPE_CHECK_BOX}, {"num", VU_TYPE_INPUT}}},
        {"kkt_dlg_get_reg_param.xml", {{"tlv", VU_TYPE_INPUT}}},
        {"kkt_dlg_report_payment.xml", {{"type", VU_TYPE_RADIO}, {"index", VU_TYPE_INPUT}}},
        {"kkt_dlg_report_dep.xml", {{"num", VU_TYPE_INPUT}, {"type", VU_TYPE_RADIO}, {"index", VU_TYPE_INPUT}}},
        {"kkt_dlg_ofd_get_ticket.xml", {{"isprint", VU_TYPE_CHECK_BOX}, {"num", VU_TYPE_INPUT}}},
        {"common_conn_dlg_wait.xml", {{"msg", VU_TYPE_MULTI_LINE}}},
        {"common_conn_dlg_wifi_pass.xml", {{"pass", VU_TYPE_INPUT}, {"name", VU_TYPE_STATIC}}},
        {"kkt_dlg_select_registration.xml", {{"select", VU_TYPE_RADIO}, {"curr_ffd", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_registration_1.xml",
         {{"firmname", VU_TYPE_INPUT},
          {"firminn", VU_TYPE_INPUT},
          {"firmaddr", VU_TYPE_INPUT},
          {"firmplace", VU_TYPE_INPUT},
          {"reg", VU_TYPE_INPUT},
          {"innofd", VU_TYPE_INPUT},
          {"nameofd", VU_TYPE_INPUT}}},
        {"kkt_dlg_registration_2.xml", {{"email", VU_TYPE_INPUT}, {"fns", VU_TYPE_INPUT}}},
        {"kkt_dlg_registration_3.xml", {{"taxmode", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_registration_4.xml", {{"kktmode", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_registration12_5.xml", {{"kktmode_ffd12", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_registration_oper_inn.xml", {{"name", VU_TYPE_INPUT}, {"inn", VU_TYPE_INPUT}}},
        {"kkt_dlg_registration_num_auto.xml", {{"numauto", VU_TYPE_INPUT}}},
        {"kkt_dlg_registration_5.xml", {{"agent", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_registration_6.xml", {{"reason", VU_TYPE_RADIO}}},
        {"kkt_dlg_registration12_7.xml", {{"reason", VU_TYPE_RADIO}}},
        {"kkt_dlg_registration12_8.xml", {{"doreqor", VU_TYPE_INPUT}, {"dodataor", VU_TYPE_INPUT}}},
        {"kkt_dlg_reason_1_1_1.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_reason_1_1_2.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_reason_1_1_3.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_reason_1_1_3_ffd_1_2.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_reason_1_1_4.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"kkt_dlg_reason_1_1_5.xml", {{"param", VU_TYPE_CHECK_BOX}}},
        {"common_menu_no_fn.xml",
         {{"reboot", VU_TYPE_MENU_ITEM}, {"fn_terminal", VU_TYPE_MENU_ITEM}, {"card_module", VU_TYPE_MENU_ITEM}}},
        // the receipt wizard
        {"kkt_dlg_receipt_open_1.xml",
         {{"isprint", VU_TYPE_CHECK_BOX}, {"type", VU_TYPE_RADIO}, {"copies", VU_TYPE_INPUT}}},
        {"kkt_dlg_receipt_corr_1.xml",
         {{"isprint", VU_TYPE_CHECK_BOX}, {"type", VU_TYPE_RADIO}, {"copies", VU_TYPE_INPUT}}},
        {"kkt_dlg_receipt_corr105_1.xml",
         {{"isprint", VU_TYPE_CHECK_BOX}, {"type", VU_TYPE_RADIO}, {"copies", VU_TYPE_INPUT}}},
        {"kkt_dlg_receipt_open_2.xml",
         {{"seller", VU_TYPE_INPUT}, {"seller_inn", VU_TYPE_INPUT}, {"tax_mode", VU_TYPE_RADIO}}},
        {"kkt_dlg_receipt_corr_2.xml",
         {{"seller", VU_TYPE_INPUT}, {"seller_inn", VU_TYPE_INPUT}, {"tax_mode", VU_TYPE_RADIO}}},
        {"kkt_dlg_receipt_open_3.xml",
         {{"table", VU_TYPE_INPUT},
          {"place", VU_TYPE_INPUT},
          {"account", VU_TYPE_INPUT},
          {"comment", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_receipt_corr_3.xml",
         {{"type", VU_TYPE_RADIO}, {"doc", VU_TYPE_INPUT}, {"date", VU_TYPE_INPUT}, {"comment", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_receipt_payment.xml",
         {{"type", VU_TYPE_RADIO},
          {"drop", VU_TYPE_CHECK_BOX},
          {"index", VU_TYPE_INPUT},
          {"sum", VU_TYPE_INPUT},
          {"add", VU_TYPE_INPUT},
          {"comment", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_receipt_client.xml", {{"phone", VU_TYPE_INPUT}, {"email", VU_TYPE_INPUT}}},
        // the goods lines and tags
        {"kkt_dlg_poss_cheque.xml", {{"menubox", VU_TYPE_MENU_BOX}}},
        {"kkt_dlg_tags.xml", {{"menubox", VU_TYPE_MENU_BOX}}},
        {"kkt_dlg_input_tag.xml", {{"num_tag", VU_TYPE_INPUT}, {"value_tag", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_scan_mark.xml", {{"code", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_receipt_calc_object_1_1.xml", {{"object", VU_TYPE_RADIO}}},
        {"kkt_dlg_receipt_calc_object_1_2.xml", {{"object", VU_TYPE_RADIO}}},
        {"kkt_dlg_receipt_good_5.xml", {{"lotsize", VU_TYPE_INPUT}}},
        {"kkt_dlg_receipt_good_3.xml", {{"planprodstat", VU_TYPE_RADIO}}},
        {"kkt_dlg_receipt_good_4.xml", {{"measureqtycalc", VU_TYPE_RADIO}}},
        {"kkt_dlg_receipt_good_1.xml",
         {{"name", VU_TYPE_INPUT},
          {"code", VU_TYPE_INPUT},
          {"price", VU_TYPE_INPUT},
          {"qty", VU_TYPE_INPUT},
          {"unit", VU_TYPE_INPUT},
          {"dep_num", VU_TYPE_INPUT},
          {"dep_name", VU_TYPE_INPUT}}},
        {"kkt_dlg_select_tax_type.xml", {{"nds", VU_TYPE_RADIO}}},
        {"kkt_dlg_receipt_calc_method.xml", {{"method", VU_TYPE_RADIO}}},
        {"kkt_dlg_receipt_agent_1.xml", {{"agent", VU_TYPE_RADIO}}},
        {"kkt_dlg_receipt_agent_2.xml",
         {{"agent_phone", VU_TYPE_INPUT},
          {"oper_get_phone", VU_TYPE_INPUT},
          {"oper_trans_phone", VU_TYPE_INPUT},
          {"agent_oper", VU_TYPE_INPUT},
          {"oper_trans_name", VU_TYPE_INPUT},
          {"oper_trans_addr", VU_TYPE_INPUT},
          {"oper_trans_inn", VU_TYPE_INPUT}}},
        {"kkt_dlg_receipt_agent_3.xml",
         {{"provider_inn", VU_TYPE_INPUT}, {"provider_phone", VU_TYPE_INPUT}, {"provider_name", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_receipt_good_2.xml", {{"comment", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_select_external.xml", {{"ext_usb", VU_TYPE_MENU_ITEM}, {"ext_wifi", VU_TYPE_MENU_ITEM}}},
        {"kkt_dlg_ofd_param.xml", kServerFields},
        {"kkt_dlg_oism_param.xml", kServerFields},
        {"kkt_dlg_as_okp_param.xml", kServerFields},
        {"kkt_dlg_select_server.xml", {{"oism", VU_TYPE_MENU_ITEM}, {"asokp", VU_TYPE_MENU_ITEM}}},
        {"common_menu_conn_menu.xml",
         {{"edit", VU_TYPE_MENU_ITEM},
          {"rename", VU_TYPE_MENU_ITEM},
          {"new", VU_TYPE_MENU_ITEM},
          {"delete", VU_TYPE_MENU_ITEM},
          {"ping", VU_TYPE_MENU_ITEM}}},
        {"common_conn_dlg_type.xml", {{"name", VU_TYPE_INPUT}, {"type", VU_TYPE_RADIO}}},
        {"common_conn_dlg_rename.xml", {{"name", VU_TYPE_INPUT}}},
        {"common_conn_dlg_gprs.xml",
         {{"timeout", VU_TYPE_INPUT},
          {"pin", VU_TYPE_INPUT},
          {"ap", VU_TYPE_INPUT},
          {"login", VU_TYPE_INPUT},
          {"pass", VU_TYPE_INPUT},
          {"slot", VU_TYPE_INPUT},
          {"slotn", VU_TYPE_STATIC}}},
        {"common_conn_dlg_wifi_1.xml", {{"ap", VU_TYPE_INPUT}, {"sec", VU_TYPE_RADIO}}},
        {"common_conn_dlg_wifi_2.xml", {{"auth", VU_TYPE_RADIO}, {"pass", VU_TYPE_INPUT}}},
        {"common_conn_dlg_wifi_3.xml", kIpFieldsTimeout},
        {"common_conn_dlg_eth.xml", kIpFields},
        {"common_conn_dlg_bt_1.xml",
         {{"macaddr", VU_TYPE_STATIC}, {"pincode", VU_TYPE_INPUT}, {"timescan", VU_TYPE_INPUT}}},
        {"common_conn_dlg_bt_2.xml", kIpFieldsTimeout},
        {"common_dlg_ping_adr.xml", {{"addr", VU_TYPE_INPUT}, {"timeout", VU_TYPE_INPUT}}},
        {"common_dlg_ping.xml", {{"info", VU_TYPE_MULTI_LINE}}},
        {"kkt_dlg_external.xml",
         {{"msg", VU_TYPE_MULTI_LINE},
          {"send", VU_TYPE_STATIC},
          {"recv", VU_TYPE_STATIC},
          {"adr_port", VU_TYPE_STATIC}}},
        {"kkt_dlg_terminal.xml", {{"term", VU_TYPE_MULTI_LINE}, {"input", VU_TYPE_INPUT}}},
        {"kkt_dlg_wl_terminal.xml", {{"term", VU_TYPE_MULTI_LINE}, {"input", VU_TYPE_INPUT}}},
        {"common_dlg_ussd_request.xml", {{"ussd", VU_TYPE_STATIC}, {"slot", VU_TYPE_RADIO}, {"slotn", VU_TYPE_STATIC}}},
        {"common_dlg_update_firmware.xml",
         {{"url", VU_TYPE_INPUT}, {"mode", VU_TYPE_INPUT}, {"msg", VU_TYPE_MULTI_LINE}}},
    };
    return list;
}

const char* kindName(int kind)
{
    static std::map<int, const char*> names = {
        {VU_TYPE_FORM, "form"},          {VU_TYPE_MENU, "menu"},           {VU_TYPE_STATIC, "static"},
        {VU_TYPE_BUTTON, "button"},      {VU_TYPE_INPUT, "input"},         {VU_TYPE_PATTERN_INPUT, "pattern"},
        {VU_TYPE_CHECK_BOX, "checkbox"}, {VU_TYPE_RADIO, "radio"},         {VU_TYPE_MULTI_LINE, "multiline"},
        {VU_TYPE_MENU_BOX, "menubox"},   {VU_TYPE_IP_INPUT, "ip input"},   {VU_TYPE_TEXT_OBJECT, "text object"},
        {VU_TYPE_BAT_LEVEL, "battery"},  {VU_TYPE_NET_LEVEL, "net level"},   {VU_TYPE_MENU_ITEM, "menu item"},
    };
    auto it = names.find(kind);
    return it == names.end() ? "other" : it->second;
}

// The descriptions a w x h screen reads: a file named with a screen-size
// prefix ("320-240kkt_dlg_x.xml") is read only on a screen of that size.
std::vector<std::string> resFiles(const std::string& dir, int w, int h)
{
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            unsigned pw = 0, ph = 0;
            int used = 0;
            if (sscanf(n.c_str(), "%u-%u%n", &pw, &ph, &used) == 2 && used > 0 &&
                (static_cast<int>(pw) != w || static_cast<int>(ph) != h))
                continue;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".xml") == 0)
                files.push_back(n);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

struct Screen {
    int w, h;
};

class ResFilesTest : public LoaderTest, public ::testing::WithParamInterface<Screen> {
protected:
    ResFilesTest() : LoaderTest(GetParam().w, GetParam().h) {}

    void SetUp() override
    {
        LoaderTest::SetUp();
        // The descriptions name their files relative to the program's folder.
        ASSERT_EQ(chdir(CASHDESK_SOURCE_DIR), 0);
        start();
        int err = 99;
        ASSERT_NE(load_ui_file("./res/kkt_ui.xml", &err), nullptr);
        ASSERT_EQ(err, UI_LOAD_OK);
        // A drawing brings the screen's client area under the status line.
        vuUI::GetUI()->Refresh();
        ASSERT_LT(vuUI::GetClientHeight(), GetParam().h);
    }

    vuForm* loadMenu(const std::string& name, int* err)
    {
        delete form;
        form = load_form_file(("./res/kkt_menu_" + name + ".xml").c_str(), err);
        return form;
    }

    // Item names of a menu in order, with their texts.
    static std::vector<std::pair<std::string, std::string>> items(vuForm* menu)
    {
        std::vector<std::pair<std::string, std::string>> out;
        for (vuViewObject* o = menu->GetFirst(); o; o = menu->GetNext(o)) {
            vuMenuItem* item = dynamic_cast<vuMenuItem*>(o);
            if (!item)
                continue;
            out.emplace_back(item->GetName() ? item->GetName() : "", item->GetText() ? item->GetText() : "");
        }
        return out;
    }

    // Every widget lies inside its form's client area.
    static void expectInside(vuForm* f, const std::string& file)
    {
        f->UpdateCoordinates();
        for (vuViewObject* o = f->GetFirst(); o; o = f->GetNext(o)) {
            SCOPED_TRACE(file + ": " + (o->GetName() ? o->GetName() : "(unnamed)"));
            EXPECT_GE(o->GetX(), 0);
            EXPECT_GE(o->GetY(), 0);
            EXPECT_LE(o->GetX() + o->GetWidth(), f->GetClientWidth());
            EXPECT_LE(o->GetY() + o->GetHeight(), f->GetClientHeight());
        }
    }
};

TEST_P(ResFilesTest, RootHasTheStatusObjectsAndBackground)
{
    vuStatusLine* line = vuUI::GetStatusLine();
    ASSERT_NE(line, nullptr);
    for (const NamedKind& o : kStatusObjects) {
        SCOPED_TRACE(o.name);
        vuViewObject* found = dynamic_cast<vuViewObject*>(line->GetByName(o.name));
        ASSERT_NE(found, nullptr);
        EXPECT_STREQ(kindName(found->GetType()), kindName(o.kind));
        EXPECT_LE(found->GetX() + found->GetWidth(), GetParam().w);
        EXPECT_LE(found->GetHeight(), line->GetHeight());
    }
    EXPECT_STREQ(get_resource_path(), "./res/");
    ASSERT_NE(vuUI::GetUI()->background, nullptr);
    // Unfilled message boxes darken what lies below them: the background
    // picture covers the whole screen in either orientation.
    EXPECT_GE(vuUI::GetUI()->background->GetWidth(), std::max(GetParam().w, GetParam().h));
    EXPECT_GE(vuUI::GetUI()->background->GetHeight(), std::max(GetParam().w, GetParam().h));
    // The program needs the toolkit's own UI thread.
    mxml_node_t* top = nullptr;
    FILE* f = fopen("./res/kkt_ui.xml", "r");
    ASSERT_NE(f, nullptr);
    top = mxmlLoadFile(nullptr, f, MXML_OPAQUE_CALLBACK);
    fclose(f);
    ASSERT_NE(top, nullptr);
    mxml_node_t* ui = mxmlFindElement(top, top, "UI", nullptr, nullptr, MXML_DESCEND);
    ASSERT_NE(ui, nullptr);
    const char* options = mxmlElementGetAttr(ui, "options");
    EXPECT_EQ(options ? parse_number(options) & VU_UI_CALLER_THREAD : 0u, 0u);
    mxmlDelete(top);
}

// Relative luminance of an RGB565 colour (0 black .. 1 white).
double luminance(int c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    double r = ((c >> 11) & 0x1F) / 31.0, g = ((c >> 5) & 0x3F) / 63.0, b = (c & 0x1F) / 31.0;
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b);
}

double contrast(int a, int b)
{
    double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Check boxes and radio lists are transparent: their items, the current one
// too, are drawn straight on the form's body and must stand out from it.
TEST_P(ResFilesTest, TransparentListsAreReadableOnTheFormBody)
{
    const int body = vuColor::GetColor(VU_TYPE_FORM, 3);
    const struct {
        const char* what;
        uint16_t index;
    } kTexts[] = {{"check box item", 22}, {"current check box item", 24}, {"radio item", 26}, {"current radio item", 28}};
    for (const auto& t : kTexts) {
        SCOPED_TRACE(t.what);
        EXPECT_GE(contrast(vuColor::GetColor(VU_TYPE_FORM, t.index), body), 4.5);
    }
}

TEST_P(ResFilesTest, MainMenuOpensScreensAndSubMenus)
{
    int err = 99;
    vuForm* main = loadMenu("main", &err);
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(main->GetType(), VU_TYPE_MENU);
    auto mainItems = items(main);
    std::set<std::string> names;
    for (const auto& item : mainItems) {
        SCOPED_TRACE(item.first);
        EXPECT_FALSE(item.second.empty());
        EXPECT_TRUE(names.insert(item.first).second) << "twice";
    }
    for (const char* screen : kMainScreens)
        EXPECT_EQ(names.count(screen), 1u) << screen;

    std::multiset<std::string> offered;
    for (const auto& item : mainItems) {
        if (std::find_if(std::begin(kMainScreens), std::end(kMainScreens),
                         [&](const char* s) { return item.first == s; }) != std::end(kMainScreens))
            continue;
        SCOPED_TRACE("kkt_menu_" + item.first + ".xml");
        vuForm* sub = loadMenu(item.first, &err);
        ASSERT_NE(sub, nullptr) << err;
        ASSERT_EQ(sub->GetType(), VU_TYPE_MENU);
        EXPECT_TRUE(sub->GetOptions() & VU_FO_CANCEL); // Cancel leaves the sub-menu
        EXPECT_NE(sub->GetHeaderText(), nullptr);
        for (const auto& subItem : items(sub)) {
            EXPECT_FALSE(subItem.second.empty()) << subItem.first << " has no title";
            offered.insert(subItem.first);
        }
    }
    std::set<std::string> known(std::begin(kDispatched), std::end(kDispatched));
    ASSERT_EQ(known.size(), 54u);
    for (const std::string& id : known)
        EXPECT_EQ(offered.count(id), 1u) << id;
    for (const std::string& id : offered)
        EXPECT_EQ(known.count(id), 1u) << "not an operation: " << id;

    // The program's dispatch table answers to exactly these identifiers, so
    // no offered item is an unmatched name by a slip of a letter.
    int n = 0;
    const SubmenuEntry* table = submenu_table(&n);
    std::set<std::string> dispatched;
    for (int i = 0; i < n; ++i)
        EXPECT_TRUE(dispatched.insert(table[i].id).second) << "twice: " << table[i].id;
    EXPECT_EQ(dispatched, known);
}

TEST_P(ResFilesTest, DialogsHaveTheirWidgetsInsideTheForm)
{
    for (const Dialog& d : dialogs()) {
        SCOPED_TRACE(d.file);
        int err = 99;
        delete form;
        form = load_form_resource("./res/", d.file, &err);
        ASSERT_NE(form, nullptr) << err;
        for (const NamedKind& w : d.widgets) {
            vuWidget* found = dynamic_cast<vuWidget*>(form->GetByName(w.name));
            ASSERT_NE(found, nullptr) << w.name;
            EXPECT_STREQ(kindName(found->GetType()), kindName(w.kind)) << w.name;
        }
        expectInside(form, d.file);
    }
}

// An entry field shows a whole line of its font: a field scaled down on
// the other screen would cut the line, and with it the point of a money
// sum, which sits on the text's bottom line.
TEST_P(ResFilesTest, EntryFieldsHoldALineOfTheirFont)
{
    for (const std::string& name : resFiles("./res", GetParam().w, GetParam().h)) {
        if (name == "kkt_ui.xml")
            continue;
        SCOPED_TRACE(name);
        int err = 99;
        delete form;
        form = load_form_resource("./res/", name.c_str(), &err);
        ASSERT_NE(form, nullptr);
        for (vuViewObject* o = form->GetFirst(); o; o = form->GetNext(o)) {
            vuWidget* w = dynamic_cast<vuWidget*>(o);
            if (!w || (w->GetType() != VU_TYPE_INPUT && w->GetType() != VU_TYPE_PATTERN_INPUT &&
                       w->GetType() != VU_TYPE_IP_INPUT && w->GetType() != VU_TYPE_MULTI_LINE))
                continue;
            SCOPED_TRACE(w->GetName() ? w->GetName() : "(unnamed)");
            EXPECT_GE(w->GetHeight(), vuUI::GetFontHeight(w->GetFontIndex()) + 2);
        }
    }
}

// Entry fields take no more characters than the record or the controller
// keeps, and the ping's duration in seconds x 1000 fits a 32-bit int.
TEST_P(ResFilesTest, EntryLimitsMatchTheirFields)
{
    const struct {
        const char* file;
        const char* field;
        unsigned length;
    } cases[] = {
        {"kkt_dlg_ofd_param.xml", "addr", 255},      {"kkt_dlg_ofd_param.xml", "port", 5},
        {"kkt_dlg_ofd_param.xml", "period", 5},      {"kkt_dlg_ofd_param.xml", "recv", 4},
        {"kkt_dlg_ofd_param.xml", "send", 4},        {"kkt_dlg_oism_param.xml", "addr", 255},
        {"kkt_dlg_oism_param.xml", "recv", 4},       {"kkt_dlg_as_okp_param.xml", "addr", 255},
        {"kkt_dlg_as_okp_param.xml", "send", 4},     {"common_conn_dlg_type.xml", "name", 63},
        {"common_conn_dlg_rename.xml", "name", 63},  {"common_conn_dlg_gprs.xml", "ap", 47},
        {"common_conn_dlg_gprs.xml", "login", 47},   {"common_conn_dlg_gprs.xml", "pass", 47},
        {"common_conn_dlg_gprs.xml", "pin", 47},     {"common_conn_dlg_wifi_1.xml", "ap", 32},
        {"common_conn_dlg_wifi_2.xml", "pass", 63},  {"common_conn_dlg_bt_1.xml", "pincode", 19},
        {"common_dlg_ping_adr.xml", "timeout", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.field);
        int err = 99;
        delete form;
        form = load_form_resource("./res/", c.file, &err);
        ASSERT_NE(form, nullptr) << err;
        vuInput* in = dynamic_cast<vuInput*>(form->GetByName(c.field));
        ASSERT_NE(in, nullptr);
        EXPECT_EQ(in->GetMaxLen(), c.length);
    }
}

TEST_P(ResFilesTest, EveryDescriptionBuilds)
{
    std::vector<std::string> files = resFiles("./res", GetParam().w, GetParam().h);
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        int err = 99;
        if (name == "kkt_ui.xml") {
            EXPECT_NE(load_ui_file(("./res/" + name).c_str(), &err), nullptr);
        } else {
            delete form;
            form = load_form_resource("./res/", name.c_str(), &err);
            ASSERT_NE(form, nullptr);
            if (form->GetType() == VU_TYPE_FORM)
                expectInside(form, name);
        }
        EXPECT_EQ(err, UI_LOAD_OK);
    }
}

// Screens drawn as the program draws them, with the program's root (status
// line, background picture, colour scheme), through the screen check.
class ResScreensTest : public ResFilesTest {
protected:
    void SetUp() override
    {
        trace = root.path + "/trace.jsonl";
        setenv("CASHDESK_TRACE", trace.c_str(), 1); // read at the first trace
        ResFilesTest::SetUp();
    }

    void TearDown() override
    {
        unsetenv("CASHDESK_TRACE");
        ResFilesTest::TearDown();
    }

    // Shows the form once (not modally), checks the screen, removes it.
    void check(vuForm* f, const std::string& name)
    {
        vuUI::GetUI()->Add(f);
        f->Reset();
        ASSERT_EQ(vuUI::GetUI()->View(f), 0);
        std::string line, last;
        std::ifstream in(trace);
        while (std::getline(in, line))
            if (line.find("\"event\":\"screen\"") != std::string::npos)
                last = line;
        screencheck::Picture pic;
        ASSERT_TRUE(screencheck::ReadScreenFile(root.path + "/dev/graphics/fb0", GetParam().w, GetParam().h, pic));
        screencheck::Result r = screencheck::Check(
            name + " at " + std::to_string(GetParam().w) + "x" + std::to_string(GetParam().h), pic, last);
        EXPECT_TRUE(r.Passed()) << r.Text();
        EXPECT_GT(r.texts, 0) << last;
        vuUI::GetUI()->Del(f);
    }

    std::string trace;
};

// Every description, reachable from the menus yet or not. Dialogs are looked
// for by their plain names, as the program does, so a 320x240 screen gets
// its own layout where there is one.
TEST_P(ResScreensTest, EveryDescriptionPassesTheScreenCheck)
{
    int checked = 0;
    for (const std::string& name : resFiles("./res", GetParam().w, GetParam().h)) {
        unsigned pw, ph;
        if (name == "kkt_ui.xml" || sscanf(name.c_str(), "%u-%u", &pw, &ph) == 2)
            continue;
        SCOPED_TRACE(name);
        int err = 99;
        vuForm* f = name.rfind("kkt_menu_", 0) == 0 ? load_form_file(("./res/" + name).c_str(), &err)
                                                     : load_form_resource("./res/", name.c_str(), &err);
        ASSERT_NE(f, nullptr) << err;
        check(f, name);
        ++checked;
    }
    EXPECT_GE(checked, 16);
}

// The message boxes built in code, in every combination of flags the
// program uses, with a long text of several lines.
TEST_P(ResScreensTest, MessageBoxesPassTheScreenCheck)
{
    const char* text = "ОШИБКА при выполнении команды 33:\n25:00 Требуется открыть смену\n\nСТАТУСЫ: 08 0100";
    for (uint16_t flags : {0x09, 0x01, 0x03, 0x0B, 0x11, 0x19, 0x111, 0x119, 0x04, 0x02, 0x1000}) {
        char name[32];
        snprintf(name, sizeof name, "box 0x%X", flags);
        SCOPED_TRACE(name);
        check(build_message_box(vuUI::GetUI(), "ОШИБКА", text, flags, 0), name);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ResScreensTest, ::testing::Values(Screen{240, 320}, Screen{320, 240}),
                         [](const ::testing::TestParamInfo<Screen>& info) {
                             return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

INSTANTIATE_TEST_SUITE_P(Screens, ResFilesTest, ::testing::Values(Screen{240, 320}, Screen{320, 240}),
                         [](const ::testing::TestParamInfo<Screen>& info) {
                             return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
                         });

} // namespace
