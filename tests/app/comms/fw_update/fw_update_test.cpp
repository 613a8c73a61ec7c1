// Whole firmware updates in process: the toolkit in its UI thread, kktsim
// with its fiscal-drive model and service monitor in a thread on the test's
// private queue, httpsim serving the list and the image as a process of its
// own over HTTPS (a test CA made by openssl) or HTTP, real neon, and an
// Ethernet link on the loopback.
#include "FiscalFixture.h"
#include "conn_api.h"
#include "conn_record.h"
#include "fw_update.h"
#include "fw_upload.h"
#include "http_library.h"
#include "settings.h"
#include "TestTime.h"

#include <signal.h>
#include <sys/wait.h>

namespace {

using fiscaltest::FiscalTest;
using fiscaltest::ReadFile;
using fiscaltest::Step;
using shelltest::KEY_CANCEL;
using shelltest::KEY_ENTER;

// The certificates every test uses, made once: a CA, the server's for
// 127.0.0.1 and one for another name signed by it, and an untrusted
// self-signed one for 127.0.0.1.
std::string g_pki;

bool run(const std::string &cmd)
{
    return system((cmd + " >/dev/null 2>&1").c_str()) == 0;
}

const char *const kImageName = "kktsim_fw.bin";

class FwUpdateTest : public FiscalTest {
protected:
    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/fw_pki_XXXXXX";
        g_pki = mkdtemp(tmpl);
        const std::string d = g_pki, ec = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        bool ok = run("cd " + d + " && openssl req -x509 " + ec + " -keyout ca.key -out ca.pem -days 2 -subj /CN=TestCA") &&
                  run("cd " + d + " && openssl req " + ec + " -keyout srv.key -out srv.csr -subj /CN=127.0.0.1") &&
                  run("cd " + d + " && printf 'subjectAltName=IP:127.0.0.1\\n' > srv.ext && openssl x509 -req -in srv.csr "
                                  "-CA ca.pem -CAkey ca.key -CAcreateserial -out srv.pem -days 2 -extfile srv.ext") &&
                  run("cd " + d + " && openssl req " + ec + " -keyout other.key -out other.csr -subj /CN=other.invalid") &&
                  run("cd " + d + " && printf 'subjectAltName=DNS:other.invalid\\n' > other.ext && openssl x509 -req "
                                  "-in other.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out other.pem -days 2 "
                                  "-extfile other.ext") &&
                  run("cd " + d + " && openssl req -x509 " + ec + " -keyout self.key -out self.pem -days 2 "
                                  "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1");
        if (!ok)
            g_pki.clear();
    }
    static void TearDownTestSuite()
    {
        if (!g_pki.empty())
            (void)system(("rm -rf " + g_pki).c_str());
    }

    void SetUp() override
    {
        FiscalTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_FALSE(g_pki.empty()) << "openssl could not make the test certificates";
        www = root + "/www";
        ASSERT_EQ(mkdir(www.c_str(), 0777), 0);
        ASSERT_EQ(mkdir((www + "/fw").c_str(), 0777), 0);
        image.resize(1025);
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<char>(i * 13 + 5);
        std::ofstream(www + "/fw/" + kImageName, std::ios::binary) << image;
        List("K106000", image.size());
        // The terminal carries the test CA.
        ASSERT_TRUE(run("cp " + g_pki + "/ca.pem " + root + "/data/fw_ca.pem"));
        // One Ethernet connection on the loopback.
        mxml_node_t *section = mxmlNewElement(settings_root(), "connections");
        mxmlLoadString(section, "<conn name='e' type='ETH1'/>", MXML_OPAQUE_CALLBACK);
    }
    void TearDown() override
    {
        conn_disconnect();
        conn_clear_active();
        StopServer();
        FiscalTest::TearDown();
    }

    void List(const std::string &ver, size_t size, const std::string &file = kImageName)
    {
        std::ofstream(www + "/fw/list.xml")
            << "<?xml version=\"1.0\"?>\n<firmware>\n"
            << "  <item model=\"OTHER\" type=\"0000000001\" ver=\"K999000\" file=\"other.bin\" size=\"10\"/>\n"
            << "  <item model=\"KKTSIM-01\" type=\"0000000001\" ver=\"" << ver << "\" file=\"" << file
            << "\" size=\"" << size << "\"/>\n</firmware>\n";
    }

