#pragma once
// Registers the components this suite ships under their registered names, so a host
// (or a test) that wants the real ones calls this once at start-up.
#include "exportar.h"

VMEXP_EXPORT void registrarComponentesSuite();
