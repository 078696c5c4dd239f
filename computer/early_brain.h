// The computer's first three levels (easy, normal and hard in replays of format 1), kept exactly as
// they played so that those replays play as they were recorded. They are not offered any more.
#pragma once

#include <cstdint>
#include <vector>

#include "computer/brain.h"

// One early-level seat's thinking over one turn, spread over frames, as TurnPlanner's.
class EarlyPlanner {
public:
    static constexpr std::int64_t THINK_SLICE_SAMPLES = 15000;
    static constexpr int THINK_SLICES = 40;

    void Begin(int shooter, Controller level, ComputerRandom* random);
    bool Think();
    const ShotDecision& Decision() const { return decision_; }

    enum class Stage { Shells, Refine, Special, Aim, Done };
    enum Slot { SlotShell, SlotSpecial, SlotAim, SLOT_COUNT };

private:
    struct Search {
        AimGoal goal;
        std::int32_t angle;
        Preference preference;
        Slot slot;
    };

    void Queue(const AimGoal& goal, std::int32_t angle, Preference preference, Slot slot);
    void QueueShells(int target, Preference preference, int firstElevation, int step, int lastElevation);
    AimGoal GoalAt(int target, std::int32_t weapon, float offset) const;
    void Advance();
    void AfterShells();
    void AfterSpecial();
    void StartAim(std::int32_t weapon, int target);
    void Finish(const Candidate& shot, std::int32_t weapon, int target);
    void FinishFallback();

    int shooter_ = -1;
    Controller level_ = ControllerHuman;
    ComputerRandom* random_ = nullptr;
    ShotDecision decision_;
    bool ready_ = false;

    FlightSim sim_;
    Stage stage_ = Stage::Done;
    std::vector<Search> searches_;
    std::size_t nextSearch_ = 0;
    PowerSearch current_;
    Slot currentSlot_ = SlotShell;
    bool searching_ = false;
    Candidate results_[SLOT_COUNT];
    std::int32_t specialWeapon_ = -1;
    std::vector<int> targets_;
    std::size_t targetIndex_ = 0;
    float aimOffset_ = 0.0f;
    int slices_ = 0;
    std::int64_t mostSliceSamples_ = 0;
};

// What the early levels remember of their shots, as ShotMemory.
void EarlyNoteShotLanded(int shooter, int target, std::int32_t x, std::int32_t y);
void EarlyForgetShots();
// The early levels' shopping.
int EarlyNextPurchase(int shopper, Controller level, ComputerRandom* random);
