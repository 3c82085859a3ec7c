#include "cutilidades.h"
