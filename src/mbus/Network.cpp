#include "mbus/Network.h"
