// The toolkit singleton: start and stop, the command protocol between the
// application's thread and the UI thread, the calls carried out in the
// caller's thread, the getters and the flat interface.
//
// The protocol: the poster writes the code and its arguments into the
// command block, announces it with a type-1 message on the private queue and
// waits on commandSem until the UI thread has copied the block out (from
// then on the block belongs to the next poster). A synchronous command then
// waits for the type-2 reply to its own number; the reply carries the result.
#include "vuUI.h"

#include <errno.h>
#include <semaphore.h>
#include <stdio.h>
#include <sys/ipc.h>
#include <sys/msg.h>

#include <new>

#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuIdleWait.h"
#include "vuImage.h"
#include "vuKeyScheme.h"
#include "vuKeyboard.h"
#include "vuResources.h"
#include "vuTouchPad.h"
#include "vuTrace.h"
#include "vuUIParts.h"
#include "osal.h"

vuUI *vuUI::handle = nullptr;
pthread_t vuUI::threadId;
pthread_t vuUI::hostId;
std::atomic<int> vuUI::err{0};

namespace {

// Posted by the UI thread once the singleton is built and once per command
// taken from the block.
sem_t commandSem;
// A UI thread was started and not yet joined; the mode every call tests
// (the ids are written while the UI thread already runs, the flag before).
bool threadStarted = false;
std::atomic<bool> threadMode{false};

// Wakes the UI thread out of its idle pause: set by a poster once its
// announcement is on the queue (or the stop flag is set), cleared by the UI
// thread at the start of each pass before it looks at the queue. A command
// is therefore either found by that look or cuts the pause after it short;
// at worst one pass after a command is shorter than usual. Input on the
// keypad or the touch panel cuts the pause short as well.
vuIdleWait idleWait;

void wakeUiThread() { idleWait.Wake(); }

const size_t kBodySize = sizeof(vuUIMessage) - sizeof(long);
const int kSeqWord = VU_UI_COMMAND_WORDS - 1;

void semWait()
{
    while (sem_wait(&commandSem) != 0 && errno == EINTR) {
    }
}

} // namespace

// ---- start and stop ---------------------------------------------------------

vuUI::vuUI(uint16_t opts, int cacheLimit)
    : modalForm(nullptr), blockForm(nullptr), options(opts), queueId(-1), statusTick(0), keyMask(0),
      blockKbMask(0), fb(nullptr), background(nullptr), picture(nullptr), resources(nullptr),
      statusLine(nullptr), virtualKeyboard(nullptr), pendingChar(0), animationCount(0),
      keyCallback(nullptr), touchCallback(nullptr), blockKbCallback(nullptr), stopRequested(false),
      nextSeq(1), showSeq(0), repliedSeq(0), deferredDone(false), clientLine(nullptr), clientKey(~0u)
{
    for (auto &word : command)
        word.store(0, std::memory_order_relaxed);
    err = 0;
    queueId = msgget(IPC_PRIVATE, IPC_CREAT | IPC_EXCL | 0666);
    if (queueId < 0) {
        queueId = -1;
        err = VU_ERR_QUEUE;
        return;
    }
    int w = 0, h = 0;
    if (initHardware(w, h) != 0 || w < 1 || h < 1)
        return;
    fb = vuFrameBuffer::Init(static_cast<uint16_t>(w), static_cast<uint16_t>(h));
    if (!fb) {
        err = VU_ERR_NO_FB;
    } else {
        // The client area as it stands now, before anyone reads it.
        updateClient();
        if (opts & VU_UI_IMAGE_CACHE) {
            resources = new (std::nothrow) vuResources(cacheLimit);
            if (!resources)
                err = VU_ERR_CACHE;
        }
        if (err == 0)
            handle = this;
        background = vuImage::CreateFromFile("./res/fon.b16");
    }
    vuKeyScheme::Init();
}

