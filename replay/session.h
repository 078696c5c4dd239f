// The run's replay: recording the game as it is played, or playing a loaded replay back into it.
//
// The shell calls in at these points and cannot tell a replay from a person:
//   - ReplayStart, from start-up where the seed is chosen: a loaded replay sets its options and
//     seat controllers and gives its seed; otherwise recording starts with start-up's seed;
//   - ReplayTakeInput, for the input from outside the game (the window's): playback swallows the
//     real keyboard and activation (its own Esc and Space keys work the player);
//   - ReplayRecordInput, for every piece of input that reaches the game, from wherever it came:
//     recording keeps the ones a replay needs;
//   - ReplayComputerKeys in each frame step, where the computer players press their keys: playing
//     back, they come from the replay and the computers do not think;
//   - ReplayFrameStepRun after each frame step, and ReplayDeliverDue whenever the message queue is
//     empty: it hands the game the recorded input stamped with the steps run so far, as it reached
//     the game before the next step (a computer's key waits for the step's ReplayComputerKeys).
// Everything here lives for the process: recording survives shutdown so the caller can save it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/input.h"
#include "replay/replay.h"

// Playback of this replay in the next run, instead of recording. With holdAtEnd (the windowed
// player) no frame step runs past the recording's last and its closing message is not delivered,
// so the last picture stays until the viewer leaves; without (the headless runner) the game goes
// on after the recording's end as its driver asks.
//
// With thenRecord (a machine joining a network game, taking the game so far) playback runs as fast
// as it goes and, at the recording's end, turns into recording that carries on from it.
void ReplayLoad(const ReplayRecord& replay, bool holdAtEnd, bool thenRecord = false);

// Playback that was to turn into recording at its end (thenRecord) turns into it now instead: the
// input delivered so far is the recording, which carries on from this step. Does nothing otherwise.
void ReplayRecordFromHere();

std::uint32_t ReplayStart(std::uint32_t seed);
bool ReplayPlaying();
// Input reaching the game is being kept (recording started, and not playing back).
bool ReplayRecording();

// Input from outside the game: false when it must not reach the game (a real key or activation
// during playback).
bool ReplayTakeInput(const InputEvent& input);
// Input reaching the game: kept, stamped with the frame steps run so far, while recording.
void ReplayRecordInput(const InputEvent& input);
// A remark (a machine's person's name, or a chat line; replay.h), kept stamped like input while
// recording, and after the run so far while a network game's plays back to be recorded on; nothing
// otherwise (false). Remarks are passed over when the replay plays.
bool ReplayRecordRemark(ReplayEvent::Kind kind, int machine, const std::string& text);

// Once a frame step, where the computer players press their keys: hands `sink`, in order, their
// keys of this step. Playing back a replay (until its end), they are the recorded ones and the
// computers do not think. Otherwise the computers work them out (ComputerPlayersFrame), and:
//   - during a catch-up (thenRecord) the recording's keys of the step are passed over, and a
//     difference is traced: the computers must think there, so that they leave the catch-up with
//     the state (their generator, their memory of shots) they have on the machine that recorded it,
//     whose rules and build the network game's admission made sure are these; the state hash at
//     the next turn's start finds the machines apart if they still differ;
//   - playing back a replay of format 1 or 2, which holds no computer keys, the first key they
//     press refuses the replay (ReplayRefusal): their code has changed since it was made, so from
//     there it would play differently. Playback stops, no step runs again and the game is closed.
void ReplayComputerKeys(InputSink sink);
// Why playback was refused as it ran ("the replay stops at frame step N: why"), or "".
const std::string& ReplayRefusal();

void ReplayFrameStepRun();
std::uint32_t ReplayFrameSteps();

// Hands `sink`, in order, the recorded input due now, stopping after a close (the window is then
// gone); true when it delivered any. Does nothing unless playing.
bool ReplayDeliverDue(InputSink sink);
// Playback: every recorded event is delivered and the recorded number of steps has run.
bool ReplayFinished();
// The windowed player: no frame step may run now (held at the end).
bool ReplayHolding();
// The windowed player: Space toggles running frame steps as fast as they go.
bool ReplayFastForward();

// The recording so far, with its step count brought up to date (the run's replay once it ended).
const ReplayRecord& ReplayRecorded();

void ReplayResetForTests();
