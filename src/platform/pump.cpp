// The pump hook and the main-thread queue (platform layer); see pump.h.
#include "platform/pump.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace riviza::platform {
namespace {

struct Hooks {
  std::function<void()> pump;
  std::function<void()> wait;
};

Hooks& hooks() {
  static Hooks h;
  return h;
}

// Posting happens on worker threads, so the queue and the wake hook sit behind one lock; the
// wake hook is copied out and called after the lock is released.
struct Queue {
  std::mutex lock;
  std::condition_variable posted;
  std::deque<std::function<void()>> tasks;
  std::function<void()> wake;
  int holds = 0;  // main thread only
};

Queue& queue() {
  static Queue q;
  return q;
}

}  // namespace

void processMessages() {
  runPostedTasks();
  if (auto& p = hooks().pump) p();
}

void setMessagePump(std::function<void()> pump) { hooks().pump = std::move(pump); }

void postToMainThread(std::function<void()> task) {
  Queue& q = queue();
  std::function<void()> wake;
  {
    std::lock_guard guard(q.lock);
    q.tasks.push_back(std::move(task));
    wake = q.wake;
  }
  q.posted.notify_all();
  if (wake) wake();
}

size_t runPostedTasks() {
  Queue& q = queue();
  if (q.holds > 0) return 0;
  size_t waiting;
  {
    std::lock_guard guard(q.lock);
    waiting = q.tasks.size();
  }
  size_t ran = 0;
  for (; ran < waiting; ++ran) {
    std::function<void()> task;
    {
      std::lock_guard guard(q.lock);
      // A nested call may have run some of them already, or a task began an operation.
      if (q.tasks.empty() || q.holds > 0) break;
      task = std::move(q.tasks.front());
      q.tasks.pop_front();
    }
    task();
  }
  return ran;
}

void holdPostedTasks() { ++queue().holds; }

void releasePostedTasks() {
  Queue& q = queue();
  if (q.holds == 0 || --q.holds > 0) return;
  std::function<void()> wake;
  {
    std::lock_guard guard(q.lock);
    if (!q.tasks.empty()) wake = q.wake;
  }
  if (wake) wake();
}

void setWakeHook(std::function<void()> wake) {
  Queue& q = queue();
  std::lock_guard guard(q.lock);
  q.wake = std::move(wake);
}

void waitForMessages() {
  Queue& q = queue();
  bool empty;
  {
    std::lock_guard guard(q.lock);
    empty = q.tasks.empty();
  }
  if (empty) {
    if (auto& w = hooks().wait) {
      w();
    } else {
      std::unique_lock guard(q.lock);
      q.posted.wait(guard, [&q] { return !q.tasks.empty(); });
    }
  }
  processMessages();
}

void setWaitHook(std::function<void()> wait) { hooks().wait = std::move(wait); }

}  // namespace riviza::platform
