#include "mybd.h"