vuUI::~vuUI()
{
    if (fb) {
        if (blockForm)
            fb->Del(vuUIParts::FormView(blockForm));
        blockForm = nullptr;
        delete fb;
        fb = nullptr;
    }
    vuImage::Destroy(background);
    background = nullptr;
    vuImage::Destroy(picture);
    picture = nullptr;
    vuUIParts::DeleteStatusLine(statusLine);
    statusLine = nullptr;
    vuUIParts::DeleteKeyboard(virtualKeyboard);
    virtualKeyboard = nullptr;
    delete resources;
    resources = nullptr;
    if (queueId >= 0)
        msgctl(queueId, IPC_RMID, nullptr);
    queueId = -1;
    vuKeyScheme::Done();
    doneHardware();
    err = 0;
}

static vuUI *startUI(uint16_t options, int cacheLimit)
{
    if (vuUI::handle)
        return vuUI::handle;
    vuUI::hostId = pthread_self();
    if (options & VU_UI_CALLER_THREAD) {
        threadMode = false;
        vuUI::threadId = vuUI::hostId;
        vuUI *ui = new vuUI(options, cacheLimit);
        vuUI::handle = ui;
        if (options & VU_UI_PAINT_BACKGROUND)
            ui->draw(nullptr, 0);
        return vuUI::handle;
    }
    sem_init(&commandSem, 0, 0);
    idleWait.Open();
    threadMode = true;
    vuUI::err = cacheLimit;
    vuUI::threadId = pthread_t();
    pthread_t id;
    if (pthread_create(&id, nullptr, vuUI_ThreadStart, reinterpret_cast<void *>(static_cast<intptr_t>(options))) != 0) {
        sem_destroy(&commandSem);
        idleWait.Close();
        threadMode = false;
        return nullptr;
    }
    vuUI::threadId = id;
    threadStarted = true;
    semWait();
    return vuUI::handle;
}

vuUI *vuUI::Init(uint16_t opts) { return startUI(opts, 0); }

vuUI *vuUI::InitExt(uint16_t opts, int cacheLimit) { return startUI(opts, cacheLimit); }

void vuUI::Thread(uint16_t opts)
{
    int cacheLimit = err;
    vuUI *ui = new vuUI(opts, cacheLimit);
    handle = ui;
    sem_post(&commandSem);
    ui->serve();
}

VU_C_API void *vuUI_ThreadStart(void *arg)
{
    vuUI::Thread(static_cast<uint16_t>(reinterpret_cast<intptr_t>(arg) & 0xFFFF));
    return nullptr;
}

void vuUI::Done()
{
    vuUI *ui = handle;
    if (!ui)
        return;
    if (callerMode()) {
        delete ui;
        handle = nullptr;
        err = 0;
        return;
    }
    // A modal loop ends first, as for Show; a pause is ended by the command
    // itself; without a queue (or when the announcement fails) the idle loop
    // sees the stop flag.
    if (IsModal()) {
        ui->EndModal(ui->modalForm.load());
        ui->WaitEndModal();
    }
    if (ui->queueId < 0 || ui->post(VU_CMD_DONE, 0, 0, 0, 0, 0, 0, false, false) != 0) {
        ui->stopRequested = true;
        wakeUiThread();
    }
    if (threadStarted) {
        pthread_join(threadId, nullptr);
        threadStarted = false;
        sem_destroy(&commandSem);
        idleWait.Close();
    }
    threadId = pthread_t();
    hostId = pthread_t();
    threadMode = false;
}

bool vuUI::callerMode() { return !threadMode.load(); }

// ---- the protocol -------------------------------------------------------------

