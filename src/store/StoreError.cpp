#include "store/StoreError.h"

#include "store/Messages.h"

#include <atomic>
#include <mutex>
#include <optional>

namespace tabulo::store {

namespace {
// One lock guards the current and the saved error, so a message never takes
// a saved error half written.
std::mutex s_errorMutex;
StoreError s_lastError;
std::optional<StoreError> s_savedError;
std::atomic<RollbackHook> s_rollbackHook{nullptr};
} // namespace

// The error is shared by every thread, but callers hold on to the returned
// reference; each thread therefore gets its own snapshot, refreshed on every
// call, so a reader never sees the shared value torn by a concurrent writer.
const StoreError &lastError() {
    thread_local StoreError snapshot;
    std::lock_guard lock(s_errorMutex);
    snapshot = s_lastError;
    return snapshot;
}

void setLastError(const StoreError &error) {
    std::lock_guard lock(s_errorMutex);
    s_lastError = error;
}

void setRollbackHook(RollbackHook hook) {
    s_rollbackHook.store(hook);
}

void takeSavedError() {
    {
        std::lock_guard lock(s_errorMutex);
        s_savedError = s_lastError;
    }
    // Outside the lock: the roll-back is a store operation and sets the
    // current error itself.
    if (RollbackHook hook = s_rollbackHook.load())
        hook();
}

std::optional<StoreError> savedError() {
    std::lock_guard lock(s_errorMutex);
    return s_savedError;
}

void clearSavedError() {
    std::lock_guard lock(s_errorMutex);
    s_savedError.reset();
}

StoreError takeErrorForMessage() {
    std::lock_guard lock(s_errorMutex);
    if (!s_savedError)
        return s_lastError;
    StoreError error = std::move(*s_savedError);
    s_savedError.reset();
    return error;
}

} // namespace tabulo::store
