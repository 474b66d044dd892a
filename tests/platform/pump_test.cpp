// The main-thread queue under the pump: tasks posted from other threads run on the thread that
// lets messages run, in posting order, never earlier; the wake hook hears every post; a task
// posted by a task waits for the next round, and while the queue is held (an operation runs) for
// its end; waitForMessages returns once work has arrived.
#include "platform/pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace riviza::platform {
namespace {

struct ClearedHooks {
  ClearedHooks() { runPostedTasks(); }
  ~ClearedHooks() {
    setWakeHook({});
    setMessagePump({});
    setWaitHook({});
  }
};

TEST(MainThreadQueue, PostedTasksRunInOrderOnTheCallerOnlyWhenMessagesRun) {
  ClearedHooks hooks;
  std::atomic<int> wakes{0};
  setWakeHook([&] { ++wakes; });
  int pumps = 0;
  setMessagePump([&] { ++pumps; });
  std::vector<int> ran;
  std::vector<std::thread::id> threads;
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i)
      postToMainThread([&, i] {
        ran.push_back(i);
        threads.push_back(std::this_thread::get_id());
      });
  });
  worker.join();
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(wakes.load(), 5);
  processMessages();
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4}));
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_EQ(pumps, 1);
}

TEST(MainThreadQueue, ATaskPostedByATaskWaitsAndNestedRoundsKeepTheOrder) {
  ClearedHooks hooks;
  std::vector<std::string> ran;
  postToMainThread([&] {
    ran.push_back("a");
    postToMainThread([&] { ran.push_back("b"); });
  });
  postToMainThread([&] { ran.push_back("c"); });
  EXPECT_EQ(runPostedTasks(), 2u);
  EXPECT_EQ(ran, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(runPostedTasks(), 1u);
  EXPECT_EQ(ran.back(), "b");

  // A handler that lets messages run delivers what waited behind it, once.
  ran.clear();
  postToMainThread([&] {
    ran.push_back("d");
    processMessages();
    ran.push_back("d zu Ende");
  });
  postToMainThread([&] { ran.push_back("e"); });
  EXPECT_EQ(runPostedTasks(), 1u);
  EXPECT_EQ(ran, (std::vector<std::string>{"d", "e", "d zu Ende"}));
  EXPECT_EQ(runPostedTasks(), 0u);

  // One that holds the queue while it lets messages run (an operation) leaves what waited behind
  // it for after its end, which wakes the loop once.
  ran.clear();
  int wakes = 0;
  postToMainThread([&] {
    holdPostedTasks();
    ran.push_back("f");
    processMessages();
    ran.push_back("f zu Ende");
    releasePostedTasks();
  });
  postToMainThread([&] { ran.push_back("g"); });
  setWakeHook([&] { ++wakes; });
  EXPECT_EQ(runPostedTasks(), 2u);
  EXPECT_EQ(ran, (std::vector<std::string>{"f", "f zu Ende", "g"}));
  EXPECT_EQ(wakes, 1);
}

TEST(MainThreadQueue, WaitForMessagesReturnsOnceAWorkerHasPosted) {
  ClearedHooks hooks;
  bool done = false;
  std::thread worker([&] { postToMainThread([&] { done = true; }); });
  while (!done) waitForMessages();
  worker.join();
  int waits = 0;
  setWaitHook([&] {
    ++waits;
    postToMainThread([] {});
  });
  waitForMessages();
  EXPECT_EQ(waits, 1);
}

}  // namespace
}  // namespace riviza::platform
