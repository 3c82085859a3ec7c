#include "flujoblob.h"
