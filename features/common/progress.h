// The hook long commands report through as they go.
#pragma once

#include <cstddef>
#include <string>

// How far a long command has come. The walk calls it on its own thread, between files.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void begin(std::size_t /*total*/) {}
    // `done` items are finished; `current` is the item now started (empty at the end).
    virtual void advance(std::size_t /*done*/, const std::string& /*current*/) {}
    virtual void end() {}
    // Whether the person asked to stop: a walk stops between files, keeping what it did.
    virtual bool cancelled() const { return false; }
};

// For callers that show no progress.
inline Progress& noProgress()
{
    static Progress none;
    return none;
}