    // httpsim with the certificate (empty: plain HTTP) and script lines.
    void StartServer(const std::string &cert, const std::string &script = "")
    {
        std::ofstream(root + "/httpsim.scn") << script;
        std::string portFile = root + "/httpsim.port";
        unlink(portFile.c_str());
        server = fork();
        if (server == 0) {
            std::vector<std::string> args = {"python3", HTTPSIM_PATH, "--dir", www, "--script", root + "/httpsim.scn",
                                             "--journal", root + "/httpsim.jsonl", "--port-file", portFile};
            if (!cert.empty()) {
                args.insert(args.end(), {"--cert", g_pki + "/" + cert + ".pem", "--key", g_pki + "/" + cert + ".key"});
            }
            std::vector<char *> argv;
            for (std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            execvp("python3", argv.data());
            _exit(127);
        }
        ASSERT_GT(server, 0);
        for (int i = 0; i < testtime::Tries(10000, 10) && access(portFile.c_str(), R_OK) != 0; ++i) {
            ASSERT_EQ(waitpid(server, nullptr, WNOHANG), 0) << "httpsim ended";
            timespec t{0, 10 * 1000 * 1000};
            nanosleep(&t, nullptr);
        }
        ASSERT_EQ(access(portFile.c_str(), R_OK), 0) << "httpsim wrote no port file";
        port = std::stoi(ReadFile(portFile));
        url = std::string(cert.empty() ? "http" : "https") + "://127.0.0.1:" + std::to_string(port) + "/fw/list.xml";
    }
    void StopServer()
    {
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
            server = -1;
        }
    }

    int Update(int mode = 1)
    {
        report[0] = 0;
        return fw_update_run(ui, url.c_str(), mode, report);
    }
    bool ImageLeft() { return access((root + "/data/update.bin").c_str(), F_OK) == 0; }
    size_t MonitorMessages() { return servicetest::ReadJournal(sim->JournalPath(), "in", 3).size(); }
    std::string Received() { return ReadFile(sim->Dir() + "/firmware/" + kImageName); }
    std::string Report() { return report; }

    std::string www, url, image;
    pid_t server = -1;
    int port = 0;
    char report[FW_REPORT_SIZE];
};

// Over HTTPS with the test CA: the list, the FFD warning, the confirmation,
// the upload; the controller holds the image and the file is gone.
TEST_F(FwUpdateTest, WholeUpdateOverHttps)
{
    Drive();
    StartServer("srv");
    Script({Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ВНИМАНИЕ", {KEY_ENTER})});
    EXPECT_EQ(Update(), 1) << Report();
    EndScript();
    EXPECT_EQ(Received(), image);
    EXPECT_FALSE(ImageLeft());
    std::vector<std::string> boxes = Boxes();
    bool ffd = false;
    for (const std::string &b : boxes)
        ffd = ffd || b.find(u8"НОВУЮ ВЕРСИЮ ФФД") != std::string::npos;
    EXPECT_TRUE(ffd);
    std::string r = Report();
    EXPECT_NE(r.find("УСТАНОВЛЕНО 2 ПАКЕТОВ ОБНОВЛЕНИЯ В КФН"), std::string::npos) << r;
    EXPECT_NE(r.find("КФН УСПЕШНО ОБНОВЛЕН"), std::string::npos) << r;
    std::vector<std::string> codes = Codes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), "93"), codes.end());
}

