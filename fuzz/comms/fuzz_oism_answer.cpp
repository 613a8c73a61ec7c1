// Arbitrary bytes as the marking system's answer: the worker's receive reads
// them from a socket pair (the header, then the body of the length it
// names), the receipt is taken from the body by its own length (checked
// against the answer's), and the bytes also stand for a controller reply
// turned into a container.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "ServerAnswer.h"
#include "kfn_state.h"
#include "oism_worker.h"

namespace {

void setUp()
{
    strcpy(kfn_state.fn_number, "9999078900012345");
    kfn_state.ffd_version = 4;
    kfn_state.marking_mode = 0; // the count stays cached: no controller is asked
}

void workerReceive(const uint8_t *data, size_t n)
{
    static uint8_t body[65536];
    uint32_t length = 0;
    if (!ReceiveAnswer(data, n, oism_recv, oism_reply_body_length, body, &length))
        return;
    // The receipt goes to the drive (no controller here: the command fails
    // after it was built) only when its length fits the answer.
    char text[256];
    char message[384];
    oism_write_receipt(nullptr, text, message, sizeof message, body, length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = (setUp(), true);
    (void)ready;
    if (size > 70000)
        return 0;
    workerReceive(data, size);
    char text[256];
    char message[384];
    oism_write_receipt(nullptr, text, message, sizeof message, data, static_cast<uint32_t>(size));
    ReplyAsContainer(data, size);
    return 0;
}
