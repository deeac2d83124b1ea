#include "app/TFOrdanoreFirmWare.h"
