// TPortLifecycle: where the port is in its life, and the changes asked for while it is between two states.
// A change (open, close, a new ring size, a new port number) runs at once when none is running. One asked
// for while another runs (from OnOpen, OnClose, the last OnDataReceived of a close, or the event loop of a
// message box the open shows) waits in a queue; the queue runs in order once the running change has ended,
// and a later change of the same kind replaces the one waiting, so the last one asked for wins.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>

enum class TPortState { Closed, Opening, Open, Closing };

struct TPortChange {
    enum TKind { OpenOrClose, InSize, OutSize, ComNumber };
    TKind Kind;
    std::int64_t Value; // 1 open, 0 close; a size; a port number
};

class TPortLifecycle {
public:
    using TApply = std::function<void(const TPortChange&)>;
    explicit TPortLifecycle(TApply apply) : apply_(std::move(apply)) {}

    TPortState State() const { return state_; }
    void Enter(TPortState state) { state_ = state; }
    bool Changing() const { return changing_; }

    // Applies the change now, and then the ones it brought about, or queues it behind the running change.
    void Ask(const TPortChange& change);
    // Applies the change and drops every other, also those it brings about (the port is being destroyed:
    // a reopen that OnClose asks for would outlive it).
    void AskLast(const TPortChange& change);

private:
    void Queue(const TPortChange& change);
    void RunQueue();

    TApply apply_;
    TPortState state_ = TPortState::Closed;
    bool changing_ = false; // a change is being applied, with the handlers it raises
    std::deque<TPortChange> waiting_;
};
