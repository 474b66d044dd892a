// "Let pending messages run": the one hook through which long work keeps the window alive, and
// the main-thread queue through which other threads hand work to the main thread (platform
// layer).
//
// The platform layer cannot know the user interface; the program installs the real pump (Qt's
// event processing) at start. Headless, and in tests, the pump does nothing unless a test
// installs one to count calls or to act between steps.
//
// Worker threads (the download component's) never call into the forms: they post a task, and
// the main thread runs it the next time messages run. processMessages always drains the queue
// first, so every loop that lets messages run (a rebuild, an extraction, riviza-batch, a test)
// delivers posted work without knowing about it. A loop that owns the thread and has nothing to
// do waits with waitForMessages. An event loop that must wake up by itself (Qt's) installs a
// wake hook: it is called from the posting thread after each post and must only schedule a call
// of runPostedTasks on the main thread, never run it.
//
// While the main thread is inside an operation (ui/operation.h) the posted work is held: it stays
// queued, in order, and runs once the operation has ended, so a finished download never starts its
// handler in the middle of another one. A loop that waits for posted work must not run held.
#pragma once

#include <cstddef>
#include <functional>

namespace riviza::platform {

// Runs the posted tasks, then the installed pump once. Main thread only.
void processMessages();
// Installs the pump; an empty function restores the headless no-op.
void setMessagePump(std::function<void()> pump);

// Queues a task for the main thread; callable from any thread. Tasks run in posting order.
void postToMainThread(std::function<void()> task);
// Runs the tasks queued when it was called (a task that posts again waits for the next call),
// each outside the queue's lock, so a task may let messages run itself; none while they are held.
// Main thread only. Returns how many ran.
size_t runPostedTasks();
// Holds the posted tasks (holds nest) and lets them go again. When the last hold ends and tasks
// wait, the wake hook is called once, so an event loop comes back for them. Main thread only.
void holdPostedTasks();
void releasePostedTasks();
// Called after every post, on the posting thread; empty: none.
void setWakeHook(std::function<void()> wake);

// Blocks the main thread until a task has been posted (at once when one waits), then lets
// messages run. With a wait hook installed (an event loop's "wait for more events"), that hook
// does the waiting instead.
void waitForMessages();
void setWaitHook(std::function<void()> wait);

}  // namespace riviza::platform
