// vuPanel: a form lying against one edge of the screen that slides in and
// out. Hidden, only a five-pixel strip of it shows at the edge; a touch in
// the 21-pixel band along that edge, its open or hide key, or Open() and
// Hide() move it one step per event poll, accelerating and braking.
//
// The edge comes from the option bits 0x300 (left, right, top, bottom). The
// panel's position along its axis is its correction on that axis; its place
// along the edge (the constructor's y for the left and right edges, x for the
// top and bottom ones) is kept in the correction of the other axis, so the
// body and the children are drawn and hit-tested at the same place.
#ifndef VU_PANEL_H
#define VU_PANEL_H

#include "vuExport.h"
#include "vuForm.h"

// Edge of a panel (options & VU_PANEL_EDGE_MASK).
enum {
    VU_PANEL_LEFT = 0x000,
    VU_PANEL_RIGHT = 0x100,
    VU_PANEL_TOP = 0x200,
    VU_PANEL_BOTTOM = 0x300,
    VU_PANEL_EDGE_MASK = 0x300
};

enum {
    VU_PANEL_STRIP = 5,  // pixels a hidden panel shows
    VU_PANEL_BAND = 20   // a touch within 0..20 pixels of the edge moves it
};

class VU_API vuPanel : public vuForm {
public:
    // A form of w x h with exactly these options (the form's default options
    // are replaced); no pending request, no keys.
    vuPanel(short x, short y, unsigned short w, unsigned short h, unsigned short options);
    ~vuPanel() override;

    _VU_TypeObject GetType() const override;
    // The coordinate across the edge's axis becomes 0; the client area
    // follows the form's rule over the panel's own size.
    void UpdateCoordinates() override;
    // At rest at the hidden position, the target the open position.
    void Reset() override;
    // The form's drawing without recomputing the coordinates; a hidden panel
    // shows its body, border and header only (result 0).
    int Draw(vuFrameBuffer* fb) override;
    // Requests, keys and edge-band touches start a slide; each call moves
    // one step. Hidden, the panel's widgets see nothing.
    int HandleEvent(vuEvent* e) override;

    // 1 exactly at the hidden (open) position; both 0 while sliding.
    virtual int IsHide();
    virtual int IsOpen();
    // Requests acted on by the next HandleEvent.
    virtual void Hide();
    virtual void Open();
    // Keys that hide and open the panel (0 none); one key for both toggles.
    virtual void SetCommandCode(unsigned char hide, unsigned char open);
    // One step of the slide towards the target: 0 at rest, else 2.
    virtual int CorrectMotion(short target, short& pos, short& speed, unsigned short& count);

    // Read access for tests and the flat interface.
    short GetPosition() const;
    short GetHiddenPosition();
    short GetOpenPosition();
    short GetSpeed() const { return speed; }
    short GetTarget() const { return target; }

protected:
    unsigned edge() const { return options & VU_PANEL_EDGE_MASK; }
    bool horizontal() const { return edge() == VU_PANEL_LEFT || edge() == VU_PANEL_RIGHT; }
    // The parent's client size across the panel's axis (the UI's client area
    // while the panel has no parent).
    int parentSpan();
    void setPosition(short pos);
    short& position();
    // Starts a slide to the hidden (open) position.
    void startHide();
    void startOpen();
    bool inBand(short px, short py);

    unsigned char command;   // 0 none, 1 hide, 2 open
    unsigned char hideCode;
    unsigned char openCode;
    short speed;
    unsigned short stepCount;
    short target;
    short along;             // place along the edge (constructor's y or x)
};

#endif
