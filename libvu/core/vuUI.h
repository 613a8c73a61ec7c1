// The toolkit singleton: owns the screen, the input devices, the background,
// the status line, the on-screen keyboard and the block form, and runs every
// form modally.
//
// Two modes, chosen at Init:
//  - thread mode (default): a UI thread of its own builds the singleton, owns
//    the devices and runs the idle and modal loops; calls from the thread that
//    called Init that touch the screen become commands (a block inside the
//    object, announced on a private System V message queue);
//  - caller-thread mode (VU_UI_CALLER_THREAD): everything runs in the caller's
//    thread; Show runs the modal loop itself and returns its result.
//
// Results: 0 or a small negative code, also kept in vuUI::err (see
// GetLastError). Pointers that travel through the command block and the
// callbacks are carried as intptr_t.
#ifndef VU_UI_H
#define VU_UI_H

#include <pthread.h>
#include <stdint.h>

#include <atomic>

#include "vuEvent.h"
#include "vuExport.h"

class vuForm;
class vuFrameBuffer;
class vuImage;
class vuResources;
class vuStatusLine;
class vuVirtualKeyboard;

// Option bits of the singleton (Init, SetOption, ClearOption, GetOption).
enum {
    VU_UI_PAINT_BACKGROUND = 0x0002, // paint the empty screen when idle starts
    VU_UI_BLOCK_INPUT = 0x0004,      // forms and callbacks get empty events
    VU_UI_BLOCK_KB_TOGGLE = 0x0008,  // the block-keyboard mask toggles blocking
    VU_UI_IMAGE_CACHE = 0x4000,      // create the image cache
    VU_UI_CALLER_THREAD = 0x8000     // no UI thread: work in the caller's thread
};

// Status codes (returned and kept in vuUI::err).
enum {
    VU_OK = 0,
    VU_ERR_ARG = -1,        // null argument, empty font slot, refused command
    VU_ERR_NO_FB = -4,      // no frame buffer
    VU_ERR_SEND = -6,       // the command could not be posted
    VU_ERR_FB_DEVICE = -11, // frame-buffer device failed
    VU_ERR_QUEUE = -12,     // the private message queue could not be created
    VU_ERR_NO_TOUCH = -14,  // no touch panel
    VU_ERR_CACHE = -15,     // the image cache could not be created
    VU_ERR_NO_SCREEN = -16  // no screen memory
};

// Command codes: word 0 of the command block.
enum vuUICommand {
    VU_CMD_DONE = 1,
    VU_CMD_SHOW = 2,
    VU_CMD_END_MODAL = 3,
    VU_CMD_SET_STATUS_LINE = 4,
    VU_CMD_SET_VIRTUAL_KEYBOARD = 5,
    VU_CMD_SET_KEYBOARD = 6,
    VU_CMD_SET_BACKGROUND_IMAGE = 7,
    VU_CMD_SET_FILE_FONT_EX = 8,
    VU_CMD_FREE_FONT = 9,
    VU_CMD_SET_OPTION = 10,
    VU_CMD_CLEAR_OPTION = 11,
    VU_CMD_DEACTIVATE = 12,
    VU_CMD_STOP = 13,
    VU_CMD_START = 14,
    VU_CMD_SHOW_BILD = 15,
    VU_CMD_REFRESH = 16,
    VU_CMD_ENABLE_STATUS_LINE = 17,
    VU_CMD_VIEW = 18,
    VU_CMD_FLUSH = 19,
    VU_CMD_ACTIVATE = 20,
    VU_CMD_TEST = 21,
    VU_CMD_SET_TOUCH_CALLBACK = 22,
    VU_CMD_SET_BLOCK_KB_CALLBACK = 23
};

// Event callback of Show: the event and the shown form (its address). Results:
// -1, 1, 10 and 100 or more end the modal loop with that state, 2 redraws,
// anything else is ignored. Runs in the UI thread.
typedef int (*vuEventCallback)(vuEvent *event, intptr_t form);
// Key callback: kind bits 0x01 key from the keypad, 0x02 pending char,
// 0x10 a key came or the key mask changed.
typedef void (*vuKeyCallback)(uint8_t kind, uint8_t key, uint32_t mask);
// Called after every touch poll of either loop.
typedef void (*vuTouchCallback)(vuEvent *event);
// Called on every toggle of keyboard blocking, and with 0 when a modal loop
// ends blocked.
typedef void (*vuBlockKbCallback)(int blocked);

