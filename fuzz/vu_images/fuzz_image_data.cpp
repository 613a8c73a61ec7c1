// Pictures from bytes: one target per kind (IMAGE_KIND is the extension
// given to CreateFromData, or empty for an inline 1-bit icon record). A
// picture that loads is drawn through a few windows and ports, partly off
// the frame buffer, so every decoder and pixel writer sees the input.
#include <stdint.h>
#include <string.h>

#include "MemScreen.h"
#include "vuImage.h"

namespace {

void DrawAround(vuImage* img)
{
    static MemScreen fb(64, 48);
    const unsigned short w = img->GetWidth(), h = img->GetHeight();
    // Whole-picture decodes of huge interlaced pictures take too long for
    // fuzzing; the row-by-row paths are the same for small ones.
    if ((uint64_t)w * h > (1u << 20))
        return;
    vuViewPort whole = {0, 0, 64, 48, 0, 0};
    vuViewPort huge = {-300, -300, 3000, 3000, 5, -7};
    img->Draw(&fb, &whole, 0, 0, 0, 0, w, h);
    img->Draw(&fb, &huge, (unsigned short)(w / 3), (unsigned short)(h / 2), -10, 40, w, h);
    img->Draw(&fb, nullptr, 0, 0, 0, 0, w, h);
    img->SetTransparentColor(0);
    img->Draw(&fb, &whole, 1, 1, 60, -2, 30, 30);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* kind = IMAGE_KIND;
    vuImage* img = vuImage::CreateFromData(data, (unsigned)size, *kind ? kind : nullptr);
    if (img) {
        img->SetColor(0xFFFF);
        DrawAround(img);
        vuImage::Destroy(img);
    }
    return 0;
}