// Failures before anything reaches the controller's monitor: no image is
// written, the monitor hears nothing.
TEST_F(FwUpdateTest, RefusedBeforeTheUpload)
{
    struct Case {
        const char *name;
        std::string drive, cert, script, ver;
        size_t size;
        std::vector<Step> steps;
        std::string box; // a part of the last box's text
    } cases[] = {
        {"open shift", "drive shift open 3\n", "srv", "", "K106000", 1025, {Step(u8"ВНИМАНИЕ", {KEY_ENTER})},
         u8"ПЕРЕД ОПЕРАЦИЕЙ СМЕНА ДОЛЖНА БЫТЬ ЗАКРЫТА"},
        {"documents waiting", "drive ofd-documents 2\n", "srv", "", "K106000", 1025, {Step(u8"ВНИМАНИЕ", {KEY_ENTER})},
         u8"ДОКУМЕНТЫ ДОЛЖНЫ БЫТЬ ОТПРАВЛЕНЫ В ОФД"},
        {"no newer firmware", "", "srv", "", "K105320", 1025, {Step(u8"ВНИМАНИЕ", {KEY_ENTER})},
         u8"ОБНОВЛЕНИЕ НЕ ТРЕБУЕТСЯ"},
        {"older major, higher minor", "", "srv", "", "K104999", 1025, {Step(u8"ВНИМАНИЕ", {KEY_ENTER})},
         u8"ОБНОВЛЕНИЕ НЕ ТРЕБУЕТСЯ"},
        {"404", "", "srv", std::string("fault /fw/") + kImageName + " notfound\n", "K106000", 1025,
         {Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER})}, u8"нет на сервере"},
        {"size mismatch", "", "srv", std::string("fault /fw/") + kImageName + " short 1\n", "K106000", 1025,
         {Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER})}, u8"НЕ ПРАВИЛЬНЫЙ РАЗМЕР ФАЙЛА"},
        {"longer body", "", "srv", std::string("fault /fw/") + kImageName + " long 5000\n", "K106000", 1025,
         {Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER})}, u8"НЕ ПРАВИЛЬНЫЙ РАЗМЕР ФАЙЛА"},
        {"untrusted certificate", "", "self", "", "K106000", 1025, {Step(u8"ОШИБКА", {KEY_ENTER})},
         u8"СБОЙ ОБРАБОТКИ ЗАПРОСА GET"},
        {"wrong host name", "", "other", "", "K106000", 1025, {Step(u8"ОШИБКА", {KEY_ENTER})},
         u8"СБОЙ ОБРАБОТКИ ЗАПРОСА GET"},
        {"list over the limit", "", "srv", "", std::string(4000, 'K'), 1025, {Step(u8"ОШИБКА", {KEY_ENTER})},
         u8"ПЕРЕЧЕНЬ ПРОШИВОК СЛИШКОМ ВЕЛИК"},
        {"file name too long for the header", "", "srv", "", "K106000", 4194304, {Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER})},
         u8"НЕВЕРНЫЙ АТРИБУТ file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        sim->ForgetDrive();
        Drive(c.drive);
        if (std::string(c.name) == "file name too long for the header") {
            std::string longName(121, 'n');
            std::ofstream(www + "/fw/" + longName) << image;
            List(c.ver, c.size, longName);
        } else {
            List(c.ver, c.size);
        }
        StartServer(c.cert, c.script);
        size_t boxes = Boxes().size();
        size_t monitor = MonitorMessages();
        Script(c.steps);
        EXPECT_EQ(Update(), -1) << Report();
        EndScript();
        std::vector<std::string> shown = Boxes(boxes);
        ASSERT_FALSE(shown.empty()) << Report();
        EXPECT_NE(shown.back().find(c.box), std::string::npos) << shown.back();
        EXPECT_FALSE(ImageLeft());
        EXPECT_EQ(MonitorMessages(), monitor);
        StopServer();
        conn_disconnect();
    }
}