// One message on the private queue: type 1 announces a command, type 2 is a
// reply. The body carries the reply's result and the number of the command it
// answers, so a late reply is never taken for another command's answer.
struct vuUIMessage {
    long mtype;
    int32_t result;
    uint32_t seq;
};

enum { VU_UI_COMMAND_WORDS = 12 };

class VU_API vuUI {
public:
    // ---- start and stop -------------------------------------------------
    // Returns the singleton (existing one when already started), or null when
    // the UI thread could not be started. A singleton whose hardware failed is
    // still returned; GetLastError tells.
    static vuUI *Init(uint16_t options);
    static vuUI *InitExt(uint16_t options, int cacheLimit);
    // Stops the toolkit: destroys the singleton with everything attached to it
    // (in the UI thread in thread mode, which then ends and is joined).
    static void Done();

    vuUI(uint16_t options, int cacheLimit);
    ~vuUI();

    // ---- commands (posted to the UI thread in thread mode) ---------------
    int Show(vuForm *form, vuEventCallback callback = nullptr);
    int EndModal(vuForm *form);
    int WaitEndModal();
    int SetStatusLine(vuStatusLine *line);
    int SetVirtualKeyboard(vuVirtualKeyboard *keyboard);
    int SetKeyboard(vuKeyCallback callback);
    int SetBackgroundImage(vuImage *image);
    int SetFileFontEx(uint16_t slot, const char *path, int width, int height, int hPitch, int vPitch);
    int SetFileFont(uint16_t slot, const char *path);
    int FreeFont(uint16_t slot);
    int SetOption(uint16_t bits);
    int ClearOption(uint16_t bits);
    int Deactivate();
    int Stop();
    int Start();
    int ShowBild(vuImage *image);
    int Refresh();
    int EnableStatusLine(uint8_t on);
    int View(vuForm *form);
    int Flush();
    int Activate();
    int Test();
    int SetTouchCallBack(vuTouchCallback callback);
    int SetBlockKbCallBack(vuBlockKbCallback callback);

    // ---- calls carried out in the caller's thread in either mode ---------
    int Add(vuForm *form);
    int Del(vuForm *form);
    int Register(vuForm *form);
    int SetBlockForm(vuForm *form);
    int SetKeyScheme(uint16_t index, const char **strings);
    int SetBlockKbMask(uint32_t mask);
    vuUI *BlockInput(uint8_t on);
    static uint8_t SetChar(uint8_t c);

    // ---- getters: 0 or null without a singleton (or frame buffer) --------
    static vuUI *GetUI();
    static int GetLastError();
    static int IsModal();
    static uint16_t GetOption();
    static uint16_t GetAnimationCount();
    static vuStatusLine *GetStatusLine();
    static vuVirtualKeyboard *GetVirtualKeyboard();
    static vuResources *GetResources();
    static uint16_t GetWidth();
    static uint16_t GetHeight();
    static uint16_t GetClientWidth();
    static uint16_t GetClientHeight();
    static uint16_t GetFontWidth(uint16_t slot);
    static uint16_t GetFontHeight(uint16_t slot);
    static vuFrameBuffer *getFB();

    static void GetVersion(char *buf, unsigned size);
    static void GetBuildInfo(uint16_t *major, uint16_t *minor, uint16_t *release, uint16_t *build);

    // ---- engine (the UI thread, the loops, input and painting) -----------
    static void Thread(uint16_t options);
    int backLoop(vuUIMessage &msg);
    int controlLoop(vuForm *form, vuEventCallback callback);
    int getTouchState(vuEvent *event, vuEvent *previous, unsigned long *downTick, int *downX, int *downY);
    uint8_t getKeyCode();
    int draw(vuForm *form, int blocked);
    int drawStatusLine();
    // One animation step of the modal form: where the form can, only its
    // animated children are redrawn and copied (whole false); otherwise
    // the whole screen as draw does it (whole true).
    int drawAnimation(vuForm *form, int blocked, bool &whole);

