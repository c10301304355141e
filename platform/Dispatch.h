#pragma once

#include <functional>

class QObject;

// The main queue is the GUI thread's event loop; global queues are a bounded
// thread pool. Every call is asynchronous and never waits for the block.
namespace Dispatch {

// Runs the block on the main thread, after the events already queued.
void mainAsync(std::function<void()> block);
// Runs the block on the main thread after the delay; callable from any thread.
void mainAfter(int milliseconds, std::function<void()> block);
// As mainAfter, but the block is dropped when the context object is destroyed first.
void mainAfter(int milliseconds, QObject *context, std::function<void()> block);
// Runs the block on the bounded worker pool.
void globalAsync(std::function<void()> block);

bool isMainThread();

} // namespace Dispatch