int vuUI::post(int code, intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4, intptr_t a5, intptr_t a6,
               bool drain, bool wait)
{
    // Everything read from the object happens before the block is published:
    // once the UI thread has the command (Done above all) the object may go.
    int queue = queueId;
    vuUIMessage msg;
    if (drain) {
        while (msgrcv(queue, &msg, kBodySize, 2, IPC_NOWAIT) >= 0) {
        }
    }
    uint32_t seq = nextSeq.fetch_add(1);
    if (seq == 0)
        seq = nextSeq.fetch_add(1);
    if (code == VU_CMD_SHOW)
        showSeq = seq;
    command[1].store(a1, std::memory_order_relaxed);
    command[2].store(a2, std::memory_order_relaxed);
    command[3].store(a3, std::memory_order_relaxed);
    command[4].store(a4, std::memory_order_relaxed);
    command[5].store(a5, std::memory_order_relaxed);
    command[6].store(a6, std::memory_order_relaxed);
    command[kSeqWord].store(seq, std::memory_order_relaxed);
    command[0].store(code, std::memory_order_release);
    msg.mtype = 1;
    msg.result = 0;
    msg.seq = seq;
    int r;
    do {
        r = msgsnd(queue, &msg, kBodySize, 0);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        err = VU_ERR_SEND;
        return VU_ERR_SEND;
    }
    wakeUiThread();
    semWait();
    if (!wait)
        return 0;
    return receiveReply(seq);
}

int vuUI::receiveReply(uint32_t seq)
{
    vuUIMessage msg;
    for (;;) {
        if (msgrcv(queueId, &msg, kBodySize, 2, 0) < 0) {
            if (errno == EINTR)
                continue;
            err = VU_ERR_SEND;
            return VU_ERR_SEND;
        }
        if (msg.seq == seq)
            break;
        // A reply nobody waited for (a modal loop that ended on its own):
        // not this command's answer.
    }
    repliedSeq.load(std::memory_order_acquire);
    err = msg.result;
    return msg.result;
}

void vuUI::reply(uint32_t seq, int result)
{
    if (queueId < 0)
        return;
    repliedSeq.store(seq, std::memory_order_release);
    vuUIMessage msg;
    msg.mtype = 2;
    msg.result = result;
    msg.seq = seq;
    while (msgsnd(queueId, &msg, kBodySize, 0) != 0 && errno == EINTR) {
    }
}

bool vuUI::takeCommand(Command &cmd, bool wait, bool idle)
{
    if (queueId < 0)
        return false;
    vuUIMessage msg;
    for (;;) {
        if (msgrcv(queueId, &msg, kBodySize, 1, wait ? 0 : IPC_NOWAIT) >= 0)
            break;
        if (!wait || errno != EINTR)
            return false;
    }
    copyCommand(cmd, idle);
    return true;
}

void vuUI::copyCommand(Command &cmd, bool idle)
{
    cmd.code = static_cast<int>(command[0].load(std::memory_order_acquire));
    cmd.args[0] = 0;
    for (int i = 1; i <= 6; i++)
        cmd.args[i] = command[i].load(std::memory_order_relaxed);
    cmd.seq = static_cast<uint32_t>(command[kSeqWord].load(std::memory_order_relaxed));
    vuForm *form = reinterpret_cast<vuForm *>(cmd.args[1]);
    if (cmd.code == VU_CMD_SHOW && form) {
        if (idle) {
            modalForm = form;
        } else {
            // Refused (paused, or another form is modal): the form did not
            // come up, so it must not read as accepted. Set before the poster
            // goes on to read it.
            vuUIParts::FormSetState(form, -1);
        }
    }
    err = 0;
    sem_post(&commandSem);
}

void vuUI::clearCommandWake() { idleWait.Clear(); }

bool vuUI::idleSleep(uint32_t ms)
{
    if (OsTestClockIsVirtual()) {
        OsSleep(ms);
        return false;
    }
    if (stopRequested.load())
        return true;
    const int devices[] = {vuKeyboard::GetDescriptor(), vuTouchPad::GetDescriptor()};
    return idleWait.Wait(ms, devices, 2) != vuIdleWait::TimedOut;
}

// ---- commands -------------------------------------------------------------------

int vuUI::Show(vuForm *form, vuEventCallback callback)
{
    if (!form)
        return err = VU_ERR_ARG;
    if (IsModal()) {
        EndModal(modalForm.load());
        WaitEndModal();
    }
    if (callerMode())
        return showHere(form, callback);
    return post(VU_CMD_SHOW, reinterpret_cast<intptr_t>(form), reinterpret_cast<intptr_t>(callback), 0, 0, 0, 0,
                true, false);
}

