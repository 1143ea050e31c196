#include "store/WriterThread.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace tabulo::store;

// What is handed over runs on the writer's one thread, never the caller's,
// in the order handed; run() returns once its job and every one before it
// has run, with its job's result.
TEST(WriterThread, RunsWhatItIsHandedInOrderOnItsOwnThread)
{
    WriterThread writer;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    for (int i = 0; i < 50; ++i) {
        writer.post([&, i] {
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
        });
    }
    const StoreError e = writer.run([&] {
        order.push_back(50);
        StoreError failure;
        failure.code = Code::Locked;
        return failure;
    });
    EXPECT_EQ(e.code, Code::Locked);
    ASSERT_EQ(order.size(), 51u);
    for (int i = 0; i <= 50; ++i)
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    for (const std::thread::id id : threads) {
        EXPECT_NE(id, std::this_thread::get_id());
        EXPECT_EQ(id, threads.front());
    }
    EXPECT_FALSE(writer.isCurrent());
}

// A job may itself run more on the writer (a store call made on the
// writer's thread that goes through it again): it runs at once rather than
// waiting for itself.
TEST(WriterThread, RunFromItsOwnThreadRunsAtOnce)
{
    WriterThread writer;
    bool inner = false;
    bool current = false;
    const StoreError e = writer.run([&] {
        current = writer.isCurrent();
        return writer.run([&] {
            inner = true;
            return StoreError();
        });
    });
    EXPECT_TRUE(e.ok());
    EXPECT_TRUE(inner);
    EXPECT_TRUE(current);
    writer.wait();
}
