// Multi-tap key schemes: for each digit key, the characters that repeated
// presses step through in the entry widgets. 16 slots; slot 0 holds the
// default scheme until the application installs its own.
#ifndef VU_KEY_SCHEME_H
#define VU_KEY_SCHEME_H

#include <stdint.h>

#include "vuExport.h"

// One scheme: 12 owned texts (keys 0 to 9, star, hash), each possibly null.
class VU_API vuKeySchemeItem {
public:
    enum { KEYS = 12 };

    // Copies entries 0 to 11 of the list; a null or empty text (or a null
    // list) gives a null entry.
    explicit vuKeySchemeItem(const char** texts);
    virtual ~vuKeySchemeItem();

    char** get();

    vuKeySchemeItem(const vuKeySchemeItem&) = delete;
    vuKeySchemeItem& operator=(const vuKeySchemeItem&) = delete;

private:
    char** keys;
};

class VU_API vuKeyScheme {
public:
    enum { SLOTS = 16 };

    static vuKeyScheme* handle;           // the one instance, null until Init
    static const char* defKeysScheme[vuKeySchemeItem::KEYS];

    // Slot 0 = the default scheme, every other slot empty.
    vuKeyScheme();
    virtual ~vuKeyScheme();

    // Creates the instance (replacing one that exists) and returns it.
    static vuKeyScheme* Init();
    // Deletes the instance; lookups give 0/null afterwards.
    static void Done();

    // Replaces the slot's scheme by a copy of the 12 texts; a null list
    // leaves the slot empty. Ignored for a slot above 15 or without Init.
    static void setScheme(uint16_t slot, const char** texts);
    // Replaces the slot's scheme by a copy of the default one.
    static void setDefaultScheme(uint16_t slot);
    // The n-th character (as an unsigned byte) of the text of digit key
    // '0'..'9', counted modulo the text's length; 0 for another key, a bad or
    // empty slot, or a null/empty text.
    static int getKeySymbol(uint16_t slot, unsigned char key, unsigned char n);
    // The whole text of digit key '0'..'9'; null in the same cases.
    static const char* getKeyScheme(uint16_t slot, unsigned char key);

    vuKeyScheme(const vuKeyScheme&) = delete;
    vuKeyScheme& operator=(const vuKeyScheme&) = delete;

private:
    static const char* keyText(uint16_t slot, unsigned char key);

    vuKeySchemeItem* slots[SLOTS];
};

#endif
