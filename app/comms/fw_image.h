// The firmware image on the terminal: "update.bin" in the program's data
// folder, written whole from the server or not at all. No screens here.
#ifndef APP_COMMS_FW_IMAGE_H
#define APP_COMMS_FW_IMAGE_H

#include "fw_http.h"

// "./data/update.bin" in the program's data folder.
const char *fw_image_path();

enum FwImageResult {
    FW_IMAGE_OK,
    FW_IMAGE_CREATE, // the file could not be made
    FW_IMAGE_GET,    // the GET failed (its result and details in the download)
    FW_IMAGE_WRITE,  // writing or committing the file failed
    FW_IMAGE_SIZE,   // the server gave another size than promised
};

struct FwImageDownload {
    FwGetResult get = FW_GET_OK;
    FwGet detail;
    long written = 0; // bytes the server gave (more than promised stops it)
};

// Downloads image_url into file, expecting size bytes. On any failure the
// file is removed (an older image with it) and the failure is logged.
FwImageResult fw_download_image(const char *image_url, const char *file, long size, FwImageDownload &out);

#endif
