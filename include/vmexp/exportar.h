#pragma once
// The libraries are built with hidden symbols: only what is marked here is
// reachable from a host (or from the other libraries of the suite).
#include <QtGlobal>

#define VMEXP_EXPORT Q_DECL_EXPORT
