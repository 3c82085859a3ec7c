#include "componentes.h"
