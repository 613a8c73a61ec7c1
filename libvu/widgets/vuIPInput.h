// vuIPInput: an IPv4 address field over the pattern "###.###.###.###".
// It keeps the four octets as numbers, edits one octet at a time (digits
// shift in from the right, a value above 255 is refused) and is set and
// read as dotted text.
#ifndef VU_IP_INPUT_H
#define VU_IP_INPUT_H

#include "vuExport.h"
#include "vuPatternInput.h"

class VU_API vuIPInput : public vuPatternInput {
public:
    vuIPInput(short x, short y, unsigned short w, unsigned short h, unsigned short options);
    ~vuIPInput() override;

    _VU_TypeObject GetType() const override;
    void Reset() override;
    int HandleEvent(vuEvent* e) override;
    // The octets as text; cursor on the first octet.
    void initValue() override;
    // Shifts the digit into the current octet; always 0 (nothing to show).
    unsigned char addToValue(unsigned char ch) override;
    void delFromValue() override;

    // Writes the octets into the text buffer, three places each.
    virtual void toString();
    virtual void GetIP(unsigned char* out);
    // "%u.%u.%u.%u" into out; -1 when out is null or too small.
    virtual int GetIPtext(char* out, unsigned short size);
    virtual void SetIP(const unsigned char* in);
    // 0, or -1 when the text is not a dotted address (the field keeps its
    // value then).
    virtual int SetIPtext(const char* text);

protected:
    // Index of the octet the cursor edits.
    unsigned octetIndex() const;

    unsigned char octets[4];
};

#endif
