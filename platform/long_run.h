#pragma once
// Long runs: the hourglass while a command works, and letting paint and timer events run
// between items without taking user input (no command can start inside another).

// The wait cursor for the life of the object; nests.
class [[nodiscard]] WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Runs the pending paint, timer and posted events; keyboard and mouse input waits.
void ProcessPendingMessages();
// How many ProcessPendingMessages calls are running (nested): a command is still at work
// while it is above the level the command started at.
int PendingMessagesDepth();
