#include "image/Compiler.h"