// The HTTP library is loaded with the first request. Without it the
// update stops at the list with the GET failure box naming the library,
// nothing reaches the monitor; with it back the same update goes through.
TEST_F(FwUpdateTest, WithoutTheHttpLibraryTheListFailsWithItsBox)
{
    Drive();
    StartServer("srv");
    http_library_name("libcashdesk-missing-http.so.27");
    size_t boxes = Boxes().size();
    size_t monitor = MonitorMessages();
    Script({Step(u8"ОШИБКА", {KEY_ENTER})});
    EXPECT_EQ(Update(), -1) << Report();
    EndScript();
    std::vector<std::string> shown = Boxes(boxes);
    ASSERT_FALSE(shown.empty()) << Report();
    EXPECT_NE(shown.back().find(u8"СБОЙ ОБРАБОТКИ ЗАПРОСА GET [1]"), std::string::npos) << shown.back();
    EXPECT_NE(shown.back().find("libcashdesk-missing-http.so.27"), std::string::npos) << shown.back();
    EXPECT_EQ(MonitorMessages(), monitor);
    EXPECT_FALSE(ImageLeft());
    conn_disconnect();

    http_library_name(nullptr);
    Script({Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ВНИМАНИЕ", {KEY_ENTER})});
    EXPECT_EQ(Update(), 1) << Report();
    EndScript();
    EXPECT_EQ(Received(), image);
}

// The receiver's faults: a NAK on a data block, silence after EOT. The
// image stays on disk for another try.
TEST_F(FwUpdateTest, ReceiverFaults)
{
    struct Case {
        const char *fault;
        const char *line;
    } cases[] = {
        {"monitor nak 2\n", "СБОЙ ПРИ ОТПРАВКЕ 2 ПАКЕТА ОБНОВЛЕНИЯ В КФН"},
        {"monitor silent eot\n", "СБОЙ ПРИ ОТПРАВКЕ EOT В КФН"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault);
        sim->ForgetDrive();
        Drive(c.fault);
        StartServer("srv");
        Script({Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER})});
        EXPECT_EQ(Update(), -1);
        EndScript();
        EXPECT_NE(Report().find(c.line), std::string::npos) << Report();
        EXPECT_TRUE(ImageLeft());
        struct stat st;
        ASSERT_EQ(stat((root + "/data/update.bin").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0111, 0u) << "the image is data";
        StopServer();
        conn_disconnect();
    }
}

// The receiver answering the header and the EOT with ACK and "C" as two
// messages: the "C" after an ACK of an earlier message still counts.
TEST_F(FwUpdateTest, AckAndCInTwoMessages)
{
    Drive("monitor ack-split on\n");
    StartServer("srv");
    Script({Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ВНИМАНИЕ", {KEY_ENTER})});
    EXPECT_EQ(Update(), 1) << Report();
    EndScript();
    EXPECT_EQ(Received(), image);
    EXPECT_NE(Report().find("КФН УСПЕШНО ОБНОВЛЕН"), std::string::npos) << Report();
}

// Through the dialog; 0 prints the report on the paper.
TEST_F(FwUpdateTest, DialogRunsAnUpdateAndPrintsItsReport)
{
    Drive();
    StartServer("srv");
    char address[128];
    snprintf(address, sizeof address, "%s", url.c_str());
    Script({Step("common_dlg_update_firmware.xml", {KEY_ENTER}), Step(u8"ВНИМАНИЕ", {KEY_ENTER}),
            Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step("common_dlg_update_firmware.xml", {11}),
            Step("common_dlg_update_firmware.xml", {KEY_CANCEL})});
    EXPECT_EQ(fw_update_dialog(ui, u8"ПРОШИВКА", address, 0), 1);
    EndScript();
    for (const std::string &b : Boxes())
        EXPECT_EQ(b.find(u8"ОШИБКА|"), std::string::npos) << b;
    EXPECT_EQ(Received(), image);
    std::string paper = ReadFile(sim->PaperPath());
    EXPECT_NE(paper.find(u8"ОТЧЕТ ОБ ОБНОВЛЕНИИ"), std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"КФН УСПЕШНО ОБНОВЛЕН"), std::string::npos) << paper;
}

// Plain HTTP is refused before anything is fetched, whether the address
// comes to the update, the dialog or the list's fetch: the server hears no
// request, the monitor nothing, no image is written.
TEST_F(FwUpdateTest, PlainHttpIsRefusedBeforeAnythingIsFetched)
{
    Drive();
    StartServer("");
    const std::string journal = root + "/httpsim.jsonl";
    const std::string refusal = u8"ТОЛЬКО ПО HTTPS";
    size_t boxes = Boxes().size();
    Script({Step(u8"ОШИБКА", {KEY_ENTER})});
    EXPECT_EQ(Update(), -1);
    EndScript();
    std::vector<std::string> shown = Boxes(boxes);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown.back().find(refusal), std::string::npos) << shown.back();
    EXPECT_NE(Report().find("ТОЛЬКО ПО HTTPS"), std::string::npos) << Report();

    char address[128];
    snprintf(address, sizeof address, "%s", url.c_str());
    boxes = Boxes().size();
    Script({Step("common_dlg_update_firmware.xml", {KEY_ENTER}), Step(u8"ОШИБКА", {KEY_ENTER}),
            Step("common_dlg_update_firmware.xml", {KEY_CANCEL})});
    EXPECT_EQ(fw_update_dialog(ui, u8"ПРОШИВКА", address, 0), -1);
    EndScript();
    shown = Boxes(boxes);
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.back().find(refusal), std::string::npos) << shown.back();

    boxes = Boxes().size();
    Script({Step(u8"ОШИБКА", {KEY_ENTER})});
    EXPECT_EQ(fw_fetch_list(ui, url.c_str()), nullptr);
    EndScript();
    shown = Boxes(boxes);
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.back().find(refusal), std::string::npos) << shown.back();

    EXPECT_EQ(ReadFile(journal), "") << "no request reached the server";
    EXPECT_EQ(MonitorMessages(), 0u);
    EXPECT_FALSE(ImageLeft());
    std::vector<std::string> codes = Codes();
    EXPECT_EQ(std::find(codes.begin(), codes.end(), "93"), codes.end()) << "the controller was not asked";
}

