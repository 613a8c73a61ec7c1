// Definitions of the plain functions listed in vuFlatTable.h.
#include "vuFlat.h"

#include <new>

// Objects made here come from the library's ordinary allocator; a failed
// allocation gives a null object instead of an exception crossing C code.
#define VU_FLAT_ALLOC new (std::nothrow)

#define VU_FLAT_DEFINE_NEW(name, result, params, construction)                                                  \
    extern "C" VU_API result name params                                                                        \
    {                                                                                                           \
        return construction;                                                                                    \
    }

#define VU_FLAT_DEFINE_OP(name, result, dflt, guard, params, call)                                              \
    extern "C" VU_API result name params                                                                        \
    {                                                                                                           \
        if (!o || !(guard))                                                                                     \
            return static_cast<result>(dflt);                                                                   \
        return static_cast<result>(call);                                                                       \
    }

VU_FLAT_FUNCTIONS(VU_FLAT_DEFINE_NEW, VU_FLAT_DEFINE_OP)
