// The scanner's set-up print: its codes on paper through the stand-in, then
// the probe; without a USB scanner a box says so.
#include "FiscalFixture.h"

#include <sys/stat.h>

#include "osal.h"
#include "scanner.h"

namespace fiscaltest {

TEST_F(FiscalTest, ScannerSetupPrintsItsCodesAndWantsAUsbScanner)
{
    Drive();
    // The built-in scanner alone does not take set-up codes.
    ASSERT_EQ(OsRegSetValue("ro.fac.barcode", "1"), 0);
    Script({{u8"ОШИБКА", {KEY_ENTER}}});
    scanner_setup_print(ui);
    EndScript();
    EXPECT_EQ(Boxes(), std::vector<std::string>{u8"ОШИБКА|СКАНЕР НЕ ПОДКЛЮЧЕН!\nПЕРЕЗАГРУЗИТЕ КАССУ"});
    EXPECT_EQ(scanner_kind(), SCANNER_KIND_BUILTIN);
    const std::string paper = Paper();
    size_t at = 0;
    for (const char *part : {u8"НАСТРОЙКА СКАНЕРА ReradoRAZ", u8"СКАНИРУЙ РАЗ:", "<QR>%%SpecCodeEF</QR>",
                             u8"СКАНИРУЙ ДВА:", "<QR>%%19</QR>"}) {
        size_t found = paper.find(part, at);
        EXPECT_NE(found, std::string::npos) << part << " in order in\n" << paper;
        if (found != std::string::npos)
            at = found;
    }

    // A USB scanner: printed again, no box.
    ASSERT_EQ(mkfifo((root + "/dev/hidraw0").c_str(), 0666), 0);
    ASSERT_EQ(OsRegSetValue("osal.hidraw.name", "WCM HIDKeyBoard"), 0);
    size_t boxes = Boxes().size();
    Script({});
    scanner_setup_print(ui);
    EndScript();
    EXPECT_TRUE(Boxes(boxes).empty());
    EXPECT_EQ(scanner_kind(), 11);
    EXPECT_NE(Paper().find(u8"НАСТРОЙКА СКАНЕРА", at), std::string::npos) << "printed twice";
}

} // namespace fiscaltest