int vuUI::showHere(vuForm *form, vuEventCallback callback)
{
    destroyPicture();
    modalForm = form;
    int r = draw(form, 0);
    if (r == 0) {
        vuTraceFormShown(form);
        vuTraceScreen(form, 1);
        r = controlLoop(form, callback);
    } else {
        // A form that never came up did not end with "OK".
        vuUIParts::FormSetState(form, -1);
    }
    modalForm = nullptr;
    return err = r;
}

int vuUI::EndModal(vuForm *form)
{
    if (!form)
        return err = VU_ERR_ARG;
    if (callerMode()) {
        vuForm *expected = form;
        if (modalForm.compare_exchange_strong(expected, nullptr))
            return err = 0;
        return err = VU_ERR_ARG;
    }
    return post(VU_CMD_END_MODAL, reinterpret_cast<intptr_t>(form), 0, 0, 0, 0, 0, false, false);
}

int vuUI::WaitEndModal()
{
    vuForm *form = modalForm.load();
    if (!callerMode() && form) {
        receiveReply(showSeq.load());
        // The UI thread replies before it lets go of the form; once its reply
        // is here the form is no longer modal for the caller either, whether
        // or not the UI thread has got to clearing the pointer.
        modalForm.compare_exchange_strong(form, nullptr);
    }
    return 0;
}

int vuUI::View(vuForm *form)
{
    if (!form)
        return err = VU_ERR_ARG;
    if (IsModal()) {
        EndModal(modalForm.load());
        WaitEndModal();
    }
    if (callerMode()) {
        destroyPicture();
        int r = draw(form, 0);
        if (r == 0)
            vuTraceScreen(form, 0);
        modalForm = nullptr;
        return err = r;
    }
    post(VU_CMD_VIEW, reinterpret_cast<intptr_t>(form));
    return 0;
}

// The commands that work alike in both modes: carried out here in
// caller-thread mode, posted otherwise.
#define VU_SIMPLE_COMMAND(code, ...)                                                                          \
    do {                                                                                                       \
        if (callerMode()) {                                                                                    \
            Command cmd = {code, {0, __VA_ARGS__}, 0};                                                         \
            return err = execute(cmd);                                                                         \
        }                                                                                                      \
        return post(code, __VA_ARGS__);                                                                        \
    } while (0)

int vuUI::SetStatusLine(vuStatusLine *line) { VU_SIMPLE_COMMAND(VU_CMD_SET_STATUS_LINE, reinterpret_cast<intptr_t>(line)); }

int vuUI::SetVirtualKeyboard(vuVirtualKeyboard *keyboard)
{
    VU_SIMPLE_COMMAND(VU_CMD_SET_VIRTUAL_KEYBOARD, reinterpret_cast<intptr_t>(keyboard));
}

int vuUI::SetKeyboard(vuKeyCallback callback) { VU_SIMPLE_COMMAND(VU_CMD_SET_KEYBOARD, reinterpret_cast<intptr_t>(callback)); }

int vuUI::SetBackgroundImage(vuImage *image) { VU_SIMPLE_COMMAND(VU_CMD_SET_BACKGROUND_IMAGE, reinterpret_cast<intptr_t>(image)); }

int vuUI::SetFileFontEx(uint16_t slot, const char *path, int width, int height, int hPitch, int vPitch)
{
    VU_SIMPLE_COMMAND(VU_CMD_SET_FILE_FONT_EX, slot, reinterpret_cast<intptr_t>(path), width, height, hPitch, vPitch);
}

int vuUI::SetFileFont(uint16_t slot, const char *path) { return SetFileFontEx(slot, path, 0, 0, 0, 0); }

int vuUI::FreeFont(uint16_t slot) { VU_SIMPLE_COMMAND(VU_CMD_FREE_FONT, slot); }

