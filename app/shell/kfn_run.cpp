#include "kfn_run.h"

#include "ServiceCommand.h"
#include "TMCommand.h"
#include "error_box.h"
#include "kfn_state.h"
#include "print_runner.h"

namespace {

uint32_t wait(int timeout_ms) { return static_cast<uint32_t>(timeout_ms < 0 ? 0 : timeout_ms); }

} // namespace

KfnLock::KfnLock() { pthread_mutex_lock(&kfn_mutex); }

KfnLock::~KfnLock() { pthread_mutex_unlock(&kfn_mutex); }

bool kfn_run(vuUI *ui, TMCommand &cmd, int built, int timeout_ms)
{
    if (built <= 0) {
        build_failed_box(ui);
        return false;
    }
    return kfn_exec(ui, &cmd, timeout_ms) == 0;
}

int kfn_run_print(vuUI *ui, TMCommand &cmd, int built, uint16_t cancellable)
{
    if (built <= 0) {
        build_failed_box(ui);
        return -1;
    }
    return kfn_exec_print(ui, &cmd, cancellable);
}

int kfn_exchange_locked(TMCommand &cmd, int timeout_ms)
{
    KfnLock lock;
    return ServiceExecute(cmd, wait(timeout_ms));
}

int kfn_exchange_unlocked(TMCommand &cmd, int timeout_ms) { return ServiceExecute(cmd, wait(timeout_ms)); }

bool kfn_query_locked(TMCommand &cmd, int built, int timeout_ms)
{
    return built > 0 && kfn_exchange_locked(cmd, timeout_ms) == 0 && cmd.ErrorCode() == 0;
}

bool kfn_query_unlocked(TMCommand &cmd, int built, int timeout_ms)
{
    return built > 0 && kfn_exchange_unlocked(cmd, timeout_ms) == 0 && cmd.ErrorCode() == 0;
}
