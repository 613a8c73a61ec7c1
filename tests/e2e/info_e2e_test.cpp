// The information screen through the whole program, on the fiscal-drive
// model and the OS stand-in's properties.
#include "CashdeskE2e.h"

namespace e2e {

// The main menu's "info": the report on the screen, the key '0' prints the
// title lines, the report and the QR block.
TEST_F(Cashdesk, InformationScreenPrintsOnZero)
{
    ASSERT_EQ(OsRegSetValue("ro.fac.sn", "SN-42"), 0);
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn"));
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "info");
    WaitForm("common_dlg_info.xml");
    Key(11); // the digit 0
    WaitForm("kkt_menu_main.xml");
    const std::string paper = readFile(dir + "/kktsim/paper.txt");
    size_t at = 0;
    for (const char *part : {u8"ИНФОРМАЦИЯ О КАССЕ", "========================================", u8"ПРОГ: 3.1.0 (Feb 10 2025)",
                             "SN: ", "POS SN: SN-42", "<QR>", "SN-42 </QR>"}) {
        size_t found = paper.find(part, at);
        EXPECT_NE(found, std::string::npos) << part << " in order in\n" << paper;
        if (found != std::string::npos)
            at = found;
    }
    Quit();
}

} // namespace e2e
