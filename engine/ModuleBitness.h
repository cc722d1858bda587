#pragma once

#include "engine/ModuleHead.h"

// 16, 32 or 64 for a module of that kind, 0 when the file cannot be opened
// unshared or its header is not recognised.
int GetModuleBitness(const char* path);

// The same test on the head of a module already open unshared.
int ProbeModuleBitness(const ModuleHead& head);
