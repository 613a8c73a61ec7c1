// The screen kit's controller side: the scoped controller lock and the named
// ways a screen runs a controller command.
//
// kfn_mutex (kfn_state.h) serialises whole controller exchanges. The full
// runner, kfn_exec, takes it itself, shows the wait box, stores the reply's
// statuses and shows failures. Beside it screens make plain exchanges: some
// under the lock, some straight through the service without it (the
// information screens' follow-up queries and a few others have always asked
// so). The names below say which, so that each call site shows its choice.
#ifndef APP_SHELL_KFN_RUN_H
#define APP_SHELL_KFN_RUN_H

#include <stdint.h>

class TMCommand;
class vuUI;

// Holds kfn_mutex for its scope.
class KfnLock {
public:
    KfnLock();
    ~KfnLock();
    KfnLock(const KfnLock &) = delete;
    KfnLock &operator=(const KfnLock &) = delete;
};

// Runs a built command through kfn_exec and shows its failure. built is the
// builder's result: at or below 0 the command was not built, which shows
// build_failed_box and returns false. Else true when kfn_exec returned 0
// (its boxes told about anything else).
bool kfn_run(vuUI *ui, TMCommand &cmd, int built, int timeout_ms = 5000);
// The same for a command that makes the controller print: built <= 0 shows
// build_failed_box and returns -1; else kfn_exec_print's result
// (print_runner.h).
int kfn_run_print(vuUI *ui, TMCommand &cmd, int built, uint16_t cancellable);

// One exchange, nothing shown, the cached statuses left alone: the service
// result (0 when a reply came; the drive's own error is cmd.ErrorCode()).
int kfn_exchange_locked(TMCommand &cmd, int timeout_ms);
int kfn_exchange_unlocked(TMCommand &cmd, int timeout_ms);

// A quiet query: true when the command was built (built > 0), the exchange
// went through and the drive did it.
bool kfn_query_locked(TMCommand &cmd, int built, int timeout_ms);
bool kfn_query_unlocked(TMCommand &cmd, int built, int timeout_ms);

#endif
