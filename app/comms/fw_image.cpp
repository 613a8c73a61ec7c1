#include "fw_image.h"

#include <unistd.h>

#include "safe_file.h"
#include "settings.h"
#include "str_helpers.h"

const char *fw_image_path()
{
    static char path[256];
    char dir[200];
    data_dir(dir, sizeof dir);
    str_format(path, sizeof path, "%supdate.bin", dir);
    return path;
}

FwImageResult fw_download_image(const char *image_url, const char *file, long size, FwImageDownload &out)
{
    // The image is data, not a program; it replaces an older one only once
    // it is whole.
    SafeFile image(file, SAFE_MODE_FILE);
    if (image.Failed()) {
        image.LogFailure("fw_update");
        unlink(file);
        return FW_IMAGE_CREATE;
    }
    long &written = out.written;
    written = 0;
    out.get = fw_http_get(image_url, out.detail, [&](const char *piece, size_t n) {
        // More than the list promised is not written: the size is wrong.
        if (written + static_cast<long>(n) > size) {
            written += static_cast<long>(n);
            return false;
        }
        if (!image.Write(piece, n))
            return false;
        written += static_cast<long>(n);
        return true;
    });
    FwImageResult result = FW_IMAGE_OK;
    if (out.get != FW_GET_OK && out.get != FW_GET_SINK) {
        result = FW_IMAGE_GET;
    } else if (image.Failed()) {
        image.LogFailure("fw_update");
        result = FW_IMAGE_WRITE;
    } else if (written != size) {
        image.Abandon();
        result = FW_IMAGE_SIZE;
    } else if (!image.Commit()) {
        image.LogFailure("fw_update");
        result = FW_IMAGE_WRITE;
    }
    if (result != FW_IMAGE_OK)
        unlink(file);
    return result;
}
