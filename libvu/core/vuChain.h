// Singly linked list of objects; it owns what it holds: Del, Clear and the
// destructor delete the objects, Unlink only drops the node.
#ifndef VU_CHAIN_H
#define VU_CHAIN_H

#include <stdint.h>

#include "vuExport.h"

class vuObject;

class VU_API vuChain {
public:
    vuChain();
    ~vuChain();  // Clear()

    vuChain(const vuChain&) = delete;
    vuChain& operator=(const vuChain&) = delete;

    // Positions count from 0 at the head.
    vuObject* GetFirst() const;
    // The object after the first node holding obj; null when obj is last or
    // not held.
    vuObject* GetNext(vuObject* obj) const;
    // Position of obj, 0xFFFF when not held.
    int GetNumOf(vuObject* obj) const;
    // Object at position n, null when n >= count.
    vuObject* GetByNum(uint16_t n) const;
    // First object from the head whose name equals name; null for a null name.
    vuObject* GetByName(const char* name) const;
    // Appends obj; returns its position, -2 when no node could be allocated.
    // An object already held gets no second node: its position is returned.
    int Add(vuObject* obj);
    // Puts obj at the head; returns 0, -2 when no node could be allocated.
    // An object already held stays where it is and its position is returned.
    int Insert(vuObject* obj);
    // Removes obj's node and deletes obj; 0, or -1 when not held.
    int Del(vuObject* obj);
    // Removes obj's node, obj stays alive; 0, or -1 when not held.
    int Unlink(vuObject* obj);
    // Deletes every object and node.
    void Clear();
    unsigned int GetCount() const;
    // 8 plus, per node, the object's GetSize() + 8.
    int GetSize() const;

private:
    struct Node {
        vuObject* obj;
        Node* next;
    };
    Node* findNode(vuObject* obj, Node** prev) const;
    int holdsAt(vuObject* obj) const;

    Node* head;
    uint16_t count;
};

#endif
