// The run's replay: the recorder's and the player's state and the shell's calls into them.
#include "replay/session.h"

#include <algorithm>

#include "computer/computer_players.h"
#include "diag/diag.h"

namespace {

enum class Role { Recording, Loaded, Playing };

struct Session {
    Role role = Role::Recording;
    bool recording = false;
    bool holdAtEnd = false;
    bool thenRecord = false;
    bool fastForward = false;
    std::uint32_t steps = 0;
    std::size_t next = 0;  // playback: the next event to deliver
    ReplayRecord replay;
    std::string refusal;  // playback stopped: why
};

Session State;

bool IsActivation(const InputEvent& input) {
    return input.kind == InputEvent::Activate || input.kind == InputEvent::ActivateApp;
}

// The viewer's keys during windowed playback: Esc leaves, Space toggles fast-forward.
void PlayerKey(const InputEvent& input) {
    if (input.kind != InputEvent::KeyDown || input.repeat) return;
    if (input.value == VK_ESCAPE) PostInput(InputEvent::CloseRequest());
    if (input.value == VK_SPACE) {
        State.fastForward = !State.fastForward;
        DiagTrace(DIAG_DEBUG, "replay", __LINE__, "PlayerKey", "Fast-forward %s at frame step %u",
                  State.fastForward ? "on" : "off", static_cast<unsigned>(State.steps));
    }
}

// Playback that ends in recording switches, keeping the input delivered so far.
void SwitchToRecording(const char* how) {
    State.replay.events.resize(State.next);
    State.role = Role::Recording;
    State.recording = true;
    State.thenRecord = false;
    DiagTrace(DIAG_DEBUG, "replay", __LINE__, "SwitchToRecording", "%s at frame step %u", how,
              static_cast<unsigned>(State.steps));
}

// Playback that ends in recording switches once every event is delivered and every step has run.
void ContinueRecordingIfDone() {
    if (State.role != Role::Playing || !State.thenRecord) return;
    if (State.next < State.replay.events.size() || State.steps < State.replay.steps) return;
    SwitchToRecording("Caught up");
}

// Playback before the recording's end.
bool PlayingToTheEnd() { return State.role == Role::Playing && !ReplayFinished(); }

// The next event to deliver is a computer's key of the frame step under way.
bool NextIsComputerKey() {
    const auto& events = State.replay.events;
    return State.next < events.size() && events[State.next].kind == ReplayEvent::Computer &&
           events[State.next].step == State.steps;
}

// A catch-up: the recording's computer keys of this step, passed over, against those worked out.
void PassRecordedComputerKeys(const ComputerKeys& keys) {
    int matched = 0;
    bool same = true;
    for (; NextIsComputerKey(); ++State.next, ++matched)
        same = same && matched < keys.count &&
               static_cast<std::uint32_t>(keys.keys[matched]) == State.replay.events[State.next].value;
    if (!same || matched != keys.count)
        DiagTrace(DIAG_ERROR, "replay", __LINE__, "ReplayComputerKeys",
                  "The computer players pressed other keys at frame step %u than the recording holds",
                  static_cast<unsigned>(State.steps));
}

void Refuse(const char* why) {
    State.refusal = "the replay stops at frame step " + std::to_string(State.steps) + ": " + why;
    DiagTrace(DIAG_ERROR, "replay", __LINE__, "ReplayComputerKeys", "%s", State.refusal.c_str());
    PostInput(InputEvent::CloseRequest());
}

}  // namespace

void ReplayLoad(const ReplayRecord& replay, bool holdAtEnd, bool thenRecord) {
    State = Session{};
    State.role = Role::Loaded;
    State.holdAtEnd = holdAtEnd && !thenRecord;
    State.thenRecord = thenRecord;
    State.replay = replay;
}

void ReplayRecordFromHere() {
    if (State.role == Role::Playing && State.thenRecord) SwitchToRecording("Playback stopped");
}

std::uint32_t ReplayStart(std::uint32_t seed) {
    State.steps = 0;
    State.next = 0;
    State.fastForward = false;
    if (State.role != Role::Recording) {
        State.role = Role::Playing;
        const ReplayRecord& r = State.replay;
        SetGravityOption(r.landscapeGravity);
        SetWindOption(r.wind);
        SeatControllers = r.controllers;
        TheStartChoice = r.choice;
        ContinueRecordingIfDone();
        return r.seed;
    }
    State.recording = true;
    State.replay = ReplayRecord{};
    State.replay.seed = seed;
    State.replay.landscapeGravity = LandscapeGravityOption;
    State.replay.wind = WindOption;
    State.replay.controllers = SeatControllers;
    State.replay.choice = TheStartChoice;
    return seed;
}

