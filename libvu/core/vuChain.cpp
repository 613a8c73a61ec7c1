#include "vuChain.h"

#include <new>
#include <string.h>

#include "vuObject.h"

vuChain::vuChain() : head(nullptr), count(0) {}

vuChain::~vuChain() { Clear(); }

vuChain::Node* vuChain::findNode(vuObject* obj, Node** prev) const {
    Node* before = nullptr;
    for (Node* n = head; n; before = n, n = n->next) {
        if (n->obj == obj) {
            if (prev)
                *prev = before;
            return n;
        }
    }
    return nullptr;
}

int vuChain::holdsAt(vuObject* obj) const {
    int pos = 0;
    for (Node* n = head; n; n = n->next, ++pos)
        if (n->obj == obj)
            return pos;
    return -1;
}

vuObject* vuChain::GetFirst() const { return head ? head->obj : nullptr; }

vuObject* vuChain::GetNext(vuObject* obj) const {
    Node* n = findNode(obj, nullptr);
    return n && n->next ? n->next->obj : nullptr;
}

int vuChain::GetNumOf(vuObject* obj) const {
    int pos = holdsAt(obj);
    return pos < 0 ? 0xFFFF : pos;
}

vuObject* vuChain::GetByNum(uint16_t n) const {
    if (n >= count)
        return nullptr;
    Node* node = head;
    while (n-- && node)
        node = node->next;
    return node ? node->obj : nullptr;
}

vuObject* vuChain::GetByName(const char* name) const {
    if (!name)
        return nullptr;
    for (Node* n = head; n; n = n->next) {
        if (!n->obj)
            continue;
        const char* own = n->obj->GetName();
        if (own && strcmp(own, name) == 0)
            return n->obj;
    }
    return nullptr;
}

int vuChain::Add(vuObject* obj) {
    // A second node for the same object would delete it twice later.
    if (obj) {
        int pos = holdsAt(obj);
        if (pos >= 0)
            return pos;
    }
    Node* node = new (std::nothrow) Node{obj, nullptr};
    if (!node)
        return -2;
    int pos = 0;
    if (!head) {
        head = node;
    } else {
        Node* last = head;
        ++pos;
        while (last->next) {
            last = last->next;
            ++pos;
        }
        last->next = node;
    }
    ++count;
    return pos;
}

int vuChain::Insert(vuObject* obj) {
    if (obj) {
        int pos = holdsAt(obj);
        if (pos >= 0)
            return pos;
    }
    Node* node = new (std::nothrow) Node{obj, head};
    if (!node)
        return -2;
    head = node;
    ++count;
    return 0;
}

int vuChain::Del(vuObject* obj) {
    Node* prev = nullptr;
    Node* n = findNode(obj, &prev);
    if (!n)
        return -1;
    (prev ? prev->next : head) = n->next;
    --count;
    delete n;
    delete obj;
    return 0;
}

int vuChain::Unlink(vuObject* obj) {
    Node* prev = nullptr;
    Node* n = findNode(obj, &prev);
    if (!n)
        return -1;
    (prev ? prev->next : head) = n->next;
    --count;
    delete n;
    return 0;
}

void vuChain::Clear() {
    while (head) {
        Node* n = head;
        head = n->next;
        --count;
        delete n->obj;
        delete n;
    }
    count = 0;
}

unsigned int vuChain::GetCount() const { return count; }

int vuChain::GetSize() const {
    int size = 8;
    for (Node* n = head; n; n = n->next)
        size += (n->obj ? n->obj->GetSize() : 0) + 8;
    return size;
}
