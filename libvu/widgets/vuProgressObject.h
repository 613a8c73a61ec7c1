// vuProgressObject: a level indicator on the status line (battery, network
// signal). At every drawing it asks its user function for the level word:
// the low byte is the level in percent, VU_LEVEL_WARNING shows the warning
// image and VU_LEVEL_ADDITION the addition image. The bar is the level
// image revealed from its left edge (or a filled rectangle without one) in
// whole steps; the mask image lies over it, then the warning and addition
// images, then the text.
#ifndef VU_PROGRESS_OBJECT_H
#define VU_PROGRESS_OBJECT_H

#include <stdint.h>

#include "vuExport.h"
#include "vuStatusObject.h"

enum {
    VU_LEVEL_MASK = 0x00FF,
    VU_LEVEL_WARNING = 0x1000,
    VU_LEVEL_ADDITION = 0x2000
};

// The user function of an indicator. It runs in the UI thread inside the
// drawing and gets the indicator's own address (a vuProgressObject*), so it
// may change the indicator's text, colours or images before returning the
// level word. It must not call the UI singleton's commands.
typedef unsigned short (*vuLevelFunc)(intptr_t indicator);

class VU_API vuProgressObject : public vuStatusObject {
public:
    vuProgressObject(short x, short y, unsigned short w, unsigned short h, vuLevelFunc func);
    // Releases the four images and frees the text.
    ~vuProgressObject() override;

    _VU_TypeObject GetType() const override;
    int IsAnimate() override;
    // Without a user function nothing is drawn (0). -4 without a frame
    // buffer, -13 for an empty font slot when there is a text.
    int DrawObject(vuFrameBuffer* fb, vuViewPort* port) override;
    // Each takes the image and releases the one held in that role.
    virtual void SetImage(vuImage* image);
    virtual void SetMaskImage(vuImage* image);
    virtual void SetWarningImage(vuImage* image);
    virtual void SetAdditionImage(vuImage* image);
    virtual void SetAddColors(unsigned short mask, unsigned short warning, unsigned short addition);
    virtual void SetMaskColor(unsigned short colour);
    virtual void SetWarnColor(unsigned short colour);
    virtual void SetAddColor(unsigned short colour);
    virtual void SetTextColor(unsigned short colour);
    // The bar grows in multiples of the step; 0 is ignored.
    virtual void SetStep(unsigned short step);
    // Replaces the text by a copy (null: no text).
    virtual void SetText(const char* text);
    // Null stops the calls (and the drawing).
    virtual void SetUserFunc(vuLevelFunc func);

    vuImage* GetLevelImage() const { return levelImage; }
    vuImage* GetMaskImage() const { return maskImage; }
    vuImage* GetWarningImage() const { return warningImage; }
    vuImage* GetAdditionImage() const { return additionImage; }
    const char* GetText() const { return text; }
    unsigned short GetStep() const { return step; }
    unsigned short GetMaskColor() const { return maskColor; }
    unsigned short GetWarnColor() const { return warnColor; }
    unsigned short GetAddColor() const { return addColor; }
    unsigned short GetTextColor() const { return textColor; }

protected:
    vuImage* levelImage;
    vuImage* maskImage;
    vuImage* warningImage;
    vuImage* additionImage;
    char* text;
    unsigned short maskColor;
    unsigned short warnColor;
    unsigned short addColor;
    unsigned short textColor;
    vuLevelFunc userFunc;
    unsigned short step;
};

#endif
