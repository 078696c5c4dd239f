// The recipes of the game's eighteen sound effects, by the WAVE resource id each one becomes.
#pragma once

#include <span>

#include "synth.h"

struct EffectRecipe {
    int resource;
    const char* name;
    Signal (*make)();
};

std::span<const EffectRecipe> EffectRecipes();
