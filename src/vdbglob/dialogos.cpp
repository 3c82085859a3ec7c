#include "dialogos.h"