int vuUI::SetOption(uint16_t bits) { VU_SIMPLE_COMMAND(VU_CMD_SET_OPTION, bits); }

int vuUI::ClearOption(uint16_t bits) { VU_SIMPLE_COMMAND(VU_CMD_CLEAR_OPTION, bits); }

int vuUI::ShowBild(vuImage *image) { VU_SIMPLE_COMMAND(VU_CMD_SHOW_BILD, reinterpret_cast<intptr_t>(image)); }

int vuUI::EnableStatusLine(uint8_t on) { VU_SIMPLE_COMMAND(VU_CMD_ENABLE_STATUS_LINE, on); }

int vuUI::Flush() { VU_SIMPLE_COMMAND(VU_CMD_FLUSH, 0); }

int vuUI::Test() { VU_SIMPLE_COMMAND(VU_CMD_TEST, 0); }

int vuUI::SetTouchCallBack(vuTouchCallback callback)
{
    VU_SIMPLE_COMMAND(VU_CMD_SET_TOUCH_CALLBACK, reinterpret_cast<intptr_t>(callback));
}

int vuUI::SetBlockKbCallBack(vuBlockKbCallback callback)
{
    VU_SIMPLE_COMMAND(VU_CMD_SET_BLOCK_KB_CALLBACK, reinterpret_cast<intptr_t>(callback));
}

#undef VU_SIMPLE_COMMAND

int vuUI::Refresh()
{
    if (!callerMode())
        return post(VU_CMD_REFRESH);
    Command cmd = {VU_CMD_REFRESH, {0}, 0};
    int r = execute(cmd);
    getKeyCode();
    return err = r;
}

int vuUI::Deactivate()
{
    if (!callerMode())
        return post(VU_CMD_DEACTIVATE);
    return err = 0;
}

int vuUI::Activate()
{
    if (!callerMode())
        return post(VU_CMD_ACTIVATE);
    return err = 0;
}

int vuUI::Stop()
{
    if (!callerMode())
        return post(VU_CMD_STOP);
    doneHardware();
    return err = 0;
}

int vuUI::Start()
{
    if (!callerMode())
        return post(VU_CMD_START);
    int w = 0, h = 0;
    return initHardware(w, h);
}

// ---- calls carried out in the caller's thread ------------------------------

int vuUI::Add(vuForm *form)
{
    if (!fb || !form)
        return err = VU_ERR_ARG;
    return err = fb->Add(vuUIParts::FormView(form));
}

int vuUI::Del(vuForm *form)
{
    if (!fb || !form)
        return err = VU_ERR_ARG;
    if (modalForm.load() == form) {
        EndModal(form);
        WaitEndModal();
    }
    if (form == blockForm)
        blockForm = nullptr;
    vuTraceSetSource(form, nullptr);
    return err = fb->Del(vuUIParts::FormView(form));
}

int vuUI::Register(vuForm *form)
{
    if (!fb || !form)
        return err = VU_ERR_ARG;
    vuUIParts::FormView(form)->SetParent(fb);
    return err = 0;
}

int vuUI::SetBlockForm(vuForm *form)
{
    if (!fb)
        return err = VU_ERR_ARG;
    if (form && form == blockForm)
        return err = 0;
    if (blockForm) {
        vuForm *old = blockForm;
        blockForm = nullptr;
        fb->Del(vuUIParts::FormView(old));
    }
    if (!form)
        return err = 0;
    int r = fb->Add(vuUIParts::FormView(form));
    if (r >= 0)
        blockForm = form;
    return err = r;
}

int vuUI::SetKeyScheme(uint16_t index, const char **strings)
{
    vuKeyScheme::setScheme(index, strings);
    return err = 0;
}

int vuUI::SetBlockKbMask(uint32_t mask)
{
    blockKbMask = mask;
    return err = 0;
}

vuUI *vuUI::BlockInput(uint8_t on)
{
    if (on)
        options.fetch_or(VU_UI_BLOCK_INPUT);
    else
        options.fetch_and(static_cast<uint16_t>(~VU_UI_BLOCK_INPUT));
    return this;
}

