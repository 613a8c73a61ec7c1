#include "vuKeyScheme.h"

#include <new>
#include <stdlib.h>
#include <string.h>

vuKeyScheme* vuKeyScheme::handle = nullptr;

const char* vuKeyScheme::defKeysScheme[vuKeySchemeItem::KEYS] = {
    "0-@_#+=\r", "1QZ.,qz*'\"", "2ABCabc", "3DEFdef", "4GHIghi", "5JKLjkl",
    "6MNOmno",   "7PRSprs",     "8TUVtuv", "9WXYwxy", "*,'\"",    "#+=_",
};

vuKeySchemeItem::vuKeySchemeItem(const char** texts) : keys(new char*[KEYS]) {
    for (int i = 0; i < KEYS; ++i) {
        const char* t = texts ? texts[i] : nullptr;
        keys[i] = t && *t ? strdup(t) : nullptr;
    }
}

vuKeySchemeItem::~vuKeySchemeItem() {
    for (int i = 0; i < KEYS; ++i)
        free(keys[i]);
    delete[] keys;
}

char** vuKeySchemeItem::get() { return keys; }

vuKeyScheme::vuKeyScheme() {
    for (auto& s : slots)
        s = nullptr;
    slots[0] = new vuKeySchemeItem(defKeysScheme);
}

vuKeyScheme::~vuKeyScheme() {
    for (auto& s : slots) {
        delete s;
        s = nullptr;
    }
}

vuKeyScheme* vuKeyScheme::Init() {
    // A second Init must not leak the first instance.
    delete handle;
    handle = new vuKeyScheme;
    return handle;
}

void vuKeyScheme::Done() {
    vuKeyScheme* h = handle;
    handle = nullptr;
    delete h;
}

void vuKeyScheme::setScheme(uint16_t slot, const char** texts) {
    if (slot >= SLOTS || !handle)
        return;
    delete handle->slots[slot];
    handle->slots[slot] = texts ? new vuKeySchemeItem(texts) : nullptr;
}

void vuKeyScheme::setDefaultScheme(uint16_t slot) { setScheme(slot, defKeysScheme); }

const char* vuKeyScheme::keyText(uint16_t slot, unsigned char key) {
    if (key < '0' || key > '9' || slot >= SLOTS || !handle || !handle->slots[slot])
        return nullptr;
    const char* t = handle->slots[slot]->get()[key - '0'];
    return t && *t ? t : nullptr;
}

int vuKeyScheme::getKeySymbol(uint16_t slot, unsigned char key, unsigned char n) {
    const char* t = keyText(slot, key);
    if (!t)
        return 0;
    size_t len = strlen(t);
    return static_cast<unsigned char>(t[n % len]);
}

const char* vuKeyScheme::getKeyScheme(uint16_t slot, unsigned char key) { return keyText(slot, key); }
