// Pictures: the image base class, its drawing contract and the factories.
//
// Images are made only by the factories below and released only with
// vuImage::Destroy, because an image loaded from a file may be shared through
// the UI's image cache (vuResources).
#ifndef VU_IMAGE_H
#define VU_IMAGE_H

#include "vuExport.h"
#include "vuObject.h"

class vuFrameBuffer;
struct vuViewPort;

// The built-in 1-bit icons.
enum _VU_TypeMemIcon {
    VU_MEMICON_CLOSE = 0,        // 18 x 18 frame with a diagonal cross
    VU_MEMICON_RING = 1,         // 18 x 18 frame with a ring
    VU_MEMICON_BATTERY = 2,      // 18 x 12 battery outline
    VU_MEMICON_BATTERY_FILL = 3, // 16 x 12 solid block
    VU_MEMICON_PLUG = 4,         // 9 x 6 plug
    VU_MEMICON_NETWORK = 5,      // 16 x 12 five rising bars
    VU_MEMICON_NO_NETWORK = 6,   // 18 x 12 diagonal cross
    VU_MEMICON_CHECK_OFF = 7,    // 20 x 20 empty square frame
    VU_MEMICON_CHECK_ON = 8,     // 20 x 20 square frame with a tick
    VU_MEMICON_RADIO_OFF = 9,    // 20 x 20 empty circle
    VU_MEMICON_RADIO_ON = 10,    // 20 x 20 circle with a filled centre
    VU_MEMICON_DOT = 11,         // 2 x 2 solid dot
    VU_MEMICON_KB_SH = 12,       // 11 x 10 the letters Sh
    VU_MEMICON_KB_SHIFT = 13,    // 9 x 11 upward arrow over a base line
    VU_MEMICON_KB_BACKSPACE = 14,// 12 x 9 leftward arrow from a bar
    VU_MEMICON_KB_ENTER = 15,    // 10 x 8 return arrow
    VU_MEMICON_KB_WAIT = 16,     // 11 x 11 hourglass in a square
    VU_MEMICON_COUNT = 17
};

// The file extensions the factory knows, lower case.
enum FILE_EXTENSION {
    FILE_EXTENSION_B16 = 0,
    FILE_EXTENSION_BMP,
    FILE_EXTENSION_GIF,
    FILE_EXTENSION_JPG,
    FILE_EXTENSION_PNG,
    FILE_EXTENSION_COUNT
};

class VU_API vuImage : public vuObject {
public:
    virtual ~vuImage();

    const char* GetFileName() const override;
    // Bytes the image occupies: the object, its pixel data as held and its
    // file name; the cache limit counts these.
    int GetSize() const override;
    // 1 when the picture changes with the UI's animation counter.
    virtual int IsAnimate();
    // Pixels of this colour are left out when drawn; formats without
    // a use for it ignore it.
    virtual void SetTransparentColor(unsigned short colour);
    virtual void Reset();
    // Draws the w x h part of the image whose top-left corner is image pixel
    // (srcX, srcY) so that it lands at frame-buffer pixel (x, y), clipped to
    // the port (null: the whole screen), to the image and to the frame buffer.
    virtual int Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                     short x, short y, unsigned short w, unsigned short h) = 0;

    unsigned short GetWidth() const { return width; }
    unsigned short GetHeight() const { return height; }
    // The ink of 1-bit images.
    void SetColor(unsigned short c) { colour = c; }
    unsigned short GetColor() const { return colour; }
    bool HasTransparentColor() const { return (flags & 1) != 0; }
    unsigned short GetTransparentColor() const { return transparentColour; }

    // A picture from a file, by its extension ("b16", "bmp", "gif", "jpg",
    // "png", any case), shared through the UI's cache; or an inline 1-bit
    // icon when the text begins with the byte 0x01. Null when nothing loaded.
    static vuImage* CreateFromFile(const char* path);
    // A picture from bytes: extension "b16", "bmp", "jpg" or "png" (exact
    // case), or null for an inline 1-bit icon record. Never cached.
    static vuImage* CreateFromData(const unsigned char* data, unsigned size, const char* extension);
    // A built-in icon; null for a number above 16.
    static vuImage* CreateMemIcon(_VU_TypeMemIcon id);
    // A 1-bit picture over a copy of the caller's bits (rows of whole bytes,
    // most significant bit leftmost).
    static vuImage* CreateMemDirect(unsigned w, unsigned h, unsigned char* bits);
    // Releases an image unless the cache owns this very object.
    static void Destroy(vuImage* image);
    // Drops the cached image of that file name and deletes the file; the
    // result of unlink (0 or -1), 0 for a null path.
    static int Remove(const char* path);

protected:
    vuImage();
    // Stores a copy of the path the image was loaded from.
    void SetFileName(const char* path);
    // Size of the object and its file name, for GetSize of subclasses.
    int BaseSize(int objectSize) const;

    unsigned short width;
    unsigned short height;
    unsigned short colour;
    unsigned short transparentColour;
    unsigned char flags;
    char* fileName;

private:
    vuImage(const vuImage&) = delete;
    vuImage& operator=(const vuImage&) = delete;
};

// Plain functions over the factories.
VU_C_API vuImage* vuImage_CreateFromFile(const char* path);
VU_C_API vuImage* vuImage_CreateFromData(const unsigned char* data, unsigned size, const char* extension);
VU_C_API vuImage* vuImage_CreateMemIcon(int id);
VU_C_API void vuImage_SetTransparentColor(vuImage* image, unsigned short colour);
VU_C_API int vuImage_Remove(const char* path);

#endif
