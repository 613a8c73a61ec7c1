#include "qr_dialog.h"

#include <qrencode.h>
#include <string.h>

#include <string>
#include <vector>

#include "scoped_dialog.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuStatic.h"

namespace {

const int kMargin = 10;

// The part of the text to encode.
std::string qrPart(const char *text)
{
    std::string s = text ? text : "";
    size_t open = s.find("<QR>");
    if (open == std::string::npos)
        return s;
    s.erase(0, open + 4);
    size_t close = s.find("</QR>");
    if (close != std::string::npos)
        s.erase(close);
    return s;
}

// One bit per pixel, rows of whole bytes, the most significant bit
// leftmost, set for dark modules; each module is scale x scale pixels.
std::vector<unsigned char> picture(const QRcode *code, unsigned scale, unsigned *side)
{
    unsigned w = static_cast<unsigned>(code->width);
    *side = w * scale;
    unsigned stride = (*side + 7) / 8;
    std::vector<unsigned char> bits(static_cast<size_t>(stride) * *side, 0);
    for (unsigned my = 0; my < w; ++my) {
        unsigned char *row = &bits[static_cast<size_t>(my) * scale * stride];
        for (unsigned mx = 0; mx < w; ++mx) {
            if (!(code->data[my * w + mx] & 1))
                continue;
            for (unsigned px = mx * scale; px < (mx + 1) * scale; ++px)
                row[px / 8] |= static_cast<unsigned char>(0x80 >> (px % 8));
        }
        for (unsigned copy = 1; copy < scale; ++copy)
            memcpy(row + static_cast<size_t>(copy) * stride, row, stride);
    }
    return bits;
}

} // namespace

int qr_dialog(vuUI *ui, const char *file, vuEventCallback callback, const char *text)
{
    if (!ui)
        return 0;
    ScopedDialog dialog(ui, file);
    if (!dialog)
        return 0;
    vuStatic *qr = dialog.widget<vuStatic>("qr");
    QRcode *code = nullptr;
    if (qr) {
        std::string part = qrPart(text);
        code = QRcode_encodeString(part.c_str(), 0, QR_ECLEVEL_H, QR_MODE_8, 1);
    }
    int state = 0;
    if (code && code->width > 0) {
        int side = qr->GetWidth() < qr->GetHeight() ? qr->GetWidth() : qr->GetHeight();
        int scale = (side - kMargin) / code->width;
        if (scale >= 1) {
            unsigned pixels = 0;
            std::vector<unsigned char> bits = picture(code, static_cast<unsigned>(scale), &pixels);
            if (vuImage *image = vuImage::CreateMemDirect(pixels, pixels, bits.data())) {
                qr->SetImage(image);
                state = dialog.run(callback);
            }
        }
    }
    dialog.close();
    if (code)
        QRcode_free(code);
    return state;
}