bool ReplayPlaying() { return State.role == Role::Playing; }
bool ReplayRecording() { return State.recording && State.role == Role::Recording; }

bool ReplayTakeInput(const InputEvent& input) {
    if (State.role != Role::Playing) return true;
    if (input.IsKey()) {
        if (State.holdAtEnd) PlayerKey(input);
        return false;
    }
    return !IsActivation(input);
}

void ReplayRecordInput(const InputEvent& input) {
    ReplayEvent event;
    if (State.recording && ReplayEventFor(input, State.steps, &event)) State.replay.events.push_back(event);
}

bool ReplayRecordRemark(ReplayEvent::Kind kind, int machine, const std::string& text) {
    // A remark heard while a network game's run so far plays back is kept after it, to be recorded
    // on from there.
    auto& events = State.replay.events;
    const bool catchingUp = State.role != Role::Recording && State.thenRecord;
    if (!catchingUp && !ReplayRecording()) return false;
    const std::uint32_t step =
        catchingUp && !events.empty() ? std::max(State.steps, events.back().step) : State.steps;
    events.push_back({step, kind, static_cast<std::uint32_t>(machine), text});
    return true;
}

void ReplayFrameStepRun() {
    ++State.steps;
    ContinueRecordingIfDone();
    if (State.role == Role::Playing && State.steps == State.replay.steps)
        DiagTrace(DIAG_DEBUG, "replay", __LINE__, "ReplayFrameStepRun",
                  "The replay has reached its end, frame step %u", static_cast<unsigned>(State.steps));
}
std::uint32_t ReplayFrameSteps() { return State.steps; }

void ReplayComputerKeys(InputSink sink) {
    const bool playing = PlayingToTheEnd() && State.refusal.empty();
    if (playing && !State.thenRecord && State.replay.format == REPLAY_FORMAT_VERSION) {
        for (; NextIsComputerKey(); ++State.next) sink(ReplayEventInput(State.replay.events[State.next]));
        return;
    }
    const ComputerKeys keys = ComputerPlayersFrame();
    if (playing && !State.thenRecord && keys.count > 0) {
        Refuse(OLD_COMPUTERS_REFUSAL);
        return;
    }
    if (playing) PassRecordedComputerKeys(keys);
    for (int i = 0; i < keys.count; ++i) sink(InputEvent::Computer(keys.keys[i]));
}

const std::string& ReplayRefusal() { return State.refusal; }

bool ReplayDeliverDue(InputSink sink) {
    if (State.role != Role::Playing || !State.refusal.empty()) return false;
    const auto& events = State.replay.events;
    bool delivered = false;
    while (State.next < events.size() && events[State.next].step <= State.steps) {
        const ReplayEvent& event = events[State.next];
        // A computer's key waits for its frame step; one whose step ran without the computers (the
        // game inactive) is dropped.
        if (event.kind == ReplayEvent::Computer) {
            if (event.step == State.steps) break;
            ++State.next;
            continue;
        }
        if (event.kind == ReplayEvent::Close && State.holdAtEnd) break;
        ++State.next;
        if (ReplayEventIsRemark(event)) continue;
        sink(ReplayEventInput(event));
        delivered = true;
        if (event.kind == ReplayEvent::Close) break;
    }
    ContinueRecordingIfDone();
    return delivered;
}

bool ReplayFinished() {
    if (State.role != Role::Playing) return false;
    const auto& events = State.replay.events;
    const bool closeLeft =
        State.holdAtEnd && State.next < events.size() && events[State.next].kind == ReplayEvent::Close;
    return (State.next >= events.size() || closeLeft) && State.steps >= State.replay.steps;
}

bool ReplayHolding() { return (State.holdAtEnd && ReplayFinished()) || !State.refusal.empty(); }
bool ReplayFastForward() { return State.role == Role::Playing && (State.fastForward || State.thenRecord); }

const ReplayRecord& ReplayRecorded() {
    State.replay.steps = State.steps;
    return State.replay;
}

void ReplayResetForTests() { State = Session{}; }
