#include "vmexpe.h"
