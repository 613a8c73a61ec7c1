// View objects for the object-model tests: they report their destruction so
// that ownership (who deletes what, and how often) can be checked.
#ifndef VU_OBJECTS_PROBE_H
#define VU_OBJECTS_PROBE_H

#include <string>
#include <vector>

#include "vuViewContainerObject.h"
#include "vuViewObject.h"

struct DeathLog {
    std::vector<std::string> dead;
    int count(const std::string& who) const {
        int n = 0;
        for (const auto& d : dead)
            n += d == who;
        return n;
    }
};

class Probe : public vuViewObject {
public:
    Probe(DeathLog* log, const char* tag, short x = 0, short y = 0, unsigned short w = 10, unsigned short h = 10)
        : vuViewObject(x, y, w, h), log_(log), tag_(tag) {}
    ~Probe() override {
        if (log_)
            log_->dead.push_back(tag_);
    }
    _VU_TypeObject GetType() const override { return VU_TYPE_WIDGET; }

private:
    DeathLog* log_;
    std::string tag_;
};

// A container whose client area and correction the test chooses.
class Box : public vuViewContainerObject {
public:
    Box(short x, short y, unsigned short w, unsigned short h, DeathLog* log = nullptr, const char* tag = "box")
        : vuViewContainerObject(x, y, w, h), log_(log), tag_(tag) {}
    ~Box() override {
        if (log_)
            log_->dead.push_back(tag_);
    }
    _VU_TypeObject GetType() const override { return VU_TYPE_FORM; }
    void SetClient(short cx, short cy, unsigned short cw, unsigned short ch) {
        clientX = cx;
        clientY = cy;
        clientWidth = cw;
        clientHeight = ch;
    }

private:
    DeathLog* log_;
    std::string tag_;
};

#endif
