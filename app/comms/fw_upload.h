// The image's upload to the controller over the monitor channel: into the
// monitor (mode 1: the command 0x93 first; 2: it is there already), out of
// it into the update mode, then YMODEM (1024-byte blocks) and the closing
// block. No screens here: each step is told to the caller's listener, and
// the first failure ends the upload with its reason.
#ifndef APP_COMMS_FW_UPLOAD_H
#define APP_COMMS_FW_UPLOAD_H

#include <stdint.h>

// The steps reached, in their order.
enum FwUploadStep {
    FW_STEP_IN_MONITOR,   // the controller went into its monitor
    FW_STEP_NO_PROMPT,    // ... and gave no prompt (the upload goes on)
    FW_STEP_UPDATE_MODE,  // asked into its update mode
    FW_STEP_CONFIRMED,    // it confirmed the update mode
    FW_STEP_HEADER_SENT,  // it took the header block
    FW_STEP_BLOCKS_SENT,  // it took every data block (number: how many)
    FW_STEP_CLOSING,      // it took the end of transmission
    FW_STEP_UPDATED,      // it took the closing block
};

enum FwUploadResult {
    FW_UPLOAD_OK,
    FW_UPLOAD_ENTER_FAILED,     // the command into the monitor failed
    FW_UPLOAD_STAYED_IN_MONITOR,
    FW_UPLOAD_NOT_CONFIRMED,    // no update mode
    FW_UPLOAD_NO_IMAGE,         // the image file could not be opened
    FW_UPLOAD_BAD_NAME,         // the name does not fit the header block
    FW_UPLOAD_HEADER_NAK,
    FW_UPLOAD_HEADER_NO_ANSWER,
    FW_UPLOAD_BLOCK_NAK,        // (block: its number)
    FW_UPLOAD_BLOCK_NO_ANSWER,  // (block: its number)
    FW_UPLOAD_EOT_NAK,
    FW_UPLOAD_EOT_NO_ANSWER,
    FW_UPLOAD_CLOSING_FAILED,
};

struct FwUploadFailure {
    int command = 0;    // FW_UPLOAD_ENTER_FAILED: the command's result
    int error = 0;      // ... and the controller's error code
    unsigned block = 0; // the data block's number (from 1)
};

class FwUploadListener {
public:
    virtual ~FwUploadListener() = default;
    virtual void step(FwUploadStep step, unsigned number) = 0;
    // After each data block the controller took.
    virtual void progress(unsigned sent, unsigned total) = 0;
    // What the controller says after the update, a text at a time (CP1251).
    virtual void controller_text(const char *text) = 0;
};

// Uploads the image at path, named name in the header block, of size
// bytes.
FwUploadResult fw_upload(const char *path, const char *name, long size, int mode, FwUploadListener &listener,
                         FwUploadFailure *failure);

#endif
