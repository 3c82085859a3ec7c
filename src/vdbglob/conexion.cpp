#include "conexion.h"
