// vuMultiPanel: a form that holds a main form and any number of panels
// (vuPanel) above it. Every event goes to the panels first; while one of
// them is open the main form sees nothing. The panels are drawn over the
// main form; the multi-panel itself draws nothing.
#ifndef VU_MULTI_PANEL_H
#define VU_MULTI_PANEL_H

#include "vuExport.h"
#include "vuForm.h"

class VU_API vuMultiPanel : public vuForm {
public:
    vuMultiPanel();
    // Deletes the main form, then the panels with the form.
    ~vuMultiPanel() override;

    _VU_TypeObject GetType() const override;
    // With a parent: its whole client area, with no border or header.
    void UpdateCoordinates() override;
    // The main form's reset, then every panel's in list order.
    void Reset() override;
    int IsAnimate() override;
    // The main form, then the panels until one gives a non-zero result.
    int Draw(vuFrameBuffer* fb) override;
    int HandleEvent(vuEvent* e) override;

    // Takes the form (the one held before is deleted; handing over the form
    // already held keeps it).
    virtual void SetMainForm(vuForm* form);

    vuForm* GetMainForm() const { return mainForm; }

protected:
    vuForm* mainForm; // owned
};

#endif
