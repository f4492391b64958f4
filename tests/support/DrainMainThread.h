#pragma once
// Lets everything handed to the main thread run until nothing more comes, so that a test can then
// assert that nothing more happened (a second notification, a late answer, a request that must
// not go out) without waiting for time.
//
//     ASSERT_TRUE(recorder.waitFor(kFinished));
//     dw::test::drainMainThread([&] { queue.waitUntilAllOperationsAreFinished(); });
//     EXPECT_EQ(recorder.count(kFinished), 1);
//
// Each round waits for the workers (`waitForWorkers`, typically the operation queues the test
// uses, then the background work of dw::runInBackground) and then delivers everything posted to
// the main thread before the round's end; the drain ends after a round, the waits included, in
// which no work but its own marker reached the main thread. Timers that wait for time are not
// waited for. Work that keeps posting for ever fails the test after many rounds instead of
// hanging it.

#include <functional>

namespace dw::test {

void drainMainThread(const std::function<void()>& waitForWorkers = {});

} // namespace dw::test
