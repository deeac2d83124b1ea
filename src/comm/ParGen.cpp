#include "comm/ParGen.h"