    // Opens and closes the screen, keypad and touch panel (defined with the
    // device drivers). initHardware writes the logical screen size and
    // returns err.
    int initHardware(int &w, int &h);
    void doneHardware();

    static vuUI *handle;
    static pthread_t threadId;
    static pthread_t hostId;
    static std::atomic<int> err;

    // ---- fields -----------------------------------------------------------
    // Command block: word 0 the code, words 1.. its arguments, the last word
    // the command's sequence number; word 2 carries Test's result back.
    std::atomic<intptr_t> command[VU_UI_COMMAND_WORDS];
    std::atomic<vuForm *> modalForm;
    vuForm *blockForm;
    std::atomic<uint16_t> options;
    std::atomic<int> queueId;
    uint32_t statusTick;
    uint32_t keyMask; // the key mask of the last key poll (see getKeyCode)
    std::atomic<uint32_t> blockKbMask;
    vuFrameBuffer *fb;
    vuImage *background;
    vuImage *picture;
    vuResources *resources;
    vuStatusLine *statusLine;
    vuVirtualKeyboard *virtualKeyboard;
    std::atomic<uint8_t> pendingChar;
    std::atomic<uint16_t> animationCount;
    vuKeyCallback keyCallback;
    vuTouchCallback touchCallback;
    vuBlockKbCallback blockKbCallback;

private:
    // A command copied out of the block by the UI thread.
    struct Command {
        int code;
        intptr_t args[7]; // args[1..6] are block words 1..6
        uint32_t seq;
    };

    static bool callerMode();
    // The UI thread's main loop: idle, take a command, carry it out, reply.
    void serve();
    // Posts a command: drains stale replies (unless told not to), writes the
    // block, announces it and waits until the UI thread took it; with wait,
    // also for its reply, whose result is returned.
    int post(int code, intptr_t a1 = 0, intptr_t a2 = 0, intptr_t a3 = 0, intptr_t a4 = 0,
             intptr_t a5 = 0, intptr_t a6 = 0, bool drain = true, bool wait = true);
    // Waits for the reply to the command numbered seq, dropping late ones.
    int receiveReply(uint32_t seq);
    void reply(uint32_t seq, int result);
    // Receives one announcement (waiting or not) and copies the command out
    // of the block, then lets the poster go. False when none came.
    bool takeCommand(Command &cmd, bool wait, bool idle);
    // Copies the announced command out of the block and lets the poster go.
    // Taken while idle, a Show makes its form modal at once; taken by a busy
    // thread (paused, or in a modal loop) it is refused and its form's state
    // becomes -1.
    void copyCommand(Command &cmd, bool idle);
    // Carries out a command that works the same way in both modes.
    int execute(const Command &cmd);
    // The pause after Deactivate or Stop; returns the command that ended it.
    Command pause(const Command &cmd);
    int showHere(vuForm *form, vuEventCallback callback);
    int test();
    void destroyPicture();
    // The UI loops' idle pause: sleeps up to ms, but a command announced
    // meanwhile (thread mode) or input waiting on the keypad or the touch
    // panel ends it at once (true then). Under the platform's virtual clock
    // a plain OsSleep, never cut short.
    bool idleSleep(uint32_t ms);
    // Called by the UI thread at the start of a pass, before it looks at the
    // queue: announcements from here on cut the next pause short.
    static void clearCommandWake();
    // The frame buffer's client area, recomputed only when the status line
    // changed, so that reading it from another thread never meets a write.
    void updateClient();
    // What the client area depends on: the status line's presence, place,
    // visibility and height.
    unsigned clientKeyNow() const;
    // An animation step of the modal loop (drawAnimation); when only the
    // animated parts were drawn, the status line's band too where the
    // whole redraw would have changed it (an animated line, or its
    // periodic redraw due).
    void animationStep(vuForm *form, int blocked);
    // Paints the background (colour and centred picture) over rows
    // [y, y + rows) of the screen.
    void paintBackground(int y, int rows);
    int drawCentred(vuImage *image);
    // The screen rows the form's body fill covers from the left edge to the
    // right one (top and count; 0 rows when it covers none).
    void filledRows(vuForm *form, int &top, int &rows);

