// Where the game's input goes, and whether the next frame step may run.
//
// A key pressed at this machine arrives as a window message; the window procedure turns it into an
// event once and routes it here. The sound's keys, the fast key and the online menu's are taken
// first: they are this machine's business, never sent nor recorded. In a network game it goes to the network,
// which sends it to every machine stamped with a frame; during replay playback it works the player, not the
// game; otherwise it is applied at once. The network game hands back the stamped keys, its news and the
// key-ups of an owner change, replay playback its recorded input, and the frame step the computer players'
// keys, straight to ApplyInput: each piece of input reaches the game through one door, where the
// replay being recorded keeps it.
#include "core/globals.h"
#include "diag/diag.h"
#include "netplay/lockstep.h"
#include "online/online_menu.h"
#include "options/options.h"
#include "players/seats.h"
#include "replay/session.h"
#include "shell/fast_forward.h"
#include "shell/shell.h"

namespace {

// The network game's news: who is in the game, and the game leaving the network, which takes this
// machine back to the title with no key held.
void ApplyNews(const InputEvent& news) {
    ApplyNetworkNews(news);
    if (news.kind != InputEvent::NetworkEnded) return;
    for (std::int32_t& held : KeyHeld) held = 0;
    SwitchToMode(Title);
}

bool IsNetworkNews(const InputEvent& input) {
    return input.kind == InputEvent::MachineJoined || input.kind == InputEvent::MachineLeft ||
           input.kind == InputEvent::NetworkEnded;
}

void Deliver(const InputEvent& input) { ApplyInput(input); }

}  // namespace

bool RouteInput(const InputEvent& input) {
    if (ShellTakeSoundKey(input)) return true;
    if (ShellTakeFastKey(input)) return true;
    if (ShellTakeRoomCardKey(input)) return true;
    // The Options screen and the online menu each take the keys while up, so neither opens over the other.
    if (!OnlineMenuShown() && OptionsTakeInput(input)) return true;
    if (!OptionsShown() && OnlineMenuTakeInput(input)) return true;
    if (!NetTakeInput(input)) return true;
    if (!ReplayTakeInput(input)) return true;
    return ApplyInput(input);
}

bool ApplyInput(const InputEvent& input) {
    DIAG_SCOPE("main");
    ReplayRecordInput(input);
    if (input.kind == InputEvent::ComputerKey) {
        if (AppActive) ProcessComputerKey(static_cast<int>(input.value));
        return true;
    }
    if (IsNetworkNews(input)) {
        if (input.value < MAX_MACHINES) ApplyNews(input);
        return true;
    }
    if (ProcessImportantEvents(MainWindow, input)) return true;
    return AppActive && ProcessKeyEvent(input);
}

void PressComputerKeys() { ReplayComputerKeys(Deliver); }

LoopAction NextLoopAction() {
    // A replay's input due before the next step comes first, then the network game's.
    if (ReplayDeliverDue(Deliver)) return LoopAction::LookAgain;
    if (NetDeliverDue(Deliver)) return LoopAction::LookAgain;
    if (!TickPending || ReplayHolding()) return LoopAction::WaitForMessage;
    if (!NetMayStep()) {
        // A network game waits for the keys of whoever owns the next step.
        NetWait(5);
        return LoopAction::LookAgain;
    }
    if (NetHoldsTick()) {
        // A machine following another's moment lets the tick pass, to keep its lead.
        TickPending = false;
        return LoopAction::WaitForMessage;
    }
    return LoopAction::RunStep;
}
