#include "projects/TFOpenConf.h"
