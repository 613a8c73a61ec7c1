// A UI description from bytes. The first byte chooses the loader: a form
// file, a dialog found by the screen-size search, or a UI root; the rest is
// the file's text. A form that was built is added, drawn once and removed;
// a UI root hands its status line, block form, background and fonts to the
// running toolkit, which replaces them at the next root. The toolkit runs in
// caller-thread mode over a stand-in screen file in a scratch terminal root;
// the descriptions are written there (the working folder stays, as libFuzzer
// reads its corpus by relative names).
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "osal.h"
#include "ui_loader.h"
#include "vuForm.h"
#include "vuUI.h"

namespace {

const int kScreenW = 240, kScreenH = 320;
std::string g_root;

void stopToolkit()
{
    vuUI::Done();
    if (!g_root.empty()) {
        std::string cmd = "rm -rf '" + g_root + "'";
        if (system(cmd.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", g_root.c_str());
    }
}

bool startToolkit()
{
    char tmpl[] = "/tmp/fuzz_ui_xml_XXXXXX";
    if (!mkdtemp(tmpl))
        return false;
    std::string root = tmpl;
    g_root = root;
    atexit(stopToolkit);
    setenv("TERMINAL_ROOT", root.c_str(), 1);
    mkdir((root + "/dev").c_str(), 0777);
    mkdir((root + "/dev/graphics").c_str(), 0777);
    mkdir((root + "/data").c_str(), 0777);
    mkdir((root + "/res").c_str(), 0777);
    int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
    if (fd < 0 || ftruncate(fd, kScreenW * kScreenH * 2) != 0)
        return false;
    close(fd);
    OsRegSetValue("osal.fb.xres", std::to_string(kScreenW).c_str());
    OsRegSetValue("osal.fb.yres", std::to_string(kScreenH).c_str());
    OsRegSetValue("osal.fb.bpp", "16");
    OsTestClockEnable(100000);
    vuUI* ui = vuUI::Init(VU_UI_CALLER_THREAD);
    return ui && vuUI::getFB();
}

bool writeFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

} // namespace

// Mini-XML 3.3 itself loses an element node when a file closes an element
// that was never opened ("</><"): the parse fails and the node is never
// freed. That is the library's leak, not the loader's, so leaks whose
// allocation lies in it are not reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libmxml.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = startToolkit();
    if (!ready || size < 1)
        return 0;
    uint8_t mode = data[0] % 4;
    ++data;
    --size;
    vuUI* ui = vuUI::GetUI();
    int err = 0;
    vuForm* form = nullptr;
    const std::string res = g_root + "/res/";
    switch (mode) {
    case 0:
        if (writeFile(res + "form.xml", data, size))
            form = load_form_file((res + "form.xml").c_str(), &err);
        break;
    case 1:
    case 2: {
        // The screen-sized name, or the plain one alone.
        unlink((res + "/240-320kkt_dlg_f.xml").c_str());
        std::string name = res + (mode == 1 ? "/240-320kkt_dlg_f.xml" : "/kkt_dlg_f.xml");
        if (writeFile(name, data, size))
            form = load_form_resource(res.c_str(), "kkt_dlg_f.xml", &err);
        break;
    }
    default:
        if (writeFile(res + "kkt_ui.xml", data, size)) {
            vuUI* root = load_ui_file((res + "kkt_ui.xml").c_str(), &err);
            if ((root && root != ui) || (root != nullptr) != (err == 0))
                abort(); // the running toolkit is the root's, exactly on success
            if (root)
                root->Refresh();
        }
        break;
    }
    if ((form != nullptr) != (err == 0) && mode != 3)
        abort(); // a form comes back exactly when the code says so
    if (form) {
        ui->Add(form);
        form->Reset();
        ui->View(form);
        ui->Del(form);
    }
    return 0;
}
