#include "classlib/base/synchronizequeue.h"
#include "classlib/base/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Reads in Execute a field that only the derived constructor sets, after the base part was built.
class TFieldThread : public TThread {
public:
    explicit TFieldThread(int value) : value_(value) {}
    std::atomic<int> seen{0};

protected:
    void Execute() override { seen = value_; }

private:
    int value_;
};

class TLoopThread : public TThread {
public:
    std::atomic<int> rounds{0};

protected:
    void Execute() override
    {
        while (!Terminated())
            rounds++;
    }
};

// Hands `count` routines to the GUI thread; records where they ran and that each returned only after running.
class THandOffThread : public TThread {
public:
    explicit THandOffThread(int count) : count_(count) {}
    std::vector<std::thread::id> ranOn;
    std::atomic<int> returned{0};
    int ranBeforeReturn = 0;

protected:
    void Execute() override
    {
        for (int i = 0; i < count_; i++) {
            bool ran = false;
            Synchronize([&] {
                ran = true;
                ranOn.push_back(std::this_thread::get_id());
            });
            ranBeforeReturn += ran ? 1 : 0;
            returned++;
        }
    }

private:
    int count_;
};

class TSleeperThread : public TThread {
protected:
    void Execute() override { SleepUnlessTerminated(std::chrono::hours(1)); }
};

class TThrowingThread : public TThread {
public:
    std::atomic<bool> caught{false};

protected:
    void Execute() override
    {
        try {
            Synchronize([] { throw std::runtime_error("from the GUI thread"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
        throw std::logic_error("escapes the body");
    }
};

} // namespace

TEST(Thread, BodySeesFieldsOfTheDerivedConstructorAndIsNotFreedWhenItEnds)
{
    auto thread = TThread::Create<TFieldThread>(42);
    thread->WaitFor();
    EXPECT_TRUE(thread->Finished());
    EXPECT_EQ(thread->seen, 42);
    EXPECT_FALSE(thread->FatalException());
}

TEST(Thread, TerminateEndsAPollingBody)
{
    auto thread = TThread::Create<TLoopThread>();
    EXPECT_FALSE(thread->Terminated());
    thread->Terminate();
    EXPECT_TRUE(thread->Terminated());
    thread->WaitFor();
    EXPECT_TRUE(thread->Finished());
}

TEST(Thread, TerminateWakesASleepingBody)
{
    auto thread = TThread::Create<TSleeperThread>();
    thread->Terminate();
    thread->WaitFor();
    EXPECT_TRUE(thread->Finished());
}

TEST(Thread, WaitForOnTheGuiThreadRunsHandOffsSoTheWorkerCanEnd)
{
    ASSERT_TRUE(TSynchronizeQueue::Instance().OnMainThread());
    auto thread = TThread::Create<THandOffThread>(50);
    thread->WaitFor();
    ASSERT_EQ(thread->ranOn.size(), 50u);
    for (auto id : thread->ranOn)
        EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_EQ(thread->ranBeforeReturn, 50);
}

TEST(Thread, SynchronizeBlocksTheWorkerUntilCheckSynchronizeRunsIt)
{
    auto thread = TThread::Create<THandOffThread>(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(thread->returned, 0);
    while (!CheckSynchronize())
        std::this_thread::yield();
    thread->WaitFor();
    EXPECT_EQ(thread->returned, 1);
    EXPECT_EQ(thread->ranBeforeReturn, 1);
}

TEST(Thread, SynchronizeOnTheGuiThreadRunsAtOnce)
{
    bool ran = false;
    TSynchronizeQueue::Instance().Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(Thread, ExceptionsReachTheWorkerAndTheOwner)
{
    auto thread = TThread::Create<TThrowingThread>();
    thread->WaitFor();
    EXPECT_TRUE(thread->caught);
    EXPECT_THROW(std::rethrow_exception(thread->FatalException()), std::logic_error);
}

TEST(Thread, WaitForFromAnotherWorkerAndSeveralWorkersHandingOffAtOnce)
{
    std::vector<TThreadPtr<THandOffThread>> workers;
    for (int i = 0; i < 4; i++)
        workers.push_back(TThread::Create<THandOffThread>(100));
    std::atomic<bool> waited{false};
    std::thread other([&] {
        workers[0]->WaitFor();
        waited = true;
    });
    for (auto& worker : workers)
        worker->WaitFor();
    other.join();
    EXPECT_TRUE(waited);
    for (auto& worker : workers)
        EXPECT_EQ(worker->ranBeforeReturn, 100);
}

TEST(Thread, DestroyingARunningThreadStopsAndJoinsIt)
{
    auto thread = TThread::Create<TSleeperThread>();
    thread.reset();
    SUCCEED();
}
