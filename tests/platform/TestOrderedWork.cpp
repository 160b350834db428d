#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "platform/OrderedWork.h"

namespace {

struct Job {
    int number = 0;
    int finishedAs = -1; // the how-manieth job to be finished
};

// The first job is held back until the second is done, so the order of handing back cannot come from the
// order of finishing; the jobs left in hand at the end are dropped with the work.
TEST(OrderedWorkTest, TheFirstJobFinishedLastStillComesFirst) {
    std::atomic<int> finished = 0;
    std::atomic<bool> secondDone = false;
    OrderedWork<Job> work(2, 2, [&](Job& job) {
        if (job.number == 0) {
            for (int wait = 0; wait < 10000 && !secondDone; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        job.finishedAs = finished++;
        if (job.number == 1)
            secondDone = true;
    });
    work.give({0});
    work.give({1});
    const Job first = work.takeOldest();
    const Job second = work.takeOldest();
    EXPECT_EQ(first.number, 0);
    EXPECT_EQ(first.finishedAs, 1);
    EXPECT_EQ(second.number, 1);
    EXPECT_EQ(second.finishedAs, 0);
    EXPECT_TRUE(work.empty());
    work.give({2});
    work.give({3});
}

} // namespace
