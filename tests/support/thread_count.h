// Threads of this process, to see a reader start and a join end it.
#pragma once

// The threads there are now (Linux: /proc/self/task; Windows: a toolhelp
// snapshot); -1 when they cannot be listed.
int countThreads();
// Waits up to two seconds until there are count threads: a joined thread
// leaves the list a moment after the join returns.
bool threadsSettleAt(int count);
// Starts and joins one thread, and waits until it has left the list, so that
// a runtime's own first thread (ThreadSanitizer's) is there before a count.
void startFirstThread();