uint8_t vuUI::SetChar(uint8_t c)
{
    if (handle)
        handle->pendingChar = c;
    return c;
}

// ---- getters --------------------------------------------------------------------

vuUI *vuUI::GetUI() { return handle; }
int vuUI::GetLastError() { return err.load(); }
int vuUI::IsModal() { return handle && handle->modalForm.load() ? 1 : 0; }
uint16_t vuUI::GetOption() { return handle ? handle->options.load() : 0; }
uint16_t vuUI::GetAnimationCount() { return handle ? handle->animationCount.load() : 0; }
vuStatusLine *vuUI::GetStatusLine() { return handle ? handle->statusLine : nullptr; }
vuVirtualKeyboard *vuUI::GetVirtualKeyboard() { return handle ? handle->virtualKeyboard : nullptr; }
vuResources *vuUI::GetResources() { return handle ? handle->resources : nullptr; }
vuFrameBuffer *vuUI::getFB() { return handle ? handle->fb : nullptr; }

uint16_t vuUI::GetWidth() { return handle && handle->fb ? handle->fb->GetWidth() : 0; }
uint16_t vuUI::GetHeight() { return handle && handle->fb ? handle->fb->GetHeight() : 0; }
uint16_t vuUI::GetClientWidth() { return handle && handle->fb ? handle->fb->GetClientWidth() : 0; }
uint16_t vuUI::GetClientHeight() { return handle && handle->fb ? handle->fb->GetClientHeight() : 0; }

uint16_t vuUI::GetFontWidth(uint16_t slot)
{
    vuFont *font = handle && handle->fb ? handle->fb->GetFont(slot) : nullptr;
    return font ? font->GetWidth() : 0;
}

uint16_t vuUI::GetFontHeight(uint16_t slot)
{
    vuFont *font = handle && handle->fb ? handle->fb->GetFont(slot) : nullptr;
    return font ? font->GetHeight() : 0;
}

void vuUI::GetVersion(char *buf, unsigned size)
{
    if (buf && size)
        snprintf(buf, size, "Version %d.%d.%d.%d Build %s", 1, 2, 0, 1, "Feb 10 2025");
}

void vuUI::GetBuildInfo(uint16_t *major, uint16_t *minor, uint16_t *release, uint16_t *build)
{
    if (major)
        *major = 1;
    if (minor)
        *minor = 2;
    if (release)
        *release = 0;
    if (build)
        *build = 1;
}

// ---- flat interface ---------------------------------------------------------------