    std::atomic<bool> stopRequested;  // Done without a queue: ends the idle loop
    std::atomic<uint32_t> nextSeq;    // number of the next posted command
    std::atomic<uint32_t> showSeq;    // number of the running Show
    std::atomic<uint32_t> repliedSeq; // the last command answered
    bool deferredDone;                // Done taken by a modal loop, carried out after it
    // What the client area was last computed from.
    vuStatusLine *clientLine;
    unsigned clientKey;
};

// ---- flat interface (the singleton pointer first) --------------------------
VU_C_API vuUI *vuUI_Init(uint16_t options);
VU_C_API vuUI *vuUI_InitExt(uint16_t options, int cacheLimit);
VU_C_API void vuUI_Done(vuUI *ui);
VU_C_API int vuUI_GetLastError(void);
VU_C_API void vuUI_GetVersion(char *buf, unsigned size);
VU_C_API void vuUI_GetBuildInfo(uint16_t *major, uint16_t *minor, uint16_t *release, uint16_t *build);
VU_C_API vuUI *vuUI_GetUI(void);
VU_C_API vuStatusLine *vuUI_GetStatusLine(void);
VU_C_API int vuUI_IsModal(void);
VU_C_API uint16_t vuUI_GetWidth(void);
VU_C_API uint16_t vuUI_GetHeight(void);
VU_C_API uint16_t vuUI_GetClientWidth(void);
VU_C_API uint16_t vuUI_GetClientHeight(void);
VU_C_API uint16_t vuUI_GetOption(void);
VU_C_API int vuUI_Add(vuUI *ui, vuForm *form);
VU_C_API int vuUI_Del(vuUI *ui, vuForm *form);
VU_C_API int vuUI_Register(vuUI *ui, vuForm *form);
VU_C_API int vuUI_View(vuUI *ui, vuForm *form);
VU_C_API int vuUI_EndModal(vuUI *ui, vuForm *form);
VU_C_API int vuUI_Show(vuUI *ui, vuForm *form);
VU_C_API int vuUI_ShowExt(vuUI *ui, vuForm *form, vuEventCallback callback);
VU_C_API int vuUI_WaitEndModal(vuUI *ui);
VU_C_API int vuUI_Refresh(vuUI *ui);
VU_C_API int vuUI_Deactivate(vuUI *ui);
VU_C_API int vuUI_Activate(vuUI *ui);
VU_C_API int vuUI_Stop(vuUI *ui);
VU_C_API int vuUI_Start(vuUI *ui);
VU_C_API int vuUI_Flush(vuUI *ui);
VU_C_API int vuUI_ShowBild(vuUI *ui, vuImage *image);
VU_C_API int vuUI_SetStatusLine(vuUI *ui, vuStatusLine *line);
VU_C_API int vuUI_SetVirtualKeyboard(vuUI *ui, vuVirtualKeyboard *keyboard);
VU_C_API int vuUI_SetKeyboard(vuUI *ui, vuKeyCallback callback);
VU_C_API int vuUI_SetTouchCallBack(vuUI *ui, vuTouchCallback callback);
VU_C_API int vuUI_SetBackgroundImage(vuUI *ui, vuImage *image);
VU_C_API int vuUI_EnableStatusLine(vuUI *ui, uint8_t on);
VU_C_API int vuUI_FreeFont(vuUI *ui, uint16_t slot);
VU_C_API int vuUI_SetOption(vuUI *ui, uint16_t bits);
VU_C_API int vuUI_ClearOption(vuUI *ui, uint16_t bits);
VU_C_API int vuUI_SetKeyScheme(vuUI *ui, uint16_t index, const char **strings);
VU_C_API int vuUI_SetFileFont(vuUI *ui, uint16_t slot, const char *path);
VU_C_API vuUI *vuUI_BlockInput(vuUI *ui, uint8_t on);
// Start routine of the UI thread: vuUI::Thread with the low 16 bits of arg.
VU_C_API void *vuUI_ThreadStart(void *arg);

#endif
