#pragma once

#include <atomic>

struct sqlite3_vfs;

namespace tabulo::test {

// A SQLite VFS over the real one that makes one chosen write or sync fail,
// as a full disk or a failing device would, so a test can stop a change at
// every step of its commit. Registered as the default VFS for as long as it
// lives, so the store's connections use it without knowing: it must be made
// before the store opens its files, and those files closed before it ends.
// Every file goes through it (tables, journals, the super-journal); the
// calls are counted on every thread, an import's writers included.
class FailingVfs final {
public:
    enum class Call { Write, Sync };

    FailingVfs();
    ~FailingVfs();
    FailingVfs(const FailingVfs &) = delete;
    FailingVfs &operator=(const FailingVfs &) = delete;

    // From now on, the `nth` call (1 = the next one) of this kind fails with
    // `error` (SQLITE_IOERR_WRITE, SQLITE_IOERR_FSYNC, SQLITE_FULL ...); the
    // calls before and after it pass through.
    void arm(Call call, int nth, int error);
    // No call fails any more.
    void disarm();
    // Whether the armed call was reached and failed.
    bool fired() const { return m_fired.load(); }
    // The calls of the armed kind counted since arm().
    int counted() const { return m_count.load(); }

    // -- for the VFS's functions --
    static FailingVfs *current();
    // The error the next call of this kind returns, or 0 to let it through.
    int failureFor(Call call);
    sqlite3_vfs *real() const { return m_real; }

private:
    sqlite3_vfs *m_real = nullptr;
    std::atomic<bool> m_armed{false};
    std::atomic<int> m_call{0};
    std::atomic<int> m_nth{0};
    std::atomic<int> m_error{0};
    std::atomic<int> m_count{0};
    std::atomic<bool> m_fired{false};
};

} // namespace tabulo::test
