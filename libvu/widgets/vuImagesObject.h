// vuImagesObject: a set of images on the status line of which one, the
// current, is shown (placed by the justify bits, 1-bit images in the front
// colour).
#ifndef VU_IMAGES_OBJECT_H
#define VU_IMAGES_OBJECT_H

#include "vuExport.h"
#include "vuStatusObject.h"

class vuChain;

class VU_API vuImagesObject : public vuStatusObject {
public:
    vuImagesObject(short x, short y, unsigned short w, unsigned short h);
    // Releases every image of the set.
    ~vuImagesObject() override;

    _VU_TypeObject GetType() const override;
    int IsAnimate() override;
    // -4 without a frame buffer or without an image at the current number;
    // otherwise the image's drawing result.
    int DrawObject(vuFrameBuffer* fb, vuViewPort* port) override;
    // Appends the image (the set owns it): its position, -2 for null.
    virtual int Add(vuImage* image);
    // Image n, counting from 0; not checked here (drawing reports -4).
    virtual void SetCurrent(unsigned short n);

    unsigned short GetCurrent() const { return current; }
    unsigned int GetImageCount() const;

private:
    unsigned short current;
    vuChain* images; // owned
};

#endif
