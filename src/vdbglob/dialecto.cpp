#include "dialecto.h"