VU_C_API vuUI *vuUI_Init(uint16_t options) { return vuUI::Init(options); }
VU_C_API vuUI *vuUI_InitExt(uint16_t options, int cacheLimit) { return vuUI::InitExt(options, cacheLimit); }
VU_C_API void vuUI_Done(vuUI *) { vuUI::Done(); }
VU_C_API int vuUI_GetLastError(void) { return vuUI::GetLastError(); }
VU_C_API void vuUI_GetVersion(char *buf, unsigned size) { vuUI::GetVersion(buf, size); }
VU_C_API void vuUI_GetBuildInfo(uint16_t *major, uint16_t *minor, uint16_t *release, uint16_t *build)
{
    vuUI::GetBuildInfo(major, minor, release, build);
}
VU_C_API vuUI *vuUI_GetUI(void) { return vuUI::GetUI(); }
VU_C_API vuStatusLine *vuUI_GetStatusLine(void) { return vuUI::GetStatusLine(); }
VU_C_API int vuUI_IsModal(void) { return vuUI::IsModal(); }
VU_C_API uint16_t vuUI_GetWidth(void) { return vuUI::GetWidth(); }
VU_C_API uint16_t vuUI_GetHeight(void) { return vuUI::GetHeight(); }
VU_C_API uint16_t vuUI_GetClientWidth(void) { return vuUI::GetClientWidth(); }
VU_C_API uint16_t vuUI_GetClientHeight(void) { return vuUI::GetClientHeight(); }
VU_C_API uint16_t vuUI_GetOption(void) { return vuUI::GetOption(); }
VU_C_API int vuUI_Add(vuUI *ui, vuForm *form) { return ui ? ui->Add(form) : -1; }
VU_C_API int vuUI_Del(vuUI *ui, vuForm *form) { return ui ? ui->Del(form) : -1; }
VU_C_API int vuUI_Register(vuUI *ui, vuForm *form) { return ui ? ui->Register(form) : -1; }
VU_C_API int vuUI_View(vuUI *ui, vuForm *form) { return ui ? ui->View(form) : -1; }
VU_C_API int vuUI_EndModal(vuUI *ui, vuForm *form) { return ui ? ui->EndModal(form) : -1; }
VU_C_API int vuUI_Show(vuUI *ui, vuForm *form) { return ui ? ui->Show(form) : -1; }
VU_C_API int vuUI_ShowExt(vuUI *ui, vuForm *form, vuEventCallback callback) { return ui ? ui->Show(form, callback) : -1; }
VU_C_API int vuUI_WaitEndModal(vuUI *ui) { return ui ? ui->WaitEndModal() : -1; }
VU_C_API int vuUI_Refresh(vuUI *ui) { return ui ? ui->Refresh() : -1; }
VU_C_API int vuUI_Deactivate(vuUI *ui) { return ui ? ui->Deactivate() : -1; }
VU_C_API int vuUI_Activate(vuUI *ui) { return ui ? ui->Activate() : -1; }
VU_C_API int vuUI_Stop(vuUI *ui) { return ui ? ui->Stop() : -1; }
VU_C_API int vuUI_Start(vuUI *ui) { return ui ? ui->Start() : -1; }
VU_C_API int vuUI_Flush(vuUI *ui) { return ui ? ui->Flush() : -1; }
VU_C_API int vuUI_ShowBild(vuUI *ui, vuImage *image) { return ui ? ui->ShowBild(image) : -1; }
VU_C_API int vuUI_SetStatusLine(vuUI *ui, vuStatusLine *line) { return ui ? ui->SetStatusLine(line) : -1; }
VU_C_API int vuUI_SetVirtualKeyboard(vuUI *ui, vuVirtualKeyboard *keyboard)
{
    return ui ? ui->SetVirtualKeyboard(keyboard) : -1;
}
VU_C_API int vuUI_SetKeyboard(vuUI *ui, vuKeyCallback callback) { return ui ? ui->SetKeyboard(callback) : -1; }
VU_C_API int vuUI_SetTouchCallBack(vuUI *ui, vuTouchCallback callback) { return ui ? ui->SetTouchCallBack(callback) : -1; }
VU_C_API int vuUI_SetBackgroundImage(vuUI *ui, vuImage *image) { return ui ? ui->SetBackgroundImage(image) : -1; }
VU_C_API int vuUI_EnableStatusLine(vuUI *ui, uint8_t on) { return ui ? ui->EnableStatusLine(on) : -1; }
VU_C_API int vuUI_FreeFont(vuUI *ui, uint16_t slot) { return ui ? ui->FreeFont(slot) : -1; }
VU_C_API int vuUI_SetOption(vuUI *ui, uint16_t bits) { return ui ? ui->SetOption(bits) : -1; }
VU_C_API int vuUI_ClearOption(vuUI *ui, uint16_t bits) { return ui ? ui->ClearOption(bits) : -1; }
VU_C_API int vuUI_SetKeyScheme(vuUI *ui, uint16_t index, const char **strings)
{
    return ui ? ui->SetKeyScheme(index, strings) : -1;
}
VU_C_API int vuUI_SetFileFont(vuUI *ui, uint16_t slot, const char *path) { return ui ? ui->SetFileFont(slot, path) : -1; }
VU_C_API vuUI *vuUI_BlockInput(vuUI *ui, uint8_t on) { return ui ? ui->BlockInput(on) : nullptr; }