// The image is written beside update.bin and put in its place whole: a
// link planted at the temporary name is removed, not written through, as
// is a file left by a download cut short.
TEST_F(FwUpdateTest, ImageGoesThroughNoLinkAtItsTemporaryName)
{
    const std::string temp = root + "/data/update.bin.new", victim = root + "/victim";
    for (bool link : {true, false}) {
        SCOPED_TRACE(link ? "link" : "leftover");
        sim->ForgetDrive();
        Drive();
        StartServer("srv");
        std::ofstream(victim) << "VICTIM";
        unlink(temp.c_str());
        if (link)
            ASSERT_EQ(symlink(victim.c_str(), temp.c_str()), 0);
        else
            std::ofstream(temp) << "part of an earlier image";
        Script({Step(u8"ВНИМАНИЕ", {KEY_ENTER}), Step(u8"ВНИМАНИЕ", {KEY_ENTER})});
        EXPECT_EQ(Update(), 1) << Report();
        EndScript();
        EXPECT_EQ(Received(), image);
        EXPECT_EQ(ReadFile(victim), "VICTIM");
        struct stat st;
        EXPECT_NE(lstat(temp.c_str(), &st), 0);
        StopServer();
        conn_disconnect();
    }
}

// The upload on its own, no screen: its steps in order, a progress per
// block, and the first fault ends it with the failing block's number.
struct StepLog : FwUploadListener {
    std::vector<std::string> steps;
    unsigned progressed = 0, lastTotal = 0, blocks = 0;
    std::string said;
    void step(FwUploadStep step, unsigned number) override
    {
        static const char *const kNames[] = {"monitor", "no prompt", "update mode", "confirmed",
                                              "header",  "blocks",    "closing",     "updated"};
        steps.push_back(kNames[step]);
        if (step == FW_STEP_BLOCKS_SENT)
            blocks = number;
    }
    void progress(unsigned sent, unsigned total) override
    {
        EXPECT_EQ(sent, progressed + 1);
        progressed = sent;
        lastTotal = total;
    }
    void controller_text(const char *text) override { said += text; }
};

TEST_F(FwUpdateTest, UploadTellsItsStepsAndEndsAtTheFirstFault)
{
    const std::string path = root + "/data/update.bin";
    std::ofstream(path, std::ios::binary) << image;
    Drive();
    StepLog ok;
    FwUploadFailure failure;
    EXPECT_EQ(fw_upload(path.c_str(), kImageName, long(image.size()), 1, ok, &failure), FW_UPLOAD_OK);
    EXPECT_EQ(ok.steps, (std::vector<std::string>{"monitor", "update mode", "confirmed", "header", "blocks",
                                                  "closing", "updated"}));
    EXPECT_EQ(ok.blocks, 2u); // 1025 bytes: a last part of one byte
    EXPECT_EQ(ok.progressed, 2u);
    EXPECT_EQ(ok.lastTotal, 2u);
    EXPECT_EQ(Received(), image);

    sim->ForgetDrive();
    Drive("monitor nak 2\n");
    StepLog nak;
    EXPECT_EQ(fw_upload(path.c_str(), kImageName, long(image.size()), 1, nak, &failure), FW_UPLOAD_BLOCK_NAK);
    EXPECT_EQ(failure.block, 2u);
    EXPECT_EQ(nak.steps.back(), "header");
    EXPECT_EQ(nak.progressed, 1u);
}

// The image download on its own: a size other than promised and a missing
// file each end without a file, an older image at the place removed too.
TEST_F(FwUpdateTest, ImageDownloadLeavesAWholeImageOrNone)
{
    StartServer("srv");
    const std::string target = root + "/data/update.bin";
    const std::string base = "https://127.0.0.1:" + std::to_string(port) + "/fw/";
    const struct {
        const char *file;
        long size;
        FwImageResult result;
    } cases[] = {
        {kImageName, 1025, FW_IMAGE_OK},
        {kImageName, 1024, FW_IMAGE_SIZE},
        {kImageName, 2048, FW_IMAGE_SIZE},
        {"missing.bin", 10, FW_IMAGE_GET},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.size));
        std::ofstream(target) << "older image";
        FwImageDownload d;
        EXPECT_EQ(fw_download_image((base + c.file).c_str(), target.c_str(), c.size, d), c.result);
        if (c.result == FW_IMAGE_OK) {
            EXPECT_EQ(ReadFile(target), image);
        } else {
            EXPECT_TRUE(access(target.c_str(), F_OK) != 0) << "no image left";
        }
        if (c.result == FW_IMAGE_SIZE) {
            EXPECT_EQ(d.written, 1025);
        }
        if (c.result == FW_IMAGE_GET) {
            EXPECT_EQ(d.get, FW_GET_STATUS);
            EXPECT_EQ(d.detail.code, 404);
        }
    }
}

} // namespace
