#include "update/UpdateOptions.h"
