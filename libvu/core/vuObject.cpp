#include "vuObject.h"

vuObject::~vuObject() = default;

const char* vuObject::GetName() const { return nullptr; }

const char* vuObject::GetFileName() const { return nullptr; }

int vuObject::GetSize() const { return 4; }
